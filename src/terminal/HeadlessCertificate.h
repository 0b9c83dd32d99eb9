#pragma once
// Certificates from the command line: `--verify FILE.tvc...`, and the certificate a terminal run ends
// with (`--headless --certificate FILE`).

#include "cert/Certificate.h"
#include "engine/TestRun.h"
#include "session/RunCertificate.h"
#include "terminal/HeadlessOptions.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace torvane::app {

// `torvane --verify FILE.tvc...`: the report on standard output, its exit status.
int RunVerify(const std::vector<std::string>& files);

struct CertificateRequest {
    std::string Path;
    cert::TCertificateDescription Description;
};

// The certificate the options ask for, if any.
std::optional<CertificateRequest> CertificateRequestOf(const HeadlessOptions& options);

// Checks a request before the run starts: the texts, and that the file can be written there. The problem
// in words, or nothing.
std::optional<std::string> CheckCertificateRequest(const CertificateRequest& request);

// What the end of a run needs beyond the run itself; tests hand in a processor and a clock.
using CertificateSources = session::CertificateSources;

// At the end of a run: writes the certificate when the run has at least one full day of work time, and
// says on out what it did, or on err why it could not. True when the certificate was written.
bool WriteRunCertificate(const CertificateRequest& request, engine::TestRun& run, std::FILE* out,
                         std::FILE* err, const CertificateSources& sources = {});

} // namespace torvane::app

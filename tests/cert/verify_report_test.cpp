// The check for scripts: verdicts, records and the exit status of a mix of files.

#include "CertTestSupport.h"

#include "cert/Builder.h"
#include "cert/Scramble.h"
#include "cert/VerifyReport.h"
#include "common/TempDir.h"

#include <gtest/gtest.h>

#include <sstream>

namespace torvane::test {
namespace {

class Report : public ::testing::Test {
protected:
    int Run(const std::vector<std::string>& files) {
        out.str({});
        err.str({});
        return cert::ReportCertificates(hash, files, out, err);
    }
    crypto::THashManager hash;
    TempDir dir;
    std::ostringstream out, err;
};

TEST_F(Report, VerdictsRecordsAndTheWorstStatus) {
    const auto good = dir / "good.tvc";
    cert::WriteCertificate(hash, good, SampleFacts(), SampleDescription(), SampleFiller());
    const auto bytes = ReadBytes(good);
    std::string plain(bytes.begin(), bytes.end());
    cert::ScrambleBytes(plain, cert::ScrambleKey);
    plain.replace(plain.find("3m"), 2, "9m");
    cert::ScrambleBytes(plain, cert::ScrambleKey);
    const auto fake = dir.Write("fake.tvc", plain);
    const auto noise = dir.Write("noise.tvc", "abc");

    EXPECT_EQ(Run({good}), cert::kAllAuthentic);
    const auto text = out.str();
    EXPECT_EQ(
        text.rfind(good + ": This Certificate is verified to be Authentic\nTorvane Test 5.0 [ Ombrel ]\n", 0),
        0u);
    EXPECT_NE(text.find("\n Owner: J\u00f6rg M\u00fcller\n"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 17), "Date: 07/08/2025\n");
    EXPECT_EQ(err.str(), "");

    EXPECT_EQ(Run({good, fake}), cert::kSomeNotAuthentic);
    EXPECT_NE(out.str().find("Date: 07/08/2025\n\n" + fake + ": This Certificate is FAKE!!\n"),
              std::string::npos);

    EXPECT_EQ(Run({noise}), cert::kSomeNotAuthentic);
    EXPECT_EQ(out.str().rfind(noise + ": not a certificate: it reads as 1 line, fewer than the 10", 0), 0u);

    EXPECT_EQ(Run({dir / "missing.tvc", good}), cert::kSomeUnreadable);
    EXPECT_EQ(err.str(), "torvane: Cannot open file " + dir / "missing.tvc" + "\n");
    EXPECT_EQ(out.str().rfind(good + ": This Certificate", 0), 0u);
    EXPECT_EQ(Run({fake, dir.Path()}), cert::kSomeUnreadable);
}

TEST_F(Report, AReportThatCannotBeWrittenIsNoSuccess) {
    const auto good = dir / "good.tvc";
    cert::WriteCertificate(hash, good, SampleFacts(), SampleDescription(), SampleFiller());
    out.setstate(std::ios::badbit);
    EXPECT_EQ(cert::ReportCertificates(hash, {good}, out, err), cert::kSomeUnreadable);
    EXPECT_NE(err.str().find("could not be written"), std::string::npos);
}

} // namespace
} // namespace torvane::test

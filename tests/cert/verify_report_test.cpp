// The check for scripts: verdicts, records and the exit status of a mix of files.

#include "CertTestSupport.h"

#include "cert/Builder.h"
#include "cert/Scramble.h"
#include "cert/VerifyReport.h"
#include "common/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
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
    EXPECT_EQ(err.str(),
              "torvane: Cannot open file " + dir / "missing.tvc" + ": No such file or directory\n");
    EXPECT_EQ(out.str().rfind(good + ": This Certificate", 0), 0u);
    EXPECT_EQ(Run({fake, dir.Path()}), cert::kSomeUnreadable);
}

// An authentic certificate whose texts hold control characters, as one made before they were refused (or by
// anyone who seals a record of their own) may hold them.
std::string SealedWithOwner(crypto::THashManager& hash, const std::string& scratch,
                            const std::string& owner) {
    cert::WriteCertificate(hash, scratch, SampleFacts(), SampleDescription(), SampleFiller());
    const auto bytes = ReadBytes(scratch);
    std::string plain(bytes.begin(), bytes.end());
    cert::ScrambleBytes(plain, cert::ScrambleKey);
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < plain.size();) {
        const auto end = plain.find("\r\n", at);
        lines.push_back(plain.substr(at, end - at));
        at = end + 2;
    }
    std::string body;
    for (std::size_t i = 4; i < lines.size(); ++i) {
        if (lines[i].rfind(" Owner: ", 0) == 0) lines[i] = " Owner: " + owner;
        body += lines[i] + "\r\n";
    }
    std::string sealed;
    for (const auto& digest : cert::CertificateDigests(hash, body)) sealed += digest + "\r\n";
    sealed += body;
    cert::ScrambleBytes(sealed, cert::ScrambleKey);
    return sealed;
}

TEST_F(Report, NamesAndRecordsAreEscapedAsMd5sumEscapesNames) {
    // Cursor up, wipe the line, and a work time the record does not hold.
    const auto forged =
        dir.Write("esc.tvc", SealedWithOwner(hash, dir / "scratch.tvc", "x\x1b[2A\x1b[2K Worktime: 30d"));
    EXPECT_EQ(Run({forged}), cert::kAllAuthentic);
    EXPECT_NE(out.str().find("\n\\ Owner: x\\x1b[2A\\x1b[2K Worktime: 30d\n"), std::string::npos)
        << out.str();
    EXPECT_EQ(out.str().find('\x1b'), std::string::npos);

    // A name that would forge a verdict line of its own.
    const auto good = dir / "good.tvc";
    cert::WriteCertificate(hash, good, SampleFacts(), SampleDescription(), SampleFiller());
    const auto name = dir / "Authentic.tvc: This Certificate is FAKE!!\nx.tvc";
    std::filesystem::copy_file(good, name);
    EXPECT_EQ(Run({name}), cert::kAllAuthentic);
    EXPECT_EQ(
        out.str().rfind("\\" + dir / "Authentic.tvc: This Certificate is FAKE!!\\nx.tvc: This Certificate is "
                                     "verified to be Authentic\n",
                        0),
        0u)
        << out.str();
    EXPECT_EQ(out.str().find("\nx.tvc"), std::string::npos);
    // The same on standard error, for a file that cannot be read.
    EXPECT_EQ(Run({dir / "gone\n.tvc"}), cert::kSomeUnreadable);
    EXPECT_EQ(err.str().find("gone\n"), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("gone\\n.tvc"), std::string::npos) << err.str();
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

// A certificate that cannot be written says why, in the system's words, and leaves what was there.

#include "CertTestSupport.h"
#include "cert/Builder.h"
#include "common/TempDir.h"
#include "crypto/Managers.h"
#include "platform/Files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace torvane::test {
namespace {

// The message of a failed write, or "" when it was written.
std::string WriteFailure(const std::string& path) {
    crypto::THashManager hash;
    try {
        cert::WriteCertificate(hash, path, SampleFacts(), SampleDescription(), SampleFiller());
    } catch (const EFCreateError& e) {
        return e.what();
    }
    return {};
}

std::string CheckFailure(const std::string& path) {
    try {
        cert::CheckCertificateRequest(path, SampleDescription());
    } catch (const EFCreateError& e) {
        return e.what();
    }
    return {};
}

TEST(CertificateWriteErrors, EachSaysTheSystemsReason) {
    TempDir dir;
    const struct {
        std::string path, reason;
    } cases[] = {
        {dir / "missing/day.tvc", "No such file or directory"},
        {dir.Path(), "Is a directory"},
        {dir / "file/day.tvc", "Not a directory"},
        // A disk with no room left: every write to it fails so.
        {"/dev/full", "No space left on device"},
    };
    dir.Write("file", "x");
    for (const auto& c : cases) {
        const auto expected = "Cannot create file " + c.path + ": " + c.reason;
        EXPECT_EQ(WriteFailure(c.path), expected);
        // The check before a run says the same, where it can know it already.
        if (c.path != "/dev/full") {
            EXPECT_EQ(CheckFailure(c.path), expected);
        }
    }
    EXPECT_EQ(WriteFailure(dir / "day.tvc"), "");
    EXPECT_EQ(CheckFailure(dir / "day2.tvc"), "");
}

TEST(CertificateWriteErrors, AReadOnlyFolderKeepsItsCertificate) {
    if (::geteuid() == 0) GTEST_SKIP() << "the folder's mode does not bind root";
    TempDir dir;
    const auto kept = dir.Write("day.tvc", "the certificate of yesterday");
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0555), 0);
    EXPECT_EQ(WriteFailure(kept), "Cannot create file " + kept + ": Permission denied");
    EXPECT_EQ(CheckFailure(dir / "new.tvc"), "Cannot create file " + dir / "new.tvc" + ": Permission denied");
    ::chmod(dir.Path().c_str(), 0755);
    const auto bytes = ReadBytes(kept);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "the certificate of yesterday");
}

} // namespace
} // namespace torvane::test

// Hashing and ciphering of inputs that can only be read in order (pipes, devices, /proc files): they are
// read to their end, never positioned, and progress says that their length is unknown.

#include "common/RandomBytes.h"
#include "common/TempDir.h"
#include "crypto/Progress.h"
#include "crypto/cipher/DES.h"
#include "crypto/hash/MD5.h"
#include "platform/Error.h"
#include "platform/Stream.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <unistd.h>

using namespace torvane;
using namespace torvane::crypto;
using Bytes = std::vector<std::uint8_t>;
using Report = std::pair<std::int64_t, std::int64_t>;

namespace {

struct ProgressLog {
    std::vector<Report> reports;
    ScopedProgressHook hook{
        [this](const void*, std::int64_t c, std::int64_t m) { reports.emplace_back(c, m); }};
};

// A pipe that already holds data and whose writing end is closed: the reader sees the data, then its end.
class FilledPipe {
public:
    explicit FilledPipe(const Bytes& data) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) return;
        // A pipe holds 64 KiB, so the writes complete before anyone reads.
        if (::write(fds[1], data.data(), data.size()) != static_cast<ssize_t>(data.size()))
            ::close(fds[0]);
        else
            read_ = fds[0];
        ::close(fds[1]);
    }
    int TakeReadEnd() { return std::exchange(read_, -1); }
    ~FilledPipe() {
        if (read_ >= 0) ::close(read_);
    }

private:
    int read_ = -1;
};

// Memory that refuses to be positioned and does not know its length, as a pipe or a terminal.
class InOrderStream final : public TStream {
public:
    explicit InOrderStream(Bytes data = {}) : inner_(std::move(data)) {}
    std::int64_t Read(void* b, std::int64_t n) override { return inner_.Read(b, n); }
    std::int64_t Write(const void* b, std::int64_t n) override { return inner_.Write(b, n); }
    std::int64_t Seek(std::int64_t, SeekOrigin) override { throw EReadError("Seek error: Illegal seek"); }
    void SetSize(std::int64_t) override { throw EWriteError("cannot cut a pipe"); }
    std::int64_t KnownSize() override { return -1; }
    const Bytes& Data() const { return inner_.Data(); }

private:
    TMemoryStream inner_;
};

// A stream that claims to be empty and still has data, as the files of /proc do.
class ClaimsEmptyStream final : public TStream {
public:
    explicit ClaimsEmptyStream(Bytes data) : inner_(std::move(data)) {}
    std::int64_t Read(void* b, std::int64_t n) override { return inner_.Read(b, n); }
    std::int64_t Write(const void* b, std::int64_t n) override { return inner_.Write(b, n); }
    std::int64_t Seek(std::int64_t o, SeekOrigin w) override { return inner_.Seek(o, w); }
    void SetSize(std::int64_t n) override { inner_.SetSize(n); }
    std::int64_t KnownSize() override { return 0; }

private:
    TMemoryStream inner_;
};

std::string Md5Of(const Bytes& data) {
    return THash::HashText(&THash_MD5::ClassInfo, nullptr,
                           std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
}

TEST(StreamInput, FilesKnowTheirLengthOnlyWhenTheyAreRegular) {
    torvane::test::TempDir dir;
    TFileStream regular(dir.Write("f", std::string(1234, 'a')), FileMode::OpenRead);
    EXPECT_EQ(regular.KnownSize(), 1234);
    // /dev/zero accepts seeks and claims to be empty; it is endless.
    TFileStream zero("/dev/zero", FileMode::OpenRead);
    EXPECT_EQ(zero.KnownSize(), -1);
    FilledPipe pipe(Bytes(10, 1));
    TFileStream piped(pipe.TakeReadEnd(), "pipe", true);
    EXPECT_EQ(piped.KnownSize(), -1);
}

TEST(StreamInput, APipeIsHashedToItsEndWithAnUnknownLength) {
    const Bytes data = torvane::test::RandomBytes(10000, 7);
    FilledPipe pipe(data);
    TFileStream stream(pipe.TakeReadEnd(), "pipe", true);
    ProgressLog log;
    EXPECT_EQ(THash::HashStream(&THash_MD5::ClassInfo, nullptr, stream, -1), Md5Of(data));
    EXPECT_EQ(log.reports, (std::vector<Report>{{0, -1}, {4096, -1}, {8192, -1}, {10000, -1}, {0, 0}}));
}

TEST(StreamInput, AStreamThatClaimsToBeEmptyIsStillReadToItsEnd) {
    const Bytes data = torvane::test::RandomBytes(5000, 8);
    ClaimsEmptyStream stream(data);
    ProgressLog log;
    EXPECT_EQ(THash::HashStream(&THash_MD5::ClassInfo, nullptr, stream, -1), Md5Of(data));
    EXPECT_EQ(log.reports, (std::vector<Report>{{0, 0}, {4096, -1}, {5000, -1}, {0, 0}}));

    // A real one: what /proc/version reads as, whatever size it claims.
    std::ifstream version("/proc/version", std::ios::binary);
    if (!version) GTEST_SKIP() << "no /proc here";
    const Bytes text{std::istreambuf_iterator<char>(version), std::istreambuf_iterator<char>()};
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(THash::HashFile(&THash_MD5::ClassInfo, nullptr, "/proc/version"), Md5Of(text));
}

TEST(StreamInput, ASizeStillLimitsWhatIsReadOfAPipe) {
    const Bytes data = torvane::test::RandomBytes(300, 9);
    FilledPipe pipe(data);
    TFileStream stream(pipe.TakeReadEnd(), "pipe", true);
    EXPECT_EQ(THash::HashStream(&THash_MD5::ClassInfo, nullptr, stream, 100),
              Md5Of(Bytes(data.begin(), data.begin() + 100)));
}

std::unique_ptr<TCipher> Keyed(const char* key) {
    auto c = std::make_unique<TCipher_1DES>();
    c->Mode = cmCBC;
    c->SetKeyHashClass(&THash_MD5::ClassInfo);
    c->InitKey(key, nullptr);
    c->ChangeFlag(TCipher::FlagHashKey, true);
    return c;
}

TEST(StreamInput, CipheringInOrderCodesLikeCipheringFiles) {
    const Bytes plain = torvane::test::RandomBytes(9001, 10);
    TMemoryStream seekableIn(plain), seekableOut;
    Keyed("pw")->ProcessStream(&seekableIn, &seekableOut, -1, true);

    InOrderStream in(plain), out;
    ProgressLog log;
    Keyed("pw")->ProcessStream(&in, &out, -1, true);
    EXPECT_EQ(out.Data(), seekableOut.Data());
    EXPECT_EQ(log.reports.front(), Report(0, -1));
    EXPECT_EQ(log.reports[log.reports.size() - 2], Report(9001, -1));
    EXPECT_EQ(log.reports.back(), Report(0, 0));

    InOrderStream coded(out.Data()), back;
    Keyed("pw")->ProcessStream(&coded, &back, -1, false);
    EXPECT_EQ(back.Data(), plain);

    InOrderStream again(out.Data()), nothing;
    try {
        Keyed("other")->ProcessStream(&again, &nothing, -1, false);
        FAIL() << "a wrong key went unnoticed";
    } catch (const ECipherException& e) {
        EXPECT_EQ(e.ErrorCode, 1);
    }
    EXPECT_TRUE(nothing.Data().empty());
}

TEST(StreamInput, AnEndlessDeviceIsCodedForAsLongAsItIsAskedTo) {
    // With a size the coding stops there; without one it would run until the process is stopped.
    TFileStream zero("/dev/zero", FileMode::OpenRead);
    InOrderStream out;
    Keyed("pw")->ProcessStream(&zero, &out, 10000, true);
    EXPECT_EQ(out.Data().size(), 10000u + 16u); // the MD5 key check comes first
}

} // namespace

// The coding of streams and files: the key check, progress, chunking, in-place shifting, cutting, and
// failures on the way.

#include "common/CipherCheck.h"
#include "common/FakeDigest.h"
#include "common/RandomBytes.h"
#include "common/TempDir.h"
#include "crypto/Progress.h"
#include "crypto/cipher/DES.h"
#include "platform/Error.h"
#include "platform/Stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

using namespace torvane;
using namespace torvane::crypto;
using namespace torvane::test;
using Bytes = std::vector<std::uint8_t>;

namespace {

struct ProgressLog {
    std::vector<std::pair<std::int64_t, std::int64_t>> calls;
    ScopedProgressHook hook{
        [this](const void*, std::int64_t cur, std::int64_t max) { calls.emplace_back(cur, max); }};
};

std::unique_ptr<TCipher> Keyed(const char* text, bool check, TCipherMode mode = cmCTS) {
    auto c = std::make_unique<TCipher_1DES>();
    c->Mode = mode;
    c->SetKeyHashClass(&Fake20::ClassInfo);
    c->InitKey(text, nullptr);
    c->ChangeFlag(TCipher::FlagHashKey, check);
    return c;
}

Bytes Coded(TCipher& c, const Bytes& in, bool encrypt) {
    TMemoryStream src(in), dst;
    c.ProcessStream(&src, &dst, -1, encrypt);
    return dst.Data();
}

TEST(CipherStreams, ProgressRunsFromZeroThroughEveryChunkToZeroZero) {
    auto c = Keyed("k", false);
    ProgressLog log;
    TMemoryStream src(Bytes(10000, 1)), dst;
    c->ProcessStream(&src, &dst, -1, true);
    const std::vector<std::pair<std::int64_t, std::int64_t>> expected = {
        {0, 10000}, {4096, 10000}, {8192, 10000}, {10000, 10000}, {0, 0}};
    EXPECT_EQ(log.calls, expected);
}

// With a key check the progress counts source bytes: the data when encrypting, the check and the data
// when decrypting; the same whether the stream is coded in place (where encryption runs its look-ahead
// path) or into another stream.
TEST(CipherStreams, ProgressWithAKeyCheckCountsTheSourceInPlaceAndAcross) {
    using Calls = std::vector<std::pair<std::int64_t, std::int64_t>>;
    const Calls encryption = {{0, 10000}, {4096, 10000}, {8192, 10000}, {10000, 10000}, {0, 0}};
    const Calls decryption = {{0, 10020}, {4116, 10020}, {8212, 10020}, {10020, 10020}, {0, 0}};
    const Bytes plain = RandomBytes(10000, 12);
    for (bool inPlace : {true, false}) {
        SCOPED_TRACE(inPlace ? "in place" : "across");
        TMemoryStream s(plain), coded, back;
        {
            ProgressLog log;
            auto c = Keyed("k", true);
            inPlace ? c->ProcessStream(&s, nullptr, -1, true) : c->ProcessStream(&s, &coded, -1, true);
            EXPECT_EQ(log.calls, encryption);
        }
        {
            ProgressLog log;
            auto d = Keyed("k", true);
            inPlace ? d->ProcessStream(&s, nullptr, -1, false) : d->ProcessStream(&coded, &back, -1, false);
            EXPECT_EQ(log.calls, decryption);
        }
        EXPECT_TRUE(SameBytes(inPlace ? s.Data() : back.Data(), plain));
    }
}

TEST(CipherStreams, ChunksAreCodedByOneBufferCallEach) {
    // 3-Way-like block sizes that do not divide 4096 end every chunk with a tail step, so chunking must
    // be the same on both sides: here with a 24-byte block.
    std::mt19937 rng(5);
    const Bytes plain = RandomBytes(rng, 9000);
    TCipher_3TDES c, ref;
    const std::uint8_t key[24] = {1, 2, 3};
    c.Init(key, 24, nullptr);
    ref.Init(key, 24, nullptr);
    Bytes expected = plain;
    for (std::size_t off = 0; off < plain.size(); off += 4096)
        ref.EncryptBuffer(expected.data() + off, expected.data() + off,
                          static_cast<std::int64_t>(std::min<std::size_t>(4096, plain.size() - off)));
    EXPECT_TRUE(SameBytes(Coded(c, plain, true), expected));
}

// A stream that hands out at most a few bytes per read, as pipes and network file systems may.
class TrickleStream final : public TStream {
public:
    explicit TrickleStream(Bytes data) : inner_(std::move(data)) {}
    std::int64_t Read(void* b, std::int64_t n) override {
        return inner_.Read(b, std::min<std::int64_t>(n, 1000));
    }
    std::int64_t Write(const void* b, std::int64_t n) override { return inner_.Write(b, n); }
    std::int64_t Seek(std::int64_t o, SeekOrigin w) override { return inner_.Seek(o, w); }
    void SetSize(std::int64_t n) override { inner_.SetSize(n); }

private:
    TMemoryStream inner_;
};

TEST(CipherStreams, ShortReadsDoNotMoveTheChunkBoundaries) {
    std::mt19937 rng(6);
    const Bytes plain = RandomBytes(rng, 9001);
    auto a = Keyed("k", false), b = Keyed("k", false);
    TrickleStream src(plain);
    TMemoryStream dst;
    a->ProcessStream(&src, &dst, -1, true);
    EXPECT_TRUE(SameBytes(dst.Data(), Coded(*b, plain, true)));
}

TEST(CipherStreams, AKeyCheckLeadsTheStreamAndAWrongKeyWritesNothing) {
    std::mt19937 rng(7);
    const Bytes plain = RandomBytes(rng, 5000);
    auto enc = Keyed("right", true);
    const Bytes coded = Coded(*enc, plain, true);
    ASSERT_EQ(coded.size(), plain.size() + 20);
    EXPECT_EQ(ToHex(coded.data(), 20), ToHex(enc->KeyCheck()));

    auto good = Keyed("right", true);
    EXPECT_TRUE(SameBytes(Coded(*good, coded, false), plain));

    auto bad = Keyed("wrong", true);
    ProgressLog log;
    TMemoryStream src(coded), dst;
    try {
        bad->ProcessStream(&src, &dst, -1, false);
        FAIL() << "a wrong key was accepted";
    } catch (const ECipherException& e) {
        EXPECT_EQ(e.ErrorCode, 1);
        EXPECT_STREQ(e.what(), "Encryptionkey is invalid");
    }
    EXPECT_TRUE(dst.Data().empty());
    ASSERT_FALSE(log.calls.empty());
    EXPECT_EQ(log.calls.back(), std::make_pair(std::int64_t{0}, std::int64_t{0}));

    // A stream too short to hold a check is no valid encryption either.
    auto shortKey = Keyed("right", true);
    TMemoryStream tiny(Bytes(5, 0)), out;
    EXPECT_THROW(shortKey->ProcessStream(&tiny, &out, -1, false), ECipherException);
}

TEST(CipherStreams, InPlaceWithKeyCheckShiftsTheDataAndCutsItBack) {
    std::mt19937 rng(8);
    for (std::size_t n : {0u, 3u, 19u, 20u, 21u, 4096u, 4100u, 12288u, 12301u}) {
        SCOPED_TRACE(n);
        const Bytes plain = RandomBytes(rng, n);
        auto enc = Keyed("pw", true), ref = Keyed("pw", true);
        TMemoryStream s(plain);
        enc->ProcessStream(&s, nullptr, -1, true);
        EXPECT_TRUE(SameBytes(s.Data(), Coded(*ref, plain, true))) << "in place must equal two streams";
        auto dec = Keyed("pw", true);
        dec->ProcessStream(&s, nullptr, -1, false);
        EXPECT_TRUE(SameBytes(s.Data(), plain));
    }
}

TEST(CipherStreams, InPlaceWithAnExplicitSizeKeepsWhatFollows) {
    std::mt19937 rng(9);
    const Bytes head = RandomBytes(rng, 7), body = RandomBytes(rng, 5000), rest = RandomBytes(rng, 6000);
    Bytes all = head;
    all.insert(all.end(), body.begin(), body.end());
    all.insert(all.end(), rest.begin(), rest.end());

    auto enc = Keyed("pw", true), ref = Keyed("pw", true);
    TMemoryStream s(all);
    s.SetPosition(7);
    enc->ProcessStream(&s, nullptr, 5000, true);
    Bytes expected = head;
    const Bytes coded = Coded(*ref, body, true);
    expected.insert(expected.end(), coded.begin(), coded.end());
    expected.insert(expected.end(), rest.begin(), rest.end());
    ASSERT_TRUE(SameBytes(s.Data(), expected));

    auto dec = Keyed("pw", true);
    s.SetPosition(7);
    dec->ProcessStream(&s, nullptr, 5020, false);
    EXPECT_TRUE(SameBytes(s.Data(), all));
}

TEST(CipherStreams, AThrowingProgressHandlerIsDroppedAndCodingGoesOn) {
    std::mt19937 rng(10);
    const Bytes plain = RandomBytes(rng, 10000);
    auto a = Keyed("k", false), b = Keyed("k", false);
    int calls = 0;
    ScopedProgressHook hook([&](const void*, std::int64_t, std::int64_t) {
        ++calls;
        throw std::runtime_error("display gone");
    });
    const Bytes coded = Coded(*a, plain, true);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(static_cast<bool>(ProgressHook));
    EXPECT_TRUE(SameBytes(coded, Coded(*b, plain, true)));
}

class FailingStream final : public TStream {
public:
    FailingStream(Bytes data, std::int64_t failAfter) : inner_(std::move(data)), left_(failAfter) {}
    std::int64_t Read(void* b, std::int64_t n) override {
        if (left_ <= 0) throw EReadError("device gone");
        const auto got = inner_.Read(b, std::min(n, left_));
        left_ -= got;
        return got;
    }
    std::int64_t Write(const void* b, std::int64_t n) override { return inner_.Write(b, n); }
    std::int64_t Seek(std::int64_t o, SeekOrigin w) override { return inner_.Seek(o, w); }
    void SetSize(std::int64_t n) override { inner_.SetSize(n); }

private:
    TMemoryStream inner_;
    std::int64_t left_;
};

TEST(CipherStreams, AReadErrorPassesThroughAfterTheLastProgressReport) {
    auto c = Keyed("k", false);
    ProgressLog log;
    FailingStream src(Bytes(10000, 0), 5000);
    TMemoryStream dst;
    EXPECT_THROW(c->ProcessStream(&src, &dst, -1, true), EReadError);
    ASSERT_GE(log.calls.size(), 2u);
    EXPECT_EQ(log.calls.front(), std::make_pair(std::int64_t{0}, std::int64_t{10000}));
    EXPECT_EQ(log.calls.back(), std::make_pair(std::int64_t{0}, std::int64_t{0}));
}

TEST(CipherStreams, AnUnkeyedCipherRefusesBeforeTouchingTheStream) {
    TCipher_1DES c;
    c.ChangeFlag(TCipher::FlagHashKey, true);
    TMemoryStream s(Bytes(100, 9));
    try {
        c.ProcessStream(&s, nullptr, -1, true);
        FAIL();
    } catch (const ECipherException& e) {
        EXPECT_EQ(e.ErrorCode, 3);
    }
    EXPECT_EQ(s.Data(), Bytes(100, 9));
}

class CipherFiles : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return dir_.Path(name); }
    static void Write(const std::string& path, const Bytes& data) { WriteBytes(path, data); }
    static Bytes Read(const std::string& path) { return ReadBytes(path); }
    TempDir dir_;
};

TEST_F(CipherFiles, SameNameOrABlankDestinationCodesInPlace) {
    std::mt19937 rng(11);
    const Bytes plain = RandomBytes(rng, 7000);
    auto ref = Keyed("k", true);
    const Bytes coded = Coded(*ref, plain, true);
    for (const std::string& dest : {Path("f.bin"), std::string("  "), Path("./f.bin")}) {
        SCOPED_TRACE(dest);
        Write(Path("f.bin"), plain);
        auto c = Keyed("k", true);
        c->ProcessFile(Path("f.bin"), dest, true);
        EXPECT_TRUE(SameBytes(Read(Path("f.bin")), coded));
        auto d = Keyed("k", true);
        d->ProcessFile(Path("f.bin"), dest, false);
        EXPECT_TRUE(SameBytes(Read(Path("f.bin")), plain));
    }
}

TEST_F(CipherFiles, ALongerExistingDestinationIsCutToTheCodedLength) {
    Write(Path("in"), Bytes(100, 1));
    Write(Path("out"), Bytes(50000, 2));
    auto c = Keyed("k", false);
    c->ProcessFile(Path("in"), Path("out"), true);
    EXPECT_EQ(Read(Path("out")).size(), 100u);
    auto d = Keyed("k", false);
    d->ProcessFile(Path("out"), Path("back"), false);
    EXPECT_EQ(Read(Path("back")), Bytes(100, 1));
}

TEST_F(CipherFiles, AWrongKeyLeavesAnExistingDestinationAsItWas) {
    Write(Path("plain"), Bytes(3000, 7));
    auto c = Keyed("right", true);
    c->ProcessFile(Path("plain"), Path("coded"), true);
    Write(Path("keep"), Bytes(999, 5));
    auto bad = Keyed("wrong", true);
    EXPECT_THROW(bad->ProcessFile(Path("coded"), Path("keep"), false), ECipherException);
    EXPECT_EQ(Read(Path("keep")), Bytes(999, 5));
}

TEST_F(CipherFiles, NamesThatDifferInCaseAreTwoFilesWhereTheFileSystemSaysSo) {
    Write(Path("a.bin"), Bytes(64, 3));
    if (std::filesystem::exists(Path("A.BIN"))) GTEST_SKIP() << "case-insensitive file system";
    auto c = Keyed("k", false);
    c->ProcessFile(Path("a.bin"), Path("A.BIN"), true);
    EXPECT_EQ(Read(Path("a.bin")), Bytes(64, 3)) << "the source must not be coded in place";
    EXPECT_EQ(Read(Path("A.BIN")).size(), 64u);
}

TEST_F(CipherFiles, AMissingSourceFailsWithTheFileLayersMessageAndCreatesNothing) {
    auto c = Keyed("k", false);
    try {
        c->ProcessFile(Path("none"), Path("out"), true);
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + Path("none"));
    }
    EXPECT_FALSE(std::filesystem::exists(Path("out")));
}

} // namespace

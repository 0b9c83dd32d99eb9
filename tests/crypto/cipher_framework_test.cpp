// The cipher framework: the chaining modes against hand-built references, key setup, and the coding of
// streams and files (key check, progress, in-place shifting, cutting, failures). DES stands in for "a
// block cipher"; the properties that every class must have are in the generic tests at the end.

#include "common/RandomBytes.h"
#include "common/TempDir.h"
#include "common/VecFile.h"
#include "crypto/Progress.h"
#include "crypto/cipher/CipherClasses.h"
#include "crypto/cipher/DES.h"
#include "platform/Error.h"
#include "platform/Stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>
#include <tuple>

using namespace torvane;
using namespace torvane::crypto;
using namespace torvane::test;
using Bytes = std::vector<std::uint8_t>;

namespace {

// A stand-in key hash with the digest lengths that matter here (SHA-1's 20 bytes, CRC-32's 4), so that the
// key setup is tested without depending on the hash classes.
template <int N> class FakeDigest final : public THash {
public:
    static const THashClassInfo ClassInfo;
    THashClass ClassType() const override { return &ClassInfo; }
    void Start() override {
        std::memset(d_, 0x5A, N);
        n_ = 0;
    }
    void Update(const void* data, std::int64_t length) override {
        for (std::int64_t i = 0; i < length; ++i, ++n_) {
            auto& b = d_[n_ % N];
            b = static_cast<std::uint8_t>(b * 31 + static_cast<const std::uint8_t*>(data)[i] + 7);
        }
    }
    void Finish() override {
        for (int i = 0; i < N; ++i) d_[i] ^= static_cast<std::uint8_t>(n_ + i);
    }
    std::uint8_t* DigestBytes() override { return d_; }

private:
    std::uint8_t d_[N] = {};
    std::int64_t n_ = 0;
};
template <int N>
const THashClassInfo FakeDigest<N>::ClassInfo{
    "THash_Fake", nullptr, N, []() -> std::unique_ptr<THash> { return std::make_unique<FakeDigest<N>>(); }};
using Fake20 = FakeDigest<20>;
using Fake4 = FakeDigest<4>;

// Compares without printing megabytes of hex when they differ.
::testing::AssertionResult SameBytes(const Bytes& a, const Bytes& b) {
    if (a == b) return ::testing::AssertionSuccess();
    const auto at = std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin();
    return ::testing::AssertionFailure()
           << "sizes " << a.size() << " and " << b.size() << ", first difference at " << at;
}

Bytes Xor(const Bytes& a, const std::uint8_t* b) {
    Bytes r = a;
    for (std::size_t i = 0; i < r.size(); ++i) r[i] ^= b[i];
    return r;
}

const std::uint8_t kKey[8] = {0x13, 0x34, 0x57, 0x79, 0x9B, 0xBC, 0xDF, 0xF1};

// A cipher in the given mode and an identically keyed one for the block operations of the references.
struct Pair {
    TCipher_1DES c, ref;
    explicit Pair(TCipherMode mode) {
        c.Mode = mode;
        c.Init(kKey, 8, nullptr);
        ref.Init(kKey, 8, nullptr);
    }
    Bytes E(const std::uint8_t* p) {
        Bytes b(p, p + 8);
        ref.EncryptBlock(b.data());
        return b;
    }
    Bytes V() const { return Bytes(c.Vector(), c.Vector() + 8); }
    Bytes F() const { return Bytes(c.Feedback(), c.Feedback() + 8); }
};

// ---- The mode table ----

TEST(CipherModes, CtsCodesBlocksWithFeedbackAndATailWithTheEncryptedFeedback) {
    Pair p(cmCTS);
    std::mt19937 rng(1);
    const Bytes x = RandomBytes(rng, 10);
    const Bytes v = p.V();
    // Y := E(X xor F); F := Y xor F; tail: S := E(F), out := in xor S, F := S xor F.
    const Bytes y0 = p.E(Xor(Bytes(x.begin(), x.begin() + 8), v.data()).data());
    const Bytes f1 = Xor(y0, v.data());
    const Bytes s = p.E(f1.data());
    Bytes expected = y0;
    expected.push_back(x[8] ^ s[0]);
    expected.push_back(x[9] ^ s[1]);

    Bytes out(10);
    p.c.EncryptBuffer(x.data(), out.data(), 10);
    EXPECT_TRUE(SameBytes(out, expected));
    EXPECT_EQ(ToHex(p.F()), ToHex(Xor(s, f1.data())));

    TCipher_1DES d;
    d.Mode = cmCTS;
    d.Init(kKey, 8, nullptr);
    Bytes back(10);
    d.DecryptBuffer(out.data(), back.data(), 10);
    EXPECT_TRUE(SameBytes(back, x));
    EXPECT_EQ(ToHex(d.Feedback(), 8), ToHex(p.F()));
}

TEST(CipherModes, CbcIsStandardCbcAndATailLeavesTheFeedbackAlone) {
    Pair p(cmCBC);
    std::mt19937 rng(2);
    const Bytes x = RandomBytes(rng, 16);
    const Bytes y0 = p.E(Xor(Bytes(x.begin(), x.begin() + 8), p.V().data()).data());
    const Bytes y1 = p.E(Xor(Bytes(x.begin() + 8, x.end()), y0.data()).data());
    Bytes out(16);
    p.c.EncryptBuffer(x.data(), out.data(), 16);
    EXPECT_EQ(ToHex(out), ToHex(y0) + ToHex(y1));
    EXPECT_EQ(ToHex(p.F()), ToHex(y1));

    // A 3-byte message is a tail only: in xor the first 3 bytes of E(Vector); Feedback stays Vector.
    Pair q(cmCBC);
    const std::uint8_t msg[3] = {'a', 'b', 'c'};
    std::uint8_t coded[3];
    const Bytes s = q.E(q.V().data());
    q.c.EncryptBuffer(msg, coded, 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(coded[i], msg[i] ^ s[static_cast<std::size_t>(i)]);
    EXPECT_EQ(ToHex(q.F()), ToHex(q.V()));
    q.c.Rewind();
    std::uint8_t back[3];
    q.c.DecryptBuffer(coded, back, 3);
    EXPECT_EQ(std::memcmp(back, msg, 3), 0);
}

TEST(CipherModes, CfbAndOfbCodeEveryByteWithOneBlockEncryption) {
    std::mt19937 rng(3);
    const Bytes x = RandomBytes(rng, 3);
    for (TCipherMode mode : {cmCFB, cmOFB}) {
        SCOPED_TRACE(mode == cmCFB ? "CFB" : "OFB");
        Pair p(mode);
        Bytes f = p.V(), expected;
        for (std::uint8_t b : x) {
            const Bytes s = p.E(f.data());
            const std::uint8_t y = b ^ s[0];
            expected.push_back(y);
            f.erase(f.begin());
            f.push_back(mode == cmCFB ? y : s[0]);
        }
        Bytes out(3);
        p.c.EncryptBuffer(x.data(), out.data(), 3);
        EXPECT_TRUE(SameBytes(out, expected));
        EXPECT_EQ(ToHex(p.F()), ToHex(f));
    }
}

TEST(CipherModes, EcbCodesBlocksAloneAndItsShortTailCanBeDecrypted) {
    Pair p(cmECB);
    std::mt19937 rng(4);
    const Bytes x = RandomBytes(rng, 13);
    Bytes out(13);
    p.c.EncryptBuffer(x.data(), out.data(), 13);
    EXPECT_EQ(ToHex(out.data(), 8), ToHex(p.E(x.data())));
    const Bytes s = p.E(p.V().data());
    for (int i = 0; i < 5; ++i) EXPECT_EQ(out[8u + i], x[8u + i] ^ s[static_cast<std::size_t>(i)]);

    TCipher_1DES d;
    d.Mode = cmECB;
    d.Init(kKey, 8, nullptr);
    Bytes back(13);
    d.DecryptBuffer(out.data(), back.data(), 13);
    EXPECT_TRUE(SameBytes(back, x));
}

TEST(CipherModes, AnUnknownModeIsRefusedAndTouchesNothing) {
    TCipher_1DES c;
    c.Init(kKey, 8, nullptr);
    c.Mode = static_cast<TCipherMode>(7);
    Bytes data(16, 0x11);
    try {
        c.EncryptBuffer(data.data(), data.data(), 16);
        FAIL() << "mode 7 was accepted";
    } catch (const ECipherException& e) {
        EXPECT_EQ(e.ErrorCode, ECipherException::InvalidMode);
        EXPECT_EQ(std::string(e.what()), "Invalid cipher mode 7");
    }
    EXPECT_EQ(data, Bytes(16, 0x11));
}

// ---- Key setup ----

TEST(CipherKeying, InitKeyHashesTheTextAndKeepsTheEncryptedDigestAsKeyCheck) {
    TCipher_2DES c; // 16-byte keys: the first 16 of 20 digest bytes
    c.SetKeyHashClass(&Fake20::ClassInfo);
    c.InitKey("secret", nullptr);
    EXPECT_TRUE(c.Initialized());
    EXPECT_TRUE(c.Flags() & 1u);

    Fake20 h;
    h.Start();
    h.Update("secret", 6);
    h.Finish();
    TCipher_2DES ref;
    ref.Init(h.DigestBytes(), 16, nullptr);
    EXPECT_EQ(ToHex(c.Vector(), 8), ToHex(ref.Vector(), 8));
    EXPECT_EQ(ToHex(c.Feedback(), 8), ToHex(c.Vector(), 8)) << "InitKey ends rewound";
    Bytes check(h.DigestBytes(), h.DigestBytes() + 20);
    ref.EncryptBuffer(check.data(), check.data(), 20);
    EXPECT_EQ(ToHex(c.KeyCheck()), ToHex(check));
    EXPECT_EQ(ToHex(c.KeyHash().DigestBytes(), 20), ToHex(check)) << "the plain digest must be gone";

    // The check survives a change of key hash class, which releases the hash object.
    c.SetKeyHashClass(&Fake4::ClassInfo);
    EXPECT_EQ(ToHex(c.KeyCheck()), ToHex(check));
    c.Wipe();
    EXPECT_TRUE(c.KeyCheck().empty());
    EXPECT_FALSE(c.Flags() & 1u);
}

TEST(CipherKeying, AFourByteDigestKeysWithFourBytesAndAnEmptyTextIsAKey) {
    TCipher_3DES c;
    c.SetKeyHashClass(&Fake4::ClassInfo);
    c.InitKey("", nullptr);
    Fake4 h;
    h.Start();
    h.Finish();
    TCipher_3DES ref;
    ref.Init(h.DigestBytes(), 4, nullptr);
    EXPECT_EQ(ToHex(c.Vector(), 8), ToHex(ref.Vector(), 8));
    EXPECT_EQ(c.KeyCheck().size(), 4u);
}

TEST(CipherKeying, StrictKeySizeRefusesLongKeysWithCode2) {
    TCipher_1DES c;
    const std::uint8_t key[9] = {};
    StrictKeySize = true;
    try {
        c.Init(key, 9, nullptr);
        StrictKeySize = false;
        FAIL() << "a 9-byte key was accepted";
    } catch (const ECipherException& e) {
        StrictKeySize = false;
        EXPECT_EQ(e.ErrorCode, 2);
        EXPECT_EQ(std::string(e.what()),
                  "Length from Encryptionkey is invalid.\r\nKeysize for TCipher_1DES must be to 0-8 bytes");
    }
    EXPECT_FALSE(c.Initialized());
}

TEST(CipherKeying, NoKeyHashClassMeansTheDefault) {
    TCipher_1DES c;
    c.SetKeyHashClass(&Fake4::ClassInfo);
    c.SetKeyHashClass(nullptr);
    EXPECT_EQ(c.KeyHashClass(), DefaultKeyHashClass());
}

// ---- Streams ----

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

// ---- Files ----

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

// ---- Every class, every mode ----

class EveryClass : public ::testing::TestWithParam<TCipherClass> {};

std::string ClassParamName(const ::testing::TestParamInfo<TCipherClass>& info) {
    return info.param->ClassName;
}

const TCipherMode kModes[] = {cmCTS, cmCBC, cmCFB, cmOFB, cmECB};

std::unique_ptr<TCipher> KeyedClass(TCipherClass cls, TCipherMode mode, const Bytes& key) {
    auto c = cls->Create();
    c->Mode = mode;
    c->Init(key.data(), static_cast<std::int32_t>(key.size()), nullptr);
    return c;
}

TEST_P(EveryClass, EveryModeRoundTripsAnyLengthInOneCallOrInPieces) {
    const TCipherClass cls = GetParam();
    const auto B = static_cast<std::size_t>(cls->BlockSize);
    std::mt19937 rng(static_cast<unsigned>(B) * 131 + static_cast<unsigned>(cls->MaxKeySize));
    const Bytes key = RandomBytes(rng, static_cast<std::size_t>(cls->MaxKeySize));
    for (TCipherMode mode : kModes) {
        SCOPED_TRACE("mode " + std::to_string(mode));
        for (int round = 0; round < 6; ++round) {
            const std::size_t n = round == 0 ? 0 : round == 1 ? 12288 : rng() % 12289;
            SCOPED_TRACE("length " + std::to_string(n));
            const Bytes plain = RandomBytes(rng, n);
            auto enc = KeyedClass(cls, mode, key);
            Bytes coded(n);
            enc->EncryptBuffer(plain.data(), coded.data(), static_cast<std::int64_t>(n));
            if (n >= 2 * B) {
                EXPECT_NE(coded, plain);
            }

            auto dec = KeyedClass(cls, mode, key);
            Bytes back(n);
            dec->DecryptBuffer(coded.data(), back.data(), static_cast<std::int64_t>(n));
            ASSERT_TRUE(SameBytes(back, plain));

            // Pieces: any split in the byte-wise modes, whole blocks but for the last piece in the others.
            const bool anySplit = mode == cmCFB || mode == cmOFB;
            auto piecewise = KeyedClass(cls, mode, key);
            Bytes pieces(n);
            std::size_t off = 0;
            while (off < n) {
                std::size_t len = rng() % 3000 + 1;
                if (!anySplit) len = (len / B + 1) * B;
                len = std::min(len, n - off);
                piecewise->EncryptBuffer(plain.data() + off, pieces.data() + off,
                                         static_cast<std::int64_t>(len));
                off += len;
            }
            ASSERT_TRUE(SameBytes(pieces, coded));
            EXPECT_EQ(ToHex(piecewise->Feedback(), cls->BlockSize), ToHex(enc->Feedback(), cls->BlockSize));

            // In place, unaligned.
            Bytes shifted(n + 1);
            std::copy(coded.begin(), coded.end(), shifted.begin() + 1);
            auto inPlace = KeyedClass(cls, mode, key);
            inPlace->DecryptBuffer(shifted.data() + 1, shifted.data() + 1, static_cast<std::int64_t>(n));
            ASSERT_TRUE(SameBytes(Bytes(shifted.begin() + 1, shifted.end()), plain));
        }
    }
}

// The mode table spelled out over the block calls of a second, identically keyed object, in the order the
// framework makes them (which matters for the stream-like classes).
// Returns the output and the final Feedback.
std::pair<Bytes, Bytes> ModeByDefinition(TCipher& r, TCipherMode mode, bool encrypt, const Bytes& in) {
    const auto B = static_cast<std::size_t>(r.BlockSize());
    Bytes f(r.Vector(), r.Vector() + B), out = in, s(B);
    auto xorInto = [](std::uint8_t* d, const std::uint8_t* a, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) d[i] ^= a[i];
    };
    if (mode == cmCFB || mode == cmOFB) {
        for (std::size_t i = 0; i < in.size(); ++i) {
            s = f;
            r.EncryptBlock(s.data());
            out[i] = in[i] ^ s[0];
            f.erase(f.begin());
            f.push_back(mode == cmOFB ? s[0] : encrypt ? out[i] : in[i]);
        }
        return {out, f};
    }
    std::size_t off = 0;
    for (; off + B <= in.size(); off += B) {
        std::uint8_t* p = out.data() + off;
        if (mode == cmECB) {
            encrypt ? r.EncryptBlock(p) : r.DecryptBlock(p);
        } else if (encrypt) {
            xorInto(p, f.data(), B);
            r.EncryptBlock(p);
            if (mode == cmCTS)
                xorInto(f.data(), p, B);
            else
                f.assign(p, p + B);
        } else {
            Bytes t(p, p + B);
            if (mode == cmCTS) xorInto(t.data(), f.data(), B);
            r.DecryptBlock(p);
            xorInto(p, f.data(), B);
            f = t;
        }
    }
    if (off < in.size()) {
        s = f;
        r.EncryptBlock(s.data());
        xorInto(out.data() + off, s.data(), in.size() - off);
        if (mode == cmCTS) xorInto(f.data(), s.data(), B);
    }
    return {out, f};
}

TEST_P(EveryClass, EveryModeCodesAsTheModeTableSays) {
    const TCipherClass cls = GetParam();
    const auto B = static_cast<std::size_t>(cls->BlockSize);
    std::mt19937 rng(91);
    const Bytes key = RandomBytes(rng, static_cast<std::size_t>(cls->MaxKeySize));
    for (TCipherMode mode : kModes) {
        for (bool encrypt : {true, false}) {
            SCOPED_TRACE("mode " + std::to_string(mode) + (encrypt ? " encrypt" : " decrypt"));
            const Bytes in = RandomBytes(rng, 5 * B + B / 2 + 1);
            auto c = KeyedClass(cls, mode, key);
            auto ref = KeyedClass(cls, mode, key);
            Bytes out(in.size());
            if (encrypt)
                c->EncryptBuffer(in.data(), out.data(), static_cast<std::int64_t>(in.size()));
            else
                c->DecryptBuffer(in.data(), out.data(), static_cast<std::int64_t>(in.size()));
            const auto [expected, feedback] = ModeByDefinition(*ref, mode, encrypt, in);
            EXPECT_TRUE(SameBytes(out, expected));
            EXPECT_TRUE(SameBytes(Bytes(c->Feedback(), c->Feedback() + B), feedback));
        }
    }
}

TEST_P(EveryClass, RewindStartsTheSameMessageOver) {
    const TCipherClass cls = GetParam();
    std::mt19937 rng(77);
    const Bytes key = RandomBytes(rng, 11), plain = RandomBytes(rng, 1000);
    for (TCipherMode mode : kModes) {
        auto c = KeyedClass(cls, mode, key);
        Bytes first(plain.size()), second(plain.size());
        c->EncryptBuffer(plain.data(), first.data(), 1000);
        c->Rewind();
        c->EncryptBuffer(plain.data(), second.data(), 1000);
        EXPECT_TRUE(SameBytes(first, second)) << "mode " << mode;
    }
}

TEST_P(EveryClass, StreamsRoundTripWithAndWithoutKeyCheck) {
    const TCipherClass cls = GetParam();
    std::mt19937 rng(78);
    for (bool check : {false, true}) {
        const Bytes plain = RandomBytes(rng, 4096 * 2 + 77);
        auto enc = cls->Create();
        enc->SetKeyHashClass(&Fake20::ClassInfo);
        enc->InitKey("text key", nullptr);
        enc->ChangeFlag(TCipher::FlagHashKey, check);
        auto dec = cls->Create();
        dec->SetKeyHashClass(&Fake20::ClassInfo);
        dec->InitKey("text key", nullptr);
        dec->ChangeFlag(TCipher::FlagHashKey, check);
        const Bytes coded = Coded(*enc, plain, true);
        EXPECT_EQ(coded.size(), plain.size() + (check ? 20u : 0u));
        EXPECT_TRUE(SameBytes(Coded(*dec, coded, false), plain));
    }
}

INSTANTIATE_TEST_SUITE_P(All, EveryClass, ::testing::ValuesIn(AllCipherClasses()), ClassParamName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(EveryClass);

} // namespace

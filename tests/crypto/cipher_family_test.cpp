// The walk over every cipher class of the registration table: its known answers through the library's
// runner, and the properties every class must have whatever its algorithm (key lengths, key padding,
// re-keying, alignment, the derived vector, every chaining mode with every tail, rewinding, streams).

#include "common/CipherCheck.h"
#include "common/FakeDigest.h"
#include "common/ModeModel.h"
#include "common/RandomBytes.h"
#include "crypto/cipher/CipherClasses.h"
#include "platform/Stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

using namespace torvane;
using namespace torvane::crypto;
using namespace torvane::test;
using Bytes = std::vector<std::uint8_t>;

namespace {

const TCipherMode kModes[] = {cmCTS, cmCBC, cmCFB, cmOFB, cmECB};

std::unique_ptr<TCipher> Keyed(TCipherClass cls, const Bytes& key, TCipherMode mode = cmCTS,
                               const std::uint8_t* vector = nullptr) {
    auto c = cls->Create();
    c->Mode = mode;
    c->Init(key.data(), static_cast<std::int32_t>(key.size()), vector);
    return c;
}

Bytes EncryptBlocks(TCipher& c, Bytes data) {
    for (std::size_t off = 0; off < data.size(); off += static_cast<std::size_t>(c.BlockSize()))
        c.EncryptBlock(data.data() + off);
    return data;
}

class EveryCipher : public ::testing::TestWithParam<TCipherClass> {
protected:
    TCipherClass cls = GetParam();
    std::size_t B = static_cast<std::size_t>(GetParam()->BlockSize);
};

TEST_P(EveryCipher, MatchesItsKnownAnswers) {
    const auto report = DiskKnownAnswers().Check(cls);
    EXPECT_GT(report.Records, 0) << cls->ClassName << " has no known answers";
    for (const auto& f : report.Failures) ADD_FAILURE() << f;
}

// Every key length from none to the maximum: decryption inverts encryption, and a key set on an object
// that an earlier, other key used gives what it gives a fresh object (a schedule that keeps anything of
// the old key, or the old round count, fails here; checked for the short lengths and the longest, as some
// classes take long to key).
TEST_P(EveryCipher, EveryKeyLengthRoundTripsAndReplacesTheOldKey) {
    std::mt19937 rng(12345);
    auto reused = cls->Create();
    const Bytes plain = RandomBytes(rng, B * 3);
    for (int len = 0; len <= cls->MaxKeySize; ++len) {
        SCOPED_TRACE("key length " + std::to_string(len));
        const Bytes key = RandomBytes(rng, static_cast<std::size_t>(len));
        reused->Init(key.data(), len, nullptr);
        const Bytes coded = EncryptBlocks(*reused, plain);
        ASSERT_NE(ToHex(coded), ToHex(plain));
        if (len <= 40 || len == cls->MaxKeySize) {
            ASSERT_EQ(ToHex(coded), ToHex(EncryptBlocks(*Keyed(cls, key), plain)));
        }
        reused->Rewind();
        Bytes back = coded;
        for (std::size_t off = 0; off < back.size(); off += B) reused->DecryptBlock(back.data() + off);
        ASSERT_EQ(ToHex(back), ToHex(plain));
    }
}

// Johnson's Sapphire II key setup draws 255 card positions, each from one or more key bytes; key bytes
// beyond those the draws reach are never read. Every other class reads its whole key.
const std::map<std::string, int> kKeyBytesRead = {{"TCipher_Sapphire", 255}};

// Every byte of a key takes part: a schedule that reads too few key bytes (a length rounded down to
// whole words, a cut below the maximum) leaves the cipher unchanged when such a byte changes. For every
// length the first and the last byte are changed, and for the longest key every byte. A middle bit is
// flipped: DES ignores the lowest, and RC2's expansion of a one-byte key the highest. Several blocks are
// coded, as the stream-like classes mix their last key bytes into few early ones.
TEST_P(EveryCipher, EveryKeyByteTakesPart) {
    std::mt19937 rng(4242);
    const Bytes plain = RandomBytes(rng, (512 + B - 1) / B * B);
    const auto read = kKeyBytesRead.find(cls->ClassName);
    const int readable = read == kKeyBytesRead.end() ? cls->MaxKeySize : read->second;
    for (int len = 1; len <= cls->MaxKeySize; ++len) {
        if (len > 40 && len < cls->MaxKeySize) continue;
        const Bytes key = RandomBytes(rng, static_cast<std::size_t>(len));
        const auto base = ToHex(EncryptBlocks(*Keyed(cls, key), plain));
        for (int i = 0; i < std::min(len, readable); ++i) {
            if (len < cls->MaxKeySize && i != 0 && i != len - 1) continue;
            Bytes other = key;
            other[static_cast<std::size_t>(i)] ^= 0x10;
            ASSERT_NE(ToHex(EncryptBlocks(*Keyed(cls, other), plain)), base)
                << "byte " << i << " of a " << len << "-byte key";
        }
    }
}

TEST_P(EveryCipher, ALongerKeyIsCutToMaxKeySize) {
    std::mt19937 rng(7);
    const Bytes key = RandomBytes(rng, static_cast<std::size_t>(cls->MaxKeySize) + 9);
    const Bytes block = RandomBytes(rng, B);
    const Bytes cut(key.begin(), key.begin() + cls->MaxKeySize);
    EXPECT_EQ(ToHex(EncryptBlocks(*Keyed(cls, key), block)), ToHex(EncryptBlocks(*Keyed(cls, cut), block)));
}

// The classes whose algorithms take fewer key bytes than they need pad them with zero bytes: a key codes
// as itself padded to the next length of the list (published keys are given unpadded in the data).
const std::map<std::string, std::vector<int>> kZeroPadding = {
    {"TCipher_Cast128", {10, 16}}, // 12 rounds up to 80 bits (RFC 2144, 2.5), so padding stops at 10
    {"TCipher_Cast256", {32}},
    {"TCipher_FROG", {5}},
    {"TCipher_Gost", {32}},
    {"TCipher_IDEA", {16}},
    {"TCipher_Mars", {16, 20, 24, 28, 32, 36, 40}},
    {"TCipher_Misty", {16}},
    {"TCipher_NewDES", {15}},
    {"TCipher_Q128", {16}},
    {"TCipher_Rijndael", {16, 24, 32}},
    {"TCipher_SAFER_K40", {5}},
    {"TCipher_SAFER_SK40", {5}},
    {"TCipher_SAFER_K64", {8}},
    {"TCipher_SAFER_SK64", {8}},
    {"TCipher_SAFER_K128", {16}},
    {"TCipher_SAFER_SK128", {16}},
    {"TCipher_SAFER", {16}},
    {"TCipher_Skipjack", {10}},
    {"TCipher_Square", {16}},
    {"TCipher_TEA", {16}},
    {"TCipher_TEAN", {16}},
    {"TCipher_Twofish", {16, 24, 32}},
};

TEST_P(EveryCipher, ShortKeysArePaddedWithZeroBytesWhereTheAlgorithmSaysSo) {
    const auto rule = kZeroPadding.find(cls->ClassName);
    if (rule == kZeroPadding.end()) GTEST_SKIP() << "no zero padding: the key is used as given";
    std::mt19937 rng(99);
    const Bytes block = RandomBytes(rng, B);
    for (int len = 0; len <= rule->second.back(); ++len) {
        Bytes key = RandomBytes(rng, static_cast<std::size_t>(len));
        for (auto& b : key) b |= 1; // no zero byte, so that padding cannot hide in the key
        Bytes padded = key;
        padded.resize(
            static_cast<std::size_t>(*std::lower_bound(rule->second.begin(), rule->second.end(), len)));
        EXPECT_EQ(ToHex(EncryptBlocks(*Keyed(cls, key), block)),
                  ToHex(EncryptBlocks(*Keyed(cls, padded), block)))
            << len << " key bytes";
    }
}

TEST_P(EveryCipher, MisalignedBlocksCodeAlike) {
    std::mt19937 rng(99);
    const Bytes key = RandomBytes(rng, static_cast<std::size_t>(std::min(cls->MaxKeySize, 16)));
    const Bytes block = RandomBytes(rng, B);
    Bytes odd(B + 3);
    std::copy(block.begin(), block.end(), odd.begin() + 3);
    Keyed(cls, key)->EncryptBlock(odd.data() + 3);
    EXPECT_EQ(ToHex(EncryptBlocks(*Keyed(cls, key), block)), ToHex(odd.data() + 3, B));
}

TEST_P(EveryCipher, WipeForgetsTheKey) {
    auto c = cls->Create();
    Bytes buf(B);
    try {
        c->EncryptBuffer(buf.data(), buf.data(), cls->BlockSize);
        FAIL() << "a new object must refuse to code";
    } catch (const ECipherException& e) {
        EXPECT_EQ(e.ErrorCode, 3);
        EXPECT_EQ(std::string(e.what()),
                  std::string(cls->ClassName) + " is not initialized call Init() or InitKey() before.");
    }
    const std::uint8_t key[4] = {1, 2, 3, 4};
    c->Init(key, 4, nullptr);
    EXPECT_TRUE(c->Initialized());
    c->Wipe();
    EXPECT_FALSE(c->Initialized());
    EXPECT_EQ(ToHex(c->Vector(), B), ToHex(Bytes(B, 0xFF)));
    EXPECT_EQ(ToHex(c->Feedback(), B), ToHex(Bytes(B, 0xFF)));
    EXPECT_THROW(c->DecryptBuffer(buf.data(), buf.data(), cls->BlockSize), ECipherException);
}

TEST_P(EveryCipher, VectorIsTheEncryptedAllOnesBlockWhenNoneIsGiven) {
    const Bytes key = {9, 8, 7, 6, 5};
    const Bytes given = RandomBytes(B + 8, 5);
    // The reference is keyed with a vector of its own, so its first block call is the first of the key.
    auto derived = Keyed(cls, key), reference = Keyed(cls, key, cmCTS, given.data());
    EXPECT_EQ(ToHex(derived->Vector(), B), ToHex(EncryptBlocks(*reference, Bytes(B, 0xFF))));
    EXPECT_EQ(ToHex(derived->Feedback(), B), ToHex(derived->Vector(), B));
    // A given vector: its first BlockSize bytes, and nothing more.
    auto c = Keyed(cls, key, cmCTS, given.data());
    EXPECT_EQ(ToHex(c->Vector(), B), ToHex(given.data(), B));
    EXPECT_EQ(ToHex(c->Feedback(), B), ToHex(given.data(), B));
}

// Every mode against the second model, in both directions, for whole blocks followed by every tail
// length from 0 to B - 1 (a tail byte left uncoded, or a tail that forgets to move the register in CTS,
// shows here), from the derived and from a given vector.
TEST_P(EveryCipher, EveryModeCodesEveryTailAsTheModeTableSays) {
    std::mt19937 rng(91);
    const Bytes key = RandomBytes(rng, static_cast<std::size_t>(cls->MaxKeySize));
    const Bytes vector = RandomBytes(rng, B);
    for (const std::uint8_t* iv : {static_cast<const std::uint8_t*>(nullptr), vector.data()}) {
        auto c = Keyed(cls, key, cmCTS, iv);
        auto ref = Keyed(cls, key, cmCTS, iv);
        for (TCipherMode mode : kModes) {
            c->Mode = mode;
            for (bool encrypt : {true, false}) {
                for (std::size_t tail = 0; tail < B; ++tail) {
                    SCOPED_TRACE(std::string(ModeName(mode)) + (encrypt ? " encrypt" : " decrypt") +
                                 ", tail " + std::to_string(tail) + (iv ? ", given vector" : ""));
                    const Bytes in = RandomBytes(rng, 2 * B + tail);
                    c->Rewind();
                    ref->Rewind();
                    Bytes out(in.size());
                    if (encrypt)
                        c->EncryptBuffer(in.data(), out.data(), static_cast<std::int64_t>(in.size()));
                    else
                        c->DecryptBuffer(in.data(), out.data(), static_cast<std::int64_t>(in.size()));
                    const auto [expected, feedback] = ModeByDefinition(*ref, mode, encrypt, in);
                    ASSERT_TRUE(SameBytes(out, expected));
                    ASSERT_TRUE(SameBytes(Bytes(c->Feedback(), c->Feedback() + B), feedback));
                }
            }
        }
    }
}

TEST_P(EveryCipher, EveryModeRoundTripsAnyLengthInOneCallOrInPieces) {
    std::mt19937 rng(static_cast<unsigned>(B) * 131 + static_cast<unsigned>(cls->MaxKeySize));
    const Bytes key = RandomBytes(rng, static_cast<std::size_t>(cls->MaxKeySize));
    for (TCipherMode mode : kModes) {
        SCOPED_TRACE(ModeName(mode));
        for (int round = 0; round < 6; ++round) {
            const std::size_t n = round == 0 ? 0 : round == 1 ? 12288 : rng() % 12289;
            SCOPED_TRACE("length " + std::to_string(n));
            const Bytes plain = RandomBytes(rng, n);
            auto enc = Keyed(cls, key, mode);
            Bytes coded(n);
            enc->EncryptBuffer(plain.data(), coded.data(), static_cast<std::int64_t>(n));
            if (n >= 2 * B) {
                EXPECT_NE(coded, plain);
            }

            auto dec = Keyed(cls, key, mode);
            Bytes back(n);
            dec->DecryptBuffer(coded.data(), back.data(), static_cast<std::int64_t>(n));
            ASSERT_TRUE(SameBytes(back, plain));

            // Pieces: any split in the byte-wise modes, whole blocks but for the last piece in the others.
            const bool anySplit = mode == cmCFB || mode == cmOFB;
            auto piecewise = Keyed(cls, key, mode);
            Bytes pieces(n);
            for (std::size_t off = 0; off < n;) {
                std::size_t len = rng() % 3000 + 1;
                if (!anySplit) len = (len / B + 1) * B;
                len = std::min(len, n - off);
                piecewise->EncryptBuffer(plain.data() + off, pieces.data() + off,
                                         static_cast<std::int64_t>(len));
                off += len;
            }
            ASSERT_TRUE(SameBytes(pieces, coded));
            EXPECT_EQ(ToHex(piecewise->Feedback(), B), ToHex(enc->Feedback(), B));

            // In place, unaligned.
            Bytes shifted(n + 1);
            std::copy(coded.begin(), coded.end(), shifted.begin() + 1);
            Keyed(cls, key, mode)
                ->DecryptBuffer(shifted.data() + 1, shifted.data() + 1, static_cast<std::int64_t>(n));
            ASSERT_TRUE(SameBytes(Bytes(shifted.begin() + 1, shifted.end()), plain));
        }
    }
}

// Coding goes on where the last call ended (the chaining register, and the running state of the
// stream-like classes); Rewind starts the same message over, however much was coded.
TEST_P(EveryCipher, RewindStartsTheSameMessageOver) {
    std::mt19937 rng(77);
    const Bytes key = RandomBytes(rng, 11), plain = RandomBytes(rng, 1000);
    for (TCipherMode mode : kModes) {
        auto c = Keyed(cls, key, mode);
        Bytes first(plain.size()), later(plain.size()), again(plain.size());
        c->EncryptBuffer(plain.data(), first.data(), 1000);
        c->EncryptBuffer(plain.data(), later.data(), 1000);
        if (mode != cmECB) {
            EXPECT_NE(ToHex(first), ToHex(later))
                << ModeName(mode) << ": the second message repeats the first";
        }
        c->Rewind();
        c->EncryptBuffer(plain.data(), again.data(), 1000);
        EXPECT_TRUE(SameBytes(first, again)) << ModeName(mode);
    }
}

Bytes Coded(TCipher& c, const Bytes& in, bool encrypt) {
    TMemoryStream src(in), dst;
    c.ProcessStream(&src, &dst, -1, encrypt);
    return dst.Data();
}

TEST_P(EveryCipher, StreamsRoundTripWithAndWithoutKeyCheck) {
    std::mt19937 rng(78);
    for (bool check : {false, true}) {
        const Bytes plain = RandomBytes(rng, 4096 * 2 + 77);
        std::unique_ptr<TCipher> sides[2];
        for (auto& c : sides) {
            c = cls->Create();
            c->SetKeyHashClass(&Fake20::ClassInfo);
            c->InitKey("text key", nullptr);
            c->ChangeFlag(TCipher::FlagHashKey, check);
        }
        const Bytes coded = Coded(*sides[0], plain, true);
        EXPECT_EQ(coded.size(), plain.size() + (check ? 20u : 0u));
        EXPECT_TRUE(SameBytes(Coded(*sides[1], coded, false), plain));
    }
}

INSTANTIATE_TEST_SUITE_P(Registered, EveryCipher, ::testing::ValuesIn(AllCipherClasses()),
                         [](const auto& info) { return std::string(info.param->ClassName); });

TEST(CipherFamily, EveryPaddingRuleNamesARegisteredClass) {
    for (const auto& [name, lengths] : kZeroPadding) {
        ASSERT_NE(FindCipherClass(name), nullptr) << name;
        EXPECT_LE(lengths.back(), FindCipherClass(name)->MaxKeySize) << name;
    }
}

} // namespace

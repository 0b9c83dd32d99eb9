// TCipher_SCOP against a second, deliberately plain model of SCOP written here from the designers'
// definition (Maltchev and Antonov, "The SCOP Stream Cipher", 1997): the generator state as eight
// 16-bit halves, polynomials by explicit powers, bytes and indices in their own narrow types. No test
// data of the designers were available, so this model, a hand-derived stream and the class's own rules
// (running state, Rewind, key length) are what the class is held to.

#include "common/CryptoData.h"
#include "common/RandomBytes.h"
#include "crypto/cipher/SCOP.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <random>
#include <set>

using namespace torvane::crypto;
using namespace torvane::test;

namespace {

class PlainScop {
public:
    explicit PlainScop(const std::vector<std::uint8_t>& key) {
        const std::size_t n = std::min<std::size_t>(key.size(), 48);
        std::array<std::uint8_t, 49> p{}; // one byte beyond the 48, read as zero by the empty key
        for (std::size_t i = 0; i < n; ++i) p[i] = key[i];
        if (n > 0)
            for (std::size_t i = n; i < 48; ++i) p[i] = static_cast<std::uint8_t>(p[i - n] + p[i - n + 1]);
        std::uint8_t next = 1;
        for (std::size_t i = 0; i < 32; ++i)
            if (p[i] == 0) p[i] = next++;
        for (int m = 0; m < 8; ++m)
            for (int c = 0; c < 4; ++c) coef_[m][c] = p[4 * m + c];
        for (int k = 0; k < 4; ++k) {
            const std::uint32_t x = p[32 + 4 * k] | p[33 + 4 * k] << 8 | p[34 + 4 * k] << 16 |
                                    static_cast<std::uint32_t>(p[35 + 4 * k]) << 24;
            half_[2 * k] = static_cast<std::uint16_t>(x >> 16);
            half_[2 * k + 1] = static_cast<std::uint16_t>(x);
        }

        std::array<std::uint32_t, 4> out;
        for (int r = 0; r < 8; ++r) out = Gp8();
        std::size_t w = 0;
        for (int row = 0; row < 12; ++row) {
            for (int r = 0; r < 8; ++r) {
                out = Gp8();
                for (auto word : out) v_[w++] = word;
            }
            Gp8();
        }
        out = Gp8();
        i_ = static_cast<std::uint8_t>(out[3] >> 24);
        j_ = static_cast<std::uint8_t>(out[3] >> 16);
        t3_ = static_cast<std::uint8_t>(out[3] >> 8);
        v_[out[3] % 128] |= 1;
    }

    std::uint32_t Next() {
        const std::uint32_t t1 = v_[128 + j_];
        j_ = static_cast<std::uint8_t>(j_ + t3_);
        const std::uint32_t t = v_[i_];
        const std::uint32_t t2 = v_[128 + j_];
        ++i_;
        t3_ = t2 + t;
        v_[128 + j_] = t3_;
        j_ = static_cast<std::uint8_t>(j_ + t2);
        return t1 + t2;
    }

    // Adds (or subtracts) the next key-stream words to the little-endian words of data.
    void Code(std::uint8_t* data, std::size_t bytes, bool encrypt) {
        for (std::size_t at = 0; at < bytes; at += 4) {
            std::uint32_t word = 0;
            for (int b = 3; b >= 0; --b) word = word << 8 | data[at + static_cast<std::size_t>(b)];
            const std::uint32_t k = Next();
            word = encrypt ? word + k : word - k;
            for (int b = 0; b < 4; ++b)
                data[at + static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(word >> (8 * b));
        }
    }

private:
    std::array<std::uint32_t, 4> Gp8() {
        std::array<std::uint32_t, 8> y;
        for (int m = 0; m < 8; ++m) {
            const std::uint64_t x = half_[m];
            const std::uint64_t sum = coef_[m][0] * (x * x * x * x) + coef_[m][1] * (x * x * x) +
                                      coef_[m][2] * (x * x) + coef_[m][3] * x + 1;
            y[m] = static_cast<std::uint32_t>(sum); // mod 2^32
        }
        std::array<std::uint32_t, 4> out;
        for (int k = 0; k < 4; ++k) out[k] = (y[2 * k] & 0xFFFF) << 16 | (y[2 * k + 1] & 0xFFFF);
        // The high halves, as one 128-bit string, turned right by one half.
        for (int m = 0; m < 8; ++m) half_[(m + 1) % 8] = static_cast<std::uint16_t>(y[m] >> 16);
        return out;
    }

    std::uint8_t coef_[8][4];
    std::uint16_t half_[8];
    std::array<std::uint32_t, 384> v_{};
    std::uint8_t i_, j_;
    std::uint32_t t3_;
};

std::vector<std::uint8_t> KeyStream(TCipher& c, int blocks) {
    std::vector<std::uint8_t> out(static_cast<std::size_t>(128 * blocks), 0);
    for (int i = 0; i < blocks; ++i) c.EncryptBlock(out.data() + 128 * i);
    return out;
}

void Init(TCipher& c, const std::vector<std::uint8_t>& key) {
    c.Init(key.data(), static_cast<std::int32_t>(key.size()), nullptr);
}

TEST(SCOP, AgreesWithAPlainModelOverManyKeys) {
    std::mt19937 rng(20260);
    TCipher_SCOP c;
    for (int round = 0; round < 400; ++round) {
        const std::size_t len = round < 50 ? static_cast<std::size_t>(round) : rng() % 60;
        const auto key = RandomBytes(rng, len);
        SCOPED_TRACE("key " + ToHex(key));
        Init(c, key);

        // The vector is the all-0xFF block coded with the first key-stream words.
        PlainScop vectorModel(key);
        std::vector<std::uint8_t> ones(128, 0xFF);
        vectorModel.Code(ones.data(), 128, true);
        ASSERT_EQ(ToHex(c.Vector(), 128), ToHex(ones));

        // Init leaves the object rewound: the data starts again with the first key-stream words.
        PlainScop model(key);
        const auto plain = RandomBytes(rng, 128 * 3);
        auto ours = plain, theirs = plain;
        for (int b = 0; b < 3; ++b) c.EncryptBlock(ours.data() + 128 * b);
        model.Code(theirs.data(), theirs.size(), true);
        ASSERT_EQ(ToHex(ours), ToHex(theirs));

        c.Rewind();
        for (int b = 0; b < 3; ++b) c.DecryptBlock(ours.data() + 128 * b);
        ASSERT_EQ(ToHex(ours), ToHex(plain));
    }
}

TEST(SCOP, KnownAnswersAgreeWithThePlainModel) {
    int count = 0;
    for (const auto& a : DiskKnownAnswers().BlockAnswers()) {
        if (a.Class != &TCipher_SCOP::ClassInfo) continue;
        SCOPED_TRACE(a.Where);
        ++count;
        PlainScop model(a.Key);
        auto data = a.In;
        model.Code(data.data(), data.size(), true);
        EXPECT_EQ(ToHex(data), ToHex(a.Out));
    }
    EXPECT_GE(count, 4);
}

// The generator's words x are all zero when the key is zero, and zero is a fixed point of GP8: every
// polynomial yields 1 there. So the table is 0x00010001 throughout, and by hand: i = 0, j = 1, t3 = 0;
// step n reads t1 at 3n - 4 and writes t3 = 0x00020002 at 3n - 2 (mod 256), reading t2 there first.
// Until step 87, whose t1 is the word step 1 wrote, no read meets a written word: 86 words 0x00020002,
// then 0x00030003. SCOP's weak key, kept as defined.
TEST(SCOP, ZeroKeyGivesTheHandDerivedStream) {
    for (std::size_t len : {1u, 4u, 20u, 48u}) {
        TCipher_SCOP c;
        Init(c, std::vector<std::uint8_t>(len, 0));
        const auto s = KeyStream(c, 3);
        for (std::size_t w = 0; w < 86; ++w)
            ASSERT_EQ(ToHex(s.data() + 4 * w, 4), "02000200") << len << ", word " << w;
        EXPECT_EQ(ToHex(s.data() + 4 * 86, 4), "03000300") << len;
    }
}

TEST(SCOP, DifferentKeysGiveDifferentStreams) {
    std::mt19937 rng(5);
    const auto key = RandomBytes(rng, 16);
    TCipher_SCOP base;
    Init(base, key);
    const auto s0 = KeyStream(base, 4);
    std::set<std::string> seen{ToHex(s0)};
    for (int bit = 0; bit < 8 * 16; ++bit) {
        auto k = key;
        k[static_cast<std::size_t>(bit / 8)] ^= static_cast<std::uint8_t>(1u << (bit % 8));
        TCipher_SCOP c;
        Init(c, k);
        const auto s = KeyStream(c, 4);
        int changed = 0;
        for (std::size_t i = 0; i < s.size(); ++i)
            changed += std::popcount(static_cast<unsigned>(s[i] ^ s0[i]));
        EXPECT_GT(changed, 4 * 1024 / 4) << "key bit " << bit;
        seen.insert(ToHex(s));
    }
    EXPECT_EQ(seen.size(), 129u);
    // A key and the same bytes with a zero appended are different keys: the extension rule depends on
    // the length.
    auto longer = key;
    longer.push_back(0);
    TCipher_SCOP c;
    Init(c, longer);
    EXPECT_NE(ToHex(KeyStream(c, 1)), ToHex(s0.data(), 128));
}

// A short key is extended by the designers' rule, not padded with zeros: zero padding would leave the
// generator words of every key up to 32 bytes zero, the weak key above.
TEST(SCOP, ShortKeysAreNotWeak) {
    for (std::size_t len = 1; len <= 32; ++len) {
        std::vector<std::uint8_t> key(len);
        for (std::size_t i = 0; i < len; ++i) key[i] = static_cast<std::uint8_t>(0xA5 + 7 * i);
        TCipher_SCOP c;
        Init(c, key);
        const auto s = KeyStream(c, 1);
        std::set<std::string> words;
        for (std::size_t w = 0; w < 32; ++w) words.insert(ToHex(s.data() + 4 * w, 4));
        EXPECT_GE(words.size(), 31u) << "key length " << len;
    }
}

} // namespace

#include "crypto/cipher/Blowfish.h"

#include "crypto/common/Bits.h"

#include <cstring>
#include <vector>

namespace torvane::crypto {

using namespace common;

struct TCipher_Blowfish::Schedule {
    std::uint32_t P[18];
    std::uint32_t S[4][256];
};

TORVANE_DEFINE_CIPHER_CLASS(TCipher_Blowfish, nullptr, 8, 56, sizeof(TCipher_Blowfish::Schedule));

namespace {

// Fixed-point numbers in base 2^32, most significant word first; word 0 holds the integer part.
using Words = std::vector<std::uint32_t>;

// a /= d, skipping the leading words that are already zero.
void Divide(Words& a, std::uint32_t d, std::size_t from) {
    std::uint64_t r = 0;
    for (std::size_t i = from; i < a.size(); ++i) {
        const std::uint64_t cur = (r << 32) | a[i];
        a[i] = static_cast<std::uint32_t>(cur / d);
        r = cur % d;
    }
}

void Add(Words& s, const Words& t, std::size_t from) {
    std::uint64_t carry = 0;
    for (std::size_t i = s.size(); i-- > 0;) {
        if (i < from && carry == 0) break;
        const std::uint64_t v = std::uint64_t(s[i]) + (i >= from ? t[i] : 0) + carry;
        s[i] = static_cast<std::uint32_t>(v);
        carry = v >> 32;
    }
}

void Subtract(Words& s, const Words& t, std::size_t from) {
    std::uint64_t borrow = 0;
    for (std::size_t i = s.size(); i-- > 0;) {
        if (i < from && borrow == 0) break;
        const std::uint64_t sub = (i >= from ? t[i] : 0) + borrow;
        borrow = std::uint64_t(s[i]) < sub ? 1 : 0;
        s[i] = static_cast<std::uint32_t>(std::uint64_t(s[i]) - sub);
    }
}

// factor * arctan(1/x) by its Taylor series, added into sum.
void AddArctan(Words& sum, std::uint32_t factor, std::uint32_t x, bool subtract) {
    Words term(sum.size(), 0), part(sum.size(), 0);
    term[0] = factor;
    Divide(term, x, 0);
    const std::uint32_t x2 = x * x;
    std::size_t first = 0;
    for (std::uint32_t k = 0;; ++k) {
        while (first < term.size() && term[first] == 0) ++first;
        if (first == term.size()) break;
        std::copy(term.begin() + static_cast<std::ptrdiff_t>(first), term.end(),
                  part.begin() + static_cast<std::ptrdiff_t>(first));
        Divide(part, 2 * k + 1, first);
        // Alternating series: + for even k; the sign flips again for a subtracted arctangent.
        if ((k % 2 == 0) != subtract)
            Add(sum, part, first);
        else
            Subtract(sum, part, first);
        Divide(term, x2, first);
    }
}

std::array<std::uint32_t, 18 + 4 * 256> ComputePiWords() {
    std::array<std::uint32_t, 18 + 4 * 256> out{};
    // Machin's formula, pi = 16 arctan(1/5) - 4 arctan(1/239), carried with four guard words; the truncation
    // error of the divisions stays far below them.
    Words pi(1 + out.size() + 4, 0);
    AddArctan(pi, 16, 5, false);
    AddArctan(pi, 4, 239, true);
    std::copy(pi.begin() + 1, pi.begin() + 1 + static_cast<std::ptrdiff_t>(out.size()), out.begin());
    return out;
}

// Blowfish's F over the four key-dependent S-boxes.
struct Round {
    const std::uint32_t (&S)[4][256];
    std::uint32_t operator()(std::uint32_t x) const {
        return ((S[0][x >> 24] + S[1][(x >> 16) & 0xFF]) ^ S[2][(x >> 8) & 0xFF]) + S[3][x & 0xFF];
    }
};

} // namespace

const std::array<std::uint32_t, 18 + 4 * 256>& TCipher_Blowfish::PiWords() {
    static const auto words = ComputePiWords();
    return words;
}

TCipher_Blowfish::Schedule& TCipher_Blowfish::K() {
    return *reinterpret_cast<Schedule*>(UserData());
}

void TCipher_Blowfish::Init(const void* key, std::int32_t size, const void* vector) {
    BeginKeying(size);
    const auto& pi = PiWords();
    Schedule& k = K();
    std::memcpy(k.P, pi.data(), sizeof k.P);
    std::memcpy(k.S, pi.data() + 18, sizeof k.S);

    if (size > 0) {
        const auto* kb = static_cast<const std::uint8_t*>(key);
        std::int32_t j = 0;
        for (auto& p : k.P) {
            std::uint32_t w = 0;
            for (int b = 0; b < 4; ++b) {
                w = (w << 8) | kb[j];
                if (++j == size) j = 0;
            }
            p ^= w;
        }
    }

    std::uint8_t block[8] = {};
    for (int i = 0; i < 18; i += 2) {
        EncryptBlock(block);
        k.P[i] = LoadBE32(block);
        k.P[i + 1] = LoadBE32(block + 4);
    }
    for (auto& box : k.S)
        for (int i = 0; i < 256; i += 2) {
            EncryptBlock(block);
            box[i] = LoadBE32(block);
            box[i + 1] = LoadBE32(block + 4);
        }
    std::memset(block, 0, sizeof block);
    EndKeying(vector);
}

void TCipher_Blowfish::EncryptBlock(void* block) {
    auto* b = static_cast<std::uint8_t*>(block);
    const Schedule& k = K();
    const std::uint32_t* P = k.P;
    const Round f{k.S};
    std::uint32_t l = LoadBE32(b) ^ P[0];
    std::uint32_t r = LoadBE32(b + 4);
    // The subkey is folded in before F so that only one XOR follows the table look-ups.
#pragma GCC unroll 8
    for (int i = 1; i < 17; i += 2) {
        r ^= P[i];
        r ^= f(l);
        l ^= P[i + 1];
        l ^= f(r);
    }
    StoreBE32x2(b, r ^ P[17], l);
}

void TCipher_Blowfish::DecryptBlock(void* block) {
    auto* b = static_cast<std::uint8_t*>(block);
    const Schedule& k = K();
    const std::uint32_t* P = k.P;
    const Round f{k.S};
    std::uint32_t l = LoadBE32(b) ^ P[17];
    std::uint32_t r = LoadBE32(b + 4);
#pragma GCC unroll 8
    for (int i = 16; i > 0; i -= 2) {
        r ^= P[i];
        r ^= f(l);
        l ^= P[i - 1];
        l ^= f(r);
    }
    StoreBE32x2(b, r ^ P[0], l);
}

} // namespace torvane::crypto

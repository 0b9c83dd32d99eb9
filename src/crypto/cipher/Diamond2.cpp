#include "crypto/cipher/Diamond2.h"

#include "crypto/common/Bits.h"
#include "crypto/common/Wipe.h"

#include <array>
#include <bit>
#include <cstring>

namespace torvane::crypto {

// UserData: the boxes, then their inverses.
TORVANE_DEFINE_CIPHER_CLASS(TCipher_Diamond2, nullptr, 16, 256, 2 * 10 * 16 * 256);
TORVANE_DEFINE_CIPHER_CLASS(TCipher_Diamond2Lite, &TCipher_Diamond2::ClassInfo, 8, 256, 2 * 8 * 8 * 256);

namespace {

// The reflected CRC-32 of the designer's key generator (polynomial 0x04C11DB7).
constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        t[i] = c;
    }
    return t;
}

constexpr auto kCrc = MakeCrcTable();

class KeyGenerator {
public:
    KeyGenerator(const std::uint8_t* key, int size) : key_(key), size_(size) {}
    ~KeyGenerator() { SecureZero(&accum_, sizeof accum_); }

    // A number in 0..max from the running CRC of the key bytes (each mapped through the previous box
    // once there is one). Values above max are drawn again; after 97 draws the excess is folded down,
    // which keeps the generator finite at a negligible bias (Johnson's rule).
    unsigned Next(unsigned max, const std::uint8_t* previousBox) {
        if (max == 0) return 0;
        unsigned mask = 0;
        for (unsigned v = max; v; v >>= 1) mask = mask << 1 | 1;
        unsigned value;
        int draws = 0;
        do {
            const std::uint8_t b = previousBox ? previousBox[key_[index_]] : key_[index_];
            Crc(b);
            if (++index_ >= size_) {
                index_ = 0;
                Crc(static_cast<std::uint8_t>(size_ & 0xFF));
                Crc(static_cast<std::uint8_t>((size_ >> 8) & 0xFF));
            }
            value = accum_ & mask;
            if (++draws > 97 && value > max) value -= max;
        } while (value > max);
        return value;
    }

private:
    void Crc(std::uint8_t b) { accum_ = kCrc[(accum_ ^ b) & 0xFF] ^ (accum_ >> 8); }

    const std::uint8_t* key_;
    int size_;
    int index_ = 0;
    std::uint32_t accum_ = 0xFFFFFFFFu;
};

// The bit permutation: output byte i takes bit j of input byte (i + j) mod n, i.e. of the block rotated
// right by j bytes; its inverse rotates left. The block is read little-endian so that byte i sits at
// bits 8i.
constexpr std::uint64_t kBit0 = 0x0101010101010101ull;

inline std::uint64_t Permute8(std::uint64_t x) {
    std::uint64_t r = 0;
#pragma GCC unroll 8
    for (int j = 0; j < 8; ++j) r |= common::Rotr(x, 8 * j) & (kBit0 << j);
    return r;
}

inline std::uint64_t InversePermute8(std::uint64_t x) {
    std::uint64_t r = 0;
#pragma GCC unroll 8
    for (int j = 0; j < 8; ++j) r |= common::Rotl(x, 8 * j) & (kBit0 << j);
    return r;
}

__extension__ typedef unsigned __int128 U128;

inline U128 Permute16(U128 x) {
    const U128 bit0 = static_cast<U128>(kBit0) << 64 | kBit0;
    U128 r = 0;
#pragma GCC unroll 8
    for (int j = 0; j < 8; ++j) r |= common::Rotr(x, 8 * j) & (bit0 << j);
    return r;
}

inline U128 InversePermute16(U128 x) {
    const U128 bit0 = static_cast<U128>(kBit0) << 64 | kBit0;
    U128 r = 0;
#pragma GCC unroll 8
    for (int j = 0; j < 8; ++j) r |= common::Rotl(x, 8 * j) & (bit0 << j);
    return r;
}

template <int N> inline void Substitute(std::uint8_t* b, const std::uint8_t* boxes) {
    for (int i = 0; i < N; ++i) b[i] = boxes[256 * i + b[i]];
}

template <int N> void EncryptN(const std::uint8_t* boxes, int rounds, std::uint8_t* block) {
    std::uint8_t b[N];
    std::memcpy(b, block, N);
    Substitute<N>(b, boxes);
    for (int r = 1; r < rounds; ++r) {
        if constexpr (N == 16) {
            U128 x;
            std::memcpy(&x, b, 16);
            x = Permute16(x);
            std::memcpy(b, &x, 16);
        } else {
            std::uint64_t x;
            std::memcpy(&x, b, 8);
            x = Permute8(x);
            std::memcpy(b, &x, 8);
        }
        Substitute<N>(b, boxes + 256 * N * r);
    }
    std::memcpy(block, b, N);
}

template <int N> void DecryptN(const std::uint8_t* inverse, int rounds, std::uint8_t* block) {
    std::uint8_t b[N];
    std::memcpy(b, block, N);
    for (int r = rounds - 1; r > 0; --r) {
        Substitute<N>(b, inverse + 256 * N * r);
        if constexpr (N == 16) {
            U128 x;
            std::memcpy(&x, b, 16);
            x = InversePermute16(x);
            std::memcpy(b, &x, 16);
        } else {
            std::uint64_t x;
            std::memcpy(&x, b, 8);
            x = InversePermute8(x);
            std::memcpy(b, &x, 8);
        }
    }
    Substitute<N>(b, inverse);
    std::memcpy(block, b, N);
}

} // namespace

void TCipher_Diamond2::MakeBoxes(const std::uint8_t* key, int size, int rounds, int blockSize,
                                 std::uint8_t* boxes, std::uint8_t* inverse) {
    KeyGenerator gen(key, size);
    const std::uint8_t* previous = nullptr;
    for (int n = 0; n < rounds * blockSize; ++n) {
        std::uint8_t* box = boxes + 256 * n;
        // Place the values 255 down to 0, each in a pseudo-randomly chosen one of the still free slots,
        // counted in slot order. The free slots are the set bits of four words.
        std::uint64_t free[4] = {~0ull, ~0ull, ~0ull, ~0ull};
        for (int v = 255; v >= 0; --v) {
            unsigned pos = gen.Next(static_cast<unsigned>(v), previous);
            int w = 0;
            for (unsigned c; pos >= (c = static_cast<unsigned>(std::popcount(free[w]))); ++w) pos -= c;
            std::uint64_t m = free[w];
            for (; pos > 0; --pos) m &= m - 1;
            const int p = 64 * w + std::countr_zero(m);
            box[p] = static_cast<std::uint8_t>(v);
            free[w] &= ~(1ull << (p - 64 * w));
        }
        for (int x = 0; x < 256; ++x) inverse[256 * n + box[x]] = static_cast<std::uint8_t>(x);
        previous = box;
    }
}

void TCipher_Diamond2::Encrypt(const std::uint8_t* boxes, int rounds, int blockSize, std::uint8_t* block) {
    if (blockSize == 16)
        EncryptN<16>(boxes, rounds, block);
    else
        EncryptN<8>(boxes, rounds, block);
}

void TCipher_Diamond2::Decrypt(const std::uint8_t* inverse, int rounds, int blockSize, std::uint8_t* block) {
    if (blockSize == 16)
        DecryptN<16>(inverse, rounds, block);
    else
        DecryptN<8>(inverse, rounds, block);
}

void TCipher_Diamond2::Init(const void* key, std::int32_t size, const void* vector) {
    BeginKeying(size);
    const std::uint8_t zero = 0;
    const auto* k = size > 0 ? static_cast<const std::uint8_t*>(key) : &zero;
    const int n = size > 0 ? size : 1;
    const int B = BlockSize();
    MakeBoxes(k, n, rounds_, B, UserData(), UserData() + 256 * B * rounds_);
    EndKeying(vector);
}

void TCipher_Diamond2::EncryptBlock(void* block) {
    Encrypt(UserData(), rounds_, BlockSize(), static_cast<std::uint8_t*>(block));
}

void TCipher_Diamond2::DecryptBlock(void* block) {
    Decrypt(UserData() + 256 * BlockSize() * rounds_, rounds_, BlockSize(),
            static_cast<std::uint8_t*>(block));
}

} // namespace torvane::crypto

#include "crypto/cipher/RC4.h"

#include <bit>
#include <cstring>
#include <utility>

namespace torvane::crypto {

TORVANE_DEFINE_CIPHER_CLASS(TCipher_RC4, nullptr, 16, 256,
                            TCipher_RC4::StateSlot + sizeof(TCipher_RC4::State));

static_assert(sizeof(TCipher_RC4::State) <= TCipher_RC4::StateSlot);

TCipher_RC4::TCipher_RC4()
    : TCipher(&ClassInfo), running_(reinterpret_cast<State*>(UserData())),
      keyed_(reinterpret_cast<State*>(UserData() + StateSlot)) {}

void TCipher_RC4::Init(const void* key, std::int32_t size, const void* vector) {
    BeginKeying(size);
    // The key-scheduling loop cycles the key, so an empty key is taken as the one-byte key 00 (the same
    // cycle the zero-padding of every other class would give).
    static const std::uint8_t zero = 0;
    const auto* k = size > 0 ? static_cast<const std::uint8_t*>(key) : &zero;
    const int n = size > 0 ? size : 1;

    State& st = *running_;
    for (unsigned i = 0; i < 256; ++i) st.S[i] = i;
    unsigned j = 0;
    for (int i = 0, ki = 0; i < 256; ++i) {
        j = (j + st.S[i] + k[ki]) & 0xFF;
        std::swap(st.S[i], st.S[j]);
        if (++ki == n) ki = 0;
    }
    st.I = st.J = 0;
    // Saved before EndKeying: deriving the vector consumes key stream, and EndKeying's Rewind must bring
    // the stream back to its first byte.
    std::memcpy(keyed_, running_, sizeof(State));
    EndKeying(vector);
}

void TCipher_RC4::EncryptBlock(void* block) {
    State& st = *running_;
    std::uint32_t* S = st.S;
    std::uint8_t i = static_cast<std::uint8_t>(st.I), j = static_cast<std::uint8_t>(st.J);
    auto* p = static_cast<std::uint8_t*>(block);
    // Fully unrolled: the compiler then keeps i and j in registers and overlaps the independent loads.
    // The indices are bytes, so their wrap-around costs no masking and they go straight into addresses.
#pragma GCC unroll 2
    for (int half = 0; half < 2; ++half, p += 8) {
        std::uint64_t ks = 0;
#pragma GCC unroll 8
        for (int k = 0; k < 8; ++k) {
            ++i;
            const std::uint32_t a = S[i];
            j = static_cast<std::uint8_t>(j + a);
            const std::uint32_t b = S[j];
            S[i] = b;
            S[j] = a;
            ks |= static_cast<std::uint64_t>(S[static_cast<std::uint8_t>(a + b)]) << (8 * k);
        }
        // ks holds the key-stream bytes in little-endian order.
        if constexpr (std::endian::native == std::endian::big) {
            std::uint64_t swapped = 0;
            for (int k = 0; k < 8; ++k) swapped |= ((ks >> (8 * k)) & 0xFF) << (56 - 8 * k);
            ks = swapped;
        }
        std::uint64_t x;
        std::memcpy(&x, p, 8);
        x ^= ks;
        std::memcpy(p, &x, 8);
    }
    st.I = i;
    st.J = j;
}

void TCipher_RC4::DecryptBlock(void* block) {
    EncryptBlock(block);
}

void TCipher_RC4::Rewind() {
    TCipher::Rewind();
    std::memcpy(running_, keyed_, sizeof(State));
}

} // namespace torvane::crypto

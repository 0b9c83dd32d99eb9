#include "crypto/hash/ShaExtensions.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define TORVANE_SHANI 1
#endif

namespace torvane::crypto::shani {

#ifdef TORVANE_SHANI

bool Available() {
    static const bool available = [] {
        unsigned a, b, c, d;
        if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
        const bool ssse3 = c & (1u << 9), sse41 = c & (1u << 19);
        if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
        const bool sha = b & (1u << 29);
        return ssse3 && sse41 && sha;
    }();
    return available;
}

// Each SHA1RNDS4 does four rounds; SHA1NEXTE derives the E input of the next four from the A of the last
// four, and SHA1MSG1 / XOR / SHA1MSG2 build the next four expanded words from the last sixteen (FIPS 180-1
// expansion: W[i] = (W[i-3] ^ W[i-8] ^ W[i-14] ^ W[i-16]) <<< 1). msg[c % 4] holds words 4c..4c+3.
__attribute__((target("sha,ssse3,sse4.1"))) void Sha1Blocks(std::uint32_t* state, const std::uint8_t* blocks,
                                                            std::size_t count) {
    // Reverses the 16 bytes: the words become big-endian and word 0 lands in the highest lane.
    const __m128i reverse = _mm_set_epi64x(0x0001020304050607LL, 0x08090A0B0C0D0E0FLL);
    __m128i abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0x1B);
    __m128i e0 = _mm_set_epi32(static_cast<int>(state[4]), 0, 0, 0);

    for (; count != 0; --count, blocks += 64) {
        const __m128i abcdSaved = abcd, eSaved = e0;
        __m128i msg[4];
        for (int j = 0; j < 4; ++j)
            msg[j] =
                _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(blocks + 16 * j)), reverse);

        __m128i e1;
#define TORVANE_SHA1_FOUR(k, ecur, enext, f)                                                                 \
    if ((k) == 0)                                                                                            \
        ecur = _mm_add_epi32(ecur, msg[0]);                                                                  \
    else                                                                                                     \
        ecur = _mm_sha1nexte_epu32(ecur, msg[(k) % 4]);                                                      \
    enext = abcd;                                                                                            \
    if ((k) >= 3 && (k) <= 18) msg[((k) + 1) % 4] = _mm_sha1msg2_epu32(msg[((k) + 1) % 4], msg[(k) % 4]);    \
    abcd = _mm_sha1rnds4_epu32(abcd, ecur, f);                                                               \
    if ((k) >= 1 && (k) <= 16) msg[((k) + 3) % 4] = _mm_sha1msg1_epu32(msg[((k) + 3) % 4], msg[(k) % 4]);    \
    if ((k) >= 2 && (k) <= 17) msg[((k) + 2) % 4] = _mm_xor_si128(msg[((k) + 2) % 4], msg[(k) % 4])

        TORVANE_SHA1_FOUR(0, e0, e1, 0);
        TORVANE_SHA1_FOUR(1, e1, e0, 0);
        TORVANE_SHA1_FOUR(2, e0, e1, 0);
        TORVANE_SHA1_FOUR(3, e1, e0, 0);
        TORVANE_SHA1_FOUR(4, e0, e1, 0);
        TORVANE_SHA1_FOUR(5, e1, e0, 1);
        TORVANE_SHA1_FOUR(6, e0, e1, 1);
        TORVANE_SHA1_FOUR(7, e1, e0, 1);
        TORVANE_SHA1_FOUR(8, e0, e1, 1);
        TORVANE_SHA1_FOUR(9, e1, e0, 1);
        TORVANE_SHA1_FOUR(10, e0, e1, 2);
        TORVANE_SHA1_FOUR(11, e1, e0, 2);
        TORVANE_SHA1_FOUR(12, e0, e1, 2);
        TORVANE_SHA1_FOUR(13, e1, e0, 2);
        TORVANE_SHA1_FOUR(14, e0, e1, 2);
        TORVANE_SHA1_FOUR(15, e1, e0, 3);
        TORVANE_SHA1_FOUR(16, e0, e1, 3);
        TORVANE_SHA1_FOUR(17, e1, e0, 3);
        TORVANE_SHA1_FOUR(18, e0, e1, 3);
        TORVANE_SHA1_FOUR(19, e1, e0, 3);
#undef TORVANE_SHA1_FOUR

        e0 = _mm_sha1nexte_epu32(e0, eSaved);
        abcd = _mm_add_epi32(abcd, abcdSaved);
    }

    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(abcd, 0x1B));
    state[4] = static_cast<std::uint32_t>(_mm_extract_epi32(e0, 3));
}

#else

bool Available() {
    return false;
}
void Sha1Blocks(std::uint32_t*, const std::uint8_t*, std::size_t) {}

#endif

} // namespace torvane::crypto::shani

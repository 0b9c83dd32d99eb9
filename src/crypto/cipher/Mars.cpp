#include "crypto/cipher/Mars.h"

#include "crypto/common/Bits.h"
#include "crypto/common/Wipe.h"

#include <bit>
#include <cstring>

namespace torvane::crypto {

TORVANE_DEFINE_CIPHER_CLASS(TCipher_Mars, nullptr, 16, 156, 40 * 4);

namespace {

using common::LoadLE32;
using common::StoreLE32;

// The S-box S[0..511] of the submission (S0 = S[0..255], S1 = S[256..511]). Entries come from SHA-1 over
// (5i, 0xB7E15162, 0x243F6A88, 0x02917D59), nine of them then fixed by IBM; S[265..268] double as the
// table B of the multiplication-key fix.
constexpr std::uint32_t S[512] = {
    0x09D0C479, 0x28C8FFE0, 0x84AA6C39, 0x9DAD7287, 0x7DFF9BE3, 0xD4268361, 0xC96DA1D4, 0x7974CC93,
    0x85D0582E, 0x2A4B5705, 0x1CA16A62, 0xC3BD279D, 0x0F1F25E5, 0x5160372F, 0xC695C1FB, 0x4D7FF1E4,
    0xAE5F6BF4, 0x0D72EE46, 0xFF23DE8A, 0xB1CF8E83, 0xF14902E2, 0x3E981E42, 0x8BF53EB6, 0x7F4BF8AC,
    0x83631F83, 0x25970205, 0x76AFE784, 0x3A7931D4, 0x4F846450, 0x5C64C3F6, 0x210A5F18, 0xC6986A26,
    0x28F4E826, 0x3A60A81C, 0xD340A664, 0x7EA820C4, 0x526687C5, 0x7EDDD12B, 0x32A11D1D, 0x9C9EF086,
    0x80F6E831, 0xAB6F04AD, 0x56FB9B53, 0x8B2E095C, 0xB68556AE, 0xD2250B0D, 0x294A7721, 0xE21FB253,
    0xAE136749, 0xE82AAE86, 0x93365104, 0x99404A66, 0x78A784DC, 0xB69BA84B, 0x04046793, 0x23DB5C1E,
    0x46CAE1D6, 0x2FE28134, 0x5A223942, 0x1863CD5B, 0xC190C6E3, 0x07DFB846, 0x6EB88816, 0x2D0DCC4A,
    0xA4CCAE59, 0x3798670D, 0xCBFA9493, 0x4F481D45, 0xEAFC8CA8, 0xDB1129D6, 0xB0449E20, 0x0F5407FB,
    0x6167D9A8, 0xD1F45763, 0x4DAA96C3, 0x3BEC5958, 0xABABA014, 0xB6CCD201, 0x38D6279F, 0x02682215,
    0x8F376CD5, 0x092C237E, 0xBFC56593, 0x32889D2C, 0x854B3E95, 0x05BB9B43, 0x7DCD5DCD, 0xA02E926C,
    0xFAE527E5, 0x36A1C330, 0x3412E1AE, 0xF257F462, 0x3C4F1D71, 0x30A2E809, 0x68E5F551, 0x9C61BA44,
    0x5DED0AB8, 0x75CE09C8, 0x9654F93E, 0x698C0CCA, 0x243CB3E4, 0x2B062B97, 0x0F3B8D9E, 0x00E050DF,
    0xFC5D6166, 0xE35F9288, 0xC079550D, 0x0591AEE8, 0x8E531E74, 0x75FE3578, 0x2F6D829A, 0xF60B21AE,
    0x95E8EB8D, 0x6699486B, 0x901D7D9B, 0xFD6D6E31, 0x1090ACEF, 0xE0670DD8, 0xDAB2E692, 0xCD6D4365,
    0xE5393514, 0x3AF345F0, 0x6241FC4D, 0x460DA3A3, 0x7BCF3729, 0x8BF1D1E0, 0x14AAC070, 0x1587ED55,
    0x3AFD7D3E, 0xD2F29E01, 0x29A9D1F6, 0xEFB10C53, 0xCF3B870F, 0xB414935C, 0x664465ED, 0x024ACAC7,
    0x59A744C1, 0x1D2936A7, 0xDC580AA6, 0xCF574CA8, 0x040A7A10, 0x6CD81807, 0x8A98BE4C, 0xACCEA063,
    0xC33E92B5, 0xD1E0E03D, 0xB322517E, 0x2092BD13, 0x386B2C4A, 0x52E8DD58, 0x58656DFB, 0x50820371,
    0x41811896, 0xE337EF7E, 0xD39FB119, 0xC97F0DF6, 0x68FEA01B, 0xA150A6E5, 0x55258962, 0xEB6FF41B,
    0xD7C9CD7A, 0xA619CD9E, 0xBCF09576, 0x2672C073, 0xF003FB3C, 0x4AB7A50B, 0x1484126A, 0x487BA9B1,
    0xA64FC9C6, 0xF6957D49, 0x38B06A75, 0xDD805FCD, 0x63D094CF, 0xF51C999E, 0x1AA4D343, 0xB8495294,
    0xCE9F8E99, 0xBFFCD770, 0xC7C275CC, 0x378453A7, 0x7B21BE33, 0x397F41BD, 0x4E94D131, 0x92CC1F98,
    0x5915EA51, 0x99F861B7, 0xC9980A88, 0x1D74FD5F, 0xB0A495F8, 0x614DEED0, 0xB5778EEA, 0x5941792D,
    0xFA90C1F8, 0x33F824B4, 0xC4965372, 0x3FF6D550, 0x4CA5FEC0, 0x8630E964, 0x5B3FBBD6, 0x7DA26A48,
    0xB203231A, 0x04297514, 0x2D639306, 0x2EB13149, 0x16A45272, 0x532459A0, 0x8E5F4872, 0xF966C7D9,
    0x07128DC0, 0x0D44DB62, 0xAFC8D52D, 0x06316131, 0xD838E7CE, 0x1BC41D00, 0x3A2E8C0F, 0xEA83837E,
    0xB984737D, 0x13BA4891, 0xC4F8B949, 0xA6D6ACB3, 0xA215CDCE, 0x8359838B, 0x6BD1AA31, 0xF579DD52,
    0x21B93F93, 0xF5176781, 0x187DFDDE, 0xE94AEB76, 0x2B38FD54, 0x431DE1DA, 0xAB394825, 0x9AD3048F,
    0xDFEA32AA, 0x659473E3, 0x623F7863, 0xF3346C59, 0xAB3AB685, 0x3346A90B, 0x6B56443E, 0xC6DE01F8,
    0x8D421FC0, 0x9B0ED10C, 0x88F1A1E9, 0x54C1F029, 0x7DEAD57B, 0x8D7BA426, 0x4CF5178A, 0x551A7CCA,
    0x1A9A5F08, 0xFCD651B9, 0x25605182, 0xE11FC6C3, 0xB6FD9676, 0x337B3027, 0xB7C8EB14, 0x9E5FD030,
    0x6B57E354, 0xAD913CF7, 0x7E16688D, 0x58872A69, 0x2C2FC7DF, 0xE389CCC6, 0x30738DF1, 0x0824A734,
    0xE1797A8B, 0xA4A8D57B, 0x5B5D193B, 0xC8A8309B, 0x73F9A978, 0x73398D32, 0x0F59573E, 0xE9DF2B03,
    0xE8A5B6C8, 0x848D0704, 0x98DF93C2, 0x720A1DC3, 0x684F259A, 0x943BA848, 0xA6370152, 0x863B5EA3,
    0xD17B978B, 0x6D9B58EF, 0x0A700DD4, 0xA73D36BF, 0x8E6A0829, 0x8695BC14, 0xE35B3447, 0x933AC568,
    0x8894B022, 0x2F511C27, 0xDDFBCC3C, 0x006662B6, 0x117C83FE, 0x4E12B414, 0xC2BCA766, 0x3A2FEC10,
    0xF4562420, 0x55792E2A, 0x46F5D857, 0xCEDA25CE, 0xC3601D3B, 0x6C00AB46, 0xEFAC9C28, 0xB3C35047,
    0x611DFEE3, 0x257C3207, 0xFDD58482, 0x3B14D84F, 0x23BECB64, 0xA075F3A3, 0x088F8EAD, 0x07ADF158,
    0x7796943C, 0xFACABF3D, 0xC09730CD, 0xF7679969, 0xDA44E9ED, 0x2C854C12, 0x35935FA3, 0x2F057D9F,
    0x690624F8, 0x1CB0BAFD, 0x7B0DBDC6, 0x810F23BB, 0xFA929A1A, 0x6D969A17, 0x6742979B, 0x74AC7D05,
    0x010E65C4, 0x86A3D963, 0xF907B5A0, 0xD0042BD3, 0x158D7D03, 0x287A8255, 0xBBA8366F, 0x096EDC33,
    0x21916A7B, 0x77B56B86, 0x951622F9, 0xA6C5E650, 0x8CEA17D1, 0xCD8C62BC, 0xA3D63433, 0x358A68FD,
    0x0F9B9D3C, 0xD6AA295B, 0xFE33384A, 0xC000738E, 0xCD67EB2F, 0xE2EB6DC2, 0x97338B02, 0x06C9F246,
    0x419CF1AD, 0x2B83C045, 0x3723F18A, 0xCB5B3089, 0x160BEAD7, 0x5D494656, 0x35F8A74B, 0x1E4E6C9E,
    0x000399BD, 0x67466880, 0xB4174831, 0xACF423B2, 0xCA815AB3, 0x5A6395E7, 0x302A67C5, 0x8BDB446B,
    0x108F8FA4, 0x10223EDA, 0x92B8B48B, 0x7F38D0EE, 0xAB2701D4, 0x0262D415, 0xAF224A30, 0xB3D88ABA,
    0xF8B2C3AF, 0xDAF7EF70, 0xCC97D3B7, 0xE9614B6C, 0x2BAEBFF4, 0x70F687CF, 0x386C9156, 0xCE092EE5,
    0x01E87DA6, 0x6CE91E6A, 0xBB7BCC84, 0xC7922C20, 0x9D3B71FD, 0x060E41C6, 0xD7590F15, 0x4E03BB47,
    0x183C198E, 0x63EEB240, 0x2DDBF49A, 0x6D5CBA54, 0x923750AF, 0xF9E14236, 0x7838162B, 0x59726C72,
    0x81B66760, 0xBB2926C1, 0x48A0CE0D, 0xA6C0496D, 0xAD43507B, 0x718D496A, 0x9DF057AF, 0x44B1BDE6,
    0x054356DC, 0xDE7CED35, 0xD51A138B, 0x62088CC9, 0x35830311, 0xC96EFCA2, 0x686F86EC, 0x8E77CB68,
    0x63E1D6B8, 0xC80F9778, 0x79C491FD, 0x1B4C67F2, 0x72698D7D, 0x5E368C31, 0xF7D95E2E, 0xA1D3493F,
    0xDCD9433E, 0x896F1552, 0x4BC4CA7A, 0xA6D1BAF4, 0xA5A96DCC, 0x0BEF8B46, 0xA169FDA7, 0x74DF40B7,
    0x4E208804, 0x9A756607, 0x038E87C8, 0x20211E44, 0x8B7AD4BF, 0xC6403F35, 0x1848E36D, 0x80BDB038,
    0x1E62891C, 0x643D2107, 0xBF04D6F8, 0x21092C8C, 0xF644F389, 0x0778404E, 0x7B78ADB8, 0xA2C52D53,
    0x42157ABE, 0xA2253E2E, 0x7BF3F4AE, 0x80F594F9, 0x953194E7, 0x77EB92ED, 0xB3816930, 0xDA8D9336,
    0xBF447469, 0xF26D9483, 0xEE6FAED5, 0x71371235, 0xDE425F73, 0xB4E59F43, 0x7DBE2D4E, 0x2D37B185,
    0x49DC9A63, 0x98C39D98, 0x1301C9A2, 0x389B1BBF, 0x0C18588D, 0xA421C1BA, 0x7AA3865C, 0x71E08558,
    0x3C5CFCAA, 0x7D239CA4, 0x0297D9DD, 0xD7DC2830, 0x4B37802B, 0x7428AB54, 0xAEEE0347, 0x4B3FBB85,
    0x692F2F08, 0x134E578E, 0x36D9E0BF, 0xAE8B5FCF, 0xEDB93ECF, 0x2B27248E, 0x170EB1EF, 0x7DC57FD6,
    0x1E760F16, 0xB1136601, 0x864E1B9B, 0xD7EA7319, 0x3AB871BD, 0xCFA4D76F, 0xE31BD782, 0x0DBEB469,
    0xABB96061, 0x5370F85D, 0xFFB07E37, 0xDA30D0FB, 0xEBC977B6, 0x0B98B40F, 0x3A4D0FE6, 0xDF4FC26B,
    0x159CF22A, 0xC298D6E2, 0x2B78EF6A, 0x61A94AC0, 0xAB561187, 0x14EEA0F0, 0xDF0D4164, 0x19AF70EE,
};
constexpr const std::uint32_t* S0 = S;
constexpr const std::uint32_t* S1 = S + 256;

inline int Amount(std::uint32_t x) {
    return static_cast<int>(x & 31);
}

// One pass of the key schedule's linear transformation and four stirring rounds over T[0..14], with the
// constant j of the iteration.
void Mix(std::uint32_t (&T)[15], std::uint32_t j) {
    for (int i = 0; i < 15; ++i)
        T[i] ^= common::Rotl(T[(i + 8) % 15] ^ T[(i + 13) % 15], 3) ^ (4 * static_cast<std::uint32_t>(i) + j);
    for (int round = 0; round < 4; ++round)
        for (int i = 0; i < 15; ++i) T[i] = common::Rotl(T[i] + S[T[(i + 14) % 15] & 511], 9);
}

// Keys of 15..39 words have no published schedule. They are absorbed, 7 words at a time, into a 15-word
// sponge whose permutation is the schedule's own Mix (twice, with constants 4 and 5 that the published
// iterations 0..3 never use); the state starts with the word count in its last word. Only words 0..6
// take key material, so the 8 words behind them keep two different keys from being steered to equal
// states by their later words. Fourteen words are then squeezed out, 7 at a time.
void CompressLongKey(const std::uint32_t* k, int n, std::uint32_t (&out)[14]) {
    std::uint32_t U[15] = {};
    U[14] = static_cast<std::uint32_t>(n);
    for (int pos = 0; pos < n; pos += 7) {
        for (int i = 0; i < 7 && pos + i < n; ++i) U[i] ^= k[pos + i];
        Mix(U, 4);
        Mix(U, 5);
    }
    for (int half = 0; half < 2; ++half) {
        std::memcpy(out + 7 * half, U, 7 * sizeof(std::uint32_t));
        Mix(U, 4);
        Mix(U, 5);
    }
    SecureZero(U, sizeof(U));
}

// A multiplication key with ten or more equal bits in a row is weak; the submission flips a pattern from
// B into such runs. w = k | 3; M marks the bits of w inside a run of ten or more equal bits, leaving out
// bits 0, 1 and 31 and the two end bits of each run.
std::uint32_t FixMultiplicationKey(std::uint32_t k, std::uint32_t previous) {
    const std::uint32_t* B = S + 265;
    const std::uint32_t j = k & 3;
    const std::uint32_t w = k | 3;
    std::uint32_t M = 0;
    for (int start = 0; start < 32;) {
        int end = start;
        const std::uint32_t bit = (w >> start) & 1;
        while (end + 1 < 32 && ((w >> (end + 1)) & 1) == bit) ++end;
        if (end - start + 1 >= 10)
            for (int l = start + 1; l < end; ++l) M |= 1u << l;
        start = end + 1;
    }
    M &= 0x7FFFFFFC;
    if (M == 0) return w;
    return w ^ (common::Rotl(B[j], Amount(previous)) & M);
}

// The E-function of the core: returns L, M, R.
inline void E(std::uint32_t in, std::uint32_t k1, std::uint32_t k2, std::uint32_t& L, std::uint32_t& M,
              std::uint32_t& R) {
    M = in + k1;
    R = common::Rotl(common::Rotl(in, 13) * k2, 5);
    L = S[M & 511] ^ R;
    M = common::Rotl(M, Amount(R));
    R = common::Rotl(R, 5);
    L = common::Rotl(L ^ R, Amount(R));
}

} // namespace

TCipher_Mars::TCipher_Mars() : TCipher(&ClassInfo), K_(reinterpret_cast<std::uint32_t*>(UserData())) {}

void TCipher_Mars::Init(const void* key, std::int32_t size, const void* vector) {
    BeginKeying(size);
    std::uint8_t bytes[156] = {};
    if (size > 0) std::memcpy(bytes, key, static_cast<std::size_t>(size));
    int n = (size + 3) / 4;
    if (n < 4) n = 4;
    std::uint32_t k[39];
    for (int i = 0; i < n; ++i) k[i] = LoadLE32(bytes + 4 * i);

    std::uint32_t T[15] = {};
    if (n <= 14) {
        for (int i = 0; i < n; ++i) T[i] = k[i];
        T[n] = static_cast<std::uint32_t>(n);
    } else {
        std::uint32_t c[14];
        CompressLongKey(k, n, c);
        std::memcpy(T, c, sizeof(c));
        T[14] = static_cast<std::uint32_t>(n);
        SecureZero(c, sizeof(c));
    }
    for (std::uint32_t j = 0; j < 4; ++j) {
        Mix(T, j);
        for (int i = 0; i < 10; ++i) K_[10 * j + i] = T[(4 * i) % 15];
    }
    for (int i = 5; i <= 35; i += 2) K_[i] = FixMultiplicationKey(K_[i], K_[i - 1]);

    SecureZero(bytes, sizeof(bytes));
    SecureZero(k, sizeof(k));
    SecureZero(T, sizeof(T));
    EndKeying(vector);
}

void TCipher_Mars::EncryptBlock(void* block) {
    auto* p = static_cast<std::uint8_t*>(block);
    const std::uint32_t* K = K_;
    std::uint32_t a = LoadLE32(p) + K[0], b = LoadLE32(p + 4) + K[1], c = LoadLE32(p + 8) + K[2],
                  d = LoadLE32(p + 12) + K[3];

    // Forward mixing; each round works on (a, b, c, d) and then rotates the words by one place.
    for (int i = 0; i < 8; ++i) {
        b ^= S0[a & 0xFF];
        b += S1[(a >> 8) & 0xFF];
        c += S0[(a >> 16) & 0xFF];
        d ^= S1[a >> 24];
        a = common::Rotr(a, 24);
        if (i == 0 || i == 4) a += d;
        if (i == 1 || i == 5) a += b;
        const std::uint32_t t = a;
        a = b, b = c, c = d, d = t;
    }
    // Keyed core: the first eight rounds in forward mode, the last eight in backwards mode.
    for (int i = 0; i < 16; ++i) {
        std::uint32_t L, M, R;
        E(a, K[2 * i + 4], K[2 * i + 5], L, M, R);
        a = common::Rotl(a, 13);
        c += M;
        if (i < 8) {
            b += L;
            d ^= R;
        } else {
            d += L;
            b ^= R;
        }
        const std::uint32_t t = a;
        a = b, b = c, c = d, d = t;
    }
    // Backwards mixing.
    for (int i = 0; i < 8; ++i) {
        if (i == 2 || i == 6) a -= d;
        if (i == 3 || i == 7) a -= b;
        b ^= S1[a & 0xFF];
        c -= S0[a >> 24];
        d -= S1[(a >> 16) & 0xFF];
        d ^= S0[(a >> 8) & 0xFF];
        a = common::Rotl(a, 24);
        const std::uint32_t t = a;
        a = b, b = c, c = d, d = t;
    }
    StoreLE32(p, a - K[36]);
    StoreLE32(p + 4, b - K[37]);
    StoreLE32(p + 8, c - K[38]);
    StoreLE32(p + 12, d - K[39]);
}

void TCipher_Mars::DecryptBlock(void* block) {
    auto* p = static_cast<std::uint8_t*>(block);
    const std::uint32_t* K = K_;
    std::uint32_t a = LoadLE32(p) + K[36], b = LoadLE32(p + 4) + K[37], c = LoadLE32(p + 8) + K[38],
                  d = LoadLE32(p + 12) + K[39];

    // Each loop undoes the matching encryption loop from its last round back: first the word rotation
    // (a, b, c, d) := (d, a, b, c), then the round.
    for (int i = 7; i >= 0; --i) {
        const std::uint32_t t = d;
        d = c, c = b, b = a, a = t;
        a = common::Rotr(a, 24);
        d ^= S0[(a >> 8) & 0xFF];
        d += S1[(a >> 16) & 0xFF];
        c += S0[a >> 24];
        b ^= S1[a & 0xFF];
        if (i == 3 || i == 7) a += b;
        if (i == 2 || i == 6) a += d;
    }
    for (int i = 15; i >= 0; --i) {
        const std::uint32_t t = d;
        d = c, c = b, b = a, a = t;
        a = common::Rotr(a, 13);
        std::uint32_t L, M, R;
        E(a, K[2 * i + 4], K[2 * i + 5], L, M, R);
        c -= M;
        if (i < 8) {
            b -= L;
            d ^= R;
        } else {
            d -= L;
            b ^= R;
        }
    }
    for (int i = 7; i >= 0; --i) {
        const std::uint32_t t = d;
        d = c, c = b, b = a, a = t;
        if (i == 1 || i == 5) a -= b;
        if (i == 0 || i == 4) a -= d;
        a = common::Rotl(a, 24);
        d ^= S1[a >> 24];
        c -= S0[(a >> 16) & 0xFF];
        b -= S1[(a >> 8) & 0xFF];
        b ^= S0[a & 0xFF];
    }
    StoreLE32(p, a - K[0]);
    StoreLE32(p + 4, b - K[1]);
    StoreLE32(p + 8, c - K[2]);
    StoreLE32(p + 12, d - K[3]);
}

} // namespace torvane::crypto

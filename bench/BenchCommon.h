#pragma once
// Small pieces that several benchmark programs need alike.

#include <cstdint>
#include <string>
#include <vector>

#if defined(TORVANE_HAVE_OPENSSL)
#include <openssl/provider.h>
#endif

namespace torvane::bench {

#if defined(TORVANE_HAVE_OPENSSL)
// OpenSSL 3 keeps DES, Blowfish, CAST5, IDEA, RC2, RC4, RC5 and MD4 in its legacy provider. Loading a
// provider by hand stops OpenSSL from loading the default one by itself, so that one is loaded too.
// Loads once per process, however often called.
inline void LoadOpenSslProviders() {
    static const bool loaded = [] {
        OSSL_PROVIDER_load(nullptr, "legacy");
        OSSL_PROVIDER_load(nullptr, "default");
        return true;
    }();
    (void)loaded;
}
#endif

// n fixed bytes (131 i + 7) for the benchmarks whose speed does not depend on the data.
inline std::vector<std::uint8_t> PatternChunk(std::size_t n) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < v.size(); ++i) v[i] = static_cast<std::uint8_t>(i * 131 + 7);
    return v;
}

} // namespace torvane::bench

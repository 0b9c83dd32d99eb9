#pragma once
// A second model of the chaining modes, written apart from the cipher framework: the mode table spelled
// out over the block calls of an identically keyed object, in the order the framework makes them (which
// matters for the stream-like classes). It serves the tests as the oracle for every mode, tail and class.

#include "crypto/cipher/Cipher.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace torvane::test {

// Codes `in` as one buffer call from r's Vector; returns the output and the final chaining register.
inline std::pair<std::vector<std::uint8_t>, std::vector<std::uint8_t>>
ModeByDefinition(crypto::TCipher& r, crypto::TCipherMode mode, bool encrypt,
                 const std::vector<std::uint8_t>& in) {
    using namespace crypto;
    const auto B = static_cast<std::size_t>(r.BlockSize());
    std::vector<std::uint8_t> f(r.Vector(), r.Vector() + B), out = in, s(B);
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
            std::vector<std::uint8_t> t(p, p + B);
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

} // namespace torvane::test

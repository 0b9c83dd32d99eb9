#include "crypto/cipher/Cipher.h"

#include "crypto/Wipe.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace torvane::crypto {

bool StrictKeySize = false;

namespace {

void XorInto(std::uint8_t* dst, const std::uint8_t* a, const std::uint8_t* b, std::size_t n) {
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t x, y;
        std::memcpy(&x, a + i, 8);
        std::memcpy(&y, b + i, 8);
        x ^= y;
        std::memcpy(dst + i, &x, 8);
    }
    for (; i < n; ++i) dst[i] = a[i] ^ b[i];
}

} // namespace

void TCipher::AlignedDelete::operator()(std::uint8_t* p) const { ::operator delete[](p, std::align_val_t(64)); }

TCipher::Area TCipher::Allocate(std::int32_t size) {
    const auto n = static_cast<std::size_t>(std::max<std::int32_t>(size, 1));
    auto* p = static_cast<std::uint8_t*>(::operator new[](n, std::align_val_t(64)));
    std::memset(p, 0, n);
    return Area(p);
}

TCipher::TCipher(TCipherClass cls)
    : blockSize_(cls->BlockSize), maxKeySize_(cls->MaxKeySize), userSize_(cls->UserSize),
      keyHashClass_(DefaultKeyHashClass()), scratch_(Allocate(blockSize_)), vector_(Allocate(blockSize_)),
      feedback_(Allocate(blockSize_)), userData_(Allocate(userSize_)) {
    TCipher::Wipe();
}

TCipher::~TCipher() {
    SecureFill(vector_.get(), static_cast<std::size_t>(blockSize_), 0xFF);
    SecureFill(feedback_.get(), static_cast<std::size_t>(blockSize_), 0xFF);
    SecureZero(scratch_.get(), static_cast<std::size_t>(blockSize_));
    SecureZero(userData_.get(), static_cast<std::size_t>(std::max(userSize_, 1)));
}

void TCipher::SetKeyHashClass(THashClass cls) {
    if (!cls) cls = DefaultKeyHashClass();
    if (cls == keyHashClass_) return;
    keyHash_.reset();
    keyHashClass_ = cls;
}

THash& TCipher::KeyHash() {
    if (!keyHash_) {
        if (!keyHashClass_) keyHashClass_ = DefaultKeyHashClass();
        if (!keyHashClass_) throw ECipherException("No key hash class is available", 0);
        keyHash_ = keyHashClass_->Create();
    }
    return *keyHash_;
}

void TCipher::ChangeFlag(int index, bool value) {
    const auto bit = 1u << index;
    flags_ = value ? (flags_ | bit) : (flags_ & ~bit);
}

void TCipher::Rewind() { std::memcpy(feedback_.get(), vector_.get(), static_cast<std::size_t>(blockSize_)); }

void TCipher::Wipe() {
    ChangeFlag(FlagKeyedFromText, false);
    ChangeFlag(FlagInitialized, false);
    SecureFill(vector_.get(), static_cast<std::size_t>(blockSize_), 0xFF);
    SecureFill(feedback_.get(), static_cast<std::size_t>(blockSize_), 0xFF);
    SecureZero(scratch_.get(), static_cast<std::size_t>(blockSize_));
    SecureZero(userData_.get(), static_cast<std::size_t>(std::max(userSize_, 1)));
}

void TCipher::BeginKeying(std::int32_t& size) {
    ChangeFlag(FlagInitialized, false);
    Wipe();
    if (size < 0) size = 0;
    if (size > maxKeySize_) {
        if (!StrictKeySize) {
            size = maxKeySize_;
        } else {
            throw ECipherException(std::string("Length from Encryptionkey is invalid.\r\nKeysize for ") +
                                       ClassName() + " must be to 0-" + std::to_string(maxKeySize_) + " bytes",
                                   2);
        }
    }
}

void TCipher::EndKeying(const void* vector) {
    if (vector)
        std::memcpy(vector_.get(), vector, static_cast<std::size_t>(blockSize_));
    else
        EncryptBlock(vector_.get());
    Rewind();
    ChangeFlag(FlagInitialized, true);
}

void TCipher::RaiseNotInitialized() const {
    throw ECipherException(std::string(ClassName()) + " is not initialized call Init() or InitKey() before.", 3);
}

void TCipher::InitKey(std::string_view key, const void* vector) {
    THash& hash = KeyHash();
    hash.Start();
    hash.Update(key.data(), static_cast<std::int64_t>(key.size()));
    hash.Finish();
    const std::int32_t n = std::min(hash.DigestLength(), maxKeySize_);
    Init(hash.DigestBytes(), n, vector);
    // The encrypted digest stays in the hash object as the key check of the streams.
    EncryptBuffer(hash.DigestBytes(), hash.DigestBytes(), hash.DigestLength());
    Rewind();
    ChangeFlag(FlagKeyedFromText, true);
}

void TCipher::EncryptBuffer(const void* source, void* dest, std::int64_t size) {
    if (!Initialized()) RaiseNotInitialized();
    if (size <= 0) return;
    const auto B = static_cast<std::size_t>(blockSize_);
    auto* F = feedback_.get();
    auto* S = scratch_.get();
    const auto* in = static_cast<const std::uint8_t*>(source);
    auto* out = static_cast<std::uint8_t*>(dest);
    auto n = static_cast<std::size_t>(size);

    switch (Mode) {
    case cmCFB:
        for (std::size_t i = 0; i < n; ++i) {
            std::memcpy(S, F, B);
            EncryptBlock(S);
            const std::uint8_t y = in[i] ^ S[0];
            std::memmove(F, F + 1, B - 1);
            F[B - 1] = y;
            out[i] = y;
        }
        break;
    case cmOFB:
        for (std::size_t i = 0; i < n; ++i) {
            std::memcpy(S, F, B);
            EncryptBlock(S);
            out[i] = in[i] ^ S[0];
            std::memmove(F, F + 1, B - 1);
            F[B - 1] = S[0];
        }
        break;
    case cmCTS:
    case cmCBC:
    case cmECB: {
        if (in != out) std::memmove(out, in, n);
        std::uint8_t* p = out;
        for (; n >= B; n -= B, p += B) {
            if (Mode == cmCTS) {
                XorInto(p, p, F, B);
                EncryptBlock(p);
                XorInto(F, p, F, B);
            } else if (Mode == cmCBC) {
                XorInto(p, p, F, B);
                EncryptBlock(p);
                std::memcpy(F, p, B);
            } else {
                EncryptBlock(p);
            }
        }
        if (n > 0) {
            // A tail is coded with the encrypted feedback as a key stream (in ECB too, so that every mode
            // gives back what it was given).
            std::memcpy(S, F, B);
            EncryptBlock(S);
            XorInto(p, p, S, n);
            if (Mode == cmCTS) XorInto(F, S, F, B);
        }
        break;
    }
    }
    SecureZero(S, B);
}

void TCipher::DecryptBuffer(const void* source, void* dest, std::int64_t size) {
    if (!Initialized()) RaiseNotInitialized();
    if (size <= 0) return;
    const auto B = static_cast<std::size_t>(blockSize_);
    auto* F = feedback_.get();
    auto* S = scratch_.get();
    const auto* in = static_cast<const std::uint8_t*>(source);
    auto* out = static_cast<std::uint8_t*>(dest);
    auto n = static_cast<std::size_t>(size);

    switch (Mode) {
    case cmCFB:
        for (std::size_t i = 0; i < n; ++i) {
            std::memcpy(S, F, B);
            EncryptBlock(S);
            const std::uint8_t y = in[i];
            out[i] = y ^ S[0];
            std::memmove(F, F + 1, B - 1);
            F[B - 1] = y;
        }
        break;
    case cmOFB:
        for (std::size_t i = 0; i < n; ++i) {
            std::memcpy(S, F, B);
            EncryptBlock(S);
            out[i] = in[i] ^ S[0];
            std::memmove(F, F + 1, B - 1);
            F[B - 1] = S[0];
        }
        break;
    case cmCTS:
    case cmCBC:
    case cmECB: {
        if (in != out) std::memmove(out, in, n);
        std::uint8_t* p = out;
        for (; n >= B; n -= B, p += B) {
            if (Mode == cmCTS) {
                // T := Y xor F; X := D(Y) xor F; F := T  (T is kept in Scratch)
                XorInto(S, p, F, B);
                DecryptBlock(p);
                XorInto(p, p, F, B);
                std::memcpy(F, S, B);
            } else if (Mode == cmCBC) {
                std::memcpy(S, p, B);
                DecryptBlock(p);
                XorInto(p, p, F, B);
                std::memcpy(F, S, B);
            } else {
                DecryptBlock(p);
            }
        }
        if (n > 0) {
            std::memcpy(S, F, B);
            EncryptBlock(S);
            XorInto(p, p, S, n);
            if (Mode == cmCTS) XorInto(F, S, F, B);
        }
        break;
    }
    }
    SecureZero(S, B);
}

} // namespace torvane::crypto

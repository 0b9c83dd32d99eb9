#include "crypto/cipher/Cipher.h"

#include "crypto/Progress.h"
#include "crypto/Wipe.h"
#include "platform/Files.h"
#include "platform/Stream.h"

#include <algorithm>
#include <cctype>
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

constexpr std::int64_t kChunkSize = 4096;

// Reads until count bytes are in or the stream ends: a short read in the middle of a stream would move
// the chunk boundaries, and with them the tail steps of the modes, so that decryption would disagree.
std::int64_t ReadFully(TStream& stream, std::uint8_t* buffer, std::int64_t count) {
    std::int64_t done = 0;
    while (done < count) {
        const auto n = stream.Read(buffer + done, count - done);
        if (n <= 0) break;
        done += n;
    }
    return done;
}

bool IsBlank(const std::string& s) {
    return std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isspace(c) != 0; });
}

bool ValidMode(TCipherMode mode) {
    return mode <= cmECB;
}

[[noreturn]] void RaiseInvalidMode(TCipherMode mode) {
    throw ECipherException("Invalid cipher mode " + std::to_string(static_cast<int>(mode)), 0);
}

} // namespace

void TCipher::AlignedDelete::operator()(std::uint8_t* p) const {
    ::operator delete[](p, std::align_val_t(64));
}

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
    SecureZero(keyCheck_.data(), keyCheck_.size());
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
    if (index < 0 || index > 31) return;
    const auto bit = 1u << index;
    flags_ = value ? (flags_ | bit) : (flags_ & ~bit);
}

void TCipher::Rewind() {
    std::memcpy(feedback_.get(), vector_.get(), static_cast<std::size_t>(blockSize_));
}

void TCipher::Wipe() {
    ChangeFlag(FlagKeyedFromText, false);
    ChangeFlag(FlagInitialized, false);
    SecureFill(vector_.get(), static_cast<std::size_t>(blockSize_), 0xFF);
    SecureFill(feedback_.get(), static_cast<std::size_t>(blockSize_), 0xFF);
    SecureZero(scratch_.get(), static_cast<std::size_t>(blockSize_));
    SecureZero(userData_.get(), static_cast<std::size_t>(std::max(userSize_, 1)));
    SecureZero(keyCheck_.data(), keyCheck_.size());
    keyCheck_.clear();
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
                                       ClassName() + " must be to 0-" + std::to_string(maxKeySize_) +
                                       " bytes",
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
    throw ECipherException(std::string(ClassName()) + " is not initialized call Init() or InitKey() before.",
                           3);
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
    keyCheck_.assign(hash.DigestBytes(), hash.DigestBytes() + hash.DigestLength());
    Rewind();
    ChangeFlag(FlagKeyedFromText, true);
}

void TCipher::EncryptBuffer(const void* source, void* dest, std::int64_t size) {
    if (!Initialized()) RaiseNotInitialized();
    if (!ValidMode(Mode)) RaiseInvalidMode(Mode);
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
    if (!ValidMode(Mode)) RaiseInvalidMode(Mode);
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

void TCipher::ProcessStream(TStream* source, TStream* dest, std::int64_t size, bool encrypt) {
    if (!source) return;
    // Refuse before touching a stream: a key check written in place ahead of a failing first chunk would
    // already have overwritten data.
    if (!Initialized()) RaiseNotInitialized();
    if (!ValidMode(Mode)) RaiseInvalidMode(Mode);
    const bool inPlace = dest == nullptr || dest == source;
    if (!dest) dest = source;
    if (size < 0) {
        size = source->Size();
        source->SetPosition(0);
    }
    const std::int64_t total = size;
    ReportProgress(this, 0, total);

    const bool withCheck = ((flags_ >> FlagHashKey) & 1u) && ((flags_ >> FlagKeyedFromText) & 1u);
    const auto L = static_cast<std::int64_t>(withCheck ? keyCheck_.size() : 0);
    // One chunk buffer, and for encryption in place with a key check a look-ahead of the source bytes that
    // the shifted output is about to overwrite.
    const bool lookAhead = inPlace && withCheck && encrypt;
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(kChunkSize + (lookAhead ? kChunkSize + L : 0)));
    std::uint8_t* chunk = buffer.data();
    std::uint8_t* pending = chunk + kChunkSize;

    struct Finally {
        TCipher* self;
        std::vector<std::uint8_t>& buffer;
        ~Finally() {
            SecureZero(buffer.data(), buffer.size());
            ReportProgress(self, 0, 0);
        }
    } finally{this, buffer};

    std::int64_t srcPos = source->Position();
    std::int64_t dstPos = inPlace ? srcPos : dest->Position();
    auto code = [&](std::int64_t n) {
        if (encrypt)
            EncryptBuffer(chunk, chunk, n);
        else
            DecryptBuffer(chunk, chunk, n);
    };
    auto put = [&](const std::uint8_t* data, std::int64_t n) {
        dest->SetPosition(dstPos);
        dest->WriteBuffer(data, n);
        dstPos += n;
    };

    if (withCheck && !encrypt) {
        source->SetPosition(srcPos);
        const auto got = ReadFully(*source, chunk, L);
        srcPos += got;
        if (got != L || !std::equal(chunk, chunk + L, keyCheck_.begin()))
            throw ECipherException("Encryptionkey is invalid", 1);
        size = std::max<std::int64_t>(0, size - L);
    }

    if (lookAhead) {
        // The output runs L bytes ahead of the input, so every write lands on source bytes not yet read.
        // pending always holds the source bytes from the next one to code on; writing k bytes is safe
        // once pending holds k + L of them (or the source has ended).
        // Reads stop at the stream's original end: what lies behind it was written here.
        const std::int64_t end = source->Size();
        std::int64_t pendingLen = 0;
        auto fill = [&](std::int64_t want) {
            want = std::min(want, end - srcPos);
            if (want <= 0) return std::int64_t{0};
            source->SetPosition(srcPos);
            const auto got = ReadFully(*source, pending + pendingLen, want);
            srcPos += got;
            pendingLen += got;
            return got;
        };
        fill(L);
        put(keyCheck_.data(), L);
        auto take = [&](std::uint8_t* to, std::int64_t k) {
            std::memcpy(to, pending, static_cast<std::size_t>(k));
            std::memmove(pending, pending + k, static_cast<std::size_t>(pendingLen - k));
            pendingLen -= k;
        };
        while (size > 0) {
            const auto n = std::min(size, kChunkSize);
            fill(n + L - pendingLen);
            const auto k = std::min(n, pendingLen);
            if (k == 0) break;
            take(chunk, k);
            code(k);
            put(chunk, k);
            size -= k;
            ReportProgress(this, total - size, total);
        }
        // Whatever follows the coded part moves L bytes on as well.
        for (;;) {
            const auto got = fill(kChunkSize);
            const auto k = got == 0 ? pendingLen : pendingLen - L;
            if (k > 0) {
                take(chunk, k);
                put(chunk, k);
            }
            if (got == 0) break;
        }
        return;
    }

    if (withCheck && encrypt) put(keyCheck_.data(), L);

    while (size > 0) {
        const auto n = std::min(size, kChunkSize);
        source->SetPosition(srcPos);
        const auto got = ReadFully(*source, chunk, n);
        srcPos += got;
        if (got == 0) break;
        code(got);
        put(chunk, got);
        size -= got;
        ReportProgress(this, total - size, total);
    }

    if (inPlace && withCheck) {
        // Decrypted in place: the data moved forward by the L check bytes; so does whatever follows it, and
        // the stream ends L bytes earlier.
        for (;;) {
            source->SetPosition(srcPos);
            const auto got = ReadFully(*source, chunk, kChunkSize);
            if (got == 0) break;
            srcPos += got;
            put(chunk, got);
        }
        dest->SetSize(dstPos);
    }
}

void TCipher::ProcessFile(const std::string& sourceName, const std::string& destName, bool encrypt) {
    if (!Initialized()) RaiseNotInitialized();
    // Names that differ only in case are one file on a case-insensitive file system and two on others, so
    // the file system decides: coding "a.txt" in place when the user asked for a separate "A.TXT" would
    // destroy the plain text and leave the destination unwritten.
    if (IsBlank(destName) || SameFile(sourceName, destName)) {
        TFileStream file(sourceName, FileMode::OpenReadWrite);
        ProcessStream(&file, nullptr, -1, encrypt);
        return;
    }
    TFileStream source(sourceName, FileMode::OpenRead);
    const bool existed = FileExists(destName);
    TFileStream dest(destName, existed ? FileMode::OpenReadWrite : FileMode::Create);
    try {
        ProcessStream(&source, &dest, -1, encrypt);
    } catch (...) {
        // A destination that nothing reached yet (a wrong key, an unreadable source) keeps its content.
        try {
            const auto at = dest.Position();
            if (at > 0 || !existed) dest.SetSize(at);
        } catch (...) {
        }
        throw;
    }
    dest.SetSize(dest.Position());
}

} // namespace torvane::crypto

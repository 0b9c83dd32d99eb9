#include "crypto/cipher/Cipher.h"

#include "crypto/Progress.h"
#include "crypto/common/Wipe.h"
#include "platform/Files.h"
#include "platform/Stream.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

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
    throw ECipherException("Invalid cipher mode " + std::to_string(static_cast<int>(mode)),
                           ECipherException::InvalidMode);
}

// The loops of the modes, for one block size: Size is std::integral_constant for the common sizes, so that
// the block XORs and copies compile to a few register moves and the chaining register stays in registers
// (it lives in a local copy during the loop, which the virtual block calls cannot reach), or std::size_t
// for the others. All the per-block work is here; nothing is allocated.
template <class Size>
struct ModeLoops {
    static constexpr bool Fixed = !std::is_same_v<Size, std::size_t>;
    static constexpr std::size_t LocalSize = [] {
        if constexpr (Fixed)
            return Size::value;
        else
            return std::size_t{1};
    }();

    TCipher& c;
    std::size_t width;
    std::uint8_t* F; // Feedback
    std::uint8_t* S; // Scratch
    alignas(16) std::uint8_t fLocal[LocalSize]; // the byte modes' chaining register
    alignas(16) std::uint8_t tLocal[LocalSize]; // and their key-stream block

    ModeLoops(TCipher& cipher, Size size, std::uint8_t* feedback, std::uint8_t* scratch)
        : c(cipher), width(size), F(feedback), S(scratch) {}

    std::size_t Width() const {
        if constexpr (Fixed)
            return Size::value;
        else
            return width;
    }

    // Whole blocks of CTS, CBC and ECB, in place.
    void Blocks(TCipherMode mode, bool encrypt, std::uint8_t* p, std::size_t count) {
        const std::size_t B = Width();
        if (mode == cmECB) {
            for (; count > 0; --count, p += B) encrypt ? c.EncryptBlock(p) : c.DecryptBlock(p);
            return;
        }
        if constexpr (Fixed) {
            FixedBlocks(mode, encrypt, p, count);
        } else if (encrypt && mode == cmCTS) {
            for (; count > 0; --count, p += B) { // Y := E(X xor F); F := Y xor F
                XorInto(p, p, F, B);
                c.EncryptBlock(p);
                XorInto(F, p, F, B);
            }
        } else if (encrypt) {
            for (; count > 0; --count, p += B) { // Y := E(X xor F); F := Y
                XorInto(p, p, F, B);
                c.EncryptBlock(p);
                std::memcpy(F, p, B);
            }
        } else if (mode == cmCTS) {
            for (; count > 0; --count, p += B) { // T := Y xor F; X := D(Y) xor F; F := T
                XorInto(S, p, F, B);
                c.DecryptBlock(p);
                XorInto(p, p, F, B);
                std::memcpy(F, S, B);
            }
        } else {
            for (; count > 0; --count, p += B) { // X := D(Y) xor F; F := Y
                std::memcpy(S, p, B);
                c.DecryptBlock(p);
                XorInto(p, p, F, B);
                std::memcpy(F, S, B);
            }
        }
    }

    // The same with the chaining register in locals of 64 bits (32 for 12-byte blocks). What the block call
    // has just written is read back in 32-bit pieces: a load wider than the stores that wrote the bytes
    // cannot be served from the store buffer and waits for the cache, on the critical path of every chained
    // block; ciphers store their words in 32 bits or more.
    using Word = std::conditional_t<LocalSize % 8 == 0, std::uint64_t, std::uint32_t>;
    static Word Load(const std::uint8_t* p) {
        Word x;
        std::memcpy(&x, p, sizeof x);
        return x;
    }
    static void Store(std::uint8_t* p, Word x) { std::memcpy(p, &x, sizeof x); }
    static Word LoadOutput(const std::uint8_t* p) {
        if constexpr (sizeof(Word) == 4) {
            return Load(p);
        } else {
            std::uint32_t a, b;
            std::memcpy(&a, p, 4);
            std::memcpy(&b, p + 4, 4);
            asm("" : "+r"(a)); // keeps the compiler from fusing the two loads into one
            if constexpr (std::endian::native == std::endian::little)
                return a | std::uint64_t{b} << 32;
            else
                return std::uint64_t{a} << 32 | b;
        }
    }

    void FixedBlocks(TCipherMode mode, bool encrypt, std::uint8_t* p, std::size_t count) {
        constexpr std::size_t W = LocalSize / sizeof(Word), N = sizeof(Word);
        Word f[W], t[W];
        for (std::size_t w = 0; w < W; ++w) f[w] = Load(F + N * w);
        for (; count > 0; --count, p += LocalSize) {
            if (encrypt) {
                for (std::size_t w = 0; w < W; ++w) Store(p + N * w, Load(p + N * w) ^ f[w]);
                c.EncryptBlock(p);
                for (std::size_t w = 0; w < W; ++w)
                    f[w] = mode == cmCTS ? f[w] ^ LoadOutput(p + N * w) : LoadOutput(p + N * w);
            } else {
                for (std::size_t w = 0; w < W; ++w) t[w] = mode == cmCTS ? Load(p + N * w) ^ f[w] : Load(p + N * w);
                c.DecryptBlock(p);
                for (std::size_t w = 0; w < W; ++w) {
                    Store(p + N * w, LoadOutput(p + N * w) ^ f[w]);
                    f[w] = t[w];
                }
            }
        }
        for (std::size_t w = 0; w < W; ++w) Store(F + N * w, f[w]);
    }

    // The tail of CTS, CBC and ECB: n < B bytes XORed with E(F); CTS also takes S into F.
    void Tail(TCipherMode mode, std::uint8_t* p, std::size_t n) {
        const std::size_t B = Width();
        std::memcpy(S, F, B);
        c.EncryptBlock(S);
        XorInto(p, p, S, n);
        if (mode == cmCTS) XorInto(F, S, F, B);
    }

    // CFB and OFB: one block encryption per byte; F shifts left by a byte and takes the cipher byte (CFB)
    // or the key-stream byte (OFB).
    void Bytes(TCipherMode mode, bool encrypt, const std::uint8_t* in, std::uint8_t* out, std::size_t n) {
        const std::size_t B = Width();
        std::uint8_t* f = F;
        std::uint8_t* s = S;
        if constexpr (Fixed) {
            std::memcpy(fLocal, F, B);
            f = fLocal;
            s = tLocal;
        }
        for (std::size_t i = 0; i < n; ++i) {
            std::memcpy(s, f, B);
            c.EncryptBlock(s);
            const std::uint8_t x = in[i];
            const std::uint8_t y = x ^ s[0];
            std::memmove(f, f + 1, B - 1);
            f[B - 1] = mode == cmOFB ? s[0] : (encrypt ? y : x);
            out[i] = y;
        }
        if constexpr (Fixed) {
            std::memcpy(F, fLocal, B);
            SecureZero(tLocal, B);
        }
    }
};

template <class Size>
void CodeWith(TCipher& c, Size size, bool encrypt, const std::uint8_t* in, std::uint8_t* out, std::size_t n,
              std::uint8_t* F, std::uint8_t* S) {
    ModeLoops<Size> loops(c, size, F, S);
    const std::size_t B = loops.Width();
    if (c.Mode == cmCFB || c.Mode == cmOFB) {
        loops.Bytes(c.Mode, encrypt, in, out, n);
        return;
    }
    // The block modes code in place, so the data is first copied to the destination.
    if (in != out) std::memmove(out, in, n);
    loops.Blocks(c.Mode, encrypt, out, n / B);
    // A tail is coded with the encrypted feedback as a key stream, in ECB too, so that every mode gives
    // back what it was given.
    if (n % B) loops.Tail(c.Mode, out + n / B * B, n % B);
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
                                   ECipherException::KeySize);
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
                           ECipherException::NotInitialized);
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

void TCipher::EncryptBuffer(const void* source, void* dest, std::int64_t size) { CodeBuffer(true, source, dest, size); }

void TCipher::DecryptBuffer(const void* source, void* dest, std::int64_t size) { CodeBuffer(false, source, dest, size); }

void TCipher::CodeBuffer(bool encrypt, const void* source, void* dest, std::int64_t size) {
    if (!Initialized()) RaiseNotInitialized();
    if (!ValidMode(Mode)) RaiseInvalidMode(Mode);
    if (size <= 0) return;
    const auto* in = static_cast<const std::uint8_t*>(source);
    auto* out = static_cast<std::uint8_t*>(dest);
    const auto n = static_cast<std::size_t>(size);
    auto* F = feedback_.get();
    auto* S = scratch_.get();
    switch (blockSize_) {
    case 8: CodeWith(*this, std::integral_constant<std::size_t, 8>{}, encrypt, in, out, n, F, S); break;
    case 12: CodeWith(*this, std::integral_constant<std::size_t, 12>{}, encrypt, in, out, n, F, S); break;
    case 16: CodeWith(*this, std::integral_constant<std::size_t, 16>{}, encrypt, in, out, n, F, S); break;
    case 24: CodeWith(*this, std::integral_constant<std::size_t, 24>{}, encrypt, in, out, n, F, S); break;
    case 32: CodeWith(*this, std::integral_constant<std::size_t, 32>{}, encrypt, in, out, n, F, S); break;
    default: CodeWith(*this, static_cast<std::size_t>(blockSize_), encrypt, in, out, n, F, S); break;
    }
    SecureZero(S, static_cast<std::size_t>(blockSize_));
}

void TCipher::ProcessStream(TStream* source, TStream* dest, std::int64_t size, bool encrypt) {
    if (!source) return;
    // Refuse before touching a stream: a key check written in place ahead of a failing first chunk would
    // already have overwritten data.
    if (!Initialized()) RaiseNotInitialized();
    if (!ValidMode(Mode)) RaiseInvalidMode(Mode);
    const bool inPlace = dest == nullptr || dest == source;
    if (!dest) dest = source;
    // A separate source and destination are read and written in order, never positioned, so that either
    // may be a pipe or a device; a whole source is then read to its end, whatever length it claims.
    const bool toEnd = size < 0 && !inPlace;
    if (size < 0) {
        size = inPlace ? source->Size() : source->KnownSize();
        if (size >= 0) source->SetPosition(0);
    }
    std::int64_t total = size;
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

    std::int64_t srcPos = inPlace ? source->Position() : 0;
    std::int64_t dstPos = srcPos;
    auto code = [&](std::int64_t n) {
        if (encrypt)
            EncryptBuffer(chunk, chunk, n);
        else
            DecryptBuffer(chunk, chunk, n);
    };
    auto put = [&](const std::uint8_t* data, std::int64_t n) {
        if (inPlace) dest->SetPosition(dstPos);
        dest->WriteBuffer(data, n);
        dstPos += n;
    };

    if (withCheck && !encrypt) {
        if (inPlace) source->SetPosition(srcPos);
        const auto got = ReadFully(*source, chunk, L);
        srcPos += got;
        if (got != L || !std::equal(chunk, chunk + L, keyCheck_.begin()))
            throw ECipherException("Encryptionkey is invalid", ECipherException::WrongKey);
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

    while (toEnd || size > 0) {
        const auto n = toEnd ? kChunkSize : std::min(size, kChunkSize);
        if (inPlace) source->SetPosition(srcPos);
        const auto got = ReadFully(*source, chunk, n);
        srcPos += got;
        if (got == 0) break;
        code(got);
        put(chunk, got);
        size -= got;
        if (toEnd) total = ProgressTotal(srcPos, total);
        ReportProgress(this, toEnd ? srcPos : total - size, total);
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

#pragma once
// THash_MD4 (RFC 1320) and the state shared by the whole MD4 family (MD5, RIPEMD, SHA, SHA-1, Tiger):
// a byte count, a 64-byte block buffer and a chaining state of ten 32-bit words.

#include "crypto/hash/Hash.h"

#include <cstddef>
#include <cstdint>

namespace torvane::crypto {

class THash_MD4 : public THash {
    TORVANE_HASH_CLASS()
public:
    ~THash_MD4() override;

    void Start() override;
    void Update(const void* data, std::int64_t length) override;
    void Finish() override;
    std::uint8_t* DigestBytes() override { return digest_; }

protected:
    static constexpr std::size_t kBlockSize = 64;

    // One input block into the chaining state.
    virtual void Transform(const std::uint8_t* block);
    // Several consecutive blocks; every class overrides it with a loop over its own compression so that
    // bulk input costs no virtual call per block.
    virtual void TransformBlocks(const std::uint8_t* blocks, std::size_t count);

    // Padding rules of the family's Finish: the byte that follows the message (0x80 for the MD4 family,
    // 0x01 for Tiger) and the byte order of the 64-bit bit count.
    virtual std::uint8_t PaddingByte() const { return 0x80; }
    virtual bool BigEndianLength() const { return false; }
    // Writes the digest bytes from the chaining state; by default DigestLength() bytes of the leading
    // words, each least significant byte first.
    virtual void StoreDigest();

    // A 64-bit count: the 32-bit count of the original design wraps past 4 GiB and then pads with a
    // wrong length, giving wrong digests for large files.
    std::uint64_t Count = 0;
    std::uint8_t Buffer[kBlockSize] = {};
    alignas(8) std::uint32_t State[10] = {};
    std::uint8_t digest_[40] = {};
};

} // namespace torvane::crypto

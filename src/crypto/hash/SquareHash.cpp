#include "crypto/hash/SquareHash.h"

#include "crypto/cipher/Square.h"
#include "crypto/common/Bits.h"
#include "crypto/common/Wipe.h"
#include "crypto/hash/BlockBuffer.h"

#include <algorithm>
#include <cstring>

namespace torvane::crypto {

TORVANE_DEFINE_HASH_CLASS(THash_Square, nullptr, 16);

namespace {

constexpr std::uint8_t kInitial[16] = {0x24, 0x3F, 0x6A, 0x88, 0x85, 0xA3, 0x08, 0xD3,
                                       0x13, 0x19, 0x8A, 0x2E, 0x03, 0x70, 0x73, 0x44};

} // namespace

THash_Square::~THash_Square() {
    SecureZero(chain_, sizeof chain_);
    SecureZero(buffer_, sizeof buffer_);
    SecureZero(keys_, sizeof keys_);
    SecureZero(output_, sizeof output_);
    SecureZero(digest_, sizeof digest_);
}

void THash_Square::Start() {
    std::memcpy(chain_, kInitial, sizeof chain_);
    SecureZero(buffer_, sizeof buffer_);
    SecureZero(digest_, sizeof digest_);
    count_ = 0;
}

void THash_Square::Transform(const std::uint8_t* block) {
    square::ExpandKey(chain_, keys_, nullptr);
    square::EncryptBlock(keys_, block, output_);
    for (int i = 0; i < 16; i += 8)
        common::StoreLE64(chain_ + i, common::LoadLE64(chain_ + i) ^ common::LoadLE64(output_ + i) ^
                                          common::LoadLE64(block + i));
}

void THash_Square::Update(const void* data, std::int64_t length) {
    CheckLength(length);
    BufferBlocks(buffer_, count_, static_cast<const std::uint8_t*>(data), static_cast<std::uint64_t>(length),
                 [this](const std::uint8_t* blocks, std::size_t count) {
                     for (; count != 0; --count, blocks += sizeof buffer_) Transform(blocks);
                 });
}

void THash_Square::Finish() {
    PadToTrailer(buffer_, static_cast<std::size_t>(count_ % sizeof buffer_), 0x80, 8,
                 [this](const std::uint8_t* block, std::size_t) { Transform(block); });
    common::StoreLE64(buffer_ + 8, count_ * 8);
    Transform(buffer_);
    std::memcpy(digest_, chain_, sizeof digest_);
    SecureZero(buffer_, sizeof buffer_);
    SecureZero(keys_, sizeof keys_);
    SecureZero(output_, sizeof output_);
}

} // namespace torvane::crypto

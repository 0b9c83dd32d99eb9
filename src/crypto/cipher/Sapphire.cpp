#include "crypto/cipher/Sapphire.h"

#include "crypto/common/Wipe.h"

#include <cstring>
#include <utility>

namespace torvane::crypto {

TORVANE_DEFINE_CIPHER_CLASS(TCipher_Sapphire, nullptr, 32, 1024, sizeof(sapphire::State));

namespace {

// Johnson's key setup. keyrand draws a card position in 0..limit from the key bytes and the running sum
// rsum, by masking to the smallest all-ones value that covers limit and drawing again while the result
// is too large; after eleven draws it reduces modulo limit so that the loop always ends.
class KeyShuffler {
public:
    KeyShuffler(sapphire::State& s, const std::uint8_t* key, std::size_t size)
        : s_(s), key_(key), size_(size) {}
    ~KeyShuffler() {
        SecureZero(&rsum_, sizeof rsum_);
        SecureZero(&pos_, sizeof pos_);
    }

    void Run() {
        for (int i = 0; i < 256; ++i) s_.Cards[i] = static_cast<std::uint8_t>(i);
        for (unsigned i = 255; i >= 1; --i) {
            const unsigned j = Draw(i);
            std::swap(s_.Cards[i], s_.Cards[j]);
        }
        s_.Rotor = s_.Cards[1];
        s_.Ratchet = s_.Cards[3];
        s_.Avalanche = s_.Cards[5];
        s_.LastPlain = s_.Cards[7];
        s_.LastCipher = s_.Cards[rsum_];
    }

private:
    unsigned Draw(unsigned limit) {
        unsigned mask = 1;
        while (mask < limit) mask = (mask << 1) + 1;
        unsigned tries = 0, u;
        do {
            rsum_ = static_cast<std::uint8_t>(s_.Cards[rsum_] + key_[pos_++]);
            if (pos_ >= size_) {
                pos_ = 0;
                rsum_ = static_cast<std::uint8_t>(rsum_ + size_);
            }
            u = mask & rsum_;
            if (++tries > 11) u %= limit;
        } while (u > limit);
        return u;
    }

    sapphire::State& s_;
    const std::uint8_t* key_;
    std::size_t size_;
    std::uint8_t rsum_ = 0;
    std::size_t pos_ = 0;
};

} // namespace

TCipher_Sapphire::~TCipher_Sapphire() {
    SecureZero(&state_, sizeof state_);
}

void TCipher_Sapphire::Init(const void* key, std::int32_t size, const void* vector) {
    BeginKeying(size);
    if (size > 0) {
        KeyShuffler(state_, static_cast<const std::uint8_t*>(key), static_cast<std::size_t>(size)).Run();
    } else {
        state_.HashInit();
    }
    std::memcpy(UserData(), &state_, sizeof state_);
    // EndKeying may encrypt the vector, which runs the stream; its Rewind brings back the keyed state.
    EndKeying(vector);
}

void TCipher_Sapphire::Rewind() {
    TCipher::Rewind();
    std::memcpy(&state_, UserData(), sizeof state_);
}

void TCipher_Sapphire::Wipe() {
    TCipher::Wipe();
    SecureZero(&state_, sizeof state_);
}

void TCipher_Sapphire::EncryptBlock(void* block) {
    auto* p = static_cast<std::uint8_t*>(block);
    for (int i = 0; i < 32; ++i) p[i] = state_.Encrypt(p[i]);
}

void TCipher_Sapphire::DecryptBlock(void* block) {
    auto* p = static_cast<std::uint8_t*>(block);
    for (int i = 0; i < 32; ++i) p[i] = state_.Decrypt(p[i]);
}

} // namespace torvane::crypto

#pragma once
// The state machine of the Sapphire II stream cipher (Michael Paul Johnson, 1995): a permutation of 256
// bytes, the cards, and five byte registers. The Sapphire II hash and the Sapphire II cipher class both run
// this encryption step; only their initial states differ.

#include <cstdint>

namespace torvane::crypto::sapphire {

struct State {
    std::uint8_t Cards[256];
    std::uint8_t Rotor;
    std::uint8_t Ratchet;
    std::uint8_t Avalanche;
    std::uint8_t LastPlain;
    std::uint8_t LastCipher;

    // The fixed starting state of the hash (and of the cipher without a key).
    void HashInit() {
        Rotor = 1;
        Ratchet = 3;
        Avalanche = 5;
        LastPlain = 7;
        LastCipher = 11;
        for (int i = 0; i < 256; ++i) Cards[i] = static_cast<std::uint8_t>(255 - i);
    }

    std::uint8_t Encrypt(std::uint8_t b) {
        Shuffle();
        LastCipher = static_cast<std::uint8_t>(b ^ KeyByte());
        LastPlain = b;
        return LastCipher;
    }

    std::uint8_t Decrypt(std::uint8_t b) {
        Shuffle();
        LastPlain = static_cast<std::uint8_t>(b ^ KeyByte());
        LastCipher = b;
        return LastPlain;
    }

private:
    // Moves four cards; both directions do the same before the key byte is taken, since the feedback
    // registers hold the same plain and cipher bytes on either side.
    void Shuffle() {
        Ratchet = static_cast<std::uint8_t>(Ratchet + Cards[Rotor]);
        ++Rotor;
        const std::uint8_t swap = Cards[LastCipher];
        Cards[LastCipher] = Cards[Ratchet];
        Cards[Ratchet] = Cards[LastPlain];
        Cards[LastPlain] = Cards[Rotor];
        Cards[Rotor] = swap;
        Avalanche = static_cast<std::uint8_t>(Avalanche + Cards[swap]);
    }

    std::uint8_t KeyByte() const {
        const auto inner = static_cast<std::uint8_t>(Cards[LastPlain] + Cards[LastCipher] + Cards[Avalanche]);
        const auto outer = static_cast<std::uint8_t>(Cards[Ratchet] + Cards[Rotor]);
        return static_cast<std::uint8_t>(Cards[Cards[inner]] ^ Cards[outer]);
    }
};

} // namespace torvane::crypto::sapphire

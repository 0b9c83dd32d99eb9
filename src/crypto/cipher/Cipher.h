#pragma once
// TCipher: the base of every cipher class. It owns everything that is not the block transformation
// itself: key setup from raw bytes or through a hash, the initialisation vector, the five chaining modes,
// the coding of buffers, streams and files, progress, and the wiping of key material. A concrete class
// supplies its sizes (in its descriptor), its key schedule (Init) and EncryptBlock / DecryptBlock.

#include "crypto/hash/Hash.h"
#include "platform/Error.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace torvane {
class TStream;
}

namespace torvane::crypto {

// The chaining modes, with F the chaining register (Feedback), E and D the block functions, X a plain and
// Y a coded block, and a tail the last n < B bytes of a call:
//   cmCTS  this library's own feedback mode, NOT the ciphertext stealing of the literature (it never
//          steals: a tail is coded as a key stream and the output is as long as the input):
//          Y := E(X xor F), F := Y xor F; a tail is XORed with S := E(F), then F := S xor F.
//   cmCBC  standard CBC, Y := E(X xor F), F := Y; a tail is XORed with E(F) and leaves F alone.
//   cmCFB  8-bit CFB (NIST SP 800-38A with s = 8): one block encryption per byte.
//   cmOFB  8-bit OFB: F shifts in the key-stream byte instead of the cipher byte.
//   cmECB  Y := E(X); a tail is XORed with E(F), as in CBC, so that it can be decrypted.
// Each call ends with its tail step, so CTS, CBC and ECB chain across calls only when every call but the
// last covers whole blocks; CFB and OFB chain across any split.
enum TCipherMode : std::uint8_t { cmCTS = 0, cmCBC = 1, cmCFB = 2, cmOFB = 3, cmECB = 4 };

class ECipherException : public torvane::Exception {
public:
    // The values of ErrorCode.
    enum Code : std::int32_t {
        WrongKey = 1,       // a stream's key check is not the one of the key in force
        KeySize = 2,        // a key, or a key parameter, outside the range of the class
        NotInitialized = 3, // coding before Init or InitKey, or after Wipe
        InvalidMode = 4,    // a TCipherMode value outside the enumeration
    };
    ECipherException(const std::string& message, Code code) : Exception(message, code) {}
};

class TCipher;

struct TCipherClassInfo {
    const char* ClassName;                // "TCipher_Blowfish"
    const TCipherClassInfo* Parent;       // nullptr for TCipher itself
    std::int32_t BlockSize;               // bytes
    std::int32_t MaxKeySize;              // bytes
    std::int32_t UserSize;                // bytes of the key-schedule area UserData
    std::unique_ptr<TCipher> (*Create)(); // a new, wiped object of the class
    bool InheritsFrom(const TCipherClassInfo* ancestor) const {
        for (auto* c = this; c; c = c->Parent)
            if (c == ancestor) return true;
        return false;
    }
};
using TCipherClass = const TCipherClassInfo*;

// Process-wide: refuse keys longer than MaxKeySize instead of cutting them. Off in this program.
extern bool StrictKeySize;

// The default key hash class of InitKey.
THashClass DefaultKeyHashClass(); // THash_SHA1

class TCipher {
public:
    // Flag bits.
    static constexpr int FlagKeyedFromText = 0; // keyed from a text key by InitKey
    static constexpr int FlagHashKey = 8;       // streams carry a key check
    static constexpr int FlagInitialized = 9;   // a key is set

    virtual ~TCipher();
    TCipher(const TCipher&) = delete;
    TCipher& operator=(const TCipher&) = delete;

    virtual TCipherClass ClassType() const = 0;
    const char* ClassName() const { return ClassType()->ClassName; }

    TCipherMode Mode = cmCTS;

    std::int32_t BlockSize() const { return blockSize_; }
    std::int32_t MaxKeySize() const { return maxKeySize_; }
    std::uint32_t Flags() const { return flags_; }
    bool Initialized() const { return (flags_ >> FlagInitialized) & 1u; }

    THashClass KeyHashClass() const { return keyHashClass_; }
    void SetKeyHashClass(THashClass cls); // nullptr selects the default
    THash& KeyHash();                     // created from KeyHashClass on first use

    const std::uint8_t* Vector() const { return vector_.get(); }
    const std::uint8_t* Feedback() const { return feedback_.get(); }

    virtual void ChangeFlag(int index, bool value);
    // One block in place. The block may have any alignment.
    virtual void EncryptBlock(void* block) = 0;
    virtual void DecryptBlock(void* block) = 0;
    // The key schedule: BeginKeying(size); schedule from the first size bytes; EndKeying(vector).
    // vector == nullptr derives the vector by encrypting an all-0xFF block under the new key.
    virtual void Init(const void* key, std::int32_t size, const void* vector) = 0;
    // Feedback := Vector. The stream-like classes also restore their keyed running state.
    virtual void Rewind();
    // Forgets the key: flags 0 and 9 cleared, Vector and Feedback 0xFF, Scratch and UserData zero.
    virtual void Wipe();

    // Key setup from a text key through KeyHashClass (see the cipher framework's notes).
    void InitKey(std::string_view key, const void* vector);

    // Codes size bytes in the current Mode; source and destination may be the same area. Throws
    // ECipherException code 3 when no key is set.
    void EncryptBuffer(const void* source, void* dest, std::int64_t size);
    void DecryptBuffer(const void* source, void* dest, std::int64_t size);

    // Codes a stream in 4096-byte chunks, each by its own buffer call. dest == nullptr (or dest == source)
    // codes the source in place. size counts source bytes from the current position (a key check being
    // read counts too); size < 0 codes the whole source from its beginning. With flags 0 and 8 set the
    // encrypted stream begins with the key check of InitKey, and decrypting under another key throws
    // ECipherException code 1 before anything is written. Progress: (0, total), (done, total) after each
    // chunk, and (0, 0) on every way out.
    void ProcessStream(TStream* source, TStream* dest, std::int64_t size, bool encrypt);
    // Codes a file into another, or in place when the destination is blank or names the same file. An
    // existing destination is overwritten from its start and cut behind the coded data; a destination
    // that exists is left untouched when the coding fails before the first byte reaches it.
    void ProcessFile(const std::string& sourceName, const std::string& destName, bool encrypt);

    // The key check that streams carry: the digest of the key text encrypted by InitKey (empty unless
    // keyed by InitKey).
    const std::vector<std::uint8_t>& KeyCheck() const { return keyCheck_; }

protected:
    explicit TCipher(TCipherClass cls);

    // Used by every Init: clears flag 9, wipes, clamps size to [0, MaxKeySize] (or throws code 2 with
    // StrictKeySize).
    void BeginKeying(std::int32_t& size);
    // Sets the vector (copied, or the encrypted all-0xFF block), Feedback := Vector, sets flag 9.
    void EndKeying(const void* vector);

    std::uint8_t* UserData() { return userData_.get(); }
    std::uint8_t* Scratch() { return scratch_.get(); }

private:
    [[noreturn]] void RaiseNotInitialized() const;
    void CodeBuffer(bool encrypt, const void* source, void* dest, std::int64_t size);

    struct AlignedDelete {
        void operator()(std::uint8_t* p) const;
    };
    using Area = std::unique_ptr<std::uint8_t[], AlignedDelete>;
    static Area Allocate(std::int32_t size);

    std::int32_t blockSize_;
    std::int32_t maxKeySize_;
    std::int32_t userSize_;
    std::uint32_t flags_ = 0;
    THashClass keyHashClass_;
    std::unique_ptr<THash> keyHash_;
    // A copy of the key check, so that it survives a change of KeyHashClass after InitKey.
    std::vector<std::uint8_t> keyCheck_;
    Area scratch_, vector_, feedback_, userData_; // userData_ is 64-byte aligned
};

} // namespace torvane::crypto

// Declares the descriptor of a cipher class; define it in the .cpp with TORVANE_DEFINE_CIPHER_CLASS.
#define TORVANE_CIPHER_CLASS()                                                                               \
public:                                                                                                      \
    static const ::torvane::crypto::TCipherClassInfo ClassInfo;                                              \
    ::torvane::crypto::TCipherClass ClassType() const override {                                             \
        return &ClassInfo;                                                                                   \
    }

#define TORVANE_DEFINE_CIPHER_CLASS(Class, ParentInfo, Block, MaxKey, User)                                  \
    const ::torvane::crypto::TCipherClassInfo Class::ClassInfo {                                             \
#Class, ParentInfo, Block, MaxKey, User,                                                             \
            []() -> std::unique_ptr < ::torvane::crypto::TCipher> { return std::make_unique<Class>(); }      \
    }

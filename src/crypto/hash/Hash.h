#pragma once
// THash: the base of every message-digest class, with the class-level operations that hash a text, a
// stream or a file in one call, and the digest-text rules.
//
// A hash class is referred to by its THashClass, a pointer to a constant descriptor that carries the class
// name, the parent class, the digest size and a factory. The descriptor is what the catalogue and the
// managers store and compare.

#include "platform/Error.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace torvane {
class TStream;
}

namespace torvane::crypto {

class THash;

class EHashException : public torvane::Exception {
public:
    // The values of ErrorCode.
    enum Code : std::int32_t {
        NegativeLength = 1, // Update with a length below zero
    };
    EHashException(const std::string& message, Code code) : Exception(message, code) {}
};

struct THashClassInfo {
    const char* ClassName;              // "THash_MD5"
    const THashClassInfo* Parent;       // nullptr for THash itself
    std::int32_t DigestLength;          // digest size in bytes
    std::unique_ptr<THash> (*Create)(); // a new object of the class
    bool InheritsFrom(const THashClassInfo* ancestor) const {
        for (auto* c = this; c; c = c->Parent)
            if (c == ancestor) return true;
        return false;
    }
};
using THashClass = const THashClassInfo*;

// Process-wide default digest-text format (format code 0 means this one); initially 64.
extern std::int32_t DefaultDigestFormat;

// Renders digest bytes: 16 hexadecimal (upper case), 64 this program's base-64 variant, 0 the default,
// any other code the bytes themselves.
std::string DigestToText(const std::uint8_t* digest, std::int32_t length, std::int32_t format);

class THash {
public:
    THash() = default;
    virtual ~THash() = default;
    THash(const THash&) = delete;
    THash& operator=(const THash&) = delete;

    virtual THashClass ClassType() const = 0;

    virtual void Start() {}
    virtual void Update(const void* data, std::int64_t length) {}
    virtual void Finish() {}
    // The digest inside the object (DigestLength() bytes), valid after Finish until the next Start.
    // Writable: the cipher key check encrypts it in place.
    virtual std::uint8_t* DigestBytes() = 0;

    std::int32_t DigestLength() const { return ClassType()->DigestLength; }
    std::string DigestText(std::int32_t format) {
        return DigestToText(DigestBytes(), DigestLength(), format);
    }

    // Class-level operations: create an object of the class, Start, feed the input, Finish, copy the
    // digest to `digest` when it is not null, destroy the object; the result is DigestText(0).
    static std::string HashText(THashClass cls, void* digest, std::string_view text);
    // size < 0: the whole stream from its beginning; otherwise size bytes from the current position.
    static std::string HashStream(THashClass cls, void* digest, TStream& stream, std::int64_t size);
    // Throws EFOpenError "Cannot open file <name>" when the file cannot be opened.
    static std::string HashFile(THashClass cls, void* digest, const std::string& fileName);

protected:
    // Every Update starts here: a negative length is refused before anything is fed.
    void CheckLength(std::int64_t length) const {
        if (length < 0) RaiseNegativeLength();
    }

private:
    [[noreturn]] void RaiseNegativeLength() const;
};

} // namespace torvane::crypto

// Declares the class descriptor of a hash class; define it in the .cpp with TORVANE_DEFINE_HASH_CLASS.
#define TORVANE_HASH_CLASS()                                                                                 \
public:                                                                                                      \
    static const ::torvane::crypto::THashClassInfo ClassInfo;                                                \
    ::torvane::crypto::THashClass ClassType() const override {                                               \
        return &ClassInfo;                                                                                   \
    }

#define TORVANE_DEFINE_HASH_CLASS(Class, ParentInfo, Digest)                                                 \
    const ::torvane::crypto::THashClassInfo Class::ClassInfo {                                               \
#Class, ParentInfo, Digest,                                                                          \
            []() -> std::unique_ptr < ::torvane::crypto::THash> { return std::make_unique<Class>(); }        \
    }

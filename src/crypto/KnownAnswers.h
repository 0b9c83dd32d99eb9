#pragma once
// The library's self-test: every hash and cipher class against the published known answers built into
// the library, and every cipher through a round trip in each chaining mode.

#include "crypto/VecFormat.h"
#include "crypto/cipher/Cipher.h"
#include "crypto/hash/Hash.h"

#include <string>
#include <vector>

namespace torvane::crypto {

namespace detail {
struct EmbeddedVecFile {
    const char* Name; // "block/blowfish.vec"
    const char* Text;
};
extern const EmbeddedVecFile kEmbeddedVecFiles[];
extern const int kEmbeddedVecFileCount;
} // namespace detail

// Every record of the built-in data files.
const std::vector<VecRecord>& BuiltInKnownAnswers();

struct SelfTestResult {
    bool Passed = true;
    int KnownAnswers = 0; // records checked
    int ModesChecked = 0; // chaining modes round-tripped (ciphers)
    std::string Failure;  // what went wrong first, with the record's source line
};

SelfTestResult SelfTest(THashClass cls);
SelfTestResult SelfTest(TCipherClass cls);

} // namespace torvane::crypto

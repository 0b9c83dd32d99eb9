#pragma once
// The one explicit list of every cipher class of the library (the catalogue adds names and notes).

#include "crypto/cipher/Cipher.h"

#include <vector>

namespace torvane::crypto {

// In the catalogue's order, followed by the classes the catalogue does not list (the SAFER base).
const std::vector<TCipherClass>& AllCipherClasses();
// The class with this class name ("TCipher_Blowfish"), or nullptr.
TCipherClass FindCipherClass(std::string_view className);

} // namespace torvane::crypto

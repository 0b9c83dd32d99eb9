#pragma once
// The cipher family's registration table: every cipher class of the library with its catalogue name and
// note. Adding a cipher is its file pair and one row in CipherClasses.cpp.

#include "crypto/Registration.h"
#include "crypto/cipher/Cipher.h"

#include <span>
#include <string_view>
#include <vector>

namespace torvane::crypto {

using TCipherRegistration = TRegistration<TCipherClass>;

// The rows in catalogue order; the classes the catalogue does not list come last.
std::span<const TCipherRegistration> CipherRegistrations();
// Every row's class, in the table's order.
const std::vector<TCipherClass>& AllCipherClasses();
// The class with this class name ("TCipher_Blowfish"), or nullptr.
TCipherClass FindCipherClass(std::string_view className);

} // namespace torvane::crypto

#pragma once
// The one explicit list of every hash class of the library (the catalogue adds names and notes).

#include "crypto/hash/Hash.h"

#include <vector>

namespace torvane::crypto {

// In the catalogue's order.
const std::vector<THashClass>& AllHashClasses();
// The class with this class name ("THash_MD5"), or nullptr.
THashClass FindHashClass(std::string_view className);

} // namespace torvane::crypto

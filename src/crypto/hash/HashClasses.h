#pragma once
// The hash family's registration table: every hash class of the library with its catalogue name and note.
// Adding a hash is its file pair and one row in HashClasses.cpp.

#include "crypto/Registration.h"
#include "crypto/hash/Hash.h"

#include <span>
#include <string_view>
#include <vector>

namespace torvane::crypto {

using THashRegistration = TRegistration<THashClass>;

// The rows in catalogue order.
std::span<const THashRegistration> HashRegistrations();
// Every row's class, in the table's order.
const std::vector<THashClass>& AllHashClasses();
// The class with this class name ("THash_MD5"), or nullptr.
THashClass FindHashClass(std::string_view className);

} // namespace torvane::crypto

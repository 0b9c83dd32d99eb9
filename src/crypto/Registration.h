#pragma once
// One row of a family's registration table (crypto/hash/HashClasses.cpp, crypto/cipher/CipherClasses.cpp).
// The row is all it takes to make a class known: the catalogue, the managers, torvane-crypt, the self-test
// and the tests that walk a family read the table.

#include <span>
#include <string_view>
#include <vector>

namespace torvane::crypto {

template <class ClassRef> struct TRegistration {
    ClassRef Class;
    // The catalogue name; empty: derived from the class name ("TCipher_3Way" gives "3Way").
    std::string_view Name;
    // The catalogue note ("Patented", "Checksum", ...); may be empty.
    std::string_view Note;
    // False for a class the catalogue leaves out (a family base such as TCipher_SAFER): the self-test and
    // the family walks still check it.
    bool Listed = true;
};

// Every row's class, in the table's order.
template <class ClassRef> std::vector<ClassRef> ClassesOf(std::span<const TRegistration<ClassRef>> rows) {
    std::vector<ClassRef> classes;
    for (const auto& row : rows) classes.push_back(row.Class);
    return classes;
}

// The registered class with this class name ("THash_MD5"), or nullptr.
template <class ClassRef>
ClassRef FindByClassName(std::span<const TRegistration<ClassRef>> rows, std::string_view className) {
    for (const auto& row : rows)
        if (className == row.Class->ClassName) return row.Class;
    return nullptr;
}

} // namespace torvane::crypto

#pragma once
// The algorithm catalogue: two process-wide ordered lists that map names such as "Message Digest 5" or
// "SAFER-SK128" to classes, each entry with a short note ("Patented", "Checksum", ...).

#include "crypto/cipher/Cipher.h"
#include "crypto/hash/Hash.h"

#include <string>
#include <string_view>
#include <vector>

namespace torvane::crypto {

template <class ClassRef> struct TCatalogueEntry {
    std::string Text; // name "=" note
    ClassRef Class = nullptr;

    std::string Name() const { return Text.substr(0, Text.find('=')); }
    std::string Note() const {
        const auto eq = Text.find('=');
        return eq == std::string::npos ? std::string() : Text.substr(eq + 1);
    }
};

template <class ClassRef> class TAlgorithmList {
public:
    using Entry = TCatalogueEntry<ClassRef>;

    // An empty class registers nothing (false). The name is trimmed; an empty name is derived from the
    // class name ("TCipher_3Way" gives "3Way"). A class already listed keeps its place and gets the new
    // text; otherwise the entry is appended.
    bool Register(ClassRef cls, std::string_view name, std::string_view note);

    // Name comparison ignores case; the first match wins. nullptr when nothing matches.
    const Entry* FindByName(std::string_view name) const;
    const Entry* FindByClass(ClassRef cls) const;
    // The catalogue name of a class, or the empty text for a class that is not listed.
    std::string NameOf(ClassRef cls) const;

    const std::vector<Entry>& Entries() const { return entries_; }

private:
    std::vector<Entry> entries_;
};

extern template class TAlgorithmList<THashClass>;
extern template class TAlgorithmList<TCipherClass>;

// The two lists, built from the families' registration tables on first use.
TAlgorithmList<THashClass>& HashCatalogue();
TAlgorithmList<TCipherClass>& CipherCatalogue();

// The name the catalogue derives from a class name: without the leading "T" and everything up to and
// including the first "_".
std::string DerivedName(std::string_view className);

} // namespace torvane::crypto

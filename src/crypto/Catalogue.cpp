#include "crypto/Catalogue.h"

#include "crypto/cipher/CipherClasses.h"
#include "crypto/hash/HashClasses.h"

#include <cctype>

namespace torvane::crypto {

namespace {

std::string TrimBlanks(std::string_view s) {
    const auto b = s.find_first_not_of(" \t\r\n");
    if (b == std::string_view::npos) return {};
    const auto e = s.find_last_not_of(" \t\r\n");
    return std::string(s.substr(b, e - b + 1));
}

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

template <class ClassRef> TAlgorithmList<ClassRef> Build(std::span<const TRegistration<ClassRef>> rows) {
    TAlgorithmList<ClassRef> list;
    for (const auto& row : rows)
        if (row.Listed) list.Register(row.Class, row.Name, row.Note);
    return list;
}

} // namespace

std::string DerivedName(std::string_view className) {
    std::string_view s = className;
    if (!s.empty() && (s[0] == 'T' || s[0] == 't')) s.remove_prefix(1);
    const auto us = s.find('_');
    if (us != std::string_view::npos) s.remove_prefix(us + 1);
    return std::string(s);
}

template <class ClassRef>
bool TAlgorithmList<ClassRef>::Register(ClassRef cls, std::string_view name, std::string_view note) {
    if (!cls) return false;
    std::string n = TrimBlanks(name);
    if (n.empty()) n = DerivedName(cls->ClassName);
    std::string text = n + "=" + std::string(note);
    for (auto& e : entries_) {
        if (e.Class == cls) {
            e.Text = std::move(text);
            return true;
        }
    }
    entries_.push_back(Entry{std::move(text), cls});
    return true;
}

template <class ClassRef>
const typename TAlgorithmList<ClassRef>::Entry*
TAlgorithmList<ClassRef>::FindByName(std::string_view name) const {
    for (const auto& e : entries_)
        if (SameText(e.Name(), name)) return &e;
    return nullptr;
}

template <class ClassRef>
const typename TAlgorithmList<ClassRef>::Entry* TAlgorithmList<ClassRef>::FindByClass(ClassRef cls) const {
    for (const auto& e : entries_)
        if (e.Class == cls) return &e;
    return nullptr;
}

template <class ClassRef> std::string TAlgorithmList<ClassRef>::NameOf(ClassRef cls) const {
    const auto* e = FindByClass(cls);
    return e ? e->Name() : std::string();
}

template class TAlgorithmList<THashClass>;
template class TAlgorithmList<TCipherClass>;

TAlgorithmList<THashClass>& HashCatalogue() {
    static TAlgorithmList<THashClass> list = Build(HashRegistrations());
    return list;
}

TAlgorithmList<TCipherClass>& CipherCatalogue() {
    static TAlgorithmList<TCipherClass> list = Build(CipherRegistrations());
    return list;
}

} // namespace torvane::crypto

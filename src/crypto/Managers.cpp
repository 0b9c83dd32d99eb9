#include "crypto/Managers.h"

#include "crypto/cipher/Blowfish.h"
#include "crypto/hash/CRC32.h"

#include <algorithm>

namespace torvane::crypto {

THashClass DefaultHashManagerClass() {
    return &THash_CRC32::ClassInfo;
}

TCipherClass DefaultCipherManagerClass() {
    return &TCipher_Blowfish::ClassInfo;
}

namespace {

std::string DescriptionText(const std::string& note, std::int32_t bits, const char* unit) {
    std::string r = note;
    if (!r.empty()) r += ", ";
    return r + std::to_string(bits) + unit;
}

} // namespace

// ---- THashManager -------------------------------------------------------------------------------

THashManager::~THashManager() {
    for (auto* m : users_) m->hashManager_ = nullptr;
}

void THashManager::Detach(TCipherManager* m) {
    users_.erase(std::remove(users_.begin(), users_.end(), m), users_.end());
}

THashClass THashManager::HashClass() {
    if (!class_) SetHashClass(DefaultHashManagerClass());
    return class_;
}

void THashManager::SetHashClass(THashClass cls) {
    if (!cls) cls = DefaultHashManagerClass();
    if (cls == class_) return;
    class_ = cls;
    hash_.reset();
    digest_.assign(static_cast<std::size_t>(cls->DigestLength), 0);
}

std::string THashManager::Algorithm() {
    return HashCatalogue().NameOf(HashClass());
}

void THashManager::SetAlgorithm(std::string_view name) {
    const auto* e = HashCatalogue().FindByName(name);
    SetHashClass(e ? e->Class : nullptr);
}

std::string THashManager::Description() {
    const auto cls = HashClass();
    const auto* e = HashCatalogue().FindByClass(cls);
    return DescriptionText(e ? e->Note() : std::string(), cls->DigestLength * 8, "bit Digestsize");
}

std::int32_t THashManager::DigestLength() {
    return HashClass()->DigestLength;
}

void THashManager::HashFile(const std::string& fileName) {
    const auto cls = HashClass();
    ScopedProgressHook hook(OnProgress);
    THash::HashFile(cls, digest_.data(), fileName);
}

std::string THashManager::DigestText(std::int32_t format) const {
    if (digest_.empty()) return {};
    return DigestToText(digest_.data(), static_cast<std::int32_t>(digest_.size()), format);
}

std::optional<std::string> THashManager::StoredClassName() const {
    if (!class_ || class_ == DefaultHashManagerClass()) return std::nullopt;
    return std::string(class_->ClassName);
}

void THashManager::ReadStoredClassName(std::string_view className) {
    for (const auto& e : HashCatalogue().Entries()) {
        if (className == e.Class->ClassName) {
            SetHashClass(e.Class);
            return;
        }
    }
}

// ---- TCipherManager -----------------------------------------------------------------------------

TCipherManager::~TCipherManager() {
    if (hashManager_) hashManager_->Detach(this);
}

void TCipherManager::SetHashManager(THashManager* manager) {
    if (manager == hashManager_) return;
    if (hashManager_) hashManager_->Detach(this);
    hashManager_ = manager;
    if (hashManager_) hashManager_->Attach(this);
}

TCipherClass TCipherManager::CipherClass() const {
    return class_ ? class_ : DefaultCipherManagerClass();
}

void TCipherManager::SetCipherClass(TCipherClass cls) {
    if (!cls) cls = DefaultCipherManagerClass();
    if (cls == CipherClass()) return;
    // A new class means a new object: the old key goes with the old object.
    cipher_.reset();
    class_ = cls;
}

std::string TCipherManager::Algorithm() const {
    return CipherCatalogue().NameOf(CipherClass());
}

void TCipherManager::SetAlgorithm(std::string_view name) {
    const auto* e = CipherCatalogue().FindByName(name);
    SetCipherClass(e ? e->Class : nullptr);
}

std::string TCipherManager::Description() const {
    const auto cls = CipherClass();
    const auto* e = CipherCatalogue().FindByClass(cls);
    return DescriptionText(e ? e->Note() : std::string(), cls->MaxKeySize * 8, "bit Key");
}

void TCipherManager::SetMode(TCipherMode mode) {
    mode_ = mode;
    if (cipher_) cipher_->Mode = mode;
}

void TCipherManager::SetIncludeHashKey(bool value) {
    includeHashKey_ = value;
    if (cipher_) cipher_->ChangeFlag(TCipher::FlagHashKey, value);
}

TCipher& TCipherManager::Cipher() {
    if (!cipher_) {
        const auto cls = CipherClass();
        cipher_ = cls->Create();
        cipher_->Mode = mode_;
        cipher_->ChangeFlag(TCipher::FlagHashKey, includeHashKey_);
    }
    return *cipher_;
}

void TCipherManager::InitKey(std::string_view key, const void* vector) {
    TCipher& c = Cipher();
    if (hashManager_) c.SetKeyHashClass(hashManager_->HashClass());
    c.InitKey(key, vector);
}

void TCipherManager::ProcessFile(const std::string& sourceName, const std::string& destName, bool encrypt) {
    TCipher& c = Cipher();
    ScopedProgressHook hook(OnProgress);
    c.ProcessFile(sourceName, destName, encrypt);
}

void TCipherManager::EncryptToFile(const std::string& sourceName, const std::string& destName) {
    ProcessFile(sourceName, destName, true);
}

void TCipherManager::DecryptToFile(const std::string& sourceName, const std::string& destName) {
    ProcessFile(sourceName, destName, false);
}

std::optional<std::string> TCipherManager::StoredClassName() const {
    if (!class_ || class_ == DefaultCipherManagerClass()) return std::nullopt;
    return std::string(class_->ClassName);
}

void TCipherManager::ReadStoredClassName(std::string_view className) {
    for (const auto& e : CipherCatalogue().Entries()) {
        if (className == e.Class->ClassName) {
            SetCipherClass(e.Class);
            return;
        }
    }
}

} // namespace torvane::crypto

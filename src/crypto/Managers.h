#pragma once
// The manager components: a hash class and a cipher class placed on a window and chosen by their
// catalogue name. They are what the rest of the program touches; the classes stay behind them.

#include "crypto/Catalogue.h"
#include "crypto/Progress.h"
#include "crypto/cipher/Cipher.h"
#include "crypto/hash/Hash.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace torvane::crypto {

class TCipherManager;

class THashManager {
public:
    THashManager() = default;
    ~THashManager();
    THashManager(const THashManager&) = delete;
    THashManager& operator=(const THashManager&) = delete;

    // The catalogue name of the selected class. Setting looks the name up (ignoring case); a name the
    // catalogue does not know selects CRC-32.
    std::string Algorithm();
    void SetAlgorithm(std::string_view name);
    // The entry's note, ", " when the note is not empty, then the digest size: "Checksum, 32bit Digestsize".
    std::string Description();

    TProgressEvent OnProgress;

    // The selected class; CRC-32 is selected on first use.
    THashClass HashClass();
    void SetHashClass(THashClass cls); // nullptr stands for CRC-32

    // Hashes a whole file into the digest buffer, with OnProgress in the progress slot for the duration.
    void HashFile(const std::string& fileName);
    // The digest buffer as text (format codes as for digests); empty while no class was ever used.
    std::string DigestText(std::int32_t format) const;
    std::int32_t DigestLength();
    const std::vector<std::uint8_t>& Digest() const { return digest_; }

    // The class name kept with the window's stored data under "Hash": written only for a selected class
    // that is not the default. Reading compares with the catalogue's class names, case-sensitively; a
    // name it does not know leaves the default.
    std::optional<std::string> StoredClassName() const;
    void ReadStoredClassName(std::string_view className);

private:
    friend class TCipherManager;
    void Attach(TCipherManager* m) { users_.push_back(m); }
    void Detach(TCipherManager* m);

    THashClass class_ = nullptr;
    std::unique_ptr<THash> hash_; // released whenever the class changes
    std::vector<std::uint8_t> digest_;
    std::vector<TCipherManager*> users_;
};

class TCipherManager {
public:
    TCipherManager() = default;
    ~TCipherManager();
    TCipherManager(const TCipherManager&) = delete;
    TCipherManager& operator=(const TCipherManager&) = delete;

    // The catalogue name of the selected cipher; an unknown name selects Blowfish.
    std::string Algorithm() const;
    void SetAlgorithm(std::string_view name);
    // The entry's note, ", " when the note is not empty, then the key size: "Keyscheduling, 128bit Key".
    std::string Description() const;

    TCipherMode Mode() const { return mode_; }
    void SetMode(TCipherMode mode);

    // Its hash class keys InitKey. Cleared when that manager goes away.
    THashManager* HashManager() const { return hashManager_; }
    void SetHashManager(THashManager* manager);

    bool IncludeHashKey() const { return includeHashKey_; }
    void SetIncludeHashKey(bool value);

    TProgressEvent OnProgress;

    TCipherClass CipherClass() const; // Blowfish when none was selected
    void SetCipherClass(TCipherClass cls);
    // The cipher object, created on first use with Mode and the key-check flag.
    TCipher& Cipher();

    void InitKey(std::string_view key, const void* vector);
    void EncryptToFile(const std::string& sourceName, const std::string& destName);
    void DecryptToFile(const std::string& sourceName, const std::string& destName);

    // Stored under "Cipher" as for the hash manager.
    std::optional<std::string> StoredClassName() const;
    void ReadStoredClassName(std::string_view className);

private:
    friend class THashManager;
    void ProcessFile(const std::string& sourceName, const std::string& destName, bool encrypt);

    THashManager* hashManager_ = nullptr;
    TCipherClass class_ = nullptr;
    std::unique_ptr<TCipher> cipher_;
    TCipherMode mode_ = cmCBC;
    bool includeHashKey_ = false;
};

// The default classes of the managers.
THashClass DefaultHashManagerClass();     // CRC-32
TCipherClass DefaultCipherManagerClass(); // Blowfish

} // namespace torvane::crypto

#include "CipherCommands.h"

#include "crypto/Catalogue.h"

namespace torvane::crypt {

crypto::TCipherClass CipherByName(const std::string& name) {
    const auto* entry = crypto::CipherCatalogue().FindByName(name);
    return entry ? entry->Class : nullptr;
}

} // namespace torvane::crypt

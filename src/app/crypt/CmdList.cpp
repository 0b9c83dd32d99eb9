#include "CipherCommands.h"

#include "crypto/Catalogue.h"

#include <ostream>

namespace torvane::crypt {

int ListCiphers(std::ostream& out) {
    for (const auto& e : crypto::CipherCatalogue().Entries()) {
        const auto note = e.Note();
        out << e.Name() << '\t' << (note.empty() ? "-" : note) << '\t' << e.Class->BlockSize << '\t'
            << e.Class->MaxKeySize << '\n';
    }
    out.flush();
    return 0;
}

} // namespace torvane::crypt

#include "crypto/hash/HashClasses.h"

// One line per class, in catalogue order. A class is listed once its file exists.
#include "crypto/hash/Checksums.h"
#include "crypto/hash/Haval.h"
#include "crypto/hash/MD4.h"
#include "crypto/hash/MD5.h"
#include "crypto/hash/RipeMD.h"
#include "crypto/hash/SHA.h"
#include "crypto/hash/Sapphire.h"
#include "crypto/hash/Snefru.h"
#include "crypto/hash/SquareHash.h"
#include "crypto/hash/Tiger.h"

namespace torvane::crypto {

const std::vector<THashClass>& AllHashClasses() {
    static const std::vector<THashClass> classes = {
        &THash_MD4::ClassInfo,
        &THash_MD5::ClassInfo,
        &THash_SHA::ClassInfo,
        &THash_SHA1::ClassInfo,
        &THash_RipeMD128::ClassInfo,
        &THash_RipeMD160::ClassInfo,
        &THash_RipeMD256::ClassInfo,
        &THash_RipeMD320::ClassInfo,
        &THash_Haval128::ClassInfo,
        &THash_Haval160::ClassInfo,
        &THash_Haval192::ClassInfo,
        &THash_Haval224::ClassInfo,
        &THash_Haval256::ClassInfo,
        &THash_Sapphire128::ClassInfo,
        &THash_Sapphire160::ClassInfo,
        &THash_Sapphire192::ClassInfo,
        &THash_Sapphire224::ClassInfo,
        &THash_Sapphire256::ClassInfo,
        &THash_Sapphire288::ClassInfo,
        &THash_Sapphire320::ClassInfo,
        &THash_Snefru::ClassInfo,
        &THash_Square::ClassInfo,
        &THash_Tiger::ClassInfo,
        &THash_XOR16::ClassInfo,
        &THash_XOR32::ClassInfo,
        &THash_CRC16_CCITT::ClassInfo,
        &Thash_CRC16_Standard::ClassInfo,
        &THash_CRC32::ClassInfo,
    };
    return classes;
}

THashClass FindHashClass(std::string_view className) {
    for (auto* c : AllHashClasses())
        if (className == c->ClassName) return c;
    return nullptr;
}

} // namespace torvane::crypto

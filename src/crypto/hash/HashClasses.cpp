#include "crypto/hash/HashClasses.h"

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

namespace {

// {class, catalogue name, note}, in catalogue order.
constexpr THashRegistration kHashes[] = {
    {&THash_MD4::ClassInfo, "Message Digest 4", "Hash"},
    {&THash_MD5::ClassInfo, "Message Digest 5", "Hash"},
    {&THash_SHA::ClassInfo, "Secure Hash Algorithm", "Hash"},
    {&THash_SHA1::ClassInfo, "Secure Hash Algorithm 1", "Hash"},
    {&THash_RipeMD128::ClassInfo, "Ripe Message Digest 128", "Hash"},
    {&THash_RipeMD160::ClassInfo, "Ripe Message Digest 160", "Hash"},
    {&THash_RipeMD256::ClassInfo, "Ripe Message Digest 256", "Hash"},
    {&THash_RipeMD320::ClassInfo, "Ripe Message Digest 320", "Hash"},
    {&THash_Haval128::ClassInfo, "Haval-128", "Hash"},
    {&THash_Haval160::ClassInfo, "Haval-160", "Hash"},
    {&THash_Haval192::ClassInfo, "Haval-192", "Hash"},
    {&THash_Haval224::ClassInfo, "Haval-224", "Hash"},
    {&THash_Haval256::ClassInfo, "Haval-256", "Hash"},
    {&THash_Sapphire128::ClassInfo, "Sapphire II-128", "Hash"},
    {&THash_Sapphire160::ClassInfo, "Sapphire II-160", "Hash"},
    {&THash_Sapphire192::ClassInfo, "Sapphire II-192", "Hash"},
    {&THash_Sapphire224::ClassInfo, "Sapphire II-224", "Hash"},
    {&THash_Sapphire256::ClassInfo, "Sapphire II-256", "Hash"},
    {&THash_Sapphire288::ClassInfo, "Sapphire II-288", "Hash"},
    {&THash_Sapphire320::ClassInfo, "Sapphire II-320", "Hash"},
    {&THash_Snefru::ClassInfo, "Snefru-256", "Hash"},
    {&THash_Square::ClassInfo, "Square", "Hash"},
    {&THash_Tiger::ClassInfo, "Tiger", "Hash"},
    {&THash_XOR16::ClassInfo, "XOR-16", "Checksum"},
    {&THash_XOR32::ClassInfo, "XOR-32", "Checksum"},
    {&THash_CRC16_CCITT::ClassInfo, "CRC-16 CCITT", "Checksum"},
    {&Thash_CRC16_Standard::ClassInfo, "CRC-16 Standard", "Checksum"},
    {&THash_CRC32::ClassInfo, "CRC-32", "Checksum"},
};

} // namespace

std::span<const THashRegistration> HashRegistrations() {
    return kHashes;
}

const std::vector<THashClass>& AllHashClasses() {
    static const std::vector<THashClass> classes = ClassesOf(HashRegistrations());
    return classes;
}

THashClass FindHashClass(std::string_view className) {
    return FindByClassName(HashRegistrations(), className);
}

} // namespace torvane::crypto

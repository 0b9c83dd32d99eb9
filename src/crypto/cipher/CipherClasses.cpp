#include "crypto/cipher/CipherClasses.h"

#include "crypto/cipher/Blowfish.h"
#include "crypto/cipher/Cast128.h"
#include "crypto/cipher/Cast256.h"
#include "crypto/cipher/DES.h"
#include "crypto/cipher/Diamond2.h"
#include "crypto/cipher/FROG.h"
#include "crypto/cipher/Gost.h"
#include "crypto/cipher/IDEA.h"
#include "crypto/cipher/Mars.h"
#include "crypto/cipher/Misty.h"
#include "crypto/cipher/NewDES.h"
#include "crypto/cipher/Q128.h"
#include "crypto/cipher/RC2.h"
#include "crypto/cipher/RC4.h"
#include "crypto/cipher/RC5.h"
#include "crypto/cipher/RC6.h"
#include "crypto/cipher/Rijndael.h"
#include "crypto/cipher/SAFER.h"
#include "crypto/cipher/SCOP.h"
#include "crypto/cipher/Sapphire.h"
#include "crypto/cipher/Shark.h"
#include "crypto/cipher/Skipjack.h"
#include "crypto/cipher/Square.h"
#include "crypto/cipher/TEA.h"
#include "crypto/cipher/ThreeWay.h"
#include "crypto/cipher/Twofish.h"

namespace torvane::crypto {

namespace {

// {class, catalogue name (empty: derived from the class name), note}, in catalogue order.
constexpr TCipherRegistration kCiphers[] = {
    {&TCipher_3Way::ClassInfo, "", ""},
    {&TCipher_Blowfish::ClassInfo, "", ""},
    {&TCipher_Cast128::ClassInfo, "Cast 128", ""},
    {&TCipher_Cast256::ClassInfo, "Cast 256", "Patented"},
    {&TCipher_1DES::ClassInfo, "DES Single 8byte", ""},
    {&TCipher_2DES::ClassInfo, "DES Double 8byte", ""},
    {&TCipher_2DDES::ClassInfo, "DES Double 16byte", ""},
    {&TCipher_3DES::ClassInfo, "DES Triple 8byte", ""},
    {&TCipher_3DDES::ClassInfo, "DES Triple 16byte", ""},
    {&TCipher_3TDES::ClassInfo, "DES Triple 24byte", ""},
    {&TCipher_DESX::ClassInfo, "DESX", "Copyright by RSA"},
    {&TCipher_Diamond2::ClassInfo, "Diamond II", ""},
    {&TCipher_Diamond2Lite::ClassInfo, "Diamond II Lite", ""},
    {&TCipher_FROG::ClassInfo, "", ""},
    {&TCipher_Gost::ClassInfo, "", ""},
    {&TCipher_IDEA::ClassInfo, "", "free for non-commercial"},
    {&TCipher_Mars::ClassInfo, "", "Patented"},
    {&TCipher_Misty::ClassInfo, "Misty 1", "free for non-commercial"},
    {&TCipher_NewDES::ClassInfo, "", ""},
    {&TCipher_Q128::ClassInfo, "", ""},
    {&TCipher_RC2::ClassInfo, "", ""},
    {&TCipher_RC4::ClassInfo, "", "Patented by RSA"},
    {&TCipher_RC5::ClassInfo, "", "Patented by RSA"},
    {&TCipher_RC6::ClassInfo, "", "Patented by RSA"},
    {&TCipher_Rijndael::ClassInfo, "", ""},
    {&TCipher_SAFER_K40::ClassInfo, "SAFER-K40", ""},
    {&TCipher_SAFER_SK40::ClassInfo, "SAFER-SK40", "Keyscheduling"},
    {&TCipher_SAFER_K64::ClassInfo, "SAFER-K64", ""},
    {&TCipher_SAFER_SK64::ClassInfo, "SAFER-SK64", "Keyscheduling"},
    {&TCipher_SAFER_K128::ClassInfo, "SAFER-K128", ""},
    {&TCipher_SAFER_SK128::ClassInfo, "SAFER-SK128", "Keyscheduling"},
    {&TCipher_Sapphire::ClassInfo, "Sapphire II", ""},
    {&TCipher_SCOP::ClassInfo, "", ""},
    {&TCipher_Shark::ClassInfo, "", ""},
    {&TCipher_Skipjack::ClassInfo, "", ""},
    {&TCipher_Square::ClassInfo, "", ""},
    {&TCipher_TEA::ClassInfo, "TEA", ""},
    {&TCipher_TEAN::ClassInfo, "TEA extended", ""},
    {&TCipher_Twofish::ClassInfo, "", ""},
    // The SAFER variants' shared base keys as SK-128; the catalogue offers the variants only.
    {&TCipher_SAFER::ClassInfo, "", "", false},
};

} // namespace

std::span<const TCipherRegistration> CipherRegistrations() {
    return kCiphers;
}

const std::vector<TCipherClass>& AllCipherClasses() {
    static const std::vector<TCipherClass> classes = ClassesOf(CipherRegistrations());
    return classes;
}

TCipherClass FindCipherClass(std::string_view className) {
    return FindByClassName(CipherRegistrations(), className);
}

} // namespace torvane::crypto

#include "crypto/cipher/CipherClasses.h"

// One line per class, in catalogue order. A class is listed once its file exists.
#include "crypto/cipher/ThreeWay.h"
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
#include "crypto/cipher/Sapphire.h"
#include "crypto/cipher/SCOP.h"
#include "crypto/cipher/Shark.h"
#include "crypto/cipher/Skipjack.h"
#include "crypto/cipher/Square.h"
#include "crypto/cipher/TEA.h"
#include "crypto/cipher/Twofish.h"

namespace torvane::crypto {

const std::vector<TCipherClass>& AllCipherClasses() {
    static const std::vector<TCipherClass> classes = {
        &TCipher_3Way::ClassInfo,
        &TCipher_Blowfish::ClassInfo,
        &TCipher_Cast128::ClassInfo,
        &TCipher_Cast256::ClassInfo,
        &TCipher_1DES::ClassInfo,
        &TCipher_2DES::ClassInfo,
        &TCipher_2DDES::ClassInfo,
        &TCipher_3DES::ClassInfo,
        &TCipher_3DDES::ClassInfo,
        &TCipher_3TDES::ClassInfo,
        &TCipher_DESX::ClassInfo,
        &TCipher_Diamond2::ClassInfo,
        &TCipher_Diamond2Lite::ClassInfo,
        &TCipher_FROG::ClassInfo,
        &TCipher_Gost::ClassInfo,
        &TCipher_IDEA::ClassInfo,
        &TCipher_Mars::ClassInfo,
        &TCipher_Misty::ClassInfo,
        &TCipher_NewDES::ClassInfo,
        &TCipher_Q128::ClassInfo,
        &TCipher_RC2::ClassInfo,
        &TCipher_RC4::ClassInfo,
        &TCipher_RC5::ClassInfo,
        &TCipher_RC6::ClassInfo,
        &TCipher_Rijndael::ClassInfo,
        &TCipher_SAFER_K40::ClassInfo,
        &TCipher_SAFER_SK40::ClassInfo,
        &TCipher_SAFER_K64::ClassInfo,
        &TCipher_SAFER_SK64::ClassInfo,
        &TCipher_SAFER_K128::ClassInfo,
        &TCipher_SAFER_SK128::ClassInfo,
        &TCipher_Sapphire::ClassInfo,
        &TCipher_SCOP::ClassInfo,
        &TCipher_Shark::ClassInfo,
        &TCipher_Skipjack::ClassInfo,
        &TCipher_Square::ClassInfo,
        &TCipher_TEA::ClassInfo,
        &TCipher_TEAN::ClassInfo,
        &TCipher_Twofish::ClassInfo,
        &TCipher_SAFER::ClassInfo,
    };
    return classes;
}

TCipherClass FindCipherClass(std::string_view className) {
    for (auto* c : AllCipherClasses())
        if (className == c->ClassName) return c;
    return nullptr;
}

} // namespace torvane::crypto

// MISTY1: the S-boxes the class computes equal the tables printed in RFC 2994.

#include "common/CryptoData.h"
#include "crypto/cipher/Misty.h"

#include <fstream>
#include <map>
#include <sstream>

#include <gtest/gtest.h>

using namespace torvane::crypto;
using namespace torvane::test;

namespace {

TEST(Misty, SBoxesEqualThePrintedTables) {
    std::ifstream in(CryptoDataPath("algorithm/misty1-sboxes.txt"));
    ASSERT_TRUE(in) << "misty1-sboxes.txt";
    std::map<std::string, std::vector<unsigned>> tables;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream s(line);
        std::string name, eq;
        s >> name >> eq;
        for (unsigned v; s >> v;) tables[name].push_back(v);
    }
    ASSERT_EQ(tables["S7"].size(), 128u);
    ASSERT_EQ(tables["S9"].size(), 512u);
    for (unsigned x = 0; x < 128; ++x)
        EXPECT_EQ(TCipher_Misty::S7()[x], tables["S7"][x]) << "S7[" << x << "]";
    for (unsigned x = 0; x < 512; ++x)
        EXPECT_EQ(TCipher_Misty::S9()[x], tables["S9"][x]) << "S9[" << x << "]";
}

} // namespace

#pragma once
// Reads the known-answer data files (tests/data/**/*.vec, format in crypto/VecFormat.h) from disk.

#include "crypto/VecFormat.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace torvane::test {

using crypto::FromHex;
using crypto::ToHex;
using crypto::VecRecord;

inline std::vector<VecRecord> ReadVecFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return crypto::ParseVec(text, path);
}

inline std::string DataPath(const std::string& rel) {
    return std::string(TORVANE_TEST_DATA_DIR) + "/" + rel;
}

} // namespace torvane::test

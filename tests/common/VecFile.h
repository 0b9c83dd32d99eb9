#pragma once
// Reads the known-answer data files (tests/data/**/*.vec, format in crypto/VecFormat.h) from disk.

#include "crypto/VecFormat.h"

#include <cstdint>
#include <filesystem>
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

// The records of every *.vec file in a folder of the test data, file after file in no particular order;
// none when the folder is missing (the tests then fail for want of records).
inline std::vector<VecRecord> ReadVecFolder(const std::string& rel) {
    std::vector<VecRecord> all;
    const auto dir = DataPath(rel);
    if (!std::filesystem::exists(dir)) return all;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        if (e.path().extension() != ".vec") continue;
        auto part = ReadVecFile(e.path().string());
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

} // namespace torvane::test

#pragma once
// The library's known-answer data (src/crypto/data) read from disk: the same files the library carries
// built in, and the records that only the algorithm tests read (data/algorithm).

#include "crypto/KnownAnswers.h"
#include "crypto/VecFormat.h"
#include "crypto/common/Hex.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace torvane::test {

using crypto::VecRecord;

inline std::string CryptoDataPath(const std::string& rel) {
    return std::string(TORVANE_CRYPTO_DATA_DIR) + "/" + rel;
}

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The records of one data file, "algorithm/diamond2-rounds.vec".
inline std::vector<VecRecord> ReadVecFile(const std::string& rel) {
    return crypto::ParseVec(ReadText(CryptoDataPath(rel)), rel);
}

// Every *.vec file of the folders the library builds in, named as the library names them.
inline std::vector<crypto::TVecFile> ReadKnownAnswerFiles() {
    std::vector<crypto::TVecFile> files;
    for (const char* folder : {"block", "modes", "hash"})
        for (const auto& e : std::filesystem::directory_iterator(CryptoDataPath(folder)))
            if (e.path().extension() == ".vec")
                files.push_back(
                    {std::string(folder) + "/" + e.path().filename().string(), ReadText(e.path().string())});
    return files;
}

// The known answers as the files on disk hold them, read once.
inline const crypto::TKnownAnswers& DiskKnownAnswers() {
    static const crypto::TKnownAnswers answers(ReadKnownAnswerFiles());
    return answers;
}

// Test shorthands for the library's hex codec: text to bytes (the text must be valid) and back.
inline std::vector<std::uint8_t> FromHex(std::string_view hex) {
    auto bytes = crypto::common::ParseHex(hex);
    if (!bytes) throw std::invalid_argument("not hexadecimal: " + std::string(hex));
    return std::move(*bytes);
}
inline std::string ToHex(const std::vector<std::uint8_t>& bytes) {
    return crypto::common::HexText(bytes);
}
inline std::string ToHex(const void* data, std::size_t size) {
    return crypto::common::HexText(data, size);
}

} // namespace torvane::test

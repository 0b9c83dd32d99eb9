#include "cert/Scramble.h"

#include "cert/CertificateFile.h"
#include "platform/Files.h"

#include <stdexcept>

namespace torvane::cert {

void ScrambleBytes(std::string& data, std::string_view key) {
    if (key.size() < 2) throw std::invalid_argument("The scramble key needs at least two characters");
    const size_t period = key.size() - 1;
    const auto length = static_cast<unsigned char>(key.size() % 256);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(static_cast<unsigned char>(data[i]) ^
                                    static_cast<unsigned char>(key[i % period]) ^
                                    static_cast<unsigned char>(i % 256) ^ length);
}

void ScrambleFile(const std::string& inputName, const std::string& outputName, std::string_view key) {
    if (!FileExists(inputName)) return;
    // The same file under another name (a link, "./torvane") is the program all the same.
    if (SameFile(inputName, ProgramFilePath())) return;
    std::string data = ReadWholeFile(inputName);
    ScrambleBytes(data, key);
    WriteFileAtomically(outputName, data);
}

} // namespace torvane::cert

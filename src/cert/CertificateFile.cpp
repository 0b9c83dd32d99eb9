#include "cert/CertificateFile.h"

#include "platform/Stream.h"

#include <algorithm>

namespace torvane::cert {

std::string ReadWholeFile(const std::string& path, std::size_t limit) {
    TFileStream file(path, FileMode::OpenRead);
    std::string data;
    char buffer[65536];
    while (data.size() <= limit) {
        const std::size_t room = limit + 1 - data.size();
        const auto n = file.Read(buffer, static_cast<std::int64_t>(std::min(room, sizeof buffer)));
        if (n <= 0) break;
        data.append(buffer, static_cast<std::size_t>(n));
    }
    return data;
}

} // namespace torvane::cert

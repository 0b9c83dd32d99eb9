#pragma once
// A scratch folder of its own for one test, removed with everything in it when the test ends, and the
// whole-file reads and writes the tests do there.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace torvane::test {

class TempDir {
public:
    // mkdtemp gives every folder a name of its own, so that tests of parallel runs never meet.
    TempDir() : TempDir(std::filesystem::temp_directory_path()) {}
    // In the given folder instead of the temporary one.
    explicit TempDir(const std::filesystem::path& parent) {
        std::string pattern = (parent / "torvane-test-XXXXXX").string();
        if (::mkdtemp(pattern.data())) path_ = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        // A test may have taken the owner's rights away to provoke a failure.
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Empty when the folder could not be made.
    const std::string& Path() const { return path_; }
    std::string Path(const std::string& name) const { return path_ + "/" + name; }
    std::string operator/(const std::string& name) const { return Path(name); }

    // Writes a file of the folder and gives its path.
    std::string Write(const std::string& name, const std::string& content) const {
        const auto p = Path(name);
        std::ofstream(p, std::ios::binary) << content;
        return p;
    }

private:
    std::string path_;
};

inline void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& data) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

inline std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace torvane::test

#include "platform/CommandLine.h"

#include "platform/Files.h"

#include <fstream>
#include <iterator>

namespace torvane {

std::string BuildRawCommandLine(const std::string& programPath, const std::vector<std::string>& arguments) {
    std::string line = "\"" + programPath + "\"";
    for (size_t i = 0; i < arguments.size(); ++i) {
        line += ' ';
        line += arguments[i];
    }
    return line;
}

std::vector<std::string> ProcessArguments() {
    // /proc keeps the arguments as the program received them, whatever a toolkit later takes out of argv.
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> args;
    size_t start = 0;
    while (start < all.size()) {
        auto end = all.find('\0', start);
        if (end == std::string::npos) end = all.size();
        args.push_back(all.substr(start, end - start));
        start = end + 1;
    }
    if (!args.empty()) args.erase(args.begin());
    return args;
}

std::string RawCommandLine() {
    return BuildRawCommandLine(ProgramFilePath(), ProcessArguments());
}

} // namespace torvane

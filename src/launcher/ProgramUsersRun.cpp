#include "launcher/ProgramUsersRun.h"

#include "platform/Files.h"

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace torvane::app {

namespace fs = std::filesystem;

namespace {

fs::path Canonical(const fs::path& path) {
    std::error_code error;
    auto canonical = fs::weakly_canonical(path, error);
    return error ? fs::path() : canonical;
}

} // namespace

std::string LauncherOf(const std::string& self, const std::string& privateProgram,
                       const std::vector<std::string>& candidates) {
    const auto program = Canonical(self);
    if (program.empty()) return {};
    for (const auto& candidate : candidates) {
        const auto launcher = Canonical(program.parent_path() / candidate);
        struct stat info {};
        if (launcher.empty() || ::stat(launcher.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
            ::access(launcher.c_str(), X_OK) != 0)
            continue;
        // Both ways: a file of the launcher's name beside a program it does not start is somebody else's.
        if (Canonical(launcher.parent_path() / privateProgram) == program) return launcher.string();
    }
    return {};
}

LauncherPaths BuiltLauncherPaths() {
    return {TORVANE_PRIVATE_PROGRAM, TORVANE_LAUNCHER_INSTALLED, TORVANE_LAUNCHER_BUILT};
}

std::string ProgramUsersRun() {
    const auto self = ProgramFilePath();
    const auto paths = BuiltLauncherPaths();
    const auto launcher = LauncherOf(self, paths.PrivateProgram, {paths.Installed, paths.Built});
    return launcher.empty() ? self : launcher;
}

} // namespace torvane::app

#pragma once
// Opening a document or a web address with the desktop's default application. The desktop
// implementation lives with the windows (src/window); RecordingShell keeps what it was asked, for tests.

#include <string>
#include <vector>

namespace torvane {

// Show modes the callers pass; only "show normally" is used.
constexpr int kShowNormal = 5;

class IShell {
public:
    virtual ~IShell() = default;
    // Opens target (a file path or a web address) with its default action. Texts of any length are
    // handed over whole. The result tells whether the desktop accepted the request and has an application
    // that shows it; false leaves it to the caller to show it another way.
    virtual bool ShellOpen(const std::string& target, const std::string& parameters,
                           const std::string& directory, int showMode) = 0;
};

class RecordingShell final : public IShell {
public:
    struct Request {
        std::string Target, Parameters, Directory;
        int ShowMode;
    };
    bool ShellOpen(const std::string& target, const std::string& parameters, const std::string& directory,
                   int showMode) override {
        Requests.push_back({target, parameters, directory, showMode});
        return Result;
    }
    std::vector<Request> Requests;
    bool Result = true;
};

} // namespace torvane

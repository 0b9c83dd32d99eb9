#include "platform/CommandGuard.h"

#include <exception>
#include <new>

namespace torvane {

bool RunGuarded(IDialogs& dialogs, const std::function<void()>& command) {
    std::string message;
    try {
        command();
        return true;
    } catch (const std::bad_alloc&) {
        message = "Out of memory";
    } catch (const std::exception& e) {
        message = e.what();
    } catch (...) {
        message = "Unknown error";
    }
    // Shown outside the handler, so that a failing error box cannot hide the first failure.
    try {
        dialogs.ErrorBox(message);
    } catch (...) {
    }
    return false;
}

} // namespace torvane

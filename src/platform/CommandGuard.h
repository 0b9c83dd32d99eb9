#pragma once
// Every menu command runs inside this guard: whatever the command throws ends the command, not the
// program, and its message is shown in the application's general error box.

#include "platform/Dialogs.h"

#include <functional>

namespace torvane {

// Runs command; an escaping exception is shown with dialogs.ErrorBox. True when the command finished.
bool RunGuarded(IDialogs& dialogs, const std::function<void()>& command);

} // namespace torvane

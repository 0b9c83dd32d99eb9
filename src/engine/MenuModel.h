#pragma once
// The menu items' enabled and ticked states with their radio groups, for views that have no menu bar of
// their own (the terminal front end, tests).

#include "engine/RunView.h"

#include <map>

namespace torvane::engine {

class MenuModel {
public:
    // The states at program start: "Stop" disabled; "Normal", "Random" and "No Encryption tests" ticked.
    MenuModel();

    MenuItemState Get(MenuItem item) const;
    // Ticking an item of a radio group ("idle", "Normal", "Hardcore"; "Random", "Optimal...") clears the
    // other items of its group.
    void Set(MenuItem item, const MenuItemState& state);

private:
    std::map<MenuItem, MenuItemState> states_;
};

} // namespace torvane::engine

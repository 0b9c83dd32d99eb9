#include "engine/MenuModel.h"

#include <initializer_list>

namespace torvane::engine {

namespace {

const std::initializer_list<MenuItem> ModeGroup = {MenuItem::idle1, MenuItem::Normal1, MenuItem::Hardcore1};
const std::initializer_list<MenuItem> TestsGroup = {MenuItem::Random1, MenuItem::Optimal1};

bool In(std::initializer_list<MenuItem> group, MenuItem item) {
    for (auto i : group)
        if (i == item) return true;
    return false;
}

} // namespace

MenuModel::MenuModel() {
    states_[MenuItem::Stop1].Enabled = false;
    states_[MenuItem::Normal1].Checked = true;
    states_[MenuItem::Random1].Checked = true;
    states_[MenuItem::NoEncryptiontests1].Checked = true;
}

MenuItemState MenuModel::Get(MenuItem item) const {
    const auto it = states_.find(item);
    return it == states_.end() ? MenuItemState{} : it->second;
}

void MenuModel::Set(MenuItem item, const MenuItemState& state) {
    if (state.Checked) {
        for (auto group : {ModeGroup, TestsGroup}) {
            if (!In(group, item)) continue;
            for (auto other : group)
                if (other != item) states_[other].Checked = false;
        }
    }
    states_[item] = state;
}

} // namespace torvane::engine

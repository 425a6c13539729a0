// Built-in and user gradient presets and the preset manager's list.
#include "engine/gradient/gradient_presets.h"

#include "engine/gradient/builtin_presets.h"

namespace qm::gradient {

namespace {

PresetMenuEntry submenu(std::string caption) {
    PresetMenuEntry entry;
    entry.kind = PresetMenuKind::Submenu;
    entry.caption = std::move(caption);
    return entry;
}

PresetMenuEntry separator() {
    PresetMenuEntry entry;
    entry.kind = PresetMenuKind::Separator;
    return entry;
}

PresetMenuEntry item(std::string caption, std::string name, PresetAction action) {
    PresetMenuEntry entry;
    entry.caption = std::move(caption);
    entry.name = std::move(name);
    entry.action = action;
    return entry;
}

PresetMenuEntry builtInItem(const BuiltInPreset& preset) {
    auto entry =
        item(std::string(preset.caption), std::string(preset.name), PresetAction::ApplyBuiltIn);
    entry.stopString = preset.stopString;
    return entry;
}

PresetMenuEntry defaultSubmenu() {
    auto defaults = submenu("Default");
    for (const char* group : {"Greyscale", "Metallic", "Misc."}) {
        auto sub = submenu(group);
        for (const auto& preset : kBuiltInPresets)
            if (preset.submenu == group) sub.children.push_back(builtInItem(preset));
        defaults.children.push_back(std::move(sub));
    }
    defaults.children.push_back(separator());
    for (const auto& preset : kBuiltInPresets)
        if (preset.submenu.empty()) defaults.children.push_back(builtInItem(preset));
    return defaults;
}

} // namespace

GradientPresets::GradientPresets(GradientModel& model, PresetStore& store)
    : model_(model), store_(store) {
    rebuildUserDefined();
}

std::vector<PresetMenuEntry> GradientPresets::menu() const {
    std::vector<PresetMenuEntry> entries;
    entries.push_back(defaultSubmenu());
    auto user = submenu("User Defined");
    for (const auto& caption : userDefined_)
        user.children.push_back(item(caption, "", PresetAction::LoadUser));
    entries.push_back(std::move(user));
    entries.push_back(separator());
    entries.push_back(item("Save current", "Savecurrent1", PresetAction::SaveCurrent));
    entries.push_back(item("Preset Manager", "PresetManager1", PresetAction::OpenManager));
    return entries;
}

void GradientPresets::rebuildUserDefined() {
    userDefined_.clear();
    if (auto names = store_.names()) storedNames_ = std::move(*names);
    userDefined_ = storedNames_;
}

void GradientPresets::loadgrad(const std::string& caption) {
    const std::string text = store_.read(caption, kMissingPreset);
    if (text == kMissingPreset) return; // deleted elsewhere since the menu was built
    model_.loadStopString(text);
}

bool GradientPresets::saveCurrent(const std::function<std::optional<std::string>()>& askName) {
    const std::string stopString = model_.stopString();
    const auto name = askName();
    if (!name) return false;
    store_.write(*name, stopString);
    userDefined_.push_back(*name);
    return true;
}

void GradientPresets::openPresetManager(const std::function<void()>& showManager) {
    showManager();
    // Deletions reached the store at once; the menu follows however the manager was closed.
    rebuildUserDefined();
}

PresetManagerList::PresetManagerList(PresetStore& store) : store_(store) {
    if (auto names = store_.names()) items_ = std::move(*names);
}

void PresetManagerList::setItemIndex(int index) {
    itemIndex_ = index >= 0 && index < static_cast<int>(items_.size()) ? index : -1;
}

void PresetManagerList::deleteSelected() {
    if (itemIndex_ < 0) return;
    const std::string name = items_[static_cast<size_t>(itemIndex_)];
    caption_ = name;
    items_.erase(items_.begin() + itemIndex_);
    itemIndex_ = -1;
    store_.remove(name);
}

} // namespace qm::gradient

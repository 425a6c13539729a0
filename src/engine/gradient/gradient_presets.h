// The palette editor's "Presets..." menu: built-in gradients, user gradients kept in a
// PresetStore, "Save current" and the preset manager's list.
#pragma once

#include "engine/gradient/gradient_model.h"
#include "engine/gradient/preset_store.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qm::gradient {

enum class PresetMenuKind : std::uint8_t { Submenu, Item, Separator };

enum class PresetAction : std::uint8_t {
    None,
    ApplyBuiltIn, // defaultgrad with the entry's stop string
    LoadUser,     // loadgrad with the entry's caption
    SaveCurrent,  // Savecurrent1Click
    OpenManager,  // PresetManager1Click
};

// One entry of the drop-down menu, for the front end to turn into a real menu. Captions are
// plain text (a user's "&" is not an accelerator).
struct PresetMenuEntry {
    PresetMenuKind kind = PresetMenuKind::Item;
    std::string caption;
    std::string name; // component name where the item has one
    PresetAction action = PresetAction::None;
    std::string stopString; // built-in items only
    std::vector<PresetMenuEntry> children;
};

class GradientPresets {
public:
    // Builds "User Defined" from the store (empty when the section cannot be opened).
    GradientPresets(GradientModel& model, PresetStore& store);

    // The whole drop-down: "Default", "User Defined", separator, "Save current",
    // "Preset Manager".
    std::vector<PresetMenuEntry> menu() const;
    // Captions of the "User Defined" items, in menu order.
    const std::vector<std::string>& userDefined() const { return userDefined_; }

    // Clears "User Defined" and fills it from the store's names. When the section cannot be
    // opened the names read last time are used again.
    void rebuildUserDefined();

    // Applies the stored preset `caption` field by field; a missing one (or "nil") does nothing.
    void loadgrad(const std::string& caption);

    // "Save current": forms the stop string, asks for a name (nullopt = cancelled), stores it
    // and appends a "User Defined" item even when the name is already there. Returns whether
    // something was saved; a store error propagates and adds no item.
    bool saveCurrent(const std::function<std::optional<std::string>()>& askName);

    // "Preset Manager": runs the manager modally, then rebuilds "User Defined" however the
    // manager was closed.
    void openPresetManager(const std::function<void()>& showManager);

private:
    GradientModel& model_;
    PresetStore& store_;
    std::vector<std::string> storedNames_; // the names read last
    std::vector<std::string> userDefined_;
};

// The preset manager's list: filled once from the store, entries deleted from the store at once.
class PresetManagerList {
public:
    static constexpr const char* kInitialCaption = "presetmanager";

    explicit PresetManagerList(PresetStore& store);

    const std::vector<std::string>& items() const { return items_; }
    // -1 when nothing is selected.
    int itemIndex() const { return itemIndex_; }
    void setItemIndex(int index);
    // The window caption; after a deletion it shows the name deleted last.
    const std::string& caption() const { return caption_; }

    // "Delete": removes the selected name from the list and from the store, no confirmation.
    // Nothing happens without a selection.
    void deleteSelected();

private:
    PresetStore& store_;
    std::vector<std::string> items_;
    int itemIndex_ = -1;
    std::string caption_ = kInitialCaption;
};

} // namespace qm::gradient

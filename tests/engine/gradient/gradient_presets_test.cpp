// The "Presets..." menu, user presets in a store, "Save current" and the preset manager's list.
#include "engine/core/errors.h"
#include "engine/gradient/builtin_presets.h"
#include "engine/gradient/gradient_presets.h"
#include "engine/gradient/memory_preset_store.h"

#include <gtest/gtest.h>

namespace {

using qm::gradient::GradientPresets;
using qm::gradient::PresetManagerList;
using qm::gradient::PresetMenuEntry;
using qm::gradient::PresetMenuKind;
using Names = std::vector<std::string>;

struct Fixture {
    qm::SharedColourData data;
    qm::gradient::GradientModel model{data};
    qm::test::MemoryPresetStore store;
};

std::optional<std::string> named(const char* name) {
    return name;
}

std::string outline(const std::vector<PresetMenuEntry>& entries) {
    std::string out;
    for (const auto& e : entries) {
        out += e.kind == PresetMenuKind::Separator ? "-" : e.caption;
        if (e.kind == PresetMenuKind::Submenu) out += "[" + outline(e.children) + "]";
        out += "|";
    }
    return out;
}

TEST(GradientPresets, MenuLayoutWithUserPresetsInStoreOrder) {
    Fixture f;
    for (const char* name : {"zeta", "Alpha"})
        f.store.put(name, "1;");
    GradientPresets presets(f.model, f.store);
    const auto menu = presets.menu();
    EXPECT_EQ(
        outline(menu),
        "Default[Greyscale[Grey AB wash|Grey ABA wash|]|Metallic[Chrome|Bronze|Silver|Gold|]|"
        "Misc.[Alien Skin|Rainbow in the Dark|70ties|]|-|Standard|]|User Defined[zeta|Alpha|]|"
        "-|Save current|Preset Manager|");
    const auto& standard = menu[0].children[4];
    EXPECT_EQ(standard.name, "Default2");
    EXPECT_EQ(standard.action, qm::gradient::PresetAction::ApplyBuiltIn);
    EXPECT_EQ(standard.stopString, qm::gradient::kStandardStopString);
    EXPECT_EQ(menu[1].children[0].action, qm::gradient::PresetAction::LoadUser);
}

TEST(GradientPresets, SaveCreatesTheSectionAndRepeatsItemsUntilRebuild) {
    Fixture f;
    GradientPresets presets(f.model, f.store);
    EXPECT_TRUE(presets.userDefined().empty());
    EXPECT_TRUE(PresetManagerList(f.store).items().empty());

    f.model.defaultgrad(qm::gradient::kStandardStopString);
    EXPECT_TRUE(presets.saveCurrent([] { return named("Night"); }));
    EXPECT_EQ(f.store.stored("Night"), "1;1;1;64;128;128;256;256;256;128;64;128;1;1;1;");
    f.model.defaultgrad("6;");
    presets.saveCurrent([] { return named("Night"); });
    EXPECT_EQ(f.store.values.size(), 1u);
    EXPECT_EQ(f.store.stored("Night"), "6;1;1;1;1;1;1;1;1;1;1;1;1;1;1;");
    EXPECT_EQ(presets.userDefined(), (Names{"Night", "Night"}));
    presets.openPresetManager([] {});
    EXPECT_EQ(presets.userDefined(), Names{"Night"});
}

TEST(GradientPresets, CancelAndWriteErrorsStoreNothingAndAddNoItem) {
    const std::tuple<bool, bool, const char*> cases[] = {
        {false, false, nullptr},
        {true, false, "Failed to create key Gradients"},
        {false, true, "Failed to set data for 'Broken'"},
    };
    for (const auto& [failCreateKey, failSetData, message] : cases) {
        Fixture f;
        f.store.failCreateKey = failCreateKey;
        f.store.failSetData = failSetData;
        GradientPresets presets(f.model, f.store);
        if (message == nullptr) {
            EXPECT_FALSE(presets.saveCurrent([] { return std::optional<std::string>(); }));
        } else {
            try {
                presets.saveCurrent([] { return named("Broken"); });
                ADD_FAILURE() << message;
            } catch (const qm::gradient::ERegistryException& e) {
                EXPECT_EQ(e.message(), message);
            }
        }
        EXPECT_TRUE(f.store.values.empty());
        EXPECT_TRUE(presets.userDefined().empty());
    }
}

TEST(GradientPresets, LoadAppliesStoredStringsAndIgnoresMissingOnes) {
    Fixture f;
    f.store.put("Red", "256;1;1;256;1;1;256;1;1;256;1;1;256;1;1;");
    f.store.put("Nil", "nil");
    f.store.put("Binary", "\x01", false);
    f.store.put("Bad", "5;x;");
    GradientPresets presets(f.model, f.store);
    f.model.defaultgrad(qm::gradient::kStandardStopString);
    presets.loadgrad("Gone"); // deleted since the menu was built
    presets.loadgrad("Nil");
    EXPECT_EQ(f.model.stopString(), qm::gradient::kStandardStopString);

    presets.loadgrad("Red");
    EXPECT_EQ((*f.data.gradientTable())[100], qm::makeColour(255, 0, 0));
    try {
        presets.loadgrad("Binary");
        FAIL();
    } catch (const qm::gradient::ERegistryException& e) {
        EXPECT_EQ(e.message(), "Invalid data type for 'Binary'");
    }
    EXPECT_THROW(presets.loadgrad("Bad"), qm::EConvertError);
    EXPECT_EQ(f.model.field(0), 5);
}

TEST(GradientPresets, RebuildWithUnreadableSectionReusesTheLastNames) {
    Fixture f;
    f.store.put("Kept", "1;");
    GradientPresets presets(f.model, f.store);
    presets.saveCurrent([] { return named("Extra"); });
    f.store.sectionExists = false;
    presets.rebuildUserDefined();
    EXPECT_EQ(presets.userDefined(), Names{"Kept"});
}

TEST(PresetManager, DeleteRemovesFromStoreAtOnce) {
    Fixture f;
    for (const char* name : {"One", "Two", "Three"})
        f.store.put(name, "1;");
    GradientPresets presets(f.model, f.store);
    presets.openPresetManager([&] {
        PresetManagerList manager(f.store);
        EXPECT_EQ(manager.caption(), "presetmanager");
        manager.deleteSelected(); // nothing selected
        manager.setItemIndex(1);
        manager.deleteSelected();
        EXPECT_EQ(manager.caption(), "Two");
        EXPECT_EQ(manager.items(), (Names{"One", "Three"}));
        EXPECT_EQ(manager.itemIndex(), -1);
        EXPECT_FALSE(f.store.stored("Two").has_value());
        EXPECT_EQ(presets.userDefined().size(), 3u); // the menu follows when the manager closes
        // Closed with the close box, not "OK": the deletion stands.
    });
    EXPECT_EQ(presets.userDefined(), (Names{"One", "Three"}));
}

} // namespace

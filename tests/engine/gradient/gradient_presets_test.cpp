// The "Presets..." menu, user presets in a store, "Save current" and the preset manager's list.
#include "engine/core/errors.h"
#include "engine/gradient/builtin_presets.h"
#include "engine/gradient/gradient_presets.h"
#include "engine/gradient/memory_preset_store.h"

#include <gtest/gtest.h>

namespace {

using qm::gradient::GradientModel;
using qm::gradient::GradientPresets;
using qm::gradient::PresetAction;
using qm::gradient::PresetManagerList;
using qm::gradient::PresetMenuEntry;
using qm::gradient::PresetMenuKind;
using qm::test::MemoryPresetStore;
using Names = std::vector<std::string>;

struct Fixture {
    qm::SharedColourData data;
    GradientModel model{data};
    MemoryPresetStore store;
};

std::string outline(const std::vector<PresetMenuEntry>& entries) {
    std::string out;
    for (const auto& e : entries) {
        if (e.kind == PresetMenuKind::Separator)
            out += "-";
        else
            out += e.caption;
        if (e.kind == PresetMenuKind::Submenu) out += "[" + outline(e.children) + "]";
        out += "|";
    }
    return out;
}

const PresetMenuEntry* findItem(const std::vector<PresetMenuEntry>& entries,
                                std::string_view caption) {
    for (const auto& e : entries) {
        if (e.kind == PresetMenuKind::Item && e.caption == caption) return &e;
        if (const auto* found = findItem(e.children, caption)) return found;
    }
    return nullptr;
}

TEST(GradientPresets, MenuLayout) {
    Fixture f;
    f.store.put("Mine", "1;");
    GradientPresets presets(f.model, f.store);
    EXPECT_EQ(outline(presets.menu()),
              "Default[Greyscale[Grey AB wash|Grey ABA wash|]|Metallic[Chrome|Bronze|Silver|Gold|]|"
              "Misc.[Alien Skin|Rainbow in the Dark|70ties|]|-|Standard|]|User Defined[Mine|]|-|"
              "Save current|Preset Manager|");
    const auto menu = presets.menu();
    EXPECT_EQ(findItem(menu, "Save current")->action, PresetAction::SaveCurrent);
    EXPECT_EQ(findItem(menu, "Preset Manager")->action, PresetAction::OpenManager);
    EXPECT_EQ(findItem(menu, "Mine")->action, PresetAction::LoadUser);
    const auto* standard = findItem(menu, "Standard");
    EXPECT_EQ(standard->name, "Default2");
    EXPECT_EQ(standard->stopString, qm::gradient::kStandardStopString);
}

TEST(GradientPresets, EveryBuiltInSetsAllFifteenFields) {
    for (const auto& preset : qm::gradient::kBuiltInPresets) {
        Fixture f;
        for (int i = 0; i < 15; ++i)
            f.model.setField(i, 99);
        f.model.defaultgrad(preset.stopString);
        // Written back it is the same gradient, with every value present.
        std::string written = f.model.stopString();
        EXPECT_EQ(std::count(written.begin(), written.end(), ';'), 15);
        qm::SharedColourData again;
        GradientModel check(again);
        check.defaultgrad(written);
        EXPECT_EQ(*again.gradientTable(), *f.data.gradientTable()) << preset.caption;
        EXPECT_NE(f.model.field(14), 99) << preset.caption;
    }
}

TEST(GradientPresets, WithoutSectionEverythingIsEmptyAndSavingCreatesIt) {
    Fixture f;
    GradientPresets presets(f.model, f.store);
    EXPECT_TRUE(presets.userDefined().empty());
    EXPECT_TRUE(PresetManagerList(f.store).items().empty());

    f.model.defaultgrad(qm::gradient::kStandardStopString);
    EXPECT_TRUE(presets.saveCurrent([] { return std::optional<std::string>("Night"); }));
    EXPECT_TRUE(f.store.sectionExists);
    EXPECT_EQ(f.store.stored("Night"), "1;1;1;64;128;128;256;256;256;128;64;128;1;1;1;");
    EXPECT_EQ(presets.userDefined(), Names{"Night"});
}

TEST(GradientPresets, StopStringIsFormedBeforeTheNameIsAsked) {
    Fixture f;
    GradientPresets presets(f.model, f.store);
    f.model.reset();
    presets.saveCurrent([&] {
        f.model.setField(0, 50); // a change while the dialog is open is not saved
        return std::optional<std::string>("Early");
    });
    EXPECT_EQ(f.store.stored("Early"), "1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;");
}

TEST(GradientPresets, SavingTwiceKeepsOneValueAndTwoItemsUntilRebuild) {
    Fixture f;
    GradientPresets presets(f.model, f.store);
    f.model.defaultgrad("5;");
    presets.saveCurrent([] { return std::optional<std::string>("Twice"); });
    f.model.defaultgrad("6;");
    presets.saveCurrent([] { return std::optional<std::string>("Twice"); });
    EXPECT_EQ(f.store.values.size(), 1u);
    EXPECT_EQ(f.store.stored("Twice"), "6;1;1;1;1;1;1;1;1;1;1;1;1;1;1;");
    EXPECT_EQ(presets.userDefined(), (Names{"Twice", "Twice"}));
    bool shown = false;
    presets.openPresetManager([&] { shown = true; });
    EXPECT_TRUE(shown);
    EXPECT_EQ(presets.userDefined(), Names{"Twice"});
}

TEST(GradientPresets, CancelAndWriteErrorsStoreNothingAndAddNoItem) {
    struct Case {
        bool failCreateKey;
        bool failSetData;
        const char* message;
    };
    const Case cases[] = {
        {false, false, nullptr},
        {true, false, "Failed to create key Gradients"},
        {false, true, "Failed to set data for 'Broken'"},
    };
    for (const auto& c : cases) {
        Fixture f;
        f.store.failCreateKey = c.failCreateKey;
        f.store.failSetData = c.failSetData;
        GradientPresets presets(f.model, f.store);
        if (c.message == nullptr) {
            EXPECT_FALSE(presets.saveCurrent([] { return std::optional<std::string>(); }));
        } else {
            try {
                presets.saveCurrent([] { return std::optional<std::string>("Broken"); });
                ADD_FAILURE() << c.message;
            } catch (const qm::gradient::ERegistryException& e) {
                EXPECT_EQ(e.message(), c.message);
                EXPECT_STREQ(e.className(), "ERegistryException");
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
    f.store.put("Binary", "\x01\x02", false);
    f.store.put("Bad", "5;x;");
    GradientPresets presets(f.model, f.store);
    EXPECT_EQ(presets.userDefined(), (Names{"Red", "Nil", "Binary", "Bad"}));

    f.model.defaultgrad(qm::gradient::kStandardStopString);
    int notified = 0;
    f.model.addListener([&] { ++notified; });
    presets.loadgrad("Gone"); // deleted since the menu was built
    presets.loadgrad("Nil");
    EXPECT_EQ(notified, 0);
    EXPECT_EQ(f.model.stopString(), qm::gradient::kStandardStopString);

    presets.loadgrad("Red");
    EXPECT_EQ(notified, 1);
    EXPECT_EQ((*f.data.gradientTable())[100], qm::makeColour(255, 0, 0));

    try {
        presets.loadgrad("Binary");
        FAIL();
    } catch (const qm::gradient::ERegistryException& e) {
        EXPECT_EQ(e.message(), "Invalid data type for 'Binary'");
    }
    try {
        presets.loadgrad("Bad");
        FAIL();
    } catch (const qm::EConvertError& e) {
        EXPECT_EQ(e.message(), "'x' is not a valid integer value");
    }
    EXPECT_EQ(f.model.field(0), 5);
    EXPECT_EQ((*f.data.gradientTable())[0], qm::makeColour(4, 0, 0));
}

TEST(GradientPresets, NamesKeepTheStoreOrder) {
    Fixture f;
    for (const char* name : {"zeta", "Alpha", "mid"})
        f.store.put(name, "1;");
    GradientPresets presets(f.model, f.store);
    EXPECT_EQ(presets.userDefined(), (Names{"zeta", "Alpha", "mid"}));
    EXPECT_EQ(PresetManagerList(f.store).items(), (Names{"zeta", "Alpha", "mid"}));
}

TEST(GradientPresets, RebuildWithUnreadableSectionReusesTheLastNames) {
    Fixture f;
    f.store.put("Kept", "1;");
    GradientPresets presets(f.model, f.store);
    presets.saveCurrent([] { return std::optional<std::string>("Extra"); });
    f.store.sectionExists = false;
    f.store.values.clear();
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
        EXPECT_EQ(manager.items().size(), 3u);

        manager.setItemIndex(1);
        manager.deleteSelected();
        EXPECT_EQ(manager.caption(), "Two");
        EXPECT_EQ(manager.items(), (Names{"One", "Three"}));
        EXPECT_EQ(manager.itemIndex(), -1);
        EXPECT_FALSE(f.store.stored("Two").has_value());
        // The menu is untouched until the manager closes.
        EXPECT_EQ(presets.userDefined().size(), 3u);

        manager.setItemIndex(7); // out of range selects nothing
        manager.deleteSelected();
        EXPECT_EQ(manager.items().size(), 2u);
        // Closed with the close box: no "OK", the deletion stands.
    });
    EXPECT_EQ(presets.userDefined(), (Names{"One", "Three"}));
}

TEST(PresetManager, RebuildsEvenWhenTheManagerFails) {
    Fixture f;
    f.store.put("A", "1;");
    GradientPresets presets(f.model, f.store);
    EXPECT_THROW(presets.openPresetManager([&] {
        f.store.remove("A");
        throw std::runtime_error("window failed");
    }),
                 std::runtime_error);
    EXPECT_TRUE(presets.userDefined().empty());
}

} // namespace

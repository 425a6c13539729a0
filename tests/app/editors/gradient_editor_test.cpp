// The palette editor through its controls: fields, presets menu, user presets in QSettings, the
// name dialog and the preset manager.
#include "app/editors/gradient_editor.h"
#include "app/editors/settings_preset_store.h"
#include "editor_test_support.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <gtest/gtest.h>

namespace {

using qm::app::SettingsPresetStore;
using qm::app::TForm4;
using qm::app::Tgradmaker;

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};

Rgb entry(const qm::SharedColourData& data, int index) {
    const qm::ColourValue c = (*data.gradientTable())[static_cast<size_t>(index)];
    return {qm::redOf(c), qm::greenOf(c), qm::blueOf(c)};
}

Rgb previewColumn(const Tgradmaker& editor, int x) {
    const QRgb c = editor.previewImage().pixel(x, 10);
    return {qRed(c), qGreen(c), qBlue(c)};
}

QAction* findAction(QMenu* menu, const QString& text) {
    for (QAction* action : menu->actions()) {
        if (action->text() == text) return action;
        if (action->menu())
            if (QAction* inner = findAction(action->menu(), text)) return inner;
    }
    return nullptr;
}

QMenu* userMenu(const Tgradmaker& editor) {
    return editor.presetMenu()->findChild<QMenu*>("User Defined");
}

QStringList userCaptions(const Tgradmaker& editor) {
    QStringList captions;
    for (QAction* action : userMenu(editor)->actions())
        captions << action->text();
    return captions;
}

class GradientEditorTest : public ::testing::Test {
protected:
    qm::test::TemporarySettings settings_;
    qm::SharedColourData data_;
    SettingsPresetStore store_;
    TForm4 nameDialog_;
    std::unique_ptr<Tgradmaker> editor_ = makeEditor();
    QStringList errors_;

    std::unique_ptr<Tgradmaker> makeEditor() {
        auto editor = std::make_unique<Tgradmaker>(data_, store_, nameDialog_);
        QObject::connect(editor.get(), &Tgradmaker::errorRaised,
                         [this](const QString& message) { errors_ << message; });
        return editor;
    }

    QSpinBox* field(int number) const {
        return editor_->findChild<QSpinBox*>(QStringLiteral("RxSpinEdit%1").arg(number));
    }

    void saveAs(const QString& name) {
        qm::test::whenModal([name](QWidget* dialog) {
            dialog->findChild<QLineEdit*>("edit971")->setText(name);
            dialog->findChild<QPushButton*>("BitBtn1")->click();
        });
        findAction(editor_->presetMenu(), "Save current")->trigger();
    }
};

TEST_F(GradientEditorTest, StartsWithTheStandardGradientInTableFieldsAndPreview) {
    EXPECT_EQ(editor_->windowTitle(), QString("Palette Editor"));
    EXPECT_EQ(editor_->size(), QSize(427, 173));
    EXPECT_EQ(entry(data_, 1), (Rgb{1, 2, 2}));
    EXPECT_EQ(entry(data_, 64), (Rgb{63, 127, 127}));
    EXPECT_EQ(entry(data_, 192), (Rgb{127, 63, 127}));
    for (int x : {0, 1, 32, 64, 128, 255})
        EXPECT_EQ(previewColumn(*editor_, x), entry(data_, x));
    EXPECT_EQ(field(4)->value(), 64);
    EXPECT_EQ(field(7)->value(), 256);
    EXPECT_EQ(editor_->presetMenu()->findChild<QMenu*>("Default")->title(), QString("Default"));
}

TEST_F(GradientEditorTest, ChromeFromTheMenuChangesTableFieldsAndPreview) {
    const Rgb before = entry(data_, 0);
    QAction* chrome = findAction(editor_->presetMenu(), "Chrome");
    ASSERT_NE(chrome, nullptr);
    chrome->trigger();
    EXPECT_NE(entry(data_, 0), before);
    EXPECT_EQ(entry(data_, 0), (Rgb{39, 103, 147}));
    EXPECT_EQ(entry(data_, 64), (Rgb{79, 207, 254}));
    EXPECT_EQ(previewColumn(*editor_, 0), (Rgb{39, 103, 147}));
    EXPECT_EQ(previewColumn(*editor_, 64), (Rgb{79, 207, 254}));
    EXPECT_EQ(field(1)->value(), 40);
    EXPECT_EQ(field(15)->value(), 19);
}

TEST_F(GradientEditorTest, EditingAFieldRendersAtOnce) {
    field(1)->setValue(101); // stop 1 red: component 100
    EXPECT_EQ(entry(data_, 0), (Rgb{100, 0, 0}));
    EXPECT_EQ(previewColumn(*editor_, 0), (Rgb{100, 0, 0}));
    field(1)->setValue(300); // limited by the field
    EXPECT_EQ(entry(data_, 0).r, 255);
}

TEST_F(GradientEditorTest, CycledHidesStopFiveAndCopiesStopOne) {
    editor_->show();
    editor_->defaultgrad("10;20;30");
    auto* cycled = editor_->findChild<QCheckBox*>("CheckBox1");
    EXPECT_EQ(cycled->toolTip(), QString("Makes the starting color the last color"));
    cycled->click();
    EXPECT_EQ(entry(data_, 256), (Rgb{9, 19, 29}));
    for (int n : {13, 14, 15})
        EXPECT_FALSE(field(n)->isVisible()) << n;
    editor_->defaultgrad("1;1;1;1;1;1;1;1;1;1;1;1;200;200;200;");
    EXPECT_EQ(field(13)->value(), 1);
    cycled->click();
    for (int n : {13, 14, 15})
        EXPECT_TRUE(field(n)->isVisible()) << n;
}

TEST_F(GradientEditorTest, ResetAndRandomizeButtons) {
    editor_->findChild<QAbstractButton*>("RxSpeedButton3")->click();
    for (int i = 0; i <= 256; ++i)
        ASSERT_EQ(entry(data_, i), (Rgb{0, 0, 0})) << i;
    editor_->findChild<QAbstractButton*>("RxSpeedButton1")->click();
    for (int n = 1; n <= 15; ++n) {
        EXPECT_GE(field(n)->value(), 1);
        EXPECT_LE(field(n)->value(), 256);
    }
    EXPECT_EQ(entry(data_, 0).r, field(1)->value() - 1);
}

TEST_F(GradientEditorTest, BadStopStringReportsTheConversionErrorAndKeepsEarlierFields) {
    editor_->defaultgrad("5;x;7");
    ASSERT_EQ(errors_.size(), 1);
    EXPECT_EQ(errors_[0], QString("'x' is not a valid integer value"));
    EXPECT_EQ(field(1)->value(), 5);
    EXPECT_EQ(field(2)->value(), 1); // Standard's value, untouched
}

TEST_F(GradientEditorTest, SaveCurrentStoresTheStopStringAddsAnItemAndSurvivesARestart) {
    saveAs("Mine");
    EXPECT_EQ(editor_->PresetName, QString("Mine"));
    EXPECT_EQ(userCaptions(*editor_), QStringList{"Mine"});
    QSettings check(QSettings::IniFormat, QSettings::UserScope, "Quillmora", "Quillmora");
    EXPECT_EQ(check.value("Gradients/Mine").toString(),
              QString("1;1;1;64;128;128;256;256;256;128;64;128;1;1;1;"));

    // A second editor over a fresh store (a new run) lists it and loads it.
    editor_.reset();
    SettingsPresetStore restarted;
    qm::SharedColourData data2;
    Tgradmaker again(data2, restarted, nameDialog_);
    ASSERT_EQ(userCaptions(again), QStringList{"Mine"});
    findAction(again.presetMenu(), "Chrome")->trigger();
    findAction(userMenu(again), "Mine")->trigger();
    EXPECT_EQ((*data2.gradientTable())[64], qm::makeColour(63, 127, 127));
}

TEST_F(GradientEditorTest, TheNameDialogIsReusedAndCancelStoresNothing) {
    EXPECT_EQ(nameDialog_.edit971()->text(), QString("Enter a name"));
    saveAs("First");
    qm::test::whenModal([](QWidget* dialog) {
        EXPECT_EQ(dialog->findChild<QLineEdit*>("edit971")->text(), QString("First"));
        dialog->findChild<QPushButton*>("BitBtn2")->click();
    });
    findAction(editor_->presetMenu(), "Save current")->trigger();
    EXPECT_EQ(userCaptions(*editor_), QStringList{"First"});
    EXPECT_EQ(store_.names()->size(), 1u);
}

TEST_F(GradientEditorTest, EnterConfirmsTheNameAndEscCancels) {
    // Key events are left out: a synthetic keyboard device outlives the test application.
    // Enter reaches the default button and Esc the dialog's reject.
    EXPECT_TRUE(nameDialog_.findChild<QPushButton*>("BitBtn1")->isDefault());
    EXPECT_FALSE(nameDialog_.findChild<QPushButton*>("BitBtn2")->isDefault());
    EXPECT_FALSE(nameDialog_.findChild<QPushButton*>("BitBtn2")->autoDefault());
}

TEST_F(GradientEditorTest, SavingTwiceUnderOneNameKeepsOneValueAndTwoItemsUntilTheManager) {
    saveAs("Twice");
    findAction(editor_->presetMenu(), "Gold")->trigger();
    saveAs("Twice");
    EXPECT_EQ(userCaptions(*editor_), (QStringList{"Twice", "Twice"}));
    EXPECT_EQ(store_.read("Twice", "nil"), "25;25;1;100;50;1;150;100;1;200;200;1;240;255;100;");
    qm::test::whenModal([](QWidget* manager) { manager->close(); });
    findAction(editor_->presetMenu(), "Preset Manager")->trigger();
    EXPECT_EQ(userCaptions(*editor_), QStringList{"Twice"});
}

TEST_F(GradientEditorTest, ManagerDeletesAtOnceAndTheMenuFollowsHoweverItCloses) {
    saveAs("Alpha");
    saveAs("Beta");
    qm::test::whenModal([this](QWidget* manager) {
        EXPECT_EQ(manager->windowTitle(), QString("presetmanager"));
        EXPECT_EQ(manager->size(), QSize(350, 300));
        auto* list = manager->findChild<QListWidget*>("ListBox1");
        ASSERT_EQ(list->count(), 2);
        manager->findChild<QPushButton*>("RxSpeedButton1")->click(); // nothing selected
        EXPECT_EQ(list->count(), 2);
        list->setCurrentRow(0);
        manager->findChild<QPushButton*>("RxSpeedButton1")->click();
        EXPECT_EQ(manager->windowTitle(), QString("Alpha"));
        EXPECT_EQ(list->count(), 1);
        EXPECT_EQ(store_.read("Alpha", "nil"), "nil"); // gone before the manager closes
        // Nothing is selected after a delete: a double click on Delete removes one preset.
        manager->findChild<QPushButton*>("RxSpeedButton1")->click();
        EXPECT_EQ(list->count(), 1);
        EXPECT_NE(store_.read("Beta", "nil"), "nil");
        manager->close(); // the close box, not "OK"
    });
    findAction(editor_->presetMenu(), "Preset Manager")->trigger();
    EXPECT_EQ(userCaptions(*editor_), QStringList{"Beta"});
}

TEST_F(GradientEditorTest, ClosingMinimisesTheSubWindowAndRestoreBringsItBack) {
    QMdiArea area;
    auto* editor = new Tgradmaker(data_, store_, nameDialog_);
    QMdiSubWindow* sub = area.addSubWindow(editor);
    area.show();
    sub->show();
    sub->close();
    EXPECT_TRUE(sub->isMinimized());
    EXPECT_EQ(area.subWindowList().size(), 1);
    editor->restoreEditor();
    EXPECT_FALSE(sub->isMinimized());
    EXPECT_TRUE(editor->isVisible());
}

TEST_F(GradientEditorTest, StoredValueThatIsNotAStopStringIsReportedNotApplied) {
    {
        QSettings raw(QSettings::IniFormat, QSettings::UserScope, "Quillmora", "Quillmora");
        raw.setValue("Gradients/Broken", "12;oops;");
        raw.setValue("Gradients/Nil", "nil");
    }
    qm::test::whenModal([](QWidget* manager) { manager->close(); });
    editor_->PresetManager1Click(); // rebuilds "User Defined" from the store
    const std::uint32_t standard = (*data_.gradientTable())[64];
    findAction(userMenu(*editor_), "Nil")->trigger();
    EXPECT_TRUE(errors_.isEmpty());
    EXPECT_EQ((*data_.gradientTable())[64], standard);
    findAction(userMenu(*editor_), "Broken")->trigger();
    ASSERT_EQ(errors_.size(), 1);
    EXPECT_EQ(errors_[0], QString("'oops' is not a valid integer value"));
    EXPECT_EQ(field(1)->value(), 12);
}

TEST(SettingsPresetStore, NamesSurviveTheKeySyntaxOfQSettings) {
    qm::test::TemporarySettings settings;
    SettingsPresetStore store;
    EXPECT_TRUE(store.names()->empty());
    const std::vector<std::string> names = {"a/b", "back\\slash", "100%", "", "plain name"};
    for (const auto& name : names)
        store.write(name, name + ";");
    auto listed = *store.names();
    std::sort(listed.begin(), listed.end());
    auto expected = names;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listed, expected);
    for (const auto& name : names)
        EXPECT_EQ(store.read(name, "nil"), name + ";") << name;
    store.remove("a/b");
    EXPECT_EQ(store.read("a/b", "nil"), "nil");
    EXPECT_EQ(store.names()->size(), names.size() - 1);
}

TEST(SettingsPresetStore, AValueThatIsNotTextIsAnError) {
    qm::test::TemporarySettings settings;
    {
        QSettings raw(QSettings::IniFormat, QSettings::UserScope, "Quillmora", "Quillmora");
        raw.setValue("Gradients/List", QStringList{"1", "2"});
    }
    SettingsPresetStore store;
    try {
        store.read("List", "nil");
        FAIL() << "no error";
    } catch (const qm::gradient::ERegistryException& e) {
        EXPECT_STREQ(e.what(), "Invalid data type for 'List'");
    }
}

} // namespace

// The palette editor Tgradmaker with its "Presets..." menu, the preset-name dialog TForm4 and
// the preset manager Tpresetmanager.
#pragma once

#include "engine/gradient/gradient_model.h"
#include "engine/gradient/gradient_presets.h"
#include "engine/gradient/preset_store.h"
#include "engine/shared/shared_colour_data.h"

#include <QDialog>
#include <QImage>
#include <QWidget>
#include <array>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QSpinBox;
class QToolButton;

namespace qm::app {

// The preset-name dialog: created once and reused, so it shows the name typed last time.
class TForm4 : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kInitialText = "Enter a name";

    explicit TForm4(QWidget* parent = nullptr);

    QLineEdit* edit971() const { return edit_; }
    QString text() const;

public slots:
    void BitBtn1Click();
    void BitBtn2Click();

protected:
    // The last name comes up selected, so typing replaces it.
    void showEvent(QShowEvent* event) override;

private:
    QLineEdit* edit_ = nullptr;
};

// Lists the stored user gradients; "Delete" removes the selected one from the store at once.
class Tpresetmanager : public QDialog {
    Q_OBJECT
public:
    explicit Tpresetmanager(gradient::PresetStore& store, QWidget* parent = nullptr);

    QListWidget* ListBox1() const { return list_; }

public slots:
    void RxSpeedButton1Click();
    void RxSpeedButton2Click();

private:
    gradient::PresetManagerList model_;
    QListWidget* list_ = nullptr;
};

// "Palette Editor": fifteen stop fields, the 256 x 20 preview of GradientTable, Reset,
// Randomize, Cycled and the presets. Lives for the whole run: closing it only minimises it (or
// its MDI sub-window); restoreEditor() brings it back.
class Tgradmaker : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kCaption = "Palette Editor";
    static constexpr int kClientWidth = 427;
    static constexpr int kClientHeight = 173;

    // Creation as at start-up: re-seed, Reset, "User Defined" from the store, "Standard".
    // `nameDialog` is the shared TForm4; the store must outlive the editor.
    Tgradmaker(SharedColourData& colours, gradient::PresetStore& store, TForm4& nameDialog,
               QWidget* parent = nullptr);
    ~Tgradmaker() override;

    gradient::GradientModel& model() { return model_; }
    gradient::GradientPresets& presets() { return *presets_; }
    QMenu* presetMenu() const { return presetMenu_; }
    // The preview strip as last drawn (column k = entry k of GradientTable).
    const QImage& previewImage() const { return preview_; }

    // Received from the name dialog by "Save current".
    QString PresetName;

    // Shows the editor (and its MDI sub-window) at normal size: the "Palette &Editor" command.
    void restoreEditor();

public slots:
    // The change handler of the fifteen fields: recomputes GradientTable and the preview.
    void render();
    // Applies a stop string as one batch. Errors (a token that is not an integer) propagate.
    void defaultgrad(const QString& stopString);
    // Applies the stored user preset of that name; a missing one does nothing.
    void loadgrad(const QString& name);
    void Savecurrent1Click();
    void PresetManager1Click();
    void RxSpeedButton1Click(); // Randomize
    void RxSpeedButton3Click(); // Reset
    void CheckBox1Click();

signals:
    // A command failed with this error text (the front end shows it in an error box).
    void errorRaised(const QString& message);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildPresetMenu();
    void rebuildUserDefined();
    void syncFromModel();
    void runGuarded(const std::function<void()>& command);

    SharedColourData& data_;
    gradient::PresetStore& store_;
    TForm4& nameDialog_;
    gradient::GradientModel model_;
    std::unique_ptr<gradient::GradientPresets> presets_;
    int listenerId_ = 0;
    bool syncing_ = false;

    std::array<QSpinBox*, gradient::kFieldCount> fields_{};
    QLabel* image1_ = nullptr;
    QImage preview_;
    QCheckBox* cycled_ = nullptr;
    QToolButton* presetsButton_ = nullptr;
    QMenu* presetMenu_ = nullptr;
    QMenu* userMenu_ = nullptr;
};

} // namespace qm::app

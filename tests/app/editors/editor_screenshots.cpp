// Writes pictures of the editor windows (palette, plasma, formula, Quick Help, a filter dialog)
// as PNG files into the folder given as the first argument.
#include "app/editors/filter_dialog_window.h"
#include "app/editors/formula_editor.h"
#include "app/editors/gradient_editor.h"
#include "app/editors/plasma_editor.h"
#include "app/editors/settings_preset_store.h"
#include "engine/plasma/plasma_generator.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QSettings>
#include <QSlider>
#include <QTemporaryDir>
#include <cstdio>

namespace {

bool shoot(QWidget& widget, const QDir& folder, const char* name) {
    widget.show();
    QApplication::processEvents();
    const QString path = folder.filePath(QString::fromLatin1(name));
    const bool ok = widget.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: editor_screenshots <folder>\n");
        return 2;
    }
    QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(QStringLiteral("."))) return 1;
    // The user's own presets stay out of the pictures.
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::defaultFormat(), QSettings::UserScope, settingsDir.path());

    qm::SharedColourData data;
    qm::plasma::fillplasma(data, 20240601);
    qm::app::SettingsPresetStore store;
    qm::app::TForm4 names;
    bool ok = true;

    qm::app::Tgradmaker gradient(data, store, names);
    gradient.defaultgrad(QStringLiteral("1;1;1;58;216;255;200;255;42;255;18;22;1;1;1;"));
    ok &= shoot(gradient, folder, "gradient-editor.png");

    qm::app::Tplasmaform plasma(data);
    ok &= shoot(plasma, folder, "plasma-editor.png");

    qm::app::Teditform formula;
    formula.ColorMemo1()->setPlainText(
        QStringLiteral("MAX(I,(X+Y))\n  +SIN(X*(Y+1))\n*2 + ABS(Z)/(1+M)"));
    ok &= shoot(formula, folder, "formula-editor.png");

    qm::app::TForm5 help;
    ok &= shoot(help, folder, "quick-help.png");

    // A filter dialog previewing the plasma tinted with the gradient.
    qm::image::TPixelGraphic picture(640, 480, qm::image::PixelFormat::Bits24);
    const auto table = data.gradientTable();
    const auto samples = data.plasmaBuffer();
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.SetPixel(x, y, (*table)[samples->at(x / 2, y / 2)]);
    auto settings = qm::image::createFilterDialog(qm::image::FilterKind::Hls);
    qm::app::FilterDialogWindow filter(*settings, &picture);
    QEventLoop loop;
    QObject::connect(&filter, &qm::app::FilterDialogWindow::previewReady, &loop, &QEventLoop::quit);
    filter.findChild<QSlider*>(QStringLiteral("TrackBar1"))->setValue(90);
    while (filter.previewBusy())
        loop.exec();
    ok &= shoot(filter, folder, "filter-dialog.png");
    return ok ? 0 : 1;
}

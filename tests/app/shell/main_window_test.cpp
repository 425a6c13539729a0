// The frame window driven through its object names: start-up state, menus and tool bar, "New",
// parameter files, the recent-files list, placement, exports, filters, closing.
#include "app/decor/help_window.h"
#include "app/decor/tool_panel.h"
#include "app/editors/gradient_editor.h"
#include "app/fractal/mandel_form.h"
#include "app/fractal/navigator.h"
#include "app/qt_test_app.h"
#include "app/shell/error_handler.h"
#include "app/shell/loupe.h"
#include "app/shell/main_frame.h"
#include "app/shell/main_window.h"
#include "app/shell/speedometer.h"
#include "app/widgets/mdi_placement.h"
#include "app/widgets/tpg_image.h"
#include "engine/params/parameter_file.h"
#include "engine/params/recent_files.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <gtest/gtest.h>

namespace {

using qm::app::Tmain;
using qm::app::Tmandelform;

// Settings and files of one test live in a temporary folder.
class Sandbox {
public:
    Sandbox() {
        QSettings::setDefaultFormat(QSettings::IniFormat);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.path());
        qm::app::setErrorPresenter([this](const QString& m) { errors << m; });
    }
    ~Sandbox() { qm::app::setErrorPresenter({}); }
    QString file(const QString& name) const { return dir_.filePath(name); }
    QStringList errors;

private:
    QTemporaryDir dir_;
};

// Answers the file and filter dialogs instead of a user.
class TestMain : public Tmain {
public:
    TestMain() : Tmain(nullptr, 0) {}
    std::deque<std::optional<QString>> answers;
    struct Seen {
        QStringList filters;
        QString suffix;
        QString title;
    };
    std::vector<Seen> dialogs;
    int filterDialogs = 0;
    bool filterAnswer = true;
    QStringList overwriteAsked;
    std::deque<bool> overwriteAnswers; // empty: yes

protected:
    bool confirmOverwrite(const QString& path) override {
        overwriteAsked << path;
        if (overwriteAnswers.empty()) return true;
        const bool answer = overwriteAnswers.front();
        overwriteAnswers.pop_front();
        return answer;
    }
    std::optional<QString> chooseFile(QFileDialog& dialog) override {
        dialogs.push_back({dialog.nameFilters(), dialog.defaultSuffix(), dialog.windowTitle()});
        if (answers.empty()) return std::nullopt;
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
    bool executeFilterDialog(qm::image::TFilterDialog&, const qm::image::TPixelGraphic*) override {
        ++filterDialogs;
        return filterAnswer;
    }
};

QList<Tmandelform*> documents(const Tmain& w) {
    QList<Tmandelform*> out;
    for (QMdiSubWindow* s : w.mdiArea()->subWindowList())
        if (auto* f = qobject_cast<Tmandelform*>(s->widget())) out << f;
    return out;
}

QString readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromLatin1(f.readAll());
}

void renderAndWait(Tmandelform* form) {
    form->StartrenderClick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->isRendering(); }, 30000));
}

TEST(Tmain, StartUpPreparesTheSharedDataAndOpensOnlyThePaletteEditor) {
    qm::test::qtApp();
    Sandbox box;
    TestMain w;
    EXPECT_EQ(w.windowTitle(), "Quillmora - v0.9");
    EXPECT_EQ(w.startupStatusTexts(),
              QStringList({"Initializing ... User Interface", "Initializing ... Plasma",
                           "Initializing ... nearly finished"}));
    EXPECT_TRUE(documents(w).isEmpty());
    ASSERT_EQ(w.mdiArea()->subWindowList().size(), 1);
    EXPECT_EQ(w.mdiArea()->subWindowList()[0]->windowTitle(), "Palette Editor");
    // "Standard": black at entry 0, white at 128, (32, 64, 64) at 32.
    const auto table = w.colourData().gradientTable();
    EXPECT_EQ((*table)[0], 0u);
    EXPECT_EQ((*table)[128], 0xFFFFFFu);
    EXPECT_EQ((*table)[32], 0x404020u);
    const auto plasma = w.colourData().plasmaBuffer();
    int set = 0;
    for (int x = 0; x <= 320; ++x)
        set += plasma->at(x, 120) != 0;
    EXPECT_GT(set, 300);
    EXPECT_EQ(plasma->at(321, 5), 0);
    EXPECT_EQ(w.colourData().rgbBuffer().width(), 256);
    EXPECT_EQ(w.colourData().plasmaNoise, 2.0);
    EXPECT_EQ(w.colourData().plasmaBias, 0.5);
    for (int v : w.speedometer()->chart()->Values)
        EXPECT_EQ(v, 0);
    EXPECT_FALSE(w.loupe()->isVisible());
    EXPECT_FALSE(w.speedometer()->isVisible());
    EXPECT_EQ(w.loupe()->picture().width(), 76);
}

TEST(Tmain, MenuItemsCarryTheirCaptionsShortcutsAndVisibility) {
    qm::test::qtApp();
    Sandbox box;
    TestMain w;
    struct Item {
        const char* name;
        const char* caption;
        const char* shortcut;
        bool visible;
    };
    const Item items[] = {
        {"New1", "New", "Ctrl+N", true},
        {"Duplicate1", "Duplicate", "", false},
        {"Open1", "Load Parameters", "Ctrl+L", true},
        {"Save1", "Save Parameters", "Ctrl+S", true},
        {"SaveAs1", "Save Image", "Ctrl+I", true},
        {"LoadImagetoBuffer1", "Load Image to &Buffer", "", false},
        {"Print1", "&Print...", "Ctrl+P", true},
        {"PrintSetup1", "P&rint Setup...", "", true},
        {"Exit1", "E&xit", "Ctrl+Q", true},
        {"plasma1", "&Plasma Editor", "", true},
        {"palette1", "Palette &Editor", "", true},
        {"Contents1", "Help..", "F1", true},
        {"overview1", "O&verview", "", true},
        {"hls1", "Hue/Luminance/Saturation ", "", true},
        {"bcg2", "Brigthness / Contrast / Gamma", "", true},
        {"hls2", "Hue / Luminace / Saturation", "", true},
        {"hsv2", "HSV", "", false},
    };
    for (const auto& it : items) {
        auto* a = w.findChild<QAction*>(it.name);
        ASSERT_NE(a, nullptr) << it.name;
        EXPECT_EQ(a->text(), QString(it.caption)) << it.name;
        EXPECT_EQ(a->shortcut().toString(), QString(it.shortcut)) << it.name;
        EXPECT_EQ(a->isVisible(), it.visible) << it.name;
    }
    EXPECT_FALSE(w.findChild<QAction*>("Duplicate1")->isEnabled());
    EXPECT_FALSE(w.findChild<QMenu*>("Export1")->menuAction()->isVisible());
    EXPECT_FALSE(w.findChild<QMenu*>("Reopen1")->menuAction()->isEnabled());
}

TEST(Tmain, NewNumbersDocumentsAndTheWindowMenuListsThem) {
    qm::test::qtApp();
    Sandbox box;
    TestMain w;
    w.show();
    w.findChild<QAction*>("New1")->trigger();
    w.findChild<QToolButton*>("NewButton")->click();
    auto docs = documents(w);
    ASSERT_EQ(docs.size(), 2);
    EXPECT_EQ(docs[0]->windowTitle(), "New 1");
    EXPECT_EQ(docs[1]->windowTitle(), "New 2");
    // A loaded document does not use the counter; closed ones do not free numbers.
    const QString path = box.file("a.qmp");
    w.answers = {path};
    w.Save1Click();
    w.open(path);
    docs[0]->parentWidget()->close();
    w.new1click();
    EXPECT_EQ(documents(w).back()->windowTitle(), "New 3");

    auto* menu = w.findChild<QMenu*>("Windows1");
    emit menu->aboutToShow();
    QStringList captions;
    for (auto* a : menu->actions())
        captions << a->text();
    EXPECT_TRUE(captions.contains("Tile"));
    EXPECT_TRUE(captions.contains("Cascade"));
    EXPECT_TRUE(captions.contains("&1 Palette Editor"));
    EXPECT_TRUE(captions.contains("&4 New 3"));
}

TEST(Tmain, HintsGoToTheStatusBar) {
    qm::test::qtApp();
    Sandbox box;
    TestMain w;
    auto* button = w.findChild<QToolButton*>("OverviewButton");
    ASSERT_NE(button, nullptr);
    QStatusTipEvent tip(button->statusTip());
    QApplication::sendEvent(&w, &tip);
    EXPECT_EQ(w.statusBar()->currentMessage(), "Overview of modifiers, variables and function");
    EXPECT_NE(w.findChild<QToolButton*>("FilterButton")->menu(), nullptr);
}

TEST(Tmain, SaveParametersWritesTheNewDocumentFileAndLoadingRestoresIt) {
    qm::test::qtApp();
    Sandbox box;
    TestMain w;
    w.show();
    w.new1click();
    const QString path = box.file("new.qmp");
    w.answers = {path};
    w.findChild<QAction*>("Save1")->trigger();
    ASSERT_EQ(w.dialogs.size(), 1u);
    EXPECT_EQ(w.dialogs[0].filters, QStringList{"Quillmora Parameter Files (*.qmp)"});
    EXPECT_EQ(w.dialogs[0].suffix, "qmp");
    const QString expected = "[Coordinates]\r\nUpperX=-2\r\nLowerX=2\r\nUpperY=-1.5\r\n"
                             "LowerY=1.5\r\nJuliaX=0.42\r\nJuliaY=0.23\r\nMax=128\r\n"
                             "Bailout=4\r\nOrder=3\r\nWidth=320\r\nHeight=240\r\n"
                             "[Formulas]\r\nRGB=i*2\r\nR=i*2\r\nG=i*2\r\nB=i*2\r\n"
                             "[Misc]\r\nGradient=1;1;1;64;128;128;256;256;256;128;64;128;1;1;1;\r\n"
                             "[Orientation]\r\nreal=1\r\nimaginary=0\r\n"
                             "[Mode]\r\nChannels=Grad\r\nType=mandel\r\n";
    EXPECT_EQ(readAll(path), expected);
    EXPECT_EQ(documents(w)[0]->windowTitle(), "new.qmp");
    ASSERT_EQ(w.recentFiles().items().size(), 1u);

    // Load a changed copy: the fields and the picture size follow the file.
    QString changed = expected;
    changed.replace("UpperX=-2", "UpperX=-1")
        .replace("Max=128", "Max=2")
        .replace("Width=320", "Width=100");
    changed.replace("RGB=i*2", "RGB=x+y");
    const QString other = box.file("other.qmp");
    QFile f(other);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(changed.toLatin1());
    f.close();
    w.answers = {other};
    w.findChild<QToolButton*>("OpenButton")->click();
    ASSERT_EQ(documents(w).size(), 2);
    Tmandelform* loaded = documents(w).back();
    EXPECT_EQ(loaded->windowTitle(), "other.qmp");
    EXPECT_EQ(loaded->document().upperX(), -1.0);
    EXPECT_EQ(loaded->document().max(), 8);
    EXPECT_EQ(loaded->document().paletteFormula(), "x+y");
    EXPECT_EQ(loaded->picture().width(), 100);
    EXPECT_EQ(w.recentFiles().items().front(), other.toStdString());
}

TEST(Tmain, ABadNumberStopsLoadingWithTheConversionErrorAndNoRecentEntry) {
    qm::test::qtApp();
    Sandbox box;
    TestMain w;
    const QString path = box.file("bad.qmp");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Coordinates]\r\nUpperX=-1\r\nLowerX=1,5\r\n");
    f.close();
    EXPECT_FALSE(qm::app::runCommand([&] { w.open(path); }));
    ASSERT_EQ(box.errors.size(), 1);
    EXPECT_EQ(box.errors[0], "'1,5' is not a valid floating point value");
    ASSERT_EQ(documents(w).size(), 1);
    EXPECT_EQ(documents(w)[0]->document().upperX(), -1.0);
    EXPECT_EQ(documents(w)[0]->windowTitle(), "Mandelbrot Image");
    EXPECT_TRUE(w.recentFiles().empty());
}

TEST(Tmain, DocumentCommandsDoNothingWithoutADocument) {
    qm::test::qtApp();
    Sandbox box;
    TestMain w;
    w.show();
    // The palette editor is the active child: not a fractal document.
    for (const char* name : {"Save1", "SaveAs1", "rgb1", "blur1", "Print1", "FractalFun1"})
        w.findChild<QAction*>(name)->trigger();
    EXPECT_TRUE(w.dialogs.empty());
    EXPECT_EQ(w.filterDialogs, 0);
    EXPECT_TRUE(box.errors.isEmpty());
    // The borrowed dialog is given back even when nothing was exported.
    EXPECT_EQ(w.parameterSaveDialog()->defaultSuffix(), "qmp");
    EXPECT_EQ(w.parameterSaveDialog()->nameFilters(),
              QStringList{"Quillmora Parameter Files (*.qmp)"});
}

TEST(Tmain, RecentFilesPersistAcrossARestartAndMissingEntriesDoNothing) {
    qm::test::qtApp();
    Sandbox box;
    QStringList paths;
    {
        TestMain w;
        w.new1click();
        for (int i = 0; i < 11; ++i) {
            paths << box.file(QString("p%1.qmp").arg(i));
            w.answers = {paths.back()};
            w.Save1Click();
        }
        EXPECT_EQ(w.recentFiles().items().size(), 10u);
        w.close();
    }
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, "Quillmora", "Quillmora");
    EXPECT_EQ(settings.value("Tmain.MRUManager1/Item_0").toString(), paths[10]);
    EXPECT_EQ(settings.value("Tmain.MRUManager1/Item_9").toString(), paths[1]);
    EXPECT_FALSE(settings.contains("Tmain.MRUManager1/Item_10"));

    TestMain again;
    ASSERT_EQ(again.recentFiles().items().size(), 10u);
    EXPECT_EQ(again.recentFiles().items().front(), paths[10].toStdString());
    EXPECT_EQ(again.recentFiles().items().back(), paths[1].toStdString());
    auto* reopen = again.findChild<QMenu*>("Reopen1");
    EXPECT_TRUE(reopen->menuAction()->isEnabled());
    ASSERT_EQ(reopen->actions().size(), 10);
    EXPECT_EQ(reopen->actions()[0]->text(), "&1 " + paths[10]);
    EXPECT_EQ(reopen->actions()[9]->text(), "1&0 " + paths[1]);

    QFile::remove(paths[5]);
    reopen->actions()[5]->trigger(); // p5: missing
    EXPECT_TRUE(documents(again).isEmpty());
    reopen->actions()[1]->trigger(); // p9
    ASSERT_EQ(documents(again).size(), 1);
    EXPECT_EQ(documents(again)[0]->windowTitle(), "p9.qmp");
    EXPECT_EQ(again.recentFiles().items().front(), paths[9].toStdString());
}

TEST(Tmain, PlacementIsStoredUnderGeneralAndRestored) {
    qm::test::qtApp();
    Sandbox box;
    {
        TestMain w;
        w.setGeometry(40, 50, 700, 500);
        w.show();
        w.close();
    }
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, "Quillmora", "Quillmora");
    settings.beginGroup("General");
    EXPECT_EQ(settings.value("ShowCmd").toInt(), 1);
    EXPECT_EQ(settings.value("Flags").toInt(), 0);
    const QStringList normal = settings.value("NormPos").toString().split(',');
    ASSERT_EQ(normal.size(), 4);
    EXPECT_EQ(normal[2].toInt() - normal[0].toInt(), 700);
    EXPECT_EQ(normal[3].toInt() - normal[1].toInt(), 500);
    settings.endGroup();
    TestMain again;
    again.showWithPlacement();
    EXPECT_FALSE(again.isMaximized());
    EXPECT_EQ(again.size(), QSize(700, 500));
}

TEST(Tmain, FractalFunExportBorrowsTheParameterDialogAndGivesItBack) {
    qm::test::qtApp();
    Sandbox box;
    TestMain w;
    w.show();
    w.new1click();
    const QString before = box.file("before.qmp");
    w.answers = {before};
    w.Save1Click();
    const QString path = box.file("x.fff");
    w.answers = {path};
    w.FractalFun1Click();
    ASSERT_EQ(w.dialogs.size(), 2u);
    w.dialogs.erase(w.dialogs.begin());
    EXPECT_EQ(w.dialogs[0].filters, QStringList{"Fractal Fun Files (*.fff)"});
    EXPECT_EQ(w.dialogs[0].suffix, "fff");
    ASSERT_FALSE(w.parameterSaveDialog()->selectedFiles().isEmpty());
    EXPECT_EQ(QFileInfo(w.parameterSaveDialog()->selectedFiles().first()).fileName(), "before.qmp");
    const QStringList lines = readAll(path).split("\r\n");
    ASSERT_EQ(lines.size(), 259); // 258 lines, each ended
    EXPECT_EQ(lines[0], "-2,2,-1.5,1.5");
    EXPECT_EQ(lines[1], "clBlack");
    EXPECT_EQ(lines[129], "clWhite");
    EXPECT_EQ(lines[33], "$00404020");
    EXPECT_EQ(w.parameterSaveDialog()->defaultSuffix(), "qmp");
    w.answers = {box.file("after.qmp")};
    w.Save1Click();
    EXPECT_EQ(w.dialogs[1].filters, QStringList{"Quillmora Parameter Files (*.qmp)"});
    EXPECT_EQ(w.dialogs[1].suffix, "qmp");
    // A file that cannot be created is reported; the dialog is restored all the same.
    w.answers = {box.file("no/such/folder/y.fff")};
    EXPECT_FALSE(qm::app::runCommand([&] { w.FractalFun1Click(); }));
    EXPECT_EQ(box.errors.size(), 1);
    EXPECT_EQ(w.parameterSaveDialog()->defaultSuffix(), "qmp");
}

TEST(Tmain, SaveImageWritesTheActivePictureByExtension) {
    qm::test::qtApp();
    Sandbox box;
    TestMain w;
    w.show();
    w.new1click();
    renderAndWait(documents(w)[0]);
    const QString path = box.file("pic.png");
    w.answers = {path};
    w.findChild<QToolButton*>("SaveImageButton")->click();
    ASSERT_EQ(w.dialogs.size(), 1u);
    EXPECT_EQ(w.dialogs[0].title, "Save Image");
    EXPECT_EQ(w.dialogs[0].filters.size(), 6);
    EXPECT_EQ(w.dialogs[0].filters[0], "BMP - Bitmap (*.bmp)");
    qm::image::TPixelGraphic back;
    back.loadFromFile(path.toStdString());
    const auto& shown = documents(w)[0]->picture();
    ASSERT_EQ(back.width(), 320);
    EXPECT_EQ(back.pixel(160, 120), shown.pixel(160, 120));
    EXPECT_EQ(back.pixel(3, 7), shown.pixel(3, 7));
}

TEST(Tmain, FiltersApplyToTheActiveDocumentAndCancelLeavesItAlone) {
    qm::test::qtApp();
    Sandbox box;
    TestMain w;
    w.show();
    w.new1click();
    Tmandelform* doc = documents(w)[0];
    renderAndWait(doc);
    const qm::image::TPixelGraphic before = doc->picture();
    w.filterAnswer = false;
    w.blurClick();
    EXPECT_EQ(w.filterDialogs, 1);
    EXPECT_EQ(doc->picture().pixel(100, 100), before.pixel(100, 100));
    w.filterAnswer = true;
    w.findChild<QAction*>("Contours2")->trigger();
    EXPECT_EQ(w.filterDialogs, 2);
    int differing = 0;
    for (int y = 0; y < before.height(); y += 7)
        for (int x = 0; x < before.width(); x += 7)
            differing += doc->picture().pixel(x, y) != before.pixel(x, y);
    EXPECT_GT(differing, 0);
    EXPECT_EQ(doc->windowTitle(), "New 1"); // progress caption restored
    // A colour filter in place: "Red" pushed to its maximum brightens red everywhere.
    auto& rgb = w.filterDialog(qm::image::FilterKind::Rgb);
    rgb.SetPosition(0, rgb.Slider(0).max);
    const qm::image::TPixelGraphic mid = doc->picture();
    w.rgbClick();
    int redder = 0;
    for (int y = 0; y < mid.height(); y += 9)
        for (int x = 0; x < mid.width(); x += 9)
            redder += (doc->picture().pixel(x, y) & 0xFF) > (mid.pixel(x, y) & 0xFF);
    EXPECT_GT(redder, 0);
}

TEST(Tmain, ToolWindowsToggleAndTheLoupeReadsTheLastRender) {
    qm::test::qtApp();
    Sandbox box;
    TestMain w;
    w.show();
    w.findChild<QToolButton*>("LoupeButton")->click();
    EXPECT_TRUE(w.loupe()->isVisible());
    EXPECT_TRUE(w.loupe()->blinkTimer().running());
    w.findChild<QAction*>("speed1")->trigger();
    EXPECT_TRUE(w.speedometerShown());
    w.new1click();
    Tmandelform* doc = documents(w)[0];
    renderAndWait(doc);
    QTest::qWait(30);
    w.updateLoupe(*doc->Image1(), 0, 0, doc->navigator().views().shown);
    EXPECT_EQ(w.loupe()->upperLabel()->text(), "-2");
    EXPECT_EQ(w.loupe()->lowerLabel()->text(), "1.5");
    w.speedometerSample(250.7);
    EXPECT_EQ(w.speedometer()->chart()->maxVal(), 250);
    EXPECT_EQ(w.speedometer()->chart()->Values[99], 250);
    w.loupeclick();
    EXPECT_FALSE(w.loupe()->isVisible());
}

TEST(Tmain, ExitDuringARenderStopsItAndClosesEveryDocument) {
    qm::test::qtApp();
    Sandbox box;
    TestMain w;
    w.show();
    w.new1click();
    Tmandelform* doc = documents(w)[0];
    doc->document().setMax(65535);
    doc->resizeit(1600, 1200, false);
    doc->StartrenderClick();
    ASSERT_TRUE(doc->isRendering());
    w.findChild<QAction*>("Exit1")->trigger();
    EXPECT_FALSE(w.renderState().RenderActive());
    EXPECT_TRUE(documents(w).isEmpty());
}

constexpr std::array<const char*, 11> kToolButtons = {
    "NewButton",   "OpenButton",   "SaveButton",    "SaveImageButton",
    "PrintButton", "PlasmaButton", "PaletteButton", "FilterButton",
    "LoupeButton", "SpeedButton",  "OverviewButton"};

TEST(Tmain, ToolPanelHoldsTheButtonsInARowAboveTheDocuments) {
    qm::test::qtApp();
    Sandbox box;
    TestMain w;
    w.resize(900, 600);
    w.show();
    const qm::app::ToolPanel& tools = w.toolPanel();
    ASSERT_NE(tools.MPanel1, nullptr);
    EXPECT_EQ(w.findChild<qm::app::TPanelManager*>("PanelManager1"), tools.PanelManager1);
    EXPECT_EQ(tools.MPanel1->findChild<qm::app::TwiaTile*>("wiaTile1"), tools.wiaTile1);
    int right = 0;
    for (const char* name : kToolButtons) {
        SCOPED_TRACE(name);
        auto* b = w.findChild<QToolButton*>(name);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->parentWidget(), tools.MPanel1);
        EXPECT_EQ(b->size(), QSize(30, 30));
        EXPECT_EQ(b->y(), 2);
        EXPECT_GE(b->x(), right); // left to right, never overlapping
        right = b->x() + b->width();
        EXPECT_TRUE(b->isVisible());
    }
    EXPECT_LE(right, tools.wiaTile1->geometry().right());
    // The panel sits over the MDI area, which takes the rest of the window.
    const QPoint panelBottom =
        tools.PanelManager1->mapTo(&w, QPoint(0, tools.PanelManager1->height()));
    EXPECT_LE(panelBottom.y(), w.mdiArea()->mapTo(&w, QPoint(0, 0)).y());
    EXPECT_EQ(tools.PanelManager1->width(), w.mdiArea()->width());
}

TEST(Tmain, ToolPanelCollapsesToItsTabAndExpandsAgain) {
    qm::test::qtApp();
    Sandbox box;
    TestMain w;
    w.resize(900, 600);
    w.show();
    qm::app::TPanelManager* manager = w.toolPanel().PanelManager1;
    const int expanded = manager->height();
    const int mdiTop = w.mdiArea()->y();
    EXPECT_EQ(expanded, 34 + manager->BevelWidth());
    manager->hitTest(QPoint(3, 10), true);
    QApplication::processEvents();
    EXPECT_TRUE(w.toolPanel().MPanel1->isHidden());
    EXPECT_EQ(manager->height(), manager->TabHeight() + manager->BevelWidth());
    EXPECT_FALSE(w.findChild<QToolButton*>("NewButton")->isVisible());
    EXPECT_LT(w.mdiArea()->y(), mdiTop); // the documents get the room
    manager->hitTest(QPoint(3, manager->height() - 3), true);
    QApplication::processEvents();
    EXPECT_FALSE(w.toolPanel().MPanel1->isHidden());
    EXPECT_EQ(manager->height(), expanded);
    EXPECT_EQ(w.mdiArea()->y(), mdiTop);
    const auto before = w.mdiArea()->subWindowList().size();
    w.findChild<QToolButton*>("NewButton")->click();
    EXPECT_EQ(w.mdiArea()->subWindowList().size(), before + 1);
}

TEST(MainFrame, CaptionFollowsTheMainWindowAndItsMaximisedDocument) {
    qm::test::qtApp();
    Sandbox box;
    qm::app::MainFrame frame(0);
    Tmain* w = frame.mainWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(frame.body(), w);
    EXPECT_FALSE(w->isWindow());
    frame.resize(900, 650);
    frame.show();
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(frame.captionText(), "Quillmora - v0.9");
    w->new1click();
    QMdiSubWindow* child = w->mdiArea()->currentSubWindow();
    ASSERT_NE(child, nullptr);
    child->showMaximized();
    QApplication::processEvents();
    EXPECT_EQ(frame.captionText(), "Quillmora - v0.9 - [" + child->windowTitle() + "]");
    EXPECT_FALSE(child->windowTitle().isEmpty());
    child->showNormal();
    QApplication::processEvents();
    EXPECT_EQ(frame.captionText(), "Quillmora - v0.9");
}

TEST(MainFrame, ExitClosesTheFrameAndTheCloseBoxStoresThePlacement) {
    qm::test::qtApp();
    Sandbox box;
    {
        qm::app::MainFrame frame(0);
        frame.show();
        frame.mainWindow()->new1click();
        frame.mainWindow()->findChild<QAction*>("Exit1")->trigger();
        EXPECT_FALSE(frame.isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(documents(*frame.mainWindow()).isEmpty());
    }
    {
        qm::app::MainFrame frame(0);
        frame.setGeometry(60, 70, 720, 540);
        frame.show();
        frame.mainWindow()->new1click();
        EXPECT_TRUE(frame.close());
        EXPECT_FALSE(frame.isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(documents(*frame.mainWindow()).isEmpty());
    }
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, "Quillmora", "Quillmora");
    settings.beginGroup("General");
    const QStringList normal = settings.value("NormPos").toString().split(',');
    ASSERT_EQ(normal.size(), 4);
    EXPECT_EQ(normal[2].toInt() - normal[0].toInt(), 720); // the frame's size, not the body's
    EXPECT_EQ(normal[3].toInt() - normal[1].toInt(), 540);
    settings.endGroup();
    qm::app::MainFrame again(0);
    again.showWithPlacement();
    EXPECT_FALSE(again.isMaximized());
    EXPECT_EQ(again.size(), QSize(720, 540));
}

TEST(DialogFilters, PairsBecomeQtFilterEntries) {
    EXPECT_EQ(qm::app::dialogFilters("Quillmora Parameter Files|*.qmp"),
              QStringList{"Quillmora Parameter Files (*.qmp)"});
    const QStringList open = qm::app::dialogFilters(Tmain::kImageOpenFilter);
    ASSERT_EQ(open.size(), 12);
    EXPECT_EQ(open[0],
              "Image files (*.bmp *.dib *.jif *.jpeg *.jpg *.pbm *.pcx *.pgm *.png *.ppm)");
    EXPECT_EQ(open[11], "All files (*.*)");
    EXPECT_EQ(qm::app::dialogFilters(Tmain::kImageSaveFilter).size(), 6); // trailing "|"
}

} // namespace

namespace {

TEST(Tmain, OverviewOpensOneQuickHelpWindowAndAgainAfterItCloses) {
    qm::test::qtApp();
    Sandbox box;
    TestMain w;
    w.show();
    auto quickHelp = [&] {
        int n = 0;
        for (QMdiSubWindow* s : w.mdiArea()->subWindowList())
            n += s->windowTitle() == "Quick Help";
        return n;
    };
    auto* button = w.findChild<QToolButton*>("OverviewButton");
    w.findChild<QAction*>("overview1")->trigger();
    w.overviewclick();
    EXPECT_EQ(quickHelp(), 1);
    EXPECT_FALSE(button->isEnabled());
    for (QMdiSubWindow* s : w.mdiArea()->subWindowList())
        if (s->windowTitle() == "Quick Help") s->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(quickHelp(), 0);
    EXPECT_TRUE(button->isEnabled());
    button->click();
    EXPECT_EQ(quickHelp(), 1);
}

TEST(Tmain, PaletteEditorComesBackAfterItsCloseBoxMinimisedIt) {
    qm::test::qtApp();
    Sandbox box;
    TestMain w;
    w.show();
    QMdiSubWindow* editor = w.mdiArea()->subWindowList().front();
    editor->close();
    EXPECT_TRUE(w.mdiArea()->subWindowList().contains(editor)); // never destroyed
    w.findChild<QToolButton*>("PaletteButton")->click();
    EXPECT_TRUE(editor->isVisible());
    EXPECT_FALSE(editor->isMinimized());
}

TEST(Tmain, LoadImageToBufferReplacesTheRgbBufferWithTheFileAndItsSize) {
    qm::test::qtApp();
    Sandbox box;
    TestMain w;
    qm::image::TPixelGraphic picture(40, 30, qm::image::PixelFormat::Bits24);
    picture.SetPixel(3, 4, 0x123456);
    const QString path = box.file("buffer.bmp");
    picture.saveToFile(path.toStdString());
    w.answers = {path};
    w.LoadImagetoBuffer1Click();
    ASSERT_EQ(w.dialogs.size(), 1u);
    EXPECT_EQ(w.dialogs[0].filters.size(), 12);
    EXPECT_EQ(w.colourData().rgbBuffer().width(), 40);
    EXPECT_EQ(w.colourData().rgbBuffer().height(), 30);
    EXPECT_EQ(w.colourData().rgbBuffer().pixel(3, 4), 0x123456u);
    // A file that is no picture: the error box reports it and the buffer stays.
    const QString junk = box.file("junk.bmp");
    QFile f(junk);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a picture at all");
    f.close();
    w.answers = {junk};
    EXPECT_FALSE(qm::app::runCommand([&] { w.LoadImagetoBuffer1Click(); }));
    EXPECT_EQ(box.errors.size(), 1);
    EXPECT_EQ(w.colourData().rgbBuffer().width(), 40);
}

} // namespace

namespace {

TEST(Tmain, TileStacksTheWindowsFullWidth) {
    qm::test::qtApp();
    Sandbox box;
    TestMain w;
    w.resize(900, 700);
    w.show();
    w.new1click();
    w.new1click();
    w.findChild<QAction*>("Windows2")->trigger();
    const auto windows = w.mdiArea()->subWindowList();
    ASSERT_EQ(windows.size(), 3);
    const int width = w.mdiArea()->viewport()->width();
    int covered = 0;
    for (QMdiSubWindow* s : windows) {
        EXPECT_EQ(s->geometry().width(), width);
        EXPECT_EQ(s->geometry().top(), covered);
        covered = s->geometry().bottom() + 1;
    }
    EXPECT_EQ(covered, w.mdiArea()->viewport()->height());
}

TEST(Tmain, ChildWindowsOpenAtTheirClientSizesAndStayInsideTheWorkspace) {
    qm::test::qtApp();
    Sandbox box;
    TestMain w;
    w.resize(1000, 760);
    w.show();
    for (int i = 0; i < 5; ++i)
        w.new1click();
    w.overviewclick();
    QApplication::processEvents();
    const QRect area = w.mdiArea()->viewport()->rect();
    const auto clientSizes = [&] {
        QList<QSize> out;
        for (QMdiSubWindow* s : w.mdiArea()->subWindowList())
            if (s->widget()->objectName() != "gradmaker") out << s->widget()->size();
        return out;
    };
    const QList<QSize> expected = {QSize(492, 399), QSize(492, 399), QSize(492, 399),
                                   QSize(492, 399), QSize(492, 399), QSize(435, 356)};
    EXPECT_EQ(clientSizes(), expected);
    w.findChild<QAction*>("Cascade1")->trigger();
    QApplication::processEvents();
    EXPECT_EQ(clientSizes(), expected);
    for (QMdiSubWindow* s : w.mdiArea()->subWindowList())
        EXPECT_TRUE(area.contains(s->geometry())) << s->windowTitle().toStdString();
    // Moved out, or left outside when the frame shrinks: back inside.
    QMdiSubWindow* first = w.mdiArea()->subWindowList()[1];
    first->move(-200, 2000);
    EXPECT_TRUE(area.contains(first->geometry()));
    w.resize(700, 560);
    QApplication::processEvents();
    for (QMdiSubWindow* s : w.mdiArea()->subWindowList())
        EXPECT_TRUE(w.mdiArea()->viewport()->rect().contains(s->geometry()))
            << s->windowTitle().toStdString();
    EXPECT_EQ(qm::app::keptInside({-5, 50, 100, 900}, {0, 0, 400, 300}, {60, 400}),
              QRect(0, 0, 100, 400)); // never below its minimum: the caption stays reachable
}

TEST(Tmain, ClosingHidesTheToolWindowsAndSaveImageTakesTheFiltersExtension) {
    qm::test::qtApp();
    Sandbox box;
    TestMain w;
    w.show();
    w.new1click();
    w.imageSaveDialog()->selectNameFilter("PPM - Portable Pixelmap (*.ppm)");
    w.answers = {box.file("typed")};
    w.SaveAs1Click();
    EXPECT_TRUE(QFileInfo::exists(box.file("typed.ppm")));
    w.loupeclick();
    w.speedclick();
    ASSERT_TRUE(w.loupe()->isVisible() && w.speedometer()->isVisible());
    // First shown inside the workspace, clear of the menu and tool bars.
    const QPoint workspace = w.mdiArea()->mapToGlobal(QPoint(0, 0));
    EXPECT_GE(w.loupe()->frameGeometry().top(), workspace.y());
    w.close();
    EXPECT_FALSE(w.loupe()->isVisible());
    EXPECT_FALSE(w.speedometer()->isVisible());
}

TEST(Tmain, SavingOverAnExistingFileAsksOnceAboutTheFileWritten) {
    qm::test::qtApp();
    Sandbox box;
    TestMain w;
    w.new1click();
    const QString params = box.file("p.qmp");
    w.answers = {params};
    w.Save1Click();
    EXPECT_TRUE(w.overwriteAsked.isEmpty());
    const QString first = readAll(params);
    // No: the dialog comes back; cancelled there, the file is as it was.
    documents(w)[0]->document().setMax(400);
    w.answers = {params};
    w.overwriteAnswers = {false};
    w.Save1Click();
    EXPECT_EQ(w.overwriteAsked, QStringList{params});
    EXPECT_EQ(w.dialogs.size(), 3u);
    EXPECT_EQ(readAll(params), first);
    w.answers = {params};
    w.Save1Click();
    EXPECT_NE(readAll(params), first);

    // The picture's name gets its extension after the dialog: the question is about that file.
    w.imageSaveDialog()->selectNameFilter("PPM - Portable Pixelmap (*.ppm)");
    w.answers = {box.file("typed")};
    w.SaveAs1Click();
    w.overwriteAsked.clear();
    w.answers = {box.file("typed"), box.file("other")};
    w.overwriteAnswers = {false};
    w.SaveAs1Click();
    EXPECT_EQ(w.overwriteAsked, QStringList{box.file("typed.ppm")});
    EXPECT_TRUE(QFileInfo::exists(box.file("other.ppm")));
}

TEST(Tmain, TileKeepsEveryWindowAtItsMinimumHeight) {
    using qm::app::tiledHeights;
    EXPECT_EQ(tiledHeights(300, {10, 10, 10}), (std::vector<int>{100, 100, 100}));
    EXPECT_EQ(tiledHeights(301, {10, 200, 10}), (std::vector<int>{50, 200, 51}));
    EXPECT_EQ(tiledHeights(300, {150, 200, 10}), (std::vector<int>{150, 200, 10}));
    qm::test::qtApp();
    Sandbox box;
    TestMain w;
    w.resize(900, 460);
    w.show();
    for (int i = 0; i < 4; ++i)
        w.new1click();
    w.findChild<QAction*>("Windows2")->trigger();
    for (QMdiSubWindow* s : w.mdiArea()->subWindowList()) {
        // The palette editor keeps its Presets / Randomize row.
        if (s->widget()->objectName() == "gradmaker") {
            EXPECT_GE(s->widget()->height(), s->widget()->minimumHeight());
        }
        EXPECT_GE(s->height(), s->minimumSizeHint().height());
    }
}

TEST(Tmain, FileDialogsShowTheirColumnsAndHelpOpensOverTheFrame) {
    qm::test::qtApp();
    Sandbox box;
    TestMain w;
    w.resize(1000, 700);
    w.show();
    QFileDialog* dialog = w.imageSaveDialog();
    auto* tree = dialog->findChild<QTreeView*>("treeView");
    if (tree != nullptr) {
        EXPECT_GE(tree->header()->sectionSize(1),
                  tree->fontMetrics().horizontalAdvance("999.9 KiB"));
        EXPECT_GE(dialog->width(), 600);
    }
    QWidget help;
    help.resize(400, 300);
    const QPoint at = qm::app::placeOver(help, w);
    EXPECT_EQ(QRect(at, help.size()).center().x(), w.frameGeometry().center().x());
    EXPECT_GT(at.y(), w.frameGeometry().top());
}

} // namespace

namespace {

TEST(Tmain, HintsOfDocumentControlsAndMenuItemsReachTheStatusBar) {
    qm::test::qtApp();
    Sandbox box;
    TestMain w;
    w.show();
    w.new1click();
    Tmandelform* doc = documents(w)[0];
    auto* render = doc->findChild<QPushButton*>("Startrender");
    ASSERT_NE(render, nullptr);
    QStatusTipEvent tip(render->statusTip());
    QApplication::sendEvent(render, &tip);
    EXPECT_EQ(w.statusBar()->currentMessage(),
              "Start calculating with current coordinates (Shortcut: F9)");
    // A catalogue entry of the settings menu shows its formula hint.
    QAction* mandel = doc->findChild<QAction*>("zz2cMandelbrot1");
    ASSERT_NE(mandel, nullptr);
    ASSERT_FALSE(mandel->statusTip().isEmpty());
    mandel->showStatusText(doc);
    EXPECT_EQ(w.statusBar()->currentMessage(), mandel->statusTip());
}

// Pictures that carry their parameters: Save Image embeds them, Load Parameters reads them back
// into a document that shows the picture, ready to zoom.
TEST(Tmain, SavedPicturesOpenAsTheirDocument) {
    qm::test::qtApp();
    Sandbox box;
    TestMain w;
    w.show();
    w.new1click();
    Tmandelform* first = documents(w)[0];
    first->document().setView({-1.5, 0.5, -1.0, 1.0});
    first->document().setMax(300);
    renderAndWait(first);
    const std::string text =
        qm::params::parameterDocument(first->document(), w.gradientModel().stopString()).text();
    const qm::image::TPixelGraphic rendered = first->picture();
    for (const QString name : {"doc.png", "doc.jpg"}) {
        w.answers = {box.file(name)};
        w.findChild<QAction*>("SaveAs1")->trigger();
        w.dialogs.clear();
        w.answers = {box.file(name)};
        w.findChild<QAction*>("Open1")->trigger();
        ASSERT_EQ(w.dialogs.size(), 1u);
        EXPECT_EQ(w.dialogs[0].filters,
                  (QStringList{"All supported (*.qmp *.png *.jpg *.jpeg)",
                               "Quillmora Parameter Files (*.qmp)",
                               "Pictures with parameters (*.png *.jpg *.jpeg)"}));
        Tmandelform* opened = documents(w).back();
        ASSERT_NE(opened, first) << name.toStdString();
        EXPECT_EQ(opened->windowTitle(), name);
        EXPECT_EQ(qm::params::parameterDocument(opened->document(), w.gradientModel().stopString())
                      .text(),
                  text);
        EXPECT_EQ(w.recentFiles().items().front(), box.file(name).toStdString());
        // Ready to zoom: a selection maps with the loaded view and the picture's steps.
        EXPECT_EQ(opened->navigator().views().history.CurrentView, opened->document().view());
        EXPECT_EQ(opened->navigator().views().shown.steps.StepX,
                  qm::fractal::computeSteps(opened->document().view(), 320, 240).StepX);
        if (name == "doc.png") {
            // Shown at once, then rendered again from the embedded parameters: the same picture.
            EXPECT_EQ(opened->picture().width(), 320);
            EXPECT_EQ(opened->picture().pixel(100, 50), rendered.pixel(100, 50));
            renderAndWait(opened);
            for (int y = 0; y < rendered.height(); y += 7)
                for (int x = 0; x < rendered.width(); x += 3)
                    ASSERT_EQ(opened->picture().pixel(x, y), rendered.pixel(x, y)) << x << "," << y;
        }
    }
    EXPECT_TRUE(box.errors.isEmpty()) << box.errors.join("\n").toStdString();
}

TEST(Tmain, PicturesWithoutParametersChangeNothingAndTheOptionIsRemembered) {
    qm::test::qtApp();
    Sandbox box;
    {
        TestMain w;
        w.new1click();
        QAction* store = w.findChild<QAction*>("StoreParameters1");
        ASSERT_NE(store, nullptr);
        EXPECT_TRUE(store->isChecked());
        store->trigger();
        w.answers = {box.file("bare.png")};
        w.findChild<QAction*>("SaveAs1")->trigger();
        w.answers = {box.file("bare.png")};
        EXPECT_FALSE(qm::app::runCommand([&] { w.Open1Click(); }));
        EXPECT_EQ(documents(w).size(), 1);
        EXPECT_TRUE(w.recentFiles().items().empty());
        EXPECT_EQ(box.errors, QStringList{"No Quillmora parameters in " + box.file("bare.png")});
    }
    TestMain again;
    EXPECT_FALSE(again.findChild<QAction*>("StoreParameters1")->isChecked());
}

TEST(Tmain, DroppedFilesOpenOneDocumentEachWhileARenderRuns) {
    qm::test::qtApp();
    Sandbox box;
    TestMain w;
    w.show();
    w.new1click();
    Tmandelform* running = documents(w)[0];
    running->document().setMax(4000);
    qm::image::TPixelGraphic(4, 3, qm::image::PixelFormat::Bits24)
        .saveToFile(box.file("with.png").toStdString(), {"[Coordinates]\r\nMax=77\r\n"});
    qm::image::TPixelGraphic(4, 3, qm::image::PixelFormat::Bits24)
        .saveToFile(box.file("plain.bmp").toStdString());
    QFile qmp(box.file("p.qmp"));
    ASSERT_TRUE(qmp.open(QIODevice::WriteOnly));
    qmp.write("[Coordinates]\r\nMax=99\r\n");
    qmp.close();

    running->StartrenderClick();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(box.file("p.qmp")),
                  QUrl::fromLocalFile(box.file("plain.bmp")),
                  QUrl::fromLocalFile(box.file("with.png"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &drop);
    EXPECT_TRUE(running->isRendering());
    const auto docs = documents(w);
    ASSERT_EQ(docs.size(), 3);
    EXPECT_EQ(docs[1]->document().max(), 99);
    EXPECT_EQ(docs[2]->document().max(), 77);
    EXPECT_EQ(docs[2]->picture().width(), 4);
    EXPECT_EQ(box.errors, QStringList{"No Quillmora parameters in " + box.file("plain.bmp")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !running->isRendering(); }, 60000));
}

// The real program opens the files named on its command line: the recent-files list it stores
// names them.
TEST(Program, OpensTheFilesNamedOnItsCommandLine) {
    QTemporaryDir home;
    const QString qmp = home.filePath("start.qmp");
    QFile f(qmp);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Coordinates]\r\nMax=99\r\n");
    f.close();
    const QString program = QString(QM_BINARY_DIR) + "/src/app/quillmora";
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", home.path());
    p.setProcessEnvironment(env);
    p.start(program, {qmp});
    ASSERT_TRUE(p.waitForStarted());
    const QString settings = home.filePath("Quillmora/Quillmora.conf");
    const bool opened =
        QTest::qWaitFor([&] { return readAll(settings).contains("start.qmp"); }, 20000);
    p.kill();
    p.waitForFinished();
    EXPECT_TRUE(opened) << readAll(settings).toStdString();
}

} // namespace

// The one QApplication lives until the process ends: Qt's own global device list is gone
// before a function-local static application would be destroyed, so the process leaves
// without running static destructors once the results are written.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    qm::test::qtApp();
    const int rc = RUN_ALL_TESTS();
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(rc);
}

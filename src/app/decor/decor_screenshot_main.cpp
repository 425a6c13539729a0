// Draws the gradient-captioned main frame with its tool panel and a maximised document, and the
// about box, into PNG files; optionally the frame with its tool panel folded away
// (scripts/screenshot-decor.sh).
#include "app/decor/about_form.h"
#include "app/decor/gradient_form.h"
#include "app/decor/tool_panel.h"

#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s MAIN.png ABOUT.png [FOLDED.png]\n", argv[0]);
        return 2;
    }
    qm::app::TGradientForm frame;
    frame.setCaption("Quillmora - v0.9");
    auto* body = new QWidget;
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const qm::app::ToolPanel tools = qm::app::makeToolPanel(body);
    const QStyle::StandardPixmap icons[] = {QStyle::SP_FileIcon,
                                            QStyle::SP_DialogOpenButton,
                                            QStyle::SP_DialogSaveButton,
                                            QStyle::SP_DriveFDIcon,
                                            QStyle::SP_ComputerIcon,
                                            QStyle::SP_DirIcon,
                                            QStyle::SP_DesktopIcon,
                                            QStyle::SP_FileDialogDetailedView,
                                            QStyle::SP_FileDialogContentsView,
                                            QStyle::SP_MediaSeekForward,
                                            QStyle::SP_MessageBoxQuestion};
    for (QStyle::StandardPixmap icon : icons) {
        auto* b = new QToolButton(tools.MPanel1);
        b->setAutoRaise(true);
        b->setIcon(app.style()->standardIcon(icon));
        b->resize(30, 30);
    }
    tools.MPanel1->setArangeButtons(true);
    layout->addWidget(tools.PanelManager1);
    auto* area = new QMdiArea;
    layout->addWidget(area, 1);
    frame.setBody(body);
    frame.setMdiArea(area);
    auto* picture = new QLabel;
    picture->setStyleSheet("background: #102040");
    QMdiSubWindow* child = area->addSubWindow(picture);
    child->setWindowTitle("Mandelbrot Image");
    frame.resize(900, 560);
    frame.show();
    child->showMaximized();
    app.processEvents();
    const bool mainSaved = frame.grab().save(QString::fromLocal8Bit(argv[1]));
    if (argc > 3) {
        // The same frame with the tool panel folded into its bottom tab.
        tools.PanelManager1->hitTest(QPoint(3, 10), true);
        app.processEvents();
        frame.grab().save(QString::fromLocal8Bit(argv[3]));
        tools.PanelManager1->hitTest(QPoint(3, tools.PanelManager1->height() - 5), true);
    }

    qm::app::TAboutBox1 about;
    about.adjustSize();
    about.show();
    for (int i = 0; i < 20; ++i)
        about.step();
    app.processEvents();
    const bool aboutSaved = about.grab().save(QString::fromLocal8Bit(argv[2]));
    return mainSaved && aboutSaved ? 0 : 1;
}

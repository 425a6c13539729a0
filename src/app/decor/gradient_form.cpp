// The gradient caption bar: colour tables, painting, caption buttons and moving and sizing the
// frameless window through the window system.
#include "app/decor/gradient_form.h"

#include "engine/core/arith.h"

#include <QApplication>
#include <QEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>

namespace qm::app {

namespace {

QFont captionFont(bool tool) {
    QFont f = QApplication::font("QMdiSubWindowTitleBar");
    f.setBold(true);
    if (tool && f.pointSizeF() > 2) f.setPointSizeF(f.pointSizeF() - 1);
    return f;
}

} // namespace

// ---------------------------------------------------------------------------------------------

GradientCaption::GradientCaption(TGradientForm* form) : QWidget(form), form_(form) {
    setObjectName("CaptionBar");
    setAttribute(Qt::WA_OpaquePaintEvent);
    auto makeButton = [this](const char* name, QStyle::StandardPixmap icon) {
        auto* b = new QToolButton(this);
        b->setObjectName(name);
        b->setAutoRaise(false);
        b->setFocusPolicy(Qt::NoFocus);
        b->setIcon(style()->standardIcon(icon));
        return b;
    };
    close_ = makeButton("CloseButton", QStyle::SP_TitleBarCloseButton);
    max_ = makeButton("MaximizeButton", QStyle::SP_TitleBarMaxButton);
    min_ = makeButton("MinimizeButton", QStyle::SP_TitleBarMinButton);
    connect(close_, &QToolButton::clicked, form_, &QWidget::close);
    connect(max_, &QToolButton::clicked, form_, [this] {
        if (form_->isMaximized())
            form_->showNormal();
        else
            form_->showMaximized();
    });
    connect(min_, &QToolButton::clicked, form_, &QWidget::showMinimized);
    updateButtons();
}

QSize GradientCaption::sizeHint() const {
    const QFontMetrics fm(captionFont(form_->isToolWindow()));
    const int normal = std::max(style()->pixelMetric(QStyle::PM_TitleBarHeight), fm.height() + 6);
    return {100, form_->isToolWindow() ? fm.height() + 4 : normal};
}

void GradientCaption::updateButtons() {
    const bool closeOnly = form_->isToolWindow() || form_->isDialog();
    const Qt::WindowFlags flags = form_->windowFlags();
    max_->setVisible(!closeOnly);
    min_->setVisible(!closeOnly);
    max_->setEnabled(!flags.testFlag(Qt::CustomizeWindowHint) ||
                     flags.testFlag(Qt::WindowMaximizeButtonHint));
    min_->setEnabled(!flags.testFlag(Qt::CustomizeWindowHint) ||
                     flags.testFlag(Qt::WindowMinimizeButtonHint));
    max_->setIcon(style()->standardIcon(form_->isMaximized() ? QStyle::SP_TitleBarNormalButton
                                                             : QStyle::SP_TitleBarMaxButton));
    max_->setObjectName(form_->isMaximized() ? "RestoreButton" : "MaximizeButton");
    // Buttons from the right edge inwards, each in the bar's height inset by 2.
    const int side = std::max(height() - 4, 8);
    int right = width() - 2;
    for (QToolButton* b : {close_, max_, min_}) {
        if (b->isHidden()) continue;
        b->setGeometry(right - side, 2, side, side);
        right -= side + 2;
    }
    update();
}

void GradientCaption::resizeEvent(QResizeEvent*) {
    updateButtons();
}

QRect GradientCaption::freeArea() const {
    QRect r = rect().adjusted(1, 0, 0, 0);
    if (!form_->isToolWindow() && !form_->isDialog())
        r.setLeft(r.left() + 1 + std::max(height() - 2, 0) + 1);
    int right = r.right();
    for (const QToolButton* b : {close_, max_, min_})
        if (!b->isHidden()) right = std::min(right, b->geometry().left() - 3);
    r.setRight(right);
    return r;
}

void GradientCaption::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const bool active = form_->captionActive();
    const TGFPaintWhen when = form_->PaintGradient();
    if (when == gfpNever || (when == gfpActive && !active)) {
        p.fillRect(rect(), form_->captionColor(active));
    } else {
        // n entries as an n x 1 picture stretched over the bar, without smoothing: n bands.
        const QVector<QRgb>& table = form_->colorTable(active);
        QImage bands(static_cast<int>(table.size()), 1, QImage::Format_RGB32);
        for (int i = 0; i < table.size(); ++i)
            bands.setPixel(i, 0, table[i]);
        p.drawImage(rect(), bands);
    }
    if (!form_->isToolWindow() && !form_->isDialog()) {
        QIcon icon = form_->windowIcon();
        if (icon.isNull()) icon = QApplication::windowIcon();
        if (icon.isNull()) icon = style()->standardIcon(QStyle::SP_TitleBarMenuButton);
        const int side = std::max(height() - 2, 1);
        icon.paint(&p, QRect(2, 1, side, side));
    }
    QRect free = freeArea();
    const QFont font = captionFont(form_->isToolWindow());
    p.setFont(font);
    if (form_->OnCaptionPaint) form_->OnCaptionPaint(form_, p, free);
    const QRect text = free.adjusted(2, 0, 0, 0);
    if (text.width() <= 0) return;
    p.setFont(font);
    p.setPen(Qt::white);
    const QString shown =
        QFontMetrics(font).elidedText(form_->captionText(), Qt::ElideRight, text.width());
    p.drawText(text, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, shown);
}

void GradientCaption::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    // The window system moves the window; a window without a handle stays where it is.
    if (QWindow* handle = form_->windowHandle()) handle->startSystemMove();
}

void GradientCaption::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || form_->isToolWindow() || form_->isDialog()) return;
    if (form_->isMaximized())
        form_->showNormal();
    else
        form_->showMaximized();
}

// ---------------------------------------------------------------------------------------------

TGradientForm::TGradientForm(QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags | Qt::FramelessWindowHint) {
    setObjectName("GradientForm");
    setMouseTracking(true);
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(kFrame, kFrame, kFrame, kFrame);
    layout_->setSpacing(0);
    caption_ = new GradientCaption(this);
    caption_->setFixedHeight(caption_->sizeHint().height());
    layout_->addWidget(caption_);
    layout_->addStretch(1);
    rebuildTables();
}

bool TGradientForm::isToolWindow() const {
    return (windowFlags() & Qt::WindowType_Mask) == Qt::Tool;
}

bool TGradientForm::isDialog() const {
    return (windowFlags() & Qt::WindowType_Mask) == Qt::Dialog;
}

void TGradientForm::setBody(QWidget* body) {
    if (body_ != nullptr) {
        layout_->removeWidget(body_);
        delete body_;
    } else if (QLayoutItem* stretch = layout_->takeAt(1)) {
        delete stretch;
    }
    body_ = body;
    if (body_ != nullptr) layout_->addWidget(body_, 1);
}

void TGradientForm::setGradientColors(int n) {
    if (n < kMinColors || n > kMaxColors || n == gradientColors_) return;
    gradientColors_ = n;
    rebuildTables();
    caption_->update();
}

void TGradientForm::setPaintGradient(TGFPaintWhen when) {
    if (when == paintGradient_) return;
    paintGradient_ = when;
    caption_->update();
}

QVector<QRgb> TGradientForm::buildTable(QColor colour, int n) {
    QVector<QRgb> table(n);
    const double stepR = colour.red() / double(n - 1);
    const double stepG = colour.green() / double(n - 1);
    const double stepB = colour.blue() / double(n - 1);
    for (int i = 0; i < n; ++i)
        table[i] = qRgb(qm::Round(stepR * i), qm::Round(stepG * i), qm::Round(stepB * i));
    return table;
}

QColor TGradientForm::captionColor(bool active) const {
    return palette().color(active ? QPalette::Active : QPalette::Inactive, QPalette::Highlight);
}

void TGradientForm::rebuildTables() {
    tables_[0] = buildTable(captionColor(false), gradientColors_);
    tables_[1] = buildTable(captionColor(true), gradientColors_);
}

bool TGradientForm::captionActive() const {
    return isActiveWindow();
}

TGradientForm::~TGradientForm() {
    setMdiArea(nullptr);
}

void TGradientForm::setMdiArea(QMdiArea* area) {
    if (mdiArea_ != nullptr) {
        disconnect(mdiArea_, nullptr, this, nullptr);
        mdiArea_->viewport()->removeEventFilter(this);
    }
    mdiArea_ = area;
    if (area == nullptr) return;
    connect(area, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* w) {
        watchSubWindow(w);
        caption_->update();
    });
    // Sub-windows are children of the viewport; each one is watched for state and title.
    area->viewport()->installEventFilter(this);
    for (QMdiSubWindow* w : area->subWindowList())
        watchSubWindow(w);
    caption_->update();
}

void TGradientForm::watchSubWindow(QMdiSubWindow* w) {
    if (w == nullptr) return;
    w->removeEventFilter(this); // never twice
    w->installEventFilter(this);
}

void TGradientForm::setChildCaptionProvider(std::function<QString()> provider) {
    childCaption_ = std::move(provider);
    caption_->update();
}

QString TGradientForm::captionText() const {
    QString child;
    if (childCaption_) {
        child = childCaption_();
    } else if (mdiArea_ != nullptr) {
        QMdiSubWindow* current = mdiArea_->currentSubWindow();
        if (current != nullptr && current->isMaximized() && !current->isHidden())
            child = current->windowTitle();
    }
    if (child.isEmpty()) return Caption();
    return Caption() + " - [" + child + "]";
}

bool TGradientForm::eventFilter(QObject* watched, QEvent* e) {
    if (mdiArea_ != nullptr && watched == mdiArea_->viewport()) {
        if (e->type() == QEvent::ChildAdded)
            if (auto* w = qobject_cast<QMdiSubWindow*>(static_cast<QChildEvent*>(e)->child()))
                watchSubWindow(w);
        if (e->type() == QEvent::ChildRemoved) caption_->update();
    } else if (qobject_cast<QMdiSubWindow*>(watched) != nullptr) {
        switch (e->type()) {
        case QEvent::WindowStateChange:
        case QEvent::WindowTitleChange:
        case QEvent::Hide:
        case QEvent::Show:
            caption_->update();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, e);
}

void TGradientForm::changeEvent(QEvent* e) {
    switch (e->type()) {
    case QEvent::PaletteChange:
        rebuildTables();
        caption_->update();
        break;
    case QEvent::WindowStateChange: {
        const int m = isMaximized() ? 0 : kFrame;
        layout_->setContentsMargins(m, m, m, m);
        caption_->updateButtons();
        break;
    }
    case QEvent::WindowTitleChange:
    case QEvent::ActivationChange:
    case QEvent::WindowIconChange:
    case QEvent::FontChange:
        caption_->update();
        break;
    default:
        break;
    }
    QWidget::changeEvent(e);
}

void TGradientForm::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
    if (!isMaximized()) {
        p.setPen(palette().color(QPalette::Dark));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

Qt::Edges TGradientForm::edgesAt(const QPoint& pos) const {
    Qt::Edges edges;
    if (isMaximized() || isToolWindow() || isDialog() || !rect().contains(pos)) return edges;
    if (pos.x() < kFrame) edges |= Qt::LeftEdge;
    if (pos.x() >= width() - kFrame) edges |= Qt::RightEdge;
    if (pos.y() < kFrame) edges |= Qt::TopEdge;
    if (pos.y() >= height() - kFrame) edges |= Qt::BottomEdge;
    return edges;
}

Qt::CursorShape TGradientForm::cursorForEdges(Qt::Edges edges) {
    const bool left = edges.testFlag(Qt::LeftEdge), right = edges.testFlag(Qt::RightEdge);
    const bool top = edges.testFlag(Qt::TopEdge), bottom = edges.testFlag(Qt::BottomEdge);
    if ((top && left) || (bottom && right)) return Qt::SizeFDiagCursor;
    if ((top && right) || (bottom && left)) return Qt::SizeBDiagCursor;
    if (left || right) return Qt::SizeHorCursor;
    if (top || bottom) return Qt::SizeVerCursor;
    return Qt::ArrowCursor;
}

void TGradientForm::mouseMoveEvent(QMouseEvent* e) {
    const Qt::Edges edges = edgesAt(e->position().toPoint());
    if (edges)
        setCursor(cursorForEdges(edges));
    else
        unsetCursor();
    QWidget::mouseMoveEvent(e);
}

void TGradientForm::mousePressEvent(QMouseEvent* e) {
    const Qt::Edges edges = edgesAt(e->position().toPoint());
    if (e->button() == Qt::LeftButton && edges && windowHandle() != nullptr) {
        windowHandle()->startSystemResize(edges);
        return;
    }
    QWidget::mousePressEvent(e);
}

} // namespace qm::app

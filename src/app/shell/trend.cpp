// The strip chart: value history, clamping, and the five drawing styles on an off-screen picture.
#include "app/shell/trend.h"

#include "engine/core/arith.h"
#include "engine/core/random.h"

#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <cmath>

namespace qm::app {

TTrend::TTrend(QWidget* parent) : QFrame(parent) {
    // Demonstration values, visible only until ClearValues or real samples replace them.
    RandomGenerator random(RandomGenerator::clockSeed());
    for (int i = 0; i < kCapacity; ++i) {
        const auto spread = static_cast<std::uint32_t>(std::max(0, maxVal_ - minVal_ - 1));
        Values[static_cast<size_t>(i)] = minVal_ + static_cast<int>(random.nextInt(spread));
        const auto twin =
            static_cast<std::uint32_t>(std::max(0, Values[static_cast<size_t>(i)] - minVal_ - 1));
        TwinValues[static_cast<size_t>(i)] = minVal_ + static_cast<int>(random.nextInt(twin));
    }
    style_ = TTrendStyle::tsBar;
    colorBase_ = Qt::cyan;
    divisions_ = 20;
    DepthX = DepthY = 10;
}

void TTrend::setDivisions(int divisions) {
    divisions = std::clamp(divisions, kMinDivisions, kCapacity);
    if (divisions == divisions_) return;
    divisions_ = divisions;
    update();
}

void TTrend::setMinVal(int v) {
    if (v == minVal_) return;
    minVal_ = v;
    update();
}

void TTrend::setMaxVal(int v) {
    if (v == maxVal_) return;
    maxVal_ = v;
    update();
}

void TTrend::setStyle(TTrendStyle style) {
    if (style == style_) return;
    style_ = style;
    update();
}

void TTrend::setOptions(TTrendOptions options) {
    if (options == options_) return;
    options_ = options;
    update();
}

void TTrend::setColorBase(const QColor& colour) {
    if (colour == colorBase_) return;
    colorBase_ = colour;
    update();
}

void TTrend::setColor(const QColor& colour) {
    if (colour == color_) return;
    color_ = colour;
    update();
}

void TTrend::setFieldColor(const QColor& colour) {
    if (colour == fieldColor_) return;
    fieldColor_ = colour;
    update();
}

void TTrend::AddValue(std::int32_t v) {
    std::copy(Values.begin() + 1, Values.begin() + divisions_, Values.begin());
    // Clamped to the top first, then the bottom, so an inverted range cannot escape MinVal.
    Values[static_cast<size_t>(divisions_ - 1)] = std::max(std::min(v, maxVal_), minVal_);
    update();
}

void TTrend::ClearValues() {
    std::fill(Values.begin(), Values.begin() + divisions_, 0);
    update();
}

int TTrend::heightOf(std::int32_t v, int chartHeight) const {
    const std::int64_t range = std::int64_t{maxVal_} - minVal_;
    if (range == 0) return 3;
    const std::int64_t scaled = std::int64_t{chartHeight - 6} * (std::int64_t{v} - minVal_);
    return static_cast<int>(scaled / range) + 3; // division truncates toward zero
}

int TTrend::lineX(int i, double step) {
    return Round(3.0 + i * step + (Round(step) / 2));
}

QColor TTrend::Shade(const QColor& colour, int offset) {
    auto channel = [offset](int c) { return std::clamp(c + offset, 0, 255); };
    return QColor(channel(colour.red()), channel(colour.green()), channel(colour.blue()));
}

QImage TTrend::renderChart(int width, int height) const {
    QImage picture(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
    QPainter p(&picture);
    p.setPen(Qt::black);
    p.setBrush(fieldColor_);
    p.drawRect(0, 0, width - 1, height - 1);
    p.setBrush(color_);

    const auto value = [this](int i) { return Values[static_cast<size_t>(i)]; };
    const auto twin = [this](int i) { return TwinValues[static_cast<size_t>(i)]; };
    QFont font("Arial");
    font.setPixelSize(8);
    p.setFont(font);
    const int textHeight = options_.has(TTrendOption::toValues) ? p.fontMetrics().height() : 0;
    auto drawValue = [&](int left, int right, int top, int v) {
        const QString text = QString::number(v);
        const QRect box(left, top - textHeight, right - left, textHeight);
        p.fillRect(box, Qt::white);
        p.setPen(Qt::black);
        p.drawText(box, Qt::AlignHCenter | Qt::AlignBottom | Qt::TextDontClip, text);
    };

    switch (style_) {
    case TTrendStyle::tsLine:
    case TTrendStyle::tsScatter: {
        const double step = (width - 6) / static_cast<double>(divisions_);
        auto series = [&](auto get) {
            QPolygon points;
            for (int i = 0; i < divisions_; ++i)
                points << QPoint(lineX(i, step), height - heightOf(get(i), height));
            return points;
        };
        const QPolygon first = series(value);
        const QPolygon second = series(twin);
        if (style_ == TTrendStyle::tsLine) {
            p.setPen(color_);
            p.drawPolyline(first);
            if (options_.has(TTrendOption::toTwin)) {
                p.setPen(colorBase_);
                p.drawPolyline(second);
            }
        } else {
            const int half = std::max(1, static_cast<int>(step / 4));
            auto squares = [&](const QPolygon& pts, const QColor& c) {
                for (const QPoint& pt : pts)
                    p.fillRect(pt.x() - half, pt.y() - half, 2 * half, 2 * half, c);
            };
            squares(first, color_);
            if (options_.has(TTrendOption::toTwin)) squares(second, colorBase_);
        }
        break;
    }
    case TTrendStyle::tsBar: {
        const double step = (width - 6) / static_cast<double>(divisions_);
        const int chart = height - textHeight;
        p.setPen(Qt::NoPen);
        for (int i = 0; i < divisions_; ++i) {
            const int left = static_cast<int>(3 + i * step);
            const int right = static_cast<int>(3 + (i + 1) * step);
            const int top = height - heightOf(value(i), chart);
            p.fillRect(QRect(QPoint(left, top), QPoint(right - 1, height - 4)), color_);
            if (textHeight > 0) drawValue(left, right, top, value(i));
        }
        break;
    }
    case TTrendStyle::ts3D: {
        const double step = (width - DepthX - 6) / static_cast<double>(divisions_);
        const int chart = height - DepthY - textHeight;
        const bool twinBars = options_.has(TTrendOption::toTwin);
        p.setPen(Qt::NoPen);
        for (int i = 0; i < divisions_; ++i) {
            const int left = static_cast<int>(3 + i * step);
            const int right = static_cast<int>(3 + (i + 1) * step);
            const int top = height - heightOf(value(i), chart);
            const int bottom = twinBars ? height - heightOf(twin(i), chart) : height - 3;
            p.setBrush(color_);
            p.drawPolygon(QPolygon({{left, bottom}, {left, top}, {right, top}, {right, bottom}}));
            p.setBrush(Shade(color_, -60));
            p.drawPolygon(QPolygon({{right, bottom},
                                    {right, top},
                                    {right + DepthX, top - DepthY},
                                    {right + DepthX, bottom - DepthY}}));
            p.setBrush(Shade(color_, 60));
            p.drawPolygon(QPolygon({{left, top},
                                    {left + DepthX, top - DepthY},
                                    {right + DepthX, top - DepthY},
                                    {right, top}}));
            if (textHeight > 0)
                drawValue(left, right + DepthX, std::min(top, bottom) - DepthY,
                          twinBars ? std::abs(value(i) - twin(i)) : value(i));
        }
        break;
    }
    case TTrendStyle::tsFilled: {
        const double step = (width - 6) / static_cast<double>(divisions_);
        p.setPen(color_);
        for (int i = 0; i + 1 < divisions_; ++i) {
            const int x0 = lineX(i, step);
            const int x1 = lineX(i + 1, step);
            p.drawPolygon(QPolygon({{x0, height - 3},
                                    {x0, height - heightOf(value(i), height)},
                                    {x1, height - heightOf(value(i + 1), height)},
                                    {x1, height - 3}}));
        }
        break;
    }
    }
    return picture;
}

void TTrend::paintEvent(QPaintEvent*) {
    const QImage chart = renderChart(width(), height());
    QPainter(this).drawImage(0, 0, chart);
}

} // namespace qm::app

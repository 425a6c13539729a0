// TTrend: the strip chart of the speedometer, plotting the latest samples of one or two series.
#pragma once

#include <QColor>
#include <QFrame>
#include <array>
#include <cstdint>

namespace qm::app {

enum class TTrendOption : std::uint8_t { toValues = 1, toTwin = 2 };
enum class TTrendStyle : std::uint8_t { tsBar, tsLine, tsScatter, ts3D, tsFilled };

// A set of TTrendOption values.
class TTrendOptions {
public:
    TTrendOptions() = default;
    TTrendOptions(std::initializer_list<TTrendOption> options) {
        for (TTrendOption o : options)
            bits_ = static_cast<std::uint8_t>(bits_ | static_cast<std::uint8_t>(o));
    }
    bool has(TTrendOption o) const { return (bits_ & static_cast<std::uint8_t>(o)) != 0; }
    bool operator==(const TTrendOptions&) const = default;

private:
    std::uint8_t bits_ = 0;
};

class TTrend : public QFrame {
    Q_OBJECT
public:
    static constexpr int kCapacity = 100;
    static constexpr int kMinDivisions = 2;

    // Fills both series with demonstration values; shows the first 20 entries as bars.
    explicit TTrend(QWidget* parent = nullptr);

    std::array<std::int32_t, kCapacity> Values{};
    std::array<std::int32_t, kCapacity> TwinValues{};

    int divisions() const { return divisions_; }
    int minVal() const { return minVal_; }
    int maxVal() const { return maxVal_; }
    TTrendStyle style() const { return style_; }
    TTrendOptions options() const { return options_; }
    QColor colorBase() const { return colorBase_; }
    // The panel colour: the brush of bars and the pen of the line.
    QColor color() const { return color_; }
    void setColor(const QColor& colour);
    // The field inside the one-pixel black frame; white unless set.
    QColor fieldColor() const { return fieldColor_; }
    void setFieldColor(const QColor& colour);
    int DepthX = 10;
    int DepthY = 10;

    // Each setter stores the value and repaints only when it changed.
    void setDivisions(int divisions); // clamped to 2..100
    void setMinVal(int v);
    void setMaxVal(int v);
    void setStyle(TTrendStyle style);
    void setOptions(TTrendOptions options);
    void setColorBase(const QColor& colour);

    // Shifts the shown part of Values one place left and appends v clamped to MinVal..MaxVal.
    void AddValue(std::int32_t v);
    // The shown part of Values becomes 0.
    void ClearValues();

    // The chart as painted, W x H; painting copies exactly this picture onto the control.
    QImage renderChart(int width, int height) const;
    // Pixels above the bottom edge for a value in a chart of this height: MinVal lies 3 above
    // the bottom, MaxVal 3 below the top. A zero range (MaxVal = MinVal) maps everything to 3.
    int heightOf(std::int32_t v, int chartHeight) const;
    // x of entry i in the line and scatter styles.
    static int lineX(int i, double step);

    // Lightens (positive offset) or darkens a colour, each channel clamped to 0..255.
    static QColor Shade(const QColor& colour, int offset);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int divisions_ = kCapacity;
    int minVal_ = 0;
    int maxVal_ = 100;
    TTrendStyle style_ = TTrendStyle::tsBar;
    TTrendOptions options_;
    QColor colorBase_ = Qt::cyan;
    QColor color_ = Qt::black;
    QColor fieldColor_ = Qt::white;
};

} // namespace qm::app

// The per-row pipeline of both renderers.
#include "engine/fractal/row_renderer.h"

#include "engine/core/arith.h"
#include "engine/fractal/colouring.h"
#include "engine/fractal/recolour.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace qm::fractal {

namespace {

std::string lowered(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool containsAny(const std::string& text, const char* letters) {
    return text.find_first_of(letters) != std::string::npos;
}

// Round(k / total * 320) with halves to even, as the plasma look-up needs.
int plasmaCoordinate(int k, int total, double span) {
    return Round(static_cast<double>(k) / total * span);
}

// Round(sum * 0.5) of a non-negative integer sum, without the library call.
int halfRoundedToEven(int sum) {
    const int half = sum >> 1;
    return half + (sum & half & 1);
}

} // namespace

RenderSettings RenderSettings::make(const FractalParams& params, int width, int height) {
    validateForRender(params, width, height);
    RenderSettings s;
    s.params = params;
    s.width = width;
    s.height = height;
    s.steps = computeSteps(params.view(), width, height);
    const bool palette = params.model == ColourModel::FixedPalette;
    const std::string text =
        lowered(palette ? params.edit971 : params.redit + params.gedit + params.bedit);
    s.needPolar = containsAny(text, "md");
    // Values no formula can read are not computed: "!" without a "!", and the split-channel
    // models' random draw per pixel when nothing reads "?" or draws from the same generator.
    s.needPlasma = containsAny(text, "!");
    s.needRandom = !palette && (containsAny(text, "?") || text.find("rnd") != std::string::npos ||
                                text.find("random") != std::string::npos);
    // Variables are single letters, so a formula without these letters cannot read them.
    s.skipInterior = !containsAny(text, "abz");
    s.columnX.resize(static_cast<std::size_t>(width));
    s.plasmaX.resize(static_cast<std::size_t>(width));
    for (int x = 1; x <= width; ++x) {
        double X = renderPlaneX(x, s.steps, params.view());
        if (params.flipX) X = -X;
        if (params.mirror) X = std::fabs(X);
        s.columnX[static_cast<std::size_t>(x - 1)] = X;
        s.plasmaX[static_cast<std::size_t>(x - 1)] = plasmaCoordinate(x, width, 320.0);
    }
    s.plasmaY.resize(static_cast<std::size_t>(height));
    for (int y = 1; y <= height; ++y)
        s.plasmaY[static_cast<std::size_t>(y - 1)] = plasmaCoordinate(y, height, 240.0);
    return s;
}

RowRenderer::RowRenderer(const RenderSettings& settings, const FormulaCompiler& compiler,
                         std::uint32_t randomSeed)
    : s_(settings), random_(randomSeed) {
    const FractalParams& p = s_.params;
    if (p.model == ColourModel::FixedPalette) {
        formulas_[0] = compiler.compile(p.edit971, random_);
    } else {
        formulas_[0] = compiler.compile(p.redit, random_);
        formulas_[1] = compiler.compile(p.gedit, random_);
        formulas_[2] = compiler.compile(p.bedit, random_);
    }
    const auto w = static_cast<std::size_t>(s_.width);
    y_.resize(w);
    m_.resize(w);
    d_.resize(w);
    t_.resize(w);
    q_.resize(w);
    p_.resize(w);
    for (int c = 0; c < 3; ++c) {
        values_[c].resize(w);
        faults_[c].resize(w);
    }
}

bool RowRenderer::render(int row, const GradientTableData& gradient, const PlasmaData* plasma,
                         const std::atomic<std::int32_t>& bailout, ColourValue* pixels,
                         const std::atomic<bool>* stop) {
    const FractalParams& p = s_.params;
    const int w = s_.width;
    const bool palette = p.model == ColourModel::FixedPalette;

    double Y = renderPlaneY(row + 1, s_.steps, p.view());
    if (p.flipY) Y = -Y;
    if (p.mirror) Y = std::fabs(Y);
    std::fill(y_.begin(), y_.end(), Y);
    const double* X = s_.columnX.data();

    FormulaRow vars;
    vars.X = X;
    vars.Y = y_.data();
    if (s_.needPolar) {
        // Fixed Palette measures from the origin, the split-channel models from (0.75, 0.75).
        const double ox = palette ? 0.0 : 0.75, oy = palette ? 0.0 : 0.75;
        for (int k = 0; k < w; ++k) {
            const double dx = X[k] - ox, dy = Y - oy;
            m_[k] = std::sqrt(dx * dx + dy * dy);
            d_[k] = std::atan2(dy, std::fabs(dx));
        }
        vars.M = m_.data();
        vars.D = d_.data();
    }
    if (s_.needRandom) {
        for (int k = 0; k < w; ++k)
            q_[k] = random_.nextInt(256); // one draw per pixel, shared by the channels
        vars.q = q_.data();
    }

    KernelParams kp;
    kp.max = p.Max;
    kp.julia = p.julia;
    kp.juliaConst = {p.JuliaX, p.JuliaY};
    kp.insideOut = p.insideOut;
    kp.order = p.Order;
    kp.orientation = p.Orientation;
    if (s_.recolourFrom) {
        s_.recolourFrom->loadRow(row, kernel_, vars);
    } else {
        const bool done = s_.deep ? s_.deep->renderRow(row, bailout, kernel_, stop, s_.skipInterior)
                                  : batch_.run(p.type, kp, bailout, X, y_.data(), w,
                                               s_.skipInterior, kernel_, stop);
        if (!done) return false;
        if (s_.keep) s_.keep->storeRow(row, kernel_);
        vars.I = kernel_.I.data();
        vars.Z = kernel_.Z.data();
        vars.A = kernel_.A.data();
        vars.B = kernel_.B.data();
    }

    // T counts pixels in picture order, so it does not depend on which thread renders the row.
    const double first = static_cast<double>(row) * w;
    for (int k = 0; k < w; ++k)
        t_[k] = first + k + 1;
    vars.T = t_.data();

    if (s_.needPlasma && plasma) {
        const int py = s_.plasmaY[static_cast<std::size_t>(row)];
        const bool small = s_.width <= 320 && s_.height <= 240;
        for (int k = 0; k < w; ++k) {
            const int px = s_.plasmaX[static_cast<std::size_t>(k)];
            if (small) {
                p_[k] = plasma->at(px, py);
            } else {
                // Column 321 and row 241 hold 0 and serve as the edge neighbours.
                p_[k] = halfRoundedToEven(plasma->at(px, py) + plasma->at(px + 1, py + 1));
            }
        }
        vars.p = p_.data();
    }

    if (palette) {
        formulas_[0]->evaluate(vars, w, values_[0].data(), faults_[0].data());
        for (int k = 0; k < w; ++k) {
            const std::int32_t n = paletteValue(values_[0][k], faults_[0][k]);
            pixels[k] = gradient[static_cast<std::size_t>(paletteIndex(n, p.repeatPalette))];
        }
        return true;
    }

    // Blue, green, red: the order the reference evaluates the channels in.
    for (int c = 2; c >= 0; --c)
        formulas_[c]->evaluate(vars, w, values_[c].data(), faults_[c].data());
    const bool hls = p.model == ColourModel::HlsMode;
    const double limits[3] = {hls ? 360.0 : 255.0, hls ? 100.0 : 255.0, hls ? 100.0 : 255.0};
    for (int k = 0; k < w; ++k) {
        std::int32_t ch[3] = {0, 0, 0};
        bool ok = true;
        for (int c = 0; c < 3 && ok; ++c) {
            const double v = values_[c][k];
            ok = faults_[c][k] == ArithFault::None &&
                 channelLevel(v, limits[c], p.repeatPalette, ch[c]);
        }
        if (!ok) {
            pixels[k] = makeColour(0, 0, 0);
        } else if (hls) {
            ColourValue colour = 0;
            pixels[k] = hlsToColour(ch[0], ch[1], ch[2], colour) ? colour : makeColour(0, 0, 0);
        } else {
            pixels[k] =
                makeColour(static_cast<std::uint8_t>(ch[0]), static_cast<std::uint8_t>(ch[1]),
                           static_cast<std::uint8_t>(ch[2]));
        }
    }
    return true;
}

} // namespace qm::fractal

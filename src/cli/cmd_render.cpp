// The fractal commands: `kernel` runs one catalogue kernel on one point, `render` renders a
// picture and saves it.
#include "cli/command.h"
#include "cli/help_text.h"
#include "cli/progress.h"
#include "cli/render_output.h"
#include "engine/core/arith.h"
#include "engine/core/number_text.h"
#include "engine/fractal/fractal_type.h"
#include "engine/fractal/kernel_batch.h"
#include "engine/fractal/kernels.h"
#include "engine/fractal/render_job.h"
#include "engine/fractal/render_language.h"
#include "engine/gradient/gradient_model.h"
#include "engine/image/pixel_graphic.h"
#include "engine/params/parameter_file.h"
#include "engine/plasma/plasma_generator.h"
#include "engine/shared/shared_colour_data.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

namespace qm::cli {

namespace {

using fractal::Complex;

// "A,B" as two finite numbers.
Complex parsePair(const std::string& text, const char* option) {
    const auto comma = text.find(',');
    if (comma == std::string::npos)
        throw UsageError{std::string(option) + " expects two numbers separated by a comma"};
    return {parseFloat(text.substr(0, comma)), parseFloat(text.substr(comma + 1))};
}

// An integer option within the limits of its field, given as a number and truncated.
std::int32_t parseLimited(const std::string& text, const char* option, std::int32_t lo,
                          std::int32_t hi) {
    const double v = parseFloat(text);
    std::int32_t n = 0;
    if (!tryTrunc(v, n) || n < lo || n > hi)
        throw UsageError{std::string(option) + " must be from " + std::to_string(lo) + " to " +
                         std::to_string(hi)};
    return n;
}

const fractal::FractalType& parseType(const std::string& ident) {
    const auto* t = fractal::findByIdentifier(ident);
    if (!t) throw UsageError{"unknown fractal type '" + ident + "'; one of: " + fractalTypeList()};
    return *t;
}

// The options that `kernel` and `render` share; returns false when `opt` is not one of them.
bool parseKernelOption(const std::string& opt, ArgReader& r, fractal::KernelParams& p) {
    if (opt == "--max")
        p.max = parseLimited(r.next("--max value"), "--max", 1, 65535);
    else if (opt == "--bailout")
        p.bailout = parseLimited(r.next("--bailout value"), "--bailout", 1, 65535);
    else if (opt == "--order")
        p.order = parseLimited(r.next("--order value"), "--order", 1, 65535);
    else if (opt == "--julia") {
        p.julia = true;
        p.juliaConst = parsePair(r.next("--julia value"), "--julia");
    } else if (opt == "--inside-out")
        p.insideOut = true;
    else if (opt == "--orientation")
        p.orientation = parsePair(r.next("--orientation value"), "--orientation");
    else
        return false;
    return true;
}

int runKernel(const Args& args, std::ostream& out, std::ostream&) {
    ArgReader r(args);
    std::string positional[3];
    int count = 0;
    fractal::KernelParams p;
    while (!r.done()) {
        if (r.isOption()) {
            const std::string opt = r.next("option");
            if (!parseKernelOption(opt, r, p)) throw UsageError{"unknown option " + opt};
        } else {
            const std::string v = r.next("argument");
            if (count == 3) throw UsageError{"too many arguments"};
            positional[count++] = v;
        }
    }
    if (count < 3) throw UsageError{"expected IDENT X Y"};
    const auto& type = parseType(positional[0]);
    const double x = parseFloat(positional[1]);
    const double y = parseFloat(positional[2]);
    fractal::KernelResult result;
    fractal::getresults(type.code, result, x, y, p);
    out << result.I << ' ' << formatNumber(result.Z) << ' ' << formatNumber(result.A) << ' '
        << formatNumber(result.B) << '\n';
    return kExitOk;
}

fractal::ColourModel parseModel(const std::string& s) {
    if (s == "palette") return fractal::ColourModel::FixedPalette;
    if (s == "rgb") return fractal::ColourModel::RgbMode;
    if (s == "hls") return fractal::ColourModel::HlsMode;
    throw UsageError{"--model must be palette, rgb or hls"};
}

// The four fields as given and as doubles.
struct ViewText {
    std::string text[4];
    fractal::View view;
};

ViewText parseView(const std::string& s) {
    ViewText t;
    double v[4];
    std::size_t start = 0;
    for (int k = 0; k < 4; ++k) {
        const auto comma = s.find(',', start);
        if ((k < 3) != (comma != std::string::npos))
            throw UsageError{"--view expects four numbers UX,LX,UY,LY"};
        t.text[k] = s.substr(start, comma == std::string::npos ? comma : comma - start);
        v[k] = parseFloat(t.text[k]);
        start = comma + 1;
    }
    t.view = {v[0], v[1], v[2], v[3]};
    return t;
}

// The view of --view: its exact decimals join the doubles where doubles cannot hold it.
void applyView(fractal::FractalParams& p, const ViewText& t) {
    p.setView(t.view);
    const fractal::PixelSteps steps = fractal::computeSteps(t.view, p.Width, p.Height);
    bool exact = t.view.upperX != t.view.lowerX && t.view.upperY != t.view.lowerY &&
                 !fractal::beyondDoublePrecision(t.view, steps);
    for (const auto& text : t.text)
        exact = exact && !fractal::longerThanDouble(text);
    if (!exact)
        p.deepView = fractal::deepViewFromFields(t.text[0], t.text[1], t.text[2], t.text[3]);
}

// The Julia constant of --julia: its exact decimals join the doubles where a part has more
// digits than doubles carry.
void applyJulia(fractal::FractalParams& p, const std::string& text) {
    const Complex j = parsePair(text, "--julia");
    p.julia = true;
    p.JuliaX = j.re;
    p.JuliaY = j.im;
    p.deepJulia = {};
    const auto comma = text.find(',');
    const std::string re = text.substr(0, comma), im = text.substr(comma + 1);
    if (fractal::longerThanDouble(re) || fractal::longerThanDouble(im))
        p.deepJulia = fractal::deepJuliaFromTexts(re, im);
}

fractal::DeepMode parseDeepMode(const std::string& s) {
    if (s == "auto") return fractal::DeepMode::Auto;
    if (s == "on") return fractal::DeepMode::On;
    if (s == "off") return fractal::DeepMode::Off;
    throw UsageError{"--deep must be auto, on or off"};
}

void printDeepStats(std::ostream& out, const fractal::deep::DeepStats& s) {
    const double share = s.iterations > 0 ? 100.0 * static_cast<double>(s.skipped) /
                                                static_cast<double>(s.iterations)
                                          : 0.0;
    char line[512];
    std::snprintf(line, sizeof line,
                  "deep path: magnification %s, %ld bits, %s deltas, reference orbit %.3f s "
                  "(%lld iterations), BLA table %.3f s, %.1f %% of %lld iterations skipped by "
                  "BLA, %lld rebases\n",
                  fractal::deep::formatMagnification(s.magnificationLog10).c_str(), s.bits,
                  s.extended ? "extended-exponent" : "double", s.referenceSeconds,
                  static_cast<long long>(s.referenceLength), s.tableSeconds, share,
                  static_cast<long long>(s.iterations), static_cast<long long>(s.rebases));
    out << line;
}

int runRender(const Args& args, std::ostream& out, std::ostream& err) {
    ArgReader r(args);
    std::optional<std::string> parameterFile, output, gradientText, type, model;
    std::optional<std::uint32_t> plasmaSeed;
    std::optional<ViewText> view;
    std::optional<std::string> centreText[2], widthText;
    std::optional<fractal::DeepMode> deepMode;
    std::optional<std::pair<int, int>> size;
    std::optional<std::string> formula, red, green, blue;
    int threads = 0;
    bool stats = false;
    bool embedParameters = true;
    bool repeat = false, flipX = false, flipY = false, mirror = false;
    fractal::KernelParams kp; // collects --max, --bailout, --order, --julia, ...
    bool maxGiven = false, bailoutGiven = false, orderGiven = false;
    std::optional<std::string> juliaText;
    bool orientationGiven = false;
    std::optional<std::string> bandText; // --band K/N, checked once the height is known
    int supersample = 1;
    ProgressMode progressMode = ProgressMode::Auto;
    while (!r.done()) {
        if (!r.isOption() && r.peek() != "-o") {
            if (parameterFile) throw UsageError{"more than one parameter file"};
            parameterFile = r.next("parameter file");
            continue;
        }
        const std::string opt = r.next("option");
        if (opt == "-o")
            output = r.next("-o file");
        else if (opt == "--type")
            type = r.next("--type value");
        else if (opt == "--view")
            view = parseView(r.next("--view value"));
        else if (opt == "--center") {
            const std::string text = r.next("--center value");
            const auto comma = text.find(',');
            if (comma == std::string::npos)
                throw UsageError{"--center expects two numbers separated by a comma"};
            centreText[0] = text.substr(0, comma);
            centreText[1] = text.substr(comma + 1);
        } else if (opt == "--width")
            widthText = r.next("--width value");
        else if (opt == "--deep")
            deepMode = parseDeepMode(r.next("--deep value"));
        else if (opt == "--max") {
            // The deep path takes more; the double path's limit is checked below.
            maxGiven = true;
            kp.max = parseLimited(r.next("--max value"), "--max", 1,
                                  fractal::deep::kDeepMaxIterationsLimit);
        } else if (opt == "--model")
            model = r.next("--model value");
        else if (opt == "--formula")
            formula = r.next("--formula value");
        else if (opt == "--red")
            red = r.next("--red value");
        else if (opt == "--green")
            green = r.next("--green value");
        else if (opt == "--blue")
            blue = r.next("--blue value");
        else if (opt == "--repeat")
            repeat = true;
        else if (opt == "--flip-x")
            flipX = true;
        else if (opt == "--flip-y")
            flipY = true;
        else if (opt == "--mirror")
            mirror = true;
        else if (opt == "--size")
            size = parseSize(r.next("--size value"));
        else if (opt == "--threads")
            threads = parseLimited(r.next("--threads value"), "--threads", 1, 1024);
        else if (opt == "--gradient")
            gradientText = r.next("--gradient value");
        else if (opt == "--plasma-seed") {
            const auto s = tryParseInteger(r.next("--plasma-seed value"));
            if (!s) throw UsageError{"--plasma-seed expects an integer"};
            plasmaSeed = static_cast<std::uint32_t>(*s);
        } else if (opt == "--stats")
            stats = true;
        else if (opt == "--no-params")
            embedParameters = false;
        else if (opt == "--band")
            bandText = r.next("--band value");
        else if (opt == "--supersample")
            supersample = parseSupersample(r.next("--supersample value"));
        else if (parseProgressOption(opt, progressMode))
            continue;
        else {
            bailoutGiven |= opt == "--bailout";
            orderGiven |= opt == "--order";
            if (opt == "--julia") {
                juliaText = r.next("--julia value");
                parsePair(*juliaText, "--julia"); // checked where given, as the others are
                continue;
            }
            orientationGiven |= opt == "--orientation";
            if (!parseKernelOption(opt, r, kp)) throw UsageError{"unknown option " + opt};
        }
    }
    if (!output) throw UsageError{"missing -o OUT"};
    if (centreText[0].has_value() != widthText.has_value())
        throw UsageError{"--center and --width go together"};
    if (widthText && view) throw UsageError{"--view or --center with --width, not both"};

    SharedColourData shared;
    gradient::GradientModel gradient(shared);
    gradient.initialise(); // the "Standard" gradient, as at start-up
    fractal::FractalParams p;
    bool insideOut = kp.insideOut;
    params::FractalDocument doc;
    if (parameterFile) {
        doc = params::openParameterFile(*parameterFile, gradient);
        p = doc.renderParams();
        insideOut = insideOut || doc.insideOut();
    }
    if (type) p.type = parseType(*type).code;
    if (juliaText) applyJulia(p, *juliaText);
    if (maxGiven) p.Max = kp.max;
    if (bailoutGiven) p.Bailout = kp.bailout;
    if (orderGiven) p.Order = kp.order;
    if (orientationGiven) p.Orientation = kp.orientation;
    p.insideOut = insideOut;
    if (model) p.model = parseModel(*model);
    if (formula) p.edit971 = *formula;
    if (red) p.redit = *red;
    if (green) p.gedit = *green;
    if (blue) p.bedit = *blue;
    p.repeatPalette = p.repeatPalette || repeat;
    p.flipX = p.flipX || flipX;
    p.flipY = p.flipY || flipY;
    p.mirror = p.mirror || mirror;
    if (size) {
        p.Width = size->first;
        p.Height = size->second;
    }
    if (deepMode) p.deepMode = *deepMode;
    if (view) applyView(p, *view);
    if (widthText) {
        p.deepView = fractal::deepViewFromCentre(*centreText[0], *centreText[1], *widthText,
                                                 p.Width, p.Height);
        p.setView(fractal::nearestView(p.deepView));
    }
    // A file's Max is checked with the render's own message.
    if (maxGiven && p.Max > fractal::kMaxIterationsLimit &&
        !fractal::deep::usesDeepPath(p, p.Width * supersample, p.Height * supersample))
        throw UsageError{"--max must be from 1 to " + std::to_string(fractal::kMaxIterationsLimit) +
                         " (up to " + std::to_string(fractal::deep::kDeepMaxIterationsLimit) +
                         " where the deep path renders)"};
    if (gradientText) gradient.defaultgrad(*gradientText);
    const auto band = bandText ? std::optional(parseBand(*bandText, p.Height)) : std::nullopt;

    // The plasma that start-up generates, made only when a formula can read "!"; a seed makes
    // it (and "?") repeatable.
    const bool palette = p.model == fractal::ColourModel::FixedPalette;
    const std::string used = palette ? p.edit971 : p.redit + p.gedit + p.bedit;
    if (band && !plasmaSeed && used.find('!') != std::string::npos)
        throw UsageError{"--band with a formula that reads the plasma (!) needs --plasma-seed, "
                         "so that every band sees the same plasma"};
    if (used.find('!') != std::string::npos) {
        if (plasmaSeed)
            plasma::renderPlasma(shared, *plasmaSeed);
        else
            plasma::renderPlasma(shared);
    } else if (plasmaSeed) {
        shared.random().seed(*plasmaSeed);
    } else {
        shared.random().reseedFromClock();
    }

    std::atomic<std::int32_t> bailout{p.Bailout};
    const auto language = fractal::makeRenderLanguage();
    RenderTarget target;
    target.path = *output;
    target.threads = threads;
    target.supersample = supersample;
    target.band = band;
    target.randomSeed = shared.random().step();
    // PNG and JPEG carry the parameter file of what was rendered, as "Save Parameters" would
    // write it for a document showing this picture.
    if (embedParameters) target.parameters = parameterText(doc, p, gradient);
    if (band) target.identity = renderIdentity(p, *shared.gradientTable(), supersample, plasmaSeed);
    const auto rows = band ? fractal::bandRows(p.Height, *band) : fractal::BandRows{0, p.Height};
    ProgressMeter meter(err, progressMode, "render", "rows", rows.end - rows.first);
    target.onRows = [&](int rowsDone) { meter.update(rowsDone); };
    target.onStage = [&](const std::string& stage) { meter.note(stage); };
    catchInterrupts();
    const RenderOutcome done = renderToFile(p, shared, bailout, *language, target);
    meter.finish();
    if (stats) {
        const double mpixels = static_cast<double>(p.Width) * done.rows / 1e6;
        char line[256];
        std::snprintf(line, sizeof line,
                      "rendered %d x %d in %.3f s: %.2f Mpixel/s (%d threads, %s kernels)\n",
                      p.Width, done.rows, done.seconds, mpixels / done.seconds, done.threads,
                      fractal::simdName(fractal::activeSimd()));
        out << line;
        if (done.deep) printDeepStats(out, *done.deep);
    }
    return kExitOk;
}

} // namespace

QM_CLI_COMMAND("kernel",
               "kernel IDENT X Y [--max N] [--bailout B] [--order N] [--julia JX,JY] "
               "[--inside-out] [--orientation RE,IM]",
               "run one catalogue kernel on the plane point (X, Y); prints I Z A B", runKernel);

QM_CLI_COMMAND("render",
               "render [FILE.qmp|PICTURE] -o OUT [--type IDENT] [--view UX,LX,UY,LY] "
               "[--center RE,IM --width W] [--deep auto|on|off] "
               "[--julia JX,JY] [--max N] [--bailout B] [--order N] [--model palette|rgb|hls] "
               "[--formula F] [--red F] [--green F] [--blue F] [--repeat] [--inside-out] "
               "[--flip-x] [--flip-y] [--mirror] [--orientation RE,IM] [--size WxH] "
               "[--threads N] [--gradient STOPSTRING] [--plasma-seed S] [--supersample N] "
               "[--band K/N] [--progress|--quiet] [--stats] [--no-params]",
               "render a fractal (defaults of a new document, a parameter file, or a PNG/JPEG "
               "picture carrying one) and save the picture by its extension; PNG and JPEG "
               "pictures carry the parameters unless --no-params; PNG and PPM are written row "
               "by row (any size up to 65535 a side); --supersample N averages N x N samples "
               "per pixel (1 to 8); --band K/N renders only rows floor(K*H/N) to "
               "floor((K+1)*H/N)-1 into a part file that `assemble` joins",
               runRender);

} // namespace qm::cli

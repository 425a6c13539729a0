// The `animate` command: the frames of a steady zoom from one parameter file to another, each
// an independent render, so frames can be shared out between processes and machines.
#include "cli/command.h"
#include "cli/progress.h"
#include "cli/render_output.h"
#include "engine/core/number_text.h"
#include "engine/fractal/deep/deep_renderer.h"
#include "engine/fractal/render_language.h"
#include "engine/fractal/zoom_animation.h"
#include "engine/gradient/gradient_model.h"
#include "engine/params/parameter_file.h"
#include "engine/plasma/plasma_generator.h"
#include "engine/shared/shared_colour_data.h"

#include <cstdio>
#include <optional>
#include <ostream>
#include <string>

namespace qm::cli {

namespace {

// A file name pattern with exactly one printf integer conversion (%d, %i or %u with optional
// flags, width and precision); "%%" is a literal percent sign.
class FramePattern {
public:
    explicit FramePattern(std::string pattern) : pattern_(std::move(pattern)) {
        int conversions = 0;
        for (std::size_t i = 0; i < pattern_.size(); ++i) {
            if (pattern_[i] != '%') continue;
            if (i + 1 < pattern_.size() && pattern_[i + 1] == '%') {
                ++i;
                continue;
            }
            std::size_t j = i + 1;
            while (j < pattern_.size() &&
                   std::string_view("-+ 0#").find(pattern_[j]) != std::string_view::npos)
                ++j;
            while (j < pattern_.size() && std::isdigit(static_cast<unsigned char>(pattern_[j])))
                ++j;
            if (j < pattern_.size() && pattern_[j] == '.') {
                ++j;
                while (j < pattern_.size() && std::isdigit(static_cast<unsigned char>(pattern_[j])))
                    ++j;
            }
            if (j >= pattern_.size() ||
                std::string_view("diu").find(pattern_[j]) == std::string_view::npos || j - i > 8)
                throw UsageError{"-o PATTERN needs one integer conversion such as %05d; '" +
                                 pattern_ + "' has '" + pattern_.substr(i, j + 1 - i) + "'"};
            ++conversions;
            i = j;
        }
        if (conversions != 1)
            throw UsageError{"-o PATTERN needs exactly one integer conversion such as "
                             "frames/f%05d.png, not '" +
                             pattern_ + "'"};
    }

    std::string name(int frame) const {
        const int size = std::snprintf(nullptr, 0, pattern_.c_str(), frame);
        std::string text(static_cast<std::size_t>(size) + 1, '\0');
        std::snprintf(text.data(), text.size(), pattern_.c_str(), frame);
        text.pop_back();
        return text;
    }

private:
    std::string pattern_;
};

// A parameter file with the gradient it sets.
struct Loaded {
    SharedColourData shared;
    gradient::GradientModel gradient{shared};
    params::FractalDocument document;
    fractal::FractalParams params;
    explicit Loaded(const std::string& path) {
        gradient.initialise();
        document = params::openParameterFile(path, gradient);
        params = document.renderParams();
    }
};

int parseCount(const std::string& text, const char* option, int lo) {
    const auto n = tryParseInteger(text);
    if (!n || *n < lo)
        throw UsageError{std::string(option) + " must be a whole number of at least " +
                         std::to_string(lo)};
    return *n;
}

int runAnimate(const Args& args, std::ostream&, std::ostream& err) {
    ArgReader r(args);
    std::vector<std::string> files;
    std::optional<std::string> pattern;
    std::optional<int> frames, frame;
    std::optional<std::pair<int, int>> range, size;
    std::optional<std::uint32_t> plasmaSeed;
    std::optional<std::string> toCentre, toWidth;
    std::optional<int> toMax;
    int threads = 0, supersample = 1;
    ProgressMode progressMode = ProgressMode::Auto;
    while (!r.done()) {
        if (!r.isOption() && r.peek() != "-o") {
            files.push_back(r.next("parameter file"));
            continue;
        }
        const std::string opt = r.next("option");
        if (opt == "-o")
            pattern = r.next("-o PATTERN");
        else if (opt == "--frames")
            frames = parseCount(r.next("--frames value"), "--frames", 1);
        else if (opt == "--frame")
            frame = parseCount(r.next("--frame value"), "--frame", 0);
        else if (opt == "--range") {
            const std::string text = r.next("--range value");
            const auto colon = text.find(':');
            if (colon == std::string::npos) throw UsageError{"--range expects A:B"};
            range = {parseCount(text.substr(0, colon), "--range A", 0),
                     parseCount(text.substr(colon + 1), "--range B", 0)};
        } else if (opt == "--size")
            size = parseSize(r.next("--size value"));
        else if (opt == "--supersample")
            supersample = parseSupersample(r.next("--supersample value"));
        else if (opt == "--to-center")
            toCentre = r.next("--to-center value");
        else if (opt == "--to-width")
            toWidth = r.next("--to-width value");
        else if (opt == "--to-max") {
            toMax = parseCount(r.next("--to-max value"), "--to-max", 1);
            if (*toMax > fractal::deep::kDeepMaxIterationsLimit)
                throw UsageError{"--to-max must be from 1 to " +
                                 std::to_string(fractal::deep::kDeepMaxIterationsLimit)};
        } else if (opt == "--threads")
            threads = parseCount(r.next("--threads value"), "--threads", 1);
        else if (opt == "--plasma-seed") {
            const auto s = tryParseInteger(r.next("--plasma-seed value"));
            if (!s) throw UsageError{"--plasma-seed expects an integer"};
            plasmaSeed = static_cast<std::uint32_t>(*s);
        } else if (!parseProgressOption(opt, progressMode))
            throw UsageError{"unknown option " + opt};
    }
    if (files.size() != 2) throw UsageError{"expected FROM.qmp and TO.qmp"};
    if (!frames) throw UsageError{"missing --frames N"};
    if (!pattern) throw UsageError{"missing -o PATTERN"};
    const FramePattern names(*pattern);
    if (frame && range) throw UsageError{"--frame and --range exclude each other"};
    int first = 0, end = *frames;
    if (frame) {
        if (*frame >= *frames) throw UsageError{"--frame K needs K from 0 to N-1"};
        first = *frame;
        end = *frame + 1;
    } else if (range) {
        if (range->first > range->second || range->second > *frames)
            throw UsageError{"--range A:B needs 0 <= A <= B <= N (frames A to B-1)"};
        first = range->first;
        end = range->second;
    }

    if (toCentre.has_value() != toWidth.has_value())
        throw UsageError{"--to-center and --to-width go together"};

    Loaded from(files[0]);
    Loaded to(files[1]);
    fractal::FractalParams start = from.params;
    if (size) {
        start.Width = size->first;
        start.Height = size->second;
    }
    if (toCentre) { // the end view by its centre and width, at any depth
        const auto comma = toCentre->find(',');
        if (comma == std::string::npos)
            throw UsageError{"--to-center expects two numbers separated by a comma"};
        to.params.deepView =
            fractal::deepViewFromCentre(toCentre->substr(0, comma), toCentre->substr(comma + 1),
                                        *toWidth, start.Width, start.Height);
        to.params.setView(fractal::nearestView(to.params.deepView));
    }
    if (toMax) to.params.Max = *toMax;
    // Every frame, in any process, sees the same plasma and the same generator seeds.
    const std::uint32_t seed = plasmaSeed.value_or(1);
    fractal::FractalParams fixed = start;
    fractal::fixformulas(fixed);
    const bool palette = fixed.model == fractal::ColourModel::FixedPalette;
    const std::string used = palette ? fixed.edit971 : fixed.redit + fixed.gedit + fixed.bedit;
    if (used.find('!') != std::string::npos)
        plasma::renderPlasma(from.shared, seed);
    else
        from.shared.random().seed(seed);
    const std::uint32_t randomSeed = from.shared.random().step();

    // A pair that cannot animate fails before any frame is written.
    fractal::zoomFrame(start, to.params, 0, *frames);
    const auto language = fractal::makeRenderLanguage();
    catchInterrupts();
    ProgressMeter meter(err, progressMode, "animate", "frames", end - first);
    for (int f = first; f < end; ++f) {
        const fractal::FractalParams p = fractal::zoomFrame(start, to.params, f, *frames);
        std::atomic<std::int32_t> bailout{p.Bailout};
        RenderTarget target;
        target.path = names.name(f);
        target.threads = threads;
        target.supersample = supersample;
        target.randomSeed = randomSeed;
        // Each frame carries its own parameters: any frame can be opened and zoomed further.
        target.parameters = parameterText(from.document, p, from.gradient);
        renderToFile(p, from.shared, bailout, *language, target);
        meter.update(f - first + 1);
        checkInterrupted();
    }
    meter.finish();
    return kExitOk;
}

} // namespace

QM_CLI_COMMAND(
    "animate",
    "animate FROM.qmp TO.qmp --frames N -o PATTERN [--frame K | --range A:B] "
    "[--size WxH] [--to-center RE,IM --to-width W] [--to-max N] [--supersample S] "
    "[--threads T] [--plasma-seed S] "
    "[--progress|--quiet]",
    "render frames 0 to N-1 of a steady zoom from FROM to TO (view width and height "
    "and Max change geometrically, all else is FROM's) into files named by PATTERN "
    "with one integer conversion (frames/f%05d.png); --frame K makes frame K only, "
    "--range A:B frames A to B-1; --to-center/--to-width/--to-max replace TO's view and Max "
    "(any depth: frames are computed in high precision and share one reference orbit)",
    runAnimate);

} // namespace qm::cli

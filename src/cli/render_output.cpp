// The render-to-file path shared by `render` and `animate`.
#include "cli/render_output.h"

#include "cli/command.h"
#include "cli/progress.h"
#include "engine/core/atomic_file.h"
#include "engine/core/number_text.h"
#include "engine/fractal/render_job.h"
#include "engine/gradient/gradient_model.h"
#include "engine/image/picture_files.h"
#include "engine/image/pixel_graphic.h"
#include "engine/image/stream_writers.h"
#include "engine/params/parameter_file.h"

#include <chrono>
#include <cstdio>

namespace qm::cli {

namespace {

void checkStreamedSize(int width, int height) {
    if (width > image::kMaxPictureSide || height > image::kMaxPictureSide)
        throw image::EPGPictureTooLarge(width, height,
                                        image::kMaxPictureSide * image::kMaxPictureSide);
}

} // namespace

RenderOutcome renderToFile(const fractal::FractalParams& p, const SharedColourData& shared,
                           const std::atomic<std::int32_t>& bailout,
                           const fractal::FormulaCompiler& compiler, const RenderTarget& target) {
    const std::string extension = image::lowerExtension(target.path);
    const bool streamed = image::isStreamedExtension(extension);
    if (target.band && !streamed) throw UsageError{"--band writes PNG or PPM parts"};
    if (streamed)
        checkStreamedSize(p.Width, p.Height);
    else
        image::checkPictureSize(p.Width, p.Height);
    if (!streamed && !image::findWriter(extension)) throw image::EPGUnknownExtention(extension);

    fractal::RenderOptions options;
    options.threads = target.threads;
    options.randomSeed = target.randomSeed;
    options.supersample = target.supersample;
    options.ordered = streamed;
    const fractal::RenderJob* running = nullptr;
    options.stopWhen = [&] {
        if (running && running->settings().deep && target.onStage)
            target.onStage(running->settings().deep->stage());
        return interrupted();
    };
    fractal::BandRows rows{0, p.Height};
    if (target.band) {
        rows = fractal::bandRows(p.Height, *target.band);
        options.firstRow = rows.first;
        options.rowCount = rows.end - rows.first;
    }
    fractal::RenderJob job(p, p.Width, p.Height, shared, bailout, compiler, options);
    running = &job;

    int done = 0;
    const auto rowDone = [&] {
        ++done;
        if (interrupted()) job.requestStop();
        if (target.onRows) target.onRows(done);
    };
    const auto start = std::chrono::steady_clock::now();
    if (streamed) {
        image::StreamTexts texts;
        texts.parameters = target.parameters;
        if (target.band)
            texts.notes.emplace_back(
                fractal::kBandKeyword,
                fractal::formatBandNote(
                    {p.Width, p.Height, *target.band, fractal::parameterDigest(target.identity)}));
        writeFileAtomically(target.path, [&](std::ostream& out) {
            const auto sink = image::makeRowSink(extension, out, p.Width, rows.end - rows.first,
                                                 texts, {target.threads});
            job.run([&](const fractal::RenderRow& row) {
                if (job.stopRequested()) return;
                sink->writePixels(row.pixels.data());
                rowDone();
            });
            checkInterrupted();
            sink->finish();
        });
    } else {
        image::TPixelGraphic picture(p.Width, p.Height, image::PixelFormat::Bits24);
        fractal::renderToPicture(job, picture, [&](const fractal::RenderRow&) { rowDone(); });
        checkInterrupted();
        // Grey and black-and-white formats take the picture converted, without asking.
        picture.SaveColorResWarningAction = image::pgwaIgnore;
        picture.saveToFile(target.path, {target.parameters});
    }
    RenderOutcome outcome;
    outcome.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    outcome.threads = job.threadCount();
    outcome.rows = rows.end - rows.first;
    if (job.settings().deep) outcome.deep = job.settings().deep->stats();
    return outcome;
}

std::string parameterText(params::FractalDocument& doc, const fractal::FractalParams& params,
                          const gradient::GradientModel& gradient) {
    doc.setRenderParams(params);
    return params::parameterDocument(doc, gradient.stopString()).text();
}

std::string renderIdentity(const fractal::FractalParams& p, const GradientTableData& gradient,
                           int supersample, std::optional<std::uint32_t> plasmaSeed) {
    // Exact binary values (hexadecimal floats), one field per line.
    std::string text;
    const auto number = [&](const char* key, double v) {
        char line[64];
        std::snprintf(line, sizeof line, "%s=%a\n", key, v);
        text += line;
    };
    number("UpperX", p.UpperX);
    number("LowerX", p.LowerX);
    number("UpperY", p.UpperY);
    number("LowerY", p.LowerY);
    number("JuliaX", p.JuliaX);
    number("JuliaY", p.JuliaY);
    number("OrientationRe", p.Orientation.re);
    number("OrientationIm", p.Orientation.im);
    for (const auto& [key, value] : {std::pair<const char*, long long>{"Max", p.Max},
                                     {"Bailout", p.Bailout},
                                     {"Order", p.Order},
                                     {"Width", p.Width},
                                     {"Height", p.Height},
                                     {"Type", p.type},
                                     {"Model", static_cast<int>(p.model)},
                                     {"Repeat", p.repeatPalette},
                                     {"Julia", p.julia},
                                     {"InsideOut", p.insideOut},
                                     {"FlipX", p.flipX},
                                     {"FlipY", p.flipY},
                                     {"Mirror", p.mirror},
                                     {"Supersample", supersample}})
        text += std::string(key) + "=" + std::to_string(value) + "\n";
    text += "Formula=" + p.edit971 + "\nRed=" + p.redit + "\nGreen=" + p.gedit +
            "\nBlue=" + p.bedit + "\nGradient=";
    for (const ColourValue c : gradient)
        text += std::to_string(c) + ",";
    text += "\nPlasmaSeed=" + (plasmaSeed ? std::to_string(*plasmaSeed) : std::string("none"));
    // Only deep renders say more, so the digests of other renders stay as they were.
    if (!p.deepView.empty())
        text += "\nDeepView=" + p.deepView.upperX + "," + p.deepView.lowerX + "," +
                p.deepView.upperY + "," + p.deepView.lowerY;
    if (!p.deepJulia.empty()) text += "\nDeepJulia=" + p.deepJulia.re + "," + p.deepJulia.im;
    if (p.deepMode != fractal::DeepMode::Auto)
        text += "\nDeep=" + std::to_string(static_cast<int>(p.deepMode));
    return text + "\n";
}

fractal::Band parseBand(const std::string& text, int height) {
    const auto slash = text.find('/');
    const auto k =
        slash == std::string::npos ? std::nullopt : tryParseInteger(text.substr(0, slash));
    const auto n =
        slash == std::string::npos ? std::nullopt : tryParseInteger(text.substr(slash + 1));
    if (!k || !n) throw UsageError{"--band expects K/N, for example 0/4"};
    if (*n < 1) throw UsageError{"--band K/N needs N of at least 1"};
    if (*k < 0 || *k >= *n) throw UsageError{"--band K/N needs K from 0 to N-1"};
    if (*n > height)
        throw UsageError{"--band " + text + ": more bands than the picture's " +
                         std::to_string(height) + " rows"};
    return {static_cast<int>(*k), static_cast<int>(*n)};
}

// "WxH" with both sides positive.
std::pair<int, int> parseSize(const std::string& s) {
    const auto x = s.find_first_of("xX");
    if (x == std::string::npos) throw UsageError{"--size expects WIDTHxHEIGHT"};
    const auto w = tryParseInteger(s.substr(0, x));
    const auto h = tryParseInteger(s.substr(x + 1));
    if (!w || !h || *w <= 0 || *h <= 0)
        throw UsageError{"--size expects two positive integers, WIDTHxHEIGHT"};
    return {*w, *h};
}

int parseSupersample(const std::string& text) {
    const auto n = tryParseInteger(text);
    if (!n || *n < 1 || *n > fractal::kMaxSupersample)
        throw UsageError{"--supersample must be from 1 to " +
                         std::to_string(fractal::kMaxSupersample)};
    return static_cast<int>(*n);
}

} // namespace qm::cli

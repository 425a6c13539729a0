// The colour-data commands: `gradient` prints GradientTable for a stop string, `plasma` writes
// a generated plasma as a greyscale picture.
#include "cli/command.h"
#include "engine/core/number_text.h"
#include "engine/gradient/builtin_presets.h"
#include "engine/gradient/gradient_model.h"
#include "engine/image/pixel_graphic.h"
#include "engine/plasma/plasma_generator.h"
#include "engine/shared/shared_colour_data.h"

#include <optional>
#include <ostream>
#include <string>

namespace qm::cli {

namespace {

int runGradient(const Args& args, std::ostream& out, std::ostream&) {
    if (args.size() > 1) throw UsageError{"too many arguments"};
    SharedColourData data;
    gradient::GradientModel model(data);
    // A bad token throws the conversion error before anything is printed.
    model.defaultgrad(args.empty() ? gradient::kStandardStopString : std::string_view(args[0]));
    const auto table = data.gradientTable();
    std::string text;
    for (size_t i = 0; i < table->size(); ++i) {
        const ColourValue c = (*table)[i];
        text += std::to_string(i) + ' ' + std::to_string(redOf(c)) + ' ' +
                std::to_string(greenOf(c)) + ' ' + std::to_string(blueOf(c)) + '\n';
    }
    out << text;
    return kExitOk;
}

int runPlasma(const Args& args, std::ostream&, std::ostream&) {
    std::string output;
    double noise = plasma::kDefaultNoise;
    int brightness = plasma::kDefaultBrightness;
    std::optional<std::uint32_t> seed;
    ArgReader r(args);
    while (!r.done()) {
        const std::string opt = r.next("option");
        if (opt == "-o") {
            output = r.next("output file");
        } else if (opt == "--noise") {
            noise = parseFloat(r.next("--noise value"));
        } else if (opt == "--brightness") {
            brightness = parseInteger(r.next("--brightness value"));
            if (brightness < plasma::kMinBrightness || brightness > plasma::kMaxBrightness)
                throw UsageError{"--brightness must be from 0 to 100"};
        } else if (opt == "--seed") {
            const std::int32_t s = parseInteger(r.next("--seed value"));
            if (s < 0) throw UsageError{"--seed must not be negative"};
            seed = static_cast<std::uint32_t>(s);
        } else {
            throw UsageError{"unknown option " + opt};
        }
    }
    if (output.empty()) throw UsageError{"missing -o FILE"};

    SharedColourData data;
    plasma::setPlasmaSettings(data, noise, brightness);
    if (seed)
        plasma::fillplasma(data, *seed);
    else
        plasma::fillplasma(data);
    // All 321 x 241 generated samples, as 8-bit greys; any writable format takes it as it needs.
    image::TPixelGraphic picture(plasma::kLastX + 1, plasma::kLastY + 1, image::PixelFormat::Bits8);
    plasma::drawPlasma(*data.plasmaBuffer(), picture);
    picture.SaveColorResWarningAction = image::pgwaIgnore;
    picture.saveToFile(output);
    return kExitOk;
}

} // namespace

QM_CLI_COMMAND("gradient", "gradient [STOPSTRING]",
               "print the 257 GradientTable entries (index red green blue) of a stop string, "
               "the Standard preset by default",
               runGradient);

QM_CLI_COMMAND("plasma", "plasma -o FILE [--noise N] [--brightness B] [--seed S]",
               "write a 321 x 241 plasma as a greyscale picture (noise 2, brightness 50 and a "
               "clock seed by default)",
               runPlasma);

} // namespace qm::cli

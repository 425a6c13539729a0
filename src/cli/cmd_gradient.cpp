// The colour-data commands: `gradient` prints GradientTable for a stop string.
#include "cli/command.h"
#include "engine/core/shared_colour_data.h"
#include "engine/gradient/builtin_presets.h"
#include "engine/gradient/gradient_model.h"

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

} // namespace

QM_CLI_COMMAND("gradient", "gradient [STOPSTRING]",
               "print the 257 GradientTable entries (index red green blue) of a stop string, "
               "the Standard preset by default",
               runGradient);

} // namespace qm::cli

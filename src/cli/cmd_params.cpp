// The parameter-file commands: `params` rewrites a ".qmp" file as "Save Parameters" would,
// `fff` exports the Fractal Fun File of what a ".qmp" file describes.
#include "cli/command.h"
#include "engine/gradient/gradient_model.h"
#include "engine/params/fractal_fun_file.h"
#include "engine/params/parameter_file.h"
#include "engine/shared/shared_colour_data.h"

#include <ostream>
#include <string>

namespace qm::cli {

namespace {

// The palette editor as the program starts it: the "Standard" gradient, which a file's
// "Gradient" key then replaces.
struct Session {
    SharedColourData shared;
    gradient::GradientModel gradient{shared};
    Session() { gradient.initialise(); }
};

int runParams(const Args& args, std::ostream& out, std::ostream&) {
    ArgReader r(args);
    std::string input;
    std::string output;
    while (!r.done()) {
        if (r.peek() == "-o" || r.peek() == "--output") {
            r.next("option");
            output = r.next("output file after -o");
        } else if (r.isOption()) {
            throw UsageError{"unknown option " + r.peek()};
        } else if (input.empty()) {
            input = r.next("parameter file");
        } else {
            throw UsageError{"too many arguments"};
        }
    }
    if (input.empty()) throw UsageError{"missing parameter file"};

    // A picture's own text is shown as it is stored; written out, it goes through the reader.
    if (output.empty() && params::isPictureFile(input)) {
        out << params::embeddedParameterText(input);
        return kExitOk;
    }
    Session s;
    auto doc = params::openParameterFile(input, s.gradient);
    if (output.empty())
        out << params::parameterDocument(doc, s.gradient.stopString()).text();
    else
        params::saveParameters(doc, s.gradient.stopString(), output, nullptr);
    return kExitOk;
}

int runFff(const Args& args, std::ostream&, std::ostream&) {
    ArgReader r(args);
    const std::string input = r.next("parameter file");
    const std::string output = r.next("output file");
    if (!r.done()) throw UsageError{"too many arguments"};

    Session s;
    const auto doc = params::openParameterFile(input, s.gradient);
    // The lines are complete before the file is touched, as in the export command.
    const auto text = params::fractalFunText(doc.upperX(), doc.lowerX(), doc.upperY(), doc.lowerY(),
                                             *s.shared.gradientTable());
    params::writeFractalFunFile(output, text);
    return kExitOk;
}

} // namespace

QM_CLI_COMMAND("params", "params FILE.qmp|PICTURE [-o OUT.qmp]",
               "load a parameter file and write it back as \"Save Parameters\" would (stdout "
               "without -o); for a PNG/JPEG picture, print the parameter text it carries",
               runParams);
QM_CLI_COMMAND("fff", "fff FILE.qmp OUT.fff",
               "export the Fractal Fun File (coordinates and colour table) of a parameter file",
               runFff);

} // namespace qm::cli

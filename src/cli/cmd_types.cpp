// The `types` command: the fractal catalogue as --type knows it.
#include "cli/command.h"
#include "engine/fractal/fractal_type.h"

#include <algorithm>
#include <ostream>
#include <string>

namespace qm::cli {

namespace {

// Menu captions keep the trailing blanks of the menu; a listing does not.
std::string trimmedCaption(const fractal::FractalType& t) {
    std::string caption = t.caption;
    caption.erase(caption.find_last_not_of(' ') + 1);
    return caption;
}

int runTypes(const Args& args, std::ostream& out, std::ostream&) {
    if (!args.empty()) throw UsageError{"types takes no arguments"};
    std::size_t identWidth = 0, captionWidth = 0;
    for (const auto& t : fractal::catalogue()) {
        identWidth = std::max(identWidth, std::string(t.identifier).size());
        captionWidth = std::max(captionWidth, trimmedCaption(t).size());
    }
    std::string text;
    for (const auto& t : fractal::catalogue()) {
        if (*t.identifier == '\0') continue; // the hidden test entry
        std::string line = t.identifier;
        line.resize(identWidth + 2, ' ');
        line += trimmedCaption(t);
        if (*t.hint != '\0') {
            line.resize(identWidth + 2 + captionWidth + 2, ' ');
            line += t.hint;
        }
        text += line + '\n';
    }
    out << text;
    return kExitOk;
}

} // namespace

QM_CLI_COMMAND("types", "types",
               "list the fractal catalogue: the --type identifier, menu caption and formula",
               runTypes);

} // namespace qm::cli

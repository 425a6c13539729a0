// Picture file commands: convert between formats and identify a picture file.
#include "cli/command.h"
#include "engine/image/colour_resolution.h"
#include "engine/image/picture_files.h"
#include "engine/image/pixel_graphic.h"

#include <fstream>
#include <ostream>

namespace qm::cli {

namespace {

int runConvert(const Args& args, std::ostream&, std::ostream&) {
    ArgReader reader(args);
    std::string in, out;
    image::TPGWarningAction action = image::pgwaIgnore;
    while (!reader.done()) {
        if (reader.isOption()) {
            const std::string option = reader.next("option");
            if (option != "--resolution-change") throw UsageError{"unknown option " + option};
            const std::string value = reader.next("ignore or raise");
            if (value == "ignore")
                action = image::pgwaIgnore;
            else if (value == "raise")
                action = image::pgwaRaise;
            else
                throw UsageError{"--resolution-change takes ignore or raise, not " + value};
        } else if (in.empty()) {
            in = reader.next("IN");
        } else if (out.empty()) {
            out = reader.next("OUT");
        } else {
            throw UsageError{"unexpected argument " + reader.next("argument")};
        }
    }
    if (in.empty()) throw UsageError{"missing IN"};
    if (out.empty()) throw UsageError{"missing OUT"};
    image::TPixelGraphic picture;
    picture.loadFromFile(in);
    picture.SaveColorResWarningAction = action;
    picture.saveToFile(out);
    return kExitOk;
}

int runIdentify(const Args& args, std::ostream& out, std::ostream&) {
    ArgReader reader(args);
    const std::string file = reader.next("FILE");
    if (!reader.done()) throw UsageError{"unexpected argument " + reader.next("argument")};
    image::TPixelGraphic picture;
    picture.loadFromFile(file);
    // The same recognition as the load above, for the reader's name.
    std::ifstream in(file, std::ios::binary);
    image::ByteReader bytes(in);
    const image::PictureReader* found =
        image::findReader(bytes.peek(image::kSignatureBytes), image::lowerExtension(file));
    out << "format: " << (found ? found->extension : "") << "\n"
        << "width: " << picture.width() << "\n"
        << "height: " << picture.height() << "\n"
        << "resolution: " << image::colourResolutionName(image::currentResolution(picture)) << "\n";
    return kExitOk;
}

} // namespace

QM_CLI_COMMAND("convert", "convert IN OUT [--resolution-change ignore|raise]",
               "load a picture file (format by content) and save it (format by extension)",
               runConvert);
QM_CLI_COMMAND("identify", "identify FILE",
               "print a picture file's format, width, height and colour resolution", runIdentify);

} // namespace qm::cli

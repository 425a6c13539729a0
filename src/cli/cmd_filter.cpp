// The `filter` command: applies one of the Filters menu's ten filters to a picture file, with
// the main window's initial settings changed by --set.
#include "cli/command.h"
#include "cli/progress.h"
#include "engine/core/number_text.h"
#include "engine/image/embedded_text.h"
#include "engine/image/filters/apply_filter.h"
#include "engine/image/filters/filter_dialogs.h"
#include "engine/image/pixel_graphic.h"

#include <fstream>
#include <ostream>
#include <string>

namespace qm::cli {

namespace {

std::string filterNames() {
    std::string names;
    for (const image::FilterKindName& k : image::kFilterKinds)
        names += (names.empty() ? "" : ", ") + std::string(k.name);
    return names;
}

// Shows the rows of the filter on the meter; Ctrl+C aborts the filter at the next row.
void reportRows(image::TPixelGraphic& destination, ProgressMeter& meter) {
    image::TPixelGraphic::ProgressHandlers handlers;
    handlers.progress = [&meter](const image::TPixelGraphic&, int current, int, bool& abort) {
        meter.update(current + 1);
        abort = interrupted();
    };
    destination.setProgressHandlers(std::move(handlers));
}

int runFilter(const Args& args, std::ostream&, std::ostream& err) {
    ArgReader r(args);
    const std::string name = r.next("filter name");
    const auto kind = image::filterKindFromName(name);
    if (!kind) throw UsageError{"unknown filter '" + name + "'; one of " + filterNames()};
    const auto dialog = image::createMainWindowFilterDialog(*kind);

    std::string input;
    std::string output;
    int threads = 0;
    ProgressMode progressMode = ProgressMode::Auto;
    while (!r.done()) {
        if (r.peek() == "--set") {
            r.next("option");
            const std::string setting = r.next("KEY=VALUE after --set");
            const auto eq = setting.find('=');
            if (eq == std::string::npos)
                throw UsageError{"--set takes KEY=VALUE, not '" + setting + "'"};
            dialog->SetProperty(setting.substr(0, eq), setting.substr(eq + 1));
        } else if (r.peek() == "--threads") {
            r.next("option");
            const std::string text = r.next("thread count after --threads");
            const auto n = tryParseInteger(text);
            if (!n || *n < 1 || *n > 256)
                throw UsageError{"--threads takes a number from 1 to 256, not '" + text + "'"};
            threads = *n;
        } else if (parseProgressOption(r.peek(), progressMode)) {
            r.next("option");
        } else if (r.isOption()) {
            throw UsageError{"unknown option " + r.peek()};
        } else if (input.empty()) {
            input = r.next("input picture");
        } else if (output.empty()) {
            output = r.next("output picture");
        } else {
            throw UsageError{"too many arguments"};
        }
    }
    if (output.empty()) throw UsageError{"missing input or output picture"};

    image::TPixelGraphic picture;
    picture.loadFromFile(input);
    // A filtered fractal still comes from its parameters: a PNG or JPEG passes them on.
    std::string parameters;
    if (std::ifstream in(input, std::ios::binary); in)
        parameters = image::readEmbeddedParameters(in).value_or("");
    image::TPGFilter& filter = dialog->Filter();
    catchInterrupts();
    ProgressMeter meter(err, progressMode, "filter", "rows", picture.height());
    const auto save = [&](image::TPixelGraphic& result) {
        result.setProgressHandlers({});
        checkInterrupted();
        meter.finish();
        result.SaveColorResWarningAction = image::pgwaIgnore;
        result.saveToFile(output, {parameters});
    };
    if (filter.IsPointFilter()) {
        // As the main window: colour filters change the picture itself ...
        reportRows(picture, meter);
        image::applyFilter(picture, filter, picture, threads);
        save(picture);
    } else {
        // ... convolution filters write into a new picture.
        image::TPixelGraphic result;
        reportRows(result, meter);
        image::applyFilter(result, filter, picture, threads);
        save(result);
    }
    return kExitOk;
}

} // namespace

QM_CLI_COMMAND("filter",
               "filter NAME [--set KEY=VALUE ...] [--threads N] [--progress|--quiet] IN OUT",
               "apply a filter (rgb, cmy, hls, hsv, bcg, smooth, blur, details, sharpen, "
               "contours) to a picture; KEY is a setting of the filter's dialog (Red, H, "
               "Contrast, UseY, StdDeviation, Percent, Radius, BlackBk, ...), unset keys keep "
               "the main window's initial values",
               runFilter);

} // namespace qm::cli

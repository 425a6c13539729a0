// The `assemble` command: joins band parts (`render --band K/N`) into the whole picture,
// streaming them row by row in band order.
#include "cli/command.h"
#include "cli/progress.h"
#include "engine/core/atomic_file.h"
#include "engine/core/number_text.h"
#include "engine/fractal/bands.h"
#include "engine/image/image_errors.h"
#include "engine/image/picture_files.h"
#include "engine/image/stream_readers.h"

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

namespace qm::cli {

namespace {

// A set of parts that does not make one picture; the message names the part.
QM_DECLARE_EXCEPTION(EBandParts, Exception);

struct Part {
    std::string path;
    fractal::BandNote note;
    fractal::BandRows rows;
    std::string parameters; // the embedded parameter text, passed on to the poster
};

std::string rowsText(const fractal::BandRows& rows) {
    return std::to_string(rows.first) + "-" + std::to_string(rows.end - 1);
}

std::string bandText(const fractal::Band& band) {
    return std::to_string(band.index) + "/" + std::to_string(band.count);
}

// Reads a part's header and note; the rows are read later.
Part inspect(const std::string& path) {
    Part part;
    part.path = path;
    try {
        const auto source = image::openRowSource(path);
        const std::string* text = source->note(fractal::kBandKeyword);
        const auto note = text ? fractal::parseBandNote(*text) : std::nullopt;
        if (!note)
            throw EBandParts(path + ": not a band part (no valid " +
                             std::string(fractal::kBandKeyword) + " note)");
        part.note = *note;
        part.rows = fractal::bandRows(note->height, note->band);
        if (source->width() != note->width || source->height() != part.rows.end - part.rows.first)
            throw EBandParts(path + ": " + std::to_string(source->width()) + " x " +
                             std::to_string(source->height()) + " pixels, but band " +
                             bandText(note->band) + " of " + std::to_string(note->width) + " x " +
                             std::to_string(note->height) + " has " +
                             std::to_string(part.rows.end - part.rows.first) + " rows of " +
                             std::to_string(note->width));
        part.parameters = source->texts().parameters;
    } catch (const EBandParts&) {
        throw;
    } catch (const Exception& e) {
        throw EBandParts(path + ": " + e.message());
    }
    return part;
}

// The parts sorted by their rows, checked to cover the picture exactly once.
std::vector<Part> arrange(std::vector<Part> parts) {
    const Part& first = parts.front();
    for (const Part& p : parts)
        if (p.note.width != first.note.width || p.note.height != first.note.height ||
            p.note.digest != first.note.digest)
            throw EBandParts(p.path + ": from another render than " + first.path +
                             " (different size or parameters)");
    std::stable_sort(parts.begin(), parts.end(), [](const Part& a, const Part& b) {
        return a.rows.first != b.rows.first ? a.rows.first < b.rows.first : a.rows.end < b.rows.end;
    });
    int covered = 0;
    const Part* previous = nullptr;
    for (const Part& p : parts) {
        if (previous && p.note.band.index == previous->note.band.index &&
            p.note.band.count == previous->note.band.count)
            throw EBandParts(p.path + ": band " + bandText(p.note.band) + " given twice (also " +
                             previous->path + ")");
        if (p.rows.first < covered)
            throw EBandParts(p.path + ": rows " + rowsText(p.rows) + " overlap rows " +
                             rowsText(previous->rows) + " of " + previous->path);
        if (p.rows.first > covered)
            throw EBandParts("rows " + rowsText({covered, p.rows.first}) +
                             " are missing (no part before " + p.path + " has them)");
        covered = p.rows.end;
        previous = &p;
    }
    if (covered < first.note.height)
        throw EBandParts("rows " + rowsText({covered, first.note.height}) +
                         " are missing (no part after " + previous->path + " has them)");
    return parts;
}

int runAssemble(const Args& args, std::ostream&, std::ostream& err) {
    ArgReader r(args);
    std::string output;
    std::vector<std::string> paths;
    int threads = 0;
    ProgressMode progressMode = ProgressMode::Auto;
    while (!r.done()) {
        if (r.isOption()) {
            const std::string opt = r.next("option");
            if (opt == "--threads") {
                const auto n = tryParseInteger(r.next("--threads value"));
                if (!n || *n < 1 || *n > 1024) throw UsageError{"--threads must be from 1 to 1024"};
                threads = *n;
            } else if (!parseProgressOption(opt, progressMode)) {
                throw UsageError{"unknown option " + opt};
            }
        } else if (output.empty()) {
            output = r.next("output picture");
        } else {
            paths.push_back(r.next("part"));
        }
    }
    if (paths.empty()) throw UsageError{"expected OUT and at least one PART"};
    const std::string extension = image::lowerExtension(output);
    if (!image::isStreamedExtension(extension))
        throw UsageError{"assemble writes .png or .ppm pictures"};

    std::vector<Part> parts;
    for (const auto& path : paths)
        parts.push_back(inspect(path));
    parts = arrange(std::move(parts));
    const int width = parts.front().note.width, height = parts.front().note.height;

    catchInterrupts();
    ProgressMeter meter(err, progressMode, "assemble", "rows", height);
    image::StreamTexts texts;
    texts.parameters = parts.front().parameters;
    writeFileAtomically(output, [&](std::ostream& out) {
        const auto sink = image::makeRowSink(extension, out, width, height, texts, {threads});
        std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 3);
        int done = 0;
        for (const Part& part : parts) {
            // A reader's complaint means the part is gone, truncated or damaged.
            const auto reading = [&](const auto& step) {
                try {
                    step();
                } catch (const Exception& e) {
                    throw EBandParts(part.path + ": " + e.message());
                }
            };
            std::unique_ptr<image::RowSource> source;
            reading([&] { source = image::openRowSource(part.path); });
            for (int y = part.rows.first; y < part.rows.end; ++y) {
                reading([&] { source->readRow(row.data()); });
                sink->writeRow(row.data());
                meter.update(++done);
                checkInterrupted();
            }
        }
        sink->finish();
    });
    meter.finish();
    return kExitOk;
}

} // namespace

QM_CLI_COMMAND("assemble", "assemble OUT.png|OUT.ppm PART... [--threads N] [--progress|--quiet]",
               "join the band parts of one render (`render --band K/N`, any order) into the whole "
               "picture; missing, overlapping, duplicated, truncated or mismatched parts are "
               "refused, naming the part, and no file is written",
               runAssemble);

} // namespace qm::cli

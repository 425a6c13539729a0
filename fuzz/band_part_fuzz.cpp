// libFuzzer target for the row-by-row PNG and PPM readers that `assemble` runs over band parts:
// the header, the notes and the rows, as far as the bytes go.
#include "engine/fractal/bands.h"
#include "engine/image/image_errors.h"
#include "engine/image/stream_readers.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
// Pictures that inflate to more than this are read only this far: the run stays quick.
constexpr std::int64_t kMaxBytes = std::int64_t{1} << 24;
volatile std::uint32_t sink = 0;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    std::FILE* file = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
    if (!file) return 0;
    try {
        const auto source = qm::image::openRowSource(file);
        if (const std::string* note = source->note(qm::fractal::kBandKeyword))
            sink = sink + (qm::fractal::parseBandNote(*note) ? 1u : 0u);
        std::vector<std::uint8_t> row(static_cast<std::size_t>(source->width()) * 3);
        const std::int64_t rows = std::min<std::int64_t>(
            source->height(), kMaxBytes / static_cast<std::int64_t>(row.size()));
        for (std::int64_t y = 0; y < rows; ++y) {
            source->readRow(row.data());
            sink = sink + row.front() + row.back();
        }
    } catch (const qm::image::EPixelGraphic&) {
    }
    return 0;
}

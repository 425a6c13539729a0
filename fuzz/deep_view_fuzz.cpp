// Feeds arbitrary text to the long-number reader and the deep view set-up: three lines are a
// centre's two parts and a width. Every failure must be ERenderParameters; a view that is made
// must round-trip through its decimal texts and set up a deep picture (no orbit is computed).
#include "engine/fractal/deep/deep_renderer.h"
#include "engine/fractal/deep/deep_view.h"
#include "engine/fractal/deep/mp_float.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qm::fractal;
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (const auto v = deep::parseDecimal(text, deep::bitsForDecimal(text))) {
        // Every digit read comes back.
        const auto again = deep::parseDecimal(deep::formatDecimal(*v, 1 + static_cast<int>(size)),
                                              v->precision());
        if (!again || mpfr_equal_p(again->get(), v->get()) == 0) std::abort();
    }
    std::string part[3];
    std::size_t at = 0;
    for (int k = 0; k < 3; ++k) {
        const auto end = text.find('\n', at);
        part[k] = text.substr(at, end == std::string::npos ? end : end - at);
        if (end == std::string::npos) break;
        at = end + 1;
    }
    try {
        FractalParams p;
        p.deepView = deepViewFromCentre(part[0], part[1], part[2], 8, 6);
        p.setView(nearestView(p.deepView));
        p.deepMode = DeepMode::On;
        const deep::DeepPicture picture(p, 8, 6);
        if (picture.stats().bits < 64) std::abort();
    } catch (const ERenderParameters&) {
    }
    return 0;
}

// Long decimal views: checking, building from a centre and width, rounding to doubles.
#include "engine/fractal/deep/deep_view.h"

#include "engine/fractal/deep/mp_float.h"
#include "engine/fractal/fractal_params.h"

#include <algorithm>

namespace qm::fractal {

namespace {

deep::MpFloat parseOrThrow(const std::string& text, mpfr_prec_t bits) {
    auto v = deep::parseDecimal(text, bits);
    if (!v) throw ERenderParameters("'" + text.substr(0, 80) + "' is not a decimal number");
    return std::move(*v);
}

} // namespace

void checkDeepView(const DeepView& view) {
    for (const std::string* s : {&view.upperX, &view.lowerX, &view.upperY, &view.lowerY})
        parseOrThrow(*s, 64);
}

DeepView deepViewFromFields(const std::string& upperX, const std::string& lowerX,
                            const std::string& upperY, const std::string& lowerY) {
    DeepView v{upperX, lowerX, upperY, lowerY};
    checkDeepView(v);
    return v;
}

DeepJulia deepJuliaFromTexts(const std::string& re, const std::string& im) {
    parseOrThrow(re, 64);
    parseOrThrow(im, 64);
    return {re, im};
}

DeepView deepViewFromCentre(const std::string& re, const std::string& im, const std::string& width,
                            int pictureWidth, int pictureHeight) {
    if (pictureWidth <= 0 || pictureHeight <= 0)
        throw ERenderParameters("The picture size " + std::to_string(pictureWidth) + " x " +
                                std::to_string(pictureHeight) + " is not a picture");
    const mpfr_prec_t inBits =
        std::max({deep::bitsForDecimal(re), deep::bitsForDecimal(im), deep::bitsForDecimal(width)});
    deep::MpFloat w = parseOrThrow(width, inBits);
    deep::MpFloat cre = parseOrThrow(re, inBits);
    deep::MpFloat cim = parseOrThrow(im, inBits);
    if (w.sign() <= 0) throw ERenderParameters("The plane width must be above 0");
    // Enough bits for the centre's own digits and for 64 bits below a pixel step.
    const long top = std::max({cre.exponent(), cim.exponent(), w.exponent(), 1L});
    const long stepExponent = w.exponent() - 32; // pictures are below 2^32 pixels a side
    const auto bits =
        static_cast<mpfr_prec_t>(std::max<long>(inBits, top - stepExponent + 64) + 64);
    // A short centre is exact in decimal, not in binary: read at the inputs' own digits it
    // would sit about 2^-inBits away, far more than a pixel of a deep view.
    w = parseOrThrow(width, bits);
    cre = parseOrThrow(re, bits);
    cim = parseOrThrow(im, bits);
    deep::MpFloat half(bits), h(bits), ux(bits), lx(bits), uy(bits), ly(bits);
    mpfr_div_2ui(half.get(), w.get(), 1, MPFR_RNDN);
    mpfr_sub(ux.get(), cre.get(), half.get(), MPFR_RNDN);
    mpfr_add(lx.get(), cre.get(), half.get(), MPFR_RNDN);
    mpfr_mul_si(h.get(), w.get(), pictureHeight, MPFR_RNDN);
    mpfr_div_si(h.get(), h.get(), pictureWidth, MPFR_RNDN);
    mpfr_div_2ui(h.get(), h.get(), 1, MPFR_RNDN);
    mpfr_sub(uy.get(), cim.get(), h.get(), MPFR_RNDN);
    mpfr_add(ly.get(), cim.get(), h.get(), MPFR_RNDN);
    // Digits: the decimal places down to 1/2^64 of a pixel step, for the largest coordinate.
    const int digits = static_cast<int>((top - stepExponent + 64) * 0.30103) + 3;
    return {deep::formatDecimal(ux, digits), deep::formatDecimal(lx, digits),
            deep::formatDecimal(uy, digits), deep::formatDecimal(ly, digits)};
}

View nearestView(const DeepView& view) {
    const auto near = [](const std::string& s) {
        return parseOrThrow(s, deep::bitsForDecimal(s)).toDouble();
    };
    return {near(view.upperX), near(view.lowerX), near(view.upperY), near(view.lowerY)};
}

bool longerThanDouble(const std::string& text) {
    return deep::significantDigits(text) > 17;
}

} // namespace qm::fractal

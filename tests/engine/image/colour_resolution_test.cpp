// Conversions between colour resolutions: exact where the target can hold the picture, faithful
// on average where it cannot.
#include "image_test_util.h"

#include <gtest/gtest.h>
#include <set>

namespace {

using namespace qm::imagetest;
using qm::makeColour;
using CR = ColourResolution;

TPixelGraphic flat(qm::ColourValue c, int w = 32, int h = 32) {
    TPixelGraphic p(w, h, PixelFormat::Bits24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.SetPixel(x, y, c);
    return p;
}

double meanLevel(const TPixelGraphic& p, int channel) {
    double sum = 0;
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x)
            sum += (p.pixel(x, y) >> (8 * channel)) & 0xFF;
    return sum / (p.width() * p.height());
}

TEST(ColourResolution, GreyTargetsUseLuminanceAndDiffuseTheError) {
    struct Case {
        qm::ColourValue colour;
        CR target;
        double mean; // the average grey level that must come out
    };
    const Case cases[] = {
        {makeColour(255, 0, 0), CR::Grey256, 76},
        {makeColour(0, 255, 0), CR::Grey256, 150},
        {makeColour(0, 0, 255), CR::Grey256, 29},
        {makeColour(128, 128, 128), CR::Grey16, 128},
        {makeColour(64, 64, 64), CR::BlackAndWhite, 64},
        {makeColour(200, 200, 200), CR::BlackAndWhite, 200},
    };
    for (const auto& c : cases) {
        const TPixelGraphic out = qm::image::convertToResolution(flat(c.colour), c.target);
        EXPECT_EQ(qm::image::currentResolution(out), c.target);
        EXPECT_NEAR(meanLevel(out, 0), c.mean, 2.0) << std::hex << c.colour;
    }
    // Levels the ramp holds come through exactly, with no dithering noise.
    EXPECT_TRUE(samePixels(qm::image::convertToResolution(flat(makeColour(34, 34, 34)), CR::Grey16),
                           flat(makeColour(34, 34, 34))));
}

TEST(ColourResolution, PaletteTargetsKeepPicturesThatFit) {
    for (const auto& [source, target] : {std::pair{CR::Colours16, CR::Colours256},
                                         {CR::TwoColours, CR::Colours16},
                                         {CR::System16, CR::Colours16},
                                         {CR::Grey16, CR::Colours16},
                                         {CR::BlackAndWhite, CR::TwoColours},
                                         {CR::System16, CR::System16},
                                         {CR::Colours256, CR::TrueColour}}) {
        const TPixelGraphic picture = samplePicture(source);
        const TPixelGraphic out = qm::image::convertToResolution(picture, target);
        EXPECT_TRUE(samePixels(out, picture))
            << static_cast<int>(source) << " -> " << static_cast<int>(target);
    }
}

TEST(ColourResolution, PalettesAreChosenFromTheColoursPresent) {
    // A smooth picture with about a thousand colours into 256 and 16 entries: close on average,
    // and every entry used comes from the picture's range.
    TPixelGraphic smooth(64, 64, PixelFormat::Bits24);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            smooth.SetPixel(x, y,
                            makeColour(static_cast<std::uint8_t>(x * 4),
                                       static_cast<std::uint8_t>(y * 2), 200));
    for (const auto& [target, tolerance] :
         {std::pair{CR::Colours256, 1.0}, {CR::Colours16, 2.0}, {CR::TwoColours, 8.0}}) {
        const TPixelGraphic out = qm::image::convertToResolution(smooth, target);
        EXPECT_EQ(qm::image::currentResolution(out), target);
        for (int channel = 0; channel < 3; ++channel)
            EXPECT_NEAR(meanLevel(out, channel), meanLevel(smooth, channel), tolerance)
                << static_cast<int>(target);
        for (const auto c : out.palette())
            EXPECT_TRUE(c == 0 || qm::blueOf(c) == 200) << std::hex << c; // no invented colours
        std::set<qm::ColourValue> used;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                used.insert(out.pixel(x, y));
        EXPECT_GT(used.size(), out.palette().size() / 2)
            << "the palette is spread over the picture";
    }
    // The standard colours: pure ones map exactly, others are dithered between them.
    const TPixelGraphic system =
        qm::image::convertToResolution(flat(makeColour(255, 0, 0)), CR::System16);
    EXPECT_TRUE(samePixels(system, flat(makeColour(255, 0, 0))));
    const TPixelGraphic pink =
        qm::image::convertToResolution(flat(makeColour(255, 128, 128)), CR::System16);
    EXPECT_NEAR(meanLevel(pink, 1), 128, 4);
}

} // namespace

// TPixelGraphic: storage layout, pixel access, stretching and notifications.
#include "engine/image/pixel_graphic.h"

#include <gtest/gtest.h>

namespace {

using qm::ColourValue;
using qm::makeColour;
using qm::image::PixelFormat;
using qm::image::TPixelGraphic;

constexpr ColourValue kRed = makeColour(255, 0, 0);
constexpr ColourValue kWhite = makeColour(255, 255, 255);

// A 24-bit picture whose every pixel encodes its own position.
TPixelGraphic positionPicture(int w, int h) {
    TPixelGraphic p(w, h, PixelFormat::Bits24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.SetPixel(x, y,
                       makeColour(static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 7));
    return p;
}

TEST(PixelGraphic, RowsArePaddedToWholeWords) {
    struct Case {
        int width;
        PixelFormat format;
        int rowBytes;
    };
    const Case cases[] = {
        {1, PixelFormat::Bits1, 4},  {32, PixelFormat::Bits1, 4},  {33, PixelFormat::Bits1, 8},
        {7, PixelFormat::Bits4, 4},  {9, PixelFormat::Bits4, 8},   {5, PixelFormat::Bits8, 8},
        {1, PixelFormat::Bits24, 4}, {4, PixelFormat::Bits24, 12}, {5, PixelFormat::Bits24, 16},
    };
    for (const auto& c : cases) {
        TPixelGraphic p(c.width, 3, c.format);
        EXPECT_EQ(p.rowBytes(), c.rowBytes) << c.width << " " << static_cast<int>(c.format);
        EXPECT_EQ(p.scanLine(2) - p.scanLine(0), 2 * c.rowBytes);
    }
}

TEST(PixelGraphic, NewPictureIsEmptyAndSizesAreChecked) {
    TPixelGraphic p;
    EXPECT_TRUE(p.empty());
    EXPECT_EQ(p.width(), 0);
    EXPECT_EQ(p.height(), 0);
    p.SetSize(4, 3, PixelFormat::Bits24);
    p.SetPixel(1, 1, kRed);
    EXPECT_THROW(p.SetSize(-1, 5, PixelFormat::Bits24), qm::image::EPGInvalidSize);
    EXPECT_THROW(p.SetSize(70000, 1, PixelFormat::Bits24), qm::image::EPGPictureTooLarge);
    EXPECT_THROW(p.SetSize(40000, 40000, PixelFormat::Bits1), qm::image::EPGPictureTooLarge);
    // A refused size leaves the picture as it was.
    EXPECT_EQ(p.width(), 4);
    EXPECT_EQ(p.pixel(1, 1), kRed);
    EXPECT_NO_THROW(qm::image::checkPictureSize(16384, 16384));
    EXPECT_THROW(qm::image::checkPictureSize(1000, 1000, 999999), qm::image::EPGPictureTooLarge);
}

TEST(PixelGraphic, PixelsRoundTripInEveryFormatAndStayInsideTheirBits) {
    const ColourValue colours[] = {0, kWhite, kRed, makeColour(12, 34, 56)};
    for (auto format :
         {PixelFormat::Bits1, PixelFormat::Bits4, PixelFormat::Bits8, PixelFormat::Bits24}) {
        TPixelGraphic p(11, 4, format);
        const auto& pal = p.palette();
        for (int x = 0; x < 11; ++x) {
            const ColourValue c = format == PixelFormat::Bits24
                                      ? colours[x % 4]
                                      : pal[static_cast<size_t>(x) % pal.size()];
            p.SetPixel(x, 2, c);
        }
        for (int x = 0; x < 11; ++x) {
            const ColourValue c = format == PixelFormat::Bits24
                                      ? colours[x % 4]
                                      : pal[static_cast<size_t>(x) % pal.size()];
            EXPECT_EQ(p.pixel(x, 2), c) << x;
            EXPECT_EQ(p.pixel(x, 1), p.palette().empty() ? 0u : pal[0]);
            EXPECT_EQ(p.pixel(x, 3), p.palette().empty() ? 0u : pal[0]);
        }
        // Writes outside the picture change nothing, reads outside are black.
        const std::vector<std::uint8_t> before(p.scanLine(0), p.scanLine(0) + 4 * p.rowBytes());
        for (auto [x, y] : {std::pair{-1, 0}, {11, 0}, {0, -1}, {0, 4}, {11, 3}})
            p.SetPixel(x, y, kWhite);
        EXPECT_EQ(std::vector<std::uint8_t>(p.scanLine(0), p.scanLine(0) + 4 * p.rowBytes()),
                  before);
        EXPECT_EQ(p.pixel(-1, 0), 0u);
        EXPECT_EQ(p.pixel(0, 4), 0u);
    }
}

TEST(PixelGraphic, StorageLayoutIsLeftmostPixelFirst) {
    TPixelGraphic mono(10, 1, PixelFormat::Bits1);
    mono.SetPixel(0, 0, kWhite);
    mono.SetPixel(9, 0, kWhite);
    EXPECT_EQ(mono.scanLine(0)[0], 0x80);
    EXPECT_EQ(mono.scanLine(0)[1], 0x40);
    TPixelGraphic nibble(3, 1, PixelFormat::Bits4);
    nibble.setPixelIndex(0, 0, 9);
    nibble.setPixelIndex(1, 0, 3);
    nibble.setPixelIndex(2, 0, 15);
    EXPECT_EQ(nibble.scanLine(0)[0], 0x93);
    EXPECT_EQ(nibble.scanLine(0)[1], 0xF0);
    TPixelGraphic rgb(2, 1, PixelFormat::Bits24);
    rgb.SetPixel(1, 0, makeColour(1, 2, 3));
    EXPECT_EQ(rgb.scanLine(0)[3], 1);
    EXPECT_EQ(rgb.scanLine(0)[4], 2);
    EXPECT_EQ(rgb.scanLine(0)[5], 3);
}

TEST(PixelGraphic, PaletteFormatsStoreTheNearestEntry) {
    TPixelGraphic p(2, 1, PixelFormat::Bits4);
    EXPECT_EQ(p.palette().size(), 16u);
    p.SetPixel(0, 0, makeColour(140, 10, 0)); // closest to maroon (128, 0, 0)
    EXPECT_EQ(p.pixelIndex(0, 0), 1);
    EXPECT_EQ(p.pixel(0, 0), makeColour(128, 0, 0));
    p.SetPixel(1, 0, makeColour(250, 250, 240));
    EXPECT_EQ(p.pixel(1, 0), kWhite);
    // A changed palette is honoured by the next SetPixel (no stale lookup).
    p.setPaletteEntry(3, makeColour(140, 10, 0));
    p.SetPixel(0, 0, makeColour(140, 10, 0));
    EXPECT_EQ(p.pixelIndex(0, 0), 3);

    TPixelGraphic grey(1, 1, PixelFormat::Bits8);
    grey.SetPixel(0, 0, makeColour(100, 100, 100));
    EXPECT_EQ(grey.pixelIndex(0, 0), 100);
    TPixelGraphic bw(1, 1, PixelFormat::Bits1);
    bw.SetPixel(0, 0, makeColour(200, 200, 200));
    EXPECT_EQ(bw.pixelIndex(0, 0), 1);
    bw.setPalette(std::vector<ColourValue>{kRed});
    EXPECT_EQ(bw.palette()[1], 0u);
}

TEST(PixelGraphic, SetSizeWithTheSameSizeAndFormatOnlyClears) {
    TPixelGraphic p(3, 3, PixelFormat::Bits8);
    p.setPaletteEntry(0, kRed);
    p.setPixelIndex(2, 2, 77);
    int changes = 0;
    p.setOnChange([&](const TPixelGraphic&) { ++changes; });
    const std::uint8_t* before = p.scanLine(0);
    p.SetSize(3, 3, PixelFormat::Bits8);
    EXPECT_EQ(p.scanLine(0), before); // no reallocation
    EXPECT_EQ(p.pixelIndex(2, 2), 0);
    EXPECT_EQ(p.palette()[0], kRed); // the palette stays
    EXPECT_EQ(changes, 1);
    p.SetSize(5, 2, PixelFormat::Bits8);
    EXPECT_EQ(p.palette()[0], kRed);
    p.SetSize(5, 2, PixelFormat::Bits1);
    EXPECT_EQ(p.palette(), (std::vector<ColourValue>{0, kWhite}));
    EXPECT_EQ(changes, 3);
}

TEST(PixelGraphic, ClearAndScanLineBounds) {
    TPixelGraphic p = positionPicture(4, 4);
    p.Clear();
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(p.pixel(x, y), 0u);
    EXPECT_THROW(p.scanLine(4), qm::image::EPixelGraphic);
    EXPECT_THROW(p.scanLine(-1), qm::image::EPixelGraphic);
    const TPixelGraphic empty;
    EXPECT_THROW(empty.scanLine(0), qm::image::EPixelGraphic);
}

TEST(PixelGraphic, CopiesTakeThePictureButNotTheObservers) {
    TPixelGraphic a = positionPicture(3, 2);
    int aChanges = 0;
    a.setOnChange([&](const TPixelGraphic&) { ++aChanges; });
    a.SaveColorResWarningAction = qm::image::pgwaRaise;
    TPixelGraphic b(a);
    b.Changed();
    EXPECT_EQ(aChanges, 0);
    EXPECT_EQ(b.pixel(2, 1), a.pixel(2, 1));
    EXPECT_EQ(b.SaveColorResWarningAction, qm::image::pgwaRaise);

    TPixelGraphic c(1, 1, PixelFormat::Bits4);
    int cChanges = 0;
    c.setOnChange([&](const TPixelGraphic&) { ++cChanges; });
    c.Assign(a);
    EXPECT_EQ(cChanges, 1); // Assign keeps its own observer and notifies it
    EXPECT_EQ(c.pixelFormat(), PixelFormat::Bits24);
    EXPECT_EQ(c.width(), 3);
    EXPECT_EQ(c.pixel(1, 1), a.pixel(1, 1));

    TPixelGraphic moved(std::move(c));
    EXPECT_EQ(moved.width(), 3);
    EXPECT_TRUE(c.empty()); // NOLINT(bugprone-use-after-move): moved-from state is specified
}

// Stretch cases: destination rectangle and source rectangle in the historical argument order.
struct StretchCase {
    const char* name;
    int destLeft, destTop, sourceHeight, sourceWidth, sourceTop, sourceLeft, destHeight, destWidth;
    // Expected source pixel for destination (x, y), or (-1, -1) for black, or (-2, -2) for
    // "untouched" (keeps the marker colour).
    std::function<std::pair<int, int>(int, int)> expected;
};

TEST(PixelGraphic, StretchCopyRectMapsEveryPixel) {
    const std::vector<StretchCase> cases = {
        {"plain copy", 0, 0, 8, 8, 0, 0, 8, 8,
         [](int x, int y) {
             return std::pair{x, y};
         }},
        {"offset copy", 2, 1, 3, 3, 4, 5, 3, 3,
         [](int x, int y) {
             if (x < 2 || x >= 5 || y < 1 || y >= 4) return std::pair{-2, -2};
             return std::pair{x - 2 + 5, y - 1 + 4};
         }},
        {"double size", 0, 0, 4, 4, 0, 0, 8, 8,
         [](int x, int y) {
             return std::pair{x / 2, y / 2};
         }},
        {"half size", 0, 0, 8, 8, 0, 0, 4, 4,
         [](int x, int y) {
             if (x >= 4 || y >= 4) return std::pair{-2, -2};
             return std::pair{2 * x + 1, 2 * y + 1};
         }},
        {"source beyond the right and bottom", 0, 0, 4, 4, 6, 6, 8, 8,
         [](int x, int y) {
             const int sx = 6 + x / 2, sy = 6 + y / 2;
             if (sx >= 8 || sy >= 8) return std::pair{-1, -1};
             return std::pair{sx, sy};
         }},
        {"source before the left and top", 0, 0, 3, 3, -1, -2, 3, 3,
         [](int x, int y) {
             if (x >= 3 || y >= 3) return std::pair{-2, -2};
             const int sx = x - 2, sy = y - 1;
             if (sx < 0 || sy < 0) return std::pair{-1, -1};
             return std::pair{sx, sy};
         }},
        {"destination partly outside", -2, 6, 4, 4, 0, 0, 4, 4,
         [](int x, int y) {
             if (x >= 2 || y < 6) return std::pair{-2, -2};
             return std::pair{x + 2, y - 6};
         }},
    };
    const TPixelGraphic source = positionPicture(8, 8);
    const ColourValue marker = makeColour(1, 2, 250);
    for (const auto& c : cases) {
        TPixelGraphic dest(8, 8, PixelFormat::Bits24);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                dest.SetPixel(x, y, marker);
        dest.StretchCopyRect(c.destLeft, c.destTop, source, c.sourceHeight, c.sourceWidth,
                             c.sourceTop, c.sourceLeft, c.destHeight, c.destWidth);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                const auto [sx, sy] = c.expected(x, y);
                const ColourValue want = sx == -2 ? marker : sx == -1 ? 0u : source.pixel(sx, sy);
                ASSERT_EQ(dest.pixel(x, y), want) << c.name << " at " << x << "," << y;
            }
    }
}

TEST(PixelGraphic, MagnifierSquareNearTheEdgeStaysBlackOutsideTheSource) {
    const TPixelGraphic source = positionPicture(30, 20);
    TPixelGraphic loupe(100, 100, PixelFormat::Bits24);
    loupe.Clear();
    loupe.StretchCopyRect(0, 0, source, 25, 25, 10, 20, 75, 75);
    EXPECT_EQ(loupe.pixel(0, 0), source.pixel(20, 10));
    EXPECT_EQ(loupe.pixel(2, 2), source.pixel(20, 10));
    EXPECT_EQ(loupe.pixel(3, 0), source.pixel(21, 10));
    EXPECT_EQ(loupe.pixel(29, 29), source.pixel(29, 19));
    EXPECT_EQ(loupe.pixel(30, 0), 0u);  // source column 30 does not exist
    EXPECT_EQ(loupe.pixel(0, 30), 0u);  // source row 20 does not exist
    EXPECT_EQ(loupe.pixel(80, 80), 0u); // outside the destination square
}

TEST(PixelGraphic, StretchBetweenFormatsAndOntoItself) {
    const TPixelGraphic source = positionPicture(4, 4);
    TPixelGraphic grey(4, 4, PixelFormat::Bits8);
    grey.StretchFrom(source);
    EXPECT_EQ(grey.pixelIndex(3, 0), grey.nearestPaletteIndex(source.pixel(3, 0)));

    // Same palette: indices are copied; black outside maps to the darkest entry.
    TPixelGraphic a(4, 1, PixelFormat::Bits4), b(4, 1, PixelFormat::Bits4);
    a.setPixelIndex(0, 0, 7);
    a.setPixelIndex(1, 0, 8); // silver and grey are distinct entries
    b.setPaletteEntry(0, kWhite);
    b.setPaletteEntry(5, makeColour(0, 0, 0));
    b.StretchCopyRect(0, 0, a, 1, 2, 0, 3, 1, 2);
    EXPECT_EQ(b.pixel(0, 0), a.pixel(3, 0));
    EXPECT_EQ(b.pixel(1, 0), 0u); // outside: nearest to black is entry 5
    EXPECT_EQ(b.pixelIndex(1, 0), 5);

    TPixelGraphic self = positionPicture(4, 4);
    self.StretchCopyRect(0, 0, self, 2, 2, 2, 2, 4, 4);
    EXPECT_EQ(self.pixel(0, 0), makeColour(2, 2, 7));
    EXPECT_EQ(self.pixel(3, 3), makeColour(3, 3, 7));

    TPixelGraphic empty, target = positionPicture(2, 2);
    target.StretchFrom(empty);
    EXPECT_EQ(target.pixel(1, 1), makeColour(1, 1, 7));
}

TEST(PixelGraphic, ChangesAreHeldWhileLocked) {
    TPixelGraphic p(2, 2, PixelFormat::Bits24);
    int changes = 0;
    p.setOnChange([&](const TPixelGraphic& sender) {
        EXPECT_EQ(&sender, &p);
        ++changes;
    });
    p.Changed();
    EXPECT_EQ(changes, 1);
    {
        qm::image::UpdateLock outer(p);
        p.beginUpdate();
        p.Changed();
        p.Clear();
        p.endUpdate();
        EXPECT_EQ(changes, 1);
        EXPECT_EQ(p.updateLockCount(), 1);
    }
    EXPECT_EQ(changes, 2); // one delivery for everything held
    p.beginUpdate();
    p.endUpdate();
    p.endUpdate(); // unbalanced release is harmless
    EXPECT_EQ(changes, 2);
}

TEST(PixelGraphic, ProgressHandlersSeeCurrentTotalAndAbort) {
    TPixelGraphic p;
    EXPECT_FALSE(p.progress(1, 2)); // no handler: no abort
    std::vector<std::string> log;
    p.setProgressHandlers({[&](const TPixelGraphic&) { log.push_back("start"); },
                           [&](const TPixelGraphic&, int current, int total, bool& abort) {
                               log.push_back(std::to_string(current) + "/" + std::to_string(total));
                               abort = current >= 2;
                           },
                           [&](const TPixelGraphic&) { log.push_back("end"); }});
    p.progressStart();
    EXPECT_FALSE(p.progress(1, 3));
    EXPECT_TRUE(p.progress(2, 3));
    p.progressEnd();
    EXPECT_EQ(log, (std::vector<std::string>{"start", "1/3", "2/3", "end"}));
}

} // namespace

// Picture files: registries, colour-resolution fallback and warnings, round trips through every
// writer, recognition by content, and saving that never leaves a broken file.
#include "image_test_util.h"

#include <gtest/gtest.h>

namespace {

using namespace qm::imagetest;
using qm::makeColour;
using qm::image::EPGCannotWriteColorRes;
using qm::image::EPixelGraphic;
using CR = ColourResolution;

constexpr CR kAll[] = {CR::BlackAndWhite, CR::TwoColours, CR::Grey16,     CR::System16,
                       CR::Colours16,     CR::Grey256,    CR::Colours256, CR::TrueColour};

TEST(PictureFiles, RegistriesListTheFormatsInOrder) {
    std::string readers, writers;
    for (const auto& r : qm::image::pictureReaders())
        readers +=
            std::string(r.extension) + (r.isMain ? "*" : "") + (r.hasContentTest ? "" : "?") + " ";
    for (const auto& w : qm::image::pictureWriters())
        writers += std::string(w.extension) + (w.isMain ? "*" : "") + ":" +
                   std::to_string(w.writable) + " ";
    EXPECT_EQ(readers, "bmp* dib jpg* jpeg jif png* pcx* pbm* pgm* ppm* ");
    // Writable sets as bit masks: all eight, {5, 7} = 160, {0} = 1, {5} = 32, {7} = 128.
    EXPECT_EQ(writers,
              "bmp*:255 dib:255 jpg*:160 jpeg:160 jif:160 png*:255 pbm*:1 pgm*:32 ppm*:128 ");
    EXPECT_STREQ(qm::image::pictureReaders()[0].description, "Bitmap");
    EXPECT_STREQ(qm::image::pictureReaders()[2].description, "JPEG (JFIF compliant)");
    EXPECT_STREQ(qm::image::pictureReaders()[5].description, "Portable Network Graphics");
    EXPECT_STREQ(qm::image::pictureReaders()[6].description, "Paintbrush");
    EXPECT_STREQ(qm::image::pictureReaders()[9].description, "Portable Pixelmap");
}

TEST(PictureFiles, ResolutionNamesAndFallbackTable) {
    const char* names[] = {"black and white",  "2 colors",           "16 shades of gray",
                           "16 system colors", "16 colors",          "256 shades of gray",
                           "256 colors",       "16.7 million colors"};
    const char* rows[] = {"01234567", "14673025", "24567301", "34672501",
                          "46732501", "56724301", "67435201", "76435201"};
    for (int r = 0; r < 8; ++r) {
        EXPECT_STREQ(qm::image::colourResolutionName(kAll[r]), names[r]);
        std::string row;
        for (const auto c : qm::image::fallbackOrder(kAll[r]))
            row += static_cast<char>('0' + static_cast<int>(c));
        EXPECT_EQ(row, rows[r]);
    }
    // What each writer ends up writing for each current resolution.
    struct Case {
        const char* extension;
        const char* chosen; // per current resolution 0..7
    };
    const Case cases[] = {{"bmp", "01234567"}, {"png", "01234567"}, {"jpg", "57577577"},
                          {"pbm", "00000000"}, {"pgm", "55555555"}, {"ppm", "77777777"}};
    for (const auto& c : cases) {
        const auto* writer = qm::image::findWriter(c.extension);
        ASSERT_NE(writer, nullptr);
        std::string chosen;
        for (const auto r : kAll)
            chosen += static_cast<char>(
                '0' + static_cast<int>(qm::image::chooseResolution(r, writer->writable)));
        EXPECT_EQ(chosen, c.chosen) << c.extension;
    }
}

TEST(PictureFiles, ResolutionFollowsTheStorage) {
    for (const auto r : kAll)
        EXPECT_EQ(qm::image::currentResolution(samplePicture(r)), r) << static_cast<int>(r);
    TPixelGraphic bw(2, 2, PixelFormat::Bits1);
    bw.setPalette(std::vector<qm::ColourValue>{makeColour(255, 255, 255), 0});
    EXPECT_EQ(qm::image::currentResolution(bw), CR::BlackAndWhite); // either order
    TPixelGraphic greyish(2, 2, PixelFormat::Bits8);
    greyish.setPaletteEntry(3, makeColour(4, 4, 4)); // no longer the exact ramp
    EXPECT_EQ(qm::image::currentResolution(greyish), CR::Colours256);
}

// Every writer and every starting resolution: what comes back is the picture itself where the
// resolution is kept (lossless formats), and the converted copy otherwise.
TEST(PictureFiles, EveryWriterRoundTripsEveryResolution) {
    for (const auto& writer : qm::image::pictureWriters()) {
        for (const auto r : kAll) {
            TPixelGraphic picture = samplePicture(r);
            picture.SaveColorResWarningAction = qm::image::pgwaIgnore;
            const std::string bytes = saveBytes(picture, writer.extension);
            const TPixelGraphic back = loadBytes(bytes);
            const CR chosen = qm::image::chooseResolution(r, writer.writable);
            const bool lossy = std::string_view(writer.extension).starts_with("j");
            const std::string what =
                std::string(writer.extension) + " from " + std::to_string(static_cast<int>(r));
            EXPECT_EQ(qm::image::currentResolution(back), chosen) << what;
            EXPECT_EQ(back.width(), picture.width()) << what;
            EXPECT_EQ(back.height(), picture.height()) << what;
            const TPixelGraphic expected =
                chosen == r ? picture : qm::image::convertToResolution(picture, chosen);
            if (!lossy) {
                EXPECT_TRUE(samePixels(back, expected)) << what;
            }
            EXPECT_EQ(qm::image::currentResolution(picture), r)
                << "the picture keeps its resolution";
        }
    }
}

TEST(PictureFiles, JpegKeepsSmoothPicturesClose) {
    TPixelGraphic colour(64, 48, PixelFormat::Bits24);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            colour.SetPixel(x, y,
                            makeColour(static_cast<std::uint8_t>(x * 4),
                                       static_cast<std::uint8_t>(y * 5), 128));
    TPixelGraphic grey = qm::image::convertToResolution(colour, CR::Grey256);
    for (const TPixelGraphic* p : {&colour, &grey}) {
        const std::string bytes = saveBytes(*p, "jpeg");
        EXPECT_TRUE(
            qm::image::isJpeg(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), 3)));
        const TPixelGraphic back = loadBytes(bytes);
        EXPECT_EQ(back.pixelFormat(), p->pixelFormat());
        EXPECT_TRUE(samePixels(back, *p, 6));
    }
}

TEST(PictureFiles, ContentDecidesNotTheExtension) {
    TempDir dir;
    const TPixelGraphic picture = samplePicture(CR::TrueColour);
    writeBytes(dir / "really_png.bmp", saveBytes(picture, "png"));
    TPixelGraphic loaded;
    loaded.loadFromFile(dir / "really_png.bmp");
    EXPECT_TRUE(samePixels(loaded, picture));

    writeBytes(dir / "grey.txt", "P5 2 1 255\n\x10\x20");
    loaded.loadFromFile(dir / "grey.txt");
    EXPECT_EQ(loaded.pixel(1, 0), makeColour(0x20, 0x20, 0x20));
    EXPECT_EQ(qm::image::currentResolution(loaded), CR::Grey256);

    writeBytes(dir / "unknown.png", "GIF89a........................");
    try {
        loaded.loadFromFile(dir / "unknown.png");
        FAIL();
    } catch (const qm::image::EPGUnknownFileFormat& e) {
        EXPECT_STREQ(e.what(), "Unknown file-format");
    }
    EXPECT_EQ(loaded.pixel(1, 0), makeColour(0x20, 0x20, 0x20)); // a failed load changes nothing
    EXPECT_THROW(loaded.loadFromFile(dir / "missing.png"), qm::EFOpenError);
    EXPECT_THROW(loaded.loadFromFile(dir.path()), qm::EFOpenError);
}

TEST(PictureFiles, ExtensionsAreMatchedWithoutCase) {
    TempDir dir;
    const TPixelGraphic picture = samplePicture(CR::TrueColour);
    picture.saveToFile(dir / "upper.PNG");
    EXPECT_TRUE(qm::image::isPng(
        std::span(reinterpret_cast<const std::uint8_t*>(readBytes(dir / "upper.PNG").data()), 8)));
    try {
        picture.saveToFile(dir / "picture.GIF");
        FAIL();
    } catch (const qm::image::EPGUnknownExtention& e) {
        EXPECT_STREQ(e.what(), "Unknown file extention \"gif\"");
        EXPECT_STREQ(e.className(), "EPGUnknownExtention");
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "picture.GIF"));
    EXPECT_THROW(picture.saveToFile(dir / "noextension"), qm::image::EPGUnknownExtention);
    EXPECT_EQ(dir.entries(), 1u);
}

TEST(PictureFiles, EmptyPicturesAreNotSaved) {
    TempDir dir;
    const TPixelGraphic empty;
    try {
        empty.saveToFile(dir / "x.bmp");
        FAIL();
    } catch (const EPixelGraphic& e) {
        EXPECT_STREQ(e.what(), "PixelGraphic is empty");
    }
    EXPECT_EQ(dir.entries(), 0u);
}

TEST(PictureFiles, ResolutionChangeFollowsTheWarningAction) {
    const std::string expectedBox =
        "The graphic cannot be saved with to a Portable Graymap file the current color resolution "
        "(16.7 million colors).\r\rThe graphic will be saved with a different color resolution "
        "(256 shades of gray).";
    const std::string expectedError = "The graphic cannot be saved with to a Portable Graymap file "
                                      "the current color resolution (16.7 million colors)";
    struct Case {
        qm::image::TPGWarningAction action;
        bool answer;     // the box's answer
        bool saved;      // whether a file comes out
        int boxes;       // how many boxes were shown
        bool withCancel; // the kind of box
    };
    const Case cases[] = {
        {qm::image::pgwaIgnore, false, true, 0, false},
        {qm::image::pgwaOKBox, false, true, 1, false},
        {qm::image::pgwaOKCancelBox, true, true, 1, true},
        {qm::image::pgwaOKCancelBox, false, false, 1, true},
        {qm::image::pgwaRaise, true, false, 0, false},
    };
    for (const auto& c : cases) {
        TempDir dir;
        TPixelGraphic picture = samplePicture(CR::TrueColour);
        EXPECT_EQ(picture.SaveColorResWarningAction, qm::image::pgwaOKCancelBox); // the default
        picture.SaveColorResWarningAction = c.action;
        int boxes = 0;
        picture.setMessageHandler([&](const std::string& text, bool withCancel) {
            ++boxes;
            EXPECT_EQ(text, expectedBox);
            EXPECT_EQ(withCancel, c.withCancel);
            return c.answer;
        });
        if (c.saved) {
            picture.saveToFile(dir / "grey.pgm");
            EXPECT_EQ(readBytes(dir / "grey.pgm").substr(0, 11), "P5\n23 17\n25");
        } else {
            try {
                picture.saveToFile(dir / "grey.pgm");
                FAIL();
            } catch (const EPGCannotWriteColorRes& e) {
                EXPECT_EQ(e.what(), expectedError);
            }
            EXPECT_EQ(dir.entries(), 0u) << "no file after a refused save";
        }
        EXPECT_EQ(boxes, c.boxes);
    }
    // With nobody to answer the OK/Cancel box the save is cancelled.
    const TPixelGraphic unattended = samplePicture(CR::TrueColour);
    EXPECT_THROW(saveBytes(unattended, "pbm"), EPGCannotWriteColorRes);
    // An unchanged resolution asks nothing.
    const TPixelGraphic grey = samplePicture(CR::Grey256);
    EXPECT_NO_THROW(saveBytes(grey, "pgm"));
}

TEST(PictureFiles, TheConvertedCopyReportsToTheSameProgressHandlers) {
    TPixelGraphic picture = samplePicture(CR::TrueColour);
    picture.SaveColorResWarningAction = qm::image::pgwaIgnore;
    int starts = 0, rows = 0, ends = 0;
    picture.setProgressHandlers({[&](const TPixelGraphic&) { ++starts; },
                                 [&](const TPixelGraphic&, int, int total, bool&) {
                                     EXPECT_EQ(total, 17);
                                     ++rows;
                                 },
                                 [&](const TPixelGraphic&) { ++ends; }});
    saveBytes(picture, "pgm");
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(rows, 17);
    EXPECT_EQ(ends, 1);
}

TEST(PictureFiles, AFailedSaveNeverDamagesAnExistingFile) {
    TempDir dir;
    writeBytes(dir / "keep.png", "old content");
    TPixelGraphic picture = samplePicture(CR::TrueColour);
    // A failure in the middle of writing: the progress handler throws after some rows.
    picture.setProgressHandlers({nullptr,
                                 [](const TPixelGraphic&, int current, int, bool&) {
                                     if (current == 5) throw EPixelGraphic("disk on fire");
                                 },
                                 nullptr});
    for (const char* name : {"keep.png", "keep.bmp", "new.ppm", "new.jpg"}) {
        const bool existed = std::filesystem::exists(dir / name);
        EXPECT_THROW(picture.saveToFile(dir / name), EPixelGraphic) << name;
        if (existed)
            EXPECT_EQ(readBytes(dir / name), "old content");
        else
            EXPECT_FALSE(std::filesystem::exists(dir / name)) << name;
    }
    EXPECT_EQ(dir.entries(), 1u) << "no temporary file is left behind";
    picture.setProgressHandlers({});
    picture.saveToFile(dir / "keep.png");
    EXPECT_TRUE(samePixels(loadBytes(readBytes(dir / "keep.png")), picture));
    EXPECT_EQ(dir.entries(), 1u);
}

TEST(PictureFiles, PixelWritersRefuseForeignExtensions) {
    std::ostringstream out;
    try {
        qm::image::writePnm(samplePicture(CR::TrueColour), out, CR::TrueColour, "pnm", {});
        FAIL();
    } catch (const qm::image::EPGPxMFileFormatWriter& e) {
        EXPECT_STREQ(e.what(), "PBM, PGM, PPM: Unknown file extention");
    }
}

TEST(PictureFiles, LoadingReplacesContentAndKeepsObserversAndAction) {
    TPixelGraphic picture(3, 3, PixelFormat::Bits4);
    picture.SaveColorResWarningAction = qm::image::pgwaRaise;
    int changes = 0;
    picture.setOnChange([&](const TPixelGraphic&) { ++changes; });
    std::istringstream in(saveBytes(samplePicture(CR::Colours256), "bmp"));
    picture.loadFromStream(in, "bmp");
    EXPECT_EQ(picture.width(), 23);
    EXPECT_EQ(qm::image::currentResolution(picture), CR::Colours256);
    EXPECT_EQ(picture.SaveColorResWarningAction, qm::image::pgwaRaise);
    EXPECT_EQ(changes, 1);
}

} // namespace

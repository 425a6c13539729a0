// Parameter texts in saved PNG and JPEG pictures: what the writers store, what the scanner
// accepts, and the damaged files it must refuse without reading past them.
#include "engine/image/embedded_text.h"
#include "image_test_util.h"

#include <zlib.h>

namespace {

using namespace qm::imagetest;
using qm::image::readEmbeddedParameters;

const std::string kText = "[Coordinates]\r\nUpperX=-2\r\nLowerX=2\r\n[Formulas]\r\nRGB=i*2\r\n";

std::string save(const TPixelGraphic& p, std::string_view ext, std::string_view parameters) {
    std::ostringstream out;
    p.saveToStream(out, ext, {parameters});
    return out.str();
}

std::optional<std::string> scan(const std::string& bytes) {
    std::istringstream in(bytes);
    return readEmbeddedParameters(in);
}

std::string bigEndian(std::uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
            static_cast<char>(v)};
}

std::string chunk(std::string_view type, std::string_view data) {
    std::string typed = std::string(type) + std::string(data);
    const auto crc =
        crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size()));
    return bigEndian(static_cast<std::uint32_t>(data.size())) + typed +
           bigEndian(static_cast<std::uint32_t>(crc));
}

std::string itxt(std::string_view text) {
    return chunk("iTXt", std::string("Quillmora.Parameters\0\0\0\0\0", 25) + std::string(text));
}

// A written PNG with `extra` inserted right after IHDR (8 + 25 bytes in).
std::string pngWith(const std::string& extra) {
    std::string png = save(samplePicture(ColourResolution::TrueColour), "png", "");
    return png.insert(33, extra);
}

TEST(EmbeddedText, PngAndJpegCarryTheTextAndKeepTheirPixels) {
    for (const auto r : {ColourResolution::TrueColour, ColourResolution::Colours256,
                         ColourResolution::BlackAndWhite}) {
        const TPixelGraphic p = samplePicture(r);
        const std::string with = save(p, "png", kText);
        EXPECT_EQ(scan(with), kText);
        EXPECT_FALSE(scan(save(p, "png", "")));
        EXPECT_TRUE(samePixels(loadBytes(with), loadBytes(save(p, "png", ""))));
    }
    const TPixelGraphic p = samplePicture(ColourResolution::TrueColour);
    const std::string jpeg = save(p, "jpg", kText);
    EXPECT_EQ(scan(jpeg), kText);
    EXPECT_TRUE(samePixels(loadBytes(jpeg), loadBytes(save(p, "jpg", ""))));
    // Formats without a place for text are written exactly as before.
    for (const char* ext : {"bmp", "ppm"})
        EXPECT_EQ(save(p, ext, kText), save(p, ext, "")) << ext;
}

TEST(EmbeddedText, TextsThatCannotBeStoredAreLeftOut) {
    const TPixelGraphic p = samplePicture(ColourResolution::TrueColour);
    const std::string invalid = "[Formulas]\r\nRGB=\xC3\r\n";
    EXPECT_FALSE(scan(save(p, "png", invalid)));
    EXPECT_FALSE(scan(save(p, "jpg", invalid)));
    const std::string huge = "[Misc]\r\n" + std::string(70000, 'x');
    EXPECT_FALSE(scan(save(p, "jpg", huge))); // one COM segment holds 65,533 bytes
    EXPECT_EQ(scan(save(p, "png", huge)), huge);
    // UTF-8 outside ASCII lives in the iTXt chunk alone.
    const std::string accented = "[Formulas]\r\nRGB=i*2 \xC3\xA9\r\n";
    EXPECT_EQ(scan(save(p, "png", accented)), accented);
}

TEST(EmbeddedText, OtherWritersChunkKindsAreRead) {
    EXPECT_EQ(scan(pngWith(chunk("tEXt", "Quillmora.Parameters\0" + kText))), std::nullopt)
        << "a keyword without its NUL is not ours";
    EXPECT_EQ(scan(pngWith(chunk("tEXt", std::string("Quillmora.Parameters\0", 21) + kText))),
              kText);
    uLongf size = compressBound(static_cast<uLong>(kText.size()));
    std::string packed(size, '\0');
    compress(reinterpret_cast<Bytef*>(packed.data()), &size,
             reinterpret_cast<const Bytef*>(kText.data()), static_cast<uLong>(kText.size()));
    packed.resize(size);
    EXPECT_EQ(scan(pngWith(chunk("zTXt", std::string("Quillmora.Parameters\0\0", 22) + packed))),
              kText);
    EXPECT_EQ(
        scan(pngWith(chunk("iTXt", std::string("Quillmora.Parameters\0\1\0de\0P\0", 28) + packed))),
        kText);
    EXPECT_EQ(
        scan(pngWith(chunk("iTXt", std::string("Quillmora.ParametersX\0\0\0\0\0", 26) + kText))),
        std::nullopt);
}

TEST(EmbeddedText, DamagedPngTextIsRefused) {
    const std::string good = itxt(kText);
    EXPECT_EQ(scan(pngWith(good)), kText);
    EXPECT_FALSE(scan(pngWith(good + good))) << "duplicated";
    EXPECT_FALSE(scan(
        pngWith(good + chunk("tEXt", std::string("Quillmora.Parameters\0", 21) + "[Misc]\r\n"))))
        << "a copy that contradicts";
    std::string flipped = good;
    flipped[40] ^= 1;
    EXPECT_FALSE(scan(pngWith(flipped))) << "CRC";
    EXPECT_FALSE(scan(pngWith(itxt("[Misc]\r\nA=\xFF\r\n")))) << "not UTF-8";
    EXPECT_FALSE(scan(pngWith(itxt(std::string("[Misc]\0", 7))))) << "NUL";
    // Truncated inside the chunk.
    const std::string whole = pngWith(good);
    EXPECT_FALSE(scan(whole.substr(0, 33 + good.size() - 10)));
    // A length beyond the bound is refused from the header, before anything is read.
    const std::string huge = pngWith(bigEndian(qm::image::kMaxEmbeddedText + 100) + "iTXt" +
                                     std::string("Quillmora.Parameters\0", 21));
    EXPECT_FALSE(scan(huge));
    // Not a picture at all, or a picture cut off before any text: nothing.
    EXPECT_FALSE(scan(kText));
    EXPECT_FALSE(scan(whole.substr(0, 20)));
}

TEST(EmbeddedText, JpegComments) {
    const TPixelGraphic p = samplePicture(ColourResolution::TrueColour);
    const std::string jpeg = save(p, "jpg", "");
    const auto withComment = [&](std::string payload) {
        std::string segment = "\xFF\xFE";
        segment += static_cast<char>((payload.size() + 2) >> 8);
        segment += static_cast<char>((payload.size() + 2) & 0xFF);
        return segment + payload;
    };
    const std::string ours = withComment("Quillmora.Parameters\n" + kText);
    EXPECT_EQ(scan(std::string(jpeg).insert(2, ours)), kText);
    EXPECT_EQ(scan(std::string(jpeg).insert(2, withComment("made by hand") + ours)), kText);
    EXPECT_FALSE(scan(std::string(jpeg).insert(2, ours + ours))) << "duplicated";
    EXPECT_FALSE(scan(std::string(jpeg).insert(2, ours).substr(0, 30))) << "truncated";
    EXPECT_FALSE(scan(std::string(jpeg).insert(2, withComment("Quillmora.ParametersX"))));
}

} // namespace

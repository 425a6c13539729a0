// libFuzzer target for the BMP/DIB reader (1 to 32 bits, RLE4, RLE8, bit fields, core headers).
#include "image_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return qm::fuzz::readPicture(data, size, qm::image::readBmp, qm::image::writeBmp, "bmp");
}

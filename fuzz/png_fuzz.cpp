// libFuzzer target for the PNG reader over libpng, gamma correction switched on.
#include "image_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return qm::fuzz::readPicture(data, size, qm::image::readPng, qm::image::writePng, "png", true);
}

// libFuzzer target for the JPEG reader over libjpeg.
#include "image_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return qm::fuzz::readPicture(data, size, qm::image::readJpeg, nullptr, "jpg");
}

// libFuzzer target for the PCX reader.
#include "image_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return qm::fuzz::readPicture(data, size, qm::image::readPcx, qm::image::writeBmp, "bmp");
}

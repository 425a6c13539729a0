// libFuzzer target for the PBM, PGM and PPM reader, plain and binary forms.
#include "image_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return qm::fuzz::readPicture(data, size, qm::image::readPnm, qm::image::writePnm, "ppm");
}

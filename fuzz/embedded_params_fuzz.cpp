// Fuzzes pictures offered to "Load Parameters": the input is scanned as a file of its own, and
// wrapped as the text of a PNG iTXt chunk and of a JPEG comment; whatever text comes out goes
// through the parameter reader. Nothing may crash or read outside the bytes.
#include "engine/core/errors.h"
#include "engine/gradient/gradient_model.h"
#include "engine/image/embedded_text.h"
#include "engine/params/parameter_file.h"
#include "engine/shared/shared_colour_data.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <zlib.h>

namespace {

std::string bigEndian(std::uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
            static_cast<char>(v)};
}

std::string pngWith(const std::string& text) {
    const std::string data = std::string("iTXtQuillmora.Parameters\0\0\0\0\0", 29) + text;
    const auto crc =
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()));
    return std::string("\x89PNG\r\n\x1a\n", 8) +
           bigEndian(static_cast<std::uint32_t>(text.size() + 25)) + data +
           bigEndian(static_cast<std::uint32_t>(crc)) + std::string("\0\0\0\0IEND", 8);
}

std::string jpegWith(const std::string& text) {
    const std::string payload = "Quillmora.Parameters\r\n" + text.substr(0, 65000);
    const std::size_t length = payload.size() + 2;
    return std::string("\xFF\xD8\xFF\xFE", 4) + static_cast<char>(length >> 8) +
           static_cast<char>(length & 0xFF) + payload + "\xFF\xD9";
}

void open(const std::string& file) {
    std::istringstream in(file);
    const auto text = qm::image::readEmbeddedParameters(in);
    if (!text) return;
    if (!qm::image::isEmbeddableText(*text)) std::abort();
    qm::SharedColourData shared;
    qm::gradient::GradientModel gradient(shared);
    gradient.initialise();
    qm::params::FractalDocument doc;
    try {
        qm::params::applyParameters(qm::params::IniDocument::parse(*text), doc, gradient);
    } catch (const qm::Exception&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    open(bytes);
    open(pngWith(bytes));
    open(jpegWith(bytes));
    return 0;
}

// JPEG (JFIF) files through libjpeg: baseline, progressive, greyscale and CMYK read; greyscale
// and colour written.
//
// libjpeg reports errors through error_exit, which longjmps back here. Every function that
// calls setjmp keeps only trivially destructible locals after it, and no C++ exception passes
// through libjpeg: the callbacks copy bytes or longjmp, C++ errors are raised in our frames.
#include "engine/image/codecs.h"
#include "engine/image/embedded_text.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <ostream>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

namespace qm::image {

namespace {

constexpr size_t kBufferSize = 1 << 16;

struct ErrorManager {
    jpeg_error_mgr base; // first member: libjpeg sees a jpeg_error_mgr*
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX + 64];
};

[[noreturn]] void failWith(j_common_ptr info, const char* text) {
    auto* err = reinterpret_cast<ErrorManager*>(info->err);
    std::snprintf(err->message, sizeof err->message, "%s", text);
    std::longjmp(err->jump, 1);
}

void onErrorExit(j_common_ptr info) {
    char text[JMSG_LENGTH_MAX];
    (*info->err->format_message)(info, text);
    failWith(info, text);
}

void onMessage(j_common_ptr, int) {} // warnings and traces are not shown

struct Source {
    jpeg_source_mgr base;
    ByteReader* in;
    JOCTET buffer[kBufferSize];
};

void initSource(j_decompress_ptr) {}

// A file that ends early is an error: libjpeg's own sources would pad it with an end marker
// and return a partly grey picture as if nothing had happened.
boolean fillInput(j_decompress_ptr info) {
    auto* src = reinterpret_cast<Source*>(info->src);
    const size_t n = src->in->read(src->buffer, kBufferSize);
    if (n == 0) failWith(reinterpret_cast<j_common_ptr>(info), kUnexpectedEndOfFile);
    src->base.next_input_byte = src->buffer;
    src->base.bytes_in_buffer = n;
    return TRUE;
}

void skipInput(j_decompress_ptr info, long count) {
    if (count <= 0) return;
    auto* src = reinterpret_cast<Source*>(info->src);
    const auto n = static_cast<size_t>(count);
    if (n <= src->base.bytes_in_buffer) {
        src->base.next_input_byte += n;
        src->base.bytes_in_buffer -= n;
        return;
    }
    const size_t rest = n - src->base.bytes_in_buffer;
    src->base.bytes_in_buffer = 0;
    if (!src->in->skip(rest)) failWith(reinterpret_cast<j_common_ptr>(info), kUnexpectedEndOfFile);
}

void termSource(j_decompress_ptr) {}

struct Destination {
    jpeg_destination_mgr base;
    std::ostream* out;
    JOCTET buffer[kBufferSize];
};

void initDestination(j_compress_ptr info) {
    auto* dst = reinterpret_cast<Destination*>(info->dest);
    dst->base.next_output_byte = dst->buffer;
    dst->base.free_in_buffer = kBufferSize;
}

boolean emptyOutput(j_compress_ptr info) {
    auto* dst = reinterpret_cast<Destination*>(info->dest);
    if (!dst->out->write(reinterpret_cast<const char*>(dst->buffer), kBufferSize))
        failWith(reinterpret_cast<j_common_ptr>(info), "Write error");
    dst->base.next_output_byte = dst->buffer;
    dst->base.free_in_buffer = kBufferSize;
    return TRUE;
}

void termDestination(j_compress_ptr info) {
    auto* dst = reinterpret_cast<Destination*>(info->dest);
    const size_t n = kBufferSize - dst->base.free_in_buffer;
    if (!dst->out->write(reinterpret_cast<const char*>(dst->buffer),
                         static_cast<std::streamsize>(n)))
        failWith(reinterpret_cast<j_common_ptr>(info), "Write error");
}

// A progressive file may hold any number of scans, and each one walks the whole picture again:
// a small file could keep the decoder busy for minutes. Real encoders write about ten.
constexpr int kMaxScans = 1000;

void onProgress(j_common_ptr info) {
    if (info->is_decompressor &&
        reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxScans)
        failWith(info, "Too many scans");
}

struct Decoder {
    jpeg_decompress_struct info;
    ErrorManager err;
    Source src;
    jpeg_progress_mgr progress;
};

bool decode(Decoder& d, const LoadOptions& options, DecodedPicture& result,
            std::vector<std::uint8_t>& row, const TPixelGraphic& progressTarget) {
    if (setjmp(d.err.jump)) return false;
    jpeg_read_header(&d.info, TRUE);
    checkPictureSize(d.info.image_width, d.info.image_height, options.maxPixels);
    // Bounds libjpeg's own buffers (the whole-picture coefficient array of progressive files).
    d.info.mem->max_memory_to_use = static_cast<long>(std::min<std::int64_t>(
        options.maxPixels * 8 + (std::int64_t{64} << 20), std::int64_t{3} << 30));

    const bool grey = d.info.jpeg_color_space == JCS_GRAYSCALE;
    const bool cmyk = d.info.jpeg_color_space == JCS_CMYK || d.info.jpeg_color_space == JCS_YCCK;
    d.info.out_color_space = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(&d.info);

    TPixelGraphic& picture = result.picture;
    const int width = static_cast<int>(d.info.output_width);
    const int height = static_cast<int>(d.info.output_height);
    picture.SetSize(width, height, grey ? PixelFormat::Bits8 : PixelFormat::Bits24);
    if (cmyk) row.assign(static_cast<size_t>(width) * 4, 0);
    // Adobe writes CMYK inverted; other writers do not.
    const bool inverted = d.info.saw_Adobe_marker;
    while (d.info.output_scanline < d.info.output_height) {
        const int y = static_cast<int>(d.info.output_scanline);
        JSAMPROW target = cmyk ? row.data() : picture.scanLine(y);
        jpeg_read_scanlines(&d.info, &target, 1);
        if (cmyk) {
            std::uint8_t* out = picture.scanLine(y);
            for (int x = 0; x < width; ++x) {
                const std::uint8_t* p = &row[static_cast<size_t>(4 * x)];
                const int k = inverted ? p[3] : 255 - p[3];
                for (int c = 0; c < 3; ++c) {
                    const int v = inverted ? p[c] : 255 - p[c];
                    out[3 * x + c] = static_cast<std::uint8_t>((v * k + 127) / 255);
                }
            }
        }
        progressTarget.progress(y + 1, height);
    }
    jpeg_finish_decompress(&d.info); // reads up to the end marker: a cut-off file fails here
    return true;
}

struct Encoder {
    jpeg_compress_struct info;
    ErrorManager err;
    Destination dst;
};

// `comment`: the COM segment payload, written after the JFIF header (empty: none).
bool encode(Encoder& e, const TPixelGraphic& picture, bool grey, const std::string& comment) {
    if (setjmp(e.err.jump)) return false;
    e.info.image_width = static_cast<JDIMENSION>(picture.width());
    e.info.image_height = static_cast<JDIMENSION>(picture.height());
    e.info.input_components = grey ? 1 : 3;
    e.info.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&e.info);
    jpeg_set_quality(&e.info, kJpegQuality, TRUE);
    e.info.optimize_coding = TRUE;
    jpeg_start_compress(&e.info, TRUE);
    if (!comment.empty())
        jpeg_write_marker(&e.info, JPEG_COM, reinterpret_cast<const JOCTET*>(comment.data()),
                          static_cast<unsigned int>(comment.size()));
    while (e.info.next_scanline < e.info.image_height) {
        const int y = static_cast<int>(e.info.next_scanline);
        JSAMPROW row = const_cast<JSAMPROW>(picture.scanLine(y));
        jpeg_write_scanlines(&e.info, &row, 1);
        picture.progress(y + 1, picture.height());
    }
    jpeg_finish_compress(&e.info);
    return true;
}

bool create(Decoder& d) {
    if (setjmp(d.err.jump)) return false;
    jpeg_create_decompress(&d.info);
    return true;
}

bool create(Encoder& e) {
    if (setjmp(e.err.jump)) return false;
    jpeg_create_compress(&e.info);
    return true;
}

} // namespace

bool isJpeg(std::span<const std::uint8_t> head) {
    return head.size() >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF;
}

DecodedPicture readJpeg(ByteReader& in, const LoadOptions& options, const TPixelGraphic& progress) {
    auto d = std::make_unique<Decoder>();
    d->info.err = jpeg_std_error(&d->err.base);
    d->err.base.error_exit = onErrorExit;
    d->err.base.emit_message = onMessage;
    if (!create(*d)) throw EPGJPGFileFormatReaderWriter(d->err.message);
    struct Destroy {
        jpeg_decompress_struct* info;
        ~Destroy() { jpeg_destroy_decompress(info); }
    } destroy{&d->info};
    d->src.in = &in;
    d->src.base.init_source = initSource;
    d->src.base.fill_input_buffer = fillInput;
    d->src.base.skip_input_data = skipInput;
    d->src.base.resync_to_restart = jpeg_resync_to_restart;
    d->src.base.term_source = termSource;
    d->src.base.bytes_in_buffer = 0;
    d->src.base.next_input_byte = nullptr;
    d->info.src = &d->src.base;
    d->progress.progress_monitor = onProgress;
    d->info.progress = &d->progress;

    DecodedPicture result;
    std::vector<std::uint8_t> row;
    progress.progressStart();
    struct End {
        const TPixelGraphic& p;
        ~End() { p.progressEnd(); }
    } end{progress};
    if (!decode(*d, options, result, row, progress))
        throw EPGJPGFileFormatReaderWriter(d->err.message);
    return result;
}

void writeJpeg(const TPixelGraphic& picture, std::ostream& out, ColourResolution resolution,
               std::string_view, const SaveOptions& options) {
    auto e = std::make_unique<Encoder>();
    e->info.err = jpeg_std_error(&e->err.base);
    e->err.base.error_exit = onErrorExit;
    e->err.base.emit_message = onMessage;
    if (!create(*e)) throw EPGJPGFileFormatReaderWriter(e->err.message);
    struct Destroy {
        jpeg_compress_struct* info;
        ~Destroy() { jpeg_destroy_compress(info); }
    } destroy{&e->info};
    e->dst.out = &out;
    e->dst.base.init_destination = initDestination;
    e->dst.base.empty_output_buffer = emptyOutput;
    e->dst.base.term_destination = termDestination;
    e->info.dest = &e->dst.base;

    const std::string comment = jpegParameterComment(options.parameters);
    picture.progressStart();
    struct End {
        const TPixelGraphic& p;
        ~End() { p.progressEnd(); }
    } end{picture};
    if (!encode(*e, picture, resolution == ColourResolution::Grey256, comment))
        throw EPGJPGFileFormatReaderWriter(e->err.message);
}

} // namespace qm::image

// Parallel PNG compression under our own chunk framing (zlib only, no libpng).
#include "engine/image/png_stream_writer.h"

#include "engine/image/embedded_text.h"
#include "engine/image/image_errors.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <ostream>
#include <zlib.h>

namespace qm::image {

namespace {

void putBig32(std::vector<std::uint8_t>& v, std::uint32_t x) {
    v.push_back(static_cast<std::uint8_t>(x >> 24));
    v.push_back(static_cast<std::uint8_t>(x >> 16));
    v.push_back(static_cast<std::uint8_t>(x >> 8));
    v.push_back(static_cast<std::uint8_t>(x));
}

// Length, type, data, CRC of type and data.
std::vector<std::uint8_t> chunk(const char* type, const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> c;
    c.reserve(size + 12);
    putBig32(c, static_cast<std::uint32_t>(size));
    c.insert(c.end(), type, type + 4);
    if (size > 0) c.insert(c.end(), data, data + size);
    const uLong crc = crc32(0, c.data() + 4, static_cast<uInt>(size + 4));
    putBig32(c, static_cast<std::uint32_t>(crc));
    return c;
}

void writeBytes(std::ostream& out, const std::vector<std::uint8_t>& bytes) {
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) throw EPGPNGFileFormatReaderWriter("Write error");
}

void writeChunk(std::ostream& out, const char* type, const std::string& data) {
    writeBytes(out, chunk(type, reinterpret_cast<const std::uint8_t*>(data.data()), data.size()));
}

// zlib's header for a 32 KiB window at the fastest level: 0x78 0x01 (a multiple of 31).
constexpr std::uint8_t kZlibHeader[2] = {0x78, 0x01};

// Filter type 2 (Up): each byte minus the byte above it.
constexpr std::uint8_t kFilterUp = 2;

// Adler-32 of the bytes, continuing from `adler`: the same sums as zlib's adler32 taken 32 bytes
// at a time (s2 grows by 32·s1 plus the bytes weighted 32 … 1), which compilers vectorise. The
// sums are reduced every 5440 bytes, before s2 could pass 2^32.
std::uint32_t adler32Of(std::uint32_t adler, const std::uint8_t* p, std::size_t n) {
    constexpr std::uint32_t kBase = 65521;
    constexpr std::size_t kChunk = 32, kChunksPerReduction = 170;
    std::uint32_t s1 = adler & 0xFFFFu, s2 = adler >> 16;
    while (n >= kChunk) {
        std::size_t chunks = std::min(n / kChunk, kChunksPerReduction);
        n -= chunks * kChunk;
        for (; chunks > 0; --chunks, p += kChunk) {
            std::uint32_t sum = 0, weighted = 0;
            for (std::size_t i = 0; i < kChunk; ++i) {
                sum += p[i];
                weighted += static_cast<std::uint32_t>(kChunk - i) * p[i];
            }
            s2 += static_cast<std::uint32_t>(kChunk) * s1 + weighted;
            s1 += sum;
        }
        s1 %= kBase;
        s2 %= kBase;
    }
    for (; n > 0; --n) {
        s1 += *p++;
        s2 += s1;
    }
    return (s2 % kBase) << 16 | (s1 % kBase);
}

class Deflater {
public:
    Deflater() {
        if (deflateInit2(&z_, PngStreamWriter::kLevel, Z_DEFLATED, -15, 8, Z_RLE) != Z_OK)
            throw EPGPNGFileFormatReaderWriter("deflateInit failed");
    }
    ~Deflater() { deflateEnd(&z_); }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    // Appends the raw deflate data of `in` to out: ends byte-aligned with a full flush, or with
    // the final block.
    void run(const std::uint8_t* in, std::size_t size, bool last, PngStreamWriter::Bytes& out) {
        deflateReset(&z_);
        z_.next_in = const_cast<Bytef*>(in);
        z_.avail_in = static_cast<uInt>(size);
        const int flush = last ? Z_FINISH : Z_FULL_FLUSH;
        std::size_t room = deflateBound(&z_, static_cast<uLong>(size)) + 16;
        for (;;) {
            const std::size_t used = out.size();
            z_.next_out = out.grow(room);
            z_.avail_out = static_cast<uInt>(room);
            const int rc = deflate(&z_, flush);
            out.resize(used + room - z_.avail_out);
            if (rc == Z_STREAM_ERROR) throw EPGPNGFileFormatReaderWriter("deflate failed");
            if (last ? rc == Z_STREAM_END : (z_.avail_in == 0 && z_.avail_out > 0)) break;
            room = 4096;
        }
    }

private:
    z_stream z_{};
};

} // namespace

PngStreamWriter::PngStreamWriter(std::ostream& out, int width, int height, const StreamTexts& texts,
                                 int threads)
    : out_(out), width_(static_cast<std::size_t>(width)), rowBytes_(width_ * 3), height_(height) {
    rowsPerBlock_ = static_cast<int>(std::max<std::size_t>(1, kBlockBytes / (rowBytes_ + 1)));
    above_.assign(width_, 0);
    packed_.resize(width_);

    static constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    out_.write(reinterpret_cast<const char*>(kSignature), 8);
    std::vector<std::uint8_t> ihdr;
    putBig32(ihdr, static_cast<std::uint32_t>(width));
    putBig32(ihdr, static_cast<std::uint32_t>(height));
    ihdr.insert(ihdr.end(),
                {8, 2, 0, 0, 0}); // 8 bits, RGB, deflate, adaptive filters, no interlace
    writeBytes(out_, chunk("IHDR", ihdr.data(), ihdr.size()));
    for (const auto& [type, data] : pngParameterChunks(texts.parameters))
        writeChunk(out_, type.c_str(), data);
    for (const auto& [keyword, text] : texts.notes) {
        std::string data = keyword;
        data.push_back('\0');
        data += text;
        writeChunk(out_, "tEXt", data);
    }

    if (threads <= 0) threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    // Two blocks per thread keep every thread busy; the cap keeps a many-core machine's blocks
    // (about 2.5 MB each with their output) within 80 MB.
    maxInFlight_ = static_cast<std::size_t>(std::min(2 * threads + 2, 32));
    if (threads > 1)
        for (int t = 0; t < threads; ++t)
            workers_.emplace_back([this] { work(); });
}

PngStreamWriter::~PngStreamWriter() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    work_.notify_all();
    for (auto& t : workers_)
        t.join();
}

void PngStreamWriter::writeRow(const std::uint8_t* rgb) {
    for (std::size_t x = 0; x < width_; ++x, rgb += 3)
        packed_[x] = makeColour(rgb[0], rgb[1], rgb[2]);
    writePixels(packed_.data());
}

void PngStreamWriter::writePixels(const ColourValue* pixels) {
    if (rows_ == height_) throw EPGPNGFileFormatReaderWriter("More rows than the picture has");
    if (!filling_) {
        {
            std::lock_guard lock(mutex_);
            if (!spare_.empty()) {
                filling_ = std::move(spare_.back());
                spare_.pop_back();
            }
        }
        if (!filling_) filling_ = std::make_unique<Block>();
        filling_->first = rows_ == 0;
        filling_->done = false;
        filling_->pixels.clear();
        filling_->pixels.append(above_.data(), width_);
    }
    filling_->pixels.append(pixels, width_);
    ++rows_;
    const std::size_t rowsHeld = filling_->pixels.size() / width_ - 1;
    if (rows_ == height_ || rowsHeld == static_cast<std::size_t>(rowsPerBlock_))
        submit(rows_ == height_);
}

void PngStreamWriter::submit(bool last) {
    filling_->last = last;
    std::copy_n(filling_->pixels.data() + filling_->pixels.size() - width_, width_, above_.begin());
    Block* block = filling_.get();
    if (workers_.empty()) {
        compress(*block);
        block->done = true;
        std::lock_guard lock(mutex_);
        inOrder_.push_back(std::move(filling_));
    } else {
        {
            std::lock_guard lock(mutex_);
            inOrder_.push_back(std::move(filling_));
            todo_.push_back(block);
        }
        work_.notify_one();
    }
    writeFinished(false);
}

// Writes the finished blocks at the front; waits for the front block while too many are in
// flight (or for all of them when `wait`).
void PngStreamWriter::writeFinished(bool wait) {
    for (;;) {
        std::unique_ptr<Block> front;
        {
            std::unique_lock lock(mutex_);
            if (inOrder_.empty()) return;
            const bool mustWait = wait || inOrder_.size() > maxInFlight_;
            doneCv_.wait(lock, [&] { return inOrder_.front()->done || failure_ || !mustWait; });
            if (failure_) std::rethrow_exception(failure_);
            if (!inOrder_.front()->done) return;
            front = std::move(inOrder_.front());
            inOrder_.pop_front();
        }
        out_.write(reinterpret_cast<const char*>(front->idat.data()),
                   static_cast<std::streamsize>(front->idat.size()));
        if (!out_) throw EPGPNGFileFormatReaderWriter("Write error");
        adler_ = adler32_combine(adler_, front->adler, static_cast<z_off_t>(front->filteredBytes));
        std::lock_guard lock(mutex_);
        spare_.push_back(std::move(front));
    }
}

void PngStreamWriter::compress(Block& block) const {
    const std::size_t rows = block.pixels.size() / width_ - 1;
    thread_local Bytes filtered;
    filtered.clear();
    // One spare byte: each pixel is stored as a whole 32-bit word, the next pixel overwriting
    // its fourth byte.
    std::uint8_t* out = filtered.grow(rows * (rowBytes_ + 1) + 1);
    // The colour values become RGB bytes and are filtered in one pass. The bytes of a colour
    // value in memory are red, green, blue, 0 on a little-endian machine, and the four byte
    // differences of a pixel come from one word subtraction that keeps borrows inside bytes.
    constexpr std::uint32_t kHigh = 0x80808080u;
    for (std::size_t r = 0; r < rows; ++r) {
        const ColourValue* above = block.pixels.data() + r * width_;
        const ColourValue* row = above + width_;
        *out++ = kFilterUp;
        for (std::size_t x = 0; x < width_; ++x, out += 3) {
            const ColourValue c = row[x], a = above[x];
            if constexpr (std::endian::native == std::endian::little) {
                const std::uint32_t d = ((c | kHigh) - (a & ~kHigh)) ^ ((c ^ ~a) & kHigh);
                std::memcpy(out, &d, 4);
            } else {
                out[0] = static_cast<std::uint8_t>(c - a);
                out[1] = static_cast<std::uint8_t>((c >> 8) - (a >> 8));
                out[2] = static_cast<std::uint8_t>((c >> 16) - (a >> 16));
            }
        }
    }
    filtered.resize(rows * (rowBytes_ + 1));
    block.filteredBytes = filtered.size();
    block.adler = adler32Of(1, filtered.data(), filtered.size());

    // One IDAT chunk per block: length and type first, the CRC once the data is known.
    Bytes& c = block.idat;
    c.clear();
    static constexpr std::uint8_t kType[8] = {0, 0, 0, 0, 'I', 'D', 'A', 'T'};
    c.append(kType, 8);
    if (block.first) c.append(kZlibHeader, 2);
    thread_local Deflater deflater;
    deflater.run(filtered.data(), filtered.size(), block.last, c);
    const std::size_t size = c.size() - 8;
    std::uint8_t* head = c.data();
    head[0] = static_cast<std::uint8_t>(size >> 24);
    head[1] = static_cast<std::uint8_t>(size >> 16);
    head[2] = static_cast<std::uint8_t>(size >> 8);
    head[3] = static_cast<std::uint8_t>(size);
    const auto crc =
        static_cast<std::uint32_t>(crc32(0, c.data() + 4, static_cast<uInt>(size + 4)));
    const std::uint8_t tail[4] = {
        static_cast<std::uint8_t>(crc >> 24), static_cast<std::uint8_t>(crc >> 16),
        static_cast<std::uint8_t>(crc >> 8), static_cast<std::uint8_t>(crc)};
    c.append(tail, 4);
}

void PngStreamWriter::work() {
    for (;;) {
        Block* block = nullptr;
        {
            std::unique_lock lock(mutex_);
            work_.wait(lock, [&] { return closing_ || !todo_.empty(); });
            if (closing_) return;
            block = todo_.front();
            todo_.pop_front();
        }
        // The block stays owned by inOrder_ until it is done: the writing thread only removes
        // done blocks, and the destructor joins the workers before the blocks go.
        try {
            compress(*block);
            std::lock_guard lock(mutex_);
            block->done = true;
        } catch (...) {
            std::lock_guard lock(mutex_);
            if (!failure_) failure_ = std::current_exception();
        }
        doneCv_.notify_all();
    }
}

void PngStreamWriter::finish() {
    if (finished_) return;
    if (rows_ != height_) throw EPGPNGFileFormatReaderWriter("Fewer rows than the picture has");
    writeFinished(true);
    // The zlib trailer in an IDAT of its own: the combined checksum is known only now.
    std::vector<std::uint8_t> trailer;
    putBig32(trailer, static_cast<std::uint32_t>(adler_));
    writeBytes(out_, chunk("IDAT", trailer.data(), trailer.size()));
    writeBytes(out_, chunk("IEND", nullptr, 0));
    out_.flush();
    if (!out_) throw EPGPNGFileFormatReaderWriter("Write error");
    finished_ = true;
}

} // namespace qm::image

// A streamed 8-bit RGB PNG writer that compresses on several threads: the rows are cut into
// blocks, each block is filtered (Up) and deflated on its own by a worker, and the blocks are
// written in order as IDAT chunks of one zlib stream (independent deflate blocks joined by full
// flushes, the checksum combined from the blocks' checksums).
#pragma once

#include "engine/image/stream_writers.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

namespace qm::image {

class PngStreamWriter final : public RowSink {
public:
    // threads: compression workers (0: one per core; 1: compresses on the caller's thread).
    PngStreamWriter(std::ostream& out, int width, int height, const StreamTexts& texts,
                    int threads);
    ~PngStreamWriter() override;
    PngStreamWriter(const PngStreamWriter&) = delete;
    PngStreamWriter& operator=(const PngStreamWriter&) = delete;

    void writeRow(const std::uint8_t* rgb) override;
    void writePixels(const ColourValue* pixels) override;
    void finish() override;

    // zlib level (with the run-length strategy: Up-filtered fractal rows are mostly runs of
    // zeros) and the filtered bytes per block: fast settings; fractal pictures compress well.
    static constexpr int kLevel = 1;
    static constexpr std::size_t kBlockBytes = 1024 * 1024;

    // A growable array that is not cleared when it grows: blocks are recycled, so the buffers
    // of a long render are allocated (and their pages touched) only once.
    template <typename T> class Buffer {
    public:
        T* data() { return data_.get(); }
        std::size_t size() const { return size_; }
        void clear() { size_ = 0; }
        // Room for n more items at the end; their values are unspecified.
        T* grow(std::size_t n) {
            if (size_ + n > capacity_) {
                const std::size_t capacity = std::max(size_ + n, capacity_ * 2);
                auto bigger = std::make_unique_for_overwrite<T[]>(capacity);
                std::copy_n(data_.get(), size_, bigger.get());
                data_ = std::move(bigger);
                capacity_ = capacity;
            }
            return data_.get() + size_;
        }
        void append(const T* items, std::size_t n) {
            std::copy_n(items, n, grow(n));
            size_ += n;
        }
        void resize(std::size_t n) { size_ = n; } // n <= size() + what grow() gave

    private:
        std::unique_ptr<T[]> data_;
        std::size_t size_ = 0;
        std::size_t capacity_ = 0;
    };
    using Bytes = Buffer<std::uint8_t>;

private:
    struct Block {
        bool first = false;         // carries the zlib header
        bool last = false;          // ends the deflate stream
        Buffer<ColourValue> pixels; // the row above the block (or black), then its rows
        Bytes idat;                 // the finished IDAT chunk
        unsigned long adler = 1;    // adler32 of the filtered bytes
        std::size_t filteredBytes = 0;
        bool done = false;
    };

    void submit(bool last);
    void writeFinished(bool wait);
    void compress(Block& block) const;
    void work();

    std::ostream& out_;
    std::size_t width_;
    std::size_t rowBytes_;
    int height_;
    int rowsPerBlock_;
    int rows_ = 0;
    std::vector<ColourValue> above_;  // the last row of the previous block
    std::vector<ColourValue> packed_; // writeRow's row as colour values
    std::unique_ptr<Block> filling_;
    unsigned long adler_ = 1; // of all filtered bytes written so far
    bool finished_ = false;

    // Guarded by mutex_: blocks in file order from submission until written (owned here),
    // those not yet taken by a worker, and the first worker failure. Workers fill a block's
    // idat, adler and done; the writing thread reads them after seeing done under the mutex.
    std::mutex mutex_;
    std::condition_variable work_;
    std::condition_variable doneCv_;
    std::deque<std::unique_ptr<Block>> inOrder_;
    std::deque<Block*> todo_;
    std::vector<std::unique_ptr<Block>> spare_; // written blocks, for reuse
    std::exception_ptr failure_;
    bool closing_ = false;
    std::size_t maxInFlight_ = 1;
    std::vector<std::thread> workers_;
};

} // namespace qm::image

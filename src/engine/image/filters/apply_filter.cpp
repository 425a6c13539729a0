// The picture's filter operation, its palette shortcut and its row pipeline.
#include "engine/image/filters/apply_filter.h"

#include "engine/image/filters/filter_errors.h"
#include "engine/image/filters/pg_filter.h"
#include "engine/image/pixel_graphic.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace qm::image {

namespace {

// Point filters on palette pictures change the palette, not the pixels.
void filterPalette(TPixelGraphic& destination, const TPGFilter& filter,
                   const TPixelGraphic& source) {
    if (&source != &destination) {
        std::vector<ColourValue> palette = source.palette();
        destination.setPalette(palette);
        if (source.pixelFormat() == destination.pixelFormat()) {
            const size_t bytes = static_cast<size_t>(source.rowBytes());
            for (int y = 0; y < source.height(); ++y)
                std::memcpy(destination.scanLine(y), source.scanLine(y), bytes);
        } else {
            for (int y = 0; y < source.height(); ++y)
                for (int x = 0; x < source.width(); ++x)
                    destination.setPixelIndex(x, y, source.pixelIndex(x, y));
        }
    }
    std::vector<ColourValue> palette = destination.palette();
    for (ColourValue& c : palette)
        c = filter.FilterColor(c);
    destination.setPalette(palette);
    destination.Changed();
}

// Writes one filtered row into the destination in the operation's pixel order: even rows
// left to right, odd rows right to left.
void storeRow(TPixelGraphic& destination, int y, const ColourValue* row) {
    const int width = destination.width();
    if (destination.pixelFormat() == PixelFormat::Bits24) {
        std::uint8_t* p = destination.scanLine(y);
        for (int x = 0; x < width; ++x, p += 3) {
            p[0] = redOf(row[x]);
            p[1] = greenOf(row[x]);
            p[2] = blueOf(row[x]);
        }
        return;
    }
    if (y % 2 == 0) {
        for (int x = 0; x < width; ++x)
            destination.SetPixel(x, y, row[x]);
    } else {
        for (int x = width - 1; x >= 0; --x)
            destination.SetPixel(x, y, row[x]);
    }
}

// Workers compute chunks of consecutive rows into a ring of row buffers, at most `windowChunks`
// chunks ahead of the chunk the calling thread stores from. Chunks keep the hand-overs few
// when rows are cheap. All shared fields are guarded by `mutex_`.
class RowPipeline {
public:
    RowPipeline(const TPGFilter& filter, int width, int height, int threads)
        : filter_(filter), width_(width), height_(height),
          chunkRows_(std::clamp(32768 / std::max(width, 1), 1, 64)),
          chunkCount_((height + chunkRows_ - 1) / chunkRows_),
          windowChunks_(std::min(chunkCount_, 2 * threads + 2)),
          buffers_(static_cast<size_t>(windowChunks_) * static_cast<size_t>(chunkRows_) *
                   static_cast<size_t>(width)),
          slotChunk_(static_cast<size_t>(windowChunks_), -1),
          slotValidRows_(static_cast<size_t>(windowChunks_), 0) {
        workers_.reserve(static_cast<size_t>(threads));
        for (int i = 0; i < threads; ++i)
            workers_.emplace_back([this] { work(); });
    }

    ~RowPipeline() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        slotFree_.notify_all();
        for (std::thread& t : workers_)
            t.join();
    }

    RowPipeline(const RowPipeline&) = delete;
    RowPipeline& operator=(const RowPipeline&) = delete;

    // Waits for row y (rows are asked for in order) and returns its colours; raises the error
    // of the row's computation if it failed.
    const ColourValue* waitForRow(int y) {
        const int chunk = y / chunkRows_;
        const size_t s = slot(chunk);
        std::unique_lock lock(mutex_);
        rowDone_.wait(lock, [&] { return slotChunk_[s] == chunk; });
        if (y - chunk * chunkRows_ >= slotValidRows_[s]) std::rethrow_exception(error_);
        return rowBuffer(y);
    }

    // Row y is stored; after a chunk's last row its buffers take a chunk further on.
    void release(int y) {
        if ((y + 1) % chunkRows_ != 0) return;
        {
            std::lock_guard lock(mutex_);
            storedChunks_ = (y + 1) / chunkRows_;
        }
        slotFree_.notify_all();
    }

private:
    size_t slot(int chunk) const { return static_cast<size_t>(chunk % windowChunks_); }

    ColourValue* rowBuffer(int y) {
        const int chunk = y / chunkRows_;
        const size_t row = slot(chunk) * static_cast<size_t>(chunkRows_) +
                           static_cast<size_t>(y - chunk * chunkRows_);
        return &buffers_[row * static_cast<size_t>(width_)];
    }

    void work() {
        for (;;) {
            int chunk;
            {
                std::unique_lock lock(mutex_);
                if (stop_ || nextChunk_ >= chunkCount_) return;
                chunk = nextChunk_++;
                slotFree_.wait(lock,
                               [&] { return stop_ || chunk < storedChunks_ + windowChunks_; });
                if (stop_) return;
            }
            const int first = chunk * chunkRows_;
            const int last = std::min(height_, first + chunkRows_);
            int y = first;
            std::exception_ptr failure;
            try {
                for (; y < last; ++y)
                    filter_.FilterRow(y, rowBuffer(y));
            } catch (...) {
                failure = std::current_exception();
            }
            {
                std::lock_guard lock(mutex_);
                // The calling thread raises the error when it reaches the failed row, so the
                // rows before it are stored as with one thread.
                if (failure && !error_) error_ = failure;
                slotValidRows_[slot(chunk)] = y - first;
                slotChunk_[slot(chunk)] = chunk;
            }
            rowDone_.notify_all();
        }
    }

    const TPGFilter& filter_;
    const int width_;
    const int height_;
    const int chunkRows_;
    const int chunkCount_;
    const int windowChunks_;
    std::vector<ColourValue> buffers_; // slot s: written by the one worker that took its chunk,
                                       // read by the calling thread once slotChunk_[s] says so
    std::mutex mutex_;
    std::condition_variable rowDone_;
    std::condition_variable slotFree_;
    std::vector<int> slotChunk_;     // the finished chunk each slot holds, -1 for none
    std::vector<int> slotValidRows_; // its rows computed without error
    int nextChunk_ = 0;              // next chunk a worker takes
    int storedChunks_ = 0;           // chunks the calling thread has stored completely
    bool stop_ = false;
    std::exception_ptr error_; // a row's failure, raised where the calling thread meets it
    std::vector<std::thread> workers_;
};

// Forgets the source when the operation ends, also by an error.
class FilterSession {
public:
    FilterSession(TPGFilter& filter, const TPixelGraphic& source) : filter_(filter) {
        filter_.BeginFilter(source);
    }
    ~FilterSession() { filter_.EndFilter(); }
    FilterSession(const FilterSession&) = delete;
    FilterSession& operator=(const FilterSession&) = delete;

private:
    TPGFilter& filter_;
};

int threadCount(int requested, int height) {
    int n = requested > 0 ? requested : static_cast<int>(std::thread::hardware_concurrency());
    return std::clamp(n, 1, std::min(height, 64));
}

} // namespace

void applyFilter(TPixelGraphic& destination, TPGFilter& filter, const TPixelGraphic& source,
                 int threads) {
    const bool sameTarget = &source == &destination;
    if (sameTarget && !filter.IsPointFilter()) throw EPGFilterSourceIsTarget();
    if (!sameTarget)
        destination.SetSize(source.width(), source.height(), destination.pixelFormat());
    if (destination.empty()) return;

    if (filter.IsPointFilter() && destination.pixelFormat() != PixelFormat::Bits24 &&
        bitsPerPixel(destination.pixelFormat()) >= bitsPerPixel(source.pixelFormat())) {
        filterPalette(destination, filter, source);
        return;
    }

    const int width = destination.width();
    const int height = destination.height();
    {
        FilterSession session(filter, source);
        destination.progressStart();
        const int workers = threadCount(threads, height);
        if (workers == 1) {
            std::vector<ColourValue> row(static_cast<size_t>(width));
            for (int y = 0; y < height; ++y) {
                filter.FilterRow(y, row.data());
                storeRow(destination, y, row.data());
                if (destination.progress(y, height - 1)) break;
            }
        } else {
            RowPipeline pipeline(filter, width, height, workers);
            for (int y = 0; y < height; ++y) {
                storeRow(destination, y, pipeline.waitForRow(y));
                pipeline.release(y);
                if (destination.progress(y, height - 1)) break;
            }
        }
        destination.progressEnd();
    }
    destination.Changed();
}

} // namespace qm::image

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

// Workers compute rows into a ring of row buffers, at most `window` rows ahead of the row the
// calling thread stores next. All shared fields are guarded by `mutex`.
class RowPipeline {
public:
    RowPipeline(const TPGFilter& filter, int width, int height, int threads)
        : filter_(filter), width_(width), height_(height),
          window_(std::min(height, std::max(64, 8 * threads))),
          buffers_(static_cast<size_t>(window_) * static_cast<size_t>(width)),
          slotRow_(static_cast<size_t>(window_), -1) {
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

    // Waits for row y (rows are taken in order) and returns its colours.
    const ColourValue* waitForRow(int y) {
        std::unique_lock lock(mutex_);
        rowDone_.wait(lock, [&] { return slotRow_[slot(y)] == y || errorRow_ == y; });
        if (errorRow_ == y) std::rethrow_exception(error_);
        return &buffers_[slot(y) * static_cast<size_t>(width_)];
    }

    // Row y is stored: its buffer may take the row `window` further on.
    void release(int y) {
        {
            std::lock_guard lock(mutex_);
            stored_ = y + 1;
        }
        slotFree_.notify_all();
    }

private:
    size_t slot(int y) const { return static_cast<size_t>(y % window_); }

    void work() {
        for (;;) {
            int y;
            {
                std::unique_lock lock(mutex_);
                if (stop_ || next_ >= height_) return;
                y = next_++;
                slotFree_.wait(lock, [&] { return stop_ || y < stored_ + window_; });
                if (stop_) return;
            }
            try {
                filter_.FilterRow(y, &buffers_[slot(y) * static_cast<size_t>(width_)]);
            } catch (...) {
                // The calling thread raises it when it reaches this row, so the rows before
                // it are stored as with one thread.
                {
                    std::lock_guard lock(mutex_);
                    if (errorRow_ < 0 || y < errorRow_) {
                        errorRow_ = y;
                        error_ = std::current_exception();
                    }
                }
                rowDone_.notify_all();
                continue;
            }
            {
                std::lock_guard lock(mutex_);
                slotRow_[slot(y)] = y;
            }
            rowDone_.notify_all();
        }
    }

    const TPGFilter& filter_;
    const int width_;
    const int height_;
    const int window_;
    std::vector<ColourValue> buffers_; // row slot s: written by one worker, then read by the
                                       // calling thread after slotRow_[s] says it is complete
    std::mutex mutex_;
    std::condition_variable rowDone_;
    std::condition_variable slotFree_;
    std::vector<int> slotRow_; // the complete row each slot holds, -1 for none
    int next_ = 0;             // next row a worker takes
    int stored_ = 0;           // rows the calling thread has stored
    bool stop_ = false;
    int errorRow_ = -1;        // the first row whose computation failed (-1: none) ...
    std::exception_ptr error_; // ... and its error
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

// RenderJob: one render of a picture on a pool of worker threads. Workers fill row buffers
// only; whoever owns the picture takes the finished rows and copies them in.
#pragma once

#include "engine/core/colour.h"
#include "engine/fractal/colour_formula.h"
#include "engine/fractal/row_renderer.h"
#include "engine/shared/shared_colour_data.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace qm::image {
class TPixelGraphic;
}

namespace qm::fractal {

// A finished row: 0-based row index, its pixels, and how long it took (the speedometer's
// sample, in milliseconds).
struct RenderRow {
    int y = 0;
    std::vector<ColourValue> pixels;
    double millis = 0.0;
};

struct RenderProgress {
    int rowsDone = 0; // rows finished by the workers
    int rowsTotal = 0;
    std::int64_t pixelsDone = 0; // T of the render so far
    std::int64_t pixelsTotal = 0;
    // Trunc(T / (W*H) * 100), the caption's percentage.
    int percent() const;
};

struct RenderOptions {
    int threads = 0; // 0: one per core
    // Seeds of the workers' generators ("?" and the random functions) are drawn from this.
    std::uint32_t randomSeed = 0;
    // Each picture pixel is the per-channel mean (rounded half up) of the supersample x
    // supersample block of the same view rendered at supersample times the width and height.
    // The larger render is never held: a worker renders and averages one block row at a time.
    int supersample = 1;
    // Only picture rows [firstRow, firstRow + rowCount) are rendered (rowCount < 0: to the
    // bottom); they are the same rows as in the whole picture.
    int firstRow = 0;
    int rowCount = -1;
    // Rows are handed out in row order, and no worker starts a row more than a few rows ahead
    // of the last row taken, so a consumer that writes rows in order holds only that window.
    bool ordered = false;
    // Kept for recolouring when the job renders the whole picture without supersampling and
    // the picture is small enough (KernelResults::prepare); otherwise left cleared.
    KernelResults* keepResults = nullptr;
    // Polled by run() while it waits for rows (every 20 ms): true stops the render, so a stop
    // is seen even in phases that finish no row (the deep path's reference orbit).
    std::function<bool()> stopWhen{};
};

inline constexpr int kMaxSupersample = 8;

class RenderJob {
public:
    // Takes its snapshot of the parameters now (after fixformulas) and compiles the formulas
    // (compile errors and ERenderParameters are thrown here, before any thread starts).
    // `bailout` is read for every pixel and may change during the render; `shared` provides
    // the gradient and plasma snapshots taken at the start of each row. Both must outlive the
    // job.
    RenderJob(const FractalParams& params, int width, int height, const SharedColourData& shared,
              const std::atomic<std::int32_t>& bailout, const FormulaCompiler& compiler,
              const RenderOptions& options = {});
    ~RenderJob(); // stops and joins
    RenderJob(const RenderJob&) = delete;
    RenderJob& operator=(const RenderJob&) = delete;

    // Called on a worker thread when rows become ready and nobody has been told since the last
    // takeRows(); set before start().
    void setRowsReadyNotifier(std::function<void()> notifier) { notifier_ = std::move(notifier); }

    void start();
    // Honoured before each row (and within a row: an unfinished row is dropped).
    void requestStop();
    bool stopRequested() const { return stop_.load(std::memory_order_relaxed); }
    // All workers have ended (finished, stopped or failed).
    bool isFinished() const;
    void waitFinished();
    // Moves out the rows finished since the last call, in the order they were finished.
    std::vector<RenderRow> takeRows();
    RenderProgress progress() const;
    // The settings of the rendered grid: supersample times the picture's width and height.
    const RenderSettings& settings() const { return settings_; }
    int threadCount() const { return static_cast<int>(renderers_.size()); }
    int pictureWidth() const { return pictureWidth_; }
    int pictureHeight() const { return pictureHeight_; }
    int firstRow() const { return firstRow_; }
    int endRow() const { return endRow_; } // one past the last row rendered

    // Runs the whole render on the calling thread's behalf: starts the workers and hands every
    // finished row to onRow on this thread. Rethrows a worker's failure.
    void run(const std::function<void(const RenderRow&)>& onRow);

private:
    void work(int worker);
    // Renders picture row y into pixels (averaging the supersample rows); false when stopped.
    bool renderRow(RowRenderer& renderer, int y, ColourValue* pixels,
                   std::vector<ColourValue>& samples, std::vector<std::uint64_t>& sums);
    // Adds a finished row to the queue (ordered: in row order); called with mutex_ held.
    void queueRow(RenderRow&& row);

    RenderSettings settings_;
    int pictureWidth_ = 0;
    int pictureHeight_ = 0;
    int supersample_ = 1;
    int firstRow_ = 0;
    int endRow_ = 0;
    bool ordered_ = false;
    const SharedColourData& shared_;
    const std::atomic<std::int32_t>& bailout_;
    std::vector<std::unique_ptr<RowRenderer>> renderers_;
    std::vector<std::thread> workers_;
    std::function<void()> notifier_;
    std::function<bool()> stopWhen_;

    // Written by workers, read by anyone: plain counters, no ordering needed.
    std::atomic<int> nextRow_{0};
    std::atomic<int> rowsDone_{0};
    std::atomic<bool> stop_{false};
    std::atomic<bool> notified_{false};

    // Guarded by mutex_: the finished rows not yet taken, the number of running workers, the
    // first failure. Workers wait on spaceFree_ while too many rows are pending, so a picture
    // larger than memory's patience never piles up in the queue.
    mutable std::mutex mutex_;
    std::condition_variable rowsReady_;
    std::condition_variable spaceFree_;
    std::deque<RenderRow> pending_;
    std::map<int, RenderRow> early_; // ordered: rows finished ahead of nextInOrder_
    int nextInOrder_ = 0;            // ordered: the next row pending_ takes
    int taken_ = 0;                  // ordered: rows moved out by takeRows()
    std::size_t pendingLimit_ = 0;
    std::size_t wakeBatch_ = 1; // rows that wake the owner waiting in run()
    int running_ = 0;
    std::exception_ptr failure_;
    bool started_ = false;
};

// The picture half of `resizeit`: keep false gives a blank width x height 24-bit picture; keep
// true scales a copy of the old picture into the new size.
void resizeit(image::TPixelGraphic& picture, int width, int height, bool keep);

// Renders into picture (resized to the job's picture size when its size differs), calling
// onRow for each copied row on this thread. Returns false when stopped.
bool renderToPicture(RenderJob& job, image::TPixelGraphic& picture,
                     const std::function<void(const RenderRow&)>& onRow = {});

} // namespace qm::fractal

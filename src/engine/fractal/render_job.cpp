// The worker pool of a render: rows handed out in order from an atomic counter, finished rows
// queued for the owner of the picture.
#include "engine/fractal/render_job.h"

#include "engine/core/arith.h"
#include "engine/image/pixel_graphic.h"

#include <algorithm>
#include <chrono>

namespace qm::fractal {

int RenderProgress::percent() const {
    if (pixelsTotal <= 0) return 0;
    return static_cast<int>(static_cast<double>(pixelsDone) / static_cast<double>(pixelsTotal) *
                            100.0);
}

RenderJob::RenderJob(const FractalParams& params, int width, int height,
                     const SharedColourData& shared, const std::atomic<std::int32_t>& bailout,
                     const FormulaCompiler& compiler, const RenderOptions& options)
    : shared_(shared), bailout_(bailout) {
    FractalParams p = params;
    fixformulas(p);
    settings_ = RenderSettings::make(p, width, height);
    int threads = options.threads > 0 ? options.threads
                                      : static_cast<int>(std::thread::hardware_concurrency());
    threads = std::clamp(threads, 1, std::max(1, height));
    RandomGenerator seeds(options.randomSeed);
    for (int t = 0; t < threads; ++t)
        renderers_.push_back(std::make_unique<RowRenderer>(settings_, compiler, seeds.step()));
    pendingLimit_ = static_cast<std::size_t>(4 * threads + 4);
    wakeBatch_ = static_cast<std::size_t>(2 * threads);
}

RenderJob::~RenderJob() {
    requestStop();
    for (auto& t : workers_)
        if (t.joinable()) t.join();
}

void RenderJob::start() {
    {
        std::lock_guard lock(mutex_);
        if (started_) return;
        started_ = true;
        running_ = static_cast<int>(renderers_.size());
    }
    for (int t = 0; t < static_cast<int>(renderers_.size()); ++t)
        workers_.emplace_back([this, t] { work(t); });
}

void RenderJob::requestStop() {
    stop_.store(true, std::memory_order_relaxed);
    std::lock_guard lock(mutex_);
    spaceFree_.notify_all();
    rowsReady_.notify_all();
}

bool RenderJob::isFinished() const {
    std::lock_guard lock(mutex_);
    return started_ && running_ == 0;
}

void RenderJob::waitFinished() {
    std::unique_lock lock(mutex_);
    // Rows nobody takes must not block the workers: waiting here drains nothing, so release
    // the queue bound.
    pendingLimit_ = static_cast<std::size_t>(-1);
    spaceFree_.notify_all();
    rowsReady_.wait(lock, [&] { return !started_ || running_ == 0; });
}

std::vector<RenderRow> RenderJob::takeRows() {
    std::vector<RenderRow> rows;
    {
        std::lock_guard lock(mutex_);
        rows.reserve(pending_.size());
        for (auto& r : pending_)
            rows.push_back(std::move(r));
        pending_.clear();
        notified_.store(false, std::memory_order_relaxed);
    }
    spaceFree_.notify_all();
    return rows;
}

RenderProgress RenderJob::progress() const {
    RenderProgress p;
    p.rowsDone = rowsDone_.load(std::memory_order_relaxed);
    p.rowsTotal = settings_.height;
    p.pixelsDone = static_cast<std::int64_t>(p.rowsDone) * settings_.width;
    p.pixelsTotal = static_cast<std::int64_t>(settings_.height) * settings_.width;
    return p;
}

void RenderJob::work(int worker) {
    RowRenderer& renderer = *renderers_[static_cast<std::size_t>(worker)];
    const auto width = static_cast<std::size_t>(settings_.width);
    try {
        for (;;) {
            if (stop_.load(std::memory_order_relaxed)) break;
            const int y = nextRow_.fetch_add(1, std::memory_order_relaxed);
            if (y >= settings_.height) break;
            const auto start = std::chrono::steady_clock::now();
            // Snapshots per row: a gradient or plasma change reaches the rows started after it.
            const auto gradient = shared_.gradientTable();
            const auto plasma = settings_.needPlasma ? shared_.plasmaBuffer() : nullptr;
            RenderRow row;
            row.y = y;
            row.pixels.resize(width);
            if (!renderer.render(y, *gradient, plasma.get(), bailout_, row.pixels.data(), &stop_))
                break;
            row.millis =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count();
            bool tell = false;
            bool wake = false;
            {
                std::unique_lock lock(mutex_);
                spaceFree_.wait(lock, [&] {
                    return pending_.size() < pendingLimit_ || stop_.load(std::memory_order_relaxed);
                });
                pending_.push_back(std::move(row));
                rowsDone_.fetch_add(1, std::memory_order_relaxed);
                tell = !notified_.exchange(true, std::memory_order_relaxed);
                // The owner waiting in run() is woken for a batch of rows, not for every row:
                // a wake-up per row costs the workers a context switch each.
                wake = pending_.size() == wakeBatch_;
            }
            if (wake) rowsReady_.notify_all();
            if (tell && notifier_) notifier_();
        }
    } catch (...) {
        std::lock_guard lock(mutex_);
        if (!failure_) failure_ = std::current_exception();
        stop_.store(true, std::memory_order_relaxed);
    }
    {
        std::lock_guard lock(mutex_);
        --running_;
    }
    rowsReady_.notify_all();
    if (notifier_) notifier_();
}

void RenderJob::run(const std::function<void(const RenderRow&)>& onRow) {
    start();
    for (;;) {
        bool finished = false;
        {
            std::unique_lock lock(mutex_);
            // The time limit keeps rows flowing to the caller when fewer than a batch arrive.
            rowsReady_.wait_for(lock, std::chrono::milliseconds(20),
                                [&] { return pending_.size() >= wakeBatch_ || running_ == 0; });
            finished = running_ == 0;
        }
        for (const auto& row : takeRows())
            if (onRow) onRow(row);
        if (finished) break;
    }
    for (auto& t : workers_)
        if (t.joinable()) t.join();
    std::exception_ptr failure;
    {
        std::lock_guard lock(mutex_);
        failure = failure_;
    }
    if (failure) std::rethrow_exception(failure);
}

void resizeit(image::TPixelGraphic& picture, int width, int height, bool keep) {
    if (!keep) {
        picture.SetSize(width, height, image::PixelFormat::Bits24);
        return;
    }
    const image::TPixelGraphic copy(picture);
    picture.SetSize(width, height, image::PixelFormat::Bits24);
    picture.StretchFrom(copy);
    picture.Changed();
}

bool renderToPicture(RenderJob& job, image::TPixelGraphic& picture,
                     const std::function<void(const RenderRow&)>& onRow) {
    const RenderSettings& s = job.settings();
    if (picture.width() != s.width || picture.height() != s.height ||
        picture.pixelFormat() != image::PixelFormat::Bits24)
        picture.SetSize(s.width, s.height, image::PixelFormat::Bits24);
    job.run([&](const RenderRow& row) {
        std::uint8_t* line = picture.scanLine(row.y);
        for (const ColourValue c : row.pixels) {
            *line++ = redOf(c);
            *line++ = greenOf(c);
            *line++ = blueOf(c);
        }
        if (onRow) onRow(row);
    });
    picture.Changed();
    return !job.stopRequested() && job.progress().rowsDone == s.height;
}

} // namespace qm::fractal

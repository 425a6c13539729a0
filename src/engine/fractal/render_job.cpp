// The worker pool of a render: rows handed out in order from an atomic counter, finished rows
// queued for the owner of the picture.
#include "engine/fractal/render_job.h"

#include "engine/core/arith.h"
#include "engine/fractal/recolour.h"
#include "engine/image/pixel_graphic.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <string>

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
    if (options.supersample < 1 || options.supersample > kMaxSupersample)
        throw ERenderParameters("Supersampling must be from 1 to " +
                                std::to_string(kMaxSupersample));
    FractalParams p = params;
    fixformulas(p);
    supersample_ = options.supersample;
    // The sizes are checked before they are multiplied.
    validateForRender(p, width, height);
    if (width > std::numeric_limits<int>::max() / supersample_ ||
        height > std::numeric_limits<int>::max() / supersample_)
        throw ERenderParameters("The picture is too large to supersample");
    settings_ = RenderSettings::make(p, width * supersample_, height * supersample_);
    // Only a render iterates, so only a render sets up the deep path (recolouring makes
    // settings too, from kept results).
    if (deep::usesDeepPath(p, settings_.width, settings_.height))
        settings_.deep = std::make_shared<deep::DeepPicture>(p, settings_.width, settings_.height);
    pictureWidth_ = width;
    pictureHeight_ = height;
    const int rows = options.rowCount < 0 ? height - options.firstRow : options.rowCount;
    if (options.firstRow < 0 || rows < 0 || rows > height - options.firstRow)
        throw ERenderParameters("Rows " + std::to_string(options.firstRow) + " to " +
                                std::to_string(options.firstRow + rows - 1) +
                                " are not rows of the picture");
    firstRow_ = options.firstRow;
    endRow_ = firstRow_ + rows;
    ordered_ = options.ordered;
    stopWhen_ = options.stopWhen;
    nextRow_.store(firstRow_, std::memory_order_relaxed);
    nextInOrder_ = firstRow_;
    int threads = options.threads > 0 ? options.threads
                                      : static_cast<int>(std::thread::hardware_concurrency());
    threads = std::clamp(threads, 1, std::max(1, rows));
    RandomGenerator seeds(options.randomSeed);
    for (int t = 0; t < threads; ++t)
        renderers_.push_back(std::make_unique<RowRenderer>(settings_, compiler, seeds.step()));
    // After the formulas compiled: a refused render leaves the kept results of the picture.
    if (options.keepResults) {
        options.keepResults->clear();
        if (supersample_ == 1 && rows == height && options.keepResults->prepare(settings_))
            settings_.keep = options.keepResults;
    }
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
        taken_ += static_cast<int>(rows.size());
        notified_.store(false, std::memory_order_relaxed);
    }
    spaceFree_.notify_all();
    return rows;
}

RenderProgress RenderJob::progress() const {
    RenderProgress p;
    p.rowsDone = rowsDone_.load(std::memory_order_relaxed);
    p.rowsTotal = endRow_ - firstRow_;
    p.pixelsDone = static_cast<std::int64_t>(p.rowsDone) * pictureWidth_;
    p.pixelsTotal = static_cast<std::int64_t>(p.rowsTotal) * pictureWidth_;
    return p;
}

bool RenderJob::renderRow(RowRenderer& renderer, int y, ColourValue* pixels,
                          std::vector<ColourValue>& samples, std::vector<std::uint64_t>& sums) {
    // Snapshots per row: a gradient or plasma change reaches the rows started after it.
    const auto gradient = shared_.gradientTable();
    const auto plasma = settings_.needPlasma ? shared_.plasmaBuffer() : nullptr;
    const int n = supersample_;
    if (n == 1) return renderer.render(y, *gradient, plasma.get(), bailout_, pixels, &stop_);

    // Each sample's channels spread 16 bits apart in one 64-bit word: sums of up to 64 samples
    // never carry into the next channel, and the sums vectorise.
    const auto spread = [](ColourValue c) {
        return (c & 0xFFu) | (std::uint64_t{c & 0xFF00u} << 8) |
               (std::uint64_t{c & 0xFF0000u} << 16);
    };
    const auto width = static_cast<std::size_t>(pictureWidth_);
    const auto columns = static_cast<std::size_t>(settings_.width);
    samples.resize(columns);
    sums.assign(columns, 0);
    for (int j = 0; j < n; ++j) {
        if (!renderer.render(y * n + j, *gradient, plasma.get(), bailout_, samples.data(), &stop_))
            return false;
        for (std::size_t k = 0; k < columns; ++k)
            sums[k] += spread(samples[k]);
    }
    // The mean of each n x n block, rounded half up.
    const auto count = static_cast<std::uint64_t>(n * n);
    const std::uint64_t* column = sums.data();
    for (std::size_t x = 0; x < width; ++x) {
        std::uint64_t sum = 0;
        for (int i = 0; i < n; ++i)
            sum += *column++;
        const auto mean = [&](int shift) {
            return static_cast<std::uint8_t>((((sum >> shift) & 0xFFFFu) + count / 2) / count);
        };
        pixels[x] = makeColour(mean(0), mean(16), mean(32));
    }
    return true;
}

void RenderJob::queueRow(RenderRow&& row) {
    if (!ordered_) {
        pending_.push_back(std::move(row));
        return;
    }
    if (row.y != nextInOrder_) {
        early_.emplace(row.y, std::move(row));
        return;
    }
    pending_.push_back(std::move(row));
    ++nextInOrder_;
    for (auto it = early_.begin(); it != early_.end() && it->first == nextInOrder_;
         it = early_.erase(it), ++nextInOrder_)
        pending_.push_back(std::move(it->second));
}

void RenderJob::work(int worker) {
    RowRenderer& renderer = *renderers_[static_cast<std::size_t>(worker)];
    const auto width = static_cast<std::size_t>(pictureWidth_);
    std::vector<ColourValue> samples;
    std::vector<std::uint64_t> sums;
    try {
        for (;;) {
            if (stop_.load(std::memory_order_relaxed)) break;
            const int y = nextRow_.fetch_add(1, std::memory_order_relaxed);
            if (y >= endRow_) break;
            if (ordered_) {
                // Rows from taken_ on are pending, waiting for an earlier row or being
                // rendered: at most pendingLimit_ of them.
                std::unique_lock lock(mutex_);
                spaceFree_.wait(lock, [&] {
                    return static_cast<std::size_t>(y - firstRow_ - taken_) < pendingLimit_ ||
                           stop_.load(std::memory_order_relaxed);
                });
                if (stop_.load(std::memory_order_relaxed)) break;
            }
            const auto start = std::chrono::steady_clock::now();
            RenderRow row;
            row.y = y;
            row.pixels.resize(width);
            if (!renderRow(renderer, y, row.pixels.data(), samples, sums)) break;
            row.millis =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count();
            bool tell = false;
            bool wake = false;
            {
                std::unique_lock lock(mutex_);
                if (!ordered_)
                    spaceFree_.wait(lock, [&] {
                        return pending_.size() < pendingLimit_ ||
                               stop_.load(std::memory_order_relaxed);
                    });
                const std::size_t before = pending_.size();
                queueRow(std::move(row));
                rowsDone_.fetch_add(1, std::memory_order_relaxed);
                if (pending_.size() > before) {
                    tell = !notified_.exchange(true, std::memory_order_relaxed);
                    // The owner waiting in run() is woken for a batch of rows, not for every
                    // row: a wake-up per row costs the workers a context switch each.
                    wake = before < wakeBatch_ && pending_.size() >= wakeBatch_;
                }
            }
            if (wake) rowsReady_.notify_all();
            if (tell && notifier_) notifier_();
        }
    } catch (...) {
        std::lock_guard lock(mutex_);
        if (!failure_) failure_ = std::current_exception();
        stop_.store(true, std::memory_order_relaxed);
        spaceFree_.notify_all();
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
        if (!finished && stopWhen_ && stopWhen_()) requestStop();
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
    const int width = job.pictureWidth(), height = job.pictureHeight();
    if (picture.width() != width || picture.height() != height ||
        picture.pixelFormat() != image::PixelFormat::Bits24)
        picture.SetSize(width, height, image::PixelFormat::Bits24);
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
    return !job.stopRequested() && job.progress().rowsDone == job.endRow() - job.firstRow();
}

} // namespace qm::fractal

// The progress bar and lines, and the interrupt flag.
#include "cli/progress.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <ostream>
#include <unistd.h>

namespace qm::cli {

bool parseProgressOption(const std::string& option, ProgressMode& mode) {
    if (option == "--progress")
        mode = ProgressMode::Lines;
    else if (option == "--quiet")
        mode = ProgressMode::Quiet;
    else
        return false;
    return true;
}

namespace {

std::string clock(double seconds) {
    const auto s = static_cast<long long>(seconds + 0.5);
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
    return text;
}

// Written by the signal handler, read by the commands' loops.
std::atomic<bool> gInterrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void onInterrupt(int) {
    gInterrupted.store(true, std::memory_order_relaxed);
}

} // namespace

ProgressMeter::ProgressMeter(std::ostream& err, ProgressMode mode, std::string label,
                             std::string unit, std::int64_t total)
    : err_(err), bar_(mode == ProgressMode::Auto && ::isatty(STDERR_FILENO) != 0),
      lines_(mode == ProgressMode::Lines), label_(std::move(label)), unit_(std::move(unit)),
      total_(total), start_(std::chrono::steady_clock::now()), lastDraw_(start_) {}

void ProgressMeter::update(std::int64_t done) {
    done_ = done;
    if (!bar_ && !lines_) return;
    const auto now = std::chrono::steady_clock::now();
    const int percent = total_ > 0 ? static_cast<int>(done_ * 100 / total_) : 100;
    const auto since = now - lastDraw_;
    if (bar_ ? (percent != shownPercent_ || since > std::chrono::milliseconds(500))
             : since > std::chrono::seconds(5)) {
        draw(false);
        lastDraw_ = now;
        shownPercent_ = percent;
    }
}

void ProgressMeter::note(const std::string& text) {
    if (text == note_) return;
    note_ = text;
    if (!bar_ && !lines_) return;
    // The same pace as the counts: a bar a few times a second, lines every few seconds.
    const auto now = std::chrono::steady_clock::now();
    if (now - lastDraw_ > (bar_ ? std::chrono::milliseconds(200) : std::chrono::seconds(5))) {
        draw(false);
        lastDraw_ = now;
    }
}

void ProgressMeter::finish() {
    if (finished_) return;
    finished_ = true;
    if (bar_ || lines_) draw(true);
}

void ProgressMeter::draw(bool last) {
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    const int percent = total_ > 0 ? static_cast<int>(done_ * 100 / total_) : 100;
    std::string left;
    if (!last && done_ > 0 && done_ < total_)
        left = ", " + clock(elapsed * static_cast<double>(total_ - done_) / done_) + " left";
    std::string count = std::to_string(done_) + "/" + std::to_string(total_) + " " + unit_;
    if (!note_.empty()) count += ", " + note_;
    if (bar_) {
        constexpr int kBar = 30;
        const int filled = percent * kBar / 100;
        err_ << "\r" << label_ << " [" << std::string(static_cast<std::size_t>(filled), '#')
             << std::string(static_cast<std::size_t>(kBar - filled), ' ') << "] " << percent << "% "
             << count << ", " << clock(elapsed) << " elapsed" << left << "\033[K"
             << (last ? "\n" : "") << std::flush;
    } else {
        err_ << label_ << ": " << percent << "% (" << count << "), " << clock(elapsed) << " elapsed"
             << left << "\n"
             << std::flush;
    }
}

void catchInterrupts() {
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART; // reads and writes carry on; the loops poll the flag
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

bool interrupted() {
    return gInterrupted.load(std::memory_order_relaxed);
}

void checkInterrupted() {
    if (interrupted()) throw Interrupted{};
}

} // namespace qm::cli

// The threaded timer: a waiting thread that hands each tick to the user-interface thread.
#include "app/shell/threaded_timer.h"

#include <QMetaObject>
#include <chrono>

namespace qm::app {

TTimerThread::~TTimerThread() {
    {
        std::lock_guard lock(mutex_);
        terminated_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void TTimerThread::setInterval(std::uint16_t ms) {
    std::lock_guard lock(mutex_);
    interval_ = ms;
}

void TTimerThread::setThreadPriority(TThreadPriority priority) {
    priority_ = priority;
}

void TTimerThread::Suspend() {
    std::lock_guard lock(mutex_);
    suspended_ = true;
}

void TTimerThread::Resume() {
    {
        std::lock_guard lock(mutex_);
        if (!suspended_) return;
        suspended_ = false;
        ++generation_;
    }
    if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
    wake_.notify_all();
}

bool TTimerThread::suspended() const {
    std::lock_guard lock(mutex_);
    return suspended_;
}

void TTimerThread::run() {
    std::unique_lock lock(mutex_);
    while (!terminated_) {
        wake_.wait(lock, [this] { return terminated_ || !suspended_; });
        if (terminated_) break;
        // Sleep one interval; a suspension or a new resume during it starts the wait over.
        const std::uint64_t generation = generation_;
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(interval_);
        const bool interrupted = wake_.wait_until(
            lock, deadline, [&] { return terminated_ || suspended_ || generation_ != generation; });
        if (interrupted) continue;
        // Hand the tick over and wait for it; the owner clears tickPending_ when it has run.
        // A destroyed owner discards the queued call, and termination ends the wait.
        tickPending_ = true;
        TThreadedTimer* owner = &owner_;
        QMetaObject::invokeMethod(
            owner, [owner] { owner->deliverTick(); }, Qt::QueuedConnection);
        wake_.wait(lock, [this] { return terminated_ || !tickPending_; });
    }
}

TThreadedTimer::TThreadedTimer(QObject* parent) : QObject(parent) {
    TimerThread.setInterval(interval_);
}

TThreadedTimer::~TThreadedTimer() {
    enabled_ = false;
    UpdateTimer(); // leaves the thread suspended; the member's destructor ends it
}

void TThreadedTimer::setEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    UpdateTimer();
}

void TThreadedTimer::setInterval(std::uint16_t ms) {
    if (ms == interval_) return;
    interval_ = ms;
    TimerThread.setInterval(ms);
    UpdateTimer();
}

void TThreadedTimer::setThreadPriority(TThreadPriority priority) {
    if (priority == priority_) return;
    priority_ = priority;
    TimerThread.setThreadPriority(priority);
    UpdateTimer();
}

void TThreadedTimer::setOnTimer(NotifyEvent handler) {
    onTimer_ = std::move(handler);
    UpdateTimer();
}

void TThreadedTimer::UpdateTimer() {
    if (!TimerThread.suspended()) TimerThread.Suspend();
    if (interval_ != 0 && enabled_ && onTimer_) TimerThread.Resume();
}

void TThreadedTimer::deliverTick() {
    // The thread is released even when the handler throws (the error box reports it).
    struct Release {
        TTimerThread& thread;
        ~Release() {
            {
                std::lock_guard lock(thread.mutex_);
                thread.tickPending_ = false;
            }
            thread.wake_.notify_all();
        }
    } release{TimerThread};
    Timer();
}

void TThreadedTimer::Timer() {
    if (onTimer_) onTimer_(*this);
}

} // namespace qm::app

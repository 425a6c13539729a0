// TThreadedTimer: a timer whose waiting runs on a thread of its own while every tick runs on the
// user-interface thread, and its thread class TTimerThread.
#pragma once

#include <QObject>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace qm::app {

enum class TThreadPriority {
    tpIdle,
    tpLowest,
    tpLower,
    tpNormal,
    tpHigher,
    tpHighest,
    tpTimeCritical
};

class TThreadedTimer;

// Sleeps for the interval, hands the tick to the user-interface thread and waits until it has
// run there, so ticks never pile up behind a busy user-interface thread. The thread starts at
// the first resume and ends with the object. The priority is recorded for the owner; desktop
// schedulers give ordinary threads no levels to choose from, so it is not applied.
class TTimerThread {
public:
    explicit TTimerThread(TThreadedTimer& owner) : owner_(owner) {}
    ~TTimerThread();
    TTimerThread(const TTimerThread&) = delete;
    TTimerThread& operator=(const TTimerThread&) = delete;

    // Main thread only.
    void setInterval(std::uint16_t ms);
    void setThreadPriority(TThreadPriority priority);
    void Suspend();
    void Resume();
    bool suspended() const;
    TThreadPriority threadPriority() const { return priority_; }

private:
    void run();

    friend class TThreadedTimer;
    TThreadedTimer& owner_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::uint16_t interval_ = 1000;
    bool suspended_ = true;
    bool terminated_ = false;
    bool tickPending_ = false;
    std::uint64_t generation_ = 0; // bumped by every resume so a running sleep starts over
    TThreadPriority priority_ = TThreadPriority::tpNormal;
    std::thread thread_;
};

class TThreadedTimer : public QObject {
    Q_OBJECT
public:
    using NotifyEvent = std::function<void(TThreadedTimer&)>;

    explicit TThreadedTimer(QObject* parent = nullptr);
    ~TThreadedTimer() override;

    bool enabled() const { return enabled_; }
    std::uint16_t interval() const { return interval_; }
    TThreadPriority threadPriority() const { return priority_; }
    bool hasOnTimer() const { return static_cast<bool>(onTimer_); }

    // Each setter stores the value and runs UpdateTimer; the first three do nothing when the
    // value is unchanged.
    void setEnabled(bool enabled);
    void setInterval(std::uint16_t ms);
    void setThreadPriority(TThreadPriority priority);
    void setOnTimer(NotifyEvent handler);

    // Suspends the thread if running, then resumes it when Interval is not 0, Enabled is set
    // and OnTimer is assigned.
    void UpdateTimer();
    // True while the thread is counting down to its next tick.
    bool running() const { return !TimerThread.suspended(); }

    TTimerThread TimerThread{*this};

private:
    friend class TTimerThread;
    // Runs on the user-interface thread for each tick.
    void Timer();
    void deliverTick();

    bool enabled_ = true;
    std::uint16_t interval_ = 1000;
    TThreadPriority priority_ = TThreadPriority::tpNormal;
    NotifyEvent onTimer_;
};

} // namespace qm::app

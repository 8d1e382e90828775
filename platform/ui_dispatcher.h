// How work reaches the user-interface thread without the lower layers knowing the toolkit:
// the application binds a dispatcher to its event loop; devices and timers of the engine go
// through it. Until one is bound, a queued dispatcher that its owner drains stands in.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

// A repeating timer; destroying it stops it, and its tick never runs afterwards. A tick may
// destroy its own timer.
class UiTimer {
public:
    virtual ~UiTimer() = default;
};

class UiDispatcher {
public:
    virtual ~UiDispatcher() = default;
    // Runs task later on the user-interface thread. Callable from any thread.
    virtual void Post(std::function<void()> task) = 0;
    // Calls tick on the user-interface thread every intervalMs. User-interface thread only.
    virtual std::unique_ptr<UiTimer> StartTimer(int intervalMs, std::function<void()> tick) = 0;
};

// The dispatcher in force: the one last bound, else a process-wide queued dispatcher.
UiDispatcher& GetUiDispatcher();
// Binds dispatcher (null returns to the queued one) and returns the previous binding. The
// dispatcher must outlive every device and timer made while it is bound.
UiDispatcher* SetUiDispatcher(UiDispatcher* dispatcher);

// A dispatcher whose owner runs it: tasks wait in a queue until RunPending or RunFor is
// called on the owner's thread. Tests also tick its timers by hand with FireTimers.
class QueuedUiDispatcher : public UiDispatcher {
public:
    QueuedUiDispatcher();
    ~QueuedUiDispatcher() override;

    void Post(std::function<void()> task) override;
    std::unique_ptr<UiTimer> StartTimer(int intervalMs, std::function<void()> tick) override;

    // Runs the tasks posted so far; returns how many ran.
    int RunPending();
    // Fires every live timer once, whatever its interval.
    void FireTimers();
    // Runs tasks as they arrive and timers when they are due, for the given real time.
    void RunFor(std::chrono::milliseconds duration);

private:
    struct TimerSlot;
    class Timer;
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<std::function<void()>> tasks_;
    std::vector<std::shared_ptr<TimerSlot>> timers_;
};

#include "platform/ui_dispatcher.h"

#include <algorithm>
#include <atomic>

namespace {

std::atomic<UiDispatcher*> boundDispatcher{nullptr};

QueuedUiDispatcher& FallbackDispatcher() {
    static QueuedUiDispatcher dispatcher;
    return dispatcher;
}

} // namespace

UiDispatcher& GetUiDispatcher() {
    UiDispatcher* bound = boundDispatcher.load();
    return bound ? *bound : FallbackDispatcher();
}

UiDispatcher* SetUiDispatcher(UiDispatcher* dispatcher) {
    return boundDispatcher.exchange(dispatcher);
}

struct QueuedUiDispatcher::TimerSlot {
    std::chrono::milliseconds interval;
    std::chrono::steady_clock::time_point due;
    std::function<void()> tick;
    bool alive = true;
};

class QueuedUiDispatcher::Timer : public UiTimer {
public:
    explicit Timer(std::shared_ptr<TimerSlot> slot) : slot_(std::move(slot)) {}
    ~Timer() override { slot_->alive = false; }

private:
    std::shared_ptr<TimerSlot> slot_;
};

QueuedUiDispatcher::QueuedUiDispatcher() = default;
QueuedUiDispatcher::~QueuedUiDispatcher() = default;

void QueuedUiDispatcher::Post(std::function<void()> task) {
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    arrived_.notify_all();
}

std::unique_ptr<UiTimer> QueuedUiDispatcher::StartTimer(int intervalMs,
                                                        std::function<void()> tick) {
    auto slot = std::make_shared<TimerSlot>();
    slot->interval = std::chrono::milliseconds(std::max(intervalMs, 1));
    slot->due = std::chrono::steady_clock::now() + slot->interval;
    slot->tick = std::move(tick);
    timers_.push_back(slot);
    return std::make_unique<Timer>(slot);
}

int QueuedUiDispatcher::RunPending() {
    std::vector<std::function<void()>> batch;
    {
        std::lock_guard lock(mutex_);
        batch.swap(tasks_);
    }
    for (auto& task : batch) {
        task();
    }
    return static_cast<int>(batch.size());
}

void QueuedUiDispatcher::FireTimers() {
    // A tick may start or stop timers: walk a copy, and skip the ones stopped meanwhile.
    std::erase_if(timers_, [](const auto& slot) { return !slot->alive; });
    auto snapshot = timers_;
    for (auto& slot : snapshot) {
        if (slot->alive) {
            slot->tick();
        }
    }
}

void QueuedUiDispatcher::RunFor(std::chrono::milliseconds duration) {
    const auto end = std::chrono::steady_clock::now() + duration;
    for (;;) {
        RunPending();
        std::erase_if(timers_, [](const auto& slot) { return !slot->alive; });
        auto now = std::chrono::steady_clock::now();
        auto snapshot = timers_;
        for (auto& slot : snapshot) {
            if (slot->alive && slot->due <= now) {
                slot->due = now + slot->interval;
                slot->tick();
            }
        }
        now = std::chrono::steady_clock::now();
        if (now >= end) {
            return;
        }
        auto wake = end;
        for (auto& slot : timers_) {
            wake = std::min(wake, slot->due);
        }
        std::unique_lock lock(mutex_);
        arrived_.wait_until(lock, wake, [this] { return !tasks_.empty(); });
    }
}

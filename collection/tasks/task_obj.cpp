#include "collection/tasks/task_obj.h"

#include "collection/tasks/task_wnd.h"

#include <chrono>

namespace {
constexpr std::chrono::milliseconds kPollStep(10);
}

TaskObj::TaskObj() : serial_(theTaskWnd.Register(this)) {}

TaskObj::~TaskObj() {
    // From here on, notices still queued for this task are dropped; a worker waiting for one
    // of them is released, or it would wait for ever and the join with it.
    theTaskWnd.Unregister(serial_);
    EndWorker();
}

void TaskObj::EndWorker() {
    stopRequested_.store(true);
    // The flag before the wake: a worker that clears the acknowledged flag after this point
    // finds the flag set and does not wait.
    endingWorker_.store(true);
    acknowledged_.store(true);
    acknowledged_.notify_all();
    if (worker_.joinable()) {
        worker_.join();
    }
    running_.store(false);
}

void TaskObj::Start() {
    if (endingWorker_.load()) {
        return; // being torn down
    }
    stopRequested_.store(false);
    if (running_.load()) {
        return;
    }
    JoinEndedWorker();
    theTaskWnd.CreateWindowIfNone();
    // Set here rather than only by the worker, so that a second Start or a Stop with wait
    // right after this one already sees a running task.
    running_.store(true);
    worker_ = std::thread(&TaskObj::ThreadProc, this);
}

void TaskObj::Stop(bool wait) {
    stopRequested_.store(true);
    if (!wait || !running_.load()) {
        return;
    }
    while (running_.load()) {
        theTaskWnd.DispatchPendingNotices();
        std::this_thread::sleep_for(kPollStep);
    }
    JoinEndedWorker();
}

void TaskObj::PostNotice(int notice, bool wait, std::unique_ptr<NoticeData> data) {
    acknowledged_.store(false);
    if (!theTaskWnd.Post(*this, notice, std::move(data))) {
        return; // no window to hand the notice to: nobody would ever acknowledge it
    }
    if (wait) {
        // Woken by Acknowledge at once rather than polled, so that a run of many notices
        // costs no sleeping; EndWorker wakes it too.
        while (!acknowledged_.load() && !endingWorker_.load()) {
            acknowledged_.wait(false);
        }
    }
}

void TaskObj::Acknowledge() {
    acknowledged_.store(true);
    acknowledged_.notify_all();
}

void TaskObj::ThreadProc() {
    Run();
    running_.store(false);
}

void TaskObj::JoinEndedWorker() {
    // The worker cleared the running flag as its last step; joining only collects it.
    if (worker_.joinable()) {
        worker_.join();
    }
}

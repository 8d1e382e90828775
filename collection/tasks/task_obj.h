#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

// What one notice reports. The worker fills a fresh object for every notice it posts and the
// notice carries it, so the handler never reads a field that the worker may be changing.
class NoticeData {
public:
    virtual ~NoticeData() = default;
};

// Background work on a worker thread of its own. The worker never touches the database or a
// window: it posts notices that theTaskWnd hands to OnNotice on the user-interface thread.
// Three flags carry the hand-off; no lock is held between the two sides.
//
// Start, Stop with wait and the destructor belong to the user-interface thread. A task may be
// deleted while it runs: its worker is stopped, woken from any wait for an acknowledgment and
// joined before the task goes. A subclass whose Run uses its own fields ends the worker in its
// own destructor (EndWorker, or Stop with wait to have its last notices handled).
class TaskObj {
public:
    TaskObj();
    virtual ~TaskObj();
    TaskObj(const TaskObj&) = delete;
    TaskObj& operator=(const TaskObj&) = delete;

    // Clears the stop flag; starts a worker unless one is running.
    virtual void Start();
    // Sets the stop flag. With wait, returns once the worker has ended, dispatching every
    // task's notices meanwhile: the worker may be waiting for one of them to be acknowledged.
    virtual void Stop(bool wait);

    bool IsRunning() const { return running_.load(); }
    bool IsStopRequested() const { return stopRequested_.load(); }
    bool IsAcknowledged() const { return acknowledged_.load(); }
    // Names this task in its notices; never reused by another task of the process.
    std::uint64_t Serial() const { return serial_; }

protected:
    // The thread body; polls IsStopRequested.
    virtual void Run() = 0;
    // Handles one notice on the user-interface thread and calls Acknowledge once done with it.
    virtual void OnNotice(int notice, std::unique_ptr<NoticeData> data) = 0;

    // Worker thread: clears the acknowledged flag, posts the notice and, with wait, blocks
    // until the notice has been acknowledged.
    void PostNotice(int notice, bool wait, std::unique_ptr<NoticeData> data = nullptr);
    void Acknowledge();
    // User-interface thread: sets the stop flag, releases a worker waiting for a notice that
    // will now never be handled (and any later wait), and joins the worker. Dispatches
    // nothing, so no handler runs while the task is being torn down.
    void EndWorker();

private:
    friend class TaskWnd;
    void ThreadProc();
    void JoinEndedWorker();

    std::atomic<bool> running_{false};
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> acknowledged_{false};
    std::atomic<bool> endingWorker_{false};
    std::thread worker_;
    const std::uint64_t serial_;
};

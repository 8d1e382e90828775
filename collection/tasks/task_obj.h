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
// Start, Stop with wait and the destructor belong to the user-interface thread. The owner
// deletes a task only when it is not running (after Stop with wait); a subclass whose Run uses
// its own fields stops with wait in its destructor.
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

private:
    friend class TaskWnd;
    void ThreadProc();
    void JoinEndedWorker();

    std::atomic<bool> running_{false};
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> acknowledged_{false};
    std::thread worker_;
    const std::uint64_t serial_;
};

#pragma once

#include <QObject>
#include <QPointer>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

class NoticeData;
class TaskObj;
class TaskWindow;

// The hidden receiver of every task's notices. Its window, an object on the user-interface
// thread, is made by the first Start and receives the notices as posted events; each goes to
// the task it names, if that task still exists.
class TaskWnd {
public:
    TaskWnd() = default;
    ~TaskWnd();
    TaskWnd(const TaskWnd&) = delete;
    TaskWnd& operator=(const TaskWnd&) = delete;

    // User-interface thread: makes the window, a child of the application object, when there
    // is none.
    void CreateWindowIfNone();
    bool HasWindow() const { return window_.load() != nullptr; }
    // Only when no task is running: a worker may be about to post to the window.
    void DestroyWindow();

    // Any thread. False when there is no window to take the notice.
    bool Post(const TaskObj& task, int notice, std::unique_ptr<NoticeData> data);
    // User-interface thread: hands every queued notice to its task now.
    void DispatchPendingNotices();

private:
    friend class TaskObj;
    friend class TaskWindow;
    std::uint64_t Register(TaskObj* task);
    void Unregister(std::uint64_t serial);
    void Deliver(std::uint64_t serial, int notice, std::unique_ptr<NoticeData> data);

    std::atomic<TaskWindow*> window_{nullptr};
    std::mutex tasksMutex_;
    std::unordered_map<std::uint64_t, TaskObj*> tasks_;
    std::uint64_t lastSerial_ = 0;
};

extern TaskWnd theTaskWnd;

// Destroys a window only when it exists, so close-down code may run whatever state the window
// reached, and more than once.
template <class Window> void DestroyWindowIfCreated(QPointer<Window>& window) {
    if (!window.isNull()) {
        delete window.data();
    }
}

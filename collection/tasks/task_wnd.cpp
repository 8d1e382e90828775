#include "collection/tasks/task_wnd.h"

#include "collection/tasks/task_obj.h"

#include <QCoreApplication>
#include <QEvent>
#include <utility>

TaskWnd theTaskWnd;

namespace {

// A notice in the user-interface thread's queue. It names its task by serial, not by address:
// a task deleted meanwhile is simply not found, even when a new task took its memory.
class TaskNoticeEvent : public QEvent {
public:
    static constexpr QEvent::Type kType = QEvent::User;

    TaskNoticeEvent(std::uint64_t serial, int notice, std::unique_ptr<NoticeData> data)
        : QEvent(kType), serial(serial), notice(notice), data(std::move(data)) {}

    std::uint64_t serial;
    int notice;
    std::unique_ptr<NoticeData> data;
};

} // namespace

class TaskWindow : public QObject {
public:
    TaskWindow(TaskWnd* owner, QObject* parent) : QObject(parent), owner_(owner) {}
    // Also runs when the application object deletes its children.
    ~TaskWindow() override { owner_->window_.store(nullptr); }

protected:
    bool event(QEvent* event) override {
        if (event->type() != TaskNoticeEvent::kType) {
            return QObject::event(event);
        }
        auto* notice = static_cast<TaskNoticeEvent*>(event);
        owner_->Deliver(notice->serial, notice->notice, std::move(notice->data));
        return true;
    }

private:
    TaskWnd* owner_;
};

TaskWnd::~TaskWnd() {
    DestroyWindow();
}

void TaskWnd::CreateWindowIfNone() {
    if (window_.load() == nullptr) {
        window_.store(new TaskWindow(this, QCoreApplication::instance()));
    }
}

void TaskWnd::DestroyWindow() {
    delete window_.load();
}

bool TaskWnd::Post(const TaskObj& task, int notice, std::unique_ptr<NoticeData> data) {
    TaskWindow* window = window_.load();
    if (window == nullptr) {
        return false;
    }
    QCoreApplication::postEvent(window,
                                new TaskNoticeEvent(task.Serial(), notice, std::move(data)));
    return true;
}

void TaskWnd::DispatchPendingNotices() {
    if (TaskWindow* window = window_.load()) {
        QCoreApplication::sendPostedEvents(window, TaskNoticeEvent::kType);
    }
}

std::uint64_t TaskWnd::Register(TaskObj* task) {
    std::lock_guard lock(tasksMutex_);
    tasks_[++lastSerial_] = task;
    return lastSerial_;
}

void TaskWnd::Unregister(std::uint64_t serial) {
    std::lock_guard lock(tasksMutex_);
    tasks_.erase(serial);
}

void TaskWnd::Deliver(std::uint64_t serial, int notice, std::unique_ptr<NoticeData> data) {
    TaskObj* task = nullptr;
    {
        std::lock_guard lock(tasksMutex_);
        auto found = tasks_.find(serial);
        if (found != tasks_.end()) {
            task = found->second;
        }
    }
    // Not under the lock: a handler may stop and delete its own task.
    if (task != nullptr) {
        task->OnNotice(notice, std::move(data));
    }
}

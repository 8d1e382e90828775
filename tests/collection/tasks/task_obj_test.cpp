#include "collection/tasks/task_obj.h"
#include "collection/tasks/task_wnd.h"

#include <algorithm>

#include <QCoreApplication>
#include <QObject>
#include <QPointer>
#include <atomic>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

struct ValueNotice : NoticeData {
    explicit ValueNotice(int value) : value(value) {}
    int value;
};

struct Received {
    int notice;
    int value; // -1: no data
    std::thread::id thread;
};

// A task whose thread body the test gives; it records every notice it handles.
class ScriptedTask : public TaskObj {
public:
    explicit ScriptedTask(std::function<void(ScriptedTask&)> body) : body_(std::move(body)) {}
    ~ScriptedTask() override { Stop(true); }

    void Post(int notice, bool wait, int value) {
        PostNotice(notice, wait, std::make_unique<ValueNotice>(value));
    }

    std::atomic<int> runs{0};
    std::atomic<int> handled{0};
    std::atomic<bool> entered{false};
    std::atomic<bool> release{false};
    std::vector<Received> received;               // user-interface thread only
    std::atomic<int>* handledElsewhere = nullptr; // outlives the task

protected:
    void Run() override {
        ++runs;
        body_(*this);
    }
    void OnNotice(int notice, std::unique_ptr<NoticeData> data) override {
        auto* value = dynamic_cast<ValueNotice*>(data.get());
        received.push_back({notice, value ? value->value : -1, std::this_thread::get_id()});
        if (handledElsewhere != nullptr) {
            ++*handledElsewhere;
        }
        ++handled;
        Acknowledge();
    }

private:
    std::function<void(ScriptedTask&)> body_;
};

// Polls without dispatching anything; false when the condition did not come within 10 s.
bool WaitUntil(const std::function<bool()>& condition) {
    for (int i = 0; i < 10000 && !condition(); ++i) {
        std::this_thread::sleep_for(1ms);
    }
    return condition();
}

// Runs the event loop of the user-interface thread until the condition holds (at most 10 s).
bool PumpUntil(const std::function<bool()>& condition) {
    for (int i = 0; i < 10000 && !condition(); ++i) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(1ms);
    }
    return condition();
}

void HoldUntilReleased(ScriptedTask& task) {
    task.entered = true;
    while (!task.release) {
        std::this_thread::sleep_for(1ms);
    }
}

TEST(TaskObj, StartOnARunningTaskOnlyClearsTheStopFlag) {
    ScriptedTask task(HoldUntilReleased);
    task.Start();
    task.Start(); // before the worker has even begun
    ASSERT_TRUE(WaitUntil([&] { return task.entered.load(); }));
    task.Stop(false);
    EXPECT_TRUE(task.IsStopRequested());
    task.Start();
    EXPECT_FALSE(task.IsStopRequested());
    EXPECT_TRUE(task.IsRunning());

    task.release = true;
    task.Stop(true);
    EXPECT_FALSE(task.IsRunning());
    EXPECT_EQ(task.runs, 1);
}

TEST(TaskObj, StopWithoutWaitReturnsWhileTheWorkerRuns) {
    std::atomic<bool> sawStop{false};
    ScriptedTask task([&](ScriptedTask& self) {
        while (!self.IsStopRequested()) {
            std::this_thread::sleep_for(1ms);
        }
        sawStop = true;
        HoldUntilReleased(self);
    });
    task.Start();
    task.Stop(false);
    EXPECT_TRUE(task.IsRunning());
    EXPECT_TRUE(WaitUntil([&] { return sawStop.load(); }));

    task.release = true;
    task.Stop(true);
    EXPECT_FALSE(task.IsRunning());
}

TEST(TaskObj, StartsAgainAfterItsWorkerEnded) {
    ScriptedTask task([](ScriptedTask&) {});
    task.Start();
    ASSERT_TRUE(WaitUntil([&] { return !task.IsRunning(); }));
    task.Start();
    task.Stop(true);
    EXPECT_EQ(task.runs, 2);
    EXPECT_TRUE(theTaskWnd.HasWindow());
}

TEST(TaskObj, StopWithWaitDispatchesTheNoticeItsOwnWorkerWaitsFor) {
    ScriptedTask task([](ScriptedTask& self) {
        for (int i = 0;; ++i) {
            self.entered = true;
            self.Post(1, true, i);
            if (self.IsStopRequested()) {
                break;
            }
        }
    });
    task.Start();
    ASSERT_TRUE(WaitUntil([&] { return task.entered.load(); }));
    task.Stop(true); // nothing else dispatches: the worker stays blocked until Stop does

    EXPECT_FALSE(task.IsRunning());
    EXPECT_TRUE(task.IsAcknowledged());
    ASSERT_EQ(task.received.size(), 1u);
    EXPECT_EQ(task.received[0].notice, 1);
    EXPECT_EQ(task.received[0].value, 0);
    EXPECT_EQ(task.received[0].thread, std::this_thread::get_id());
}

TEST(TaskObj, StopWithWaitDispatchesTheNoticesOfTwoOtherBlockedWorkers) {
    auto postOnce = [](ScriptedTask& self) {
        self.entered = true;
        self.Post(7, true, static_cast<int>(self.Serial()));
    };
    ScriptedTask first(postOnce);
    ScriptedTask second(postOnce);
    std::atomic<bool> gaveUp{false};
    // Ends only once both other notices were handled, so its Stop cannot return before it
    // has dispatched them itself.
    ScriptedTask stopped([&](ScriptedTask& self) {
        bool done = WaitUntil(
            [&] { return self.IsStopRequested() && first.handled > 0 && second.handled > 0; });
        gaveUp = !done;
    });

    stopped.Start();
    first.Start();
    second.Start();
    ASSERT_TRUE(WaitUntil([&] { return first.entered && second.entered; }));
    stopped.Stop(true);

    EXPECT_FALSE(gaveUp);
    EXPECT_TRUE(WaitUntil([&] { return !first.IsRunning() && !second.IsRunning(); }));
    for (ScriptedTask* task : {&first, &second}) {
        ASSERT_EQ(task->received.size(), 1u);
        EXPECT_EQ(task->received[0].notice, 7);
        EXPECT_EQ(task->received[0].value, static_cast<int>(task->Serial()));
        EXPECT_EQ(task->received[0].thread, std::this_thread::get_id());
    }
    EXPECT_TRUE(stopped.received.empty());
}

TEST(TaskObj, NoticesWithoutWaitArriveInOrderEachWithItsOwnData) {
    constexpr int kCount = 100;
    ScriptedTask task([](ScriptedTask& self) {
        for (int i = 0; i < kCount; ++i) {
            self.Post(i % 3, false, i);
        }
    });
    task.Start();
    ASSERT_TRUE(WaitUntil([&] { return !task.IsRunning(); }));
    ASSERT_TRUE(PumpUntil([&] { return task.received.size() == kCount; }));
    for (int i = 0; i < kCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(task.received[i].notice, i % 3);
        EXPECT_EQ(task.received[i].value, i);
    }
}

TEST(TaskObj, ADeletedTaskIsNeverReachedByItsQueuedNotices) {
    std::atomic<int> handledByDeleted{0};
    auto deleted = std::make_unique<ScriptedTask>([](ScriptedTask& self) {
        for (int i = 0; i < 50; ++i) {
            self.Post(1, false, i);
        }
    });
    deleted->handledElsewhere = &handledByDeleted;
    deleted->Start();
    ASSERT_TRUE(WaitUntil([&] { return !deleted->IsRunning(); }));
    deleted->Stop(true);
    deleted.reset();

    // A new task, perhaps where the old one lay, gets none of the old notices either.
    ScriptedTask successor([](ScriptedTask&) {});
    theTaskWnd.DispatchPendingNotices();
    QCoreApplication::processEvents();
    EXPECT_EQ(handledByDeleted, 0);
    EXPECT_TRUE(successor.received.empty());
}

// Stops and deletes itself from its own notice handler, as a finished remote query does.
class SelfDeletingTask : public TaskObj {
public:
    explicit SelfDeletingTask(std::atomic<bool>* deleted) : deleted_(deleted) {}
    ~SelfDeletingTask() override {
        Stop(true);
        *deleted_ = true;
    }

protected:
    void Run() override { PostNotice(1, true); }
    void OnNotice(int, std::unique_ptr<NoticeData>) override {
        Acknowledge();
        Stop(true);
        delete this;
    }

private:
    std::atomic<bool>* deleted_;
};

TEST(TaskObj, AHandlerMayStopAndDeleteItsOwnTask) {
    std::atomic<bool> deleted{false};
    (new SelfDeletingTask(&deleted))->Start();
    EXPECT_TRUE(PumpUntil([&] { return deleted.load(); }));
}

TEST(TaskObj, AWorkerDoesNotWaitForANoticeThatHasNoWindowToGoTo) {
    ScriptedTask task([](ScriptedTask& self) {
        HoldUntilReleased(self);
        self.Post(1, true, 0);
    });
    task.Start();
    ASSERT_TRUE(WaitUntil([&] { return task.entered.load(); }));
    theTaskWnd.DestroyWindow();
    EXPECT_FALSE(theTaskWnd.HasWindow());
    task.release = true;
    EXPECT_TRUE(WaitUntil([&] { return !task.IsRunning(); }));
    task.Stop(true);

    // The next start makes the window again.
    ScriptedTask next([](ScriptedTask& self) { self.Post(2, true, 5); });
    next.Start();
    EXPECT_TRUE(theTaskWnd.HasWindow());
    ASSERT_TRUE(PumpUntil([&] { return next.handled > 0; }));
    EXPECT_EQ(next.received[0].value, 5);
}

// What BlockedTask did; outlives every task.
std::mutex blockedLogMutex;
std::vector<std::string> blockedLog;

void LogBlocked(const std::string& line) {
    std::lock_guard lock(blockedLogMutex);
    blockedLog.push_back(line);
}

// Its worker blocks in a notice that waits for an acknowledgment. Run uses no field of the
// subclass, so the base alone may end it.
class BlockedTask : public TaskObj {
public:
    explicit BlockedTask(bool endInOwnDestructor) : endInOwnDestructor_(endInOwnDestructor) {}
    ~BlockedTask() override {
        if (endInOwnDestructor_) {
            EndWorker();
        }
        LogBlocked("derived part gone");
    }
    static inline std::atomic<bool> posting{false};

protected:
    void Run() override {
        posting = true;
        PostNotice(1, true);
        LogBlocked("released");
        PostNotice(2, true); // a later wait must not block the teardown either
        LogBlocked("run ended");
    }
    void OnNotice(int, std::unique_ptr<NoticeData>) override {
        LogBlocked("handled");
        Acknowledge();
    }

private:
    bool endInOwnDestructor_;
};

TEST(TaskObj, DeletingATaskWhoseWorkerWaitsForANoticeEndsTheWorkerFirst) {
    for (bool endInOwnDestructor : {false, true}) {
        SCOPED_TRACE(endInOwnDestructor ? "ended by the subclass" : "ended by the base");
        blockedLog.clear();
        BlockedTask::posting = false;
        auto* task = new BlockedTask(endInOwnDestructor);
        task->Start();
        ASSERT_TRUE(WaitUntil([&] { return BlockedTask::posting.load(); }));
        std::this_thread::sleep_for(20ms); // most likely waiting by now; either way must work

        // Deleted on a helper thread only so that a hang fails the test instead of stalling it.
        auto deleted = std::make_shared<std::atomic<bool>>(false);
        std::thread([task, deleted] {
            delete task;
            *deleted = true;
        }).detach();
        ASSERT_TRUE(WaitUntil([&] { return deleted->load(); })) << "the delete hung";

        theTaskWnd.DispatchPendingNotices();
        QCoreApplication::processEvents();
        std::lock_guard lock(blockedLogMutex);
        std::vector<std::string> expected{"released", "run ended", "derived part gone"};
        if (!endInOwnDestructor) {
            // Ended by the base, the worker may still run while the derived part goes, but
            // never past the base's destructor.
            std::sort(blockedLog.begin(), blockedLog.end());
            std::sort(expected.begin(), expected.end());
        }
        EXPECT_EQ(blockedLog, expected); // never handled: the task was gone
    }
}

TEST(DestroyWindowIfCreated, DestroysOnlyAWindowThatExists) {
    QPointer<QObject> window;
    DestroyWindowIfCreated(window); // never made: nothing happens

    int destroyed = 0;
    window = new QObject;
    QObject::connect(window.data(), &QObject::destroyed, [&] { ++destroyed; });
    DestroyWindowIfCreated(window);
    EXPECT_TRUE(window.isNull());
    DestroyWindowIfCreated(window);
    EXPECT_EQ(destroyed, 1);
}

} // namespace

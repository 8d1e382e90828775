#include "app/qt_ui_dispatcher.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QThread>
#include <gtest/gtest.h>
#include <thread>

namespace {

// Runs the event loop until done() or a generous limit; the limit only guards a hang.
template <typename Done> bool PumpUntil(Done done) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return done();
}

TEST(QtUiDispatcher, WorkPostedFromAnotherThreadRunsOnTheApplicationThreadInOrder) {
    QtUiDispatcher dispatcher;
    std::vector<int> order;
    QThread* ranOn = nullptr;
    std::thread worker([&] {
        for (int i = 0; i < 3; ++i)
            dispatcher.Post([&, i] {
                order.push_back(i);
                ranOn = QThread::currentThread();
            });
    });
    worker.join();
    ASSERT_TRUE(PumpUntil([&] { return order.size() == 3; }));
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(ranOn, QCoreApplication::instance()->thread());
}

TEST(QtUiDispatcher, ATickMayDestroyItsOwnTimerAndNoTickFollows) {
    QtUiDispatcher dispatcher;
    int ticks = 0;
    std::unique_ptr<UiTimer> timer;
    timer = dispatcher.StartTimer(1, [&] {
        ++ticks;
        timer.reset();
    });
    ASSERT_TRUE(PumpUntil([&] { return ticks > 0; }));
    // Give a stale tick the time of many intervals to arrive.
    QElapsedTimer clock;
    clock.start();
    PumpUntil([&] { return clock.elapsed() > 50; });
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(timer, nullptr);
}

} // namespace

#include "app/qt_ui_dispatcher.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QTimer>

namespace {

class QtTimer : public UiTimer {
public:
    QtTimer(int intervalMs, std::function<void()> tick)
        : timer_(new QTimer), alive_(std::make_shared<bool>(true)) {
        // The tick is owned by the connection, not by this object, so a tick that destroys
        // its own timer does not destroy the function it is running in.
        QObject::connect(timer_, &QTimer::timeout, timer_,
                         [tick = std::move(tick), alive = alive_] {
                             if (*alive)
                                 tick();
                         });
        timer_->start(intervalMs);
    }
    ~QtTimer() override {
        *alive_ = false;
        timer_->stop();
        timer_->deleteLater();
    }

private:
    QTimer* timer_; // deleted through deleteLater: it may be inside its own timeout
    std::shared_ptr<bool> alive_;
};

} // namespace

void QtUiDispatcher::Post(std::function<void()> task) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return;
    QMetaObject::invokeMethod(app, std::move(task), Qt::QueuedConnection);
}

std::unique_ptr<UiTimer> QtUiDispatcher::StartTimer(int intervalMs, std::function<void()> tick) {
    return std::make_unique<QtTimer>(intervalMs, std::move(tick));
}

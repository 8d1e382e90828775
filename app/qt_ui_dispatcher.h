// Binds the engine's dispatcher to Qt's event loop: posted work runs on the thread of the
// application object, timers are QTimers.
#pragma once

#include "platform/ui_dispatcher.h"

class QtUiDispatcher : public UiDispatcher {
public:
    void Post(std::function<void()> task) override;
    std::unique_ptr<UiTimer> StartTimer(int intervalMs, std::function<void()> tick) override;
};

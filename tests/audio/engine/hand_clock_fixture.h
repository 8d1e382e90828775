// Binds a hand-driven audio system (and a queued dispatcher for timers) for one test.
#pragma once

#include <gtest/gtest.h>

#include "platform/hand_clock_device.h"
#include "platform/ui_dispatcher.h"

class HandClockTest : public ::testing::Test {
protected:
    HandClockTest() {
        previousSystem_ = SetAudioSystem(&devices);
        previousDispatcher_ = SetUiDispatcher(&dispatcher);
    }
    ~HandClockTest() override {
        SetAudioSystem(previousSystem_);
        SetUiDispatcher(previousDispatcher_);
    }

    HandClockAudioSystem devices;
    QueuedUiDispatcher dispatcher;

private:
    AudioSystem* previousSystem_ = nullptr;
    UiDispatcher* previousDispatcher_ = nullptr;
};

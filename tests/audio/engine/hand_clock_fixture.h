// Binds a hand-driven audio system (and a queued dispatcher for timers) for one test.
#pragma once

#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

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

    // Every sample played so far, as floats: the device took 32-bit floats or 16-bit integers.
    std::vector<float> PlayedSamples(bool isFloat) const {
        const auto& bytes = devices.PlayedBytes();
        std::vector<float> out;
        if (isFloat) {
            out.resize(bytes.size() / 4);
            std::memcpy(out.data(), bytes.data(), out.size() * 4);
        } else {
            for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
                std::int16_t v;
                std::memcpy(&v, bytes.data() + i, 2);
                out.push_back(v / 32768.0f);
            }
        }
        return out;
    }

    HandClockAudioSystem devices;
    QueuedUiDispatcher dispatcher;

private:
    AudioSystem* previousSystem_ = nullptr;
    UiDispatcher* previousDispatcher_ = nullptr;
};

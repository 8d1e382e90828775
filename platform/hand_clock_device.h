// A device on a clock that only moves when its owner says so, for tests: playing and
// recording happen inside Advance, whose notices reach the listeners before it returns.
// It can also be absent, refuse float samples, hold on to its buffers at a reset (a stuck
// driver) and record a signal given to it.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/audio_device.h"

class HandClockAudioDevice;

inline constexpr const char* kHandClockStartFailure = "The audio device failed to start";

class HandClockAudioSystem : public AudioSystem {
public:
    HandClockAudioSystem();
    ~HandClockAudioSystem() override;

    std::string Name() const override { return "hand clock"; }
    std::unique_ptr<AudioDevice> CreateDevice(AudioDirection direction,
                                              AudioDeviceListener* listener) override;

    // Moves the clock on; every started device plays or records what falls due.
    void Advance(double seconds);

    void SetAbsent(bool absent) { absent_ = absent; }
    void SetRefusesFloat(bool refuses) { refusesFloat_ = refuses; }
    void SetReturnsBuffersOnReset(bool returns) { returnsBuffersOnReset_ = returns; }
    // Opening works but starting fails (a driver that breaks half-way).
    void SetFailsToStart(bool fails) { failsToStart_ = fails; }
    // The signal recorded: sample of channel at frame, full scale -1..1. Silence by default.
    void SetInputSignal(std::function<double(std::int64_t frame, int channel)> signal) {
        signal_ = std::move(signal);
    }

    // What the tests look at.
    int OpenDevices() const;
    // The format of the last successful open, queries excluded.
    const AudioDeviceFormat& LastOpenedFormat(AudioDirection direction) const {
        return lastFormat_[direction == AudioDirection::kOutput ? 0 : 1];
    }
    int OpenCalls() const { return openCalls_; }
    // Times a caller waited for a notice while none was waiting.
    int IdleWaits() const { return idleWaits_; }
    // Off: played bytes are not kept (for measuring the player rather than the device).
    void SetKeepsPlayedBytes(bool keeps) { keepsPlayed_ = keeps; }
    // Every byte played since the last output device was opened.
    const std::vector<char>& PlayedBytes() const { return played_; }

private:
    friend class HandClockAudioDevice;
    bool absent_ = false;
    bool refusesFloat_ = false;
    bool returnsBuffersOnReset_ = true;
    bool failsToStart_ = false;
    std::function<double(std::int64_t, int)> signal_;
    std::vector<HandClockAudioDevice*> devices_;
    AudioDeviceFormat lastFormat_[2];
    int openCalls_ = 0;
    int idleWaits_ = 0;
    bool keepsPlayed_ = true;
    std::vector<char> played_;
};

// The device of a machine without a sound card: it takes every format, plays by letting the
// real clock run for the duration of each buffer, and records silence at the real rate.
#pragma once

#include "platform/audio_device.h"

class PacedNullAudioSystem : public AudioSystem {
public:
    std::string Name() const override { return "null"; }
    std::unique_ptr<AudioDevice> CreateDevice(AudioDirection direction,
                                              AudioDeviceListener* listener) override;
};

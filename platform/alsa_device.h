// The device of a machine with a sound card: ALSA's "default" device, fed or drained by the
// device thread. ALSA's own diagnostic lines are kept off standard error; its failures come
// back as error texts.
#pragma once

#include "platform/audio_device.h"

class AlsaAudioSystem : public AudioSystem {
public:
    std::string Name() const override { return "alsa"; }
    std::unique_ptr<AudioDevice> CreateDevice(AudioDirection direction,
                                              AudioDeviceListener* listener) override;
};

// True when the machine has a sound card and ALSA's default output opens.
bool AlsaCardAvailable();

// Routes ALSA's diagnostic lines away from standard error (done before any ALSA call).
void SilenceAlsaDiagnostics();

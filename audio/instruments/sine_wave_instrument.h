#pragma once

#include <memory>

#include "audio/instruments/sampled_instrument.h"

// A 440 Hz tone with attack, decay, a sustain loop and a release, played at any pitch by the
// sampled-note engine. The table is built on first use.
class SineWaveInstrument {
public:
    static constexpr int kTableLength = 44000;
    static constexpr int kSustainStart = 11000;
    static constexpr int kSustainEnd = 22000;

    void SetSamplingRate(int rate);
    std::unique_ptr<AbstractNote> NewNote(double pitch, double volume);

private:
    const SampledInstrument& Instrument();

    std::unique_ptr<SampledInstrument> instrument;
    int outputRate = 11025;
};

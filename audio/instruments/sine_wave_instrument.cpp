#include "audio/instruments/sine_wave_instrument.h"

#include <cmath>
#include <vector>

namespace {

// Attack to full level in 50 ms, decay to a quarter by 250 ms, hold to 500 ms (the sustain
// loop), then a straight release to silence at the end of the one-second table.
double Envelope(double t) {
    if (t < 0.05) {
        return t / 0.05;
    }
    if (t < 0.25) {
        return 1 - (t - 0.05) / 0.2 * 0.75;
    }
    if (t < 0.5) {
        return 0.25;
    }
    return 0.25 - (t - 0.5) * 2 * 0.25;
}

} // namespace

void SineWaveInstrument::SetSamplingRate(int rate) {
    outputRate = rate;
    if (instrument) {
        instrument->SetSamplingRate(rate);
    }
}

const SampledInstrument& SineWaveInstrument::Instrument() {
    if (!instrument) {
        std::vector<std::int16_t> table(kTableLength);
        for (int i = 0; i < kTableLength; ++i) {
            const double t = static_cast<double>(i) / kTableLength;
            // 2764.6015... is 2 pi x 440.
            table[i] = static_cast<std::int16_t>(
                std::trunc(std::sin(t * 2764.6015351590154) * Envelope(t) * 32767));
        }
        instrument = std::make_unique<SampledInstrument>(table.data(), kTableLength, kSustainStart,
                                                         kSustainEnd);
        instrument->Init(440.0, kTableLength);
        instrument->SetSamplingRate(outputRate);
    }
    return *instrument;
}

std::unique_ptr<AbstractNote> SineWaveInstrument::NewNote(double pitch, double volume) {
    return Instrument().NewNote(pitch, volume);
}

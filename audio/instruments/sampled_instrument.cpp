#include "audio/instruments/sampled_instrument.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kFractionBits = 10;
constexpr std::int64_t kFractionMask = (1 << kFractionBits) - 1;
// Beyond this step a note skips more than any sample holds in one output sample.
constexpr double kMaxScaledStep = 1e15;
// Volumes are kept within a range whose products with 16-bit samples stay far from overflow.
constexpr double kMaxVolume = 64.0;

} // namespace

SampledInstrument::SampledInstrument(const std::int16_t* samples, std::int64_t count,
                                     std::int64_t loopStart, std::int64_t loopEnd)
    : samples(samples, samples + std::max<std::int64_t>(count, 0)) {
    const std::int64_t size = static_cast<std::int64_t>(this->samples.size());
    loopStart = std::clamp<std::int64_t>(loopStart, 0, size);
    loopEnd = std::clamp<std::int64_t>(loopEnd, 0, size);
    if (loopStart < loopEnd) {
        this->loopStart = loopStart;
        this->loopEnd = loopEnd;
    }
}

void SampledInstrument::Init(double pitch, double rate) {
    basePitch = pitch;
    baseRate = rate;
}

void SampledInstrument::SetSamplingRate(int rate) {
    outputRate = rate;
}

std::unique_ptr<SampledNote> SampledInstrument::NewNote(double pitch, double volume) const {
    return std::make_unique<SampledNote>(*this, pitch, volume);
}

SampledNote::SampledNote(const SampledInstrument& instrument, double pitch, double volume)
    : instrument(instrument) {
    SetPitch(pitch);
    SetVolume(volume);
    Restart();
}

void SampledNote::SetPitch(double hz) {
    pitch = hz;
    double scaled = 0;
    if (instrument.BasePitch() > 0 && instrument.OutputRate() > 0) {
        scaled = hz / instrument.BasePitch() * instrument.BaseRate() / instrument.OutputRate() *
                 (1 << kFractionBits);
    }
    // NaN fails both comparisons and becomes 0, a note that stands still.
    step = scaled > 0 ? static_cast<std::int64_t>(std::min(scaled, kMaxScaledStep) + 0.5) : 0;
}

void SampledNote::SetVolume(double value) {
    volume = value;
    const double held = value > 0 ? std::min(value, kMaxVolume) : 0.0;
    scaledVolume = static_cast<std::int32_t>(held * 8192);
}

void SampledNote::Restart() {
    position = 0;
    fraction = 0;
    end = static_cast<std::int64_t>(instrument.Samples().size());
    looping = instrument.LoopStart() < instrument.LoopEnd();
}

void SampledNote::Release(float) {
    looping = false;
}

void SampledNote::SetPosition(std::int64_t sample) {
    position = std::max<std::int64_t>(sample, 0);
    fraction = 0;
    if (position >= end) {
        if (looping) {
            const std::int64_t loopStart = instrument.LoopStart();
            position = loopStart + (position - loopStart) % (instrument.LoopEnd() - loopStart);
        } else {
            position = end;
        }
    }
}

int SampledNote::AddSamples(std::int16_t* buffer, int count) {
    const std::int16_t* samples = instrument.Samples().data();
    const std::int64_t loopStart = instrument.LoopStart();
    const std::int64_t loopEnd = instrument.LoopEnd();
    int produced = 0;
    for (; produced < count; ++produced) {
        if (looping) {
            // A step longer than the loop may overshoot it by more than one turn.
            if (position >= loopEnd) {
                position = loopStart + (position - loopStart) % (loopEnd - loopStart);
            }
        } else if (position >= end) {
            break;
        }
        const std::int32_t here = samples[position];
        std::int32_t after = here;
        if (looping && position + 1 >= loopEnd) {
            after = samples[loopStart];
        } else if (position + 1 < end) {
            after = samples[position + 1];
        }
        const std::int32_t value = here + (((after - here) * fraction) >> kFractionBits);
        const std::int64_t scaled = (std::int64_t{value} * scaledVolume) >> 13;
        buffer[produced] = SaturatedAdd(
            buffer[produced],
            static_cast<std::int32_t>(std::clamp<std::int64_t>(scaled, -65536, 65536)));
        const std::int64_t advanced = fraction + (step & kFractionMask);
        position += (step >> kFractionBits) + (advanced >> kFractionBits);
        fraction = static_cast<std::int32_t>(advanced & kFractionMask);
    }
    return produced;
}

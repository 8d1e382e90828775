#pragma once

#include <cstdint>
#include <memory>
#include <vector>

// One sounding note of an instrument. Notes add their samples into a 16-bit buffer, so that
// every voice of a mix shares one buffer; sums saturate rather than wrap.
class AbstractNote {
public:
    AbstractNote() = default;
    AbstractNote(const AbstractNote&) = delete;
    AbstractNote& operator=(const AbstractNote&) = delete;
    virtual ~AbstractNote() = default;

    // Adds up to count samples into buffer; fewer means the note has ended.
    virtual int AddSamples(std::int16_t* buffer, int count) = 0;
    virtual void Restart() = 0;
    // Lets the note play out; the velocity of the release is given for instruments that use it.
    virtual void Release(float velocity) = 0;
    virtual double GetPitch() const = 0;
    virtual void SetPitch(double hz) = 0;
    virtual double GetVolume() const = 0;
    virtual void SetVolume(double volume) = 0;
};

class SampledInstrument;

// A note that plays the instrument's samples at a pitch: the step through the samples is kept
// as a whole part and a 10-bit fraction, the volume as an integer scaled by 8192.
class SampledNote : public AbstractNote {
public:
    SampledNote(const SampledInstrument& instrument, double pitch, double volume);

    int AddSamples(std::int16_t* buffer, int count) override;
    void Restart() override;
    void Release(float velocity) override;
    double GetPitch() const override { return pitch; }
    void SetPitch(double hz) override;
    double GetVolume() const override { return volume; }
    void SetVolume(double value) override;
    // Moves to a sample; past the end a looping note wraps into its loop, another one ends.
    void SetPosition(std::int64_t sample);

private:
    const SampledInstrument& instrument;
    double pitch = 0;
    double volume = 0;
    std::int64_t step = 0; // samples per output sample, scaled by 1024
    std::int32_t scaledVolume = 0;
    std::int64_t position = 0;
    std::int32_t fraction = 0;
    std::int64_t end = 0;
    bool looping = false;
};

// Samples of one instrument with an optional loop, played at any pitch. The samples are
// copied; the loop is kept within them and dropped when it is empty.
class SampledInstrument {
public:
    SampledInstrument(const std::int16_t* samples, std::int64_t count, std::int64_t loopStart,
                      std::int64_t loopEnd);

    // The pitch at which the samples, played at baseRate, sound.
    void Init(double basePitch = 440.0, double baseRate = 8000.0);
    void SetSamplingRate(int rate);
    std::unique_ptr<SampledNote> NewNote(double pitch, double volume) const;

    const std::vector<std::int16_t>& Samples() const { return samples; }
    std::int64_t LoopStart() const { return loopStart; }
    std::int64_t LoopEnd() const { return loopEnd; }
    double BasePitch() const { return basePitch; }
    double BaseRate() const { return baseRate; }
    int OutputRate() const { return outputRate; }

private:
    std::vector<std::int16_t> samples;
    std::int64_t loopStart = 0;
    std::int64_t loopEnd = 0;
    double basePitch = 440.0;
    double baseRate = 8000.0;
    int outputRate = 8000;
};

// Adds a value to a 16-bit sample, holding the result within the 16-bit range.
inline std::int16_t SaturatedAdd(std::int16_t sample, std::int32_t value) {
    const std::int32_t sum = sample + value;
    return static_cast<std::int16_t>(sum > 32767 ? 32767 : (sum < -32768 ? -32768 : sum));
}

#pragma once

#include <bitset>
#include <cstdint>
#include <memory>

#include "audio/instruments/sampled_instrument.h"
#include "audio/instruments/sine_wave_instrument.h"

// Hands out the note for a (bank, program, key): always the sine instrument's, naming the
// General MIDI instrument the file asked for the first time it is met.
class MidiInstrumentSelector {
public:
    static constexpr int kPercussionBank = 127 * 128;

    void SetSamplingRate(int rate) { sine.SetSamplingRate(rate); }
    std::unique_ptr<AbstractNote> NewNote(int bank, int program, int key, double pitch,
                                          double volume);

private:
    SineWaveInstrument sine;
    std::bitset<128> programsNamed;
    std::bitset<128> keysNamed;
};

// One of the 16 MIDI channels, receiving the channel messages and mixing its notes.
class MidiChannelAbstract {
public:
    MidiChannelAbstract() = default;
    MidiChannelAbstract(const MidiChannelAbstract&) = delete;
    MidiChannelAbstract& operator=(const MidiChannelAbstract&) = delete;
    virtual ~MidiChannelAbstract() = default;

    virtual void NoteOn(int key, int velocity) = 0;
    virtual void NoteOff(int key, int velocity) = 0;
    virtual void ProgramChange(int program) = 0;
    virtual void ChannelAftertouch(int value) = 0;
    virtual void KeyAftertouch(int key, int value) = 0;
    virtual void Controller(int number, int value) = 0;
    virtual void PitchBend(int value) = 0;
    virtual void AddSamples(std::int16_t* buffer, int count) = 0;
};

// A channel that plays nothing: one without notes, or one the file disables.
class MidiChannelSilent : public MidiChannelAbstract {
public:
    void NoteOn(int, int) override {}
    void NoteOff(int, int) override {}
    void ProgramChange(int) override {}
    void ChannelAftertouch(int) override {}
    void KeyAftertouch(int, int) override {}
    void Controller(int, int) override {}
    void PitchBend(int) override {}
    void AddSamples(std::int16_t*, int) override {}
};

class MidiChannelStandard : public MidiChannelAbstract {
public:
    // The channel volume a reset sets: controller value 100 of 128.
    static constexpr float kDefaultVolume = 0.78125f;

    MidiChannelStandard(MidiInstrumentSelector& selector, float gain, int defaultBank);

    void NoteOn(int key, int velocity) override;
    void NoteOff(int key, int velocity) override;
    void ProgramChange(int program) override;
    void ChannelAftertouch(int) override {}
    void KeyAftertouch(int, int) override {}
    void Controller(int number, int value) override;
    void PitchBend(int) override {}
    void AddSamples(std::int16_t* buffer, int count) override;

    int Bank() const { return bank; }
    int Program() const { return program; }
    float VolumeFactor() const { return volumeFactor; }
    int Sounding() const { return sounding; }

private:
    void ResetControllers();
    void ReleaseAll();

    MidiInstrumentSelector& selector;
    float gain;
    float volumeFactor = kDefaultVolume;
    int defaultBank;
    int bank;
    int program = 0;
    std::unique_ptr<AbstractNote> notes[128];
    int sounding = 0;
    int controllerMsb[32] = {}; // stored x 128
    int controllerLsb[32] = {};
    int switches[32] = {};
    int registeredParameter = 0x3FFF; // none selected
    int registeredData[3] = {};       // bend range, fine tuning, coarse tuning
};

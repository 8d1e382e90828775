#include "audio/formats/midi_channel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "audio/formats/general_midi_names.h"

namespace {

// Centre values of the registered parameters: a bend range of 2 semitones, no fine or coarse
// tuning, each as 14-bit data.
constexpr int kRegisteredCentre[3] = {2 << 7, 8192, 64 << 7};

} // namespace

std::unique_ptr<AbstractNote> MidiInstrumentSelector::NewNote(int bank, int program, int key,
                                                              double pitch, double volume) {
    if (bank == kPercussionBank && !keysNamed.test(key)) {
        keysNamed.set(key);
        if (const char* name = GeneralMidiPercussionName(key)) {
            std::fprintf(stderr, "Instrument: %s (Note %d)\n", name, key);
        } else {
            std::fputs("Unknown Percussion.\n", stderr);
        }
    } else if (bank == 0 && !programsNamed.test(program)) {
        programsNamed.set(program);
        std::fprintf(stderr, "Instrument: %s (Program %d)\n", GeneralMidiProgramName(program),
                     program + 1);
    }
    return sine.NewNote(pitch, volume);
}

MidiChannelStandard::MidiChannelStandard(MidiInstrumentSelector& selector, float gain,
                                         int defaultBank)
    : selector(selector), gain(gain), defaultBank(defaultBank), bank(defaultBank) {
    ResetControllers();
}

void MidiChannelStandard::ResetControllers() {
    volumeFactor = kDefaultVolume;
    bank = defaultBank;
    std::fill(std::begin(controllerLsb), std::end(controllerLsb), 0);
    std::fill(std::begin(switches), std::end(switches), 0);
    // A program change without a bank select keeps the channel's own bank.
    controllerMsb[0] = defaultBank;
    controllerMsb[7] = 100 * 128;
    registeredParameter = 0x3FFF;
    std::copy(std::begin(kRegisteredCentre), std::end(kRegisteredCentre), registeredData);
}

void MidiChannelStandard::ReleaseAll() {
    for (auto& note : notes) {
        if (note) {
            note->Release(0.5f);
        }
    }
}

void MidiChannelStandard::NoteOn(int key, int velocity) {
    key &= 0x7F;
    if (notes[key]) {
        notes[key].reset();
        --sounding;
    }
    const double pitch = 440.0 * std::pow(2.0, (key - 69) / 12.0);
    notes[key] = selector.NewNote(bank, program, key, pitch, volumeFactor * velocity * gain);
    ++sounding;
}

void MidiChannelStandard::NoteOff(int key, int velocity) {
    key &= 0x7F;
    if (notes[key]) {
        notes[key]->Release(velocity / 127.0f);
    }
}

void MidiChannelStandard::ProgramChange(int value) {
    program = value & 0x7F;
    bank = controllerMsb[0];
}

void MidiChannelStandard::Controller(int number, int value) {
    if (number < 32) {
        controllerMsb[number] = value * 128;
        if (number == 7) {
            volumeFactor = value / 128.0f;
        }
    } else if (number < 64) {
        controllerLsb[number - 32] = value;
    } else if (number < 96) {
        switches[number - 64] = value;
    } else if (number == 96 || number == 97) {
        if (registeredParameter >= 0 && registeredParameter < 3) {
            int& data = registeredData[registeredParameter];
            data = std::clamp(data + (number == 96 ? 1 : -1), 0, 0x3FFF);
        }
    } else if (number == 100) {
        registeredParameter = (registeredParameter & 0x3F80) | (value & 0x7F);
    } else if (number == 101) {
        registeredParameter = (registeredParameter & 0x7F) | ((value & 0x7F) << 7);
    } else if (number == 121) {
        ResetControllers();
    } else if (number >= 123) {
        ReleaseAll();
    }
}

void MidiChannelStandard::AddSamples(std::int16_t* buffer, int count) {
    if (sounding == 0) {
        return;
    }
    for (auto& note : notes) {
        if (note && note->AddSamples(buffer, count) < count) {
            note.reset();
            --sounding;
        }
    }
}

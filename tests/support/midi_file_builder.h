#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The bytes of a variable-length quantity: 7 bits a byte, high groups first.
std::vector<std::uint8_t> MidiVariable(std::uint64_t value);

// Builds the events of one MTrk chunk. Deltas are in ticks.
class MidiTrackBuilder {
public:
    // Any event: the delta, then the bytes as given (running status included).
    MidiTrackBuilder& Raw(std::uint64_t delta, const std::vector<std::uint8_t>& bytes);
    MidiTrackBuilder& NoteOn(std::uint64_t delta, int channel, int key, int velocity);
    MidiTrackBuilder& NoteOff(std::uint64_t delta, int channel, int key, int velocity = 64);
    MidiTrackBuilder& Tempo(std::uint64_t delta, std::uint32_t microsecondsPerQuarter);
    MidiTrackBuilder& Meta(std::uint64_t delta, int type, const std::string& text);
    MidiTrackBuilder& EndOfTrack(std::uint64_t delta);

    const std::vector<std::uint8_t>& Bytes() const { return bytes; }

private:
    std::vector<std::uint8_t> bytes;
};

// A whole file: the MThd header and one MTrk chunk per track.
std::vector<std::uint8_t> MidiFile(int format, int division,
                                   const std::vector<MidiTrackBuilder>& tracks);

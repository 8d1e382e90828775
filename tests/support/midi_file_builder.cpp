#include "tests/support/midi_file_builder.h"

#include "tests/support/chunk_builder.h"

std::vector<std::uint8_t> MidiVariable(std::uint64_t value) {
    std::vector<std::uint8_t> out{static_cast<std::uint8_t>(value & 0x7F)};
    while ((value >>= 7) != 0) {
        out.insert(out.begin(), static_cast<std::uint8_t>(0x80 | (value & 0x7F)));
    }
    return out;
}

MidiTrackBuilder& MidiTrackBuilder::Raw(std::uint64_t delta,
                                        const std::vector<std::uint8_t>& event) {
    const std::vector<std::uint8_t> d = MidiVariable(delta);
    bytes.insert(bytes.end(), d.begin(), d.end());
    bytes.insert(bytes.end(), event.begin(), event.end());
    return *this;
}

MidiTrackBuilder& MidiTrackBuilder::NoteOn(std::uint64_t delta, int channel, int key,
                                           int velocity) {
    return Raw(delta, {static_cast<std::uint8_t>(0x90 | channel), static_cast<std::uint8_t>(key),
                       static_cast<std::uint8_t>(velocity)});
}

MidiTrackBuilder& MidiTrackBuilder::NoteOff(std::uint64_t delta, int channel, int key,
                                            int velocity) {
    return Raw(delta, {static_cast<std::uint8_t>(0x80 | channel), static_cast<std::uint8_t>(key),
                       static_cast<std::uint8_t>(velocity)});
}

MidiTrackBuilder& MidiTrackBuilder::Tempo(std::uint64_t delta,
                                          std::uint32_t microsecondsPerQuarter) {
    std::vector<std::uint8_t> event{0xFF, 0x51, 3};
    PutInt(event, microsecondsPerQuarter, 3, ByteOrder::Big);
    return Raw(delta, event);
}

MidiTrackBuilder& MidiTrackBuilder::Meta(std::uint64_t delta, int type, const std::string& text) {
    std::vector<std::uint8_t> event{0xFF, static_cast<std::uint8_t>(type)};
    const std::vector<std::uint8_t> length = MidiVariable(text.size());
    event.insert(event.end(), length.begin(), length.end());
    event.insert(event.end(), text.begin(), text.end());
    return Raw(delta, event);
}

MidiTrackBuilder& MidiTrackBuilder::EndOfTrack(std::uint64_t delta) {
    return Raw(delta, {0xFF, 0x2F, 0});
}

std::vector<std::uint8_t> MidiFile(int format, int division,
                                   const std::vector<MidiTrackBuilder>& tracks) {
    std::vector<std::uint8_t> out{'M', 'T', 'h', 'd'};
    PutInt(out, 6, 4, ByteOrder::Big);
    PutInt(out, static_cast<std::uint32_t>(format), 2, ByteOrder::Big);
    PutInt(out, static_cast<std::uint32_t>(tracks.size()), 2, ByteOrder::Big);
    PutInt(out, static_cast<std::uint16_t>(division), 2, ByteOrder::Big);
    for (const MidiTrackBuilder& track : tracks) {
        out.insert(out.end(), {'M', 'T', 'r', 'k'});
        PutInt(out, static_cast<std::uint32_t>(track.Bytes().size()), 4, ByteOrder::Big);
        out.insert(out.end(), track.Bytes().begin(), track.Bytes().end());
    }
    return out;
}

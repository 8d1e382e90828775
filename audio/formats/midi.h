#pragma once

#include <bitset>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <vector>

#include "audio/audio_abstract.h"
#include "audio/formats/midi_channel.h"

// One event of the merged event list.
struct MidiEvent {
    // From the event before: in ticks after reading, in samples after the analysis.
    std::int64_t delta = 0;
    int track = 0;
    std::uint8_t status = 0;
    std::uint8_t data1 = 0; // the meta type for meta events
    std::uint8_t data2 = 0;
    std::vector<std::uint8_t> data; // system exclusive and meta bodies; meta bodies end in NUL
};

// Renders a Standard MIDI File into 16-bit mono samples at 11025 Hz, every note played by the
// sine-wave instrument. The file is read and analysed when the reader is made, so that its
// length is known before the first read.
class MidiRead : public AudioAbstract {
public:
    static constexpr int kRate = 11025;

    MidiRead(std::istream& stream, std::int64_t byteLength);
    ~MidiRead() override;

    int GetSamples(float* buffer, int count) override;
    int PutSamples(const float*, int) override { return 0; }
    void MinMaxSamplingRate(int& minRate, int& maxRate, int& preferred) override;
    void MinMaxChannels(int& minChannels, int& maxChannels, int& preferred) override;

    int Format() const { return format; }
    int Division() const { return division; }
    const std::vector<MidiEvent>& Events() const { return events; }

private:
    void ReadHeader(std::istream& stream);
    void ReadTracks(std::istream& stream);
    void ReadTrack(const std::vector<std::uint8_t>& body, int track,
                   std::vector<std::pair<std::int64_t, MidiEvent>>& timed);
    void Analyze();
    void Dispatch(const MidiEvent& event);

    int format = 0;
    int trackCount = 0;
    int division = 0;
    std::vector<MidiEvent> events;
    std::size_t current = 0;
    std::int64_t samplesDue = 0;
    MidiInstrumentSelector selector;
    std::unique_ptr<MidiChannelAbstract> channelObjects[16];
};

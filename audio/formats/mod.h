#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <iosfwd>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "audio/audio_abstract.h"
#include "audio/instruments/sampled_instrument.h"

// One of the 31 instruments of a module, as its header describes it.
struct ModInstrument {
    std::string name;
    int finetune = 0;                           // -8..7
    int volume = 0;                             // 0..64
    std::unique_ptr<SampledInstrument> sampled; // null when it has no samples
};

// Renders a tracker module (31 instruments, 4, 6 or 8 channels) into 16-bit samples, mono
// or stereo, at up to 22050 Hz. The whole module is read, and its playing length worked out,
// when the reader is made.
class ModRead : public AudioAbstract {
public:
    static constexpr int kInstruments = 31;
    static constexpr int kRows = 64;
    static constexpr int kMaxChannels = 8;
    static constexpr int kMaxPositions = 128;
    static constexpr int kSignatureOffset = 1080;

    // The channel count a signature stands for, or 0 when it is not a module signature.
    static int ChannelsForSignature(const char signature[4]);

    ModRead(std::istream& stream, std::int64_t byteLength);
    ~ModRead() override;

    int GetSamples(float* buffer, int count) override;
    int PutSamples(const float*, int) override { return 0; }
    void SetSamplingRate(int rate) override;
    void MinMaxSamplingRate(int& minRate, int& maxRate, int& preferred) override;
    void MinMaxChannels(int& minChannels, int& maxChannels, int& preferred) override;
    // The rendered length at the negotiated rate and channels (22050 Hz stereo before then).
    std::int64_t DataLength() override;

    const std::string& SongName() const { return songName; }
    int ModuleChannels() const { return moduleChannels; }

private:
    struct Channel {
        int instrument = 0; // 1..31, 0 before any
        std::unique_ptr<SampledNote> note;
        int period = 0; // the base period, before vibrato and arpeggio
        int volume = 0; // 0..64, before tremolo
        int effect = -1;
        int parameter = 0;
        int slideMemory = 0;
        int portaSpeed = 0;
        int portaTarget = 0;
        int vibratoSpeed = 0;
        int vibratoDepth = 0;
        int vibratoPosition = 0;
        int vibratoWave = 0;
        int tremoloSpeed = 0;
        int tremoloDepth = 0;
        int tremoloPosition = 0;
        int tremoloWave = 0;
        const std::uint8_t* delayedNote = nullptr;
    };
    struct SongCursor {
        int position = 0;
        int row = 0;
        int speed = 6;    // ticks per row
        int tempo = 3000; // ticks per minute
        bool ended = false;
    };
    struct RowControl {
        int jump = -1;
        int breakRow = -1;
        int delay = 0;
    };

    void ReadModule(std::istream& stream);
    void ReadSamples(std::istream& stream, const int (&lengths)[kInstruments],
                     const int (&loopStarts)[kInstruments], const int (&loopLengths)[kInstruments]);
    void WorkOutLength();
    const std::uint8_t* NoteAt(int position, int row, int channel) const;
    // Applies speed, tempo, jumps, breaks and pattern delays of the cursor's row.
    RowControl SongEffects(SongCursor& cursor, bool report);
    void Advance(SongCursor& cursor, const RowControl& control) const;
    void RenderRow();
    void StartRow(Channel& channel, const std::uint8_t* note);
    void Trigger(Channel& channel, const std::uint8_t* note);
    void TickEffects(Channel& channel, int tick, int repetition);
    void UpdateVoice(Channel& channel, double period, int volume);
    void Report(int effect);

    std::string songName;
    ModInstrument instruments[kInstruments];
    int songLength = 0;
    std::array<std::uint8_t, kMaxPositions> positions{};
    int moduleChannels = 4;
    std::vector<std::uint8_t> patterns; // 64 rows x 8 slots x 4 bytes per pattern
    int patternCount = 0;
    // Rows played at each (speed, tempo), pattern delays included: the length at any rate.
    std::map<std::pair<int, int>, std::int64_t> rowsAtTiming;

    Channel channelState[kMaxChannels];
    SongCursor cursor;
    std::vector<std::int16_t> left;
    std::vector<std::int16_t> right;
    std::int64_t rowSamples = 0; // interleaved samples in the row buffers
    std::int64_t readIndex = 0;
    std::bitset<256> reported;
};

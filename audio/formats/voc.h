#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>

#include "audio/audio_abstract.h"
#include "audio/codecs/codec.h"

// Reads Creative Voice files as the head of a pipeline: a chain of typed blocks (sound,
// continued sound, silence, markers, text, repeats, extended formats). It cannot seek.
class VocRead : public AudioAbstract {
public:
    // Reads the header and the blocks up to the first sound block. A file without any sound
    // block is refused, since it gives neither a rate nor a channel count.
    VocRead(std::istream& stream, std::int64_t byteLength);
    ~VocRead() override;

    int GetSamples(float* buffer, int count) override;
    int PutSamples(const float*, int) override { return 0; }
    int ReadBytes(std::uint8_t* buffer, int length) override;
    void MinMaxSamplingRate(int& minRate, int& maxRate, int& preferred) override;
    void MinMaxChannels(int& minChannels, int& maxChannels, int& preferred) override;

    static constexpr int kMaxRepeatDepth = 5;

private:
    void ReadHeader();
    // Reads the next block header and its fields; the block's data, if any, is left for
    // ReadBytes (sound) or counted down by GetSamples (silence).
    void ReadBlock();
    void SkipBlockRest(std::int64_t length, std::int64_t fieldBytes);
    void CreateDecoder();
    void SetRateIfUnset(std::int64_t rate);

    std::istream& stream;
    std::int64_t byteLength;
    int blockType = 0;
    // Bytes left in the current sound block, or samples left in the current silence.
    std::int64_t remaining = 0;
    int repeatDepth = -1;
    int repeatCounts[kMaxRepeatDepth] = {};
    std::int64_t repeatPositions[kMaxRepeatDepth] = {};
    int fileChannels = -1;
    std::int64_t fileRate = -1;
    int bits = -1;
    int compression = -1;
    // Silence met before the first sound block, played before it.
    std::int64_t leadingSilence = 0;
    int blocksWithoutSound = 0;
    // Samples produced so far; repeats could otherwise play for days.
    std::int64_t produced = 0;
    std::unique_ptr<AbstractDecompressor> decompressor;
};

#pragma once

#include <cstdint>
#include <vector>

#include "audio/codecs/block_decompressor.h"

// The running state of one IMA ADPCM channel.
struct ImaAdpcmState {
    std::int16_t predictor = 0;
    int index = 0; // 0..88

    // Decodes one 4-bit code and returns the new predictor.
    std::int16_t Step(int nibble);
};

// IMA ADPCM in the WAVE block layout: each block starts every channel afresh from its header.
class DecompressImaAdpcmMs : public BlockDecompressor {
public:
    // Throws SoundError for a block geometry the layout cannot have or a channel count other
    // than 1 or 2.
    DecompressImaAdpcmMs(AudioAbstract* source, int samplesPerBlock, int channels);
    std::int64_t BytesForSamples(std::int64_t samples) override;
    std::int64_t PrepareSeek(std::int64_t sampleIndex) override;
    int BitsPerSample() override { return 4; }

protected:
    bool DecodeBlock() override;

private:
    int samplesPerBlock;
    int blockSize;
    std::vector<std::uint8_t> block;
};

// IMA ADPCM in the AIFF-C "ima4" layout: per channel in turn a 34-byte packet of 64 samples.
// The running state carries from packet to packet.
class DecompressImaAdpcmApple : public BlockDecompressor {
public:
    DecompressImaAdpcmApple(AudioAbstract* source, int channels);
    std::int64_t BytesForSamples(std::int64_t samples) override;
    std::int64_t PrepareSeek(std::int64_t sampleIndex) override;
    int BitsPerSample() override { return 4; }

    static constexpr int kPacketBytes = 34;
    static constexpr int kPacketSamples = 64;

protected:
    bool DecodeBlock() override;
    void ResetState() override;

private:
    ImaAdpcmState state[2];
    std::vector<std::uint8_t> packets;
};

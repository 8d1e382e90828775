#pragma once

#include <cstdint>
#include <vector>

#include "audio/codecs/codec.h"

// Base of the decoders that decode a whole block (or packet group) of 16-bit samples at a time
// and hand it out interleaved. It keeps the stream position so that a seek followed by a read
// gives exactly what a sequential read gives.
class BlockDecompressor : public AbstractDecompressor {
public:
    int GetSamples(float* buffer, int count) override;

protected:
    BlockDecompressor(AudioAbstract* source, int channels)
        : AbstractDecompressor(source), channels(channels) {}

    // Decodes the next block into decoded[0 .. decodedCount); false at the end of the sound.
    virtual bool DecodeBlock() = 0;
    // Back to the state at the start of the sound (for SeekByDecoding).
    virtual void ResetState() {}

    // Reads until length bytes or the end; returns the bytes read.
    int ReadFully(std::uint8_t* buffer, int length);
    // One read of up to length bytes; returns the bytes read, 0 at the end.
    int ReadSome(std::uint8_t* buffer, int length);
    // For blocks that decode on their own: moves to the block that holds the sample.
    std::int64_t SeekToBlock(std::int64_t sampleIndex, std::int64_t framesPerBlock,
                             std::int64_t blockBytes);
    // For state that carries across blocks: decodes forward from here, or from the start when
    // the sample lies behind.
    std::int64_t SeekByDecoding(std::int64_t sampleIndex);

    int channels;
    std::vector<std::int16_t> decoded;
    int decodedCount = 0;

private:
    int position = 0;            // next sample of decoded to hand out
    std::int64_t toSkip = 0;     // samples still to drop from the blocks that follow
    std::int64_t nextSample = 0; // sound position of the next sample handed out
    std::int64_t bytesConsumed = 0;
};

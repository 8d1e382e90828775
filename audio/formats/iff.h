#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>

#include "audio/audio_abstract.h"
#include "audio/codecs/codec.h"
#include "audio/formats/iff_chunks.h"

// Reads IFF 8SVX files (always mono) as the head of a pipeline, walking the IFF chunk tree to
// the VHDR header and the BODY samples. It cannot seek.
class IffRead : public AudioAbstract {
public:
    // Walks to the sound data and picks the decoder, so that every property, the length
    // included, is known once the reader exists.
    IffRead(std::istream& stream, std::int64_t byteLength);
    ~IffRead() override;

    int GetSamples(float* buffer, int count) override;
    int PutSamples(const float*, int) override { return 0; }
    int ReadBytes(std::uint8_t* buffer, int length) override;
    void MinMaxSamplingRate(int& minRate, int& maxRate, int& preferred) override;
    void MinMaxChannels(int& minChannels, int& maxChannels, int& preferred) override;

    static constexpr int kVhdrLength = 20;

private:
    void HandleChunk(IffChunkWalk& w);
    // Steps the walk until the innermost chunk is the BODY; false when the walk ends first.
    bool WalkToBody();
    void SelectDecoder();

    std::istream& stream;
    std::int64_t byteLength;
    IffChunkWalk walk;
    std::unique_ptr<AbstractDecompressor> decompressor;
    std::uint8_t vhdr[kVhdrLength] = {};
    int vhdrLength = 0;
};

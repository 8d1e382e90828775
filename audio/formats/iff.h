#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>

#include "audio/audio_abstract.h"
#include "audio/codecs/codec.h"

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

    static constexpr int kMaxDepth = 5;
    static constexpr int kVhdrLength = 20;

private:
    struct ChunkState {
        std::uint32_t chunkId = 0;
        std::int64_t size = 0;
        std::int64_t remaining = 0;
        bool isContainer = false;
        std::uint32_t containerType = 0;
    };

    // One step of the walk: closes what is finished and opens the next chunk. False when the
    // walk has ended.
    bool WalkStep();
    void CloseIntoParent(std::int64_t closedSize, const char* tooLarge);
    bool HandleChunk();
    void SelectDecoder();

    std::istream& stream;
    std::int64_t byteLength;
    std::unique_ptr<AbstractDecompressor> decompressor;
    std::uint8_t vhdr[kVhdrLength] = {};
    int vhdrLength = 0;
    ChunkState stack[kMaxDepth];
    int top = -1;
};

#pragma once

#include <array>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <vector>

#include "audio/audio_abstract.h"
#include "audio/codecs/codec.h"
#include "audio/formats/audio_file_writer.h"

// Reads a RIFF WAVE file as the head of a pipeline. The constructor walks the chunk tree,
// keeps INFO items and foreign chunks in the chunk list and picks the decoder from the fmt
// chunk; afterwards the reader only serves the bytes of the data chunk.
class WaveRead : public AudioAbstract {
public:
    // byteLength 0 or less: unknown. readTrailingChunks walks the whole file, so that
    // metadata (and even the fmt chunk) stored after the data is found.
    WaveRead(std::istream& stream, std::int64_t byteLength, bool readTrailingChunks);
    ~WaveRead() override;

    int GetSamples(float* buffer, int count) override;
    int PutSamples(const float*, int) override { return 0; }
    int ReadBytes(std::uint8_t* buffer, int length) override;
    bool Seek(std::int64_t sampleIndex) override;
    void MinMaxSamplingRate(int& minRate, int& maxRate, int& preferred) override;
    void MinMaxChannels(int& minChannels, int& maxChannels, int& preferred) override;
    std::istream* InputStream() override { return &stream; }
    std::int64_t InputLength() override { return byteLength; }

private:
    struct ChunkState {
        std::uint32_t chunkId = 0;
        std::int64_t size = 0;      // as stored (read unsigned)
        std::int64_t remaining = 0; // body bytes not yet consumed
        bool isContainer = false;   // RIFF and LIST
        std::uint32_t containerType = 0;
    };
    static constexpr int kMaxDepth = 5;

    bool NextChunk();
    void PopChunk();
    void HandleChunk();
    void ComputeDataLength();
    void SelectDecoder();
    std::unique_ptr<AbstractDecompressor> PcmDecoder(int bits);
    std::unique_ptr<AbstractDecompressor> MsAdpcmDecoder(int bits);
    std::uint32_t Fmt16(std::size_t offset) const;
    std::uint32_t Fmt32(std::size_t offset) const;

    std::istream& stream;
    std::int64_t byteLength;
    bool readTrailingChunks;
    std::unique_ptr<AbstractDecompressor> decompressor;
    bool fmtRead = false;
    std::vector<std::uint8_t> fmt;
    std::size_t fmtCapacity = 0; // body size of the first fmt chunk
    std::int64_t dataStart = 0;  // 0 = not found yet
    std::int64_t dataSize = 0;
    std::uint32_t factSamples = 0;
    bool dataLengthKnown = false;
    int fileRate = 0;
    int fileChannels = 0;
    std::array<ChunkState, kMaxDepth> stack{};
    int stackTop = -1;
};

// Writes a RIFF WAVE file as the tail of a pipeline: the header up front for the frame count
// given, the samples through the encoder of the compression code, and on destruction the data
// completed to its announced size, then LIST/INFO and DISP chunks. Destroy the writer before
// closing the stream.
class WaveWrite : public AudioFileWriter {
public:
    // Codes 2, 3 and 16-20; any other throws before anything is written.
    WaveWrite(std::ostream& stream, std::int64_t frames, int channels, int rate,
              int compressionCode, const AudioChunkList* chunkList);
    ~WaveWrite() override;

private:
    std::unique_ptr<AbstractCompressor> MakeCompressor() override;
    static bool GoesInInfo(const AudioChunk& chunk);
    static bool IsDisp(const AudioChunk& chunk);
    void WriteChunk(std::uint32_t id, const AudioChunk& chunk);

    std::int64_t infoBytes = 0;
};

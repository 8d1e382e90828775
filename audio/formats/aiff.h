#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <vector>

#include "audio/audio_abstract.h"
#include "audio/codecs/codec.h"
#include "audio/formats/audio_file_writer.h"
#include "audio/formats/iff_chunks.h"

// The sampling rate as the 80-bit IEEE 754 extended value of AIFF's COMM chunk (big-endian),
// and back. Reading takes the integer part from the top of the mantissa; sign and fraction are
// ignored, and a value out of range gives 0.
void EncodeAiffRate(int rate, std::uint8_t bytes[10]);
int DecodeAiffRate(const std::uint8_t bytes[10]);

// Reads an AIFF or AIFF-C file as the head of a pipeline. The constructor walks to the SSND
// chunk, keeps the text chunks as metadata items and picks the decoder from the COMM chunk.
class AiffRead : public AudioAbstract {
public:
    AiffRead(std::istream& stream, std::int64_t byteLength);
    ~AiffRead() override;

    int GetSamples(float* buffer, int count) override;
    int PutSamples(const float*, int) override { return 0; }
    int ReadBytes(std::uint8_t* buffer, int length) override;
    bool Seek(std::int64_t sampleIndex) override;
    void MinMaxSamplingRate(int& minRate, int& maxRate, int& preferred) override;
    void MinMaxChannels(int& minChannels, int& maxChannels, int& preferred) override;

private:
    void HandleChunk(IffChunkWalk& walk);
    void SelectDecoder();

    std::istream& stream;
    std::int64_t byteLength;
    std::unique_ptr<AbstractDecompressor> decompressor;
    std::vector<std::uint8_t> comm;
    IffChunkWalk walk;
    IffChunkWalk::State atData; // the walk as it stood at the first sample byte
    std::int64_t dataStart = 0;
    int fileRate = 0;
    int fileChannels = 0;
};

// Writes an AIFF file (PCM codes 16-18) or an AIFF-C file (G.711 codes 2 and 3) as the tail of
// a pipeline. The header, with the text chunks of the list, is written by the constructor.
class AiffWrite : public AudioFileWriter {
public:
    // Any other code throws before anything is written.
    AiffWrite(std::ostream& stream, std::int64_t frames, int channels, int rate,
              int compressionCode, const AudioChunkList* chunkList);
    ~AiffWrite() override;

private:
    std::unique_ptr<AbstractCompressor> MakeCompressor() override;
};

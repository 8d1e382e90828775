#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>

#include "audio/audio_abstract.h"
#include "audio/codecs/codec.h"
#include "audio/formats/audio_file_writer.h"

// Reads an AU (".snd") file as the head of a pipeline. The header is read on the chain's first
// rate or channel negotiation, so callers negotiate before they pull samples.
class AuRead : public AudioAbstract {
public:
    // byteLength 0 or less: unknown.
    AuRead(std::istream& stream, std::int64_t byteLength);
    ~AuRead() override;

    int GetSamples(float* buffer, int count) override;
    int PutSamples(const float*, int) override { return 0; }
    int ReadBytes(std::uint8_t* buffer, int length) override;
    bool Seek(std::int64_t sampleIndex) override;
    void MinMaxSamplingRate(int& minRate, int& maxRate, int& preferred) override;
    void MinMaxChannels(int& minChannels, int& maxChannels, int& preferred) override;

private:
    void ReadHeader();
    // Throws when the header has not been read: there is no decoder yet.
    void RequireHeader() const;

    std::istream& stream;
    std::int64_t byteLength;
    std::unique_ptr<AbstractDecompressor> decompressor;
    std::int64_t dataBytes = 0; // data bytes of the file
    std::int64_t remaining = 0; // data bytes not yet read
    std::int64_t dataStart = 0;
    bool headerRead = false;
    int fileChannels = 0;
    int fileRate = 0;
};

// Writes an AU file as the tail of a pipeline: a 28-byte header for the frame count given,
// the samples through the encoder, and on destruction silence up to the announced size.
class AuWrite : public AudioFileWriter {
public:
    // Codes 2, 3, 16, 17 and 18; any other throws before anything is written.
    AuWrite(std::ostream& stream, std::int64_t frames, int channels, int rate, int compressionCode);
    ~AuWrite() override;

private:
    std::unique_ptr<AbstractCompressor> MakeCompressor() override;
};

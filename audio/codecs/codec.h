#pragma once

#include <cstdint>

class AudioAbstract;

// Turns stored bytes into float samples, pulling the bytes from its reader's ReadBytes.
// Counts are interleaved samples (frames x channels).
class AbstractDecompressor {
public:
    explicit AbstractDecompressor(AudioAbstract* source) : source(source) {}
    AbstractDecompressor(const AbstractDecompressor&) = delete;
    AbstractDecompressor& operator=(const AbstractDecompressor&) = delete;
    virtual ~AbstractDecompressor() = default;

    // Fills up to count samples; fewer only at the end of the sound.
    virtual int GetSamples(float* buffer, int count);
    virtual void Decode(const std::uint8_t* bytes, float* buffer, int count) {}
    // Byte offset, from the start of the sound data, of the storage unit (sample, block or
    // packet) that holds the sample index.
    virtual std::int64_t BytesForSamples(std::int64_t samples) = 0;
    // Readers call this when they reposition: it returns the byte offset the reader must
    // move its stream to, and prepares the decoder so that the next GetSamples starts exactly
    // at the sample index, as a sequential read would.
    virtual std::int64_t PrepareSeek(std::int64_t sampleIndex);
    virtual void MinMaxSamplingRate(int& minRate, int& maxRate, int& preferred);
    virtual void MinMaxChannels(int& minChannels, int& maxChannels, int& preferred);
    virtual int BitsPerSample() = 0;

protected:
    AudioAbstract* source;

private:
    // Bytes of a sample cut by a short read, completed by the next one.
    std::uint8_t partial[4] = {};
    int partialCount = 0;
};

// Turns float samples into stored bytes, pushing them into its writer's WriteBytes.
class AbstractCompressor {
public:
    explicit AbstractCompressor(AudioAbstract* writer) : writer(writer) {}
    AbstractCompressor(const AbstractCompressor&) = delete;
    AbstractCompressor& operator=(const AbstractCompressor&) = delete;
    virtual ~AbstractCompressor() = default;

    // Returns the samples the writer took.
    virtual int PutSamples(const float* buffer, int count);
    virtual std::int64_t BytesForSamples(std::int64_t samples) = 0;
    virtual void Encode(const float* buffer, std::uint8_t* bytes, int count) {}
    virtual int BitsPerSample() { return 0; }

protected:
    AudioAbstract* writer;
};

#pragma once

#include <cstdint>
#include <iosfwd>

#include "audio/audio_chunk_list.h"

// One stage of the audio pull pipeline: a reader at the head hands float samples to whoever
// pulls (GetSamples); a writer at the tail is pushed samples (PutSamples). Samples are floats
// in [-1, 1); a sample count is always frames x channels (interleaved samples).
//
// Rate and channel count are negotiated along the chain once, on first use, and then frozen.
// Every failure is thrown as a SoundError.
class AudioAbstract {
public:
    AudioAbstract() = default;
    AudioAbstract(const AudioAbstract&) = delete;
    AudioAbstract& operator=(const AudioAbstract&) = delete;
    // Unlinks the stage: its neighbours are joined to each other.
    virtual ~AudioAbstract();

    virtual int GetSamples(float* buffer, int count) = 0;
    virtual int PutSamples(const float* buffer, int count) = 0;
    // Raw bytes, forwarded to the previous stage by default (0 at the head).
    virtual int ReadBytes(std::uint8_t* buffer, int length);
    virtual int WriteBytes(const std::uint8_t* buffer, int length);
    // Repositions to an interleaved sample index; false where the stage cannot.
    virtual bool Seek(std::int64_t sampleIndex);

    virtual void SetSamplingRate(int rate);
    virtual int SamplingRate();
    virtual void NegotiateSamplingRate();
    virtual void MinMaxSamplingRate(int& minRate, int& maxRate, int& preferred);
    virtual void SetSamplingRateRecursive(int rate);

    virtual void SetChannels(int count);
    virtual int Channels();
    virtual void NegotiateChannels();
    virtual void MinMaxChannels(int& minChannels, int& maxChannels, int& preferred);
    virtual void SetChannelsRecursive(int count);

    // Own value when nonzero, else the previous stage's, else 0.
    virtual std::int64_t DataLength();
    virtual int BitsPerSample();
    virtual int FileFormat();
    virtual int CompressionKind();
    // Own value only.
    virtual int BitRate();

    virtual AudioChunkList* Chunks();
    virtual std::istream* InputStream();
    virtual std::int64_t InputLength();

    // Links, set by whoever builds the chain on both neighbours.
    AudioAbstract* previous = nullptr;
    AudioAbstract* next = nullptr;

protected:
    int samplingRate = 0;
    bool samplingRateFrozen = false;
    AudioChunkList chunks;
    int channels = 0;
    bool channelsFrozen = false;
    // Decoded length in bytes of float samples (frames x channels x 4). 64-bit: a 32-bit
    // count overflows after about 100 minutes of stereo audio.
    std::int64_t dataLength = 0;
    int bitsPerSample = 0;
    int fileFormat = 0;
    int compressionKind = 0;
    int bitRate = 0;
};

// Deletes the stages before this one (head first), then the stage itself.
void DeleteAudioChain(AudioAbstract* stage);

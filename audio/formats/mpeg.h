#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <vector>

#include "audio/audio_abstract.h"
#include "audio/codecs/codec.h"

struct mpg123_handle_struct;

// What the first frame of an MPEG audio stream says about the whole stream.
struct MpegStreamInfo {
    int channels = 0;              // 1 or 2
    int samplingRate = 0;          // Hz
    int bitRate = 0;               // kbit/s
    int layer = 0;                 // 1 to 3
    int samplesPerFrame = 0;       // per channel
    std::int64_t totalSamples = 0; // per channel; 0 when unknown
    std::int64_t xingFrames = 0;   // frame count of a Xing header; 0 when none
    std::int64_t bufferedBytes = 0;
    bool endOfInput = false;
};

// The fields of one MPEG audio frame header.
struct MpegFrameHeader {
    bool mpeg1 = false;
    int layer = 0;
    int bitRate = 0; // kbit/s; 0 for a free-format frame
    int samplingRate = 0;
    int channels = 0;
    int samplesPerFrame = 0;
    int length = 0; // bytes, header included; 0 for a free-format frame
};

// True when the four bytes are a valid frame header (sync, version, layer, bit-rate and
// sampling-rate fields); fills the header.
bool ParseMpegFrameHeader(const std::uint8_t* bytes, MpegFrameHeader& header);

// Decodes MPEG audio frames through libmpg123, reading the source's InputStream itself from
// its current position. Keeps the file offset of every frame it has met, so that a seek
// needs no scan of what was already decoded.
class DecompressMpeg123 : public AbstractDecompressor {
public:
    explicit DecompressMpeg123(AudioAbstract* source);
    ~DecompressMpeg123() override;

    int GetSamples(float* buffer, int count) override;
    // The reader's byte position is this decoder's own business: see Seek.
    std::int64_t BytesForSamples(std::int64_t) override { return 0; }
    void MinMaxSamplingRate(int& minRate, int& maxRate, int& preferred) override;
    void MinMaxChannels(int& minChannels, int& maxChannels, int& preferred) override;
    int BitsPerSample() override { return 16; }

    // Repositions the stream to the interleaved sample index; the next GetSamples gives what
    // a sequential read would have given from there.
    bool Seek(std::int64_t sampleIndex);

    const MpegStreamInfo& StreamInfo() const { return info; }
    // Samples per channel: declared by the stream, or estimated from its bit rate.
    std::int64_t TotalSamples() const { return totalSamples; }

private:
    void ResetDecoder(std::int64_t offset);
    bool DecodeNextFrame();
    bool FeedDecoder();
    bool StepToNextFrame();

    std::istream* in;
    mpg123_handle_struct* decoder = nullptr;
    MpegStreamInfo info;
    MpegFrameHeader firstHeader;
    bool inWave = false;
    std::int64_t totalSamples = 0;
    // Frames the stream declares (Xing header, or the WAVE file's length); 0 when unknown.
    std::int64_t declaredFrames = 0;
    bool padToDeclared = false;
    std::int64_t framesDecoded = 0;
    // File offset of each frame met so far; entry 0 is the first frame of sound.
    std::vector<std::int64_t> frameOffsets;
    std::int64_t streamPosition = 0;
    bool decoderExhausted = false;
    // Decoded samples not yet handed out (libmpg123's buffer or silence).
    const std::int16_t* pending = nullptr;
    std::int64_t pendingCount = 0;
    std::vector<std::int16_t> silence;
};

// The decoder of MPEG layer III data inside a WAVE file whose stream stands at the start of
// the data chunk: a layer III frame sync must begin within the data's first 2048 bytes, and
// the stream must agree with the rate and channels the WAVE file announces.
std::unique_ptr<DecompressMpeg123> NewWaveMpegDecoder(AudioAbstract* wave);

// Reads MPEG audio layers I to III, with an ID3v2 tag at the start when there is one.
class MpegRead : public AudioAbstract {
public:
    // The stream is the caller's; byteLength is the file's length (0 or less when unknown).
    MpegRead(std::istream& stream, std::int64_t byteLength, bool hasId3Tag);
    ~MpegRead() override;

    int GetSamples(float* buffer, int count) override;
    int PutSamples(const float*, int) override { return 0; }
    bool Seek(std::int64_t sampleIndex) override;
    void MinMaxSamplingRate(int& minRate, int& maxRate, int& preferred) override;
    void MinMaxChannels(int& minChannels, int& maxChannels, int& preferred) override;
    std::int64_t DataLength() override;
    int CompressionKind() override;
    int BitRate() override;
    std::istream* InputStream() override { return &stream; }
    std::int64_t InputLength() override { return inputLength; }

private:
    std::istream& stream;
    // The file's length less the ID3v2 tag.
    std::int64_t inputLength = 0;
    std::unique_ptr<DecompressMpeg123> decompressor;
};

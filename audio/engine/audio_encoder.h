#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <vector>

#include "audio/engine/audio_container.h"

class AudioAbstract;
class AudioFileTags;
class RateConverter;

// A sound file being written, as a write-only container: frames given at the source's
// channel count and rate are converted to the file's on the way. The file's length is
// fixed when the encoder is made; no write goes past it, and a file given fewer frames is
// completed with silence. The file is complete when the encoder is deleted.
//
// Errors of the writer are thrown as SoundError. The tail that the rate converter still
// holds is written on deletion, where nothing may be thrown: a failure then puts the stream
// in the bad state, which callers check after deleting the encoder.
class CAP_AudioEncoder : public CAP_AudioContainer {
public:
    // fileType 1 WAVE, 2 AU, 3 AIFF; compression kinds other than 2, 3 and 16-20 write
    // 16-bit PCM. Tags are written where the format can carry them; null for none.
    CAP_AudioEncoder(std::ostream* stream, int channels, int rate, int compressionKind,
                     int fileType, double durationSeconds, int sourceChannels, int sourceRate,
                     AudioFileTags* tags);
    // Takes over a writer that is already built for the channels, rate and length.
    CAP_AudioEncoder(AudioAbstract* writer, int channels, int rate, int compressionKind,
                     double durationSeconds, int sourceChannels, int sourceRate);
    ~CAP_AudioEncoder() override;

    // Returns the frames written in the direct path (same channels and rate), else the
    // source frames consumed.
    int WriteFrames(const float* floats, int frames, std::int64_t startFrame) override;

    // The furthest frame of the file written so far.
    std::int64_t FurthestFrame() const { return furthestFrame; }

    int sourceChannels = 0;
    int sourceRate = 0;

private:
    // The compression kind the writers are asked for: unknown kinds become 16-bit PCM.
    static int KeptKind(int compressionKind);
    // Frames of a file of that length, 0 for a length that is not positive.
    static std::int64_t FramesFor(int rate, double durationSeconds);
    // Throws for what no writer or conversion can serve.
    static void CheckSettings(int channels, int rate, int sourceChannels, int sourceRate);
    static AudioAbstract* MakeWriter(std::ostream* stream, int fileType, std::int64_t frames,
                                     int channels, int rate, int kind, AudioFileTags* tags);
    // Hands frames to the writer, never past the file's length; returns the frames taken.
    int PutCapped(const float* floats, std::int64_t frames);
    void Finish();

    std::ostream* stream = nullptr;
    struct ChainDeleter {
        void operator()(AudioAbstract* stage) const;
    };
    std::unique_ptr<AudioAbstract, ChainDeleter> writer;
    std::unique_ptr<RateConverter> converter;
    std::int64_t totalFrames = 0;
    std::int64_t furthestFrame = 0;
    int chunkFrames = 0; // source frames per pass through the converter
    std::vector<float> mixed;
    std::vector<float> converted;
};

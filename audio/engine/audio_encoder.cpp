#include "audio/engine/audio_encoder.h"

#include <algorithm>
#include <cmath>
#include <ostream>

#include "audio/audio_abstract.h"
#include "audio/format_codes.h"
#include "audio/rate_converter.h"
#include "audio/sound_error.h"

namespace {

// Source frames per pass through the converter, at most.
constexpr int kChunkFrames = 4096;

} // namespace

void CAP_AudioEncoder::ChainDeleter::operator()(AudioAbstract* stage) const {
    DeleteAudioChain(stage);
}

int CAP_AudioEncoder::KeptKind(int compressionKind) {
    switch (compressionKind) {
    case CompressionMuLaw:
    case CompressionALaw:
    case CompressionPcm8:
    case CompressionPcm16:
    case CompressionPcm24:
    case CompressionPcm32:
    case CompressionFloat32:
        return compressionKind;
    default:
        return CompressionPcm16;
    }
}

std::int64_t CAP_AudioEncoder::FramesFor(int rate, double durationSeconds) {
    const double frames = std::trunc(rate * durationSeconds);
    // Also refuses NaN, which no integer can hold.
    if (!(frames > 0)) {
        return 0;
    }
    return frames >= 9.0e18 ? INT64_MAX : static_cast<std::int64_t>(frames);
}

void CAP_AudioEncoder::CheckSettings(int channels, int rate, int sourceChannels, int sourceRate) {
    // The writers and the channel conversion serve mono and stereo only.
    if (channels < 1 || channels > 2) {
        throw SoundError("Unsupported number of channels: ", channels, true);
    }
    if (sourceChannels < 1 || sourceChannels > 2) {
        throw SoundError("Unsupported number of channels: ", sourceChannels, true);
    }
    if (rate <= 0 || sourceRate <= 0) {
        throw SoundError("Could not change sampling rate to ", rate, false);
    }
}

CAP_AudioEncoder::CAP_AudioEncoder(AudioAbstract* built, int channelCount, int fileRate, int kind,
                                   double durationSeconds, int sourceChannelCount,
                                   int sourceFrameRate)
    : sourceChannels(sourceChannelCount), sourceRate(sourceFrameRate), writer(built) {
    CheckSettings(channelCount, fileRate, sourceChannelCount, sourceFrameRate);
    if (writer == nullptr) {
        throw SoundError("Could not create audio file writer");
    }
    channels = channelCount;
    rate = fileRate;
    compressionKind = KeptKind(kind);
    duration = durationSeconds;
    totalFrames = FramesFor(rate, durationSeconds);
    switch (compressionKind) {
    case CompressionPcm16:
        bits = 16;
        break;
    case CompressionPcm24:
        bits = 24;
        break;
    case CompressionPcm32:
    case CompressionFloat32:
        bits = 32;
        break;
    default:
        bits = 8;
        break;
    }
    converter = std::make_unique<RateConverter>(channels, sourceRate, rate);
    if (!converter->IsReady()) {
        throw SoundError("Could not change sampling rate to ", rate, false);
    }
    if (sourceChannels != channels || sourceRate != rate) {
        // Smaller passes when raising the rate keep the output scratch near one chunk.
        const std::int64_t scaled = std::int64_t{kChunkFrames} * sourceRate / rate;
        chunkFrames = static_cast<int>(std::clamp<std::int64_t>(scaled, 1, kChunkFrames));
        const std::int64_t outFrames =
            (std::int64_t{chunkFrames} * rate + sourceRate - 1) / sourceRate + 2;
        mixed.resize(static_cast<std::size_t>(chunkFrames) * channels);
        converted.resize(static_cast<std::size_t>(outFrames) * channels);
    }
}

CAP_AudioEncoder::~CAP_AudioEncoder() {
    try {
        Finish();
    } catch (...) {
        if (stream != nullptr) {
            stream->setstate(std::ios_base::badbit);
        }
    }
    // Deleting the writer completes the file: silence up to the declared length, then the
    // chunks that follow the sound data.
    writer.reset();
}

void CAP_AudioEncoder::Finish() {
    if (writer == nullptr || converter == nullptr || sourceRate == rate) {
        return;
    }
    // The converter holds back the outputs of the last few dozen input frames.
    std::vector<float> tail(static_cast<std::size_t>(converter->FlushLength()) * channels);
    const int got = converter->Flush(tail.data());
    PutCapped(tail.data(), got);
    furthestFrame = std::max(furthestFrame, writePosition);
}

int CAP_AudioEncoder::PutCapped(const float* floats, std::int64_t frames) {
    const std::int64_t n = std::min(frames, totalFrames - writePosition);
    if (n <= 0) {
        return 0;
    }
    const int put = writer->PutSamples(floats, static_cast<int>(n * channels)) / channels;
    writePosition += put;
    return put;
}

int CAP_AudioEncoder::WriteFrames(const float* floats, int frames, std::int64_t startFrame) {
    if (writer == nullptr || floats == nullptr || frames <= 0) {
        return 0;
    }
    // Positions exist only where a source frame is a file frame.
    if (startFrame != writePosition && sourceRate == rate) {
        // Nothing can be written before the start or past the declared length.
        if (startFrame < 0 || startFrame > totalFrames) {
            return 0;
        }
        if (writer->Seek(startFrame * channels)) {
            writePosition = startFrame;
        }
    }
    int result = 0;
    if (sourceChannels == channels && sourceRate == rate) {
        result = PutCapped(floats, std::min<std::int64_t>(frames, INT32_MAX / channels));
    } else {
        while (result < frames && writePosition < totalFrames) {
            const int n = std::min(chunkFrames, frames - result);
            const float* in = floats + static_cast<std::size_t>(result) * sourceChannels;
            float* out = mixed.data();
            if (sourceChannels == 2 && channels == 1) {
                for (int i = 0; i < n; ++i) {
                    out[i] = (in[2 * i] + in[2 * i + 1]) * 0.5f;
                }
            } else if (sourceChannels == 1 && channels == 2) {
                for (int i = 0; i < n; ++i) {
                    out[2 * i] = out[2 * i + 1] = in[i];
                }
            } else {
                std::copy(in, in + static_cast<std::size_t>(n) * channels, out);
            }
            const int produced = converter->Process(mixed.data(), n, converted.data());
            result += n;
            const std::int64_t room = std::min<std::int64_t>(produced, totalFrames - writePosition);
            // A writer that takes less than it is given can take no more.
            if (PutCapped(converted.data(), produced) < room) {
                break;
            }
        }
    }
    furthestFrame = std::max(furthestFrame, writePosition);
    return result;
}

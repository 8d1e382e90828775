#include "audio/engine/audio_decoder.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <exception>

#include "audio/audio_abstract.h"
#include "audio/audio_file_tags.h"
#include "audio/reader_factory.h"
#include "audio/sound_error.h"

namespace {

constexpr int kMinRate = 8000;
constexpr int kMaxRate = 96000;
// A frame is read whole: callers size their buffers by frames x channels, and a damaged header
// can claim millions of channels. Real recordings stay far below this.
constexpr int kMaxChannels = 256;

} // namespace

CAP_AudioDecoder::CAP_AudioDecoder(std::istream* stream, std::int64_t byteLength,
                                   const char* extension, bool readTrailingChunks)
    : stream(stream) {
    AudioAbstract* opened = nullptr;
    try {
        if (stream != nullptr) {
            opened = OpenAudioReader(*stream, byteLength, extension, readTrailingChunks).release();
        }
    } catch (const SoundError& e) {
        errorText = e.message;
        return;
    } catch (const std::exception&) {
        errorText = "Could not decode audio";
        return;
    }
    Attach(opened);
}

CAP_AudioDecoder::CAP_AudioDecoder(AudioAbstract* opened) {
    Attach(opened);
}

CAP_AudioDecoder::~CAP_AudioDecoder() = default;

void CAP_AudioDecoder::ChainDeleter::operator()(AudioAbstract* stage) const {
    DeleteAudioChain(stage);
}

void CAP_AudioDecoder::Attach(AudioAbstract* opened) {
    reader.reset(opened);
    if (reader == nullptr) {
        errorText = "Could not decode audio";
        return;
    }
    try {
        const int readerRate = reader->SamplingRate();
        if (readerRate < kMinRate || readerRate > kMaxRate) {
            errorText = "Sample rate out of bounds";
            return;
        }
        const int readerChannels = reader->Channels();
        if (readerChannels < 1) {
            errorText = "Could not decode audio";
            return;
        }
        if (readerChannels > kMaxChannels) {
            errorText =
                SoundError("Unsupported number of channels: ", readerChannels, true).message;
            return;
        }
        rate = readerRate;
        channels = readerChannels;
        const std::int64_t bytesPerFrame = std::int64_t{channels} * 4;
        duration =
            static_cast<double>(reader->DataLength()) / (static_cast<double>(bytesPerFrame) * rate);
        bits = reader->BitsPerSample();
        compressionKind = reader->CompressionKind();
        fileFormat = reader->FileFormat();
        bitRate = reader->BitRate();
    } catch (const SoundError& e) {
        errorText = e.message;
    } catch (const std::exception&) {
        errorText = "Could not decode audio";
    }
}

std::int64_t CAP_AudioDecoder::TotalFrames() const {
    if (duration == 0) {
        return -1;
    }
    return std::llround(rate * duration);
}

int CAP_AudioDecoder::ReadFrames(float* floats, int frames, std::int64_t startFrame) {
    if (!errorText.empty() || floats == nullptr || frames <= 0 || startFrame < 0) {
        return 0;
    }
    try {
        if (startFrame != readPosition) {
            endFlag = false;
            // No reader is sent past its data: a start beyond the end reads nothing, from
            // wherever the reader stands.
            const std::int64_t total = TotalFrames();
            const std::int64_t target = total >= 0 ? std::min(startFrame, total) : startFrame;
            if (target > INT64_MAX / channels) {
                return 0;
            }
            // A reader that cannot reposition reads on from where it stands.
            if (reader->Seek(target * channels)) {
                readPosition = startFrame;
            }
        }
        if (endFlag) {
            return 0;
        }
        std::int64_t wanted = std::min(frames, INT_MAX / channels);
        if (const std::int64_t total = TotalFrames(); total >= 0) {
            // A start past the end leaves nothing to read, never a negative count.
            wanted = std::clamp<std::int64_t>(total - readPosition, 0, wanted);
        }
        const int samples = static_cast<int>(wanted * channels);
        // Readers may hand out less than asked before their end; only 0 means the end.
        int got = 0;
        while (got < samples) {
            const int n = reader->GetSamples(floats + got, samples - got);
            if (n <= 0) {
                break;
            }
            got += n;
        }
        const int gotFrames = got / channels;
        readPosition += gotFrames;
        endFlag = gotFrames < frames;
        return gotFrames;
    } catch (const SoundError& e) {
        errorText = e.message;
    } catch (const std::exception&) {
        errorText = "Could not decode audio";
    }
    return 0;
}

void CAP_AudioDecoder::CopyChunksTo(AudioFileTags& tags) const {
    if (reader != nullptr && reader->Chunks() != nullptr) {
        tags.Chunks()->CopyFrom(*reader->Chunks());
    }
}

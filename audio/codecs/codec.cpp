#include "audio/codecs/codec.h"

#include <algorithm>
#include <cstring>

#include "audio/audio_abstract.h"
#include "audio/sound_error.h"

namespace {

// A multiple of 1, 2, 3 and 4, so no full request ends inside a sample.
constexpr int kConversionBytes = 24000;

} // namespace

int AbstractDecompressor::GetSamples(float* buffer, int count) {
    const int bytesPerSample = BitsPerSample() / 8;
    if (bytesPerSample <= 0 || count <= 0) {
        return 0;
    }
    std::uint8_t bytes[kConversionBytes];
    int produced = 0;
    while (produced < count) {
        std::memcpy(bytes, partial, partialCount);
        const std::int64_t wanted =
            std::int64_t{bytesPerSample} * (count - produced) - partialCount;
        const int request =
            static_cast<int>(std::min<std::int64_t>(wanted, kConversionBytes - partialCount));
        const int got = source->ReadBytes(bytes + partialCount, request);
        if (got <= 0) {
            break;
        }
        const int available = partialCount + got;
        const int samples = available / bytesPerSample;
        Decode(bytes, buffer + produced, samples);
        produced += samples;
        // A source that stops inside a sample (an odd-sized block) keeps the cut bytes for
        // the next read, so the samples that follow stay aligned.
        partialCount = available - samples * bytesPerSample;
        std::memcpy(partial, bytes + samples * bytesPerSample, partialCount);
    }
    return produced;
}

std::int64_t AbstractDecompressor::PrepareSeek(std::int64_t sampleIndex) {
    partialCount = 0;
    return BytesForSamples(sampleIndex);
}

void AbstractDecompressor::MinMaxSamplingRate(int&, int&, int&) {
    throw SoundError("MinMaxSamplingRate undefined");
}

void AbstractDecompressor::MinMaxChannels(int&, int&, int&) {
    throw SoundError("MinMaxChannels undefined");
}

int AbstractCompressor::PutSamples(const float* buffer, int count) {
    const int bytesPerSample = BitsPerSample() / 8;
    if (bytesPerSample <= 0 || count <= 0) {
        return 0;
    }
    std::uint8_t bytes[kConversionBytes];
    int consumed = 0;
    while (consumed < count) {
        const int length = static_cast<int>(std::min<std::int64_t>(
            std::int64_t{bytesPerSample} * (count - consumed), kConversionBytes));
        Encode(buffer + consumed, bytes, length / bytesPerSample);
        const int written = writer->WriteBytes(bytes, length);
        if (written <= 0) {
            break;
        }
        consumed += written / bytesPerSample;
    }
    return consumed;
}

#include "audio/codecs/block_decompressor.h"

#include <algorithm>

#include "audio/audio_abstract.h"

namespace {

constexpr float k2Pow15 = 1.0f / 32768.0f;

} // namespace

int BlockDecompressor::GetSamples(float* buffer, int count) {
    int produced = 0;
    while (produced < count) {
        if (position >= decodedCount) {
            position = decodedCount = 0;
            if (!DecodeBlock()) {
                break;
            }
            const auto dropped = static_cast<int>(std::min<std::int64_t>(toSkip, decodedCount));
            position = dropped;
            toSkip -= dropped;
            continue;
        }
        const int n = std::min(count - produced, decodedCount - position);
        for (int i = 0; i < n; ++i) {
            buffer[produced + i] = static_cast<float>(decoded[position + i]) * k2Pow15;
        }
        position += n;
        produced += n;
        nextSample += n;
    }
    return produced;
}

int BlockDecompressor::ReadFully(std::uint8_t* buffer, int length) {
    int total = 0;
    while (total < length) {
        const int got = source->ReadBytes(buffer + total, length - total);
        if (got <= 0) {
            break;
        }
        total += got;
    }
    bytesConsumed += total;
    return total;
}

int BlockDecompressor::ReadSome(std::uint8_t* buffer, int length) {
    const int got = std::max(source->ReadBytes(buffer, length), 0);
    bytesConsumed += got;
    return got;
}

std::int64_t BlockDecompressor::SeekToBlock(std::int64_t sampleIndex, std::int64_t framesPerBlock,
                                            std::int64_t blockBytes) {
    sampleIndex = std::max<std::int64_t>(sampleIndex, 0);
    const std::int64_t block = sampleIndex / channels / framesPerBlock;
    position = decodedCount = 0;
    toSkip = sampleIndex - block * framesPerBlock * channels;
    nextSample = sampleIndex;
    bytesConsumed = block * blockBytes;
    return bytesConsumed;
}

std::int64_t BlockDecompressor::SeekByDecoding(std::int64_t sampleIndex) {
    sampleIndex = std::max<std::int64_t>(sampleIndex, 0);
    if (sampleIndex >= nextSample) {
        const std::int64_t ahead = sampleIndex - nextSample;
        const std::int64_t buffered = decodedCount - position;
        if (ahead <= buffered) {
            position += static_cast<int>(ahead);
        } else {
            position = decodedCount;
            toSkip += ahead - buffered;
        }
        nextSample = sampleIndex;
        // The reader's stream stays where the decoder left it.
        return bytesConsumed;
    }
    ResetState();
    position = decodedCount = 0;
    toSkip = sampleIndex;
    nextSample = sampleIndex;
    bytesConsumed = 0;
    return 0;
}

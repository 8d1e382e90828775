#include "audio/codecs/ms_adpcm.h"

#include <algorithm>

#include "audio/sound_error.h"

namespace {

constexpr int kAdaptTable[16] = {230, 230, 230, 230, 307, 409, 512, 614,
                                 768, 614, 512, 409, 307, 230, 230, 230};

// Header bytes per channel: predictor index, delta, sample1, sample2.
constexpr int kHeaderBytes = 7;

// A valid stream never gets near this; a hostile one could otherwise grow the delta past
// any integer width. Beyond it every nonzero code clamps the sample anyway.
constexpr std::int64_t kMaxDelta = std::int64_t{1} << 24;

std::int16_t Read16(const std::uint8_t* p) {
    return static_cast<std::int16_t>(p[0] | (p[1] << 8));
}

} // namespace

DecompressMsAdpcm::DecompressMsAdpcm(AudioAbstract* source, int samplesPerBlock, int channels,
                                     int blockAlign, int coefficientCount,
                                     const std::int16_t* coefficient1,
                                     const std::int16_t* coefficient2)
    : BlockDecompressor(source, channels), samplesPerBlock(samplesPerBlock),
      blockAlign(blockAlign) {
    if (channels < 1 || channels > 2) {
        throw SoundError("Error decoding MSADPCM data");
    }
    if (coefficientCount < 1 || coefficientCount > kMaxCoefficients || coefficient1 == nullptr ||
        coefficient2 == nullptr) {
        throw SoundError("Bad coefficient count in MSADPCM data: ", coefficientCount, false);
    }
    // Two samples per channel come from the header, the rest from one nibble each.
    const std::int64_t nibbles = std::int64_t{samplesPerBlock - 2} * channels;
    if (samplesPerBlock < 2 || blockAlign < kHeaderBytes * channels ||
        (nibbles + 1) / 2 > blockAlign - kHeaderBytes * channels) {
        throw SoundError("Bad block size in MSADPCM data: ", blockAlign, false);
    }
    coef1.assign(coefficient1, coefficient1 + coefficientCount);
    coef2.assign(coefficient2, coefficient2 + coefficientCount);
    block.resize(static_cast<std::size_t>(blockAlign));
    decoded.resize(static_cast<std::size_t>(samplesPerBlock) * channels);
}

std::int64_t DecompressMsAdpcm::BytesForSamples(std::int64_t samples) {
    return samples / channels / samplesPerBlock * blockAlign;
}

std::int64_t DecompressMsAdpcm::PrepareSeek(std::int64_t sampleIndex) {
    return SeekToBlock(sampleIndex, samplesPerBlock, blockAlign);
}

bool DecompressMsAdpcm::DecodeBlock() {
    // A short final block ends the sound.
    if (ReadFully(block.data(), blockAlign) < blockAlign) {
        return false;
    }
    int predictor[2];
    std::int64_t delta[2];
    std::int64_t sample1[2];
    std::int64_t sample2[2];
    const std::uint8_t* p = block.data();
    for (int ch = 0; ch < channels; ++ch) {
        predictor[ch] = p[ch];
        if (predictor[ch] >= static_cast<int>(coef1.size())) {
            throw SoundError("Bad predictor index in MSADPCM data: ", predictor[ch], false);
        }
        delta[ch] = Read16(p + channels + 2 * ch);
        sample1[ch] = Read16(p + 3 * channels + 2 * ch);
        sample2[ch] = Read16(p + 5 * channels + 2 * ch);
        decoded[ch] = static_cast<std::int16_t>(sample2[ch]);
        decoded[channels + ch] = static_cast<std::int16_t>(sample1[ch]);
    }
    const std::uint8_t* bytes = p + kHeaderBytes * channels;
    const int nibbles = (samplesPerBlock - 2) * channels;
    for (int k = 0; k < nibbles; ++k) {
        // High nibble first; in stereo the high nibble belongs to channel 0.
        const int code = (k % 2 == 0) ? bytes[k / 2] >> 4 : bytes[k / 2] & 15;
        const int ch = k % channels;
        const int signedCode = code >= 8 ? code - 16 : code;
        const std::int64_t predicted =
            (sample1[ch] * coef1[predictor[ch]] + sample2[ch] * coef2[predictor[ch]]) >> 8;
        const std::int64_t sample =
            std::clamp<std::int64_t>(predicted + delta[ch] * signedCode, -32768, 32767);
        delta[ch] = std::min(kAdaptTable[code] * delta[ch] >> 8, kMaxDelta);
        if (delta[ch] < 16) {
            delta[ch] = 16;
        }
        sample2[ch] = sample1[ch];
        sample1[ch] = sample;
        decoded[(2 + k / channels) * channels + ch] = static_cast<std::int16_t>(sample);
    }
    decodedCount = samplesPerBlock * channels;
    return true;
}

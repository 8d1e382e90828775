#pragma once

#include <cstdint>
#include <vector>

#include "audio/codecs/block_decompressor.h"

// Microsoft ADPCM (WAVE format tag 2): each block starts every channel afresh from its
// header of predictor index, delta and two samples.
class DecompressMsAdpcm : public BlockDecompressor {
public:
    // The coefficient arrays hold coefficientCount entries (at most 256). Throws SoundError
    // for a channel count other than 1 or 2 and for a block geometry that cannot hold its
    // samples.
    DecompressMsAdpcm(AudioAbstract* source, int samplesPerBlock, int channels, int blockAlign,
                      int coefficientCount, const std::int16_t* coefficient1,
                      const std::int16_t* coefficient2);
    std::int64_t BytesForSamples(std::int64_t samples) override;
    std::int64_t PrepareSeek(std::int64_t sampleIndex) override;
    int BitsPerSample() override { return 4; }

    static constexpr int kMaxCoefficients = 256;

protected:
    bool DecodeBlock() override;

private:
    int samplesPerBlock;
    int blockAlign;
    std::vector<int> coef1;
    std::vector<int> coef2;
    std::vector<std::uint8_t> block;
};

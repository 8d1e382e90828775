#pragma once

#include <cstdint>
#include <vector>

#include "audio/codecs/block_decompressor.h"

// 8SVX delta decoders: each byte gives two samples, high nibble first, by adding a table
// value x 256 to a 16-bit accumulator that starts at 0.
class DpcmDecompressor : public BlockDecompressor {
public:
    std::int64_t BytesForSamples(std::int64_t samples) override { return samples / 2; }
    std::int64_t PrepareSeek(std::int64_t sampleIndex) override;
    int BitsPerSample() override { return 8; }

protected:
    DpcmDecompressor(AudioAbstract* source, const int* table);
    bool DecodeBlock() override;
    void ResetState() override { accumulator = 0; }

private:
    std::int16_t Add(int nibble);

    const int* table;
    std::int16_t accumulator = 0;
    std::vector<std::uint8_t> bytes;
};

class DecompressDpcmFibonacci : public DpcmDecompressor {
public:
    explicit DecompressDpcmFibonacci(AudioAbstract* source);
};

class DecompressDpcmExponential : public DpcmDecompressor {
public:
    explicit DecompressDpcmExponential(AudioAbstract* source);
};

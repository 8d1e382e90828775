#pragma once

#include <cstdint>

#include "audio/codecs/codec.h"

// The 256 decoded values of each law (the stored byte indexes the table), built once.
const float* MuLawTable();
const float* ALawTable();
// The stored byte of a 16-bit value.
std::uint8_t LinearToMuLaw(int sample);
std::uint8_t LinearToALaw(int sample);

class G711Decompressor : public AbstractDecompressor {
public:
    G711Decompressor(AudioAbstract* source, const float* table)
        : AbstractDecompressor(source), table(table) {}
    int GetSamples(float* buffer, int count) override;
    std::int64_t BytesForSamples(std::int64_t samples) override { return samples; }
    int BitsPerSample() override { return 8; }

private:
    const float* table;
};

class DecompressG711MuLaw : public G711Decompressor {
public:
    explicit DecompressG711MuLaw(AudioAbstract* source) : G711Decompressor(source, MuLawTable()) {}
};

class DecompressG711ALaw : public G711Decompressor {
public:
    explicit DecompressG711ALaw(AudioAbstract* source) : G711Decompressor(source, ALawTable()) {}
};

class G711Compressor : public AbstractCompressor {
public:
    G711Compressor(AudioAbstract* writer, std::uint8_t (*encode)(int))
        : AbstractCompressor(writer), encode(encode) {}
    int PutSamples(const float* buffer, int count) override;
    std::int64_t BytesForSamples(std::int64_t samples) override { return samples; }

private:
    std::uint8_t (*encode)(int);
};

class CompressG711MuLaw : public G711Compressor {
public:
    explicit CompressG711MuLaw(AudioAbstract* writer) : G711Compressor(writer, LinearToMuLaw) {}
};

class CompressG711ALaw : public G711Compressor {
public:
    explicit CompressG711ALaw(AudioAbstract* writer) : G711Compressor(writer, LinearToALaw) {}
};

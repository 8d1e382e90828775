#pragma once

#include <cstdint>

#include "audio/codecs/codec.h"

// Integer values of a float sample by the rounding rules that stored files depend on.
// Values outside [-1, 1] are limited to the width's range; NaN encodes as 0.
int Pcm8SignedValue(float x);
int Pcm8UnsignedValue(float x);
int Pcm16Value(float x);
// The 24-bit pattern in the low 24 bits (two's complement).
std::uint32_t Pcm24Bits(float x);
std::int32_t Pcm32Value(float x);

// Fixed-width PCM and float decoders: bytes per sample from BitsPerSample.
class PcmDecompressor : public AbstractDecompressor {
public:
    using AbstractDecompressor::AbstractDecompressor;
    std::int64_t BytesForSamples(std::int64_t samples) override {
        return samples * (BitsPerSample() / 8);
    }
};

class PcmCompressor : public AbstractCompressor {
public:
    using AbstractCompressor::AbstractCompressor;
    std::int64_t BytesForSamples(std::int64_t samples) override {
        return samples * (BitsPerSample() / 8);
    }
};

#define TAMBREL_PCM_CODEC(Decoder, Encoder, bits)                                                  \
    class Decoder : public PcmDecompressor {                                                       \
    public:                                                                                        \
        using PcmDecompressor::PcmDecompressor;                                                    \
        void Decode(const std::uint8_t* bytes, float* buffer, int count) override;                 \
        int BitsPerSample() override { return bits; }                                              \
    };                                                                                             \
    class Encoder : public PcmCompressor {                                                         \
    public:                                                                                        \
        using PcmCompressor::PcmCompressor;                                                        \
        void Encode(const float* buffer, std::uint8_t* bytes, int count) override;                 \
        int BitsPerSample() override { return bits; }                                              \
    };

TAMBREL_PCM_CODEC(DecompressPcm8Signed, CompressPcm8Signed, 8)
TAMBREL_PCM_CODEC(DecompressPcm8Unsigned, CompressPcm8Unsigned, 8)
TAMBREL_PCM_CODEC(DecompressPcm16MsbSigned, CompressPcm16MsbSigned, 16)
TAMBREL_PCM_CODEC(DecompressPcm16LsbSigned, CompressPcm16LsbSigned, 16)
TAMBREL_PCM_CODEC(DecompressPcm24MsbSigned, CompressPcm24MsbSigned, 24)
TAMBREL_PCM_CODEC(DecompressPcm24LsbSigned, CompressPcm24LsbSigned, 24)
TAMBREL_PCM_CODEC(DecompressPcm32LsbSigned, CompressPcm32LsbSigned, 32)
// Float samples, little-endian; decoding limits them to [-1, 1] and turns NaN into -1.
TAMBREL_PCM_CODEC(DecompressPcm32Float, CompressPcm32Float, 32)

#undef TAMBREL_PCM_CODEC

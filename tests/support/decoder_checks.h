#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "audio/codecs/codec.h"

using DecoderFactory = std::function<std::unique_ptr<AbstractDecompressor>(AudioAbstract*)>;

// Everything the decoder gives over the bytes, read in pieces of `chunk` samples from a source
// that hands out at most maxRead bytes per call.
std::vector<float> DecodeAll(const DecoderFactory& make, const std::vector<std::uint8_t>& bytes,
                             int chunk, int maxRead = 1 << 30);

// Seeks one decoder to each index in turn, as a reader does (the decoder names the byte
// offset, the reader moves there), and checks that what follows equals the sequential read.
void ExpectSeeksMatchSequentialRead(const DecoderFactory& make,
                                    const std::vector<std::uint8_t>& bytes,
                                    const std::vector<std::int64_t>& indices);

// Decoded floats as 16-bit values (exact for decoders of 16-bit samples).
std::vector<std::int16_t> AsInt16(const std::vector<float>& samples);

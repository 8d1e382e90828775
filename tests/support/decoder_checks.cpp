#include "tests/support/decoder_checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "tests/support/byte_stages.h"

std::vector<float> DecodeAll(const DecoderFactory& make, const std::vector<std::uint8_t>& bytes,
                             int chunk, int maxRead) {
    ByteSource source(bytes, maxRead);
    auto decoder = make(&source);
    std::vector<float> all;
    std::vector<float> piece(static_cast<std::size_t>(chunk));
    for (;;) {
        const int got = decoder->GetSamples(piece.data(), chunk);
        if (got <= 0) {
            break;
        }
        all.insert(all.end(), piece.begin(), piece.begin() + got);
    }
    return all;
}

void ExpectSeeksMatchSequentialRead(const DecoderFactory& make,
                                    const std::vector<std::uint8_t>& bytes,
                                    const std::vector<std::int64_t>& indices) {
    const std::vector<float> sequential = DecodeAll(make, bytes, 4096);
    const auto total = static_cast<std::int64_t>(sequential.size());
    ByteSource source(bytes);
    auto decoder = make(&source);
    std::vector<float> piece(333);
    decoder->GetSamples(piece.data(), 100); // start from a decoder that is mid-stream
    for (std::int64_t index : indices) {
        SCOPED_TRACE(index);
        source.SetPosition(decoder->PrepareSeek(index));
        const int got = decoder->GetSamples(piece.data(), static_cast<int>(piece.size()));
        const std::int64_t expected = std::clamp<std::int64_t>(total - index, 0, 333);
        ASSERT_EQ(got, expected);
        for (int i = 0; i < got; ++i) {
            ASSERT_EQ(piece[i], sequential[index + i]) << "sample " << index + i;
        }
    }
}

std::vector<std::int16_t> AsInt16(const std::vector<float>& samples) {
    std::vector<std::int16_t> values(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i) {
        values[i] = static_cast<std::int16_t>(std::lround(samples[i] * 32768.0f));
    }
    return values;
}

#include "audio/codecs/pcm.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace {

constexpr float k2Pow7 = 1.0f / 128.0f;
constexpr float k2Pow15 = 1.0f / 32768.0f;
constexpr float k2Pow23 = 1.0f / 8388608.0f;
constexpr float k2Pow31 = 1.0f / 2147483648.0f;

// Rounds half away from zero within [low, high], in double so that no conversion of an
// out-of-range value to an integer can happen.
long long RoundLimited(double scaled, double low, double high) {
    if (scaled >= 0) {
        const double v = std::trunc(scaled + 0.5);
        return static_cast<long long>(v > high ? high : v);
    }
    const double v = std::trunc(scaled - 0.5);
    return static_cast<long long>(v < low ? low : v);
}

std::int32_t SignExtend24(std::uint32_t v) {
    return static_cast<std::int32_t>(v << 8) >> 8;
}

} // namespace

int Pcm8SignedValue(float x) {
    if (std::isnan(x)) {
        return 0;
    }
    return static_cast<int>(RoundLimited(128.0 * x, -128, 127));
}

int Pcm8UnsignedValue(float x) {
    if (std::isnan(x)) {
        return 128;
    }
    const double v = std::trunc(128.0 * (double{x} + 1.0) + 0.5);
    return v < 0 ? 0 : v > 255 ? 255 : static_cast<int>(v);
}

int Pcm16Value(float x) {
    if (std::isnan(x)) {
        return 0;
    }
    return static_cast<int>(RoundLimited(32768.0 * x, -32768, 32767));
}

std::uint32_t Pcm24Bits(float x) {
    if (std::isnan(x)) {
        return 0;
    }
    if (x >= 0) {
        const double v = std::trunc(8388608.0 * x + 0.5);
        return static_cast<std::uint32_t>(v > 8388606 ? 8388607 : v);
    }
    if (x < -1) {
        return 0x800000u;
    }
    // Rounds half up through the offset value; stored files were written this way.
    const auto v = static_cast<std::uint32_t>(std::trunc(8388608.0 * (double{x} + 1.0) + 0.5));
    return (v + 8388608u) & 0xFFFFFFu;
}

std::int32_t Pcm32Value(float x) {
    if (std::isnan(x)) {
        return 0;
    }
    if (x >= 0) {
        // Limited before the rounding offset: 2147483647.5 truncates to the largest value.
        return static_cast<std::int32_t>(
            std::trunc(std::min(2147483648.0 * x, 2147483647.0) + 0.5));
    }
    return static_cast<std::int32_t>(RoundLimited(2147483648.0 * x, -2147483648.0, 0));
}

void DecompressPcm8Signed::Decode(const std::uint8_t* bytes, float* buffer, int count) {
    for (int i = 0; i < count; ++i) {
        buffer[i] = static_cast<float>(static_cast<std::int8_t>(bytes[i])) * k2Pow7;
    }
}

void DecompressPcm8Unsigned::Decode(const std::uint8_t* bytes, float* buffer, int count) {
    for (int i = 0; i < count; ++i) {
        buffer[i] = static_cast<float>(bytes[i]) * k2Pow7 - 1.0f;
    }
}

void DecompressPcm16MsbSigned::Decode(const std::uint8_t* bytes, float* buffer, int count) {
    for (int i = 0; i < count; ++i, bytes += 2) {
        const auto v = static_cast<std::int16_t>((bytes[0] << 8) | bytes[1]);
        buffer[i] = static_cast<float>(v) * k2Pow15;
    }
}

void DecompressPcm16LsbSigned::Decode(const std::uint8_t* bytes, float* buffer, int count) {
    for (int i = 0; i < count; ++i, bytes += 2) {
        const auto v = static_cast<std::int16_t>(bytes[0] | (bytes[1] << 8));
        buffer[i] = static_cast<float>(v) * k2Pow15;
    }
}

void DecompressPcm24MsbSigned::Decode(const std::uint8_t* bytes, float* buffer, int count) {
    for (int i = 0; i < count; ++i, bytes += 3) {
        const std::uint32_t v = (bytes[0] << 16) | (bytes[1] << 8) | bytes[2];
        buffer[i] = static_cast<float>(SignExtend24(v)) * k2Pow23;
    }
}

void DecompressPcm24LsbSigned::Decode(const std::uint8_t* bytes, float* buffer, int count) {
    for (int i = 0; i < count; ++i, bytes += 3) {
        const std::uint32_t v = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16);
        buffer[i] = static_cast<float>(SignExtend24(v)) * k2Pow23;
    }
}

void DecompressPcm32LsbSigned::Decode(const std::uint8_t* bytes, float* buffer, int count) {
    for (int i = 0; i < count; ++i, bytes += 4) {
        const std::uint32_t v = std::uint32_t{bytes[0]} | (std::uint32_t{bytes[1]} << 8) |
                                (std::uint32_t{bytes[2]} << 16) | (std::uint32_t{bytes[3]} << 24);
        buffer[i] = static_cast<float>(static_cast<std::int32_t>(v)) * k2Pow31;
    }
}

void DecompressPcm32Float::Decode(const std::uint8_t* bytes, float* buffer, int count) {
    for (int i = 0; i < count; ++i, bytes += 4) {
        const std::uint32_t v = std::uint32_t{bytes[0]} | (std::uint32_t{bytes[1]} << 8) |
                                (std::uint32_t{bytes[2]} << 16) | (std::uint32_t{bytes[3]} << 24);
        const float x = std::bit_cast<float>(v);
        buffer[i] = std::isnan(x) ? -1.0f : x > 1.0f ? 1.0f : x < -1.0f ? -1.0f : x;
    }
}

void CompressPcm8Signed::Encode(const float* buffer, std::uint8_t* bytes, int count) {
    for (int i = 0; i < count; ++i) {
        bytes[i] = static_cast<std::uint8_t>(Pcm8SignedValue(buffer[i]));
    }
}

void CompressPcm8Unsigned::Encode(const float* buffer, std::uint8_t* bytes, int count) {
    for (int i = 0; i < count; ++i) {
        bytes[i] = static_cast<std::uint8_t>(Pcm8UnsignedValue(buffer[i]));
    }
}

void CompressPcm16MsbSigned::Encode(const float* buffer, std::uint8_t* bytes, int count) {
    for (int i = 0; i < count; ++i, bytes += 2) {
        const auto v = static_cast<std::uint16_t>(Pcm16Value(buffer[i]));
        bytes[0] = static_cast<std::uint8_t>(v >> 8);
        bytes[1] = static_cast<std::uint8_t>(v);
    }
}

void CompressPcm16LsbSigned::Encode(const float* buffer, std::uint8_t* bytes, int count) {
    for (int i = 0; i < count; ++i, bytes += 2) {
        const auto v = static_cast<std::uint16_t>(Pcm16Value(buffer[i]));
        bytes[0] = static_cast<std::uint8_t>(v);
        bytes[1] = static_cast<std::uint8_t>(v >> 8);
    }
}

void CompressPcm24MsbSigned::Encode(const float* buffer, std::uint8_t* bytes, int count) {
    for (int i = 0; i < count; ++i, bytes += 3) {
        const std::uint32_t v = Pcm24Bits(buffer[i]);
        bytes[0] = static_cast<std::uint8_t>(v >> 16);
        bytes[1] = static_cast<std::uint8_t>(v >> 8);
        bytes[2] = static_cast<std::uint8_t>(v);
    }
}

void CompressPcm24LsbSigned::Encode(const float* buffer, std::uint8_t* bytes, int count) {
    for (int i = 0; i < count; ++i, bytes += 3) {
        const std::uint32_t v = Pcm24Bits(buffer[i]);
        bytes[0] = static_cast<std::uint8_t>(v);
        bytes[1] = static_cast<std::uint8_t>(v >> 8);
        bytes[2] = static_cast<std::uint8_t>(v >> 16);
    }
}

void CompressPcm32LsbSigned::Encode(const float* buffer, std::uint8_t* bytes, int count) {
    for (int i = 0; i < count; ++i, bytes += 4) {
        const auto v = static_cast<std::uint32_t>(Pcm32Value(buffer[i]));
        for (int b = 0; b < 4; ++b) {
            bytes[b] = static_cast<std::uint8_t>(v >> (8 * b));
        }
    }
}

void CompressPcm32Float::Encode(const float* buffer, std::uint8_t* bytes, int count) {
    for (int i = 0; i < count; ++i, bytes += 4) {
        const auto v = std::bit_cast<std::uint32_t>(buffer[i]);
        for (int b = 0; b < 4; ++b) {
            bytes[b] = static_cast<std::uint8_t>(v >> (8 * b));
        }
    }
}

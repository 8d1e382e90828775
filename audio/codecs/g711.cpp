#include "audio/codecs/g711.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "audio/audio_abstract.h"
#include "audio/codecs/pcm.h"

namespace {

constexpr float k2Pow15 = 1.0f / 32768.0f;
constexpr int kEncodeRun = 4096;

using Table = std::array<float, 256>;

// Mu-law by its own table rule, which stored files and signatures depend on: it puts byte
// 0xFF at +4 rather than at zero.
Table BuildMuLaw() {
    Table table{};
    for (int b = 0; b < 256; ++b) {
        const int u = ~b & 0xFF;
        const int magnitude = (((u & 15) + 16) << (((u >> 4) & 7) + 3)) - 132;
        table[b] = static_cast<float>((u & 0x80) != 0 ? magnitude : -magnitude) * k2Pow15;
    }
    return table;
}

Table BuildALaw() {
    Table table{};
    for (int b = 0; b < 256; ++b) {
        const int a = b ^ 0x55;
        const int m = (a & 15) * 16;
        const int e = (a >> 4) & 7;
        const int magnitude = e == 0 ? m + 8 : e == 1 ? m + 264 : (m + 264) << (e - 1);
        table[b] = static_cast<float>((a & 0x80) != 0 ? magnitude : -magnitude) * k2Pow15;
    }
    return table;
}

// floor(log2(v)) for v in 1..255.
int HighestBit(int v) {
    int e = -1;
    while (v != 0) {
        v >>= 1;
        ++e;
    }
    return e;
}

} // namespace

const float* MuLawTable() {
    // Built once, thread-safely, on first use.
    static const Table table = BuildMuLaw();
    return table.data();
}

const float* ALawTable() {
    static const Table table = BuildALaw();
    return table.data();
}

std::uint8_t LinearToMuLaw(int sample) {
    const int magnitude = std::abs(sample);
    const int c = magnitude < 32636 ? magnitude + 132 : 32767;
    const int e = HighestBit(c >> 7);
    const int sign = sample >= 0 ? 0x80 : 0;
    return static_cast<std::uint8_t>(~((e << 4) | ((c >> (e + 3)) & 15) | sign));
}

std::uint8_t LinearToALaw(int sample) {
    static constexpr int kSegmentEnd[8] = {31, 63, 127, 255, 511, 1023, 2047, 4095};
    int v = sample >> 3;
    int mask = 0xD5;
    if (sample < 0) {
        v = ~v;
        mask = 0x55;
    }
    for (int segment = 0; segment < 8; ++segment) {
        if (v <= kSegmentEnd[segment]) {
            const int shift = segment < 2 ? 1 : segment;
            return static_cast<std::uint8_t>(((segment << 4) | ((v >> shift) & 15)) ^ mask);
        }
    }
    return static_cast<std::uint8_t>(0x7F ^ mask);
}

int G711Decompressor::GetSamples(float* buffer, int count) {
    int produced = 0;
    while (produced < count) {
        // The bytes land at the start of the samples' own storage and are expanded from the
        // last to the first, so each byte is read before its slot is overwritten.
        auto* bytes = reinterpret_cast<std::uint8_t*>(buffer + produced);
        const int got = source->ReadBytes(bytes, count - produced);
        if (got <= 0) {
            break;
        }
        for (int i = got - 1; i >= 0; --i) {
            buffer[produced + i] = table[bytes[i]];
        }
        produced += got;
    }
    return produced;
}

int G711Compressor::PutSamples(const float* buffer, int count) {
    std::uint8_t bytes[kEncodeRun];
    int consumed = 0;
    while (consumed < count) {
        const int run = std::min(count - consumed, kEncodeRun);
        for (int i = 0; i < run; ++i) {
            bytes[i] = encode(Pcm16Value(buffer[consumed + i]));
        }
        const int written = writer->WriteBytes(bytes, run);
        if (written <= 0) {
            break;
        }
        consumed += written;
    }
    return consumed;
}

// Decode throughput of the common sample codecs, from memory, in samples per second.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "audio/audio_abstract.h"
#include "audio/codecs/g711.h"
#include "audio/codecs/ima_adpcm.h"
#include "audio/codecs/ms_adpcm.h"
#include "audio/codecs/pcm.h"

namespace {

// A head stage serving bytes from memory, rewound for each pass.
class MemorySource : public AudioAbstract {
public:
    explicit MemorySource(const std::vector<std::uint8_t>& bytes) : bytes(bytes) {}
    int GetSamples(float*, int) override { return 0; }
    int PutSamples(const float*, int) override { return 0; }
    int ReadBytes(std::uint8_t* buffer, int length) override {
        const std::size_t n = std::min(bytes.size() - position, static_cast<std::size_t>(length));
        std::memcpy(buffer, bytes.data() + position, n);
        position += n;
        return static_cast<int>(n);
    }
    void Rewind() { position = 0; }

private:
    const std::vector<std::uint8_t>& bytes;
    std::size_t position = 0;
};

class MemorySink : public AudioAbstract {
public:
    int GetSamples(float*, int) override { return 0; }
    int PutSamples(const float*, int) override { return 0; }
    int WriteBytes(const std::uint8_t* buffer, int length) override {
        bytes.insert(bytes.end(), buffer, buffer + length);
        return length;
    }
    std::vector<std::uint8_t> bytes;
};

constexpr int kSamples = 1 << 20;

std::vector<float> Signal() {
    std::vector<float> signal(kSamples);
    for (int i = 0; i < kSamples; ++i) {
        signal[i] = static_cast<float>(0.6 * std::sin(i * 0.031) + 0.3 * std::sin(i * 0.47));
    }
    return signal;
}

template <typename Compressor> std::vector<std::uint8_t> Encoded() {
    MemorySink sink;
    Compressor encoder(&sink);
    const auto signal = Signal();
    encoder.PutSamples(signal.data(), kSamples);
    return sink.bytes;
}

// Random codes behind valid headers: decoding cost does not depend on the codes.
std::vector<std::uint8_t> Blocks(int blockBytes, const std::function<void(std::uint8_t*)>& header,
                                 int headerBytes) {
    std::vector<std::uint8_t> bytes;
    std::uint32_t noise = 1;
    while (bytes.size() < kSamples / 2) {
        std::vector<std::uint8_t> block(blockBytes);
        header(block.data());
        for (int i = headerBytes; i < blockBytes; ++i) {
            noise = noise * 1664525u + 1013904223u;
            block[i] = static_cast<std::uint8_t>(noise >> 24);
        }
        bytes.insert(bytes.end(), block.begin(), block.end());
    }
    return bytes;
}

void Decode(benchmark::State& state, const std::vector<std::uint8_t>& bytes,
            const std::function<std::unique_ptr<AbstractDecompressor>(AudioAbstract*)>& make) {
    std::vector<float> out(4096);
    std::int64_t total = 0;
    for (auto _ : state) {
        MemorySource source(bytes);
        auto decoder = make(&source);
        int got;
        while ((got = decoder->GetSamples(out.data(), static_cast<int>(out.size()))) > 0) {
            total += got;
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(total);
}

void BM_DecodePcm16(benchmark::State& state) {
    static const auto bytes = Encoded<CompressPcm16LsbSigned>();
    Decode(state, bytes,
           [](AudioAbstract* s) { return std::make_unique<DecompressPcm16LsbSigned>(s); });
}

void BM_DecodeMuLaw(benchmark::State& state) {
    static const auto bytes = Encoded<CompressG711MuLaw>();
    Decode(state, bytes, [](AudioAbstract* s) { return std::make_unique<DecompressG711MuLaw>(s); });
}

void BM_DecodeImaAdpcm(benchmark::State& state) {
    static const auto bytes = Blocks(
        1024, [](std::uint8_t* h) { h[0] = h[1] = h[2] = h[3] = 0; }, 4);
    Decode(state, bytes,
           [](AudioAbstract* s) { return std::make_unique<DecompressImaAdpcmMs>(s, 2041, 1); });
}

void BM_DecodeMsAdpcm(benchmark::State& state) {
    static const std::int16_t coef1[7] = {256, 512, 0, 192, 240, 460, 392};
    static const std::int16_t coef2[7] = {0, -256, 0, 64, 0, -208, -232};
    static const auto bytes = Blocks(
        1024,
        [](std::uint8_t* h) {
            const std::uint8_t header[7] = {1, 16, 0, 0, 0, 0, 0};
            std::memcpy(h, header, 7);
        },
        7);
    Decode(state, bytes, [](AudioAbstract* s) {
        return std::make_unique<DecompressMsAdpcm>(s, 2036, 1, 1024, 7, coef1, coef2);
    });
}

} // namespace

BENCHMARK(BM_DecodePcm16);
BENCHMARK(BM_DecodeMuLaw);
BENCHMARK(BM_DecodeImaAdpcm);
BENCHMARK(BM_DecodeMsAdpcm);

// Decoding a 60 s, 44.1 kHz, stereo, 16-bit WAVE file to float frames through the reader,
// beside a plain loop that reads the same bytes and converts them. The "x_realtime" counter is
// seconds of audio decoded per second. Goal: the reader within 1.5 times of the plain loop.
#include "audio/formats/wave.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kSeconds = 60;
constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr int kFramesPerRead = 4096;

// The file in memory, so that both loops measure decoding rather than the disk.
const std::string& WaveBytes() {
    static const std::string bytes = [] {
        std::ostringstream out;
        {
            WaveWrite writer(out, std::int64_t{kRate} * kSeconds, kChannels, kRate, 17, nullptr);
            std::vector<float> block(kFramesPerRead * kChannels);
            std::uint32_t noise = 1;
            for (int done = 0; done < kRate * kSeconds; done += kFramesPerRead) {
                for (float& s : block) {
                    noise = noise * 1664525u + 1013904223u;
                    s = static_cast<float>(static_cast<std::int32_t>(noise) >> 16) / 32768.0f;
                }
                writer.PutSamples(block.data(), static_cast<int>(block.size()));
            }
        }
        return out.str();
    }();
    return bytes;
}

void SetRealTime(benchmark::State& state) {
    state.counters["x_realtime"] =
        benchmark::Counter(kSeconds, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_WaveReadToFloat(benchmark::State& state) {
    const std::string& bytes = WaveBytes();
    std::vector<float> frames(kFramesPerRead * kChannels);
    for (auto _ : state) {
        std::istringstream in(bytes);
        WaveRead reader(in, static_cast<std::int64_t>(bytes.size()), false);
        reader.SamplingRate();
        reader.Channels();
        while (reader.GetSamples(frames.data(), static_cast<int>(frames.size())) > 0) {
            benchmark::DoNotOptimize(frames.data());
        }
    }
    SetRealTime(state);
}
BENCHMARK(BM_WaveReadToFloat)->Unit(benchmark::kMillisecond);

void BM_PlainReadAndConvert(benchmark::State& state) {
    const std::string& bytes = WaveBytes();
    std::vector<float> frames(kFramesPerRead * kChannels);
    std::vector<std::uint8_t> raw(frames.size() * 2);
    for (auto _ : state) {
        std::istringstream in(bytes);
        in.seekg(44);
        while (true) {
            in.read(reinterpret_cast<char*>(raw.data()), static_cast<std::streamsize>(raw.size()));
            const auto samples = static_cast<std::size_t>(in.gcount()) / 2;
            if (samples == 0) {
                break;
            }
            for (std::size_t i = 0; i < samples; ++i) {
                std::int16_t s;
                std::memcpy(&s, raw.data() + 2 * i, 2);
                frames[i] = s * (1.0f / 32768);
            }
            benchmark::DoNotOptimize(frames.data());
        }
    }
    SetRealTime(state);
}
BENCHMARK(BM_PlainReadAndConvert)->Unit(benchmark::kMillisecond);

} // namespace

// Throughput of the sample-rate converter on mono sound, and the accuracy it keeps: the
// signal-to-noise ratio of a converted 997 Hz sine against the exact sine at the new rate.
#include "audio/rate_converter.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

constexpr int kInRate = 44100;
constexpr double kTone = 997.0;
constexpr double kLevel = 0.5;
constexpr int kBlock = 4096;

std::vector<float> Tone(int frames) {
    std::vector<float> v(frames);
    for (int i = 0; i < frames; ++i)
        v[i] = static_cast<float>(kLevel * std::sin(2 * M_PI * kTone * i / kInRate));
    return v;
}

// Converts the whole input in blocks, flushing the tail.
std::vector<float> ConvertAll(RateConverter& rc, const std::vector<float>& in) {
    std::vector<float> out(static_cast<size_t>(in.size() * rc.State().factor) + 2 * kBlock);
    size_t produced = 0;
    for (size_t done = 0; done < in.size(); done += kBlock) {
        const int n = static_cast<int>(std::min<size_t>(kBlock, in.size() - done));
        produced += rc.Process(in.data() + done, n, out.data() + produced);
    }
    produced += rc.Flush(out.data() + produced);
    out.resize(produced);
    return out;
}

double SignalToNoiseDb(const std::vector<float>& out, int outRate, int edge) {
    double signal = 0, noise = 0;
    for (size_t i = edge; i + edge < out.size(); ++i) {
        const double exact = kLevel * std::sin(2 * M_PI * kTone * double(i) / outRate);
        signal += exact * exact;
        noise += (out[i] - exact) * (out[i] - exact);
    }
    return 10 * std::log10(signal / noise);
}

void Convert(benchmark::State& state) {
    const int outRate = static_cast<int>(state.range(0));
    const std::vector<float> in = Tone(10 * kInRate);

    RateConverter check(1, kInRate, outRate);
    const int edge = 2 * check.State().xoff * outRate / kInRate + 1;
    const double snr = SignalToNoiseDb(ConvertAll(check, in), outRate, edge);

    RateConverter rc(1, kInRate, outRate);
    std::vector<float> out(static_cast<size_t>(kBlock * rc.State().factor) + 1);
    int64_t samples = 0;
    for (auto _ : state) {
        for (size_t done = 0; done + kBlock <= in.size(); done += kBlock) {
            samples += rc.Process(in.data() + done, kBlock, out.data());
            benchmark::DoNotOptimize(out.data());
        }
    }
    state.SetItemsProcessed(samples);
    state.counters["SNR_dB"] = snr;
    state.SetLabel(rc.State().exact ? "exact" : "fractional");
}

} // namespace

// 44100 -> 48000 Hz (147:160), and 3 semitones up: 44100 x 2^(3/12) = 52444 Hz.
BENCHMARK(Convert)->Arg(48000)->Arg(52444)->Unit(benchmark::kMillisecond);

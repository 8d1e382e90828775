// The per-file analysis of the indexer: a stereo 44.1 kHz WAVE file decoded, loaded, signed
// and turned into 25 pitch variants with their summaries, in multiples of real time per core
// ("x_realtime": seconds of sound analysed per second of processor time). The stages are
// measured apart as well, to show where the time goes.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "audio/engine/audio_decoder.h"
#include "audio/engine/sample_mixer.h"
#include "bench/stereo_wave.h"
#include "collection/audio_file_util.h"

namespace {

// The made files go when the program ends.
struct MadeFiles {
    std::vector<std::string> paths;
    ~MadeFiles() {
        for (const std::string& path : paths)
            std::filesystem::remove(path);
    }
} madeFiles;

// A 16-bit stereo WAVE file of a drifting tone with noise, made once per length.
std::string StereoWave(int seconds) {
    const std::string path =
        (std::filesystem::temp_directory_path() /
         ("bench-analysis-" + std::to_string(getpid()) + "-" + std::to_string(seconds) + ".wav"))
            .string();
    if (std::filesystem::exists(path))
        return path;
    madeFiles.paths.push_back(path);
    WriteStereoWave(path, seconds, 1, [](double t) {
        return 0.6 * std::sin(2 * M_PI * (220 + 40 * std::sin(t)) * t);
    });
    return path;
}

void SetRealTimeCounter(benchmark::State& state, int seconds) {
    state.counters["x_realtime"] =
        benchmark::Counter(static_cast<double>(seconds) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}

// The whole analysis as the indexer runs it.
void BM_AnalyzeFile(benchmark::State& state) {
    const int seconds = static_cast<int>(state.range(0));
    const int mode = static_cast<int>(state.range(1));
    const std::string path = StereoWave(seconds);
    for (auto _ : state) {
        SoundFileObj file;
        file.path = path;
        std::vector<SoundVariantObj> variants;
        std::string error;
        if (!AudioFileUtil::AnalyzeFile(file, variants, mode, error, nullptr, nullptr))
            state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(variants.data());
    }
    SetRealTimeCounter(state, seconds);
}
BENCHMARK(BM_AnalyzeFile)
    ->ArgsProduct({{5, 60}, {0, 1}})
    ->ArgNames({"seconds", "mode"})
    ->Unit(benchmark::kMillisecond);

// Stage 0 alone: decoding into the mixer's three tracks.
void BM_LoadIntoMixer(benchmark::State& state) {
    const int seconds = static_cast<int>(state.range(0));
    const std::string path = StereoWave(seconds);
    for (auto _ : state) {
        std::ifstream stream(path, std::ios::binary);
        CAP_AudioDecoder decoder(
            &stream, static_cast<std::int64_t>(std::filesystem::file_size(path)), ".wav", false);
        CAP_SampleMixer mixer(decoder.channels, decoder.rate, true);
        mixer.LoadFrom(decoder, nullptr, nullptr);
        benchmark::DoNotOptimize(mixer.duration);
    }
    SetRealTimeCounter(state, seconds);
}
BENCHMARK(BM_LoadIntoMixer)->Arg(5)->Arg(60)->ArgName("seconds")->Unit(benchmark::kMillisecond);

// Stage 2 alone: the 25 variants over a loaded mixer.
void BM_PitchVariants(benchmark::State& state) {
    const int seconds = static_cast<int>(state.range(0));
    const std::string path = StereoWave(seconds);
    std::ifstream stream(path, std::ios::binary);
    CAP_AudioDecoder decoder(&stream, static_cast<std::int64_t>(std::filesystem::file_size(path)),
                             ".wav", false);
    CAP_SampleMixer mixer(decoder.channels, decoder.rate, true);
    mixer.LoadFrom(decoder, nullptr, nullptr);
    SoundFileObj file;
    for (auto _ : state) {
        std::vector<SoundVariantObj> variants;
        AudioFileUtil::BuildPitchVariants(mixer, file, variants, 1, nullptr, nullptr);
        benchmark::DoNotOptimize(variants.data());
    }
    SetRealTimeCounter(state, seconds);
}
BENCHMARK(BM_PitchVariants)->Arg(5)->Arg(60)->ArgName("seconds")->Unit(benchmark::kMillisecond);

} // namespace

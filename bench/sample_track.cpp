// A sample track appended to chunk by chunk (loading, recording, re-rating) and searched for
// passages like a selection, at lengths up to an hour of 44.1 kHz mono.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "audio/engine/sample_track.h"

namespace {

constexpr int kRate = 44100;
constexpr int kChunk = 4410; // 0.1 s

std::vector<float> Chunk(int index) {
    std::vector<float> chunk(kChunk);
    std::mt19937 random(static_cast<unsigned>(index));
    std::uniform_real_distribution<float> noise(-0.2f, 0.2f);
    for (int i = 0; i < kChunk; ++i)
        chunk[i] = static_cast<float>(0.5 * std::sin((index * kChunk + i) * 0.031)) + noise(random);
    return chunk;
}

// Minutes of audio appended in 0.1 s chunks; the time per minute stays flat when the cost is
// linear.
void BM_AppendChunks(benchmark::State& state) {
    const int chunks = static_cast<int>(state.range(0)) * 600;
    std::vector<std::vector<float>> pool;
    for (int i = 0; i < 16; ++i)
        pool.push_back(Chunk(i));
    for (auto _ : state) {
        auto track = std::make_unique<CAP_SampleTrack>(kRate);
        for (int i = 0; i < chunks; ++i)
            track->WriteFrames(pool[i % 16].data(), kChunk, track->TotalFrames());
        benchmark::DoNotOptimize(track->duration);
        state.PauseTiming();
        track.reset();
        state.ResumeTiming();
    }
    state.SetComplexityN(chunks);
    state.counters["audio_s"] = chunks / 10.0;
}
BENCHMARK(BM_AppendChunks)
    ->Arg(1)
    ->Arg(10)
    ->Arg(60)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Complexity(benchmark::oN);

// One hour of sound, a selection of the given seconds in its middle, every block ranked
// against it. Half an hour is the costliest: every candidate of the first half walks the
// whole selection.
void BM_RankSimilarBlocks(benchmark::State& state) {
    static std::unique_ptr<CAP_SampleTrack> track;
    if (!track) {
        track = std::make_unique<CAP_SampleTrack>(kRate);
        std::vector<float> chunk;
        for (int i = 0; i < 36000; ++i) {
            if (i % 500 == 0 || chunk.empty())
                chunk = Chunk(i);
            track->WriteFrames(chunk.data(), kChunk, track->TotalFrames());
        }
    }
    const std::int64_t selection = state.range(0) * kRate;
    const std::int64_t start = std::max<std::int64_t>(0, (track->TotalFrames() - selection) / 2);
    for (auto _ : state) {
        track->RankSimilarBlocks(selection, start);
        std::int64_t cursor = track->TotalFrames() / 2;
        float score = 0;
        benchmark::DoNotOptimize(track->FindNextMatch(90.0f, cursor, score));
    }
}
BENCHMARK(BM_RankSimilarBlocks)
    ->Arg(10)
    ->Arg(1800)
    ->Arg(3600)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

} // namespace

// Sorting a result list of 20,000 hits by each column of the result table (goal: under 50 ms
// a sort), and filling such a list.
#include <benchmark/benchmark.h>
#include <string>

#include "collection/sound_file.h"
#include "windows/results/results_list.h"

namespace {

constexpr int kHits = 20000;

void FillHits(ResultsListObj& list) {
    for (int i = 0; i < kHits; ++i) {
        SoundFileObj file;
        SoundVariantObj variant;
        // Scrambled, so that no column comes already sorted.
        const int k = (i * 7919) % kHits;
        file.fileId = k + 1;
        file.path = "/home/user/Sounds/" + std::to_string(k % 97) + "/sound_" +
                    std::to_string(k) + ".wav";
        file.description = "Description " + std::to_string((k * 31) % 1000);
        file.sampleRate = 44100;
        file.size = 1000 + (k * 13) % 500000;
        file.channels = 1 + k % 2;
        file.compression = 16 + k % 4;
        file.soundClass = 1 + k % 3;
        file.category = "Category " + std::to_string(k % 40);
        file.subcategory = "Sub " + std::to_string(k % 7);
        file.genre = "Genre " + std::to_string(k % 23);
        file.key = 1 + k % 13;
        file.bpm = 60 + k % 120;
        file.loop = 1 + k % 2;
        file.source = "Source " + std::to_string(k % 11);
        file.copyright = "Copyright " + std::to_string(k % 5);
        file.notes = "Notes " + std::to_string(k % 17);
        file.link = "http://example.org/" + std::to_string(k % 101);
        variant.fileId = file.fileId;
        variant.sampleRate = 22050 * (1 + k % 4);
        variant.duration = 100 + (k * 17) % 60000;
        variant.key = file.key;
        variant.bpm = file.bpm;
        list.InsertRow(file, variant, k % 101, 0, false, false);
    }
}

void BM_FillHits(benchmark::State& state) {
    for (auto _ : state) {
        ResultsListObj list(nullptr, ResultsListObj::kMyTambrel);
        FillHits(list);
        benchmark::DoNotOptimize(list.Count());
    }
}
BENCHMARK(BM_FillHits)->Unit(benchmark::kMillisecond);

// One sort by the display column; each round starts from the scrambled order.
void BM_SortByColumn(benchmark::State& state) {
    const int column = static_cast<int>(state.range(0));
    ResultsListObj list(nullptr, ResultsListObj::kMyTambrel);
    FillHits(list);
    for (auto _ : state) {
        state.PauseTiming();
        list.SortByColumn(column == 0 ? 2 : 0);
        state.ResumeTiming();
        list.SortByColumn(column);
    }
}
BENCHMARK(BM_SortByColumn)->DenseRange(0, 18)->Unit(benchmark::kMillisecond);

} // namespace

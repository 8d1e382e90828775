// An index run as the "Manage MyTambrel" window starts it: TAMBREL_BENCH_INDEX_FILES (default
// 200) five-second stereo 44.1 kHz WAVE files, every pitch variant within an octave, analysed
// on the task's worker and written into a SQLite catalog by the notice handler on this
// thread. Beside it, the analysis alone of the same files on one thread: the difference is
// the cost of the hand-off and the catalog writes (goal: at most 25% on top of the analysis).
// The same analysis on a thread of its own separates the cost of running it off the main
// thread.
// Counters: files per second and "x_realtime", seconds of sound indexed per second of wall
// time.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_odbc.h"
#include "bench/stereo_wave.h"
#include "collection/audio_file_util.h"
#include "collection/catalog_db.h"
#include "collection/catalog_message.h"
#include "collection/catalog_update_item.h"
#include "collection/db/schema.h"
#include "collection/indexer/indexer_task.h"

namespace {

constexpr int kSeconds = 5;

int FileCount() {
    const char* text = std::getenv("TAMBREL_BENCH_INDEX_FILES");
    const int n = text ? std::atoi(text) : 0;
    return n > 0 ? n : 200;
}

// One process-wide set-up: the application object, an ODBC configuration of our own, the
// catalog and the files.
struct Setup {
    std::string folder;
    std::vector<std::string> paths;
    std::unique_ptr<QCoreApplication> app;
    std::unique_ptr<CatalogDbObj> catalog;

    Setup() {
        static int argc = 1;
        static char name[] = "bench_indexer";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QCoreApplication>(argc, argv);
        char pattern[] = "/tmp/tambrel-bench-indexer.XXXXXX";
        folder = mkdtemp(pattern);
        UseBenchDataSource(folder, "BenchIndexer");
        SetCatalogMessageHook(
            [](const char* text) { std::fprintf(stderr, "catalog: %s\n", text); });
        catalog = std::make_unique<CatalogDbObj>("BenchIndexer");
        DB_engine engine;
        std::string engineName;
        std::vector<std::string> created;
        DB_detect_engine(catalog->Handle(), &engine, &engineName);
        DB_create_catalog_tables(catalog->Handle(), engine, &created);
        DB_build_shadow_tables(catalog->Handle(), 0);
        theCatalogDb = catalog.get();
        for (int i = 0; i < FileCount(); ++i) {
            paths.push_back(folder + "/tone" + std::to_string(i) + ".wav");
            // Each file its own pitch, so no two signatures agree.
            const double pitch = 110 + 7 * i;
            WriteStereoWave(paths.back(), kSeconds, 1 + i,
                            [pitch](double t) { return 0.6 * std::sin(2 * M_PI * pitch * t); });
        }
    }
    ~Setup() {
        theCatalogDb = nullptr;
        catalog.reset();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
};

Setup& TheSetup() {
    static Setup setup;
    return setup;
}

// The controller's catalog edits and the box's rows, without a window.
class BenchBox : public IndexerBoxLink, public IndexerController {
public:
    std::vector<std::unique_ptr<CatalogUpdateItem>>& Items() override { return items; }
    IndexerController& Controller() override { return *this; }
    void ShowUpdateProgress(int, int) override { ++progress; }
    void OnRowDone(int row, const std::string& error) override {
        failures += error.empty() ? 0 : 1;
        done = row + 1 == static_cast<int>(items.size());
    }
    bool AddCatalogFile(SoundFileObj& file, const std::vector<SoundVariantObj>& variants) override {
        return theCatalogDb->AddFile(file, variants);
    }
    bool RemoveCatalogFile(const SoundFileObj& file) override {
        return !theCatalogDb->IsInCatalog(file.path) || theCatalogDb->RemoveFile(file.path);
    }
    bool UpdateCatalogFile(SoundFileObj& file, const std::string* newPath) override {
        return theCatalogDb->UpdateFile(file, newPath);
    }
    void ApplyCatalogChanges() override {}

    std::vector<std::unique_ptr<CatalogUpdateItem>> items;
    bool done = false;
    int failures = 0;
    long progress = 0;
};

void SetCounters(benchmark::State& state, size_t files) {
    const double total = static_cast<double>(files) * static_cast<double>(state.iterations());
    state.counters["files_per_s"] = benchmark::Counter(total, benchmark::Counter::kIsRate);
    state.counters["x_realtime"] =
        benchmark::Counter(total * kSeconds, benchmark::Counter::kIsRate);
}

void BM_IndexRun(benchmark::State& state) {
    Setup& setup = TheSetup();
    for (auto _ : state) {
        state.PauseTiming();
        BenchBox box;
        for (const std::string& path : setup.paths) {
            auto item = std::make_unique<CatalogUpdateItem>();
            item->record.path = path;
            item->edited = true;
            item->allVariations = true;
            box.items.push_back(std::move(item));
        }
        IndexerTaskObj task;
        task.SetAnalysisThreads(static_cast<int>(state.range(0)));
        state.ResumeTiming();
        task.StartUpdate(box);
        while (!box.done)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        task.Stop(true);
        if (box.failures > 0)
            state.SkipWithError("a file could not be indexed");
        state.counters["notices_per_file"] =
            static_cast<double>(box.progress) / static_cast<double>(setup.paths.size());
    }
    SetCounters(state, setup.paths.size());
}
// The analysis pool's size: one thread, then one per core of this machine.
BENCHMARK(BM_IndexRun)
    ->Arg(1)
    ->Arg(static_cast<int>(std::thread::hardware_concurrency()))
    ->ArgName("threads")
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

void BM_AnalyzeOnly(benchmark::State& state) {
    Setup& setup = TheSetup();
    for (auto _ : state) {
        for (const std::string& path : setup.paths) {
            SoundFileObj file;
            file.path = path;
            std::vector<SoundVariantObj> variants;
            std::string error;
            if (!AudioFileUtil::AnalyzeFile(file, variants, 1, error, nullptr, nullptr))
                state.SkipWithError(error.c_str());
            benchmark::DoNotOptimize(variants.data());
        }
    }
    SetCounters(state, setup.paths.size());
}
BENCHMARK(BM_AnalyzeOnly)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace
namespace {

// The analysis alone on a thread of its own, as the index run's worker does it: the part of
// the difference that comes from where the analysis runs rather than from the hand-off.
void BM_AnalyzeOnWorker(benchmark::State& state) {
    Setup& setup = TheSetup();
    for (auto _ : state) {
        bool failed = false;
        std::thread worker([&] {
            for (const std::string& path : setup.paths) {
                SoundFileObj file;
                file.path = path;
                std::vector<SoundVariantObj> variants;
                std::string error;
                failed |= !AudioFileUtil::AnalyzeFile(file, variants, 1, error, nullptr, nullptr);
            }
        });
        worker.join();
        if (failed)
            state.SkipWithError("a file could not be analysed");
    }
    SetCounters(state, setup.paths.size());
}
BENCHMARK(BM_AnalyzeOnWorker)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

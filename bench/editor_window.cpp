// The editor window with a 10-minute stereo 44.1 kHz WAVE file: opening it until the
// waveform has painted once, and saving it back without edits against a plain file copy.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "editor/window/audio_file_frm.h"
#include "editor/window/audio_file_view.h"
#include "editor/window/property_box.h"
#include "stereo_wave.h"

namespace {

constexpr int kSeconds = 600;

QApplication& Application() {
    static int argc = 1;
    static char name[] = "bench_editor_window";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: the windows' statics outlive the benchmarks.
    static QApplication* application = new QApplication(argc, argv);
    return *application;
}

const std::string& TenMinutes() {
    static const std::string path = [] {
        const std::string p =
            (std::filesystem::temp_directory_path() / "bench_editor_10min.wav").string();
        WriteStereoWave(p, kSeconds, 7u, [](double t) { return 0.5 * std::sin(t * 2200.0); });
        return p;
    }();
    return path;
}

std::string Beside(const std::string& name) {
    return (std::filesystem::temp_directory_path() / name).string();
}

void BM_OpenUntilFirstPaint(benchmark::State& state) {
    Application();
    const std::string& path = TenMinutes();
    for (auto _ : state) {
        auto box = std::make_unique<PropertyBoxObj>();
        if (!box->OpenFile(path)) {
            state.SkipWithError("the file did not open");
            break;
        }
        box->frame->View()->WaveformHost()->viewport()->repaint();
        state.PauseTiming();
        box.reset();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenUntilFirstPaint)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// An unedited file saved to its own path: nothing needs writing.
void BM_SaveBackUnedited(benchmark::State& state) {
    Application();
    PropertyBoxObj box;
    box.OpenFile(TenMinutes());
    for (auto _ : state)
        benchmark::DoNotOptimize(box.Save());
}
BENCHMARK(BM_SaveBackUnedited)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// An unedited file saved under another name in its own format: a copy.
void BM_SaveAsUnedited(benchmark::State& state) {
    Application();
    PropertyBoxObj box;
    box.OpenFile(TenMinutes());
    const std::string target = Beside("bench_editor_saved_as.wav");
    for (auto _ : state) {
        state.PauseTiming();
        std::remove(target.c_str());
        box.app.path = TenMinutes();
        box.record.path = TenMinutes();
        state.ResumeTiming();
        benchmark::DoNotOptimize(box.SaveFile(target, 2, 44100, 1, 17, false));
    }
    std::remove(target.c_str());
}
BENCHMARK(BM_SaveAsUnedited)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_PlainFileCopy(benchmark::State& state) {
    const std::string target = Beside("bench_editor_copy.wav");
    for (auto _ : state) {
        state.PauseTiming();
        std::remove(target.c_str());
        state.ResumeTiming();
        std::filesystem::copy_file(TenMinutes(), target);
    }
    std::remove(target.c_str());
}
BENCHMARK(BM_PlainFileCopy)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The same copy made durable, as every save of ours is (the data reaches the disk before the
// new file replaces the old).
void BM_PlainFileCopyDurable(benchmark::State& state) {
    const std::string target = Beside("bench_editor_copy.wav");
    for (auto _ : state) {
        state.PauseTiming();
        std::remove(target.c_str());
        state.ResumeTiming();
        std::filesystem::copy_file(TenMinutes(), target);
        const int fd = open(target.c_str(), O_WRONLY);
        fsync(fd);
        close(fd);
    }
    std::remove(target.c_str());
}
BENCHMARK(BM_PlainFileCopyDurable)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// For comparison: the samples encoded again into a new file (what an edited file costs).
void BM_SaveReencoded(benchmark::State& state) {
    Application();
    PropertyBoxObj box;
    box.OpenFile(TenMinutes());
    const std::string target = Beside("bench_editor_encoded.wav");
    for (auto _ : state)
        benchmark::DoNotOptimize(box.app.SaveTo(target, 2, 44100, 1, 17, nullptr, nullptr));
    std::remove(target.c_str());
}
BENCHMARK(BM_SaveReencoded)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

// Decoding a 60 s, 128 kbit/s stereo MP3 to float frames through OpenAudioReader, beside
// libmpg123 decoding the same file on its own to 16-bit samples. Goal: the reader adds at
// most 10% to libmpg123's own time.
#include <benchmark/benchmark.h>
#include <mpg123.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "audio/reader_factory.h"

namespace {

// Made once per run with sox in the temporary folder, removed at exit.
const std::string& Mp3Path() {
    static const std::string path = [] {
        const std::string made = (std::filesystem::temp_directory_path() /
                                  ("tambrel_bench_" + std::to_string(::getpid()) + ".mp3"))
                                     .string();
        const std::string command =
            "sox -V1 -D -n -r 44100 -c 2 -C 128 " + made + " synth 60 sine 200-4000 pinknoise 2>&1";
        if (std::system(command.c_str()) != 0) {
            std::abort();
        }
        std::atexit([] { std::filesystem::remove(Mp3Path()); });
        return made;
    }();
    return path;
}

std::int64_t FileLength(const std::string& path) {
    return static_cast<std::int64_t>(std::filesystem::file_size(path));
}

void ThroughOpenAudioReader(benchmark::State& state) {
    const std::string& path = Mp3Path();
    std::vector<float> buffer(4608);
    std::int64_t samples = 0;
    for (auto _ : state) {
        std::ifstream in(path, std::ios::binary);
        auto reader = OpenAudioReader(in, FileLength(path), ".mp3", false);
        int got = 0;
        while ((got = reader->GetSamples(buffer.data(), 4608)) > 0) {
            samples += got;
        }
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetItemsProcessed(samples);
}
BENCHMARK(ThroughOpenAudioReader)->Unit(benchmark::kMillisecond);

void Libmpg123Alone(benchmark::State& state) {
    const std::string& path = Mp3Path();
    mpg123_init();
    std::int64_t samples = 0;
    for (auto _ : state) {
        mpg123_handle* h = mpg123_new(nullptr, nullptr);
        mpg123_param(h, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0.0);
        mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
        mpg123_format_none(h);
        mpg123_format(h, 44100, 2, MPG123_ENC_SIGNED_16);
        mpg123_open(h, path.c_str());
        off_t frame = 0;
        unsigned char* audio = nullptr;
        std::size_t bytes = 0;
        int result = MPG123_OK;
        while (result == MPG123_OK || result == MPG123_NEW_FORMAT) {
            result = mpg123_decode_frame(h, &frame, &audio, &bytes);
            samples += static_cast<std::int64_t>(bytes / 2);
            benchmark::DoNotOptimize(audio);
        }
        mpg123_close(h);
        mpg123_delete(h);
    }
    state.SetItemsProcessed(samples);
}
BENCHMARK(Libmpg123Alone)->Unit(benchmark::kMillisecond);

} // namespace

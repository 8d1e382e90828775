// Refilling the play buffers and storing recorded buffers on the hand-driven device, so that
// mostly the player's own work is measured (a recording also pays for the device writing
// silence): frames per second of processor time, for float and for the 16-bit fallback.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

#include "audio/engine/audio_player.h"
#include "platform/hand_clock_device.h"

namespace {

class MemorySound : public CAP_AudioContainer {
public:
    MemorySound(int frames) : samples(static_cast<std::size_t>(frames) * 2) {
        channels = 2;
        rate = 44100;
        duration = static_cast<double>(frames) / rate;
        for (std::size_t i = 0; i < samples.size(); ++i) {
            samples[i] = static_cast<float>((i % 200) / 100.0 - 1.0);
        }
    }
    int ReadFrames(float* out, int frames, std::int64_t start) override {
        const std::int64_t n = std::min<std::int64_t>(frames, Frames() - start);
        if (n <= 0) {
            return 0;
        }
        std::copy_n(samples.begin() + start * 2, n * 2, out);
        return static_cast<int>(n);
    }
    int WriteFrames(const float* in, int frames, std::int64_t start) override {
        const std::int64_t n = std::min<std::int64_t>(frames, Frames() - start);
        if (n <= 0) {
            return 0;
        }
        std::copy_n(in, n * 2, samples.begin() + start * 2);
        return static_cast<int>(n);
    }
    std::int64_t Frames() const { return static_cast<std::int64_t>(samples.size() / 2); }
    std::vector<float> samples;
};

constexpr int kSeconds = 10;

void BM_PlayTenSeconds(benchmark::State& state) {
    HandClockAudioSystem devices;
    devices.SetKeepsPlayedBytes(false);
    devices.SetRefusesFloat(state.range(0) == 16);
    AudioSystem* previous = SetAudioSystem(&devices);
    MemorySound sound(44100 * kSeconds);
    CAI_AudioPlayer player(&sound, nullptr);
    for (auto _ : state) {
        player.Play(0, 0);
        devices.Advance(kSeconds);
        player.StopIfFinished();
    }
    state.SetItemsProcessed(state.iterations() * 44100 * kSeconds);
    SetAudioSystem(previous);
}
BENCHMARK(BM_PlayTenSeconds)->Arg(32)->Arg(16)->Unit(benchmark::kMillisecond);

void BM_RecordTenSeconds(benchmark::State& state) {
    HandClockAudioSystem devices;
    devices.SetRefusesFloat(state.range(0) == 16);
    AudioSystem* previous = SetAudioSystem(&devices);
    MemorySound target(44100 * kSeconds);
    CAI_AudioPlayer recorder(nullptr, &target);
    recorder.SetDcOffsets(0.01f, -0.01f);
    for (auto _ : state) {
        recorder.Record(0, kSeconds);
        devices.Advance(kSeconds + 0.1);
        recorder.StopIfFinished();
    }
    state.SetItemsProcessed(state.iterations() * 44100 * kSeconds);
    SetAudioSystem(previous);
}
BENCHMARK(BM_RecordTenSeconds)->Arg(32)->Arg(16)->Unit(benchmark::kMillisecond);

} // namespace

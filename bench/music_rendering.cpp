// Rendering speed of tracker modules and MIDI files, in output samples per second.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "audio/formats/midi.h"
#include "audio/formats/mod.h"

namespace {

void PutMsb(std::string& out, std::uint32_t value, int size) {
    for (int i = size - 1; i >= 0; --i) {
        out.push_back(static_cast<char>(value >> (8 * i)));
    }
}

// Four channels playing a looped 64-sample wave on every row for 16 positions (about 2 minutes
// at the default speed), with arpeggio, vibrato and volume slides in turn.
const std::string& ModuleBytes() {
    static const std::string bytes = [] {
        std::string out(20, '\0');
        for (int i = 0; i < 31; ++i) {
            out.append(22, '\0');
            PutMsb(out, i == 0 ? 32 : 0, 2); // 64 samples
            out.push_back(0);
            out.push_back(64);
            PutMsb(out, 0, 2);
            PutMsb(out, i == 0 ? 32 : 1, 2);
        }
        out.push_back(16);
        out.push_back(127);
        for (int p = 0; p < 128; ++p) {
            out.push_back(0);
        }
        out += "M.K.";
        const int periods[] = {254, 302, 339, 381, 428, 453, 508, 570};
        const int effects[][2] = {{0x0, 0x37}, {0x4, 0x46}, {0xA, 0x02}, {0x0, 0x00}};
        for (int row = 0; row < 64; ++row) {
            for (int c = 0; c < 4; ++c) {
                const int period = periods[(row + 3 * c) % 8];
                const auto& e = effects[(row + c) % 4];
                out.push_back(static_cast<char>((period >> 8) & 0x0F));
                out.push_back(static_cast<char>(period & 0xFF));
                out.push_back(static_cast<char>(0x10 | e[0]));
                out.push_back(static_cast<char>(e[1]));
            }
        }
        for (int i = 0; i < 64; ++i) {
            out.push_back(static_cast<char>(i < 32 ? 4 * i : 4 * (63 - i)));
        }
        return out;
    }();
    return bytes;
}

void PutVariable(std::string& out, std::uint32_t value) {
    std::string bytes(1, static_cast<char>(value & 0x7F));
    while ((value >>= 7) != 0) {
        bytes.insert(bytes.begin(), static_cast<char>(0x80 | (value & 0x7F)));
    }
    out += bytes;
}

// A minute of four-note chords, a new chord every quarter note.
const std::string& MidiBytes() {
    static const std::string bytes = [] {
        std::string track;
        for (int chord = 0; chord < 120; ++chord) {
            const int root = 48 + chord % 12;
            for (int n = 0; n < 4; ++n) {
                PutVariable(track, 0);
                track += {static_cast<char>(0x90), static_cast<char>(root + 4 * n), 100};
            }
            for (int n = 0; n < 4; ++n) {
                PutVariable(track, n == 0 ? 96 : 0);
                track += {static_cast<char>(0x80), static_cast<char>(root + 4 * n), 64};
            }
        }
        PutVariable(track, 0);
        track += {static_cast<char>(0xFF), 0x2F, 0};
        std::string out = "MThd";
        PutMsb(out, 6, 4);
        PutMsb(out, 0, 2);
        PutMsb(out, 1, 2);
        PutMsb(out, 96, 2);
        out += "MTrk";
        PutMsb(out, static_cast<std::uint32_t>(track.size()), 4);
        return out + track;
    }();
    return bytes;
}

template <typename Reader> void Render(benchmark::State& state, const std::string& bytes) {
    std::vector<float> buffer(4096);
    std::int64_t samples = 0;
    // The readers' diagnostics would flood the report: standard error goes nowhere meanwhile.
    std::fflush(stderr);
    const int savedError = ::dup(2);
    const int nowhere = ::open("/dev/null", O_WRONLY);
    ::dup2(nowhere, 2);
    for (auto _ : state) {
        std::istringstream in(bytes);
        Reader reader(in, static_cast<std::int64_t>(bytes.size()));
        for (int got; (got = reader.GetSamples(buffer.data(), 4096)) > 0;) {
            samples += got;
            benchmark::DoNotOptimize(buffer.data());
        }
    }
    std::fflush(stderr);
    ::dup2(savedError, 2);
    ::close(savedError);
    ::close(nowhere);
    state.SetItemsProcessed(samples);
}

void BM_ModuleRender(benchmark::State& state) {
    Render<ModRead>(state, ModuleBytes());
}
BENCHMARK(BM_ModuleRender)->Unit(benchmark::kMillisecond);

void BM_MidiRender(benchmark::State& state) {
    Render<MidiRead>(state, MidiBytes());
}
BENCHMARK(BM_MidiRender)->Unit(benchmark::kMillisecond);

} // namespace

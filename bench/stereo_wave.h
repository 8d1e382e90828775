// The WAVE files the analysis benchmarks feed on: 16-bit stereo 44.1 kHz, a tone with noise
// of opposite sign in the two channels, so the mix-down and each channel differ.
#pragma once

#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>

inline void PutLe(std::ofstream& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.put(static_cast<char>((value >> (8 * i)) & 0xff));
}

// tone(t) is the tone's value at t seconds; noiseSeed starts the noise.
template <typename Tone>
void WriteStereoWave(const std::string& path, int seconds, std::uint32_t noiseSeed, Tone tone) {
    const std::uint32_t frames = 44100u * static_cast<std::uint32_t>(seconds);
    std::ofstream out(path, std::ios::binary);
    out.write("RIFF", 4);
    PutLe(out, 36 + frames * 4, 4);
    out.write("WAVEfmt ", 8);
    PutLe(out, 16, 4);
    PutLe(out, 1, 2);
    PutLe(out, 2, 2);
    PutLe(out, 44100, 4);
    PutLe(out, 44100 * 4, 4);
    PutLe(out, 4, 2);
    PutLe(out, 16, 2);
    out.write("data", 4);
    PutLe(out, frames * 4, 4);
    std::uint32_t noise = noiseSeed;
    for (std::uint32_t i = 0; i < frames; ++i) {
        const double t = i / 44100.0;
        noise = noise * 1664525u + 1013904223u;
        const double hiss = (static_cast<double>(noise >> 8) / 16777216.0 - 0.5) * 0.1;
        const double value = tone(t);
        PutLe(out, static_cast<std::uint16_t>(static_cast<std::int16_t>((value + hiss) * 30000)),
              2);
        PutLe(out, static_cast<std::uint16_t>(static_cast<std::int16_t>((value - hiss) * 30000)),
              2);
    }
}

// A container of the tests' own: frames held in memory, read at random, and grown by writes
// (up to a limit, for a target that fills up).
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

#include "audio/engine/audio_container.h"

class MemoryContainer : public CAP_AudioContainer {
public:
    MemoryContainer(int channelCount, int frameRate, std::int64_t frames = 0) {
        channels = channelCount;
        rate = frameRate;
        samples.assign(static_cast<std::size_t>(frames * channelCount), 0.0f);
        duration = static_cast<double>(frames) / frameRate;
    }

    // Fills every sample with value(frame, channel).
    void Fill(const std::function<float(std::int64_t, int)>& value) {
        for (std::int64_t f = 0; f < Frames(); ++f) {
            for (int c = 0; c < channels; ++c) {
                samples[f * channels + c] = value(f, c);
            }
        }
    }

    std::int64_t Frames() const { return static_cast<std::int64_t>(samples.size()) / channels; }
    float At(std::int64_t frame, int channel) const { return samples[frame * channels + channel]; }

    int ReadFrames(float* floats, int frames, std::int64_t start) override {
        const std::int64_t n = std::min<std::int64_t>(frames, Frames() - start);
        if (n <= 0 || start < 0) {
            return 0;
        }
        std::copy_n(samples.begin() + start * channels, n * channels, floats);
        return static_cast<int>(n);
    }

    int WriteFrames(const float* floats, int frames, std::int64_t start) override {
        const std::int64_t n = std::min<std::int64_t>(frames, limit - start);
        if (n <= 0 || start < 0) {
            return 0;
        }
        if (start + n > Frames()) {
            samples.resize(static_cast<std::size_t>((start + n) * channels), 0.0f);
        }
        std::copy_n(floats, n * channels, samples.begin() + start * channels);
        return static_cast<int>(n);
    }

    std::vector<float> samples;
    std::int64_t limit = std::numeric_limits<std::int64_t>::max(); // frames a write may reach
};

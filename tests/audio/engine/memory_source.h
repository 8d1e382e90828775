// A container over interleaved frames held in memory, recording what it was asked to read.
#pragma once

#include <algorithm>
#include <cstring>
#include <vector>

#include "audio/engine/audio_container.h"

class MemorySource : public CAP_AudioContainer {
public:
    MemorySource(int channels, int rate, std::vector<float> frames) : samples(std::move(frames)) {
        this->channels = channels;
        this->rate = rate;
        duration = static_cast<double>(samples.size() / channels) / rate;
    }

    int ReadFrames(float* floats, int frames, std::int64_t start) override {
        requests.push_back(start);
        const std::int64_t total = static_cast<std::int64_t>(samples.size()) / channels;
        const int got = static_cast<int>(std::clamp<std::int64_t>(total - start, 0, frames));
        std::memcpy(floats, samples.data() + start * channels,
                    static_cast<std::size_t>(got) * channels * sizeof(float));
        readPosition = start + got;
        results.push_back(got);
        return got;
    }

    std::vector<float> samples;
    std::vector<std::int64_t> requests; // start frame of every read
    std::vector<int> results;           // frames each read gave
};

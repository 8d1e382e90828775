#include "tests/support/sample_stream_checks.h"

#include <algorithm>
#include <cmath>
#include <random>

#include "audio/sound_error.h"

std::vector<float> ReadAllSamples(AudioAbstract& reader, std::size_t limit) {
    std::vector<float> samples;
    std::vector<float> block(4096);
    while (samples.size() < limit) {
        const int got = reader.GetSamples(block.data(), static_cast<int>(block.size()));
        if (got <= 0) {
            break;
        }
        samples.insert(samples.end(), block.begin(), block.begin() + got);
    }
    return samples;
}

std::string SoundErrorText(const std::function<void()>& action) {
    try {
        action();
    } catch (const SoundError& error) {
        return error.what();
    }
    return "";
}

std::vector<std::vector<std::uint8_t>> MalformedCopies(const std::vector<std::uint8_t>& valid,
                                                       int count, std::uint32_t seed,
                                                       std::size_t headerBytes) {
    std::mt19937 random(seed);
    std::vector<std::vector<std::uint8_t>> copies;
    for (int i = 0; i < count; ++i) {
        std::vector<std::uint8_t> copy = valid;
        switch (i % 4) {
        case 0: // truncated
            copy.resize(valid.empty() ? 0 : random() % valid.size());
            break;
        case 1:   // a few bytes changed, mostly in the header
        case 2: { // the same, with extreme values
            const int changes = 1 + static_cast<int>(random() % 6);
            for (int c = 0; c < changes && !copy.empty(); ++c) {
                const std::size_t span =
                    random() % 3 != 0 ? std::min(headerBytes, copy.size()) : copy.size();
                const std::size_t at = random() % span;
                copy[at] = i % 4 == 1 ? static_cast<std::uint8_t>(random())
                                      : (random() % 2 != 0 ? 0xFF : 0x00);
            }
            break;
        }
        default: { // noise after the first bytes
            const std::size_t keep = std::min<std::size_t>(random() % 16, copy.size());
            copy.resize(keep + random() % 2048);
            for (std::size_t at = keep; at < copy.size(); ++at) {
                copy[at] = static_cast<std::uint8_t>(random());
            }
            break;
        }
        }
        copies.push_back(std::move(copy));
    }
    return copies;
}

double RisingCrossingsPerSecond(const std::vector<float>& samples, int rate, std::size_t begin,
                                std::size_t end, int stride, int offset) {
    int crossings = 0;
    std::size_t first = 0;
    std::size_t last = 0;
    float previous = 0;
    bool havePrevious = false;
    for (std::size_t i = begin + offset; i < end && i < samples.size(); i += stride) {
        if (havePrevious && previous < 0 && samples[i] >= 0) {
            if (crossings == 0) {
                first = i;
            }
            last = i;
            ++crossings;
        }
        previous = samples[i];
        havePrevious = true;
    }
    if (crossings < 2) {
        return 0;
    }
    const double seconds = static_cast<double>(last - first) / stride / rate;
    return (crossings - 1) / seconds;
}

float Peak(const std::vector<float>& samples, std::size_t begin, std::size_t end) {
    float peak = 0;
    for (std::size_t i = begin; i < end && i < samples.size(); ++i) {
        peak = std::max(peak, std::fabs(samples[i]));
    }
    return peak;
}

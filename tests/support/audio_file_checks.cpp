#include "tests/support/audio_file_checks.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <random>

#include "tests/support/sox_files.h"

std::vector<float> ReadAll(AudioAbstract& reader, int piece, std::size_t limit) {
    reader.SamplingRate();
    reader.Channels();
    std::vector<float> samples;
    std::vector<float> buffer(static_cast<std::size_t>(piece));
    while (samples.size() < limit) {
        const int got = reader.GetSamples(buffer.data(), piece);
        if (got <= 0) {
            break;
        }
        samples.insert(samples.end(), buffer.begin(), buffer.begin() + got);
    }
    return samples;
}

void ForEachMutation(const std::vector<Bytes>& seeds, int rounds,
                     const std::function<void(const Bytes&)>& check) {
    std::mt19937 random(20261210);
    const std::uint32_t extremes[] = {0, 1, 7, 8, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFFFFF8};
    for (int round = 0; round < rounds; ++round) {
        Bytes bytes = seeds[static_cast<std::size_t>(round) % seeds.size()];
        auto pick = [&](std::size_t n) {
            return n == 0 ? 0 : static_cast<std::size_t>(random() % n);
        };
        // Most damage lands in the headers, where the parsing is.
        const std::size_t headerSpan = std::min<std::size_t>(bytes.size(), 128);
        switch (round % 5) {
        case 0: // flipped bytes
            for (int i = 0, n = 1 + static_cast<int>(pick(4)); i < n; ++i) {
                bytes[pick(headerSpan)] ^= static_cast<std::uint8_t>(1 + pick(255));
            }
            break;
        case 1: // truncation
            bytes.resize(pick(bytes.size()));
            break;
        case 2: { // a 32-bit field set to an extreme, in either byte order
            if (bytes.size() >= 4) {
                const std::size_t at = pick(headerSpan - 3);
                const std::uint32_t value = extremes[pick(std::size(extremes))];
                for (int i = 0; i < 4; ++i) {
                    const int shift = (round / 5) % 2 == 0 ? 8 * i : 8 * (3 - i);
                    bytes[at + i] = static_cast<std::uint8_t>(value >> shift);
                }
            }
            break;
        }
        case 3: // a 16-bit field set to an extreme
            if (bytes.size() >= 2) {
                const std::size_t at = pick(headerSpan - 1);
                const std::uint16_t value = pick(2) == 0 ? 0 : 0xFFFF;
                bytes[at] = static_cast<std::uint8_t>(value);
                bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
            }
            break;
        default: // noise after a valid beginning
            for (std::size_t i = pick(headerSpan); i < bytes.size(); ++i) {
                bytes[i] = static_cast<std::uint8_t>(random());
            }
            break;
        }
        check(bytes);
    }
}

std::vector<float> SoxFloats(const std::string& path) {
    const std::string out = path + ".f32";
    if (!RunSox(path + " -t raw -e floating-point -b 32 " + out)) {
        return {};
    }
    const Bytes bytes = ReadFileBytes(out);
    std::vector<float> samples(bytes.size() / 4);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 4);
    return samples;
}

std::vector<float> TestFloats(int frames, int channels) {
    const std::vector<std::int16_t> signal = TestSignal(frames, channels);
    std::vector<float> samples(signal.size());
    for (std::size_t i = 0; i < signal.size(); ++i) {
        samples[i] = static_cast<float>(signal[i]) / 32768.0f;
    }
    return samples;
}

std::string ItemText(AudioAbstract& reader, int code) {
    std::size_t size = 0;
    const std::uint8_t* data = reader.Chunks()->FindItem(code, size);
    return data == nullptr ? "<none>" : std::string(data, data + size);
}

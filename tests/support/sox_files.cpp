#include "tests/support/sox_files.h"

#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

TempFolder::TempFolder() {
    static std::atomic<int> counter{0};
    path = std::filesystem::temp_directory_path() /
           ("tambrel_test_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
    std::filesystem::create_directories(path);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

bool RunSox(const std::string& arguments) {
    const std::string command = "sox -V1 -D " + arguments + " 2>&1";
    return std::system(command.c_str()) == 0;
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> Int16Bytes(const std::vector<std::int16_t>& samples) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(samples.size() * 2);
    for (std::int16_t s : samples) {
        bytes.push_back(static_cast<std::uint8_t>(s & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>((s >> 8) & 0xFF));
    }
    return bytes;
}

std::vector<std::int16_t> Int16Samples(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
    return samples;
}

std::vector<std::uint8_t> RiffChunkBody(const std::vector<std::uint8_t>& file, const char* id) {
    std::size_t pos = 12;
    while (pos + 8 <= file.size()) {
        const std::uint32_t size = file[pos + 4] | (file[pos + 5] << 8) | (file[pos + 6] << 16) |
                                   (std::uint32_t{file[pos + 7]} << 24);
        const std::size_t body = pos + 8;
        const std::size_t end = std::min<std::size_t>(body + size, file.size());
        if (std::memcmp(file.data() + pos, id, 4) == 0) {
            return std::vector<std::uint8_t>(file.begin() + static_cast<long>(body),
                                             file.begin() + static_cast<long>(end));
        }
        pos = body + size + (size & 1);
    }
    return {};
}

std::vector<std::int16_t> TestSignal(int frames, int channels) {
    std::vector<std::int16_t> samples(static_cast<std::size_t>(frames) * channels);
    std::uint32_t noise = 12345;
    for (int f = 0; f < frames; ++f) {
        for (int ch = 0; ch < channels; ++ch) {
            noise = noise * 1664525u + 1013904223u;
            const double t = f / 8000.0;
            const double tone = std::sin(2 * M_PI * (220.0 + 110.0 * ch) * t) +
                                0.3 * std::sin(2 * M_PI * 3100.0 * t);
            const double jitter = static_cast<double>(noise >> 16) / 65536.0 - 0.5;
            const int phase = (f / 1500) % 4; // quiet, normal, silent, clipping
            const double gain = phase == 0   ? 300.0
                                : phase == 1 ? 12000.0
                                : phase == 2 ? 0.0
                                             : 60000.0;
            const double v = gain * (tone + 0.2 * jitter);
            samples[static_cast<std::size_t>(f) * channels + ch] =
                static_cast<std::int16_t>(std::lround(std::fmax(-32768.0, std::fmin(32767.0, v))));
        }
    }
    return samples;
}

SoxEncoded EncodeWithSox(const std::vector<std::int16_t>& samples, int channels,
                         const std::string& encoding) {
    TempFolder folder;
    SoxEncoded result;
    WriteFileBytes(folder.Path("in.raw"), Int16Bytes(samples));
    const std::string wav = folder.Path("encoded.wav");
    if (!RunSox("-t raw -r 8000 -e signed-integer -b 16 -c " + std::to_string(channels) + " " +
                folder.Path("in.raw") + " -e " + encoding + " " + wav) ||
        !RunSox(wav + " -t raw -e signed-integer -b 16 " + folder.Path("out.raw"))) {
        return result;
    }
    const auto file = ReadFileBytes(wav);
    result.fmt = RiffChunkBody(file, "fmt ");
    result.data = RiffChunkBody(file, "data");
    result.decoded = Int16Samples(ReadFileBytes(folder.Path("out.raw")));
    result.ok = !result.fmt.empty() && !result.data.empty();
    return result;
}

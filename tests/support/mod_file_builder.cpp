#include "tests/support/mod_file_builder.h"

#include "tests/support/chunk_builder.h"

#include <algorithm>

ModFileBuilder::ModFileBuilder(const std::string& signature, int channels)
    : signature(signature), channels(channels) {}

ModFileBuilder& ModFileBuilder::Instrument(int number, const std::vector<std::int8_t>& data,
                                           int volume, int loopStartWords, int loopLengthWords,
                                           int finetune) {
    Sample& s = samples[number - 1];
    s.data = data;
    s.volume = volume;
    s.loopStartWords = loopStartWords;
    s.loopLengthWords = loopLengthWords;
    s.finetune = finetune;
    return *this;
}

ModFileBuilder& ModFileBuilder::Note(int pattern, int row, int channel, int instrument, int period,
                                     int effect, int parameter) {
    if (patterns.size() <= static_cast<std::size_t>(pattern)) {
        patterns.resize(pattern + 1, std::vector<std::uint8_t>(64 * channels * 4, 0));
    }
    std::uint8_t* n = patterns[pattern].data() + (row * channels + channel) * 4;
    n[0] = static_cast<std::uint8_t>((instrument & 0xF0) | ((period >> 8) & 0x0F));
    n[1] = static_cast<std::uint8_t>(period & 0xFF);
    n[2] = static_cast<std::uint8_t>(((instrument & 0x0F) << 4) | (effect & 0x0F));
    n[3] = static_cast<std::uint8_t>(parameter);
    return *this;
}

ModFileBuilder& ModFileBuilder::Song(const std::vector<int>& patternAtPosition) {
    positions = patternAtPosition;
    return *this;
}

ModFileBuilder& ModFileBuilder::SongLengthByte(int length) {
    songLengthByte = length;
    return *this;
}

std::vector<std::uint8_t> ModFileBuilder::Bytes() const {
    std::vector<std::uint8_t> out;
    const std::string name = "test song";
    out.insert(out.end(), name.begin(), name.end());
    out.resize(20, 0);
    for (int i = 0; i < 31; ++i) {
        const Sample& s = samples[i];
        std::string instrumentName = "instrument " + std::to_string(i + 1);
        instrumentName.resize(22, '\0');
        out.insert(out.end(), instrumentName.begin(), instrumentName.end());
        PutInt(out, static_cast<std::uint32_t>(s.data.size() / 2), 2, ByteOrder::Big);
        out.push_back(static_cast<std::uint8_t>(s.finetune & 0x0F));
        out.push_back(static_cast<std::uint8_t>(s.volume));
        PutInt(out, static_cast<std::uint32_t>(s.loopStartWords), 2, ByteOrder::Big);
        PutInt(out, static_cast<std::uint32_t>(s.loopLengthWords), 2, ByteOrder::Big);
    }
    out.push_back(static_cast<std::uint8_t>(
        songLengthByte >= 0 ? songLengthByte : static_cast<int>(positions.size())));
    out.push_back(127);
    int highest = 0;
    for (int i = 0; i < 128; ++i) {
        const int p = i < static_cast<int>(positions.size()) ? positions[i] : 0;
        highest = std::max(highest, p);
        out.push_back(static_cast<std::uint8_t>(p));
    }
    out.insert(out.end(), signature.begin(), signature.begin() + 4);
    for (int p = 0; p <= highest; ++p) {
        if (static_cast<std::size_t>(p) < patterns.size()) {
            out.insert(out.end(), patterns[p].begin(), patterns[p].end());
        } else {
            out.resize(out.size() + 64 * channels * 4, 0);
        }
    }
    for (const Sample& s : samples) {
        for (std::size_t i = 0; i < s.data.size() / 2 * 2; ++i) {
            out.push_back(static_cast<std::uint8_t>(s.data[i]));
        }
    }
    return out;
}

std::vector<std::int8_t> ModFileBuilder::SquareCycle(int amplitude) {
    std::vector<std::int8_t> cycle(32);
    for (int i = 0; i < 32; ++i) {
        cycle[i] = static_cast<std::int8_t>(i < 16 ? amplitude : -amplitude);
    }
    return cycle;
}

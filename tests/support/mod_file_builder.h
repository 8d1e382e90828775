#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Builds a 31-instrument tracker module: instruments, pattern notes and the position table.
// Patterns 0 .. the highest one in the position table are written.
class ModFileBuilder {
public:
    explicit ModFileBuilder(const std::string& signature = "M.K.", int channels = 4);

    // Lengths and loops are in words of two samples, as the format stores them.
    ModFileBuilder& Instrument(int number, const std::vector<std::int8_t>& samples, int volume = 64,
                               int loopStartWords = 0, int loopLengthWords = 1, int finetune = 0);
    ModFileBuilder& Note(int pattern, int row, int channel, int instrument, int period,
                         int effect = 0, int parameter = 0);
    ModFileBuilder& Song(const std::vector<int>& patternAtPosition);
    // The stored song length, whatever the position table holds.
    ModFileBuilder& SongLengthByte(int length);

    std::vector<std::uint8_t> Bytes() const;

    // One cycle of a square wave, looped: 440 Hz at period 254.
    static std::vector<std::int8_t> SquareCycle(int amplitude = 100);

private:
    struct Sample {
        std::vector<std::int8_t> data;
        int volume = 0;
        int loopStartWords = 0;
        int loopLengthWords = 1;
        int finetune = 0;
    };
    std::string signature;
    int channels;
    Sample samples[31];
    std::vector<std::vector<std::uint8_t>> patterns;
    std::vector<int> positions{0};
    int songLengthByte = -1;
};

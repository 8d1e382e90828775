#include "audio/codecs/dpcm8svx.h"

namespace {

constexpr int kFibonacci[16] = {-34, -21, -13, -8, -5, -3, -2, -1, 0, 1, 2, 3, 5, 8, 13, 21};
constexpr int kExponential[16] = {-128, -64, -32, -16, -8, -4, -2, -1, 0, 1, 2, 4, 8, 16, 32, 64};

constexpr int kReadBytes = 4096;

} // namespace

DpcmDecompressor::DpcmDecompressor(AudioAbstract* source, const int* table)
    : BlockDecompressor(source, 1), table(table), bytes(kReadBytes) {
    decoded.resize(2 * kReadBytes);
}

std::int64_t DpcmDecompressor::PrepareSeek(std::int64_t sampleIndex) {
    // The accumulator depends on every byte before the position.
    return SeekByDecoding(sampleIndex);
}

std::int16_t DpcmDecompressor::Add(int nibble) {
    // 16-bit wrap-around, as the stored deltas expect.
    accumulator = static_cast<std::int16_t>(
        static_cast<std::uint16_t>(static_cast<std::uint16_t>(accumulator) + table[nibble] * 256));
    return accumulator;
}

bool DpcmDecompressor::DecodeBlock() {
    const int got = ReadSome(bytes.data(), kReadBytes);
    if (got <= 0) {
        return false;
    }
    for (int i = 0; i < got; ++i) {
        decoded[2 * i] = Add(bytes[i] >> 4);
        decoded[2 * i + 1] = Add(bytes[i] & 15);
    }
    decodedCount = 2 * got;
    return true;
}

DecompressDpcmFibonacci::DecompressDpcmFibonacci(AudioAbstract* source)
    : DpcmDecompressor(source, kFibonacci) {}

DecompressDpcmExponential::DecompressDpcmExponential(AudioAbstract* source)
    : DpcmDecompressor(source, kExponential) {}

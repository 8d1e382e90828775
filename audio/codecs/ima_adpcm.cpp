#include "audio/codecs/ima_adpcm.h"

#include "audio/sound_error.h"

namespace {

constexpr int kStepTable[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,   21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,   73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,  253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,  876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749, 3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

constexpr int kIndexTable[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

constexpr int kMaxIndex = 88;

void CheckChannels(int channels) {
    if (channels < 1 || channels > 2) {
        throw SoundError("Unsupported IMA ADPCM channel count: ", channels, true);
    }
}

} // namespace

std::int16_t ImaAdpcmState::Step(int nibble) {
    const int step = kStepTable[index];
    int diff = step >> 3;
    if ((nibble & 1) != 0) {
        diff += step >> 2;
    }
    if ((nibble & 2) != 0) {
        diff += step >> 1;
    }
    if ((nibble & 4) != 0) {
        diff += step;
    }
    int value = (nibble & 8) != 0 ? predictor - diff : predictor + diff;
    value = value < -32768 ? -32768 : value > 32767 ? 32767 : value;
    predictor = static_cast<std::int16_t>(value);
    index += kIndexTable[nibble & 15];
    index = index < 0 ? 0 : index > kMaxIndex ? kMaxIndex : index;
    return predictor;
}

DecompressImaAdpcmMs::DecompressImaAdpcmMs(AudioAbstract* source, int samplesPerBlock, int channels)
    : BlockDecompressor(source, channels), samplesPerBlock(samplesPerBlock) {
    CheckChannels(channels);
    // A block is one header sample plus whole rounds of 8; anything else would read past the
    // block or leave samples undefined.
    if (samplesPerBlock < 1 || (samplesPerBlock - 1) % 8 != 0) {
        throw SoundError("Bad samples per block in IMA ADPCM Format: ", samplesPerBlock, false);
    }
    blockSize = channels * ((samplesPerBlock + 7) / 2);
    block.resize(static_cast<std::size_t>(blockSize));
    decoded.resize(static_cast<std::size_t>(samplesPerBlock) * channels);
}

std::int64_t DecompressImaAdpcmMs::BytesForSamples(std::int64_t samples) {
    return samples / channels / samplesPerBlock * blockSize;
}

std::int64_t DecompressImaAdpcmMs::PrepareSeek(std::int64_t sampleIndex) {
    return SeekToBlock(sampleIndex, samplesPerBlock, blockSize);
}

bool DecompressImaAdpcmMs::DecodeBlock() {
    // A short final block ends the sound.
    if (ReadFully(block.data(), blockSize) < blockSize) {
        return false;
    }
    ImaAdpcmState states[2];
    for (int ch = 0; ch < channels; ++ch) {
        const std::uint8_t* header = block.data() + 4 * ch;
        states[ch].predictor = static_cast<std::int16_t>(header[0] | (header[1] << 8));
        if (header[2] > kMaxIndex) {
            throw SoundError("Bad index value in IMA ADPCM Format");
        }
        if (header[3] != 0) {
            throw SoundError("Synchronization error in IMA ADPCM Format");
        }
        states[ch].index = header[2];
        decoded[ch] = states[ch].predictor;
    }
    const std::uint8_t* bytes = block.data() + 4 * channels;
    const int rounds = (samplesPerBlock - 1) / 8;
    for (int round = 0; round < rounds; ++round) {
        for (int ch = 0; ch < channels; ++ch) {
            const int firstFrame = 1 + round * 8;
            for (int i = 0; i < 4; ++i, ++bytes) {
                const int frame = firstFrame + 2 * i;
                decoded[frame * channels + ch] = states[ch].Step(*bytes & 15);
                decoded[(frame + 1) * channels + ch] = states[ch].Step(*bytes >> 4);
            }
        }
    }
    decodedCount = samplesPerBlock * channels;
    return true;
}

DecompressImaAdpcmApple::DecompressImaAdpcmApple(AudioAbstract* source, int channels)
    : BlockDecompressor(source, channels) {
    CheckChannels(channels);
    packets.resize(static_cast<std::size_t>(kPacketBytes) * channels);
    decoded.resize(static_cast<std::size_t>(kPacketSamples) * channels);
}

std::int64_t DecompressImaAdpcmApple::BytesForSamples(std::int64_t samples) {
    return samples / channels / kPacketSamples * kPacketBytes * channels;
}

std::int64_t DecompressImaAdpcmApple::PrepareSeek(std::int64_t sampleIndex) {
    // A packet's header keeps only the top 9 bits of the predictor, so the exact state at a
    // packet exists only by decoding up to it.
    return SeekByDecoding(sampleIndex);
}

void DecompressImaAdpcmApple::ResetState() {
    state[0] = ImaAdpcmState{};
    state[1] = ImaAdpcmState{};
}

bool DecompressImaAdpcmApple::DecodeBlock() {
    const int groupBytes = kPacketBytes * channels;
    // A short packet ends the sound.
    if (ReadFully(packets.data(), groupBytes) < groupBytes) {
        return false;
    }
    for (int ch = 0; ch < channels; ++ch) {
        const std::uint8_t* packet = packets.data() + kPacketBytes * ch;
        const auto header = static_cast<std::int16_t>((packet[0] << 8) | (packet[1] & 0x80));
        const int index = packet[1] & 0x7F;
        if (index > kMaxIndex) {
            throw SoundError("Synchronization error in IMA ADPCM Format");
        }
        ImaAdpcmState& s = state[ch];
        // The running predictor is more precise than the header; keep it while they agree.
        if ((s.predictor & ~0x7F) != header) {
            s.predictor = header;
        }
        s.index = index;
        for (int i = 0; i < kPacketSamples / 2; ++i) {
            const std::uint8_t byte = packet[2 + i];
            decoded[(2 * i) * channels + ch] = s.Step(byte & 15);
            decoded[(2 * i + 1) * channels + ch] = s.Step(byte >> 4);
        }
    }
    decodedCount = kPacketSamples * channels;
    return true;
}

#include "audio/codecs/ima_adpcm.h"

#include <gtest/gtest.h>

#include <vector>

#include "audio/sound_error.h"
#include "tests/support/byte_stages.h"
#include "tests/support/decoder_checks.h"
#include "tests/support/sox_files.h"

namespace {

int Field16(const std::vector<std::uint8_t>& fmt, int offset) {
    return fmt[offset] | (fmt[offset + 1] << 8);
}

class ImaAdpcmWaveTest : public ::testing::TestWithParam<int> {};

TEST_P(ImaAdpcmWaveTest, MatchesSoxAndSeeksLikeASequentialRead) {
    const int channels = GetParam();
    const auto signal = TestSignal(9001, channels);
    const SoxEncoded sox = EncodeWithSox(signal, channels, "ima-adpcm");
    ASSERT_TRUE(sox.ok);
    ASSERT_EQ(Field16(sox.fmt, 0), 17);
    ASSERT_EQ(Field16(sox.fmt, 2), channels);
    const int samplesPerBlock = Field16(sox.fmt, 18);
    const int blockAlign = Field16(sox.fmt, 12);
    const DecoderFactory make = [&](AudioAbstract* source) {
        return std::make_unique<DecompressImaAdpcmMs>(source, samplesPerBlock, channels);
    };

    // 333-byte reads split every block.
    const auto decoded = AsInt16(DecodeAll(make, sox.data, 1000, 333));
    ASSERT_GE(decoded.size(), sox.decoded.size());
    ASSERT_EQ(decoded.size() % (samplesPerBlock * channels), 0u);
    for (std::size_t i = 0; i < sox.decoded.size(); ++i) {
        ASSERT_EQ(decoded[i], sox.decoded[i]) << "sample " << i;
    }

    ByteSource source(sox.data);
    DecompressImaAdpcmMs decoder(&source, samplesPerBlock, channels);
    EXPECT_EQ(decoder.BitsPerSample(), 4);
    // Interleaved samples: one block holds samplesPerBlock x channels of them.
    EXPECT_EQ(decoder.BytesForSamples(std::int64_t{samplesPerBlock} * channels), blockAlign);
    EXPECT_EQ(decoder.BytesForSamples(std::int64_t{samplesPerBlock} * channels - 1), 0);

    const std::int64_t block = std::int64_t{samplesPerBlock} * channels;
    ExpectSeeksMatchSequentialRead(make, sox.data,
                                   {0, 1, 7, block - 1, block, block + 3, 3 * block + 17,
                                    static_cast<std::int64_t>(decoded.size()) - 5, 5,
                                    static_cast<std::int64_t>(decoded.size()) + 100, 2});
}

INSTANTIATE_TEST_SUITE_P(Channels, ImaAdpcmWaveTest, ::testing::Values(1, 2),
                         [](const auto& info) { return info.param == 1 ? "Mono" : "Stereo"; });

std::vector<std::uint8_t> WaveBlock(int index, int reserved) {
    // One mono block of 9 samples: header and one round of 4 bytes.
    return {0x10,
            0x00,
            static_cast<std::uint8_t>(index),
            static_cast<std::uint8_t>(reserved),
            0x00,
            0x00,
            0x00,
            0x00};
}

TEST(ImaAdpcmTest, BadBlockHeadersAreReported) {
    struct Case {
        int index;
        int reserved;
        const char* message;
    };
    const Case cases[] = {{89, 0, "Bad index value in IMA ADPCM Format"},
                          {255, 0, "Bad index value in IMA ADPCM Format"},
                          {0, 1, "Synchronization error in IMA ADPCM Format"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        ByteSource source(WaveBlock(c.index, c.reserved));
        DecompressImaAdpcmMs decoder(&source, 9, 1);
        float out[9];
        try {
            decoder.GetSamples(out, 9);
            FAIL() << "no error";
        } catch (const SoundError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
    ByteSource good(WaveBlock(88, 0));
    DecompressImaAdpcmMs decoder(&good, 9, 1);
    float out[10];
    EXPECT_EQ(decoder.GetSamples(out, 10), 9);
    EXPECT_EQ(out[0], 16.0f / 32768);
}

TEST(ImaAdpcmTest, BlockGeometryThatCannotBeDecodedIsRefused) {
    ByteSource source({});
    for (int samplesPerBlock : {0, -7, 2, 10, 1016}) {
        SCOPED_TRACE(samplesPerBlock);
        EXPECT_THROW(DecompressImaAdpcmMs(&source, samplesPerBlock, 1), SoundError);
    }
    for (int channels : {0, 3}) {
        EXPECT_THROW(DecompressImaAdpcmMs(&source, 9, channels), SoundError);
        EXPECT_THROW(DecompressImaAdpcmApple(&source, channels), SoundError);
    }
    // A lone header sample per block is a valid, if odd, layout.
    ByteSource headers({0x01, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x05});
    DecompressImaAdpcmMs single(&headers, 1, 1);
    float out[4];
    ASSERT_EQ(single.GetSamples(out, 4), 2);
    EXPECT_EQ(out[0], 1.0f / 32768);
    EXPECT_EQ(out[1], -1.0f / 32768);
}

// A 34-byte "ima4" packet: predictor and index header, then 32 bytes of codes.
std::vector<std::uint8_t> Packet(std::uint8_t high, std::uint8_t low,
                                 std::vector<std::uint8_t> codes) {
    std::vector<std::uint8_t> packet = {high, low};
    codes.resize(32, 0x00);
    packet.insert(packet.end(), codes.begin(), codes.end());
    return packet;
}

TEST(ImaAdpcmAppleTest, DecodesHandBuiltPacketsAndCarriesTheRunningState) {
    std::vector<std::uint8_t> bytes;
    for (const auto& p : {Packet(0x01, 0x00, {0x07, 0x08}),
                          Packet(0x01, 0x00, {0x11}), // top 9 bits agree: running state kept
                          Packet(0x02, 0x00, {}),     // they differ: the header wins
                          Packet(0xFF, 0x80, {})}) {  // bit 7 of the predictor, negative
        bytes.insert(bytes.end(), p.begin(), p.end());
    }
    bytes.push_back(0x00); // a short packet ends the sound
    const auto out = AsInt16(
        DecodeAll([](AudioAbstract* s) { return std::make_unique<DecompressImaAdpcmApple>(s, 1); },
                  bytes, 50));
    ASSERT_EQ(out.size(), 256u);
    const std::vector<std::int16_t> first = {267, 269, 268, 269, 270, 271, 272, 273, 274, 274};
    EXPECT_EQ(std::vector<std::int16_t>(out.begin(), out.begin() + 10), first);
    EXPECT_EQ(out[63], 274);
    EXPECT_EQ(out[64], 275);
    EXPECT_EQ(out[65], 276);
    EXPECT_EQ(out[128], 512);
    EXPECT_EQ(out[192], -128);
}

TEST(ImaAdpcmAppleTest, StereoTakesOnePacketPerChannelAndBadIndexIsReported) {
    std::vector<std::uint8_t> bytes = Packet(0x01, 0x00, {});
    const auto right = Packet(0xFE, 0x00, {});
    bytes.insert(bytes.end(), right.begin(), right.end());
    const auto out = AsInt16(
        DecodeAll([](AudioAbstract* s) { return std::make_unique<DecompressImaAdpcmApple>(s, 2); },
                  bytes, 7));
    ASSERT_EQ(out.size(), 128u);
    EXPECT_EQ(out[0], 256);
    EXPECT_EQ(out[1], -512);
    EXPECT_EQ(out[126], 256);
    EXPECT_EQ(out[127], -512);

    ByteSource bad(Packet(0x00, 0x59, {}));
    DecompressImaAdpcmApple decoder(&bad, 1);
    float samples[64];
    try {
        decoder.GetSamples(samples, 64);
        FAIL() << "no error";
    } catch (const SoundError& e) {
        EXPECT_STREQ(e.what(), "Synchronization error in IMA ADPCM Format");
    }
}

TEST(ImaAdpcmAppleTest, SeeksLikeASequentialRead) {
    for (int channels : {1, 2}) {
        SCOPED_TRACE(channels);
        // Packets as an encoder writes them: each header holds the running state's top 9
        // bits, so the exact state at a packet exists only by decoding up to it. Every
        // seventh header disagrees and resets the state.
        std::vector<std::uint8_t> bytes;
        ImaAdpcmState running[2];
        std::uint32_t noise = 99;
        for (int p = 0; p < 40 * channels; ++p) {
            ImaAdpcmState& s = running[p % channels];
            if (p % 7 == 6) {
                s.predictor = static_cast<std::int16_t>(p * 300);
            }
            std::vector<std::uint8_t> codes(32);
            for (auto& c : codes) {
                noise = noise * 1664525u + 1013904223u;
                c = static_cast<std::uint8_t>(noise >> 24);
            }
            const auto packet =
                Packet(static_cast<std::uint8_t>(s.predictor >> 8),
                       static_cast<std::uint8_t>((s.predictor & 0x80) | s.index), codes);
            for (std::uint8_t c : codes) {
                s.Step(c & 15);
                s.Step(c >> 4);
            }
            bytes.insert(bytes.end(), packet.begin(), packet.end());
        }
        const DecoderFactory make = [channels](AudioAbstract* s) {
            return std::make_unique<DecompressImaAdpcmApple>(s, channels);
        };
        const std::int64_t packet = 64 * channels;
        ExpectSeeksMatchSequentialRead(make, bytes,
                                       {packet * 10 + 3, 5, packet, packet * 39 + 1, packet * 2,
                                        packet * 2 + 1, packet * 20, packet * 41, 0});
        ByteSource source(bytes);
        DecompressImaAdpcmApple decoder(&source, channels);
        EXPECT_EQ(decoder.BytesForSamples(packet * 3 + 1), 3 * 34 * channels);
    }
}

} // namespace

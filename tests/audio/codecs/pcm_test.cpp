#include "audio/codecs/pcm.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "tests/support/byte_stages.h"

namespace {

constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

TEST(PcmEncodingTest, RoundsAndLimitsAtEachWidthsBoundaries) {
    struct Case {
        float x;
        int s8, u8, s16;
        std::int32_t s24, s32;
    };
    const Case cases[] = {
        {1.0f, 127, 255, 32767, 8388607, 2147483647},
        {-1.0f, -128, 0, -32768, -8388608, -2147483647 - 1},
        {0.5f, 64, 192, 16384, 4194304, 1073741824},
        {0.0f, 0, 128, 0, 0, 0},
        {-0.5f, -64, 64, -16384, -4194304, -1073741824},
        {1.5f, 127, 255, 32767, 8388607, 2147483647},
        {-1.5f, -128, 0, -32768, -8388608, -2147483647 - 1},
        {kInf, 127, 255, 32767, 8388607, 2147483647},
        {-kInf, -128, 0, -32768, -8388608, -2147483647 - 1},
        {kNan, 0, 128, 0, 0, 0},
        // Half a step: positive values round up, negative ones away from zero, except the
        // 24-bit rule, which rounds negative halves up.
        {1.5f / 32768, 0, 128, 2, 384, 98304},
        {-1.5f / 32768, 0, 128, -2, -384, -98304},
        {-1.5f / 8388608, 0, 128, 0, -1, -384},
        {0.5f / 128, 1, 129, 128, 32768, 8388608},
        {-0.5f / 128, -1, 128, -128, -32768, -8388608},
        {8388606.6f / 8388608, 127, 255, 32767, 8388607, 2147483264},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.x);
        EXPECT_EQ(Pcm8SignedValue(c.x), c.s8);
        EXPECT_EQ(Pcm8UnsignedValue(c.x), c.u8);
        EXPECT_EQ(Pcm16Value(c.x), c.s16);
        EXPECT_EQ(static_cast<std::int32_t>(Pcm24Bits(c.x) << 8) >> 8, c.s24);
        EXPECT_LE(Pcm24Bits(c.x), 0xFFFFFFu);
        EXPECT_EQ(Pcm32Value(c.x), c.s32);
    }
}

// Every PCM width and byte order: encode, then decode through a source that hands out its
// bytes in awkward pieces.
TEST(PcmCodecTest, EachFormatRoundTripsThroughShortReads) {
    struct Format {
        const char* name;
        std::unique_ptr<AbstractCompressor> (*encoder)(AudioAbstract*);
        std::unique_ptr<AbstractDecompressor> (*decoder)(AudioAbstract*);
        int bits;
        double tolerance;
    };
#define FORMAT(name, bits, tolerance)                                                              \
    Format {                                                                                       \
#name, [](AudioAbstract * w) -> std::unique_ptr < AbstractCompressor>                      \
        { return std::make_unique<Compress##name>(w); }, [](AudioAbstract *                        \
                                                            s) -> std::unique_ptr <                \
                                                                      AbstractDecompressor>        \
        { return std::make_unique<Decompress##name>(s); }, bits, tolerance                         \
    }
    const Format formats[] = {
        FORMAT(Pcm8Signed, 8, 1.0 / 128),        FORMAT(Pcm8Unsigned, 8, 1.0 / 128),
        FORMAT(Pcm16MsbSigned, 16, 1.0 / 32768), FORMAT(Pcm16LsbSigned, 16, 1.0 / 32768),
        FORMAT(Pcm24MsbSigned, 24, 1.2e-7),      FORMAT(Pcm24LsbSigned, 24, 1.2e-7),
        FORMAT(Pcm32LsbSigned, 32, 1e-7),        FORMAT(Pcm32Float, 32, 0),
    };
#undef FORMAT
    std::vector<float> input(30001);
    for (std::size_t i = 0; i < input.size(); ++i) {
        input[i] = static_cast<float>(std::sin(i * 0.01) * (i % 7 == 0 ? 1.0 : 0.7));
    }
    input[0] = -1.0f;
    for (const auto& f : formats) {
        SCOPED_TRACE(f.name);
        ByteSink sink;
        auto encoder = f.encoder(&sink);
        ASSERT_EQ(encoder->PutSamples(input.data(), static_cast<int>(input.size())),
                  static_cast<int>(input.size()));
        ASSERT_EQ(sink.bytes.size(), input.size() * f.bits / 8);
        EXPECT_EQ(encoder->BytesForSamples(10), 10 * f.bits / 8);

        // 7 bytes per read cuts samples of every width but 8 bits.
        ByteSource source(sink.bytes, 7);
        auto decoder = f.decoder(&source);
        EXPECT_EQ(decoder->BitsPerSample(), f.bits);
        std::vector<float> output(input.size() + 5);
        ASSERT_EQ(decoder->GetSamples(output.data(), static_cast<int>(output.size())),
                  static_cast<int>(input.size()));
        for (std::size_t i = 0; i < input.size(); ++i) {
            ASSERT_NEAR(output[i], input[i], f.tolerance) << i;
        }
        // A seek lands on the sample, even after a read that stopped inside one.
        source.SetPosition(decoder->PrepareSeek(12345));
        float one = 0;
        ASSERT_EQ(decoder->GetSamples(&one, 1), 1);
        EXPECT_NEAR(one, input[12345], f.tolerance);
    }
}

TEST(PcmCodecTest, DecodesExtremesAndFloatSpecials) {
    struct Case {
        std::vector<std::uint8_t> bytes;
        std::unique_ptr<AbstractDecompressor> (*make)(AudioAbstract*);
        std::vector<float> expected;
    };
    auto s8 = [](AudioAbstract* s) -> std::unique_ptr<AbstractDecompressor> {
        return std::make_unique<DecompressPcm8Signed>(s);
    };
    auto u8 = [](AudioAbstract* s) -> std::unique_ptr<AbstractDecompressor> {
        return std::make_unique<DecompressPcm8Unsigned>(s);
    };
    auto s24msb = [](AudioAbstract* s) -> std::unique_ptr<AbstractDecompressor> {
        return std::make_unique<DecompressPcm24MsbSigned>(s);
    };
    auto s32 = [](AudioAbstract* s) -> std::unique_ptr<AbstractDecompressor> {
        return std::make_unique<DecompressPcm32LsbSigned>(s);
    };
    auto f32 = [](AudioAbstract* s) -> std::unique_ptr<AbstractDecompressor> {
        return std::make_unique<DecompressPcm32Float>(s);
    };
    const Case cases[] = {
        {{0x80, 0x7F, 0x00}, s8, {-1.0f, 127.0f / 128, 0.0f}},
        {{0x00, 0xFF, 0x80}, u8, {-1.0f, 127.0f / 128, 0.0f}},
        {{0x80, 0x00, 0x00, 0x7F, 0xFF, 0xFF}, s24msb, {-1.0f, 8388607.0f / 8388608}},
        {{0x00, 0x00, 0x00, 0x80, 0x01, 0x00, 0x00, 0x00}, s32, {-1.0f, 1.0f / 2147483648.0f}},
        // 1.5, NaN, -inf, 0.25
        {{0x00, 0x00, 0xC0, 0x3F, 0x00, 0x00, 0xC0, 0x7F, 0x00, 0x00, 0x80, 0xFF, 0x00, 0x00, 0x80,
          0x3E},
         f32,
         {1.0f, -1.0f, -1.0f, 0.25f}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        ByteSource source(cases[i].bytes);
        auto decoder = cases[i].make(&source);
        std::vector<float> output(cases[i].expected.size() + 1);
        ASSERT_EQ(decoder->GetSamples(output.data(), static_cast<int>(output.size())),
                  static_cast<int>(cases[i].expected.size()));
        output.pop_back();
        EXPECT_EQ(output, cases[i].expected);
    }
}

TEST(PcmCodecTest, SourceEndingEarlyYieldsTheWholeSamplesItGave) {
    ByteSource source(std::vector<std::uint8_t>(10, 0x40));
    DecompressPcm16LsbSigned decoder(&source);
    float output[8];
    EXPECT_EQ(decoder.GetSamples(output, 8), 5);
    EXPECT_EQ(decoder.GetSamples(output, 8), 0);
}

TEST(PcmCodecTest, WriterRefusingBytesStopsTheEncoder) {
    ByteSink sink(7); // room for three 16-bit samples and a half
    CompressPcm16LsbSigned encoder(&sink);
    const std::vector<float> input(100, 0.25f);
    EXPECT_EQ(encoder.PutSamples(input.data(), 100), 3);
}

} // namespace

#include "audio/codecs/ms_adpcm.h"

#include <gtest/gtest.h>

#include <vector>

#include "audio/sound_error.h"
#include "tests/support/byte_stages.h"
#include "tests/support/decoder_checks.h"
#include "tests/support/sox_files.h"

namespace {

int Field16(const std::vector<std::uint8_t>& fmt, int offset) {
    return static_cast<std::int16_t>(fmt[offset] | (fmt[offset + 1] << 8));
}

const std::int16_t kCoef1[7] = {256, 512, 0, 192, 240, 460, 392};
const std::int16_t kCoef2[7] = {0, -256, 0, 64, 0, -208, -232};

class MsAdpcmTest : public ::testing::TestWithParam<int> {};

TEST_P(MsAdpcmTest, MatchesSoxAndSeeksLikeASequentialRead) {
    const int channels = GetParam();
    const auto signal = TestSignal(9001, channels);
    const SoxEncoded sox = EncodeWithSox(signal, channels, "ms-adpcm");
    ASSERT_TRUE(sox.ok);
    ASSERT_EQ(Field16(sox.fmt, 0), 2);
    const int blockAlign = Field16(sox.fmt, 12);
    const int samplesPerBlock = Field16(sox.fmt, 18);
    const int count = Field16(sox.fmt, 20);
    ASSERT_GE(count, 1);
    ASSERT_LE(22 + 4 * count, static_cast<int>(sox.fmt.size()));
    std::vector<std::int16_t> coef1(count), coef2(count);
    for (int i = 0; i < count; ++i) {
        coef1[i] = static_cast<std::int16_t>(Field16(sox.fmt, 22 + 4 * i));
        coef2[i] = static_cast<std::int16_t>(Field16(sox.fmt, 24 + 4 * i));
    }
    const DecoderFactory make = [&](AudioAbstract* source) {
        return std::make_unique<DecompressMsAdpcm>(source, samplesPerBlock, channels, blockAlign,
                                                   count, coef1.data(), coef2.data());
    };

    const auto decoded = AsInt16(DecodeAll(make, sox.data, 777, 100));
    ASSERT_GE(decoded.size(), sox.decoded.size());
    for (std::size_t i = 0; i < sox.decoded.size(); ++i) {
        ASSERT_EQ(decoded[i], sox.decoded[i]) << "sample " << i;
    }

    ByteSource source(sox.data);
    DecompressMsAdpcm decoder(&source, samplesPerBlock, channels, blockAlign, count, coef1.data(),
                              coef2.data());
    const std::int64_t block = std::int64_t{samplesPerBlock} * channels;
    EXPECT_EQ(decoder.BytesForSamples(block * 2), 2 * blockAlign);
    EXPECT_EQ(decoder.BitsPerSample(), 4);
    ExpectSeeksMatchSequentialRead(make, sox.data,
                                   {0, 1, 2, 3, block - 1, block, block + 1, 4 * block + 100, 9,
                                    static_cast<std::int64_t>(decoded.size()) - 1,
                                    static_cast<std::int64_t>(decoded.size())});
}

INSTANTIATE_TEST_SUITE_P(Channels, MsAdpcmTest, ::testing::Values(1, 2),
                         [](const auto& info) { return info.param == 1 ? "Mono" : "Stereo"; });

// One mono block of samplesPerBlock 4: header, then one byte holding two codes.
std::vector<std::uint8_t> MonoBlock(int predictor, int delta, int sample1, int sample2, int codes) {
    auto low = [](int v) { return static_cast<std::uint8_t>(v & 0xFF); };
    auto high = [](int v) { return static_cast<std::uint8_t>((v >> 8) & 0xFF); };
    return {low(predictor), low(delta),   high(delta),   low(sample1),
            high(sample1),  low(sample2), high(sample2), static_cast<std::uint8_t>(codes)};
}

TEST(MsAdpcmHandTest, DecodesAHandBuiltBlock) {
    // Predictor 1 (512, -256): 2 x 100 - 90 = 110 (>> 8 after scaling).
    ByteSource source(MonoBlock(1, 20, 100, 90, 0x1F));
    DecompressMsAdpcm decoder(&source, 4, 1, 8, 7, kCoef1, kCoef2);
    float out[5];
    ASSERT_EQ(decoder.GetSamples(out, 5), 4);
    EXPECT_EQ(out[0] * 32768, 90);  // sample2 comes first
    EXPECT_EQ(out[1] * 32768, 100); // then sample1
    // (100 x 512 + 90 x -256) >> 8 = 110, code 1: + 20 = 130; delta = 230 x 20 >> 8 = 17.
    EXPECT_EQ(out[2] * 32768, 130);
    // (130 x 512 + 100 x -256) >> 8 = 160, code -1: - 17 = 143.
    EXPECT_EQ(out[3] * 32768, 143);
}

TEST(MsAdpcmHandTest, BadGeometryAndPredictorIndexAreReported) {
    ByteSource empty({});
    struct Case {
        int samplesPerBlock, channels, blockAlign, count;
    };
    const Case cases[] = {
        {4, 3, 16, 7},  // three channels
        {4, 0, 16, 7},  // none
        {0, 1, 8, 7},   // no samples per block
        {1, 1, 8, 7},   // fewer than the header's two
        {5, 1, 8, 7},   // three codes need two bytes after the header
        {4, 2, 13, 7},  // stereo header alone is 14 bytes
        {4, 1, 8, 0},   // no coefficients
        {4, 1, 8, 257}, // more than any table holds
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.samplesPerBlock << " " << c.channels << " "
                                        << c.blockAlign << " " << c.count);
        EXPECT_THROW(DecompressMsAdpcm(&empty, c.samplesPerBlock, c.channels, c.blockAlign, c.count,
                                       kCoef1, kCoef2),
                     SoundError);
    }
    try {
        DecompressMsAdpcm(&empty, 4, 3, 16, 7, kCoef1, kCoef2);
    } catch (const SoundError& e) {
        EXPECT_STREQ(e.what(), "Error decoding MSADPCM data");
    }

    ByteSource badIndex(MonoBlock(7, 20, 0, 0, 0));
    DecompressMsAdpcm decoder(&badIndex, 4, 1, 8, 7, kCoef1, kCoef2);
    float out[4];
    EXPECT_THROW(decoder.GetSamples(out, 4), SoundError);
}

TEST(MsAdpcmHandTest, HostileDeltasStayWithinRange) {
    // Code 8 (-8) raises the delta threefold each step; the samples clamp, nothing overflows.
    std::vector<std::uint8_t> block = MonoBlock(0, 32767, 32767, -32768, 0x88);
    block.resize(7 + 500, 0x88);
    ByteSource source(block);
    DecompressMsAdpcm decoder(&source, 1002, 1, 507, 7, kCoef1, kCoef2);
    std::vector<float> out(1002);
    ASSERT_EQ(decoder.GetSamples(out.data(), 1002), 1002);
    EXPECT_EQ(out.back(), -1.0f);
}

} // namespace

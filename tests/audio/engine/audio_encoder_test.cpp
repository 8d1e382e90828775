#include "audio/engine/audio_encoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "audio/audio_abstract.h"
#include "audio/sound_error.h"

namespace {

// A writer that keeps what it is given, at the position it was last sent to.
class RecordingWriter : public AudioAbstract {
public:
    explicit RecordingWriter(std::vector<float>* out) : out(out) {}
    int GetSamples(float*, int) override { return 0; }
    int PutSamples(const float* buffer, int count) override {
        if (out->size() < position + count) {
            out->resize(position + count);
        }
        std::copy_n(buffer, count, out->begin() + static_cast<std::ptrdiff_t>(position));
        position += count;
        return count;
    }
    bool Seek(std::int64_t sampleIndex) override {
        position = static_cast<std::size_t>(sampleIndex);
        return true;
    }
    std::vector<float>* out;
    std::size_t position = 0;
};

std::unique_ptr<CAP_AudioEncoder> MakeEncoder(std::vector<float>& out, int channels, int rate,
                                              double seconds, int sourceChannels, int sourceRate,
                                              int kind = 17) {
    return std::make_unique<CAP_AudioEncoder>(new RecordingWriter(&out), channels, rate, kind,
                                              seconds, sourceChannels, sourceRate);
}

TEST(AudioEncoderTest, DirectWritesStopAtTheDeclaredLength) {
    std::vector<float> out;
    auto encoder = MakeEncoder(out, 2, 44100, 2.0, 2, 44100);
    std::vector<float> block(2 * 2048, 0.5f);
    std::int64_t written = 0;
    for (int i = 0; i < 50; ++i) {
        const int n = encoder->WriteNext(block.data(), 2048);
        written += n;
        if (n == 0) {
            break;
        }
    }
    EXPECT_EQ(written, 88200);
    EXPECT_EQ(encoder->WriteNext(block.data(), 2048), 0);
    EXPECT_EQ(encoder->FurthestFrame(), 88200);
    EXPECT_EQ(out.size(), 2u * 88200);
}

TEST(AudioEncoderTest, DirectWritesGoWhereTheyAreAsked) {
    std::vector<float> out;
    auto encoder = MakeEncoder(out, 2, 8000, 1.0, 2, 8000);
    std::vector<float> ones(2 * 100, 1.0f), twos(2 * 10, 2.0f);
    ASSERT_EQ(encoder->WriteNext(ones.data(), 100), 100);
    ASSERT_EQ(encoder->WriteFrames(twos.data(), 10, 40), 10);
    EXPECT_EQ(encoder->writePosition, 50);
    EXPECT_EQ(encoder->FurthestFrame(), 100);
    EXPECT_EQ(out[2 * 39 + 1], 1.0f);
    EXPECT_EQ(out[2 * 40], 2.0f);
    EXPECT_EQ(out[2 * 50], 1.0f);
    for (std::int64_t start : {std::int64_t{-1}, std::int64_t{8001}, INT64_MAX}) {
        EXPECT_EQ(encoder->WriteFrames(twos.data(), 10, start), 0);
    }
    EXPECT_EQ(encoder->WriteNext(twos.data(), 10), 10);
    EXPECT_EQ(out[2 * 59], 2.0f);
}

TEST(AudioEncoderTest, ChannelsAreMixedDownOrDuplicated) {
    std::vector<float> stereo = {0.5f, -0.25f, 1.0f, 1.0f, -1.0f, 0.0f};
    {
        std::vector<float> out;
        auto encoder = MakeEncoder(out, 1, 22050, 1.0, 2, 22050);
        EXPECT_EQ(encoder->WriteNext(stereo.data(), 3), 3);
        EXPECT_EQ(out, (std::vector<float>{0.125f, 1.0f, -0.5f}));
    }
    {
        std::vector<float> mono = {0.5f, -0.25f, 1.0f};
        std::vector<float> out;
        auto encoder = MakeEncoder(out, 2, 22050, 1.0, 1, 22050);
        EXPECT_EQ(encoder->WriteNext(mono.data(), 3), 3);
        EXPECT_EQ(out, (std::vector<float>{0.5f, 0.5f, -0.25f, -0.25f, 1.0f, 1.0f}));
    }
}

// The file must hold the converted sound to its very end: the last outputs, which the
// converter holds back until it is told the input is over, are written when the encoder
// finishes, and the count written is exactly the declared length.
TEST(AudioEncoderTest, ConvertedRateFillsTheDeclaredLengthWithTheSoundsOwnTail) {
    const struct {
        int sourceRate, rate, sourceChannels, channels;
    } cases[] = {{22050, 44100, 1, 1},
                 {44100, 22050, 2, 2},
                 {44100, 48000, 2, 1},
                 {10000, 44700, 1, 2},
                 {96000, 8000, 1, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.sourceRate << " -> " << c.rate);
        const double seconds = 0.5;
        const auto sourceFrames = static_cast<int>(c.sourceRate * seconds);
        const auto total = static_cast<std::int64_t>(c.rate * seconds);
        std::vector<float> out;
        {
            auto encoder =
                MakeEncoder(out, c.channels, c.rate, seconds, c.sourceChannels, c.sourceRate);
            std::vector<float> dc(std::size_t(2048) * c.sourceChannels, 0.5f);
            for (int done = 0; done < sourceFrames;) {
                const int n = std::min(2048, sourceFrames - done);
                ASSERT_EQ(encoder->WriteNext(dc.data(), n), n);
                done += n;
            }
            EXPECT_LT(encoder->FurthestFrame(), total);
        }
        ASSERT_EQ(static_cast<std::int64_t>(out.size()), total * c.channels);
        // Away from the very start and end, where the filter sees the silence around the
        // sound, a constant stays constant.
        const std::int64_t edge = 40 * c.rate / std::min(c.rate, c.sourceRate);
        for (std::int64_t i = edge * c.channels; i < (total - edge) * c.channels; ++i) {
            ASSERT_NEAR(out[i], 0.5f, 0.002f) << "at sample " << i;
        }
        // Up to the last input frame it is the sound, only rippling where the filter meets
        // the silence after it; never the zeros of a tail left in the converter.
        const std::int64_t last = total - (c.rate + c.sourceRate - 1) / c.sourceRate;
        for (std::int64_t i = (total - edge) * c.channels; i < last * c.channels; ++i) {
            ASSERT_NEAR(out[i], 0.5f, 0.1f) << "at sample " << i;
        }
    }
}

TEST(AudioEncoderTest, ConvertedWritesStopAtTheDeclaredLength) {
    std::vector<float> out;
    auto encoder = MakeEncoder(out, 1, 48000, 0.1, 1, 44100);
    std::vector<float> block(10000, 0.1f);
    // 4410 source frames fill the file; the rest is refused.
    EXPECT_LT(encoder->WriteNext(block.data(), 10000), 10000);
    EXPECT_EQ(encoder->WriteNext(block.data(), 10000), 0);
    encoder.reset();
    EXPECT_EQ(out.size(), 4800u);
}

TEST(AudioEncoderTest, CompressionKindsOutsideTheWritersBecomeSixteenBitPcm) {
    const struct {
        int kind, kept, bits;
    } cases[] = {{2, 2, 8},    {3, 3, 8},    {16, 16, 8}, {17, 17, 16}, {18, 18, 24},
                 {19, 19, 32}, {20, 20, 32}, {9, 17, 16}, {7, 17, 16},  {0, 17, 16}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        std::vector<float> out;
        auto encoder = MakeEncoder(out, 1, 8000, 1.0, 1, 8000, c.kind);
        EXPECT_EQ(encoder->compressionKind, c.kept);
        EXPECT_EQ(encoder->bits, c.bits);
    }
}

TEST(AudioEncoderTest, ChannelCountsAndRatesNoWriterServesAreRefused) {
    const struct {
        int channels, rate, sourceChannels, sourceRate;
        const char* text;
    } cases[] = {
        {3, 44100, 2, 44100, "Unsupported number of channels: 3"},
        {2, 44100, 6, 44100, "Unsupported number of channels: 6"},
        {0, 44100, 1, 44100, "Unsupported number of channels: 0"},
        {1, 0, 1, 44100, "Could not change sampling rate to 0"},
        {1, 96000, 1, 1, "Could not change sampling rate to 96000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<float> out;
        try {
            MakeEncoder(out, c.channels, c.rate, 1.0, c.sourceChannels, c.sourceRate);
            ADD_FAILURE() << "accepted";
        } catch (const SoundError& e) {
            EXPECT_STREQ(e.what(), c.text);
        }
    }
}

} // namespace

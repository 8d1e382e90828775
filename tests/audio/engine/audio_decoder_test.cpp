#include "audio/engine/audio_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "audio/audio_abstract.h"
#include "audio/audio_file_tags.h"
#include "audio/sound_error.h"

namespace {

// A reader pinned to its rate and channel count that serves sample i as i / 1e6, so every
// value names its own position.
class RampReader : public AudioAbstract {
public:
    RampReader(int rate, int channelCount, std::int64_t frames)
        : fileRate(rate), fileChannels(channelCount), samples(frames * channelCount) {
        dataLength = samples * 4;
        bitsPerSample = 16;
        fileFormat = 1;
        compressionKind = 17;
    }
    int GetSamples(float* buffer, int count) override {
        if (throwAt >= 0 && position + count > throwAt) {
            throw SoundError("Error decoding Mpeg file!");
        }
        const int n =
            static_cast<int>(std::min<std::int64_t>({count, maxPerCall, samples - position}));
        for (int i = 0; i < n; ++i) {
            buffer[i] = static_cast<float>(position + i) / 1e6f;
        }
        position += std::max(n, 0);
        return std::max(n, 0);
    }
    int PutSamples(const float*, int) override { return 0; }
    bool Seek(std::int64_t sampleIndex) override {
        seeks.push_back(sampleIndex);
        if (!canSeek) {
            return false;
        }
        position = sampleIndex;
        return true;
    }
    void MinMaxSamplingRate(int& minRate, int& maxRate, int& preferred) override {
        minRate = maxRate = preferred = fileRate;
    }
    void MinMaxChannels(int& minChannels, int& maxChannels, int& preferred) override {
        minChannels = maxChannels = preferred = fileChannels;
    }

    int fileRate;
    int fileChannels;
    std::int64_t samples;
    std::int64_t position = 0;
    std::int64_t maxPerCall = 1 << 30;
    std::int64_t throwAt = -1;
    bool canSeek = true;
    std::vector<std::int64_t> seeks;
};

TEST(AudioDecoderTest, RatesOutsideEightToNinetySixKilohertzAreRefused) {
    const struct {
        int rate;
        bool accepted;
    } cases[] = {{4000, false}, {7999, false}, {8000, true}, {96000, true}, {96001, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rate);
        CAP_AudioDecoder decoder(new RampReader(c.rate, 2, c.rate));
        if (c.accepted) {
            EXPECT_EQ(decoder.ErrorText(), "");
            EXPECT_EQ(decoder.rate, c.rate);
            EXPECT_EQ(decoder.channels, 2);
            EXPECT_DOUBLE_EQ(decoder.duration, 1.0);
            EXPECT_EQ(decoder.bits, 16);
            EXPECT_EQ(decoder.compressionKind, 17);
            EXPECT_EQ(decoder.fileFormat, 1);
        } else {
            EXPECT_EQ(decoder.ErrorText(), "Sample rate out of bounds");
            EXPECT_EQ(decoder.rate, 0);
            std::vector<float> buffer(200);
            EXPECT_EQ(decoder.ReadFrames(buffer.data(), 100, 0), 0);
        }
    }
}

TEST(AudioDecoderTest, NoReaderOrAnAbsurdChannelCountIsAClearError) {
    CAP_AudioDecoder none(static_cast<AudioAbstract*>(nullptr));
    EXPECT_EQ(none.ErrorText(), "Could not decode audio");
    CAP_AudioDecoder many(new RampReader(44100, 256, 10));
    EXPECT_EQ(many.ErrorText(), "");
    // A damaged header claiming millions of channels would make every frame buffer huge.
    CAP_AudioDecoder absurd(new RampReader(44100, 13000000, 10));
    EXPECT_EQ(absurd.ErrorText(), "Unsupported number of channels: 13000000");
}

TEST(AudioDecoderTest, ShortReadSetsTheEndFlagUntilAnotherStartIsNamed) {
    CAP_AudioDecoder decoder(new RampReader(44100, 2, 1000));
    std::vector<float> buffer(2 * 600);
    ASSERT_EQ(decoder.ReadNext(buffer.data(), 600), 600);
    EXPECT_FALSE(decoder.AtEnd());
    EXPECT_EQ(decoder.readPosition, 600);
    EXPECT_EQ(decoder.ReadNext(buffer.data(), 600), 400);
    EXPECT_TRUE(decoder.AtEnd());
    EXPECT_FLOAT_EQ(buffer[0], 1200 / 1e6f);
    EXPECT_FLOAT_EQ(buffer[799], 1999 / 1e6f);
    EXPECT_EQ(decoder.ReadNext(buffer.data(), 600), 0);

    // Frame 0 again: the reader is taken back and the same samples come out.
    ASSERT_EQ(decoder.ReadFrames(buffer.data(), 600, 0), 600);
    EXPECT_FALSE(decoder.AtEnd());
    EXPECT_FLOAT_EQ(buffer[0], 0.0f);
    EXPECT_FLOAT_EQ(buffer[1199], 1199 / 1e6f);
}

TEST(AudioDecoderTest, AReaderHandingOutLittleAtATimeStillFillsWholeReads) {
    auto* reader = new RampReader(22050, 1, 5000);
    reader->maxPerCall = 7;
    CAP_AudioDecoder decoder(reader);
    std::vector<float> buffer(4096);
    EXPECT_EQ(decoder.ReadNext(buffer.data(), 4096), 4096);
    EXPECT_FALSE(decoder.AtEnd());
    EXPECT_FLOAT_EQ(buffer[4095], 4095 / 1e6f);
}

TEST(AudioDecoderTest, StartPastTheEndReadsNothingAndFrameZeroStillWorks) {
    CAP_AudioDecoder decoder(new RampReader(8000, 1, 100));
    std::vector<float> buffer(50);
    EXPECT_EQ(decoder.ReadFrames(buffer.data(), 50, 500), 0);
    EXPECT_TRUE(decoder.AtEnd());
    EXPECT_EQ(decoder.ReadFrames(buffer.data(), 50, 99), 1);
    EXPECT_FLOAT_EQ(buffer[0], 99 / 1e6f);
    EXPECT_EQ(decoder.ReadFrames(buffer.data(), 50, 0), 50);
    EXPECT_EQ(decoder.ErrorText(), "");
}

TEST(AudioDecoderTest, SeeksAreInSamplesAndAFailedSeekReadsOnWhereTheReaderStands) {
    auto* reader = new RampReader(44100, 2, 1000);
    CAP_AudioDecoder decoder(reader);
    std::vector<float> buffer(20);
    ASSERT_EQ(decoder.ReadFrames(buffer.data(), 10, 300), 10);
    EXPECT_EQ(reader->seeks, std::vector<std::int64_t>{600});
    EXPECT_FLOAT_EQ(buffer[0], 600 / 1e6f);

    reader->canSeek = false;
    ASSERT_EQ(decoder.ReadFrames(buffer.data(), 10, 0), 10);
    EXPECT_FLOAT_EQ(buffer[0], 620 / 1e6f);
    EXPECT_EQ(decoder.readPosition, 320);
}

TEST(AudioDecoderTest, APipelineErrorWhileReadingLeavesItsTextAndTheDecoderFailed) {
    auto* reader = new RampReader(44100, 1, 10000);
    reader->throwAt = 3000;
    CAP_AudioDecoder decoder(reader);
    std::vector<float> buffer(2048);
    EXPECT_EQ(decoder.ReadNext(buffer.data(), 2048), 2048);
    EXPECT_EQ(decoder.ReadNext(buffer.data(), 2048), 0);
    EXPECT_EQ(decoder.ErrorText(), "Error decoding Mpeg file!");
    reader->throwAt = -1;
    EXPECT_EQ(decoder.ReadFrames(buffer.data(), 10, 0), 0);
}

TEST(AudioDecoderTest, UnknownLengthReadsUntilTheReaderRunsDry) {
    auto* reader = new RampReader(32000, 1, 300);
    CAP_AudioDecoder decoder(reader);
    // Streams whose length cannot be known report 0; the reader alone says where they end.
    decoder.duration = 0;
    std::vector<float> buffer(1000);
    EXPECT_EQ(decoder.ReadNext(buffer.data(), 1000), 300);
    EXPECT_TRUE(decoder.AtEnd());
}

TEST(AudioDecoderTest, ChunksOfTheReaderAreCopiedIntoTags) {
    class TaggedReader : public RampReader {
    public:
        TaggedReader() : RampReader(44100, 1, 10) { chunks.SetItem(ItemTitle, "Rain", 5); }
    };
    CAP_AudioDecoder decoder(new TaggedReader);
    AudioFileTags tags;
    decoder.CopyChunksTo(tags);
    char title[16];
    ASSERT_TRUE(tags.GetText(4, title, sizeof title));
    EXPECT_STREQ(title, "Rain");
}

} // namespace

#include "audio/audio_abstract.h"

#include <gtest/gtest.h>

#include <vector>

#include "audio/sound_error.h"

namespace {

// A stage that behaves like the base, or like a reader pinned to a file's rate and channels.
class Stage : public AudioAbstract {
public:
    explicit Stage(std::vector<int>* deleted = nullptr, int id = 0) : deleted(deleted), id(id) {}
    ~Stage() override {
        if (deleted != nullptr) {
            deleted->push_back(id);
        }
    }
    int GetSamples(float*, int) override { return 0; }
    int PutSamples(const float*, int) override { return 0; }
    void MinMaxSamplingRate(int& minRate, int& maxRate, int& preferred) override {
        if (fileRate != 0) {
            minRate = maxRate = preferred = fileRate;
        } else {
            AudioAbstract::MinMaxSamplingRate(minRate, maxRate, preferred);
        }
    }
    void MinMaxChannels(int& minChannels, int& maxChannels, int& preferred) override {
        if (fileChannels != 0) {
            minChannels = maxChannels = preferred = fileChannels;
        } else {
            AudioAbstract::MinMaxChannels(minChannels, maxChannels, preferred);
        }
    }
    void SetOwn(std::int64_t length, int bits, int format, int compression) {
        dataLength = length;
        bitsPerSample = bits;
        fileFormat = format;
        compressionKind = compression;
    }
    void SetRateUnfrozen(int rate) { samplingRate = rate; }

    int fileRate = 0;
    int fileChannels = 0;
    std::vector<int>* deleted;
    int id;
};

void Link(AudioAbstract& a, AudioAbstract& b) {
    a.next = &b;
    b.previous = &a;
}

TEST(AudioAbstractTest, LoneReaderIsPinnedToItsFileEvenOutsideTheDefaultBounds) {
    Stage reader;
    reader.fileRate = 48000;
    reader.fileChannels = 2;
    EXPECT_EQ(reader.SamplingRate(), 48000);
    EXPECT_EQ(reader.Channels(), 2);
}

TEST(AudioAbstractTest, TailNegotiatesForTheWholeChainAndFreezesEveryStage) {
    Stage reader, middle, writer;
    Link(reader, middle);
    Link(middle, writer);
    reader.fileRate = 22050;
    reader.fileChannels = 2;
    // Asking in the middle still lets the tail decide.
    EXPECT_EQ(middle.SamplingRate(), 22050);
    EXPECT_EQ(middle.Channels(), 2);
    EXPECT_EQ(reader.SamplingRate(), 22050);
    EXPECT_EQ(writer.SamplingRate(), 22050);
    EXPECT_EQ(writer.Channels(), 2);
    // Frozen: the same value is accepted, another one refused with its number.
    EXPECT_NO_THROW(writer.SetSamplingRate(22050));
    try {
        writer.SetSamplingRate(8000);
        FAIL() << "a frozen rate changed";
    } catch (const SoundError& e) {
        EXPECT_STREQ(e.what(), "Could not change sampling rate to 8000");
        EXPECT_EQ(e.value, 8000);
        EXPECT_FALSE(e.unsupported);
    }
    try {
        reader.SetChannels(1);
        FAIL() << "frozen channels changed";
    } catch (const SoundError& e) {
        EXPECT_STREQ(e.what(), "Could not change number of channels to 1");
    }
}

TEST(AudioAbstractTest, UnpinnedChainUsesOwnRateClampedToTheDefaultBounds) {
    struct Case {
        int ownRate;
        int expected;
    };
    const Case cases[] = {{0, 44100}, {11025, 11025}, {1000, 4000}, {96000, 44100}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ownRate);
        Stage head, tail;
        Link(head, tail);
        head.SetRateUnfrozen(c.ownRate);
        EXPECT_EQ(tail.SamplingRate(), c.expected);
        EXPECT_EQ(tail.Channels(), 1);
    }
}

TEST(AudioAbstractTest, CrossedBoundsAreRefused) {
    // A reader pinned to 8000 Hz behind a stage that demands at least 16000 Hz.
    class Picky : public Stage {
    public:
        void MinMaxSamplingRate(int& minRate, int& maxRate, int& preferred) override {
            Stage::MinMaxSamplingRate(minRate, maxRate, preferred);
            minRate = 16000;
        }
        void MinMaxChannels(int& minChannels, int& maxChannels, int& preferred) override {
            Stage::MinMaxChannels(minChannels, maxChannels, preferred);
            minChannels = 3;
        }
    };
    Stage reader;
    Picky tail;
    Link(reader, tail);
    reader.fileRate = 8000;
    reader.fileChannels = 2;
    EXPECT_THROW(tail.SamplingRate(), SoundError);
    EXPECT_THROW(tail.Channels(), SoundError);
    try {
        tail.SamplingRate();
    } catch (const SoundError& e) {
        EXPECT_STREQ(e.what(), "Unexpected sampling rate");
    }
}

TEST(AudioAbstractTest, StreamPropertiesFallBackToThePreviousStage) {
    Stage head, tail;
    EXPECT_EQ(tail.DataLength(), 0);
    EXPECT_EQ(tail.BitsPerSample(), 0);
    Link(head, tail);
    const std::int64_t longLength = 4LL * 2 * 44100 * 60 * 200; // 200 minutes of stereo
    head.SetOwn(longLength, 16, 1, 17);
    EXPECT_EQ(tail.DataLength(), longLength);
    EXPECT_EQ(tail.BitsPerSample(), 16);
    EXPECT_EQ(tail.FileFormat(), 1);
    EXPECT_EQ(tail.CompressionKind(), 17);
    tail.SetOwn(8, 24, 0, 0);
    EXPECT_EQ(tail.DataLength(), 8);
    EXPECT_EQ(tail.BitsPerSample(), 24);
    EXPECT_EQ(tail.FileFormat(), 1);
    EXPECT_EQ(tail.BitRate(), 0);
    EXPECT_FALSE(tail.Seek(0));
    EXPECT_EQ(tail.InputStream(), nullptr);
}

TEST(AudioAbstractTest, DeletingAStageJoinsItsNeighbours) {
    std::vector<int> deleted;
    Stage a(&deleted, 1), c(&deleted, 3);
    auto* b = new Stage(&deleted, 2);
    Link(a, *b);
    Link(*b, c);
    delete b;
    EXPECT_EQ(a.next, &c);
    EXPECT_EQ(c.previous, &a);
}

TEST(AudioAbstractTest, DeleteAudioChainDeletesFromTheHeadDownToTheStage) {
    std::vector<int> deleted;
    auto* a = new Stage(&deleted, 1);
    auto* b = new Stage(&deleted, 2);
    auto* c = new Stage(&deleted, 3);
    Stage after(&deleted, 4);
    Link(*a, *b);
    Link(*b, *c);
    Link(*c, after);
    DeleteAudioChain(c);
    EXPECT_EQ(deleted, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(after.previous, nullptr);
    DeleteAudioChain(nullptr);
}

} // namespace

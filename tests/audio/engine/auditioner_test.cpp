#include "audio/engine/auditioner.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

#include "tests/audio/engine/fake_check_button.h"
#include "tests/audio/engine/hand_clock_fixture.h"
#include "tests/audio/engine/memory_container.h"

namespace {

// A decoded file in memory, with a stand-in for the sample cache: the same frames under a
// rate taken from a table of rates a semitone apart within 8000-96000 Hz.
class MemoryPreviewFile : public PN_PreviewFile {
public:
    MemoryPreviewFile(int rate, double seconds, std::string error)
        : decoder_(2, rate, std::llround(seconds * rate)), error_(std::move(error)) {
        decoder_.Fill([](std::int64_t f, int c) { return ((f + c) % 100) / 200.0f; });
        const double s = std::log(2.0) / 12;
        const int lowest = static_cast<int>(std::ceil(std::log(8000.0 / rate) / s));
        const int highest = static_cast<int>(std::floor(std::log(96000.0 / rate) / s));
        for (int k = lowest; k <= highest; ++k) {
            table_.push_back(static_cast<int>(std::llround(std::exp(k * s) * rate)));
        }
        baseIndex_ = -lowest;
    }

    CAP_AudioContainer& Decoder() override { return decoder_; }
    std::string DecoderError() const override { return error_; }
    CAP_AudioContainer& MakeCache(double windowSeconds) override {
        cache_ = std::make_unique<MemoryContainer>(2, decoder_.rate);
        cache_->samples = decoder_.samples;
        cache_->duration = decoder_.duration;
        return *cache_;
    }
    int PitchForRate(int rate) override {
        int best = 0, distance = 96000;
        for (int i = 0; i < static_cast<int>(table_.size()); ++i) {
            if (std::abs(rate - table_[i]) < distance) {
                distance = std::abs(rate - table_[i]);
                best = i;
            }
        }
        return best - baseIndex_;
    }
    void SetPitch(int semitones) override {
        const int index =
            std::clamp(baseIndex_ + semitones, 0, static_cast<int>(table_.size()) - 1);
        cache_->rate = table_[index];
        cache_->duration = static_cast<double>(cache_->Frames()) / cache_->rate;
    }

private:
    MemoryContainer decoder_;
    std::unique_ptr<MemoryContainer> cache_;
    std::string error_;
    std::vector<int> table_;
    int baseIndex_ = 0;
};

// Files by name: "missing" cannot be opened, "broken" does not decode, "empty" has no frames;
// any other name is a 44100 Hz file of 0.5 s.
std::unique_ptr<PN_PreviewFile> OpenByName(const std::string& path) {
    if (path == "missing") {
        return nullptr;
    }
    if (path == "broken") {
        return std::make_unique<MemoryPreviewFile>(44100, 0.5, "Could not decode audio");
    }
    return std::make_unique<MemoryPreviewFile>(44100, path == "empty" ? 0.0 : 0.5, "");
}

class RefusingAuditioner : public PN_Auditioner {
public:
    RefusingAuditioner() : PN_Auditioner(OpenByName) {}
    bool AcceptDecoder(CAP_AudioContainer* decoder) override {
        seenRate = decoder->rate;
        return false;
    }
    int seenRate = 0;
};

class AuditionerTest : public HandClockTest {
protected:
    PN_Auditioner auditioner{OpenByName};
    std::shared_ptr<FakeButton> button = std::make_shared<FakeButton>();
};

} // namespace

TEST_F(AuditionerTest, RateFactorPlaysAtTheNearestTableRate) {
    struct Case {
        const char* name;
        double factor;
        int rate;
    };
    const Case cases[] = {
        {"one and a half: seven semitones up", 1.5, 66075},
        {"normal speed", 1.0, 44100},
        {"far above the table: its top", 10.0, 93445},
        {"far below the table: its bottom", 0.01, 8259},
        {"negative: the bottom", -2.0, 8259},
        {"huge: the top", 1e300, 93445},
        {"not a number: normal speed", std::numeric_limits<double>::quiet_NaN(), 44100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auditioner.SetRateFactor(c.factor);
        ASSERT_TRUE(auditioner.Play("a.wav", false, nullptr));
        EXPECT_TRUE(auditioner.IsPlaying());
        EXPECT_EQ(devices.LastOpenedFormat(AudioDirection::kOutput).rate, c.rate);
    }
}

TEST_F(AuditionerTest, ReplayingFromTheSameButtonKeepsItChecked) {
    ASSERT_TRUE(auditioner.Play("a.wav", false, button));
    ASSERT_TRUE(auditioner.Play("a.wav", true, button));
    EXPECT_EQ(button->calls, 0);
    EXPECT_TRUE(auditioner.IsLooping());

    auto other = std::make_shared<FakeButton>();
    ASSERT_TRUE(auditioner.Play("b.wav", false, other));
    EXPECT_FALSE(button->checked) << "the previous row's button is released";
    EXPECT_EQ(auditioner.Path(), "b.wav");
    auditioner.Stop();
    EXPECT_FALSE(other->checked);
    EXPECT_EQ(auditioner.Path(), "");
    EXPECT_EQ(devices.OpenDevices(), 0);
}

TEST_F(AuditionerTest, ButtonDeletedDuringThePreviewIsNeverTouched) {
    ASSERT_TRUE(auditioner.Play("a.wav", false, button));
    button.reset(); // the row went away; AddressSanitizer would see a touch
    auditioner.Stop();
    EXPECT_FALSE(auditioner.IsPlaying());
}

TEST_F(AuditionerTest, TickEndsTheSoundOnlyWhenItHasPlayed) {
    ASSERT_TRUE(auditioner.Play("a.wav", false, button));
    devices.Advance(0.45);
    dispatcher.FireTimers();
    EXPECT_TRUE(auditioner.IsPlaying());
    devices.Advance(0.05);
    dispatcher.FireTimers();
    EXPECT_FALSE(auditioner.IsPlaying());
    EXPECT_EQ(auditioner.Path(), "");
    EXPECT_FALSE(button->checked);
    EXPECT_EQ(devices.OpenDevices(), 0);
}

TEST_F(AuditionerTest, LoopKeepsPlayingPastTheEnd) {
    ASSERT_TRUE(auditioner.Play("a.wav", true, button));
    devices.Advance(2.0);
    dispatcher.FireTimers();
    EXPECT_TRUE(auditioner.IsLooping());
    EXPECT_TRUE(button->checked);
}

TEST_F(AuditionerTest, EmptyFileEndsAtTheFirstTick) {
    ASSERT_TRUE(auditioner.Play("empty", false, button));
    EXPECT_FALSE(auditioner.IsPlaying());
    EXPECT_EQ(devices.OpenCalls(), 0) << "nothing to play opens nothing";
    EXPECT_EQ(auditioner.Path(), "empty");
    dispatcher.FireTimers();
    EXPECT_EQ(auditioner.Path(), "");
    EXPECT_FALSE(button->checked);
}

TEST_F(AuditionerTest, FilesThatCannotPlayAreRefused) {
    EXPECT_FALSE(auditioner.Play("missing", false, nullptr));
    EXPECT_FALSE(auditioner.Play("broken", false, nullptr));
    RefusingAuditioner refusing;
    EXPECT_FALSE(refusing.Play("a.wav", false, button));
    EXPECT_EQ(refusing.seenRate, 44100);
    EXPECT_EQ(devices.OpenCalls(), 0);
    EXPECT_FALSE(refusing.IsPlaying());
    EXPECT_EQ(refusing.Path(), "");
}

TEST_F(AuditionerTest, DestroyingAPreviewStopsTheDeviceAndReleasesTheButton) {
    {
        PN_Auditioner local(OpenByName);
        ASSERT_TRUE(local.Play("a.wav", true, button));
        EXPECT_EQ(devices.OpenDevices(), 1);
    }
    EXPECT_EQ(devices.OpenDevices(), 0);
    EXPECT_FALSE(button->checked);
    dispatcher.FireTimers(); // its timer died with it
}

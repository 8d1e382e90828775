// The preview player on files that sox writes to disk, played on the hand-driven device.
#include "audio/engine/preview_file.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "audio/engine/audio_decoder.h"
#include "tests/audio/engine/fake_check_button.h"
#include "tests/audio/engine/hand_clock_fixture.h"
#include "tests/support/sox_files.h"

namespace {

class PreviewFileTest : public HandClockTest {
protected:
    // A file of white noise (so that no stretch of it repeats) made by sox.
    std::string Noise(const std::string& name, int rate, int channels, double seconds) {
        const std::string path = folder.Path(name);
        EXPECT_TRUE(RunSox("-n -r " + std::to_string(rate) + " -c " + std::to_string(channels) +
                           " -b 16 " + path + " synth " + std::to_string(seconds) +
                           " whitenoise vol 0.5"));
        return path;
    }

    // Every sample played so far, as floats, whichever format the device took.
    std::vector<float> Played() const {
        return PlayedSamples(devices.LastOpenedFormat(AudioDirection::kOutput).isFloat);
    }

    // Moves the clock in steps of one tick, as the timer would see it.
    void PlayFor(double seconds) {
        const double tick = PN_Auditioner::kTickMilliseconds / 1000.0;
        for (double done = 0; done < seconds; done += tick) {
            devices.Advance(std::min(tick, seconds - done));
            dispatcher.FireTimers();
        }
    }

    TempFolder folder;
    PN_Auditioner auditioner;
    std::shared_ptr<FakeButton> button = std::make_shared<FakeButton>();
};

} // namespace

TEST_F(PreviewFileTest, SoundLongerThanTheCacheWindowPlaysWholeAndInOrder) {
    // 40 s at 8000 Hz is ten blocks, more than twice what a 10-second window keeps.
    const std::string path = Noise("8000-1-16.wav", 8000, 1, 40.0);
    const std::vector<std::int16_t> samples =
        Int16Samples(RiffChunkBody(ReadFileBytes(path), "data"));
    ASSERT_EQ(samples.size(), 320000u);

    ASSERT_TRUE(auditioner.Play(path, false, button));
    EXPECT_EQ(devices.LastOpenedFormat(AudioDirection::kOutput).rate, 8000);
    PlayFor(39.9);
    EXPECT_TRUE(auditioner.IsPlaying());
    PlayFor(0.2);
    EXPECT_FALSE(auditioner.IsPlaying());
    EXPECT_EQ(auditioner.Path(), "");
    EXPECT_FALSE(button->checked);
    EXPECT_EQ(devices.OpenDevices(), 0);

    const std::vector<float> played = Played();
    ASSERT_GE(played.size(), samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i) {
        ASSERT_EQ(played[i], samples[i] / 32768.0f) << "sample " << i;
    }
}

TEST_F(PreviewFileTest, RateFactorPlaysAtTheNearestSemitoneAndEndsSooner) {
    const std::string path = Noise("44100-2-16.wav", 44100, 2, 0.5);
    struct Case {
        const char* name;
        double factor;
        int rate;
    };
    const Case cases[] = {
        {"one and a half: seven semitones up", 1.5, 66075},
        {"double: an octave up", 2.0, 88200},
        {"half: an octave down", 0.5, 22050},
        {"above the table: its top", 3.0, 93445},
        {"below the table: its bottom", 0.1, 8259},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auditioner.SetRateFactor(c.factor);
        ASSERT_TRUE(auditioner.Play(path, false, nullptr));
        EXPECT_EQ(devices.LastOpenedFormat(AudioDirection::kOutput).rate, c.rate);
        // The same 22050 frames, played at the new rate.
        const double seconds = 22050.0 / c.rate;
        PlayFor(seconds - 0.06);
        EXPECT_TRUE(auditioner.IsPlaying());
        PlayFor(0.11);
        EXPECT_FALSE(auditioner.IsPlaying());
    }
}

TEST_F(PreviewFileTest, ReplayingTheSameFileFromItsButtonKeepsItChecked) {
    const std::string path = Noise("44100-2-16.wav", 44100, 2, 0.5);
    ASSERT_TRUE(auditioner.Play(path, false, button));
    ASSERT_TRUE(auditioner.Play(path, true, button));
    EXPECT_EQ(button->calls, 0);
    PlayFor(1.2);
    EXPECT_TRUE(auditioner.IsLooping()) << "the loop goes on past the end of the file";
    EXPECT_TRUE(button->checked);
    auditioner.Stop();
    EXPECT_FALSE(button->checked);
    EXPECT_EQ(devices.OpenDevices(), 0);
}

TEST_F(PreviewFileTest, FileWithoutFramesEndsAtTheFirstTick) {
    const std::string path = folder.Path("empty.wav");
    ASSERT_TRUE(RunSox("-n -r 44100 -c 2 -b 16 " + path + " trim 0 0"));
    ASSERT_TRUE(auditioner.Play(path, false, button));
    EXPECT_FALSE(auditioner.IsPlaying());
    EXPECT_EQ(devices.OpenCalls(), 0);
    dispatcher.FireTimers();
    EXPECT_EQ(auditioner.Path(), "");
    EXPECT_FALSE(button->checked);
}

TEST_F(PreviewFileTest, FilesThatCannotPlayAreRefused) {
    std::ofstream(folder.Path("notes.wav")) << "not a sound at all";
    std::filesystem::create_directory(folder.Path("folder.wav"));
    const std::string paths[] = {folder.Path("missing.wav"), folder.Path("notes.wav"),
                                 folder.Path("folder.wav"), ""};
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(auditioner.Play(path, false, button));
        EXPECT_EQ(auditioner.Path(), "");
        dispatcher.FireTimers();
    }
    EXPECT_EQ(devices.OpenCalls(), 0);

    // The hook sees the file's own decoder, and its refusal opens no device.
    struct Refusing : PN_Auditioner {
        bool AcceptDecoder(CAP_AudioContainer* decoder) override {
            auto* fileDecoder = dynamic_cast<CAP_AudioDecoder*>(decoder);
            seen = fileDecoder && fileDecoder->rate == 44100 && fileDecoder->channels == 2;
            return false;
        }
        bool seen = false;
    } refusing;
    EXPECT_FALSE(refusing.Play(Noise("44100-2-16.wav", 44100, 2, 0.5), false, button));
    EXPECT_TRUE(refusing.seen);
    EXPECT_FALSE(refusing.IsPlaying());
    EXPECT_EQ(devices.OpenCalls(), 0);
}

TEST_F(PreviewFileTest, DeviceThatCannotOpenEndsThePreviewAtTheNextTick) {
    const std::string path = Noise("44100-2-16.wav", 44100, 2, 0.5);
    devices.SetAbsent(true);
    EXPECT_TRUE(auditioner.Play(path, true, button)) << "the file itself could be played";
    EXPECT_FALSE(auditioner.IsPlaying());
    dispatcher.FireTimers();
    EXPECT_EQ(auditioner.Path(), "");
    EXPECT_FALSE(button->checked);
    EXPECT_EQ(devices.OpenDevices(), 0);
}

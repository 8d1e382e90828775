#include "audio/engine/audio_player.h"

#include <cmath>
#include <gtest/gtest.h>

#include "audio/engine/audio_monitor.h"
#include "tests/audio/engine/hand_clock_fixture.h"
#include "tests/audio/engine/memory_container.h"

namespace {

// Sample value that names its frame and channel, exact in float and in 16 bits.
float Marker(std::int64_t frame, int channel) {
    return static_cast<float>(((frame * 7 + channel * 3) % 1000 - 500) / 32768.0);
}

class AudioPlayerTest : public HandClockTest {
protected:
    // A source of the given length filled with markers.
    MemoryContainer& Source(double seconds, int channels = 2, int rate = 44100) {
        source = std::make_unique<MemoryContainer>(channels, rate, std::llround(seconds * rate));
        source->Fill(Marker);
        return *source;
    }

    // The played frames, as floats, whatever the device took.
    std::vector<float> Played(const CAI_AudioPlayer& player) const {
        return PlayedSamples(player.PlayBits() == 32);
    }

    std::unique_ptr<MemoryContainer> source;
};

} // namespace

TEST_F(AudioPlayerTest, StartAfterEndOpensNothing) {
    CAI_AudioPlayer player(&Source(3.0), nullptr);
    player.Play(2.0, 1.0);
    EXPECT_EQ(player.GetState(), CAI_AudioPlayer::kIdle);
    EXPECT_EQ(devices.OpenCalls(), 0);
    player.PlayLoop(2.0, 0.0, 1.0);
    EXPECT_EQ(player.GetState(), CAI_AudioPlayer::kIdle);
    EXPECT_FALSE(player.IsLooping()) << "a play that never started leaves no loop behind";
}

TEST_F(AudioPlayerTest, HalfSecondSoundEndsWhenItsOnlyBufferComesBack) {
    CAI_AudioPlayer player(&Source(0.5), nullptr);
    player.Play(0, 0);
    ASSERT_EQ(player.GetState(), CAI_AudioPlayer::kPlaying);
    EXPECT_EQ(player.PlayBits(), 32);
    devices.Advance(0.49);
    player.StopIfFinished();
    EXPECT_EQ(player.GetState(), CAI_AudioPlayer::kPlaying);
    EXPECT_NEAR(player.GetPosition(), 0.49, 1e-4);

    devices.Advance(0.01);
    player.StopIfFinished();
    EXPECT_EQ(player.GetState(), CAI_AudioPlayer::kIdle);
    EXPECT_EQ(devices.OpenDevices(), 0);
    EXPECT_EQ(devices.IdleWaits(), 0) << "nothing was left to wait for";
    EXPECT_EQ(Played(player), source->samples);
    EXPECT_NEAR(player.GetPosition(), 0.5 - 1.0 / 44100, 1e-9) << "capped at the last frame";
}

TEST_F(AudioPlayerTest, LoopWrapsThePositionAndTheSound) {
    CAI_AudioPlayer player(&Source(3.0), nullptr);
    player.PlayLoop(0.0, 1.0, 2.0);
    ASSERT_TRUE(player.IsLooping());
    devices.Advance(0.25);
    EXPECT_NEAR(player.GetPosition(), 0.25, 1e-9) << "before the loop start";
    devices.Advance(2.25);
    EXPECT_NEAR(player.GetPosition(), 1.5, 1e-9);

    // Two and a half seconds played: 0-1 s, the loop 1-2 s, and half of the loop again.
    const std::vector<float> played = Played(player);
    ASSERT_EQ(played.size(), 2u * 110250);
    for (std::int64_t frame : {0L, 44099L, 44100L, 88199L, 88200L, 110249L}) {
        const std::int64_t from = frame < 88200 ? frame : frame - 44100;
        EXPECT_EQ(played[frame * 2 + 1], Marker(from, 1)) << "frame " << frame;
    }
    player.StopIfFinished();
    EXPECT_EQ(player.GetState(), CAI_AudioPlayer::kPlaying) << "a loop never finishes";
    player.Stop();
    EXPECT_FALSE(player.IsLooping());
}

TEST_F(AudioPlayerTest, PositionBeforeAShortLoopRunsOnPlainly) {
    CAI_AudioPlayer player(&Source(3.0), nullptr);
    player.PlayLoop(0.0, 1.0, 1.5);
    devices.Advance(0.2);
    EXPECT_NEAR(player.GetPosition(), 0.2, 1e-9);
    devices.Advance(1.5); // 1.7 s played: 1.0-1.5, then 0.2 into the loop again
    EXPECT_NEAR(player.GetPosition(), 1.2, 1e-9);
}

TEST_F(AudioPlayerTest, LoopStartAtOrPastTheEndPlaysOnce) {
    for (double loopStart : {2.0, 2.5}) {
        SCOPED_TRACE(loopStart);
        CAI_AudioPlayer player(&Source(3.0), nullptr);
        player.PlayLoop(1.5, loopStart, 2.0);
        ASSERT_EQ(player.GetState(), CAI_AudioPlayer::kPlaying);
        devices.Advance(0.5);
        player.StopIfFinished();
        EXPECT_EQ(player.GetState(), CAI_AudioPlayer::kIdle);
        EXPECT_EQ(Played(player).size(), 2u * 22050);
    }
}

TEST_F(AudioPlayerTest, StopReturnsAndClosesTheDeviceEvenWhenBuffersNeverComeBack) {
    for (bool stuck : {false, true}) {
        SCOPED_TRACE(stuck ? "stuck driver" : "healthy driver");
        devices.SetReturnsBuffersOnReset(!stuck);
        CAI_AudioPlayer player(&Source(5.0), nullptr);
        player.Play(0, 0);
        devices.Advance(0.3);
        player.Stop();
        EXPECT_EQ(player.GetState(), CAI_AudioPlayer::kIdle);
        EXPECT_EQ(devices.OpenDevices(), 0);
        EXPECT_EQ(devices.IdleWaits(), stuck ? 1 : 0);
        EXPECT_NEAR(player.GetPosition(), 0.3, 1e-9) << "the position at the stop is kept";

        devices.SetReturnsBuffersOnReset(true);
        player.Play(1.0, 0);
        EXPECT_EQ(player.GetState(), CAI_AudioPlayer::kPlaying) << "it plays again";
        devices.Advance(1.0);
        EXPECT_EQ(Played(player)[0], Marker(44100, 0));
    }
}

TEST_F(AudioPlayerTest, DeviceRefusingFloatPlaysSixteenBit) {
    devices.SetRefusesFloat(true);
    CAI_AudioPlayer player(&Source(0.1), nullptr);
    player.Play(0, 0);
    ASSERT_EQ(player.GetState(), CAI_AudioPlayer::kPlaying);
    EXPECT_EQ(devices.LastOpenedFormat(AudioDirection::kOutput).bits, 16);
    EXPECT_FALSE(devices.LastOpenedFormat(AudioDirection::kOutput).isFloat);
    devices.Advance(0.1);
    EXPECT_EQ(Played(player), source->samples);
}

TEST_F(AudioPlayerTest, NoDeviceLeavesTheDevicesTextAndIdle) {
    devices.SetAbsent(true);
    MemoryContainer target(2, 44100);
    CAI_AudioPlayer player(&Source(1.0), &target);
    player.Play(0, 0);
    EXPECT_EQ(player.GetState(), CAI_AudioPlayer::kIdle);
    EXPECT_EQ(player.ErrorText(), kNoAudioDeviceText);
    player.Record(0, 0);
    EXPECT_EQ(player.GetState(), CAI_AudioPlayer::kIdle);
    EXPECT_FALSE(player.CanPlayFormat(44100, 2, 16, false));
    EXPECT_FALSE(player.CanRecordFormat(44100, 2, 16, false));
}

TEST_F(AudioPlayerTest, DeviceFailingAfterItOpenedIsClosedAgain) {
    devices.SetFailsToStart(true);
    MemoryContainer target(2, 44100);
    CAI_AudioPlayer player(&Source(1.0), &target);
    player.Play(0, 0);
    EXPECT_EQ(player.GetState(), CAI_AudioPlayer::kIdle);
    EXPECT_EQ(player.ErrorText(), kHandClockStartFailure);
    EXPECT_EQ(devices.OpenDevices(), 0);
    player.Record(0, 0);
    EXPECT_EQ(player.GetState(), CAI_AudioPlayer::kIdle);
    EXPECT_EQ(devices.OpenDevices(), 0);
    EXPECT_EQ(devices.OpenCalls(), 2);

    devices.SetFailsToStart(false);
    player.Play(0, 0);
    EXPECT_EQ(player.GetState(), CAI_AudioPlayer::kPlaying) << "the card is free again";
}

TEST_F(AudioPlayerTest, ManyChannelsNeverOverrunTheBuffers) {
    // Eight channels of 96 kHz float: one second would be three times a play buffer.
    CAI_AudioPlayer player(&Source(2.0, 8, 96000), nullptr);
    player.Play(0, 0);
    devices.Advance(2.0);
    player.StopIfFinished();
    EXPECT_EQ(player.GetState(), CAI_AudioPlayer::kIdle);
    EXPECT_EQ(Played(player), source->samples);

    MemoryContainer target(8, 96000);
    CAI_AudioPlayer recorder(nullptr, &target);
    recorder.Record(0, 0.5);
    devices.Advance(0.6);
    recorder.StopIfFinished();
    EXPECT_EQ(recorder.GetState(), CAI_AudioPlayer::kIdle);
    EXPECT_EQ(target.Frames(), 48000);
}

class RecorderTest : public AudioPlayerTest {
protected:
    RecorderTest() {
        devices.SetInputSignal(
            [](std::int64_t frame, int channel) { return Marker(frame, channel); });
    }
};

TEST_F(RecorderTest, OpenEndedRecordingRunsUntilStopAndKeepsWhatArrived) {
    MemoryContainer target(2, 44100);
    CAI_AudioPlayer recorder(nullptr, &target);
    recorder.Record(0, 0);
    ASSERT_EQ(recorder.GetState(), CAI_AudioPlayer::kRecording);
    devices.Advance(3.0);
    recorder.StopIfFinished();
    EXPECT_EQ(recorder.GetState(), CAI_AudioPlayer::kRecording);
    EXPECT_NEAR(recorder.GetPosition(), 3.0, 1e-9);
    recorder.Stop();
    EXPECT_EQ(recorder.GetState(), CAI_AudioPlayer::kIdle);
    EXPECT_EQ(devices.OpenDevices(), 0);
    EXPECT_EQ(devices.IdleWaits(), 0);
    // Float stereo at 44100 Hz moves in 16384-byte buffers: whole buffers of 2048 frames.
    EXPECT_EQ(target.Frames(), 3 * 44100 / 2048 * 2048);
    for (std::int64_t f = 0; f < target.Frames(); f += 997) {
        ASSERT_EQ(target.At(f, 1), Marker(f, 1)) << "frame " << f;
    }
}

TEST_F(RecorderTest, BoundedRecordingStopsAtItsEndFrame) {
    MemoryContainer target(2, 44100);
    CAI_AudioPlayer recorder(nullptr, &target);
    recorder.Record(0.5, 0.6);
    devices.Advance(0.2);
    recorder.StopIfFinished();
    EXPECT_EQ(recorder.GetState(), CAI_AudioPlayer::kIdle);
    EXPECT_EQ(target.Frames(), 26460) << "written from frame 22050 up to frame 26460";
    EXPECT_EQ(target.At(22050, 0), Marker(0, 0));
}

TEST_F(RecorderTest, TargetThatTakesNoMoreEndsTheRecording) {
    MemoryContainer target(1, 8000);
    target.limit = 1000;
    CAI_AudioPlayer recorder(nullptr, &target);
    recorder.Record(0, 0);
    devices.Advance(1.0);
    recorder.StopIfFinished();
    EXPECT_EQ(recorder.GetState(), CAI_AudioPlayer::kIdle);
    EXPECT_EQ(target.Frames(), 1000);
}

TEST_F(RecorderTest, BufferLengthFollowsTheFormat) {
    struct Case {
        const char* name;
        int rate;
        int channels;
        bool refuseFloat;
        std::int64_t framesPerBuffer;
    };
    const Case cases[] = {
        {"16-bit stereo 44100: 8192 bytes", 44100, 2, true, 2048},
        {"float stereo 44100: 16384 bytes", 44100, 2, false, 2048},
        {"16-bit mono 8000: 512 bytes", 8000, 1, true, 256},
        {"float stereo 96000: 32768 bytes", 96000, 2, false, 4096},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        devices.SetRefusesFloat(c.refuseFloat);
        MemoryContainer target(c.channels, c.rate);
        CAI_AudioPlayer recorder(nullptr, &target);
        recorder.Record(0, 0);
        devices.Advance(static_cast<double>(c.framesPerBuffer - 1) / c.rate);
        EXPECT_EQ(target.Frames(), 0);
        devices.Advance(1.0 / c.rate);
        EXPECT_EQ(target.Frames(), c.framesPerBuffer);
    }
}

TEST_F(RecorderTest, DcOffsetsAreRemovedAndClipped) {
    // Channel 0 holds 0.1 and -1.0 in turn; channel 1 is left alone.
    devices.SetInputSignal([](std::int64_t frame, int channel) {
        return channel == 1 ? 0.25 : (frame % 2 == 0 ? 0.1 : -1.0);
    });
    for (bool sixteenBit : {true, false}) {
        SCOPED_TRACE(sixteenBit ? "16-bit" : "float");
        devices.SetRefusesFloat(sixteenBit);
        MemoryContainer target(2, 44100);
        CAI_AudioPlayer recorder(nullptr, &target);
        recorder.SetDcOffsets(0.001f, 0.0f);
        recorder.Record(0, 0.01);
        devices.Advance(0.1);
        ASSERT_EQ(target.Frames(), 441);
        if (sixteenBit) {
            EXPECT_EQ(std::lround(target.At(0, 0) * 32768), 3277 - 33);
            EXPECT_EQ(std::lround(target.At(1, 0) * 32768), -32767) << "clipped short of -32768";
        } else {
            EXPECT_FLOAT_EQ(target.At(0, 0), 0.1f - 0.001f);
            EXPECT_FLOAT_EQ(target.At(1, 0), -1.0f);
        }
        EXPECT_FLOAT_EQ(target.At(0, 1), 0.25f);
    }
}

TEST_F(RecorderTest, SixteenBitRecordingPassesThroughTheLevelMonitor) {
    class CountingMeter : public CAP_LevelMeter {
    public:
        void SetLevels(double level, double, std::uint32_t) override { levels.push_back(level); }
        void Redraw() override {}
        std::vector<double> levels;
    } meter;
    devices.SetRefusesFloat(true);
    MemoryContainer target(2, 44100);
    CAP_AudioMonitor monitor(2, 44100, &meter, nullptr);
    monitor.SetWriteDownstream(&target);
    CAI_AudioPlayer recorder(nullptr, &monitor);
    recorder.Record(0, 0.1);
    devices.Advance(0.2);
    recorder.StopIfFinished();
    EXPECT_EQ(recorder.GetState(), CAI_AudioPlayer::kIdle);
    ASSERT_EQ(target.Frames(), 4410);
    EXPECT_EQ(target.At(4409, 1), Marker(4409, 1));
    EXPECT_EQ(meter.levels.size(), 3u) << "two whole buffers of 2048 frames and the rest";
}

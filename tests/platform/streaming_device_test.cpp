#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

#include "platform/alsa_device.h"
#include "platform/null_device.h"
#include "platform/ui_dispatcher.h"

namespace {

class ThreadCheckingListener : public AudioDeviceListener {
public:
    void OnBufferDone(AudioDeviceBuffer* buffer) override { Note(buffer); }
    void OnDataReady(AudioDeviceBuffer* buffer) override { Note(buffer); }
    void Note(AudioDeviceBuffer* buffer) {
        handedBack.push_back(buffer);
        onOwnThread = onOwnThread && std::this_thread::get_id() == owner;
    }
    std::thread::id owner = std::this_thread::get_id();
    bool onOwnThread = true;
    std::vector<AudioDeviceBuffer*> handedBack;
};

// Binds a queued dispatcher for the test, so that notices arrive when the test runs it.
class PacedNullDeviceTest : public ::testing::Test {
protected:
    PacedNullDeviceTest() { previous_ = SetUiDispatcher(&dispatcher); }
    ~PacedNullDeviceTest() override { SetUiDispatcher(previous_); }

    // Runs the dispatcher until count buffers are back, for two seconds at most.
    void RunUntilHandedBack(std::size_t count) {
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (listener.handedBack.size() < count && std::chrono::steady_clock::now() < give_up) {
            dispatcher.RunFor(std::chrono::milliseconds(5));
        }
    }

    QueuedUiDispatcher dispatcher;
    ThreadCheckingListener listener;
    PacedNullAudioSystem system;

private:
    UiDispatcher* previous_ = nullptr;
};

} // namespace

TEST_F(PacedNullDeviceTest, PlayedBuffersComeBackInOrderOnTheDispatchingThread) {
    auto device = system.CreateDevice(AudioDirection::kOutput, &listener);
    const AudioDeviceFormat format{8000, 2, 32, true};
    ASSERT_TRUE(device->Open(format, false));
    std::vector<char> a(80 * format.FrameBytes()), b(40 * format.FrameBytes());
    AudioDeviceBuffer first{a.data(), a.size()}, second{b.data(), b.size()};
    ASSERT_TRUE(device->Pause());
    ASSERT_TRUE(device->Queue(&first));
    ASSERT_TRUE(device->Queue(&second));
    ASSERT_TRUE(device->Start());
    RunUntilHandedBack(2);
    ASSERT_EQ(listener.handedBack.size(), 2u);
    EXPECT_EQ(listener.handedBack[0], &first);
    EXPECT_EQ(listener.handedBack[1], &second);
    EXPECT_TRUE(first.done && second.done);
    EXPECT_TRUE(listener.onOwnThread);
    std::int64_t position = 0;
    ASSERT_TRUE(device->GetPosition(position));
    EXPECT_EQ(position, 120);
    EXPECT_TRUE(device->Close());
}

TEST_F(PacedNullDeviceTest, RecordsSilenceAndResetHandsBackWhatIsQueued) {
    auto device = system.CreateDevice(AudioDirection::kInput, &listener);
    const AudioDeviceFormat format{8000, 1, 16, false};
    ASSERT_TRUE(device->Open(format, false));
    std::vector<char> shortBytes(40 * 2, 0x55), longBytes(8000 * 60 * 2, 0x55);
    AudioDeviceBuffer shortBuffer{shortBytes.data(), shortBytes.size()};
    AudioDeviceBuffer longBuffer{longBytes.data(), longBytes.size()}; // a minute
    device->Queue(&shortBuffer);
    device->Queue(&longBuffer);
    device->Start();
    RunUntilHandedBack(1);
    ASSERT_EQ(listener.handedBack.size(), 1u);
    EXPECT_EQ(shortBuffer.bytesRecorded, shortBytes.size());
    EXPECT_EQ(shortBytes, std::vector<char>(shortBytes.size(), 0));

    ASSERT_TRUE(device->Reset());
    RunUntilHandedBack(2);
    ASSERT_EQ(listener.handedBack.size(), 2u);
    EXPECT_EQ(listener.handedBack[1], &longBuffer);
    EXPECT_LT(longBuffer.bytesRecorded, longBytes.size());
    EXPECT_TRUE(device->Close());
}

TEST_F(PacedNullDeviceTest, ClosingWithBuffersQueuedForgetsThem) {
    auto device = system.CreateDevice(AudioDirection::kOutput, &listener);
    ASSERT_TRUE(device->Open({8000, 1, 16, false}, false));
    std::vector<char> bytes(8000 * 2);
    AudioDeviceBuffer buffer{bytes.data(), bytes.size()};
    device->Queue(&buffer);
    device->Start();
    EXPECT_FALSE(device->Close());
    dispatcher.RunPending();
    EXPECT_TRUE(listener.handedBack.empty());
}

TEST(AudioSystemChoice, EnvironmentForcesTheNullDevice) {
    ASSERT_EQ(setenv(kAudioDeviceVariable, "null", 1), 0);
    EXPECT_EQ(ChooseAudioSystem()->Name(), "null");
    unsetenv(kAudioDeviceVariable);
    EXPECT_EQ(ChooseAudioSystem()->Name(), AlsaCardAvailable() ? "alsa" : "null");
}

TEST(AlsaDevice, OpeningKeepsAlsaDiagnosticsOffStandardError) {
    testing::internal::CaptureStderr();
    AlsaAudioSystem alsa;
    auto device = alsa.CreateDevice(AudioDirection::kOutput, nullptr);
    const bool opened = device->Open({44100, 2, 16, false}, false);
    const std::string error = device->ErrorText();
    device->Close();
    auto input = alsa.CreateDevice(AudioDirection::kInput, nullptr);
    input->Open({44100, 2, 32, true}, true);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    if (!opened) {
        EXPECT_FALSE(error.empty());
    }
}

TEST(QueuedUiDispatcher, RunsPostedTasksOnTheRunningThread) {
    QueuedUiDispatcher dispatcher;
    std::thread::id ranOn;
    std::thread poster([&] { dispatcher.Post([&] { ranOn = std::this_thread::get_id(); }); });
    poster.join();
    EXPECT_EQ(dispatcher.RunPending(), 1);
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    EXPECT_EQ(dispatcher.RunPending(), 0);
}

TEST(QueuedUiDispatcher, TimerStoppedFromItsOwnTickNeverTicksAgain) {
    QueuedUiDispatcher dispatcher;
    int ticks = 0;
    std::unique_ptr<UiTimer> timer;
    timer = dispatcher.StartTimer(50, [&] {
        ++ticks;
        timer.reset();
    });
    dispatcher.FireTimers();
    dispatcher.FireTimers();
    EXPECT_EQ(ticks, 1);
}

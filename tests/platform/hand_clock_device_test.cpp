#include "platform/hand_clock_device.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace {

class RecordingListener : public AudioDeviceListener {
public:
    void OnBufferDone(AudioDeviceBuffer* buffer) override { done.push_back(buffer); }
    void OnDataReady(AudioDeviceBuffer* buffer) override { ready.push_back(buffer); }
    std::vector<AudioDeviceBuffer*> done;
    std::vector<AudioDeviceBuffer*> ready;
};

AudioDeviceBuffer Buffer(std::vector<char>& bytes) {
    AudioDeviceBuffer buffer;
    buffer.data = bytes.data();
    buffer.length = bytes.size();
    return buffer;
}

const AudioDeviceFormat kMono16{1000, 1, 16, false};

} // namespace

TEST(HandClockDevice, PlaysQueuedBuffersInOrderAsTheClockMoves) {
    HandClockAudioSystem system;
    RecordingListener listener;
    auto device = system.CreateDevice(AudioDirection::kOutput, &listener);
    ASSERT_TRUE(device->Open(kMono16, false));
    std::vector<char> a(200, 'a'), b(100, 'b'); // 100 and 50 frames
    AudioDeviceBuffer first = Buffer(a), second = Buffer(b);
    ASSERT_TRUE(device->Queue(&first));
    ASSERT_TRUE(device->Queue(&second));

    system.Advance(0.5); // not started: nothing moves
    std::int64_t position = -1;
    ASSERT_TRUE(device->GetPosition(position));
    EXPECT_EQ(position, 0);

    ASSERT_TRUE(device->Start());
    system.Advance(0.099);
    EXPECT_TRUE(listener.done.empty());
    EXPECT_FALSE(first.done);
    system.Advance(0.001);
    ASSERT_EQ(listener.done.size(), 1u);
    EXPECT_EQ(listener.done[0], &first);
    EXPECT_TRUE(first.done);

    system.Advance(1.0); // the queue runs dry after 150 frames: the position stops there
    ASSERT_EQ(listener.done.size(), 2u);
    EXPECT_EQ(listener.done[1], &second);
    ASSERT_TRUE(device->GetPosition(position));
    EXPECT_EQ(position, 150);
    std::vector<char> expected(a);
    expected.insert(expected.end(), b.begin(), b.end());
    EXPECT_EQ(system.PlayedBytes(), expected);
    EXPECT_TRUE(device->Close());
    EXPECT_EQ(system.OpenDevices(), 0);
}

TEST(HandClockDevice, ResetHandsBackEveryQueuedBufferWhenNoticesAreDelivered) {
    HandClockAudioSystem system;
    RecordingListener listener;
    auto device = system.CreateDevice(AudioDirection::kInput, &listener);
    ASSERT_TRUE(device->Open(kMono16, false));
    std::vector<char> a(200), b(200);
    AudioDeviceBuffer first = Buffer(a), second = Buffer(b);
    device->Queue(&first);
    device->Queue(&second);
    device->Start();
    system.Advance(0.03);

    ASSERT_TRUE(device->Reset());
    EXPECT_TRUE(listener.ready.empty()) << "notices wait for delivery";
    EXPECT_TRUE(device->WaitForNotice(std::chrono::milliseconds(0)));
    EXPECT_EQ(device->DeliverNotices(), 2);
    ASSERT_EQ(listener.ready.size(), 2u);
    EXPECT_EQ(first.bytesRecorded, 60u) << "the part-filled buffer keeps what it holds";
    EXPECT_EQ(second.bytesRecorded, 0u);
    std::int64_t position = -1;
    device->GetPosition(position);
    EXPECT_EQ(position, 0);
}

TEST(HandClockDevice, StuckDriverKeepsItsBuffersAndCloseForgetsThem) {
    HandClockAudioSystem system;
    system.SetReturnsBuffersOnReset(false);
    RecordingListener listener;
    auto device = system.CreateDevice(AudioDirection::kOutput, &listener);
    ASSERT_TRUE(device->Open(kMono16, false));
    std::vector<char> a(200);
    AudioDeviceBuffer first = Buffer(a);
    device->Queue(&first);
    device->Reset();
    EXPECT_FALSE(device->WaitForNotice(std::chrono::milliseconds(1000))) << "time stands still";
    EXPECT_FALSE(device->Close());
    EXPECT_EQ(system.OpenDevices(), 0);
    EXPECT_TRUE(listener.done.empty());
}

TEST(HandClockDevice, AbsentOrRefusingFloat) {
    HandClockAudioSystem system;
    RecordingListener listener;
    auto device = system.CreateDevice(AudioDirection::kOutput, &listener);
    const AudioDeviceFormat stereoFloat{44100, 2, 32, true};
    EXPECT_TRUE(device->Open(stereoFloat, true));
    EXPECT_EQ(system.OpenDevices(), 0) << "a query leaves the device closed";

    system.SetRefusesFloat(true);
    EXPECT_FALSE(device->Open(stereoFloat, true));
    EXPECT_EQ(device->ErrorText(), kAudioFormatRefusedText);
    EXPECT_TRUE(device->Open({44100, 2, 16, false}, true));

    system.SetAbsent(true);
    EXPECT_FALSE(device->Open({44100, 2, 16, false}, false));
    EXPECT_EQ(device->ErrorText(), kNoAudioDeviceText);
    EXPECT_FALSE(device->Queue(nullptr));
    EXPECT_EQ(device->ErrorText(), kAudioDeviceNotOpenText);
}

TEST(HandClockDevice, RecordsTheGivenSignalAsFloatOr16Bit) {
    HandClockAudioSystem system;
    system.SetInputSignal(
        [](std::int64_t frame, int channel) { return channel == 0 ? frame / 8.0 - 0.5 : -1.0; });
    for (bool isFloat : {true, false}) {
        SCOPED_TRACE(isFloat ? "float" : "16-bit");
        RecordingListener listener;
        auto device = system.CreateDevice(AudioDirection::kInput, &listener);
        const AudioDeviceFormat format{8000, 2, isFloat ? 32 : 16, isFloat};
        ASSERT_TRUE(device->Open(format, false));
        std::vector<char> bytes(8 * format.FrameBytes());
        AudioDeviceBuffer buffer = Buffer(bytes);
        device->Queue(&buffer);
        device->Start();
        system.Advance(0.001);
        ASSERT_EQ(listener.ready.size(), 1u);
        EXPECT_EQ(buffer.bytesRecorded, bytes.size());
        for (int f = 0; f < 8; ++f) {
            for (int c = 0; c < 2; ++c) {
                const double expected = c == 0 ? f / 8.0 - 0.5 : -1.0;
                double got;
                if (isFloat) {
                    float v;
                    std::memcpy(&v, bytes.data() + (f * 2 + c) * 4, 4);
                    got = v;
                } else {
                    std::int16_t v;
                    std::memcpy(&v, bytes.data() + (f * 2 + c) * 2, 2);
                    got = v / 32768.0;
                }
                EXPECT_DOUBLE_EQ(got, expected) << "frame " << f << " channel " << c;
            }
        }
    }
}

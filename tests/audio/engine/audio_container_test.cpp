#include "audio/engine/audio_container.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

#include "tests/audio/engine/memory_container.h"

TEST(FloatToPcm, RoundsHalfAwayFromZeroAndClipsToTheWidth) {
    struct Case {
        float sample;
        int bits;
        int expected;
    };
    const Case cases[] = {
        {1.0f, 16, 32767},     {-1.0f, 16, -32768},     {-1.5f, 16, -32768},
        {0.5f / 32768, 16, 1}, {-0.5f / 32768, 16, -1}, {0.4f / 32768, 16, 0},
        {1.0f, 8, 127},        {-1.0f, 8, -128},        {0.25f, 8, 32},
        {1.0f, 24, 8388607},   {-1.0f, 24, -8388608},   {std::nanf(""), 16, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.sample << " at " << c.bits << " bits");
        EXPECT_EQ(FloatToPcm(c.sample, c.bits), c.expected);
    }
}

TEST(AudioContainerPcm, EachWidthRoundTripsItsLayout) {
    MemoryContainer container(1, 8000, 3);
    container.samples = {0.5f, -0.25f, -1.0f};
    std::vector<unsigned char> bytes(9);

    ASSERT_EQ(container.ReadPcm(bytes.data(), 24, 3, 0), 3);
    const std::vector<unsigned char> expected24 = {0x40, 0x00, 0x00, 0xE0, 0x00,
                                                   0x00, 0x80, 0x00, 0x00};
    EXPECT_EQ(bytes, expected24) << "24-bit is most significant byte first";

    ASSERT_EQ(container.ReadPcm(bytes.data(), 8, 3, 0), 3);
    EXPECT_EQ(static_cast<signed char>(bytes[0]), 64);
    EXPECT_EQ(static_cast<signed char>(bytes[1]), -32);
    EXPECT_EQ(static_cast<signed char>(bytes[2]), -128);

    for (int bits : {8, 16, 24}) {
        SCOPED_TRACE(bits);
        std::vector<unsigned char> pcm(9);
        ASSERT_EQ(container.ReadPcm(pcm.data(), bits, 3, 0), 3);
        MemoryContainer copy(1, 8000);
        ASSERT_EQ(copy.WritePcm(pcm.data(), bits, 3, 0), 3);
        EXPECT_EQ(copy.samples, container.samples);
    }
    EXPECT_EQ(container.ReadPcm(bytes.data(), 12, 3, 0), 0) << "no other widths";
}

TEST(AudioContainerPcm, LongAndWideReadsCrossBlocksWithoutOverrun) {
    // Six channels: the float scratch holds fewer frames per block than for stereo.
    MemoryContainer container(6, 48000, 20000);
    container.Fill([](std::int64_t f, int c) { return ((f * 6 + c) % 2000 - 1000) / 32768.0f; });
    std::vector<std::int16_t> pcm(20000 * 6);
    ASSERT_EQ(container.ReadPcm(pcm.data(), 16, 20000, 0), 20000);
    for (std::size_t i = 0; i < pcm.size(); i += 1237) {
        ASSERT_EQ(pcm[i], static_cast<int>(i % 2000) - 1000) << "sample " << i;
    }
    // A read past the end stops at the first empty block.
    EXPECT_EQ(container.ReadPcm(pcm.data(), 16, 20000, 15000), 5000);

    MemoryContainer copy(6, 48000);
    copy.limit = 17000;
    EXPECT_EQ(copy.WritePcm(pcm.data(), 16, 20000, 0), 17000);
}

TEST(AudioContainer, SecondsAndFrames) {
    MemoryContainer container(2, 44100);
    EXPECT_EQ(container.SecondsToFrames(1.99999), 88199) << "truncated";
    EXPECT_EQ(container.SecondsToFrames(-0.5), -22050);
    EXPECT_DOUBLE_EQ(container.FramesToSeconds(22050), 0.5);
    container.readPosition = 10;
    container.samples.assign(40, 1.0f);
    float out[8];
    EXPECT_EQ(container.ReadNext(out, 4), 4);
    EXPECT_EQ(container.readPosition, 10) << "ReadNext leaves the position";
}

TEST(AudioViewer, PendingRangeCoversEveryChangeAndTinyShiftsCancel) {
    CAP_AudioViewer viewer;
    viewer.OnChange(10, 5);
    viewer.OnChange(0, 1);
    EXPECT_DOUBLE_EQ(viewer.pendingStart, 0);
    EXPECT_DOUBLE_EQ(viewer.pendingLength, 15);
    viewer.OnChange(2, 20);
    EXPECT_DOUBLE_EQ(viewer.pendingLength, 22);

    viewer.OnShift(0.000004);
    EXPECT_EQ(viewer.pendingShift, 0.0);
    viewer.OnShift(0.5);
    viewer.OnShift(-0.499995);
    EXPECT_EQ(viewer.pendingShift, 0.0);
    viewer.OnShift(1.5);
    EXPECT_DOUBLE_EQ(viewer.pendingShift, 1.5);

    EXPECT_TRUE(viewer.Update());
    EXPECT_EQ(viewer.pendingLength, 0.0);
    EXPECT_EQ(viewer.pendingShift, 0.0);
    viewer.OnChange(3, 1);
    EXPECT_DOUBLE_EQ(viewer.pendingStart, 3) << "a fresh range after an update";
}

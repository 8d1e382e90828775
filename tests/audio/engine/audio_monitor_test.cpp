#include "audio/engine/audio_monitor.h"

#include <gtest/gtest.h>
#include <vector>

#include "audio/sound_signature.h"
#include "tests/audio/engine/memory_container.h"

namespace {

class RecordingMeter : public CAP_LevelMeter {
public:
    struct Levels {
        double level;
        double recentPeak;
        std::uint32_t colour;
    };
    void SetLevels(double level, double recentPeak, std::uint32_t colour) override {
        calls.push_back({level, recentPeak, colour});
    }
    void Redraw() override { ++redraws; }
    std::vector<Levels> calls;
    int redraws = 0;
};

std::vector<float> Chunk(int frames, float left, float right) {
    std::vector<float> out;
    for (int f = 0; f < frames; ++f) {
        out.push_back(left);
        out.push_back(right);
    }
    return out;
}

} // namespace

TEST(AudioMonitor, MeansSettleOverTheFirstHundredThousandFrames) {
    CAP_AudioMonitor monitor(2, 44100, nullptr, nullptr);
    monitor.WriteFrames(Chunk(60000, 0.2f, -0.1f).data(), 60000, 0);
    EXPECT_FLOAT_EQ(monitor.channelMeans[0], 0.2f);
    monitor.WriteFrames(Chunk(60000, 0.4f, -0.3f).data(), 60000, 60000);
    EXPECT_FLOAT_EQ(monitor.channelMeans[0], 0.3f) << "the chunk that crosses still counts";
    EXPECT_FLOAT_EQ(monitor.channelMeans[1], -0.2f);
    monitor.WriteFrames(Chunk(1000, 1.0f, 1.0f).data(), 1000, 120000);
    EXPECT_FLOAT_EQ(monitor.channelMeans[0], 0.3f);
    EXPECT_FLOAT_EQ(monitor.channelMeans[1], -0.2f);
}

TEST(AudioMonitor, LevelsAreMeasuredFromTheMeanAndThePeakRemembersTenChunks) {
    RecordingMeter right;
    // Only channel 1 has a meter; channel 0 still counts in the means.
    CAP_AudioMonitor monitor(2, 8000, nullptr, &right);
    monitor.WriteFrames(Chunk(100, 0.5f, 0.1f).data(), 100, 0);
    ASSERT_EQ(right.calls.size(), 1u);
    EXPECT_NEAR(right.calls[0].level, 0.0, 1e-7) << "a constant sits on its own mean";
    EXPECT_FLOAT_EQ(monitor.channelMeans[0], 0.5f);

    std::vector<float> loud = Chunk(100, 0.0f, 0.1f);
    loud[2 * 50 + 1] = -0.7f;
    monitor.WriteFrames(loud.data(), 100, 100);
    const float mean = monitor.channelMeans[1];
    EXPECT_NEAR(right.calls[1].level, 0.7 + mean, 1e-6);

    for (int i = 0; i < 9; ++i) {
        monitor.WriteFrames(Chunk(100, 0.0f, mean).data(), 100, 200 + i * 100);
        SCOPED_TRACE(i);
        EXPECT_NEAR(right.calls.back().level, 0.0, 1e-6);
        EXPECT_NEAR(right.calls.back().recentPeak, 0.7 + mean, 1e-6);
    }
    monitor.WriteFrames(Chunk(100, 0.0f, mean).data(), 100, 1100);
    EXPECT_NEAR(right.calls.back().recentPeak, 0.0, 1e-6) << "the loud chunk is eleven back";
    EXPECT_EQ(right.redraws, static_cast<int>(right.calls.size()));
}

TEST(AudioMonitor, ColourIsTheChunksSignatureColourForEveryMeter) {
    RecordingMeter left, right;
    CAP_AudioMonitor monitor(2, 8000, &left, &right);
    std::vector<float> tone(2 * 4000);
    for (int f = 0; f < 4000; ++f) {
        tone[2 * f] = (f % 16 < 8) ? 0.5f : -0.5f;
        tone[2 * f + 1] = (f % 40 < 20) ? 0.3f : -0.3f;
    }
    monitor.WriteFrames(tone.data(), 4000, 0);
    std::uint32_t expected = 0;
    SoundSignature signature{};
    ComputeSignatureOfFrames(tone.data(), 0, 4000, 2, 8000, 0.0f, &signature, &expected);
    ASSERT_EQ(left.calls.size(), 1u);
    EXPECT_EQ(left.calls[0].colour, expected);
    EXPECT_EQ(right.calls[0].colour, expected);
    EXPECT_NE(expected, 0u);
}

TEST(AudioMonitor, PassesChunksDownstreamAndAnEmptyChunkReadsAsSilence) {
    RecordingMeter left;
    CAP_AudioMonitor monitor(2, 8000, &left, nullptr);
    const std::vector<float> chunk = Chunk(10, 0.25f, -0.25f);
    EXPECT_EQ(monitor.WriteFrames(chunk.data(), 10, 5), 10) << "no downstream: the count";

    MemoryContainer sink(2, 8000);
    sink.limit = 12;
    monitor.SetWriteDownstream(&sink);
    EXPECT_EQ(monitor.WriteFrames(chunk.data(), 10, 5), 7) << "the downstream's answer";
    EXPECT_EQ(sink.At(5, 1), -0.25f);

    MemoryContainer source(2, 8000, 4);
    source.Fill([](std::int64_t, int c) { return c == 0 ? 0.9f : 0.0f; });
    monitor.SetReadDownstream(&source);
    std::vector<float> out(20, 0.0f);
    EXPECT_EQ(monitor.ReadFrames(out.data(), 10, 0), 4);
    EXPECT_FLOAT_EQ(out[0], 0.9f);
    EXPECT_NEAR(left.calls.back().level, 0.9 - monitor.channelMeans[0], 1e-6)
        << "what was read is measured";

    EXPECT_EQ(monitor.ReadFrames(out.data(), 10, 100), 0);
    EXPECT_EQ(left.calls.back().level, 0.0);
}

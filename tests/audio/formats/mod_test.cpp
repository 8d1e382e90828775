#include "audio/formats/mod.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>

#include "audio/format_codes.h"
#include "audio/sound_error.h"
#include "tests/support/mod_file_builder.h"
#include "tests/support/sample_stream_checks.h"

namespace {

constexpr int kFramesPerRow = 2646; // speed 6, 125 beats per minute, 22050 Hz

struct Rendered {
    std::vector<float> samples; // interleaved stereo unless asked otherwise
    std::int64_t dataLength = 0;
};

Rendered Render(const std::vector<std::uint8_t>& bytes, int outputChannels = 2) {
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    testing::internal::CaptureStderr();
    Rendered r;
    try {
        ModRead reader(in, static_cast<std::int64_t>(bytes.size()));
        reader.SetChannelsRecursive(outputChannels);
        r.dataLength = reader.DataLength();
        r.samples = ReadAllSamples(reader);
    } catch (...) {
        testing::internal::GetCapturedStderr();
        throw;
    }
    testing::internal::GetCapturedStderr();
    return r;
}

// The channel of an interleaved stereo stream.
std::vector<float> Side(const std::vector<float>& stereo, int side) {
    std::vector<float> out;
    for (std::size_t i = side; i < stereo.size(); i += 2) {
        out.push_back(stereo[i]);
    }
    return out;
}

ModFileBuilder SquareModule(int period = 254) {
    ModFileBuilder b;
    b.Instrument(1, ModFileBuilder::SquareCycle(), 64, 0, 16).Note(0, 0, 0, 1, period);
    return b;
}

TEST(ModRead, SquareWaveAtPeriod254PlaysAt440HzForTheWholeSong) {
    const Rendered r = Render(SquareModule().Bytes());
    ASSERT_EQ(r.samples.size(), 64u * kFramesPerRow * 2);
    EXPECT_EQ(r.dataLength, static_cast<std::int64_t>(r.samples.size()) * 4);
    const std::vector<float> left = Side(r.samples, 0);
    EXPECT_NEAR(RisingCrossingsPerSecond(left, 22050, 0, left.size()), 440.0, 2.0);
    // The cycle's samples sum to zero, yet its loop holds to the last row.
    EXPECT_GT(Peak(left, left.size() - kFramesPerRow, left.size()), 0.15f);
    EXPECT_EQ(Peak(Side(r.samples, 1), 0, left.size()), 0.0f);
    // Other periods play at their ratio to 254, held within 113..856.
    const struct {
        int period;
        double hz;
    } others[] = {
        {508, 220.0}, {113, 440.0 * 254 / 113}, {60, 440.0 * 254 / 113}, {1000, 440.0 * 254 / 856}};
    for (const auto& o : others) {
        SCOPED_TRACE(o.period);
        const std::vector<float> side = Side(Render(SquareModule(o.period).Bytes()).samples, 0);
        EXPECT_NEAR(RisingCrossingsPerSecond(side, 22050, 0, side.size()), o.hz, o.hz * 0.005);
    }
}

TEST(ModRead, ReportsFormatAndNegotiatesUpTo22050HzStereo) {
    const auto bytes = SquareModule().Bytes();
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    testing::internal::CaptureStderr();
    ModRead reader(in, static_cast<std::int64_t>(bytes.size()));
    const std::string diagnostics = testing::internal::GetCapturedStderr();
    EXPECT_EQ(reader.FileFormat(), FileFormatMod);
    EXPECT_EQ(reader.BitsPerSample(), 16);
    EXPECT_EQ(reader.SongName(), "test song");
    EXPECT_EQ(reader.SamplingRate(), 22050);
    EXPECT_EQ(reader.Channels(), 2);
    EXPECT_NE(diagnostics.find("Name: test song\n"), std::string::npos);
    EXPECT_NE(diagnostics.find(" 1:instrument 1" + std::string(12, ' ') + " 2:instrument 2"),
              std::string::npos);
}

TEST(ModRead, SongControlEffectsShapeTheLengthThatIsKnownBeforeRendering) {
    const struct {
        const char* name;
        ModFileBuilder module;
        std::size_t frames;
    } cases[] = {
        {"F00 ends the song at its row", SquareModule().Note(0, 4, 2, 0, 0, 0xF, 0x00),
         4u * kFramesPerRow},
        {"speed 3", SquareModule().Note(0, 0, 1, 0, 0, 0xF, 3), 64u * kFramesPerRow / 2},
        {"tempo 64 beats", SquareModule().Note(0, 0, 1, 0, 0, 0xF, 64),
         64u * (6 * 22050 * 60 / (64 * 24))},
        {"pattern break to row 10", SquareModule().Note(0, 0, 1, 0, 0, 0xD, 0x10).Song({0, 0}),
         (1u + 54u) * kFramesPerRow},
        {"a backward jump goes on forward",
         SquareModule().Note(0, 1, 1, 0, 0, 0xB, 0).Song({0, 0, 0}), 6u * kFramesPerRow},
        {"pattern delay", SquareModule().Note(0, 3, 3, 0, 0, 0xE, 0xE2),
         (64u + 2u) * kFramesPerRow},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Rendered r = Render(c.module.Bytes());
        EXPECT_EQ(r.samples.size(), c.frames * 2);
        EXPECT_EQ(r.dataLength, static_cast<std::int64_t>(c.frames) * 2 * 4);
    }
}

TEST(ModRead, VolumeCutAndDelayAct) {
    // Row 0 sounds at full volume; row 1 holds the effect under test (and for the delay, a
    // note of the half-volume instrument). Speed 6 gives 441 frames a tick.
    const struct {
        const char* name;
        int instrument;
        int effect;
        int parameter;
        float firstTicks; // peak in ticks 0-1 of row 1, relative to row 0
        float lastTicks;  // peak in tick 5 of row 1
    } cases[] = {
        {"set volume 32", 0, 0xC, 0x20, 0.5f, 0.5f},
        {"note cut after 2 ticks", 0, 0xE, 0xC2, 1.0f, 0.0f},
        {"note delay of 2 ticks", 2, 0xE, 0xD2, 1.0f, 0.5f},
        {"volume slide down 8 a tick from tick 1", 0, 0xA, 0x08, 1.0f, 24 / 64.0f},
        {"fine volume down 15 at once", 0, 0xE, 0xBF, 49 / 64.0f, 49 / 64.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ModFileBuilder b;
        b.Instrument(1, ModFileBuilder::SquareCycle(), 64, 0, 16)
            .Instrument(2, ModFileBuilder::SquareCycle(), 32, 0, 16)
            .Note(0, 0, 0, 1, 254)
            .Note(0, 1, 0, c.instrument, c.instrument != 0 ? 254 : 0, c.effect, c.parameter)
            .Note(0, 2, 0, 0, 0, 0xF, 0);
        const std::vector<float> left = Side(Render(b.Bytes()).samples, 0);
        ASSERT_EQ(left.size(), 2u * kFramesPerRow);
        const float full = Peak(left, 0, kFramesPerRow);
        ASSERT_GT(full, 0.1f);
        const std::size_t row1 = kFramesPerRow;
        EXPECT_NEAR(Peak(left, row1 + 10, row1 + 2 * 441) / full, c.firstTicks, 0.02f);
        EXPECT_NEAR(Peak(left, row1 + 5 * 441 + 10, row1 + 6 * 441) / full, c.lastTicks, 0.02f);
    }
}

TEST(ModRead, PitchEffectsMoveThePeriodTickByTick) {
    // Row 0 plays period 254 (440 Hz); row 1 holds the effect. Each tick is 441 frames.
    const double hz254 = 111760.0 / 254 * (14078.236 / 32) / 440; // about 440
    const struct {
        const char* name;
        int effect;
        int parameter;
        int tick;
        double hz;
    } cases[] = {
        {"arpeggio, first tick plain", 0x0, 0x47, 0, hz254},
        {"arpeggio, second tick up 4", 0x0, 0x47, 1, hz254 * std::pow(2.0, 4 / 12.0)},
        {"arpeggio, third tick up 7", 0x0, 0x47, 5, hz254 * std::pow(2.0, 7 / 12.0)},
        {"slide up 10 a tick", 0x1, 10, 5, hz254 * 254 / 204},
        {"slide down 20 a tick", 0x2, 20, 5, hz254 * 254 / 354},
        {"fine slide up 15 at once", 0xE, 0x1F, 0, hz254 * 254 / 239},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ModFileBuilder b;
        b.Instrument(1, ModFileBuilder::SquareCycle(), 64, 0, 16)
            .Note(0, 0, 0, 1, 254)
            .Note(0, 1, 0, 0, 0, c.effect, c.parameter)
            .Note(0, 2, 0, 0, 0, 0xF, 0);
        const std::vector<float> left = Side(Render(b.Bytes()).samples, 0);
        const std::size_t tick = kFramesPerRow + 441 * c.tick;
        EXPECT_NEAR(RisingCrossingsPerSecond(left, 22050, tick, tick + 441), c.hz, c.hz * 0.02);
    }
}

TEST(ModRead, SlideToNoteReachesItsTargetWithoutRestarting) {
    ModFileBuilder b;
    b.Instrument(1, ModFileBuilder::SquareCycle(), 64, 0, 16)
        .Note(0, 0, 0, 1, 508)
        .Note(0, 1, 0, 0, 254, 0x3, 0xFF)
        .Note(0, 2, 0, 0, 0, 0x3, 0)
        .Note(0, 3, 0, 0, 0, 0xF, 0);
    const std::vector<float> left = Side(Render(b.Bytes()).samples, 0);
    EXPECT_NEAR(RisingCrossingsPerSecond(left, 22050, 0, kFramesPerRow), 220.0, 3.0);
    EXPECT_NEAR(RisingCrossingsPerSecond(left, 22050, 2 * kFramesPerRow, 3 * kFramesPerRow), 440.0,
                5.0);
}

TEST(ModRead, ChannelLayoutsSpreadTheChannelsOverTheSides) {
    const struct {
        const char* signature;
        int channels;
    } layouts[] = {{"M.K.", 4}, {"M!K!", 4}, {"FLT4", 4}, {"6CHN", 6}, {"FLT8", 8}, {"8CHN", 8}};
    for (const auto& layout : layouts) {
        for (int c = 0; c < layout.channels; ++c) {
            SCOPED_TRACE(std::string(layout.signature) + " channel " + std::to_string(c));
            ModFileBuilder b(layout.signature, layout.channels);
            // The note stands in row 1, after a full row of every channel.
            b.Instrument(1, ModFileBuilder::SquareCycle(), 64, 0, 16)
                .Note(0, 1, c, 1, 254)
                .Note(0, 2, 0, 0, 0, 0xF, 0);
            const Rendered r = Render(b.Bytes());
            const bool left = c % 4 == 0 || c % 4 == 3;
            const std::vector<float> sounding = Side(r.samples, left ? 0 : 1);
            const std::vector<float> silent = Side(r.samples, left ? 1 : 0);
            EXPECT_EQ(Peak(sounding, 0, kFramesPerRow), 0.0f);
            EXPECT_GT(Peak(sounding, kFramesPerRow, 2 * kFramesPerRow), 0.1f);
            EXPECT_EQ(Peak(silent, 0, silent.size()), 0.0f);
        }
    }
}

TEST(ModRead, MonoOutputMixesEveryChannel) {
    ModFileBuilder b;
    b.Instrument(1, ModFileBuilder::SquareCycle(), 64, 0, 16)
        .Note(0, 0, 0, 1, 254)
        .Note(0, 0, 1, 1, 254)
        .Note(0, 1, 0, 0, 0, 0xF, 0);
    const Rendered r = Render(b.Bytes(), 1);
    ASSERT_EQ(r.samples.size(), static_cast<std::size_t>(kFramesPerRow));
    // Two equal voices in phase: twice one voice at a quarter of full scale.
    EXPECT_NEAR(Peak(r.samples, 0, r.samples.size()), 2 * 100 * 256 * 0.25 / 32768, 0.01);
}

TEST(ModRead, ErrorsAndBounds) {
    std::vector<std::uint8_t> wrong = SquareModule().Bytes();
    std::copy_n("M.K!", 4, wrong.begin() + ModRead::kSignatureOffset);
    EXPECT_EQ(SoundErrorText([&] { Render(wrong); }), "Unrecognized signature M.K!");

    // A song length above the table plays the 128 positions there are.
    std::istringstream in([] {
        const auto b = SquareModule().SongLengthByte(200).Bytes();
        return std::string(b.begin(), b.end());
    }());
    testing::internal::CaptureStderr();
    ModRead reader(in, 0);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(reader.DataLength(), std::int64_t{128} * 64 * kFramesPerRow * 2 * 4);

    // Slowest speed and tempo with the longest pattern delay on every row: about 88 hours.
    ModFileBuilder slow;
    slow.Instrument(1, ModFileBuilder::SquareCycle(), 64, 0, 16);
    for (int row = 0; row < 64; ++row) {
        slow.Note(0, row, 0, 0, 0, 0xF, 32).Note(0, row, 1, 0, 0, 0xF, 33);
        slow.Note(0, row, 2, 0, 0, 0xE, 0xEF);
    }
    slow.Song(std::vector<int>(128, 0));
    EXPECT_EQ(SoundErrorText([&] { Render(slow.Bytes()); }), "Module is too long to render");

    // A loop past the end of a truncated sample is cut to what is there.
    ModFileBuilder cut;
    cut.Instrument(1, ModFileBuilder::SquareCycle(), 64, 8, 400).Note(0, 0, 0, 1, 254);
    std::vector<std::uint8_t> truncated = cut.Bytes();
    truncated.resize(truncated.size() - 10);
    const Rendered r = Render(truncated);
    EXPECT_EQ(r.samples.size(), 64u * kFramesPerRow * 2);
    EXPECT_GT(Peak(r.samples, r.samples.size() - 1000, r.samples.size()), 0.1f);
}

TEST(ModRead, MalformedInputGivesErrorsNotCrashes) {
    ModFileBuilder b;
    b.Instrument(1, ModFileBuilder::SquareCycle(), 64, 0, 16)
        .Instrument(2, std::vector<std::int8_t>(600, 50), 40, 10, 200, -3);
    const int effects[][2] = {{0x0, 0x47}, {0x1, 0x05}, {0x2, 0},    {0x3, 0x10}, {0x4, 0x8F},
                              {0x5, 0x21}, {0x6, 0x03}, {0x7, 0x44}, {0x9, 0x01}, {0xA, 0x0F},
                              {0xE, 0x93}, {0xE, 0x41}, {0xE, 0x72}, {0xE, 0xA3}, {0xE, 0xB2}};
    int row = 0;
    for (const auto& e : effects) {
        b.Note(0, row, row % 4, 1 + row % 2, 200 + 20 * row, e[0], e[1]);
        b.Note(1, row, (row + 1) % 4, 2, 400, e[0], e[1]);
        ++row;
    }
    b.Note(1, 20, 0, 0, 0, 0xB, 2).Song({0, 1, 0});
    const std::vector<std::uint8_t> valid = b.Bytes();
    testing::internal::CaptureStderr();
    for (const auto& bytes : MalformedCopies(valid, 600, 129, 1084 + 2 * 1024)) {
        std::istringstream in(std::string(bytes.begin(), bytes.end()));
        try {
            ModRead reader(in, static_cast<std::int64_t>(bytes.size()));
            reader.SetSamplingRateRecursive(4000);
            reader.SetChannelsRecursive(1);
            ReadAllSamples(reader, 200'000);
        } catch (const SoundError&) {
        }
    }
    testing::internal::GetCapturedStderr();
}

} // namespace

#include "audio/formats/voc.h"

#include <gtest/gtest.h>

#include <sstream>

#include "audio/file_buffer.h"
#include "audio/format_codes.h"
#include "audio/sound_error.h"
#include "tests/support/sample_stream_checks.h"
#include "tests/support/sox_files.h"
#include "tests/support/voc_file_builder.h"

namespace {

std::istringstream StreamOf(const std::vector<std::uint8_t>& bytes) {
    return std::istringstream(std::string(bytes.begin(), bytes.end()));
}

std::vector<float> Decode(const std::vector<std::uint8_t>& bytes, int* rate = nullptr,
                          int* channels = nullptr) {
    auto in = StreamOf(bytes);
    testing::internal::CaptureStderr();
    std::vector<float> samples;
    try {
        VocRead reader(in, static_cast<std::int64_t>(bytes.size()));
        if (rate != nullptr) {
            *rate = reader.SamplingRate();
        }
        if (channels != nullptr) {
            *channels = reader.Channels();
        }
        samples = ReadAllSamples(reader);
    } catch (...) {
        testing::internal::GetCapturedStderr();
        throw;
    }
    testing::internal::GetCapturedStderr();
    return samples;
}

std::string ErrorOf(const std::vector<std::uint8_t>& bytes) {
    return SoundErrorText([&] { Decode(bytes); });
}

// Unsigned 8-bit bytes as the reader decodes them.
float Unsigned8(std::uint8_t b) {
    return b / 128.0f - 1.0f;
}

struct SoxCase {
    const char* name;
    int channels;
    int rate;
};

class VocFromSox : public testing::TestWithParam<SoxCase> {};

TEST_P(VocFromSox, DecodesToSoxSamples) {
    const SoxCase& c = GetParam();
    TempFolder folder;
    const std::string voc = folder.Path("tone.voc");
    const std::string raw = folder.Path("tone.raw");
    ASSERT_TRUE(RunSox("-n -r " + std::to_string(c.rate) + " -c " + std::to_string(c.channels) +
                       " -b 8 -e unsigned-integer " + voc + " synth 0.3 sine 440 sine 300"));
    ASSERT_TRUE(RunSox(voc + " -t raw -e signed-integer -b 16 -L " + raw));
    const std::vector<std::int16_t> expected = Int16Samples(ReadFileBytes(raw));

    int rate = 0;
    int channels = 0;
    const std::vector<float> samples = Decode(ReadFileBytes(voc), &rate, &channels);
    // A time constant stores the rate to within one hertz.
    EXPECT_NEAR(rate, c.rate, 1);
    EXPECT_EQ(channels, c.channels);
    ASSERT_EQ(samples.size(), expected.size());
    for (std::size_t i = 0; i < samples.size(); ++i) {
        ASSERT_EQ(samples[i], expected[i] / 32768.0f) << "sample " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Sox, VocFromSox,
                         testing::Values(SoxCase{"MonoSoundBlock", 1, 8000},
                                         SoxCase{"StereoExtendedBlock", 2, 11025}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(VocRead, ReportsFormatAndPcmCodes) {
    const auto bytes = VocFileBuilder().Sound(156, {128, 129}).Terminator().Bytes();
    auto in = StreamOf(bytes);
    VocRead reader(in, static_cast<std::int64_t>(bytes.size()));
    EXPECT_EQ(reader.FileFormat(), FileFormatVoc);
    EXPECT_EQ(reader.CompressionKind(), CompressionPcm8);
    EXPECT_EQ(reader.BitsPerSample(), 8);
    EXPECT_EQ(reader.SamplingRate(), 10000); // time constant 156
    EXPECT_FALSE(reader.Seek(0));
    EXPECT_EQ(reader.DataLength(), (static_cast<std::int64_t>(bytes.size()) - 8) * 4);
    // With the file length unknown, so is the sound's.
    auto again = StreamOf(bytes);
    EXPECT_EQ(VocRead(again, 0).DataLength(), 0);
}

TEST(VocRead, SilenceBlockPlaysItsLengthPlusOneZerosWhereItStands) {
    const std::vector<std::uint8_t> before{200, 201, 202};
    const std::vector<std::uint8_t> after{50, 51};
    const auto bytes =
        VocFileBuilder().Sound(156, before).Silence(999, 156).Continued(after).Terminator().Bytes();
    const std::vector<float> samples = Decode(bytes);
    ASSERT_EQ(samples.size(), 3u + 1000u + 2u);
    EXPECT_EQ(samples[2], Unsigned8(202));
    for (std::size_t i = 3; i < 1003; ++i) {
        ASSERT_EQ(samples[i], 0.0f) << i;
    }
    EXPECT_EQ(samples[1003], Unsigned8(50));
}

TEST(VocRead, SilenceBeforeTheFirstSoundIsKept) {
    const auto bytes = VocFileBuilder().Silence(4, 156).Sound(156, {255}).Terminator().Bytes();
    const std::vector<float> samples = Decode(bytes);
    EXPECT_EQ(samples, (std::vector<float>{0, 0, 0, 0, 0, Unsigned8(255)}));
}

TEST(VocRead, StereoSilenceCoversWholeFrames) {
    // Rate 22050 stored for the frame pair, halved for two channels.
    const auto bytes = VocFileBuilder()
                           .Extended(65536 - 256000000 / 22050, 0, 1)
                           .Sound(0, {10, 20, 30, 40})
                           .Silence(1, 0)
                           .Continued({60, 70})
                           .Terminator()
                           .Bytes();
    int rate = 0;
    int channels = 0;
    const std::vector<float> samples = Decode(bytes, &rate, &channels);
    EXPECT_EQ(channels, 2);
    EXPECT_EQ(rate, 11025);
    ASSERT_EQ(samples.size(), 4u + 4u + 2u);
    EXPECT_EQ(samples[8], Unsigned8(60));
    EXPECT_EQ(samples[9], Unsigned8(70));
}

TEST(VocRead, RepeatBlockPlaysItsContentsCountPlusOneTimes) {
    const auto bytes = VocFileBuilder()
                           .Sound(156, {})
                           .Marker(7)
                           .RepeatStart(2)
                           .Continued({1, 2})
                           .RepeatEnd()
                           .Continued({3})
                           .Terminator()
                           .Bytes();
    const float a = Unsigned8(1);
    const float b = Unsigned8(2);
    const std::vector<float> expected{a, b, a, b, a, b, Unsigned8(3)};
    EXPECT_EQ(Decode(bytes), expected);

    // The same through a file, where the repeat seeks back in the file itself.
    TempFolder folder;
    WriteFileBytes(folder.Path("repeat.voc"), bytes);
    std::vector<char> storage(4096);
    CUP_FileBuffer file(storage.data(), static_cast<int>(storage.size()));
    ASSERT_TRUE(file.Open(folder.Path("repeat.voc").c_str(), std::ios::in | std::ios::binary));
    std::istream in(&file);
    VocRead reader(in, static_cast<std::int64_t>(bytes.size()));
    testing::internal::CaptureStderr();
    EXPECT_EQ(ReadAllSamples(reader), expected);
    testing::internal::GetCapturedStderr();
}

TEST(VocRead, LongHeaderIsSkippedAndTextBlocksOnlyReport) {
    const auto bytes =
        VocFileBuilder(32).Text("made by hand").Sound(156, {1, 2}).Terminator().Bytes();
    auto in = StreamOf(bytes);
    testing::internal::CaptureStderr();
    VocRead reader(in, static_cast<std::int64_t>(bytes.size()));
    const std::vector<float> samples = ReadAllSamples(reader);
    const std::string diagnostics = testing::internal::GetCapturedStderr();
    EXPECT_EQ(samples, (std::vector<float>{Unsigned8(1), Unsigned8(2)}));
    EXPECT_NE(diagnostics.find("Comment: made by hand\n"), std::string::npos);
}

TEST(VocRead, SixteenBitNewFormatBlockAndEndWithoutTerminator) {
    const auto bytes =
        VocFileBuilder().NewFormat(44100, 16, 1, 4, {0x00, 0x40, 0x00, 0xC0, 0x01}).Bytes();
    auto in = StreamOf(bytes);
    testing::internal::CaptureStderr(); // every block 9 with data is longer than its fields
    VocRead reader(in, static_cast<std::int64_t>(bytes.size()));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(reader.SamplingRate(), 44100);
    EXPECT_EQ(reader.CompressionKind(), CompressionPcm16);
    // The odd last byte is half a sample and is dropped.
    EXPECT_EQ(ReadAllSamples(reader), (std::vector<float>{0.5f, -0.5f}));
}

TEST(VocRead, ErrorsNameTheFault) {
    std::vector<std::uint8_t> notVoc = VocFileBuilder().Sound(156, {1}).Bytes();
    notVoc[0] = 'c';
    std::vector<std::uint8_t> shortHeader = VocFileBuilder().Sound(156, {1}).Bytes();
    shortHeader[20] = 25;
    VocFileBuilder deep;
    for (int i = 0; i < 6; ++i) {
        deep.RepeatStart(1);
    }
    deep.Sound(156, {1});
    std::vector<std::uint8_t> truncated = VocFileBuilder().Sound(156, {1, 2, 3, 4, 5}).Bytes();
    truncated.resize(truncated.size() - 2);

    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
        const char* error;
    } cases[] = {
        {"signature", notVoc, "Not a VOC file"},
        {"header size", shortHeader, "VOC file corrupted"},
        {"six nested repeats", deep.Bytes(), "Too many nested repeats"},
        {"truncated sound", truncated, "Premature end to VOC file"},
        {"ADPCM", VocFileBuilder().Sound(156, {1}, 1).Bytes(),
         "Unsupported VOC compression type: 1"},
        {"no sound block", VocFileBuilder().Silence(10, 156).Marker(1).Terminator().Bytes(),
         "No sound data in VOC file"},
        {"rate 0", VocFileBuilder().NewFormat(0, 8, 1, 0, {1}).Bytes(), "VOC file corrupted"},
        {"no channels", VocFileBuilder().NewFormat(8000, 8, 0, 0, {1}).Bytes(),
         "VOC file corrupted"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ErrorOf(c.bytes), c.error);
    }
}

TEST(VocRead, NestedMaximalRepeatsStopAtTheRenderLimit) {
    VocFileBuilder builder;
    builder.Sound(0, {});
    for (int i = 0; i < VocRead::kMaxRepeatDepth; ++i) {
        builder.RepeatStart(0xFFFF);
    }
    builder.Silence(0xFFFF, 0);
    for (int i = 0; i < VocRead::kMaxRepeatDepth; ++i) {
        builder.RepeatEnd();
    }
    const auto bytes = builder.Bytes();
    auto in = StreamOf(bytes);
    VocRead reader(in, static_cast<std::int64_t>(bytes.size()));
    // 1000000 / 256 = 3906 Hz for four hours: about 56 million samples, not 2^80.
    std::vector<float> block(1 << 20);
    std::int64_t total = 0;
    testing::internal::CaptureStderr();
    for (int got; (got = reader.GetSamples(block.data(), static_cast<int>(block.size()))) > 0;) {
        total += got;
    }
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(total, std::int64_t{3906} * 4 * 3600);
}

TEST(VocRead, MalformedInputGivesErrorsNotCrashes) {
    const auto valid = VocFileBuilder()
                           .Text("x")
                           .RepeatStart(3)
                           .Extended(40000, 0, 1)
                           .Sound(156, {1, 2, 3, 4, 5, 6})
                           .Silence(20, 156)
                           .RepeatEnd()
                           .NewFormat(8000, 16, 1, 4, {1, 2, 3, 4})
                           .Terminator()
                           .Bytes();
    testing::internal::CaptureStderr();
    for (const auto& bytes : MalformedCopies(valid, 2000, 15)) {
        auto in = StreamOf(bytes);
        try {
            VocRead reader(in, static_cast<std::int64_t>(bytes.size()));
            reader.SamplingRate();
            reader.Channels();
            ReadAllSamples(reader, 1'000'000);
        } catch (const SoundError&) {
        }
    }
    testing::internal::GetCapturedStderr();
}

} // namespace

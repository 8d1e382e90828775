#include "audio/formats/iff.h"

#include <gtest/gtest.h>

#include <sstream>

#include "audio/format_codes.h"
#include "audio/sound_error.h"
#include "tests/support/iff_file_builder.h"
#include "tests/support/sample_stream_checks.h"
#include "tests/support/sox_files.h"

namespace {

struct Decoded {
    std::vector<float> samples;
    std::int64_t dataLength = 0;
    int rate = 0;
    int channels = 0;
    int compression = 0;
    std::string diagnostics;
};

Decoded Decode(const std::vector<std::uint8_t>& bytes) {
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    Decoded d;
    testing::internal::CaptureStderr();
    try {
        IffRead reader(in, static_cast<std::int64_t>(bytes.size()));
        d.dataLength = reader.DataLength();
        d.rate = reader.SamplingRate();
        d.channels = reader.Channels();
        d.compression = reader.CompressionKind();
        d.samples = ReadAllSamples(reader);
    } catch (...) {
        testing::internal::GetCapturedStderr();
        throw;
    }
    d.diagnostics = testing::internal::GetCapturedStderr();
    return d;
}

TEST(IffRead, SoxFileDecodesToSoxSamples) {
    TempFolder folder;
    const std::string iff = folder.Path("tone.8svx");
    const std::string raw = folder.Path("tone.raw");
    ASSERT_TRUE(RunSox("-n -r 16000 -c 1 -b 8 -e signed-integer " + iff +
                       " synth 0.25 sine 440 sine 3000"));
    ASSERT_TRUE(RunSox(iff + " -t raw -e signed-integer -b 16 -L " + raw));
    const std::vector<std::int16_t> expected = Int16Samples(ReadFileBytes(raw));

    const Decoded d = Decode(ReadFileBytes(iff));
    EXPECT_EQ(d.rate, 16000);
    EXPECT_EQ(d.channels, 1);
    EXPECT_EQ(d.compression, CompressionPcm8);
    EXPECT_EQ(d.dataLength, static_cast<std::int64_t>(expected.size()) * 4);
    ASSERT_EQ(d.samples.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(d.samples[i], expected[i] / 32768.0f) << i;
    }
    // Text chunks only reach the diagnostics.
    EXPECT_NE(d.diagnostics.find("Annotation: File created by"), std::string::npos);
}

TEST(IffRead, DeltaCompressedBodiesDecodeThroughTheirTables) {
    // Nibbles 9, F, 1, 8, 0: steps +1, +max, -max, 0 and the smallest step.
    const std::vector<std::uint8_t> body{0x9F, 0x18, 0x08};
    const struct {
        const char* name;
        int compression;
        int code;
        std::vector<int> accumulator; // in units of 256
    } cases[] = {
        {"Fibonacci", 1, CompressionDpcmFibonacci, {1, 22, 1, 1, -33, -33}},
        {"exponential", 2, CompressionDpcmExponential, {1, 65, 1, 1, -127, -127}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Decoded d = Decode(IffFileBuilder().Vhdr(6, 8000, c.compression).Body(body).Bytes());
        EXPECT_EQ(d.compression, c.code);
        std::vector<float> expected;
        for (int a : c.accumulator) {
            expected.push_back(static_cast<std::int16_t>(a * 256) / 32768.0f);
        }
        EXPECT_EQ(d.samples, expected);
        EXPECT_EQ(d.dataLength, 6 * 4);
    }
}

TEST(IffRead, LengthIsBoundedByTheBodyAndTheFile) {
    // The header claims a million samples; the body holds four, and claims more than the file.
    const std::vector<std::uint8_t> bytes = IffFileBuilder()
                                                .Chunk("NAME", {'h', 'i'})
                                                .Vhdr(1000000, 8000, 0)
                                                .Body({1, 2, 3, 4})
                                                .Bytes();
    Decoded d = Decode(bytes);
    EXPECT_EQ(d.dataLength, 4 * 4);
    EXPECT_EQ(d.samples.size(), 4u);
    EXPECT_NE(d.diagnostics.find("Name: hi\n"), std::string::npos);

    std::vector<std::uint8_t> cut = bytes;
    cut[cut.size() - 5] = 100; // BODY size 100 with four bytes there
    d = Decode(cut);
    EXPECT_EQ(d.samples.size(), 4u);
    EXPECT_EQ(d.dataLength, 4 * 4);
}

TEST(IffRead, ErrorsNameTheFault) {
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
        const char* error;
    } cases[] = {
        {"compression 3", IffFileBuilder().Vhdr(2, 8000, 3).Body({1, 2}).Bytes(),
         "Unsupported IFF/8SVX compression type: 3"},
        {"an AIFF form", IffFileBuilder("AIFF").Vhdr(2, 8000, 0).Body({1, 2}).Bytes(),
         "Unexpected chunk in IFF file"},
        {"no body", IffFileBuilder().Vhdr(2, 8000, 0).Chunk("ANNO", {'x'}).Bytes(),
         "BODY chunk not found"},
        {"no header", IffFileBuilder().Body({1, 2}).Bytes(), "VHDR chunk not found"},
        {"rate 0", IffFileBuilder().Vhdr(2, 0, 0).Body({1, 2}).Bytes(),
         "IFF/8SVX file has no sampling rate"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SoundErrorText([&] { Decode(c.bytes); }), c.error);
    }
}

TEST(IffRead, MalformedInputGivesErrorsNotCrashes) {
    IffFileBuilder inner("8SVX");
    inner.Vhdr(40, 8000, 1).Body(std::vector<std::uint8_t>(20, 0x5A));
    const std::vector<std::uint8_t> nested = inner.Bytes();
    const std::vector<std::uint8_t> valid = IffFileBuilder()
                                                .Chunk("AUTH", {'m', 'e'})
                                                .Chunk("FORM", {nested.begin() + 8, nested.end()})
                                                .Vhdr(30, 8000, 2)
                                                .Chunk("(c) ", {'c'})
                                                .Body(std::vector<std::uint8_t>(15, 0x3C))
                                                .Bytes();
    testing::internal::CaptureStderr();
    for (const auto& bytes : MalformedCopies(valid, 2000, 6)) {
        std::istringstream in(std::string(bytes.begin(), bytes.end()));
        try {
            IffRead reader(in, static_cast<std::int64_t>(bytes.size()));
            reader.SamplingRate();
            ReadAllSamples(reader, 1'000'000);
        } catch (const SoundError&) {
        }
    }
    testing::internal::GetCapturedStderr();
}

} // namespace

#include "audio/formats/au.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "audio/format_codes.h"
#include "audio/sound_error.h"
#include "tests/support/audio_file_checks.h"
#include "tests/support/chunk_builder.h"
#include "tests/support/sox_files.h"

namespace {

const Bytes kFourSamples = Cat({Be(0, 2), Be(0x4000, 2), Be(0xC000, 2), Be(0x7FFF, 2)});
const std::vector<float> kFourFloats = {0.0f, 0.5f, -0.5f, 32767.0f / 32768};

Bytes Cut(Bytes bytes, std::size_t size) {
    bytes.resize(size);
    return bytes;
}

struct AuCase {
    const char* name;
    Bytes file;
    std::int64_t byteLength; // -1: the file's own length
    const char* error;       // nullptr: opens
    std::int64_t dataLength;
    std::vector<float> samples;
};

TEST(AuReadTest, HeaderCases) {
    const AuCase cases[] = {
        {"plain", Cat({AuHeader(24, 8, 3, 8000, 1), kFourSamples}), -1, nullptr, 16, kFourFloats},
        {"annotation of 16 bytes skipped", Cat({AuHeader(40, 8, 3, 8000, 1), kFourSamples}), -1,
         nullptr, 16, kFourFloats},
        {"the file's length wins over the size field",
         Cat({AuHeader(24, 2, 3, 8000, 1), kFourSamples, Bytes(992)}),
         1024,
         nullptr,
         2000,
         {}},
        {"unknown size, unknown length",
         Cat({AuHeader(24, 0xFFFFFFFF, 3, 8000, 1), kFourSamples}),
         0,
         nullptr,
         0,
         {}},
        {"size field up to 0FFFFFFF is taken",
         Cat({AuHeader(24, 0x0FFFFFFF, 2, 8000, 1)}),
         0,
         nullptr,
         0x0FFFFFFFll * 4,
         {}},
        {"size field of 10000000 is unknown",
         Cat({AuHeader(24, 0x10000000, 2, 8000, 1)}),
         0,
         nullptr,
         0,
         {}},
        {"24-bit, 300 bytes",
         Cat({AuHeader(24, 300, 4, 8000, 1), Bytes(300)}),
         0,
         nullptr,
         400,
         {}},
        {"header larger than the file", AuHeader(5000, 8, 3, 8000, 1), -1, nullptr, 0, {}},
        {"mu-law", Cat({AuHeader(24, 2, 1, 8000, 2), Bytes{0xFF, 0x7F}}), -1, nullptr, 8, {}},
        {"encoding 5",
         Cat({AuHeader(24, 8, 5, 8000, 1), kFourSamples}),
         -1,
         "Unsupported AU format: 5",
         0,
         {}},
        {"not .snd",
         Cat({Text(".snx"), AuHeader(24, 8, 3, 8000, 1)}),
         -1,
         "Input file is not a AU format",
         0,
         {}},
        {"header size below 24",
         Cat({AuHeader(8, 8, 3, 8000, 1), kFourSamples}),
         -1,
         "Input file is not a AU format",
         0,
         {}},
        {"header cut short",
         Cut(AuHeader(24, 8, 3, 8000, 1), 20),
         -1,
         "Input file is not a AU format",
         0,
         {}},
        {"no channels",
         Cat({AuHeader(24, 8, 3, 8000, 0), kFourSamples}),
         -1,
         "Bad number of channels in AU file: 0",
         0,
         {}},
        {"channels of 2^32 - 1",
         Cat({AuHeader(24, 8, 3, 8000, 0xFFFFFFFF), kFourSamples}),
         -1,
         "Bad number of channels in AU file: 4294967295",
         0,
         {}},
        {"rate 0",
         Cat({AuHeader(24, 8, 3, 0, 1), kFourSamples}),
         -1,
         "Bad sampling rate in AU file: 0",
         0,
         {}},
    };
    for (const AuCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::int64_t length =
            c.byteLength < 0 ? static_cast<std::int64_t>(c.file.size()) : c.byteLength;
        try {
            ReaderOver<AuRead> open(c.file, length);
            EXPECT_EQ(open.reader->FileFormat(), FileFormatAu);
            const int rate = open.reader->SamplingRate();
            ASSERT_EQ(c.error, nullptr);
            EXPECT_EQ(rate, 8000);
            EXPECT_EQ(open.reader->DataLength(), c.dataLength);
            if (!c.samples.empty()) {
                EXPECT_EQ(ReadAll(*open.reader), c.samples);
            }
        } catch (const SoundError& e) {
            ASSERT_NE(c.error, nullptr) << e.what();
            EXPECT_EQ(std::string(e.what()), c.error);
        }
    }
}

TEST(AuReadTest, RefusesSamplesBeforeTheHeader) {
    const Bytes file = Cat({AuHeader(24, 8, 3, 8000, 1), kFourSamples});
    ReaderOver<AuRead> open(file, static_cast<std::int64_t>(file.size()));
    float buffer[4];
    std::uint8_t bytes[4];
    EXPECT_THROW(open.reader->GetSamples(buffer, 4), SoundError);
    EXPECT_THROW(open.reader->ReadBytes(bytes, 4), SoundError);
    EXPECT_THROW(open.reader->Seek(1), SoundError);
    // Negotiation reads the header; then the samples follow, from any position.
    EXPECT_EQ(open.reader->Channels(), 1);
    ASSERT_TRUE(open.reader->Seek(2));
    EXPECT_EQ(ReadAll(*open.reader),
              std::vector<float>(kFourFloats.begin() + 2, kFourFloats.end()));
}

TEST(AuReadTest, DecodesWhatSoxWrites) {
    TempFolder folder;
    for (int channels : {1, 2}) {
        WriteFileBytes(folder.Path("in.raw"), Int16Bytes(TestSignal(3001, channels)));
        for (const char* arguments :
             {"-e mu-law", "-e signed-integer -b 8", "-e signed-integer -b 16",
              "-e signed-integer -b 24", "-e a-law"}) {
            SCOPED_TRACE(std::string(arguments) + " " + std::to_string(channels));
            const std::string path = folder.Path("x.au");
            ASSERT_TRUE(RunSox("-t raw -r 8000 -e signed-integer -b 16 -c " +
                               std::to_string(channels) + " " + folder.Path("in.raw") + " " +
                               arguments + " " + path));
            const std::vector<float> expected = SoxFloats(path);
            ASSERT_EQ(expected.size(), 3001u * channels);
            const Bytes file = ReadFileBytes(path);
            ReaderOver<AuRead> open(file, static_cast<std::int64_t>(file.size()));
            const std::vector<float> samples = ReadAll(*open.reader, 500);
            ASSERT_EQ(samples.size(), expected.size());
            EXPECT_EQ(open.reader->Channels(), channels);
            const bool muLaw = std::string(arguments) == "-e mu-law";
            // The mu-law table rule gives every value the other sign, and up to 4 steps more.
            const float sign = muLaw ? -1.0f : 1.0f;
            const float tolerance = muLaw ? 512.0f / 32768 : 0;
            for (std::size_t i = 0; i < samples.size(); ++i) {
                ASSERT_NEAR(samples[i], sign * expected[i], tolerance) << i;
            }
        }
    }
}

TEST(AuWriteTest, RoundTripsEveryCode) {
    struct Case {
        int code;
        std::uint32_t encoding;
        int bits;
    };
    const Case cases[] = {
        {CompressionMuLaw, 1, 8},  {CompressionALaw, 27, 8},  {CompressionPcm8, 2, 8},
        {CompressionPcm16, 3, 16}, {CompressionPcm24, 4, 24},
    };
    constexpr int kFrames = 1001;
    for (const Case& c : cases) {
        for (int channels : {1, 2}) {
            SCOPED_TRACE(std::to_string(c.code) + " " + std::to_string(channels));
            const std::vector<float> input = TestFloats(kFrames, channels);
            std::ostringstream out;
            {
                AuWrite writer(out, kFrames, channels, 16000, c.code);
                // The last 100 frames are left to the writer's completion: silence.
                const auto put = static_cast<int>(input.size()) - 100 * channels;
                ASSERT_EQ(writer.PutSamples(input.data(), put), put);
            }
            const std::string text = out.str();
            const Bytes file(text.begin(), text.end());
            const std::uint32_t dataBytes = c.bits / 8 * kFrames * channels;
            const Bytes header = Cat({Text(".snd"), Be(28, 4), Be(dataBytes, 4), Be(c.encoding, 4),
                                      Be(16000, 4), Be(channels, 4), Be(0, 4)});
            ASSERT_EQ(file.size(), header.size() + dataBytes);
            EXPECT_EQ(Bytes(file.begin(), file.begin() + 28), header);

            ReaderOver<AuRead> open(file, static_cast<std::int64_t>(file.size()));
            const std::vector<float> output = ReadAll(*open.reader);
            EXPECT_EQ(open.reader->CompressionKind(), c.code);
            ASSERT_EQ(output.size(), input.size());
            const std::size_t silentFrom = input.size() - 100 * channels;
            for (std::size_t i = 0; i < input.size(); ++i) {
                const float x = i < silentFrom ? input[i] : 0.0f;
                const float tolerance = c.code <= CompressionALaw
                                            ? std::fabs(x) / 16 + 64.0f / 32768
                                        : c.bits == 8  ? 1.0f / 128
                                        : c.bits == 16 ? 1.0f / 32768
                                                       : 1e-6f;
                ASSERT_NEAR(output[i], x, tolerance) << i;
            }
        }
    }
}

TEST(AuWriteTest, RefusesCodesWithoutAnEncoderBeforeWriting) {
    for (int code : {0, 7, 9, 19, 20}) {
        std::ostringstream out;
        try {
            AuWrite writer(out, 10, 1, 8000, code);
            ADD_FAILURE() << code;
        } catch (const SoundError& e) {
            EXPECT_EQ(std::string(e.what()), "Compression type not supported for output");
        }
        EXPECT_TRUE(out.str().empty());
    }
}

TEST(AuReadTest, MalformedInputEndsInAnErrorOrACleanRead) {
    TempFolder folder;
    WriteFileBytes(folder.Path("in.raw"), Int16Bytes(TestSignal(500, 2)));
    std::vector<Bytes> seeds;
    for (const char* arguments :
         {"-e signed-integer -b 16", "-e signed-integer -b 24", "-e a-law", "-e mu-law -c 1"}) {
        const std::string path = folder.Path("s.au");
        ASSERT_TRUE(RunSox("-t raw -r 8000 -e signed-integer -b 16 -c 2 " + folder.Path("in.raw") +
                           " " + arguments + " " + path));
        seeds.push_back(ReadFileBytes(path));
    }
    int opened = 0;
    ForEachMutation(seeds, 2000, [&](const Bytes& bytes) {
        for (std::int64_t length : {static_cast<std::int64_t>(bytes.size()), std::int64_t{0}}) {
            try {
                ReaderOver<AuRead> open(bytes, length);
                ReadAll(*open.reader);
                open.reader->Seek(3);
                ReadAll(*open.reader);
                ++opened;
            } catch (const SoundError&) {
            }
        }
    });
    EXPECT_GT(opened, 1000);
}

} // namespace

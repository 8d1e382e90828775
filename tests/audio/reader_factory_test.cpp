#include "audio/reader_factory.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "audio/format_codes.h"
#include "audio/sound_error.h"
#include "tests/support/sox_files.h"

namespace {

class ReaderFactoryTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder = new TempFolder;
        const char* const files[][2] = {
            {"44100-2-16.wav", "-r 44100 -c 2 -b 16"},
            {"22050-1-16.aiff", "-r 22050 -c 1 -b 16"},
            {"22050-1-16.aifc", "-r 22050 -c 1 -b 16 -t aifc"},
            {"8000-1-ulaw.au", "-r 8000 -c 1 -e mu-law"},
            {"layer3.mp3", "-r 44100 -c 2 -C 128"},
            {"layer2.mp2", "-r 48000 -c 1 -C 64"},
            {"tagged.mp3", "-r 22050 -c 1 -C 32 --comment \"Title=Bells\""},
        };
        for (const auto& f : files) {
            ASSERT_TRUE(RunSox(std::string("-n ") + f[1] + " " + folder->Path(f[0]) +
                               " synth 0.5 sine 440"));
        }
        // Shorter than the offset the MOD probe reads at.
        ASSERT_TRUE(
            RunSox("-n -r 8000 -c 1 -C 8 " + folder->Path("tiny.mp3") + " synth 0.05 sine 300"));
    }
    static void TearDownTestSuite() {
        delete folder;
        folder = nullptr;
    }
    static std::string Bytes(const char* name) {
        const std::vector<std::uint8_t> bytes = ReadFileBytes(folder->Path(name));
        return std::string(bytes.begin(), bytes.end());
    }
    static TempFolder* folder;
};

TempFolder* ReaderFactoryTest::folder = nullptr;

struct FactoryCase {
    const char* file; // a fixture's name, or literal bytes after "="
    const char* extension;
    int fileFormat; // 0: no reader
    int compression;
};

TEST_F(ReaderFactoryTest, ChoosesTheReaderByContentAndExtension) {
    const FactoryCase cases[] = {
        {"44100-2-16.wav", ".wav", FileFormatWave, CompressionPcm16},
        {"44100-2-16.wav", ".WAV", FileFormatWave, CompressionPcm16},
        {"44100-2-16.wav", ".dat", 0, 0},
        {"44100-2-16.wav", nullptr, 0, 0},
        {"22050-1-16.aiff", ".aiff", FileFormatAiff, CompressionPcm16},
        {"22050-1-16.aiff", ".AIF", FileFormatAiff, CompressionPcm16},
        {"22050-1-16.aifc", ".aif", FileFormatAiff, CompressionPcm16},
        {"22050-1-16.aiff", ".wav", 0, 0},
        {"8000-1-ulaw.au", ".au", FileFormatAu, CompressionMuLaw},
        {"8000-1-ulaw.au", ".SND", FileFormatAu, CompressionMuLaw},
        {"8000-1-ulaw.au", ".wav", 0, 0},
        {"8000-1-ulaw.au", nullptr, 0, 0},
        {"layer3.mp3", ".mp3", FileFormatMpeg, CompressionMpegLayer3},
        {"layer3.mp3", ".MP3", FileFormatMpeg, CompressionMpegLayer3},
        {"layer3.mp3", "", FileFormatMpeg, CompressionMpegLayer3},
        {"layer3.mp3", nullptr, FileFormatMpeg, CompressionMpegLayer3},
        {"layer3.mp3", ".mpg", FileFormatMpeg, CompressionMpegLayer3},
        {"layer3.mp3", ".wav", 0, 0},
        {"layer2.mp2", ".mp3", 0, 0},
        {"layer2.mp2", ".mp2", FileFormatMpeg, CompressionMpegLayer2},
        {"layer2.mp2", ".MP2", FileFormatMpeg, CompressionMpegLayer2},
        {"tagged.mp3", ".mp3", FileFormatMpeg, CompressionMpegLayer3},
        {"tiny.mp3", ".mp3", FileFormatMpeg, CompressionMpegLayer3},
        {"tiny.mp3", nullptr, FileFormatMpeg, CompressionMpegLayer3},
        {"=", ".mp3", 0, 0},
        {"=RIFF", ".wav", 0, 0},
        {"=\xFF", "", 0, 0},
        {"=plain text, not sound", nullptr, 0, 0},
    };
    for (const FactoryCase& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " as " + (c.extension ? c.extension : "(null)"));
        const std::string bytes = c.file[0] == '=' ? std::string(c.file + 1) : Bytes(c.file);
        std::istringstream in(bytes, std::ios::binary);
        // The factory repositions a stream handed to it anywhere.
        in.seekg(static_cast<std::streamoff>(bytes.size() / 2));
        const auto reader =
            OpenAudioReader(in, static_cast<std::int64_t>(bytes.size()), c.extension, false);
        if (c.fileFormat == 0) {
            EXPECT_EQ(reader, nullptr);
            continue;
        }
        ASSERT_NE(reader, nullptr);
        // Some readers read their header on the first negotiation.
        EXPECT_GT(reader->SamplingRate(), 0);
        EXPECT_GT(reader->Channels(), 0);
        EXPECT_EQ(reader->FileFormat(), c.fileFormat);
        EXPECT_EQ(reader->CompressionKind(), c.compression);
        float samples[64];
        EXPECT_EQ(reader->GetSamples(samples, 64), 64);
    }
}

TEST_F(ReaderFactoryTest, FailedStreamYieldsNoReader) {
    std::istringstream in(Bytes("layer3.mp3"), std::ios::binary);
    in.setstate(std::ios::failbit);
    EXPECT_EQ(OpenAudioReader(in, 0, ".mp3", false), nullptr);
}

TEST_F(ReaderFactoryTest, ChosenReadersErrorReachesTheCaller) {
    const struct {
        std::string bytes;
        const char* extension;
        const char* message;
    } cases[] = {
        {"ID3\3\0\0\0\0\0\0" + std::string(100, '\0'), ".mp3", "MPEG file may be corrupted"},
        {std::string("RIFF\4\0\0\0WAVE", 12), ".wav", "Sound data not found"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        std::istringstream in(c.bytes, std::ios::binary);
        try {
            OpenAudioReader(in, static_cast<std::int64_t>(c.bytes.size()), c.extension, false);
            ADD_FAILURE() << "no error";
        } catch (const SoundError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

// Noise and damaged files under every extension: a reader, null or a SoundError.
TEST_F(ReaderFactoryTest, MalformedInputNeverCrashes) {
    std::mt19937 random(11);
    const char* extensions[] = {".wav", ".mp3", ".mp2", "", nullptr, ".aif", ".au"};
    const std::string seeds[] = {Bytes("44100-2-16.wav").substr(0, 3000),
                                 Bytes("layer3.mp3").substr(0, 3000), Bytes("tagged.mp3")};
    for (int round = 0; round < 60; ++round) {
        std::string bytes = seeds[round % 3];
        for (int j = 0; j < 4; ++j) {
            bytes[random() % std::min<std::size_t>(bytes.size(), 64)] = static_cast<char>(random());
        }
        bytes.resize(random() % bytes.size());
        SCOPED_TRACE(round);
        std::istringstream in(bytes, std::ios::binary);
        try {
            const auto reader = OpenAudioReader(in, static_cast<std::int64_t>(bytes.size()),
                                                extensions[round % 7], round % 2 == 0);
            if (reader) {
                reader->SamplingRate();
                reader->Channels();
                float samples[4096];
                while (reader->GetSamples(samples, 4096) == 4096) {
                }
            }
        } catch (const SoundError&) {
        }
    }
}

} // namespace

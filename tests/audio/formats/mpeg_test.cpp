#include "audio/formats/mpeg.h"

#include <gtest/gtest.h>
#include <mpg123.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "audio/format_codes.h"
#include "audio/formats/wave.h"
#include "audio/sound_error.h"
#include "tests/support/chunk_builder.h"
#include "tests/support/sox_files.h"

namespace {

// libmpg123 decoding the whole file on its own, as the reader is set up to: no gapless
// trimming, 16-bit output.
std::vector<std::int16_t> ReferenceDecode(const std::string& path) {
    mpg123_init();
    mpg123_handle* h = mpg123_new(nullptr, nullptr);
    mpg123_param(h, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0.0);
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    std::vector<std::int16_t> samples;
    if (mpg123_open(h, path.c_str()) == MPG123_OK) {
        long rate = 0;
        int channels = 0;
        int encoding = 0;
        mpg123_getformat(h, &rate, &channels, &encoding);
        mpg123_format_none(h);
        mpg123_format(h, rate, channels, MPG123_ENC_SIGNED_16);
        unsigned char buffer[8192];
        std::size_t done = 0;
        int result = MPG123_OK;
        while (result == MPG123_OK || result == MPG123_NEW_FORMAT) {
            result = mpg123_read(h, buffer, sizeof buffer, &done);
            const auto* s = reinterpret_cast<const std::int16_t*>(buffer);
            samples.insert(samples.end(), s, s + done / 2);
        }
        mpg123_close(h);
    }
    mpg123_delete(h);
    return samples;
}

// Stops after limit samples, so that a reader that never ends fails instead of hanging.
std::vector<std::int16_t> ReadAll(AudioAbstract& reader, int chunk = 1000,
                                  std::size_t limit = std::size_t{1} << 24) {
    std::vector<std::int16_t> out;
    std::vector<float> buffer(chunk);
    while (out.size() < limit) {
        const int got = reader.GetSamples(buffer.data(), chunk);
        for (int i = 0; i < got; ++i) {
            out.push_back(static_cast<std::int16_t>(buffer[i] * 32768.0f));
        }
        if (got < chunk) {
            break;
        }
    }
    return out;
}

std::int64_t FileLength(const std::string& path) {
    return static_cast<std::int64_t>(ReadFileBytes(path).size());
}

struct MpegFile {
    const char* name;
    const char* sox; // sox arguments that make it from nothing
    int rate;
    int channels;
    int bitRate; // 0: variable, not checked
    int compression;
    bool declaresLength;
};

const MpegFile kFiles[] = {
    {"cbr.mp3", "-r 44100 -c 2 -C 128 cbr.mp3 synth 3 sine 440 sine 660", 44100, 2, 128,
     CompressionMpegLayer3, false},
    {"vbr.mp3", "-r 44100 -c 2 -C -4.2 vbr.mp3 synth 3 sine 300-3000 pinknoise", 44100, 2, 0,
     CompressionMpegLayer3, true},
    {"mpeg2.mp3", "-r 22050 -c 1 -C 32 mpeg2.mp3 synth 2 sine 440", 22050, 1, 32,
     CompressionMpegLayer3, false},
    {"mpeg25.mp3", "-r 11025 -c 1 -C 16 mpeg25.mp3 synth 2 sine 440", 11025, 1, 16,
     CompressionMpegLayer3, false},
    {"layer2.mp2", "-r 48000 -c 2 -C 192 layer2.mp2 synth 2 sine 440 sine 550", 48000, 2, 192,
     CompressionMpegLayer2, false},
    {"tagged.mp3",
     "-r 44100 -c 1 -C 64 --comment \"Comment=A quiet bell\" --add-comment \"Genre=(17)\" "
     "--add-comment \"Title=Bells\" tagged.mp3 synth 1 sine 440",
     44100, 1, 64, CompressionMpegLayer3, false},
};

class MpegReadTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder = new TempFolder;
        for (const MpegFile& f : kFiles) {
            ASSERT_TRUE(RunSox("-n " + std::string(f.sox).replace(std::string(f.sox).find(f.name),
                                                                  0, folder->Path("").c_str())))
                << f.name;
        }
    }
    static void TearDownTestSuite() {
        delete folder;
        folder = nullptr;
    }
    static std::string Path(const char* name) { return folder->Path(name); }
    static bool Tagged(const std::string& path) { return ReadFileBytes(path).at(0) == 'I'; }

    static TempFolder* folder;
};

TempFolder* MpegReadTest::folder = nullptr;

TEST_F(MpegReadTest, PropertiesAndSamplesMatchLibmpg123Alone) {
    for (const MpegFile& f : kFiles) {
        SCOPED_TRACE(f.name);
        const std::string path = Path(f.name);
        std::ifstream in(path, std::ios::binary);
        MpegRead reader(in, FileLength(path), Tagged(path));
        EXPECT_EQ(reader.SamplingRate(), f.rate);
        EXPECT_EQ(reader.Channels(), f.channels);
        EXPECT_EQ(reader.FileFormat(), FileFormatMpeg);
        EXPECT_EQ(reader.CompressionKind(), f.compression);
        EXPECT_EQ(reader.BitsPerSample(), 16);
        if (f.bitRate != 0) {
            EXPECT_EQ(reader.BitRate(), f.bitRate);
        }
        const std::vector<std::int16_t> expected = ReferenceDecode(path);
        ASSERT_FALSE(expected.empty());
        const std::int64_t declared = reader.DataLength() / 4;
        EXPECT_EQ(ReadAll(reader), expected);
        if (f.declaresLength) {
            EXPECT_EQ(declared, static_cast<std::int64_t>(expected.size()));
        } else {
            // Estimated from the bit rate: within two frames.
            EXPECT_NEAR(static_cast<double>(declared), static_cast<double>(expected.size()),
                        2.0 * 1152 * f.channels);
        }
    }
}

TEST_F(MpegReadTest, TaggedFileCarriesItsItems) {
    const std::string path = Path("tagged.mp3");
    std::ifstream in(path, std::ios::binary);
    MpegRead reader(in, FileLength(path), true);
    std::size_t size = 0;
    const auto text = [&](int code) {
        const std::uint8_t* data = reader.Chunks()->FindItem(code, size);
        return data == nullptr ? std::string("<none>")
                               : std::string(reinterpret_cast<const char*>(data));
    };
    EXPECT_EQ(text(ItemTitle), "Bells");
    EXPECT_EQ(text(ItemComment), "A quiet bell");
    EXPECT_EQ(text(ItemGenre), "Rock");
    const std::int64_t tagSize =
        10 + ((ReadFileBytes(path)[8] & 0x7F) << 7) + (ReadFileBytes(path)[9] & 0x7F);
    EXPECT_EQ(reader.InputLength(), FileLength(path) - tagSize);
}

TEST_F(MpegReadTest, SeekThenReadEqualsSequentialRead) {
    for (const char* name : {"cbr.mp3", "vbr.mp3", "mpeg2.mp3", "layer2.mp2"}) {
        SCOPED_TRACE(name);
        const std::string path = Path(name);
        const std::vector<std::int16_t> all = ReferenceDecode(path);
        std::ifstream in(path, std::ios::binary);
        MpegRead reader(in, FileLength(path), false);
        const std::int64_t ch = reader.Channels();
        const std::int64_t size = static_cast<std::int64_t>(all.size());
        // Forward and backward, into the index and past what was decoded so far.
        const std::int64_t targets[] = {size / 2, 0,        ch * 1152 * 7 + ch * 5, size - ch * 100,
                                        ch * 3,   size / 3, ch * 1152 * 20};
        for (std::int64_t target : targets) {
            SCOPED_TRACE(target);
            ASSERT_TRUE(reader.Seek(target));
            std::vector<float> buffer(4000);
            const int got = reader.GetSamples(buffer.data(), 4000);
            const std::int64_t expectedCount = std::min<std::int64_t>(4000, size - target);
            ASSERT_EQ(got, expectedCount);
            for (int i = 0; i < got; ++i) {
                // The decoder's float rounding may differ by one step after a restart.
                ASSERT_NEAR(buffer[i] * 32768.0f, all[target + i], 1.0) << "at " << i;
            }
        }
        // A seek past the end leaves nothing to read.
        ASSERT_TRUE(reader.Seek(size * 4));
        float sample = 0;
        EXPECT_EQ(reader.GetSamples(&sample, 1), 0);
    }
}

TEST_F(MpegReadTest, FreshReaderSeeksBeforeAnyDecode) {
    const std::string path = Path("vbr.mp3");
    const std::vector<std::int16_t> all = ReferenceDecode(path);
    std::ifstream in(path, std::ios::binary);
    MpegRead reader(in, FileLength(path), false);
    const std::int64_t target = static_cast<std::int64_t>(all.size()) / 8 * 6 + 14;
    ASSERT_TRUE(reader.Seek(target));
    std::vector<float> buffer(2000);
    ASSERT_EQ(reader.GetSamples(buffer.data(), 2000), 2000);
    for (int i = 0; i < 2000; ++i) {
        ASSERT_NEAR(buffer[i] * 32768.0f, all[target + i], 1.0) << i;
    }
}

TEST_F(MpegReadTest, UnknownLengthStillDecodesTheWholeFile) {
    const std::string path = Path("cbr.mp3");
    std::ifstream in(path, std::ios::binary);
    MpegRead reader(in, 0, false);
    EXPECT_EQ(ReadAll(reader), ReferenceDecode(path));
}

TEST_F(MpegReadTest, LengthEstimateHoldsBeyond32Bits) {
    // A byte length far beyond the file: the estimate overflows 32-bit arithmetic, and the
    // decode still runs to the real end rather than stopping at a wrong count.
    const std::string path = Path("cbr.mp3");
    const std::int64_t claimed = 3'000'000'000;
    std::ifstream in(path, std::ios::binary);
    MpegRead reader(in, claimed, false);
    const double samplesPerChannel = claimed * 8.0 / 128000.0 * 44100.0;
    EXPECT_NEAR(static_cast<double>(reader.DataLength()), samplesPerChannel * 2 * 4, 64.0);
    EXPECT_EQ(ReadAll(reader), ReferenceDecode(path));
}

TEST_F(MpegReadTest, LostFramesOfADeclaredLengthBecomeSilence) {
    const std::vector<std::uint8_t> whole = ReadFileBytes(Path("vbr.mp3"));
    const std::vector<std::uint8_t> half(whole.begin(), whole.begin() + whole.size() / 2);
    std::istringstream in(std::string(half.begin(), half.end()), std::ios::binary);
    // The Xing header still declares the whole sound.
    MpegRead reader(in, static_cast<std::int64_t>(whole.size()), false);
    const std::vector<std::int16_t> expected = ReferenceDecode(Path("vbr.mp3"));
    const std::vector<std::int16_t> got = ReadAll(reader);
    ASSERT_EQ(got.size(), expected.size());
    EXPECT_EQ(got.back(), 0);
    EXPECT_TRUE(std::equal(got.begin(), got.begin() + 10000, expected.begin()));
}

TEST_F(MpegReadTest, VariableRateWithoutXingHeaderIsRefused) {
    std::vector<std::uint8_t> bytes = ReadFileBytes(Path("vbr.mp3"));
    MpegFrameHeader header;
    ASSERT_TRUE(ParseMpegFrameHeader(bytes.data(), header));
    bytes.erase(bytes.begin(), bytes.begin() + header.length); // drop the Xing frame
    std::istringstream in(std::string(bytes.begin(), bytes.end()), std::ios::binary);
    MpegRead reader(in, static_cast<std::int64_t>(bytes.size()), false);
    try {
        ReadAll(reader);
        ADD_FAILURE() << "no error";
    } catch (const SoundError& e) {
        EXPECT_STREQ(e.what(), "MPEG bitrate not constant");
    }
}

// Layer III data in a WAVE file (format tag 85), as some recorders write it.
Bytes MpegWave(const std::vector<std::uint8_t>& mp3, int channels, int rate,
               std::int64_t factSamples) {
    Bytes chunks = Chunk(ByteOrder::Little, "fmt ", WaveFmt(85, channels, rate, 0, Le(12, 2)));
    if (factSamples > 0) {
        chunks = Cat({chunks, Chunk(ByteOrder::Little, "fact",
                                    Le(static_cast<std::uint32_t>(factSamples), 4))});
    }
    return RiffWave(Cat({chunks, Chunk(ByteOrder::Little, "data", mp3)}));
}

TEST_F(MpegReadTest, LayerThreeInsideWaveDecodesAndSeeks) {
    const std::string path = Path("cbr.mp3");
    const std::vector<std::int16_t> all = ReferenceDecode(path);
    const Bytes file =
        MpegWave(ReadFileBytes(path), 2, 44100, static_cast<std::int64_t>(all.size() / 2));
    std::istringstream in(std::string(file.begin(), file.end()), std::ios::binary);
    WaveRead reader(in, static_cast<std::int64_t>(file.size()), false);
    EXPECT_EQ(reader.CompressionKind(), CompressionMpegLayer3);
    EXPECT_EQ(reader.DataLength(), static_cast<std::int64_t>(all.size()) * 4);
    EXPECT_EQ(ReadAll(reader), all);

    const std::int64_t target = static_cast<std::int64_t>(all.size()) / 2 + 100;
    ASSERT_TRUE(reader.Seek(target));
    std::vector<float> buffer(3000);
    ASSERT_EQ(reader.GetSamples(buffer.data(), 3000), 3000);
    for (int i = 0; i < 3000; ++i) {
        ASSERT_NEAR(buffer[i] * 32768.0f, all[target + i], 1.0) << i;
    }
}

TEST_F(MpegReadTest, ImplausibleWaveLengthAddsNoSilence) {
    const std::string path = Path("cbr.mp3");
    const Bytes file = MpegWave(ReadFileBytes(path), 2, 44100, 0x7FFFFFFF);
    std::istringstream in(std::string(file.begin(), file.end()), std::ios::binary);
    WaveRead reader(in, static_cast<std::int64_t>(file.size()), false);
    EXPECT_EQ(ReadAll(reader), ReferenceDecode(path));
}

TEST_F(MpegReadTest, LayerThreeInsideWaveErrors) {
    const std::vector<std::uint8_t> mp3 = ReadFileBytes(Path("cbr.mp3"));
    const struct {
        const char* name;
        Bytes file;
        std::int64_t byteLength;
        const char* message;
    } cases[] = {
        {"NoSync", MpegWave(std::vector<std::uint8_t>(3000, 0x11), 2, 44100, 1000), 0,
         "MP3 Frame header not found"},
        {"NoLengthAnywhere", MpegWave(mp3, 2, 44100, 0), 0, "Cant get size of Mp3/WAV content"},
        {"FmtDisagreesWithStream", MpegWave(mp3, 1, 44100, 1000), 0, "MPEG file may be corrupted"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::istringstream in(std::string(c.file.begin(), c.file.end()), std::ios::binary);
        try {
            WaveRead reader(in, c.byteLength, false);
            ADD_FAILURE() << "no error";
        } catch (const SoundError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

TEST_F(MpegReadTest, NoFrameIsCorrupted) {
    for (const std::string& bytes : {std::string(), std::string(3000, '\0'),
                                     std::string("\xFF\xFB\xF0\x00", 4) + std::string(200, 'a'),
                                     std::string("\xFF\xFB\x00\x44", 4) + std::string(200, 'a')}) {
        SCOPED_TRACE(bytes.size());
        std::istringstream in(bytes, std::ios::binary);
        try {
            MpegRead reader(in, static_cast<std::int64_t>(bytes.size()), false);
            ADD_FAILURE() << "no error";
        } catch (const SoundError& e) {
            EXPECT_STREQ(e.what(), "MPEG file may be corrupted");
        }
    }
}

// Nonsense, truncations and mutated headers: an error or a short sound, never a crash.
TEST_F(MpegReadTest, MalformedInputGivesErrorsNotCrashes) {
    std::mt19937 random(5);
    std::vector<std::vector<std::uint8_t>> inputs;
    for (int i = 0; i < 8; ++i) {
        std::vector<std::uint8_t> noise(1 + random() % 6000);
        for (auto& b : noise) {
            b = static_cast<std::uint8_t>(random());
        }
        noise[0] = 0xFF;
        noise[1] = static_cast<std::uint8_t>(0xE0 | random());
        inputs.push_back(noise);
    }
    for (const char* name : {"cbr.mp3", "vbr.mp3", "tagged.mp3", "layer2.mp2"}) {
        const std::vector<std::uint8_t> good = ReadFileBytes(Path(name));
        for (std::size_t cut : {std::size_t{1}, std::size_t{4}, std::size_t{40}, std::size_t{300},
                                good.size() / 2, good.size() - 1}) {
            inputs.emplace_back(good.begin(), good.begin() + std::min(cut, good.size()));
        }
        for (int i = 0; i < 12; ++i) {
            std::vector<std::uint8_t> mutated = good;
            for (int j = 0; j < 6; ++j) {
                mutated[random() % std::min<std::size_t>(mutated.size(), 700)] =
                    static_cast<std::uint8_t>(random());
            }
            inputs.push_back(mutated);
        }
    }
    int opened = 0;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        SCOPED_TRACE(i);
        const std::vector<std::uint8_t>& bytes = inputs[i];
        std::istringstream in(std::string(bytes.begin(), bytes.end()), std::ios::binary);
        try {
            MpegRead reader(in, static_cast<std::int64_t>(bytes.size()),
                            bytes.size() >= 3 && bytes[0] == 'I' && bytes[1] == 'D');
            ++opened;
            const std::int64_t limit = reader.DataLength() / 4 + 1152 * 2 * 4;
            EXPECT_LE(static_cast<std::int64_t>(ReadAll(reader).size()), limit);
            reader.Seek(5000);
            ReadAll(reader);
        } catch (const SoundError&) {
        }
    }
    EXPECT_GT(opened, 0);
}

} // namespace

// Sounds written through the encoder into each file type and read back through the decoder.
#include <gtest/gtest.h>

#include <cmath>
#include <istream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "audio/audio_file_tags.h"
#include "audio/engine/audio_decoder.h"
#include "audio/engine/audio_encoder.h"
#include "audio/engine/replacing_file.h"
#include "audio/file_buffer.h"
#include "audio/sound_error.h"
#include "tests/support/sox_files.h"

namespace {

// Two different tones, so a swapped or mixed channel shows.
std::vector<float> Tones(int frames, int channels, int rate) {
    std::vector<float> v(std::size_t(frames) * channels);
    for (int i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            v[std::size_t(i) * channels + c] =
                static_cast<float>(0.45 * std::sin(2 * M_PI * (330.0 + 220 * c) * i / rate));
        }
    }
    return v;
}

// Writes the samples in the editor's blocks of 2048 frames and finishes the file.
std::string Encode(const std::vector<float>& samples, int channels, int rate, int kind,
                   int fileType, int sourceChannels, int sourceRate,
                   AudioFileTags* tags = nullptr) {
    std::ostringstream out(std::ios::binary);
    const int frames = static_cast<int>(samples.size()) / sourceChannels;
    {
        CAP_AudioEncoder encoder(&out, channels, rate, kind, fileType,
                                 static_cast<double>(frames) / sourceRate, sourceChannels,
                                 sourceRate, tags);
        for (int done = 0; done < frames;) {
            const int n = std::min(2048, frames - done);
            encoder.WriteNext(samples.data() + std::size_t(done) * sourceChannels, n);
            done += n;
        }
    }
    EXPECT_TRUE(out.good());
    return out.str();
}

std::vector<float> DecodeAll(CAP_AudioDecoder& decoder) {
    std::vector<float> all, block(std::size_t(1000) * std::max(decoder.channels, 1));
    for (int got; (got = decoder.ReadNext(block.data(), 1000)) > 0;) {
        all.insert(all.end(), block.begin(), block.begin() + got * decoder.channels);
    }
    return all;
}

const char* Extension(int fileType) {
    return fileType == 1 ? ".wav" : fileType == 2 ? ".au" : ".aif";
}

TEST(AudioFileRoundTripTest, EachFileTypeAndCompressionKindReadsBackAsWritten) {
    const struct {
        int fileType, kind, bits;
        double tolerance;
    } cases[] = {
        {1, 2, 8, 0.02},   {1, 3, 8, 0.02},   {1, 16, 8, 0.004}, {1, 17, 16, 2e-5},
        {1, 18, 24, 1e-6}, {1, 19, 32, 1e-7}, {1, 20, 32, 1e-7}, {2, 2, 8, 0.02},
        {2, 3, 8, 0.02},   {2, 16, 8, 0.004}, {2, 17, 16, 2e-5}, {2, 18, 24, 1e-6},
        {3, 2, 8, 0.02},   {3, 3, 8, 0.02},   {3, 16, 8, 0.004}, {3, 17, 16, 2e-5},
        {3, 18, 24, 1e-6},
    };
    for (const auto& c : cases) {
        for (int channels : {1, 2}) {
            SCOPED_TRACE(testing::Message() << Extension(c.fileType) << " kind " << c.kind << ", "
                                            << channels << " channels");
            const int rate = 22050, frames = 5000;
            const auto samples = Tones(frames, channels, rate);
            std::istringstream in(
                Encode(samples, channels, rate, c.kind, c.fileType, channels, rate),
                std::ios::binary);
            CAP_AudioDecoder decoder(&in, static_cast<std::int64_t>(in.str().size()),
                                     Extension(c.fileType), false);
            ASSERT_EQ(decoder.ErrorText(), "");
            EXPECT_EQ(decoder.rate, rate);
            EXPECT_EQ(decoder.channels, channels);
            EXPECT_EQ(decoder.fileFormat, c.fileType);
            EXPECT_EQ(decoder.compressionKind, c.kind);
            EXPECT_EQ(decoder.bits, c.bits);
            EXPECT_EQ(decoder.SecondsToFrames(decoder.duration + 1e-9), frames);
            const auto back = DecodeAll(decoder);
            ASSERT_EQ(back.size(), samples.size());
            double worst = 0;
            for (std::size_t i = 0; i < back.size(); ++i) {
                worst = std::max(worst, double(std::abs(back[i] - samples[i])));
            }
            EXPECT_LE(worst, c.tolerance);
        }
    }
}

TEST(AudioFileRoundTripTest, KindsAWriterCannotStoreAreRefusedBeforeAnythingIsWritten) {
    const struct { int fileType, kind; } cases[] = {{2, 19}, {2, 20}, {3, 19}, {3, 20}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << Extension(c.fileType) << " kind " << c.kind);
        std::ostringstream out(std::ios::binary);
        try {
            CAP_AudioEncoder encoder(&out, 1, 8000, c.kind, c.fileType, 1.0, 1, 8000, nullptr);
            ADD_FAILURE() << "accepted";
        } catch (const SoundError& e) {
            EXPECT_STREQ(e.what(), "Compression type not supported for output");
        }
        EXPECT_EQ(out.str(), "");
    }
    std::ostringstream out(std::ios::binary);
    EXPECT_THROW(CAP_AudioEncoder(&out, 1, 8000, 17, 4, 1.0, 1, 8000, nullptr), SoundError);
    EXPECT_EQ(out.str(), "");
}

TEST(AudioFileRoundTripTest, AdpcmAskedOfTheEncoderIsWrittenAsSixteenBitPcm) {
    const auto samples = Tones(1000, 1, 8000);
    std::istringstream in(Encode(samples, 1, 8000, 9, 1, 1, 8000), std::ios::binary);
    CAP_AudioDecoder decoder(&in, static_cast<std::int64_t>(in.str().size()), ".wav", false);
    ASSERT_EQ(decoder.ErrorText(), "");
    EXPECT_EQ(decoder.compressionKind, 17);
    EXPECT_EQ(decoder.bits, 16);
}

TEST(AudioFileRoundTripTest, AnotherRateAndChannelCountGiveTheDeclaredLength) {
    // 1.5 s of a mono tone at 22050 Hz saved as stereo at 44100 Hz.
    const auto samples = Tones(33075, 1, 22050);
    std::istringstream in(Encode(samples, 2, 44100, 17, 1, 1, 22050), std::ios::binary);
    CAP_AudioDecoder decoder(&in, static_cast<std::int64_t>(in.str().size()), ".wav", false);
    ASSERT_EQ(decoder.ErrorText(), "");
    EXPECT_EQ(decoder.channels, 2);
    const auto back = DecodeAll(decoder);
    ASSERT_EQ(back.size(), 2u * 66150);
    const auto exact = Tones(66150, 1, 44100);
    double worst = 0;
    for (std::size_t i = 0; i < 66150; ++i) {
        ASSERT_EQ(back[2 * i], back[2 * i + 1]);
        // The whole sound, up to its last frames: the converter's tail was written.
        if (i > 100 && i + 3 < 66150) {
            worst = std::max(worst, double(std::abs(back[2 * i] - exact[i])));
        }
    }
    EXPECT_LT(worst, 0.003);
}

TEST(AudioFileRoundTripTest, TagsTravelIntoTheFileAndBackOut) {
    AudioFileTags tags;
    tags.SetText(4, "Harbour bell");
    tags.SetText(0, "Ilse Varga");
    const auto samples = Tones(100, 1, 8000);
    for (int fileType : {1, 3}) {
        SCOPED_TRACE(Extension(fileType));
        std::istringstream in(Encode(samples, 1, 8000, 17, fileType, 1, 8000, &tags),
                              std::ios::binary);
        CAP_AudioDecoder decoder(&in, static_cast<std::int64_t>(in.str().size()),
                                 Extension(fileType), true);
        ASSERT_EQ(decoder.ErrorText(), "");
        AudioFileTags back;
        decoder.CopyChunksTo(back);
        char text[64];
        ASSERT_TRUE(back.GetText(4, text, sizeof text));
        EXPECT_STREQ(text, "Harbour bell");
        ASSERT_TRUE(back.GetText(0, text, sizeof text));
        EXPECT_STREQ(text, "Ilse Varga");
    }
}

TEST(AudioFileRoundTripTest, DecoderRateBoundsHoldForRealFiles) {
    const struct {
        int rate;
        const char* error;
    } cases[] = {{4000, "Sample rate out of bounds"},
                 {8000, ""},
                 {96000, ""},
                 {96001, "Sample rate out of bounds"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rate);
        const auto samples = Tones(c.rate / 10, 1, c.rate);
        std::istringstream in(Encode(samples, 1, c.rate, 17, 1, 1, c.rate), std::ios::binary);
        CAP_AudioDecoder decoder(&in, static_cast<std::int64_t>(in.str().size()), ".wav", false);
        EXPECT_EQ(decoder.ErrorText(), c.error);
    }
    std::istringstream nonsense(std::string(300, 'x'), std::ios::binary);
    CAP_AudioDecoder decoder(&nonsense, 300, ".wav", false);
    EXPECT_EQ(decoder.ErrorText(), "Could not decode audio");
}

TEST(AudioFileRoundTripTest, ReadingPastTheEndThenFromFrameZeroGivesTheSameSoundAgain) {
    TempFolder folder;
    const std::string mp3 = folder.Path("44100-2.mp3");
    ASSERT_TRUE(RunSox("-n -r 44100 -c 2 " + mp3 + " synth 1.2 sine 440 sine 660"));
    const std::string wav = folder.Path("22050-1.wav");
    ASSERT_TRUE(RunSox("-n -r 22050 -c 1 -b 16 " + wav + " synth 0.7 sine 500"));
    for (const std::string& path : {mp3, wav}) {
        SCOPED_TRACE(path);
        const auto bytes = ReadFileBytes(path);
        std::istringstream in(std::string(bytes.begin(), bytes.end()), std::ios::binary);
        CAP_AudioDecoder decoder(&in, static_cast<std::int64_t>(bytes.size()),
                                 path.substr(path.rfind('.')).c_str(), false);
        ASSERT_EQ(decoder.ErrorText(), "");
        const auto first = DecodeAll(decoder);
        ASSERT_FALSE(first.empty());
        EXPECT_TRUE(decoder.AtEnd());
        std::vector<float> block(2 * 1000);
        EXPECT_EQ(decoder.ReadNext(block.data(), 1000), 0);
        ASSERT_GT(decoder.ReadFrames(block.data(), 1000, 0), 0);
        EXPECT_FALSE(decoder.AtEnd());
        EXPECT_TRUE(
            std::equal(block.begin(), block.begin() + 1000 * decoder.channels, first.begin()));

        // Far past the end, even where frames x channels would not fit: nothing, and the
        // reader can still come back.
        for (std::int64_t start : {std::int64_t{1} << 40, INT64_MAX}) {
            EXPECT_EQ(decoder.ReadFrames(block.data(), 1000, start), 0);
            EXPECT_TRUE(decoder.AtEnd());
        }
        ASSERT_EQ(decoder.ReadFrames(block.data(), 1000, 0), 1000);
        EXPECT_TRUE(
            std::equal(block.begin(), block.begin() + 1000 * decoder.channels, first.begin()));
    }
}

} // namespace

namespace {

// The editor's case: a sound saved over the very file it is still being read from.
TEST(AudioFileRoundTripTest, ASoundIsSavedOverItsOwnFileWhileItIsStillBeingRead) {
    TempFolder folder;
    const std::string path = folder.Path("44100-2-16.wav");
    const auto samples = Tones(44100, 2, 44100);
    const std::string original = Encode(samples, 2, 44100, 17, 1, 2, 44100);
    WriteFileBytes(path, std::vector<std::uint8_t>(original.begin(), original.end()));

    // Read the way the editor reads, through its own file buffer.
    std::vector<char> storage(176400);
    CUP_FileBuffer buffer(storage.data(), static_cast<int>(storage.size()));
    ASSERT_TRUE(buffer.Open(path.c_str(), std::ios::in | std::ios::binary));
    std::istream source(&buffer);
    CAP_AudioDecoder decoder(&source, static_cast<std::int64_t>(original.size()), ".wav", true);
    ASSERT_EQ(decoder.ErrorText(), "");
    ReplacingFile file;
    ASSERT_TRUE(file.Open(path));
    {
        CAP_AudioEncoder encoder(&file.Stream(), 1, 22050, 17, 1, decoder.duration,
                                 decoder.channels, decoder.rate, nullptr);
        std::vector<float> block(2 * 2048);
        for (int got; (got = decoder.ReadNext(block.data(), 2048)) > 0;) {
            encoder.WriteNext(block.data(), got);
        }
    }
    EXPECT_EQ(decoder.readPosition, 44100);
    // Until the save is committed the file is the one being read.
    EXPECT_EQ(ReadFileBytes(path).size(), original.size());
    ASSERT_TRUE(file.Commit());

    const auto saved = ReadFileBytes(path);
    std::istringstream in(std::string(saved.begin(), saved.end()), std::ios::binary);
    CAP_AudioDecoder again(&in, static_cast<std::int64_t>(saved.size()), ".wav", false);
    ASSERT_EQ(again.ErrorText(), "");
    EXPECT_EQ(again.rate, 22050);
    EXPECT_EQ(again.channels, 1);
    EXPECT_EQ(DecodeAll(again).size(), 22050u);
}

} // namespace

namespace {

// Damaged files end early or fail with a text; they never crash or read past their bytes.
TEST(AudioFileRoundTripTest, TruncatedAndMutatedFilesGiveWhatTheyHoldOrAnErrorText) {
    std::mt19937 random(20261210);
    for (int fileType : {1, 2, 3}) {
        const auto samples = Tones(3000, 2, 16000);
        const std::string whole = Encode(samples, 2, 16000, 17, fileType, 2, 16000);
        for (int round = 0; round < 150; ++round) {
            std::string bytes = whole;
            if (round % 2 == 0) {
                bytes.resize(random() % whole.size());
            } else {
                for (int flips = 1 + random() % 4; flips > 0; --flips) {
                    bytes[random() % 64 % bytes.size()] = static_cast<char>(random());
                }
            }
            SCOPED_TRACE(testing::Message() << Extension(fileType) << " round " << round);
            std::istringstream in(bytes, std::ios::binary);
            CAP_AudioDecoder decoder(&in, static_cast<std::int64_t>(bytes.size()),
                                     Extension(fileType), round % 3 == 0);
            if (!decoder.ErrorText().empty()) {
                continue;
            }
            const auto back = DecodeAll(decoder);
            EXPECT_LE(back.size() / decoder.channels,
                      static_cast<std::size_t>(std::llround(decoder.rate * decoder.duration)));
            std::vector<float> block(std::size_t(100) * decoder.channels);
            decoder.ReadFrames(block.data(), 100, 0);
        }
    }
}

} // namespace

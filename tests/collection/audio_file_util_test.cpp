#include "collection/audio_file_util.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <cctype>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "audio/engine/audio_decoder.h"
#include "tests/support/chunk_builder.h"
#include "tests/support/sox_files.h"

namespace {

class AnalyzeFileTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        folder = new TempFolder;
        stereo = folder->Path("44100-2-2.5s.wav");
        threeChannels = folder->Path("44100-3.wav");
        capitalAif = folder->Path("22050-1.AIF");
        empty = folder->Path("44100-2-0frames.wav");
        nonsense = folder->Path("nonsense.wav");
        tagged = folder->Path("8000-1-tagged.wav");
        ASSERT_TRUE(RunSox("-n -r 44100 -c 2 -b 16 " + stereo +
                           " synth 2.5 sine 300-2000 sine 500 tremolo 3 60"));
        ASSERT_TRUE(RunSox("-n -r 44100 -c 3 -b 16 " + threeChannels + " synth 0.5 sine 440"));
        ASSERT_TRUE(RunSox("-n -r 22050 -c 1 -b 16 -t aiff " + capitalAif + " synth 1 sine 440"));
        const Bytes fmt = Chunk(ByteOrder::Little, "fmt ", WaveFmt(1, 2, 44100, 16));
        WriteFileBytes(empty, RiffWave(Cat({fmt, Chunk(ByteOrder::Little, "data", {})})));
        WriteFileBytes(nonsense, Text("these are not the bytes of a sound file at all"));
        const Bytes info = Container(ByteOrder::Little, "LIST", "INFO",
                                     Chunk(ByteOrder::Little, "INAM", Text("Rain on tin")));
        WriteFileBytes(tagged,
                       RiffWave(Cat({Chunk(ByteOrder::Little, "fmt ", WaveFmt(1, 1, 8000, 16)),
                                     Chunk(ByteOrder::Little, "data", Bytes(1600, 0)), info})));
    }
    static void TearDownTestSuite() {
        delete folder;
        folder = nullptr;
    }

    static SoundFileObj Record(const std::string& path) {
        SoundFileObj file;
        file.path = path;
        return file;
    }

    static inline TempFolder* folder = nullptr;
    static inline std::string stereo, threeChannels, capitalAif, empty, nonsense, tagged;
};

// "YYYY-MM-DD hh:mm:ss", digits and separators in their places.
bool IsTimestamp(const std::string& text) {
    const std::string shape = "dddd-dd-dd dd:dd:dd";
    if (text.size() != shape.size())
        return false;
    for (std::size_t i = 0; i < shape.size(); ++i) {
        if (shape[i] == 'd' ? !std::isdigit(static_cast<unsigned char>(text[i]))
                            : text[i] != shape[i])
            return false;
    }
    return true;
}

TEST_F(AnalyzeFileTest, StereoFileInModes0And1) {
    SoundFileObj file = Record(stereo);
    std::vector<SoundVariantObj> variants;
    std::string error = "stale";
    ASSERT_TRUE(AudioFileUtil::AnalyzeFile(file, variants, 0, error, nullptr, nullptr)) << error;
    EXPECT_EQ(error, "");
    EXPECT_EQ(file.sampleRate, 44100);
    EXPECT_EQ(file.duration, 2500);
    EXPECT_EQ(file.channels, 2);
    EXPECT_EQ(file.format, 1);
    EXPECT_EQ(file.compression, 17);
    EXPECT_EQ(file.size, static_cast<int>(std::filesystem::file_size(stereo)));
    EXPECT_TRUE(IsTimestamp(file.indexDate)) << file.indexDate;
    EXPECT_EQ(file.signature.bytes[15], ' ');
    ASSERT_EQ(variants.size(), 1u);
    EXPECT_EQ(variants[0].sampleRate, 44100);
    EXPECT_EQ(variants[0].duration, 2500);
    EXPECT_EQ(variants[0].DataLength(), 125);
    EXPECT_EQ(0, std::memcmp(variants[0].signature.bytes, file.signature.bytes, 16));

    std::vector<SoundVariantObj> all;
    ASSERT_TRUE(AudioFileUtil::AnalyzeFile(file, all, 1, error, nullptr, nullptr)) << error;
    ASSERT_EQ(all.size(), 25u);
    struct Expected {
        int index, rate, duration, points;
    } const expected[] = {{0, 22050, 5000, 50}, {12, 44100, 2500, 25}, {24, 88200, 1250, 13}};
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.index);
        EXPECT_EQ(all[e.index].sampleRate, e.rate);
        EXPECT_EQ(all[e.index].duration, e.duration);
        EXPECT_EQ(all[e.index].DataLength(), 5 * e.points);
    }
    EXPECT_EQ(all[12].data, variants[0].data);
    // Played an octave higher the sound repeats itself at other periods.
    EXPECT_NE(0, std::memcmp(all[24].signature.bytes, file.signature.bytes, 12));
}

TEST_F(AnalyzeFileTest, FilesThatCannotBeCataloguedFailWithAText) {
    const std::string missing = folder->Path("absent.wav");
    struct Case {
        std::string path;
        std::string expected; // empty: any text will do
    } const cases[] = {
        {missing, "Could not read file '" + missing + "'"},
        {threeChannels, "Currently, only mono and stereo files are supported"},
        {empty, "The file '" + empty + "' holds no sound"},
        {nonsense, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        SoundFileObj file = Record(c.path);
        std::vector<SoundVariantObj> variants;
        std::string error;
        EXPECT_FALSE(AudioFileUtil::AnalyzeFile(file, variants, 1, error, nullptr, nullptr));
        if (c.expected.empty())
            EXPECT_NE(error, "");
        else
            EXPECT_EQ(error, c.expected);
        EXPECT_TRUE(variants.empty());
    }
}

TEST_F(AnalyzeFileTest, CapitalExtensionIsSupportedAndAnalysed) {
    EXPECT_TRUE(AudioFileUtil::IsSupportedFile(capitalAif));
    SoundFileObj file = Record(capitalAif);
    std::vector<SoundVariantObj> variants;
    std::string error;
    ASSERT_TRUE(AudioFileUtil::AnalyzeFile(file, variants, 0, error, nullptr, nullptr)) << error;
    EXPECT_EQ(file.format, 3);
    EXPECT_EQ(file.channels, 1);
    EXPECT_EQ(file.duration, 1000);
    ASSERT_EQ(variants.size(), 1u);
    EXPECT_EQ(variants[0].DataLength(), 50);
}

struct ProgressLog {
    std::vector<std::pair<std::string, int>> calls;
    std::string stopOn; // the first report with this text answers false
    static bool Take(void* user, const char* text, int percent) {
        auto* self = static_cast<ProgressLog*>(user);
        self->calls.emplace_back(text, percent);
        return self->stopOn.empty() || self->stopOn != text;
    }
};

TEST_F(AnalyzeFileTest, ProgressRunsThroughThreeStagesAndAStopEndsQuietly) {
    {
        ProgressLog log;
        SoundFileObj file = Record(stereo);
        std::vector<SoundVariantObj> variants;
        std::string error;
        ASSERT_TRUE(AudioFileUtil::AnalyzeFile(file, variants, 1, error, &ProgressLog::Take, &log));
        ASSERT_FALSE(log.calls.empty());
        int previous = 0;
        for (const auto& [text, percent] : log.calls) {
            SCOPED_TRACE(text);
            EXPECT_GE(percent, previous);
            // The load may close with an empty text at its full percentage.
            const int stage = text == "Loading audio data:" || text.empty() ? 0
                              : text == "Processing audio data:"            ? 1
                              : text == "Indexing: "                        ? 2
                                                                            : -1;
            ASSERT_NE(stage, -1);
            EXPECT_GE(percent, stage * 100 / 3);
            EXPECT_LE(percent, (stage + 1) * 100 / 3 + 1);
            previous = percent;
        }
        EXPECT_EQ(log.calls.back().second, 100);
    }
    for (const char* stopOn : {"Loading audio data:", "Processing audio data:", "Indexing: "}) {
        SCOPED_TRACE(stopOn);
        ProgressLog log;
        log.stopOn = stopOn;
        SoundFileObj file = Record(stereo);
        std::vector<SoundVariantObj> variants;
        std::string error = "stale";
        EXPECT_FALSE(
            AudioFileUtil::AnalyzeFile(file, variants, 1, error, &ProgressLog::Take, &log));
        EXPECT_EQ(error, "");
        EXPECT_EQ(log.calls.back().first, stopOn);
        EXPECT_TRUE(variants.empty());
    }
}

TEST_F(AnalyzeFileTest, TwoThreadsAnalysingAtOnceAgree) {
    struct Run {
        SoundFileObj file;
        std::vector<SoundVariantObj> variants;
        std::string error;
        bool ok = false;
    };
    Run runs[2];
    auto analyse = [](Run* run) {
        run->ok =
            AudioFileUtil::AnalyzeFile(run->file, run->variants, 1, run->error, nullptr, nullptr);
    };
    runs[0].file = Record(stereo);
    runs[1].file = Record(stereo);
    std::thread worker(analyse, &runs[0]);
    analyse(&runs[1]);
    worker.join();
    ASSERT_TRUE(runs[0].ok && runs[1].ok) << runs[0].error << runs[1].error;
    EXPECT_EQ(0, std::memcmp(runs[0].file.signature.bytes, runs[1].file.signature.bytes, 16));
    ASSERT_EQ(runs[0].variants.size(), runs[1].variants.size());
    for (std::size_t i = 0; i < runs[0].variants.size(); ++i) {
        SCOPED_TRACE(i);
        const SoundVariantObj& a = runs[0].variants[i];
        const SoundVariantObj& b = runs[1].variants[i];
        EXPECT_EQ(a.sampleRate, b.sampleRate);
        EXPECT_EQ(0, std::memcmp(a.signature.bytes, b.signature.bytes, 16));
        EXPECT_EQ(a.data, b.data);
    }
}

TEST_F(AnalyzeFileTest, ReadFileInfoTakesHeaderAndTrailingTags) {
    SoundFileObj file;
    ASSERT_TRUE(AudioFileUtil::ReadFileInfo(tagged, file)) << file.errorText;
    EXPECT_EQ(file.path, tagged);
    EXPECT_EQ(file.description, "Rain on tin");
    EXPECT_EQ(file.sampleRate, 8000);
    EXPECT_EQ(file.duration, 100);
    EXPECT_EQ(file.channels, 1);
    EXPECT_EQ(file.format, 1);
    EXPECT_EQ(file.compression, 17);
    EXPECT_EQ(file.size, static_cast<int>(std::filesystem::file_size(tagged)));
    EXPECT_EQ(file.errorText, "");

    SoundFileObj three;
    EXPECT_FALSE(AudioFileUtil::ReadFileInfo(threeChannels, three));
    EXPECT_EQ(three.errorText, "Currently, only mono and stereo files are supported");
    const std::string missing = folder->Path("absent.aif");
    SoundFileObj absent;
    EXPECT_FALSE(AudioFileUtil::ReadFileInfo(missing, absent));
    EXPECT_EQ(absent.errorText, "Could not read file '" + missing + "'");
    SoundFileObj garbage;
    EXPECT_FALSE(AudioFileUtil::ReadFileInfo(nonsense, garbage));
    EXPECT_NE(garbage.errorText, "");
}

TEST(AudioFileUtil, CheckFormatKeepsTheLastFailure) {
    struct Case {
        int bits, format, channels;
        const char* expected;
    } const cases[] = {
        {16, 1, 2, ""},
        {32, 4, 1, ""},
        {40, 1, 1, "Resolution must be 8, 16, 24 or 32 bits per sample"},
        {16, 5, 1, "Format must be Aiff, Au, or Wave"},
        {16, 0, 1, "Format must be Aiff, Au, or Wave"},
        {16, 3, 3, "Currently, only mono and stereo files are supported"},
        {64, 8, 2, "Format must be Aiff, Au, or Wave"},
        {64, 8, 6, "Currently, only mono and stereo files are supported"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits, format " << c.format << ", "
                                        << c.channels << " channels");
        CAP_AudioDecoder decoder(nullptr, 0, ".wav", false);
        decoder.bits = c.bits;
        decoder.fileFormat = c.format;
        decoder.channels = c.channels;
        std::string error = "stale";
        EXPECT_EQ(AudioFileUtil::CheckFormat(decoder, error), *c.expected == '\0');
        EXPECT_EQ(error, c.expected);
    }
}

TEST(AudioFileUtil, SupportedFilesByExtension) {
    struct Case {
        const char* path;
        bool supported;
    } const cases[] = {
        {"/s/a.wav", true},  {"/s/a.WAV", true},        {"/s/b.aif", true},
        {"/s/b.AIFF", true}, {"/s/b.aifc", true},       {"/s/c.au", true},
        {"/s/c.Snd", true},  {"/s/d.mp3", true},        {"/s/d.mp2", true},
        {"/s/d.MPEG", true}, {"/s/e.voc", false},       {"/s/e.mod", false},
        {"/s/e.mid", false}, {"/s/noextension", false}, {"/s/x.wav.bak", false},
        {"/s/.wav", true},   {"/s/wav", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(AudioFileUtil::IsSupportedFile(c.path), c.supported);
    }
}

TEST(AudioFileUtil, TimestampIsTheLocalTimeNow) {
    const std::time_t before = std::time(nullptr);
    const std::string stamp = AudioFileUtil::CurrentTimestamp();
    const std::time_t after = std::time(nullptr);
    ASSERT_TRUE(IsTimestamp(stamp)) << stamp;
    std::tm parts{};
    ASSERT_NE(strptime(stamp.c_str(), "%Y-%m-%d %H:%M:%S", &parts), nullptr);
    parts.tm_isdst = -1;
    const std::time_t when = std::mktime(&parts);
    EXPECT_GE(when, before);
    EXPECT_LE(when, after);
}

TEST(AudioFileUtil, FileNewerLooksAtWritingNotAtRenaming) {
    TempFolder folder;
    const std::string path = folder.Path("old.wav");
    WriteFileBytes(path, Text("x"));
    // Written long ago; the birth time (where kept) is now, before the index date below.
    const timespec times[2] = {{978307200, 0}, {978307200, 0}}; // 2001-01-01
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    const std::string indexed = AudioFileUtil::CurrentTimestamp();
    EXPECT_TRUE(AudioFileUtil::IsFileNewer(path, "1999-12-31 23:59:59"));
    EXPECT_FALSE(AudioFileUtil::IsFileNewer(path, "2999-01-01 00:00:00"));

    // A rename and a change of mode touch only the status-change time.
    const std::string renamed = folder.Path("renamed.wav");
    std::filesystem::rename(path, renamed);
    ASSERT_EQ(chmod(renamed.c_str(), 0640), 0);
    EXPECT_FALSE(AudioFileUtil::IsFileNewer(renamed, indexed));

    const timespec now[2] = {{0, UTIME_NOW}, {0, UTIME_NOW}};
    ASSERT_EQ(utimensat(AT_FDCWD, renamed.c_str(), now, 0), 0);
    EXPECT_TRUE(AudioFileUtil::IsFileNewer(renamed, "2001-01-02 00:00:00"));
    EXPECT_FALSE(AudioFileUtil::IsFileNewer(folder.Path("absent.wav"), "1999-12-31 23:59:59"));
}

TEST(AudioFileUtil, TempFileNamesAreFreshPrivateFiles) {
    const char* const extensions[] = {"", ".wav", ".au", ".aiff", ".mp3", ""};
    std::vector<std::string> made;
    for (int format = 0; format <= 5; ++format) {
        SCOPED_TRACE(format);
        for (int twice = 0; twice < 2; ++twice) {
            const std::string name = AudioFileUtil::TempFileName(format);
            ASSERT_FALSE(name.empty());
            const std::filesystem::path path(name);
            EXPECT_EQ(path.parent_path(), std::filesystem::temp_directory_path());
            EXPECT_EQ(path.filename().string().rfind("vr_", 0), 0u) << name;
            EXPECT_EQ(path.extension().string(), extensions[format]) << name;
            struct stat status {};
            ASSERT_EQ(stat(name.c_str(), &status), 0) << "the name is taken by the file itself";
            EXPECT_EQ(status.st_mode & 0777, 0600u);
            EXPECT_EQ(std::count(made.begin(), made.end(), name), 0);
            made.push_back(name);
        }
    }
    for (const std::string& name : made)
        std::filesystem::remove(name);
}

} // namespace

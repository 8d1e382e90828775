#include "audio/general_helpers.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct TimeTextCase {
    const char* text;
    double seconds;
};

TEST(GeneralHelpers, ParseTimeStringReadsFieldsFromTheRight) {
    const TimeTextCase cases[] = {
        {"90", 90.0},
        {"1:30", 90.0},
        {"1:02:03.5", 3723.5},
        {"1:2:3:4", 2 * 3600 + 3 * 60 + 4.0}, // fields left of the hours are ignored
        {"1::5", 3605.0},
        {":30", 30.0},
        {"2:", 120.0},
        {"1.6:00", 120.0}, // minutes are rounded to whole numbers
        {"0.4:10", 10.0},
        {" 1:30 ", 90.0},
        {"1..5", 1.0},
        {".", 0.0},
        {"", 0.0},
        {"1:3x", -1.0},
        {"-5", -1.0}, // a sign is not a digit
        {"x:5", -1.0},
        {"1:2:y:3", -1.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_DOUBLE_EQ(ParseTimeString(c.text), c.seconds);
    }
}

TEST(GeneralHelpers, ParseFieldsStopAtSeparatorsAndFlagBadCharacters) {
    struct Case {
        const char* text;
        double value;
        bool error;
        int rounded;
    };
    const Case cases[] = {
        {"12.5:7", 12.5, false, 13}, {"  3 4", 3.0, false, 3}, {"", 0.0, false, 0},
        {"2.5", 2.5, false, 3},      {"1.49", 1.49, false, 1}, {"1a", 0.0, true, 0},
        {"-1", 0.0, true, 0},        {"1e3", 0.0, true, 0},    {"7:x", 7.0, false, 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        bool error = !c.error;
        EXPECT_DOUBLE_EQ(ParseDecimalField(c.text, " :", error), c.value);
        EXPECT_EQ(error, c.error);
        error = !c.error;
        EXPECT_EQ(ParseRoundedField(c.text, " :", error), c.rounded);
        EXPECT_EQ(error, c.error);
    }
}

TEST(GeneralHelpers, ParseIntReadsTheFirstDecimalInteger) {
    const std::pair<const char*, int> cases[] = {
        {"42", 42},
        {"  -7x", -7},
        {"+3", 3},
        {"22050 Hz", 22050},
        {"abc", 0},
        {"", 0},
        {"- 5", 0},
        {"12 34", 12},
        {"99999999999", INT_MAX},
        {"-99999999999", INT_MIN},
    };
    for (const auto& [text, value] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(ParseInt(text), value);
    }
}

TEST(GeneralHelpers, FormatSecondsForms) {
    struct Case {
        double seconds;
        int decimals;
        bool minutesForm;
        bool hoursForm;
        const char* text;
    };
    const Case cases[] = {
        {5.4, 0, false, false, "5"},
        {12.5, 0, false, false, "13"}, // half away from zero
        {0.05, 2, false, false, "0.05"},
        {599, 0, true, false, "9:59"},
        {600, 0, true, false, "10:00"},
        {65.4321, 3, true, false, "1:05.432"},
        {59.9996, 3, true, false, "1:00.000"}, // rounding carries into the minutes
        {0, 3, true, false, "0:00.000"},
        {3725, 0, true, true, "1:02:05"},
        {3725, 0, false, true, "1:02:05"},
        {360000, 0, true, true, "100:00:00"},
        // An hour or more in the minutes form keeps its minutes by showing the hours.
        {3725, 0, true, false, "1:02:05"},
        {7384.5, 1, true, false, "2:03:04.5"},
        {3599.9999, 3, true, false, "1:00:00.000"},
        {-65.5, 1, true, false, "-1:05.5"},
        {-0.0001, 0, true, false, "0:00"},
        {1.5, 12, false, false, "1.500000000"}, // at most nine decimals
        {2.0, -1, false, false, "2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(FormatSeconds(c.seconds, c.decimals, c.minutesForm, c.hoursForm), c.text);
    }
}

TEST(GeneralHelpers, FormatThenParseRoundTrips) {
    for (double seconds : {0.0, 0.5, 59.999, 61.25, 599.125, 3600.0, 4000.75, 86399.5}) {
        SCOPED_TRACE(seconds);
        EXPECT_DOUBLE_EQ(ParseTimeString(FormatSeconds(seconds, 3)), seconds);
    }
}

TEST(GeneralHelpers, SemitonesAndRatios) {
    const std::pair<int, double> cases[] = {
        {0, 1.0}, {12, 2.0}, {-12, 0.5}, {24, 4.0}, {7, 1.4983070768766815},
    };
    for (const auto& [semitones, ratio] : cases) {
        SCOPED_TRACE(semitones);
        EXPECT_DOUBLE_EQ(HalftonesToRatio(semitones), ratio);
        EXPECT_EQ(RatioToHalftones(ratio), semitones);
    }
    for (int s = -24; s <= 24; ++s)
        EXPECT_EQ(RatioToHalftones(HalftonesToRatio(s)), s) << s;
    EXPECT_EQ(RatioToHalftones(1.5), 7);        // 7.02
    EXPECT_EQ(RatioToHalftones(1.0 / 1.5), -7); // rounds away from zero symmetrically
    EXPECT_EQ(RatioToHalftones(0.0), 0);
    EXPECT_EQ(RatioToHalftones(-2.0), 0);
}

TEST(GeneralHelpers, GetFileExtensionLooksAtTheLastTenCharacters) {
    const std::pair<const char*, const char*> cases[] = {
        {"archive.tar.gz", ".gz"},
        {"/music/Loops.WAV", ".WAV"},   // case kept
        {"/a/b.dir/file", ".dir/file"}, // a folder's dot within reach
        {"/a/b.folder/file", ""},       // the dot lies 11 characters from the end
        {"x.abcdefghi", ".abcdefghi"},
        {"x.abcdefghij", ""},
        {"noext", ""},
        {"", ""},
        {"file.", "."},
        // Ten characters, not ten bytes.
        {"x.\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9",
         ".\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9"},
    };
    for (const auto& [path, extension] : cases) {
        SCOPED_TRACE(path);
        EXPECT_EQ(GetFileExtension(path), extension);
    }
}

TEST(GeneralHelpers, RemoveAndInsertCharsInPlace) {
    std::string text = "abcdef";
    EXPECT_EQ(RemoveChars(text, 1, 2), 4u);
    EXPECT_EQ(text, "adef");
    EXPECT_EQ(RemoveChars(text, 9, 1), 4u); // beyond the text: unchanged
    EXPECT_EQ(text, "adef");
    EXPECT_EQ(RemoveChars(text, 2, 50), 2u); // count cut at the end
    EXPECT_EQ(text, "ad");
    EXPECT_EQ(InsertChars(text, "XYZ", 1), 3u);
    EXPECT_EQ(text, "aXYZd");
    EXPECT_EQ(InsertChars(text, "!", 99), 1u);
    EXPECT_EQ(text, "aXYZd!");
    EXPECT_EQ(InsertChars(text, "", 0), 0u);
    EXPECT_EQ(text, "aXYZd!");
}

class FileSizeTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ =
            std::filesystem::temp_directory_path() / ("tambrel-size-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string Path(const char* name) const { return (dir_ / name).string(); }

    std::filesystem::path dir_;
};

TEST_F(FileSizeTest, ReportsBytesAndZeroForWhatCannotBeRead) {
    std::ofstream(Path("empty.txt")).close();
    std::ofstream(Path("ten.txt")) << "0123456789";
    EXPECT_EQ(GetFileSize(Path("ten.txt")), 10);
    EXPECT_EQ(GetFileSize(Path("empty.txt")), 0);
    EXPECT_EQ(GetFileSize(Path("missing.wav")), 0);
    EXPECT_EQ(GetFileSize(dir_.string()), 0); // a folder has no size
    ASSERT_EQ(::mkfifo(Path("pipe").c_str(), 0600), 0);
    EXPECT_EQ(GetFileSize(Path("pipe")), 0); // and a pipe must not block
}

TEST_F(FileSizeTest, SizesBeyondTwoGigabytes) {
    constexpr std::int64_t size = (std::int64_t{3} << 30) + 7;
    std::filesystem::resize_file((std::ofstream(Path("big.raw")), Path("big.raw")), size);
    EXPECT_EQ(GetFileSize(Path("big.raw")), size);
    EXPECT_EQ(ClampFileSize32(size), INT32_MAX);
    EXPECT_EQ(ClampFileSize32(12345), 12345);
}

TEST(Allocation, BlocksAreUsableAndZeroFilled) {
    auto* zeros = static_cast<unsigned char*>(XCalloc(1000, 4));
    for (int i = 0; i < 4000; ++i)
        ASSERT_EQ(zeros[i], 0) << i;
    void* plain = XMalloc(64);
    std::memset(plain, 0xAB, 64);
    void* empty = XMalloc(0); // zero bytes: still a block of its own
    EXPECT_NE(empty, nullptr);
    XFree(empty);
    XFree(zeros);
    XFree(plain);
    XFree(nullptr);
}

void RecordingHook(const char* message) {
    std::fprintf(stderr, "hooked <%s>\n", message);
}

TEST(AllocationDeathTest, FailureShowsTheMessageAndEndsWithStatus255) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    volatile std::size_t huge = SIZE_MAX / 2;
    EXPECT_EXIT(XMalloc(huge), ::testing::ExitedWithCode(255),
                "ERROR: Unable to allocate memory\n");
    EXPECT_EXIT(XCalloc(huge, 4), ::testing::ExitedWithCode(255), // size overflows
                "ERROR: Unable to allocate memory");
    EXPECT_EXIT(
        {
            SetAllocationFailureHook(&RecordingHook);
            XMalloc(huge);
        },
        ::testing::ExitedWithCode(255), "hooked <ERROR: Unable to allocate memory>");
}

TEST(Allocation, HookCanBeReplacedAndRestored) {
    AllocationFailureHook previous = SetAllocationFailureHook(&RecordingHook);
    EXPECT_NE(previous, nullptr);
    EXPECT_EQ(SetAllocationFailureHook(nullptr), &RecordingHook);
    EXPECT_EQ(SetAllocationFailureHook(nullptr), previous); // null put the default back
}

} // namespace

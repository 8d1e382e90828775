#include "app/app_util.h"
#include "fake_ui_seams.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;

TEST(ParseIntList, ReadsBlankSeparatedWordsUpToTheMaximum) {
    struct Case {
        const char* text;
        int maxCount;
        std::vector<int> values;
    };
    const Case cases[] = {
        {"  3 10  7", 2, {3, 10}},
        {"  3 10  7", 5, {3, 10, 7}},
        {"", 4, {}},
        {"   ", 4, {}},
        {"-4 +5 0", 4, {-4, 5, 0}},
        {"1\t2\n3", 4, {1, 2, 3}},
        {"12abc 4", 4, {12, 4}}, // the number at the start of a word counts
        {"1 x 3", 4, {1}},       // a word without a number ends the list
        {"7 8", 0, {}},
        {"99999999999 -99999999999", 2, {2147483647, -2147483647 - 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        int values[8] = {};
        int n = AppUtil::ParseIntList(c.text, values, c.maxCount);
        EXPECT_EQ(std::vector<int>(values, values + n), c.values);
    }
}

TEST(FormatIntList, OneBlankBetweenAndRoundTrips) {
    const int values[] = {5, -1, 0, 120};
    EXPECT_EQ(AppUtil::FormatIntList(values, 0), "");
    EXPECT_EQ(AppUtil::FormatIntList(values, 1), "5");
    EXPECT_EQ(AppUtil::FormatIntList(values, 4), "5 -1 0 120");
    int back[4] = {};
    ASSERT_EQ(AppUtil::ParseIntList(AppUtil::FormatIntList(values, 4), back, 4), 4);
    EXPECT_TRUE(std::equal(values, values + 4, back));
}

TEST(DecodePercentEscapes, TwoHexDigitsBecomeOneByte) {
    struct Case {
        const char* in;
        std::string out;
    };
    const Case cases[] = {
        {"a%20b", "a b"},
        {"%41%6a%4A", "AjJ"},
        {"100%", "100%"},
        {"x%4", "x%4"},
        {"%zz%2", "%zz%2"},
        {"%%41", "%A"},
        {"%2541", "%41"}, // decoded once, not again
        {"%00end", std::string("\0end", 4)},
        {"caf%C3%A9", "caf\xC3\xA9"},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        std::string text = c.in;
        AppUtil::DecodePercentEscapes(text);
        EXPECT_EQ(text, c.out);
    }
}

TEST(Clipboard, TextRoundTrips) {
    ASSERT_TRUE(AppUtil::CopyTextToClipboard("Hüpfen\nzwei"));
    std::string text = "old";
    ASSERT_TRUE(AppUtil::PasteTextFromClipboard(text));
    EXPECT_EQ(text, "Hüpfen\nzwei");
}

TEST(FileDialogs, MetadataAndAudioDialogsAskWithTheirFilters) {
    FakeUiSeams seams;
    const std::string chosen = "/home/u/export.tmi";
    seams.dialogAnswer = &chosen;

    std::string path;
    ASSERT_TRUE(AppUtil::AskSaveMetadataFile(nullptr, path));
    EXPECT_EQ(path, chosen);
    const auto& save = seams.dialogs.back();
    EXPECT_TRUE(save.save);
    EXPECT_TRUE(save.overwritePrompt);
    EXPECT_EQ(save.defaultExtension, "tmi");
    ASSERT_EQ(save.filters.size(), 1u);
    EXPECT_EQ(save.filters[0].description, "Tambrel metadata import file");
    EXPECT_EQ(save.filters[0].patterns, "*.tmi");

    path = "/start/name.tmi";
    ASSERT_TRUE(AppUtil::AskOpenMetadataFile(nullptr, path));
    EXPECT_FALSE(seams.dialogs.back().save);
    EXPECT_EQ(seams.dialogs.back().path, "/start/name.tmi");

    path = "/start/a.wav";
    ASSERT_TRUE(AppUtil::AskOpenAudioFile(nullptr, path, true));
    const auto& audio = seams.dialogs.back();
    EXPECT_EQ(audio.path, "/start/a.wav");
    EXPECT_TRUE(audio.defaultExtension.empty());
    ASSERT_EQ(audio.filters.size(), 6u);
    EXPECT_EQ(audio.filters[0].description, "Supported audio files");
    EXPECT_EQ(audio.filters[0].patterns,
              "*.aif;*.aiff;*.aifc;*.au;*.snd;*.mpeg;*.mp2;*.mp3;*.mpg;*.wav");
    EXPECT_EQ(audio.filters[4].description, "Microsoft WAVE (*.wav)");
    EXPECT_EQ(audio.filters[5].patterns, "*.*");

    ASSERT_TRUE(AppUtil::AskOpenAudioFile(nullptr, path, false));
    ASSERT_EQ(seams.dialogs.back().filters.size(), 1u);
    EXPECT_EQ(seams.dialogs.back().filters[0].description, "All Files (*.*)");
}

TEST(FileDialogs, CancelLeavesThePath) {
    FakeUiSeams seams;
    std::string path = "/keep/me.wav";
    EXPECT_FALSE(AppUtil::AskOpenAudioFile(nullptr, path, true));
    EXPECT_FALSE(AppUtil::AskSaveMetadataFile(nullptr, path));
    EXPECT_EQ(path, "/keep/me.wav");
}

TEST(QtNameFilters, DescriptionThenPatternsInParentheses) {
    struct Case {
        const char* description;
        const char* patterns;
        const char* expected;
    };
    const Case cases[] = {
        // The description's own list differs (no .aiff): the real patterns follow it.
        {"Apple AIFF (*.aif,*.aifc)", "*.aif;*.aiff;*.aifc",
         "Apple AIFF (*.aif,*.aifc) (*.aif *.aiff *.aifc)"},
        // The same patterns are never shown twice.
        {"WAVE (Microsoft) (*.wav)", "*.wav", "WAVE (Microsoft) (*.wav)"},
        // ... and a comma-separated list becomes one the dialog splits.
        {"Macintosh AIFF (*.aif,*.aiff)", "*.aif; *.aiff", "Macintosh AIFF (*.aif *.aiff)"},
        {"Sun (Java) File (*.au,*.snd)", "*.au; *.snd", "Sun (Java) File (*.au *.snd)"},
        {"Sun", "*.au; *.snd", "Sun (*.au *.snd)"},
        {"All Files (*.*)", "*.*", "All Files (*.*)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(QtNameFilters({{c.description, c.patterns}}), std::vector<std::string>{c.expected});
}

class TempTree : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() /
               ("tambrel-scan-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root);
    }
    void TearDown() override { fs::remove_all(root); }
    void Touch(const fs::path& p) {
        fs::create_directories(p.parent_path());
        std::ofstream(p) << "x";
    }
    fs::path root;
};

using ScanFolder = TempTree;

static bool EndsInWav(const std::string& path) {
    return path.size() > 4 && path.compare(path.size() - 4, 4, ".wav") == 0;
}

TEST_F(ScanFolder, SymbolicLinkLoopEndsAndEachFileComesOnce) {
    Touch(root / "a.wav");
    Touch(root / "notes.txt");
    Touch(root / "sub" / "b.wav");
    Touch(root / "sub" / "deeper" / "c.wav");
    fs::create_directory_symlink(root, root / "sub" / "loop");       // back to the top
    fs::create_directory_symlink(root / "sub", root / "sub-again");  // a second way in
    fs::create_symlink(root / "missing.wav", root / "dangling.wav"); // points nowhere
    fs::create_symlink(root / "a.wav", root / "alias.wav");          // a link to a file

    std::string folder = root.string() + "/";
    std::vector<std::string> list = {folder + "a.wav"}; // already listed: not again
    AppUtil::ScanFolderFor(EndsInWav, folder, list, nullptr, nullptr);

    std::vector<std::string> expected = {folder + "a.wav", folder + "alias.wav",
                                         folder + "sub/b.wav", folder + "sub/deeper/c.wav"};
    std::sort(list.begin(), list.end());
    EXPECT_EQ(list, expected);
}

TEST_F(ScanFolder, StopFlagEndsTheScanAndAFolderWithoutSlashWorks) {
    for (int i = 0; i < 20; ++i)
        Touch(root / std::to_string(i) / "x.wav");
    bool stop = false;
    int seen = 0;
    auto acceptThenStop = [&](const std::string& path) {
        if (++seen == 3)
            stop = true;
        return EndsInWav(path);
    };
    std::vector<std::string> list;
    AppUtil::ScanFolderFor(acceptThenStop, root.string(), list, &stop, nullptr);
    EXPECT_EQ(list.size(), 3u);
    EXPECT_EQ(fs::path(list[0]).parent_path().parent_path(), root);

    std::vector<std::string> none;
    AppUtil::ScanFolderFor(EndsInWav, (root / "absent").string(), none, nullptr, nullptr);
    EXPECT_TRUE(none.empty());
}

using ResolveShortcut = TempTree;

TEST_F(ResolveShortcut, LinksResolveOtherPathsStayAsTheyAre) {
    Touch(root / "real" / "s.wav");
    fs::create_symlink(root / "real" / "s.wav", root / "link.wav");
    fs::create_symlink(root / "link.wav", root / "chain.wav");
    fs::create_symlink(root / "gone.wav", root / "dangling.wav");
    std::string target = fs::canonical(root / "real" / "s.wav").string();

    struct Case {
        fs::path path;
        bool ok;
        std::string result;
    };
    const Case cases[] = {
        {root / "link.wav", true, target},
        {root / "chain.wav", true, target},
        {root / "real" / "s.wav", false, (root / "real" / "s.wav").string()},
        {root / "dangling.wav", false, (root / "dangling.wav").string()},
        {root / "nothing.wav", false, (root / "nothing.wav").string()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.string());
        std::string result = "stale";
        EXPECT_EQ(AppUtil::ResolveShortcut(c.path.string(), result), c.ok);
        EXPECT_EQ(result, c.result);
    }
}

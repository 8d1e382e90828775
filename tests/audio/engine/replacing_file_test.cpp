#include "audio/engine/replacing_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "tests/support/sox_files.h"

namespace {

std::string Text(const std::string& path) {
    const auto bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

void WriteText(const std::string& path, const std::string& text) {
    WriteFileBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::size_t FilesIn(const TempFolder& folder) {
    const std::filesystem::path dir = std::filesystem::path(folder.Path("x")).parent_path();
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir)) {
        ++n;
    }
    return n;
}

TEST(ReplacingFileTest, CommitReplacesTheTargetAndKeepsItsPermissions) {
    TempFolder folder;
    const std::string path = folder.Path("take.wav");
    WriteText(path, "old sound");
    chmod(path.c_str(), 0640);
    {
        ReplacingFile file;
        ASSERT_TRUE(file.Open(path));
        file.Stream() << "new";
        // Until the commit the target is untouched.
        EXPECT_EQ(Text(path), "old sound");
        ASSERT_TRUE(file.Commit());
    }
    EXPECT_EQ(Text(path), "new");
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(FilesIn(folder), 1u);
}

TEST(ReplacingFileTest, ASaveThatIsNotCommittedLeavesTheTargetAsItWas) {
    TempFolder folder;
    const std::string path = folder.Path("take.wav");
    WriteText(path, "old sound");
    {
        ReplacingFile file;
        ASSERT_TRUE(file.Open(path));
        file.Stream() << "half a sa";
    }
    EXPECT_EQ(Text(path), "old sound");
    EXPECT_EQ(FilesIn(folder), 1u);

    // A stream that failed is not committed either.
    ReplacingFile file;
    ASSERT_TRUE(file.Open(path));
    file.Stream() << "broken";
    file.Stream().setstate(std::ios_base::badbit);
    EXPECT_FALSE(file.Commit());
    EXPECT_EQ(Text(path), "old sound");
    EXPECT_EQ(FilesIn(folder), 1u);
}

TEST(ReplacingFileTest, ANewFileAndAFileReachedThroughALink) {
    TempFolder folder;
    const std::string fresh = folder.Path("fresh.aif");
    {
        ReplacingFile file;
        ASSERT_TRUE(file.Open(fresh));
        file.Stream() << "first";
        ASSERT_TRUE(file.Commit());
    }
    EXPECT_EQ(Text(fresh), "first");

    // Saving through a link replaces the file it points to and keeps the link.
    const std::string link = folder.Path("link.aif");
    std::filesystem::create_symlink(fresh, link);
    {
        ReplacingFile file;
        ASSERT_TRUE(file.Open(link));
        file.Stream() << "second";
        ASSERT_TRUE(file.Commit());
    }
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(Text(fresh), "second");
}

TEST(ReplacingFileTest, PathsThatCannotBeWrittenAreRefusedAtOpen) {
    TempFolder folder;
    ReplacingFile file;
    EXPECT_FALSE(file.Open(folder.Path("missing/take.wav")));
    EXPECT_FALSE(file.Open(folder.Path("")));
    EXPECT_FALSE(file.Open(""));
    EXPECT_FALSE(file.Commit());
    EXPECT_EQ(FilesIn(folder), 0u);
}

} // namespace

#include "audio/file_buffer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/sox_files.h"

namespace {

class FileBufferTest : public ::testing::Test {
protected:
    std::string Path(const char* name) const { return folder.Path(name); }

    TempFolder folder;
    std::vector<char> storage = std::vector<char>(512);
};

TEST_F(FileBufferTest, WritesThenReadsBackWithSeeksAndShortReads) {
    const std::string path = Path("ten.bin");
    {
        CUP_FileBuffer buffer(storage.data(), static_cast<int>(storage.size()));
        ASSERT_TRUE(buffer.Open(path.c_str(), std::ios::out | std::ios::binary));
        std::ostream out(&buffer);
        out.write("0123456789", 10);
        out.put('!');
        // A writer goes back to patch what it wrote.
        out.seekp(2);
        EXPECT_EQ(out.tellp(), 2);
        out.write("AB", 2);
        out.seekp(0, std::ios::end);
        EXPECT_EQ(out.tellp(), 11);
        ASSERT_TRUE(out.good());
    }
    CUP_FileBuffer buffer(storage.data(), static_cast<int>(storage.size()));
    ASSERT_TRUE(buffer.Open(path.c_str(), std::ios::in | std::ios::binary));
    std::istream in(&buffer);

    EXPECT_EQ(in.peek(), '0'); // does not consume
    EXPECT_EQ(in.get(), '0');
    EXPECT_EQ(in.tellg(), 1);
    EXPECT_EQ(in.tellg(), 1); // current, offset 0: the position, unchanged

    in.seekg(-3, std::ios::end);
    char tail[8] = {};
    in.read(tail, 8);
    EXPECT_EQ(in.gcount(), 3);
    EXPECT_EQ(std::string(tail, 3), "89!");
    EXPECT_TRUE(in.eof());

    in.clear();
    in.seekg(4);
    char middle[3] = {};
    in.read(middle, 3);
    EXPECT_EQ(std::string(middle, 3), "456");
    in.seekg(0);
    char head[4] = {};
    in.read(head, 4);
    EXPECT_EQ(std::string(head, 4), "01AB");
    in.seekg(7);
    in.seekg(2, std::ios::cur);
    EXPECT_EQ(in.get(), '9');
}

TEST_F(FileBufferTest, MissingFileDoesNotOpen) {
    CUP_FileBuffer buffer(storage.data(), static_cast<int>(storage.size()));
    EXPECT_FALSE(buffer.Open(Path("missing.wav").c_str(), std::ios::in | std::ios::binary));
    EXPECT_FALSE(buffer.IsOpen());
    std::istream in(&buffer);
    EXPECT_EQ(in.get(), std::char_traits<char>::eof());
}

TEST_F(FileBufferTest, FailedSeekReportsFailure) {
    const std::string path = Path("one.bin");
    std::ofstream(path) << "x";
    CUP_FileBuffer buffer(nullptr, 0);
    ASSERT_TRUE(buffer.Open(path.c_str(), std::ios::in | std::ios::binary));
    EXPECT_TRUE(buffer.IsOpen());
    EXPECT_EQ(buffer.pubseekoff(-5, std::ios::beg), std::streampos(-1));
    std::istream in(&buffer);
    in.seekg(-5, std::ios::cur);
    EXPECT_TRUE(in.fail());
}

} // namespace

#include "collection/db/metadata_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

struct ReadCase {
    const char* name;
    std::string text;
    const char* error; // null when the file reads
    int records;
};

class MetadataReadTest : public testing::TestWithParam<ReadCase> {};

TEST_P(MetadataReadTest, ReadsOrRefusesTheFile) {
    const ReadCase& c = GetParam();
    DB_metadata_list list;
    DB_error error = DB_read_metadata_text(c.text, list);
    if (c.error) {
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(*error, c.error);
        EXPECT_EQ(list.count(), 0);
    } else {
        EXPECT_FALSE(error.has_value()) << *error;
        EXPECT_EQ(list.count(), c.records);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, MetadataReadTest,
    testing::Values(
        ReadCase{"Header", "TAMBREL METADATA\n\nFILENAME /a.wav\n", nullptr, 1},
        ReadCase{"HeaderInSmallLetters", "\n  \ntambrel metadata\nfilename /a.wav\n", nullptr, 1},
        ReadCase{"HeaderWithThirdWord", "TAMBREL METADATA v2\nFILENAME /a.wav\n",
                 "not a metadata file", 0},
        ReadCase{"NoHeader", "FILENAME /a.wav\n", "not a metadata file", 0},
        ReadCase{"Empty", "", "not a metadata file", 0},
        ReadCase{"EmptyFileName", "TAMBREL METADATA\nFILENAME /a.wav\nFILENAME\n",
                 "filename missing from metadata", 0},
        ReadCase{"FieldBeforeFirstFile", "TAMBREL METADATA\nCATEGORY Dogs\nFILENAME /a.wav\n",
                 "filename missing from metadata", 0},
        ReadCase{"UnknownKeyBeforeFirstFile",
                 "TAMBREL METADATA\nCOMMENT made by hand\nFILENAME /a.wav\n", nullptr, 1},
        ReadCase{"NoRecords", "TAMBREL METADATA\n\n", nullptr, 0},
        ReadCase{"CrLf", "TAMBREL METADATA\r\n\r\nFILENAME /a.wav\r\nFILENAME /b.wav\r\n",
                 nullptr, 2}),
    [](const testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

DB_metadata_rec ReadOne(const std::string& body) {
    DB_metadata_list list;
    DB_error error = DB_read_metadata_text("TAMBREL METADATA\nFILENAME /s.wav\n" + body, list);
    EXPECT_FALSE(error.has_value());
    EXPECT_EQ(list.count(), 1);
    return list.head() ? *list.head() : DB_metadata_rec{};
}

TEST(MetadataRead, FieldValuesFollowTheirRules) {
    struct Case {
        const char* line;
        int tempo, key, loop, supercat;
    };
    const Case cases[] = {
        {"TEMPO 120", 120, 13, 2, 3},       {"TEMPO 120bpm", -1, 13, 2, 3},
        {"TEMPO -5", -1, 13, 2, 3},         {"TEMPO 0", -1, 13, 2, 3},
        {"TEMPO", -1, 13, 2, 3},            {"TEMPO 99999999999999999999", -1, 13, 2, 3},
        {"KEY c#", -1, 5, 2, 3},            {"KEY H", -1, 13, 2, 3},
        {"LOOP yes", -1, 13, 1, 3},         {"LOOP NO", -1, 13, 2, 3},
        {"CLASS effects", -1, 13, 2, 1},    {"CLASS Instrument", -1, 13, 2, 2},
        {"CLASS noise", -1, 13, 2, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        DB_metadata_rec rec = ReadOne(std::string(c.line) + "\n");
        EXPECT_EQ(rec.tempo, c.tempo);
        EXPECT_EQ(rec.key, c.key);
        EXPECT_EQ(rec.loop, c.loop);
        EXPECT_EQ(rec.supercat, c.supercat);
    }
}

TEST(MetadataRead, TextsKeepInnerBlanksAndRecordsStartFresh) {
    DB_metadata_list list;
    ASSERT_FALSE(DB_read_metadata_text("TAMBREL METADATA\n"
                                       "FILENAME /one.wav\n"
                                       "CATEGORY\tDogs  \n"
                                       "NOTES   two  words \n"
                                       "SOURCE field recording\n"
                                       "TEMPO 90\n"
                                       "NOTES later wins\n"
                                       "FILENAME /two.wav\n"
                                       "SUBCATEGORY Barks\n",
                                       list));
    ASSERT_EQ(list.count(), 2);
    const DB_metadata_rec& one = *list.head();
    EXPECT_EQ(one.category, "Dogs");
    EXPECT_EQ(one.notes, "later wins");
    EXPECT_EQ(one.source, "field recording");
    const DB_metadata_rec& two = *list.tail();
    EXPECT_EQ(two.fileName, "/two.wav");
    EXPECT_EQ(two.tempo, -1) << "a record must not keep the previous record's fields";
    EXPECT_TRUE(two.notes.empty());
    // A sub-category without its category is dropped.
    EXPECT_TRUE(two.subcategory.empty());
}

TEST(MetadataRead, Utf8AndWindows1252FilesGiveTheSamePaths) {
    DB_metadata_rec utf8 = ReadOne("NOTES caf\xC3\xA9 \xE2\x82\xAC\n");
    EXPECT_EQ(utf8.notes, "caf\xC3\xA9 \xE2\x82\xAC");

    DB_metadata_list list;
    // "/à.wav" written in Windows-1252; byte 0x80 is outside the letters and becomes a blank.
    ASSERT_FALSE(DB_read_metadata_text("TAMBREL METADATA\nFILENAME /\xE0.wav\nNOTES a\x80z\n", list));
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(list.head()->fileName, "/\xC3\xA0.wav");
    EXPECT_EQ(list.head()->notes, "a z");
}

TEST(MetadataRead, LongLinesStayWhole) {
    const std::string path = "/" + std::string(5000, 'p') + ".wav";
    DB_metadata_list list;
    ASSERT_FALSE(DB_read_metadata_text("TAMBREL METADATA\nFILENAME " + path + "\nGENRE Rock\n", list));
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(list.head()->fileName, path);
    EXPECT_EQ(list.head()->genre, "Rock");
}

TEST(MetadataRead, AMissingFileCannotBeOpened) {
    DB_metadata_list list;
    DB_error error = DB_read_metadata_file("/nonexistent/folder/x.tmi", list);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(*error, "unable to open metadata file");
}

TEST(MetadataWrite, BlocksWriteInOrderAndLineBreaksCannotInjectKeys) {
    MetadataBlock block;
    block.path = "/sounds/dog.wav";
    block.supercat = 1;
    block.category = "Animals";
    block.subcategory = "Dogs";
    block.genre = "Nature";
    block.description = "bark";
    block.notes = "line one\nFILENAME /etc/passwd\r\nline three";
    block.copyright = "me";
    block.link = "http://example.invalid/";
    block.key = 5;
    block.loop = 1;
    block.tempo = 120;
    std::ostringstream out;
    EXPECT_TRUE(WriteMetadataBlock(out, block));
    EXPECT_EQ(out.str(), "FILENAME /sounds/dog.wav\n"
                         "CLASS EFFECT\n"
                         "CATEGORY Animals\n"
                         "SUBCATEGORY Dogs\n"
                         "GENRE Nature\n"
                         "DESCRIPTION bark\n"
                         "NOTES line one FILENAME /etc/passwd  line three\n"
                         "COPYRIGHT me\n"
                         "LINK http://example.invalid/\n"
                         "KEY C#\n"
                         "LOOP YES\n"
                         "TEMPO 120\n"
                         "\n");

    MetadataBlock other;
    other.path = "/sounds/other.wav"; // class 3, no texts, unknown key, no loop, no tempo
    std::ostringstream plain;
    EXPECT_TRUE(WriteMetadataBlock(plain, other));
    EXPECT_EQ(plain.str(), "FILENAME /sounds/other.wav\n\n");

    MetadataBlock broken;
    broken.path = "/sounds/a\nFILENAME /b.wav";
    std::ostringstream none;
    EXPECT_FALSE(WriteMetadataBlock(none, broken));
    EXPECT_TRUE(none.str().empty());
}

} // namespace

#include "collection/db/metadata_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "collection/db/utf8_text.h"

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

TEST(MetadataRead, EachLineIsDecodedOnItsOwn) {
    // One file name in Latin-1 among UTF-8 lines: the UTF-8 lines keep their letters.
    DB_metadata_list list;
    ASSERT_FALSE(DB_read_metadata_text("TAMBREL METADATA\n\n"
                                       "FILENAME /Stra\xC3\x9F" "e.wav\n"
                                       "NOTES \xE2\x82\xAC 5\n\n"
                                       "FILENAME /caf\xE9.wav\n"
                                       "NOTES na\xC3\xAFve\n\n",
                                       list));
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.head()->fileName, "/Stra\xC3\x9F" "e.wav");
    EXPECT_EQ(list.head()->notes, "\xE2\x82\xAC 5");
    EXPECT_EQ(list.tail()->fileName, "/caf\xC3\xA9.wav");
    EXPECT_EQ(list.tail()->notes, "na\xC3\xAFve");
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

TEST(MetadataWrite, PathsThatWouldReadBackAsAnotherPathAreLeftOut) {
    struct Case {
        const char* name;
        std::string path;
        bool written;
    };
    const Case cases[] = {
        {"plain", "/s/dog.wav", true},
        {"inner blanks", "/s/two  dogs.wav", true},
        {"UTF-8 letters", "/Stra\xC3\x9F" "e/\xE2\x82\xAC \xE4\xB8\xAD.wav", true},
        {"empty", "", false},
        {"blanks only", "   ", false},
        {"trailing blank", "/s/dog.wav ", false},
        {"leading blank", " /s/dog.wav", false},
        {"tab", "/s/a\tb.wav", false},
        {"line break", "/s/a\nFILENAME /b.wav", false},
        {"carriage return", "/s/a\r.wav", false},
        {"control 0x01", "/s/a\x01.wav", false},
        {"delete 0x7F", "/s/a\x7F.wav", false},
        {"next line U+0085", "/s/a\xC2\x85.wav", false},
        {"no-break space", "/s/a\xC2\xA0" "b.wav", false},
        {"Latin-1 byte", "/s/caf\xE9.wav", false},
        {"NUL", std::string("/s/a\0b.wav", 10), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MetadataBlock block;
        block.path = c.path;
        block.description = "kept";
        std::ostringstream out;
        EXPECT_EQ(WriteMetadataBlock(out, block), c.written);
        if (!c.written) {
            EXPECT_TRUE(out.str().empty());
            continue;
        }
        DB_metadata_list list;
        ASSERT_FALSE(DB_read_metadata_text(kMetadataHeader + out.str(), list));
        ASSERT_EQ(list.count(), 1);
        EXPECT_EQ(list.head()->fileName, c.path);
        EXPECT_EQ(list.head()->description, "kept");
    }
}

// What the format can carry of a value, worked out from its rules rather than from the
// writer: a line is UTF-8 when it is valid UTF-8, else Windows-1252 (161-255 the same letters
// as Latin-1); characters below 32 and from 127 to 160 read as blanks; blanks at the ends go.
std::string Carried(const std::string& value) {
    std::string line;
    bool utf8 = true;
    for (size_t pos = 0; pos < value.size();) {
        size_t length;
        bool valid;
        DecodeUtf8(value, pos, &length, &valid);
        utf8 = utf8 && valid;
        pos += length;
    }
    for (size_t pos = 0; pos < value.size();) {
        size_t length = 1;
        bool valid = true;
        char32_t cp = static_cast<unsigned char>(value[pos]);
        if (utf8) {
            cp = DecodeUtf8(value, pos, &length, &valid);
        }
        if (cp < 32 || (cp >= 127 && cp <= 160)) {
            line += ' ';
        } else if (utf8 || cp < 128) {
            line += value.substr(pos, length);
        } else {
            line += static_cast<char>(0xC0 | (cp >> 6));
            line += static_cast<char>(0x80 | (cp & 0x3F));
        }
        pos += length;
    }
    const size_t begin = line.find_first_not_of(' ');
    return begin == std::string::npos ? std::string()
                                      : line.substr(begin, line.find_last_not_of(' ') + 1 - begin);
}

std::string WriteAll(const DB_metadata_list& list) {
    std::ostringstream out;
    out << kMetadataHeader;
    for (const DB_metadata_rec* rec = list.head(); rec; rec = rec->next) {
        MetadataBlock block;
        block.path = rec->fileName;
        block.supercat = rec->supercat;
        block.category = rec->category;
        block.subcategory = rec->subcategory;
        block.genre = rec->genre;
        block.description = rec->description;
        block.notes = rec->notes;
        block.copyright = rec->copyright;
        block.link = rec->link;
        block.key = rec->key;
        block.loop = rec->loop;
        block.tempo = rec->tempo;
        EXPECT_TRUE(WriteMetadataBlock(out, block)) << rec->fileName;
    }
    return out.str();
}

TEST(MetadataWrite, EveryWrittenBlockReadsBackAsWrittenForHostilePathsAndTexts) {
    // Every string of up to three hostile pieces.
    const std::string pieces[] = {"a",        " ",        "\t",          "\x01",
                                  "\x7F",     "\xC2\x85",  "\xC2\xA0",     "\n",
                                  "\r\n",     "\xE9",      "\xC3\xA9",     "\xE2\x82\xAC",
                                  "\x80",     "\xFF",      std::string(1, '\0'), "FILENAME /x",
                                  "/"};
    std::vector<std::string> hostile = {""};
    for (size_t from = 0, length = 0; length < 3; ++length) {
        const size_t to = hostile.size();
        for (size_t i = from; i < to; ++i) {
            for (const std::string& piece : pieces) {
                hostile.push_back(hostile[i] + piece);
            }
        }
        from = to;
    }
    const size_t n = hostile.size();

    std::ostringstream out;
    out << kMetadataHeader;
    std::vector<MetadataBlock> written;
    int leftOut = 0;
    for (size_t i = 0; i < n; ++i) {
        MetadataBlock block;
        block.path = hostile[i];
        block.supercat = static_cast<int32_t>(i % 4);
        block.category = hostile[(i * 7 + 1) % n];
        block.subcategory = hostile[(i * 11 + 2) % n];
        block.genre = hostile[(i * 13 + 3) % n];
        block.description = hostile[(i * 17 + 4) % n];
        block.notes = hostile[(i * 19 + 5) % n];
        block.copyright = hostile[(i * 23 + 6) % n];
        block.link = hostile[(i * 29 + 7) % n];
        block.key = static_cast<int32_t>(i % 14);
        block.loop = static_cast<int32_t>(i % 3);
        block.tempo = i % 5 == 0 ? -1 : static_cast<int32_t>(i);
        const bool carried = !block.path.empty() && Carried(block.path) == block.path;
        ASSERT_EQ(WriteMetadataBlock(out, block), carried) << "path #" << i;
        if (carried) {
            written.push_back(block);
        } else {
            ++leftOut;
        }
    }
    ASSERT_GT(leftOut, 0);
    ASSERT_GT(written.size(), 100u);

    DB_metadata_list list;
    DB_error error = DB_read_metadata_text(out.str(), list);
    ASSERT_FALSE(error.has_value()) << *error;
    ASSERT_EQ(list.count(), static_cast<int>(written.size()));
    size_t k = 0;
    for (const DB_metadata_rec* rec = list.head(); rec; rec = rec->next, ++k) {
        const MetadataBlock& block = written[k];
        SCOPED_TRACE("block #" + std::to_string(k));
        ASSERT_EQ(rec->fileName, block.path);
        EXPECT_EQ(rec->supercat, block.supercat == 1 || block.supercat == 2 ? block.supercat : 3);
        const std::string category = Carried(block.category);
        EXPECT_EQ(rec->category, category);
        EXPECT_EQ(rec->subcategory, category.empty() ? "" : Carried(block.subcategory));
        EXPECT_EQ(rec->genre, Carried(block.genre));
        EXPECT_EQ(rec->description, Carried(block.description));
        EXPECT_EQ(rec->notes, Carried(block.notes));
        EXPECT_EQ(rec->copyright, Carried(block.copyright));
        EXPECT_EQ(rec->link, Carried(block.link));
        EXPECT_TRUE(rec->source.empty());
        EXPECT_EQ(rec->key, block.key >= 1 && block.key <= 12 ? block.key : 13);
        EXPECT_EQ(rec->loop, block.loop == 1 ? 1 : 2);
        EXPECT_EQ(rec->tempo, block.tempo > 0 ? block.tempo : -1);
        if (HasFailure()) {
            break; // one block tells the fault; thousands more only bury it
        }
    }
    // What was read writes out as a file that reads back the same again.
    const std::string again = WriteAll(list);
    DB_metadata_list reread;
    ASSERT_FALSE(DB_read_metadata_text(again, reread));
    EXPECT_EQ(WriteAll(reread), again);
}

} // namespace

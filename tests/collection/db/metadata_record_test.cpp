#include <gtest/gtest.h>

#include <functional>

#include "collection/db/metadata_record.h"

TEST(MetadataLine, SplitsKeywordAndValue) {
    struct Case {
        const char* line;
        bool field;
        const char* keyword;
        const char* value;
    };
    const Case cases[] = {
        {"CATEGORY Animals", true, "CATEGORY", "Animals"},
        {"  Notes \t  two  words   here \r\n", true, "Notes", "two  words   here"},
        {"LOOP", true, "LOOP", ""},
        {"LOOP    ", true, "LOOP", ""},
        {"\t\r\n", false, "", ""},
        {"", false, "", ""},
        {"GENRE Caf\xC3\xA9 \xE6\x97\xA5", true, "GENRE", "Caf\xC3\xA9 \xE6\x97\xA5"},
        // A no-break space and a C1 control are blanks; a broken byte is one too.
        {"SOURCE\xC2\xA0"
         "field\xC2\x85rec\xFF",
         true, "SOURCE", "field rec"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::string keyword = "old", value = "old";
        ASSERT_EQ(DB_metadata_split_line(c.line, &keyword, &value), c.field);
        if (c.field) {
            EXPECT_EQ(keyword, c.keyword);
            EXPECT_EQ(value, c.value);
        }
    }
}

TEST(MetadataLine, SetsTheFieldTheKeywordNames) {
    struct Case {
        const char* keyword;
        const char* value;
        std::function<bool(const DB_metadata_rec&)> check;
    };
    const Case cases[] = {
        {"class", "effects", [](const auto& r) { return r.supercat == 1; }},
        {"CLASS", "Instrument", [](const auto& r) { return r.supercat == 2; }},
        {"CLASS", "drums", [](const auto& r) { return r.supercat == 3; }},
        {"key", "g#", [](const auto& r) { return r.key == 12; }},
        {"KEY", "A", [](const auto& r) { return r.key == 1; }},
        {"KEY", "H", [](const auto& r) { return r.key == 13; }},
        {"TEMPO", "120", [](const auto& r) { return r.tempo == 120; }},
        {"TEMPO", "0", [](const auto& r) { return r.tempo == -1; }},
        {"TEMPO", "12a", [](const auto& r) { return r.tempo == -1; }},
        {"TEMPO", "99999999999", [](const auto& r) { return r.tempo == -1; }},
        {"LOOP", "yes", [](const auto& r) { return r.loop == 1; }},
        {"LOOP", "no", [](const auto& r) { return r.loop == 2; }},
        {"subcategory", "Barks", [](const auto& r) { return r.subcategory == "Barks"; }},
        {"LINK", "http://x", [](const auto& r) { return r.link == "http://x"; }},
        {"DESCRIPTION", "", [](const auto& r) { return r.description.empty(); }},
        {"FILENAME", "/x.wav", [](const auto& r) { return r.fileName.empty(); }},
        {"UNKNOWN", "x",
         [](const auto& r) {
             return r.supercat == 3 && r.key == 13 && r.tempo == -1 && r.loop == 2;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.keyword) + " " + c.value);
        DB_metadata_rec rec;
        rec.tempo = 50;
        rec.description = "old";
        if (std::string(c.keyword) == "UNKNOWN") {
            rec.tempo = -1;
        }
        DB_metadata_set_field(&rec, c.keyword, c.value);
        EXPECT_TRUE(c.check(rec));
    }
}

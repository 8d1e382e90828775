#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "collection/db/words.h"

namespace {

std::vector<std::string> Stems(const char* text) {
    std::vector<std::string> stems;
    std::string stem;
    int start = -1;
    int end = -1;
    for (DB_next_word(text, 0, &start, &end, &stem); start >= 0;
         DB_next_word(text, end + 1, &start, &end, &stem)) {
        stems.push_back(stem);
    }
    return stems;
}

using Stems_t = std::vector<std::string>;

struct WordCase {
    const char* text;
    Stems_t stems;
};

} // namespace

TEST(NextWord, TokenizesStemsAndDropsStopWords) {
    const std::string longWord = "Abcdefghijklmnopqrstuvwxyzs"; // 27 letters, cut to 25
    // 24 ASCII letters, then two two-byte letters: the cut keeps the first of them whole.
    const std::string longUtf8 = std::string(24, 'a') + "\xC3\xA9\xC3\xA9s";
    const WordCase cases[] = {
        {"Dogs", {"dog"}},
        {"Bodies", {"body"}},
        {"Boxes", {"box"}},
        {"Glass", {"glass"}},
        {"Bus", {"bus"}},
        {"Virus", {"virus"}},
        {"The", {}},
        {"Caf\xC3\xA9", {"caf\xC3\xA9"}},
        {"Churches classes", {"church", "class"}},
        {"cats", {"cat"}},
        {"mp3s 44100Hz", {"mp3", "44100hz"}},
        {"the dogs", {"dog"}},
        {"a an and are as at be but by for from in is it not of on or s that the this to was "
         "were which with",
         {}},
        {"THIS Is A Test", {"test"}},
        // Keywords cannot leave the string literal they are written into.
        {"x' OR '1'='1", {"x", "1", "1"}},
        {"back\\slash;semi\"quote", {"back", "slash", "semi", "quote"}},
        // Latin-1 capitals are lowered, multiplication and division signs separate.
        {"\xC3\x89T\xC3\x89S", {"\xC3\xA9t\xC3\xA9"}},
        {"2\xC3\x97"
         "3\xC3\xB7"
         "4",
         {"2", "3", "4"}},
        // Other non-ASCII characters are letters and keep their case.
        {"\xD0\x9C\xD0\xB8\xD1\x80 \xE6\x97\xA5\xE6\x9C\xAC",
         {"\xD0\x9C\xD0\xB8\xD1\x80", "\xE6\x97\xA5\xE6\x9C\xAC"}},
        // An accented word is never a stop word, whatever it spells.
        {"th\xC3\xA9", {"th\xC3\xA9"}},
        // Broken UTF-8 bytes separate words rather than becoming part of one.
        {"ab\xFF"
         "cd\xC3",
         {"ab", "cd"}},
        {"", {}},
        {"  ,;  ", {}},
    };
    for (const WordCase& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Stems(c.text), c.stems);
    }
    SCOPED_TRACE("cut words");
    // A cut word is neither stemmed nor looked up as a stop word.
    EXPECT_EQ(Stems(longWord.c_str()), Stems_t{"abcdefghijklmnopqrstuvwxy"});
    EXPECT_EQ(Stems(longUtf8.c_str()), Stems_t{std::string(24, 'a') + "\xC3\xA9"});
}

TEST(NextWord, ReportsByteSpanOfEachWord) {
    const char* text = "  caf\xC3\xA9 Dogs";
    int start = -1, end = -1;
    std::string stem;
    DB_next_word(text, 0, &start, &end, &stem);
    EXPECT_EQ(start, 2);
    EXPECT_EQ(end, 6); // the last byte of the two-byte character
    DB_next_word(text, end + 1, &start, &end, &stem);
    EXPECT_EQ(start, 8);
    EXPECT_EQ(end, 11);
    EXPECT_EQ(stem, "dog");
    DB_next_word(text, end + 1, &start, &end, &stem);
    EXPECT_EQ(start, -1);
}

TEST(NextWord, BadArgumentsFindNoWord) {
    int start = 5, end = 0;
    std::string stem;
    DB_next_word(nullptr, 0, &start, &end, &stem);
    EXPECT_EQ(start, -1);
    start = 5;
    DB_next_word("dog", -1, &start, &end, &stem);
    EXPECT_EQ(start, -1);
    start = 5;
    DB_next_word("dog", 4, &start, &end, &stem);
    EXPECT_EQ(start, -1);
    start = 5;
    DB_next_word("dog", 0, &start, &end, nullptr);
    EXPECT_EQ(start, -1);
    EXPECT_TRUE(DB_has_words("the big dog"));
    EXPECT_FALSE(DB_has_words("the of and"));
    EXPECT_FALSE(DB_has_words(nullptr));
}

#include "collection/db/words.h"

#include <array>
#include <cstring>
#include <string_view>

#include "collection/db/utf8_text.h"

namespace {

enum CharClass {
    kSeparator = 0,
    kSmall = 1,
    kCapital = 2,
    kDigit = 3,
    kAccentCapital = 4,
    kAccentSmall = 5,
    kOtherLetter = 6
};

CharClass ClassOf(char32_t cp, bool valid) {
    if (!valid) {
        return kSeparator; // a broken byte is no text
    }
    if (cp >= '0' && cp <= '9') {
        return kDigit;
    }
    if (cp >= 'A' && cp <= 'Z') {
        return kCapital;
    }
    if (cp >= 'a' && cp <= 'z') {
        return kSmall;
    }
    if (cp < 0x80) {
        return kSeparator;
    }
    if (cp >= 0xC0 && cp <= 0xFF) {
        if (cp == 0xD7 || cp == 0xF7) {
            return kSeparator;
        }
        return cp <= 0xDE ? kAccentCapital : kAccentSmall;
    }
    return kOtherLetter;
}

constexpr std::array<std::string_view, 27> kStopWords = {
    "a",   "an",   "and", "are",  "as", "at",  "be",   "but",   "by",
    "for", "from", "in",  "is",   "it", "not", "of",   "on",    "or",
    "s",   "that", "the", "this", "to", "was", "were", "which", "with"};

bool IsStopWord(std::string_view word) {
    if (word.size() > 5) {
        return false;
    }
    for (std::string_view stop : kStopWords) {
        if (stop == word) {
            return true;
        }
    }
    return false;
}

bool EndsWith(const std::string& s, std::string_view tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Plural endings; `characters` is the length in characters, the endings are all ASCII.
void Stem(std::string& word, int characters) {
    if (characters < 4 || word.back() != 's') {
        return;
    }
    if (characters >= 5) {
        if (EndsWith(word, "ies")) {
            word.resize(word.size() - 3);
            word.push_back('y');
            return;
        }
        if (EndsWith(word, "hes") || EndsWith(word, "sses") || EndsWith(word, "xes")) {
            word.resize(word.size() - 2);
            return;
        }
    }
    char before = word[word.size() - 2];
    if (before != 's' && before != 'u') {
        word.pop_back();
    }
}

} // namespace

void DB_next_word(const char* text, int start, int* wordStart, int* wordEnd, std::string* stem) {
    if (wordStart == nullptr) {
        return;
    }
    *wordStart = -1;
    if (text == nullptr || start < 0 || wordEnd == nullptr || stem == nullptr) {
        return;
    }
    std::string_view s(text);
    if (static_cast<size_t>(start) > s.size()) {
        return;
    }
    size_t pos = static_cast<size_t>(start);
    while (pos < s.size()) {
        size_t length;
        bool valid;
        char32_t cp = DecodeUtf8(s, pos, &length, &valid);
        if (ClassOf(cp, valid) == kSeparator) {
            pos += length;
            continue;
        }
        // A word: read it to the next separator.
        size_t begin = pos;
        stem->clear();
        int characters = 0;
        bool onlyAsciiLetters = true;
        size_t end = pos;
        while (pos < s.size()) {
            cp = DecodeUtf8(s, pos, &length, &valid);
            CharClass cls = ClassOf(cp, valid);
            if (cls == kSeparator) {
                break;
            }
            if (cls >= kDigit) {
                onlyAsciiLetters = false;
            }
            if (characters < DB_STEM_MAX) {
                if (cls == kCapital) {
                    stem->push_back(static_cast<char>(cp + 32));
                } else if (cls == kAccentCapital) {
                    char32_t lower = cp + 32;
                    stem->push_back(static_cast<char>(0xC0 | (lower >> 6)));
                    stem->push_back(static_cast<char>(0x80 | (lower & 0x3F)));
                } else {
                    stem->append(s.substr(pos, length));
                }
            }
            ++characters;
            end = pos + length - 1;
            pos += length;
        }
        bool cut = characters > DB_STEM_MAX;
        if (!cut && onlyAsciiLetters && IsStopWord(*stem)) {
            continue;
        }
        if (!cut) {
            Stem(*stem, characters);
        }
        *wordStart = static_cast<int>(begin);
        *wordEnd = static_cast<int>(end);
        return;
    }
    stem->clear();
}

bool DB_has_words(const char* text) {
    int wordStart;
    int wordEnd;
    std::string stem;
    DB_next_word(text, 0, &wordStart, &wordEnd, &stem);
    return wordStart >= 0;
}

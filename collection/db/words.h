#pragma once
// The word tokenizer and plural stemmer shared by indexing and searching.

#include <string>

// Longest stem in characters; a longer word is cut to this many.
constexpr int DB_STEM_MAX = 25;

// Finds the next word of `text` (UTF-8) at or after byte `start`. On success *wordStart and
// *wordEnd are the byte indices of the word's first and last byte and *stem its lower-cased,
// stemmed form; the next search starts at *wordEnd + 1. *wordStart is -1 when no word is left.
// Stop words are skipped. Stems hold only letters and digits, never a quote, backslash or
// semicolon, which is what lets the query builder write them into SQL as they are.
void DB_next_word(const char* text, int start, int* wordStart, int* wordEnd, std::string* stem);

// True when `text` holds at least one searchable word.
bool DB_has_words(const char* text);

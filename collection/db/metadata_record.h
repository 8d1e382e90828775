#pragma once
// The record of one file read from a metadata text file, and the two steps that turn a line
// of such a file into a field of the record.

#include <cstdint>
#include <string>
#include <string_view>

#include "collection/db/db_list.h"

struct DB_metadata_rec : DB_list_node<DB_metadata_rec> {
    std::string fileName;
    int32_t supercat = 3; // class: 1 Effect, 2 Instrument, 3 Other
    std::string category;
    std::string subcategory;
    std::string description;
    std::string genre;
    std::string source;
    std::string copyright;
    std::string notes;
    std::string link;
    int32_t key = 13; // 1-12 = A ... G#, 13 unknown
    int32_t tempo = -1;
    int32_t loop = 2; // 1 loop, 2 not a loop
};
using DB_metadata_list = DB_list<DB_metadata_rec>;

// Splits a UTF-8 line into its keyword (the first word) and its value (the rest after the
// blanks that follow the keyword, without trailing blanks). Control characters, the C1
// controls and the no-break space, and bytes that are not UTF-8, count as blanks. False when
// the line holds nothing but blanks.
bool DB_metadata_split_line(std::string_view line, std::string* keyword, std::string* value);

// Sets the field a keyword names (compared ignoring case); other keywords are ignored.
void DB_metadata_set_field(DB_metadata_rec* rec, std::string_view keyword, std::string_view value);

#pragma once
// The plain records in which the catalog layer moves rows.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "collection/db/db_list.h"

// One AUDIO_FILE row.
struct DB_file {
    int32_t fileId = 0;
    std::string fileName;
    int32_t sampleRate = 0;
    int32_t duration = 0;
    int32_t bpm = 0;
    int32_t key = 0;
    std::array<uint8_t, 16> signature{};
    std::array<int32_t, 10> ints{};
    std::array<std::string, 10> texts;
    std::string indexDate;
};

// One SOUND row: a pitch variant with its waveform summary.
struct DB_sound {
    int32_t fileId = 0;
    int32_t sampleRate = 0;
    int32_t duration = 0;
    int32_t bpm = 0;
    int32_t key = 0;
    std::array<uint8_t, 16> signature{};
    std::vector<uint8_t> data;
};

// A file with its pitch variants: what DB_index stores and DB_get_metadata returns.
struct DB_file_sounds {
    std::unique_ptr<DB_file> file;
    std::vector<std::unique_ptr<DB_sound>> sounds;
};

struct DB_subcat_node : DB_list_node<DB_subcat_node> {
    std::string name;
    int count = 0;
};

struct DB_cat_node : DB_list_node<DB_cat_node> {
    std::string name;
    int count = 0;
    DB_list<DB_subcat_node> subcats;
};

struct DB_supercat {
    const char* name = "";
    int total = 0;
    DB_list<DB_cat_node> cats;
};

// The category register folded into a tree: super-categories 1, 2, 3 at 0, 1, 2.
struct DB_cats {
    int total = 0;
    std::array<DB_supercat, 3> supercats;
    DB_cats();
};

struct DB_genre_node : DB_list_node<DB_genre_node> {
    std::string name;
};
using DB_genre_list = DB_list<DB_genre_node>;

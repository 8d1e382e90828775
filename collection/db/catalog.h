#pragma once
// Reads and writes of the catalog tables AUDIO_FILE, SOUND and TERM and of the two register
// tables CATREGISTER (files per class, category and sub-category) and GENREGISTER (files per
// genre). Each operation is one transaction: it commits on success and rolls back otherwise.

#include <cstdint>
#include <memory>
#include <vector>

#include "collection/db/connection.h"
#include "collection/db/records.h"

// Stores a file with its pitch variants and the words of its texts (bit n of the mask picks
// TEXTn; 0 picks all ten). A row with a file id above 0 replaces that file; the stored file
// gets a new id, written into the file row and every sound row.
DB_error DB_index(DB_handle* h, DB_file_sounds* fileSounds, int textFieldMask);
DB_error DB_unindex(DB_handle* h, int32_t fileId);
// *fileId is -1 when the path is not catalogued.
DB_error DB_lookup(DB_handle* h, const char* path, int32_t* fileId);
DB_error DB_get_counts(DB_handle* h, int* files, int* sounds);
// *out stays null (and the call succeeds) when the row does not exist.
DB_error DB_get_file(DB_handle* h, int32_t fileId, std::unique_ptr<DB_file>* out);
DB_error DB_get_sound(DB_handle* h, int32_t fileId, int32_t sampleRate,
                      std::unique_ptr<DB_sound>* out);
// A file row and the sound row at one rate, read together with those of many others.
struct DB_file_sound_key {
    int32_t fileId = 0;
    int32_t sampleRate = 0;
};
// For each key, its file row and its sound row at the key's rate, at the same position of
// `files` and `sounds`; a row that does not exist stays null. One transaction and a few
// statements for all keys, so the rows of one call are consistent with each other. Ids and
// rates of 0 or below find nothing. Each statement names at most `idsPerStatement` files.
DB_error DB_get_files_and_sounds(DB_handle* h, const std::vector<DB_file_sound_key>& keys,
                                 std::vector<std::unique_ptr<DB_file>>* files,
                                 std::vector<std::unique_ptr<DB_sound>>* sounds,
                                 int idsPerStatement = 500);
// The file row and its sound rows, highest rate first.
DB_error DB_get_metadata(DB_handle* h, int32_t fileId, std::unique_ptr<DB_file_sounds>* out);
DB_error DB_get_sound_count(DB_handle* h, int32_t fileId, int* count);
DB_error DB_get_cats(DB_handle* h, std::unique_ptr<DB_cats>* out);
DB_error DB_get_genres(DB_handle* h, DB_genre_list* out);
// Creates and fills each register table that is missing; with `rebuild` set, existing ones
// are dropped and made anew from AUDIO_FILE.
DB_error DB_build_shadow_tables(DB_handle* h, int rebuild);

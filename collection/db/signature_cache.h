#pragma once
// Every stored signature held in memory, with the columns a similarity search filters on, so
// that Find Similar scans memory instead of making the driver fetch every SOUND row.
//
// One cache per connection, loaded on the first similarity search. Writes through this
// connection update it in place; writes by any other connection (another program, the
// WebTambrel server's host, a validator run elsewhere) are seen through a change counter that
// every catalog write bumps inside its own transaction, and make the next search reload.

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "collection/db/connection.h"
#include "collection/db/query_builder.h"

struct DB_file_sounds;
class SearchCriteria;

class DB_signature_cache {
public:
    // Rows past this bound are not held: the search then takes the SQL path.
    static constexpr std::size_t kDefaultMaxSounds = 3'000'000;
    // At most about this many rows are read per statement: some drivers (SQLite's) turn a
    // statement's whole result into text before the first fetch, so one statement over every
    // row would hold the whole table several times over.
    static constexpr int kDefaultSliceRows = 32768;

    // Whether the criteria can be answered from memory: a similarity search without words.
    static bool Answers(const SearchCriteria& criteria);

    // Makes sure the cache matches the catalog, loading or reloading as needed. Inside the
    // caller's transaction. False (no error) when the catalog is too large to hold.
    DB_error Refresh(DB_handle* h, bool* usable);
    // The same hits, scores and order as the SQL path.
    std::unique_ptr<DB_query_result> Search(const SearchCriteria& criteria) const;

    // This connection's own committed writes: each bumped the change counter once.
    void CountOwnWrite() { ++counter_; }
    void FileIndexed(const DB_file_sounds& fileSounds);
    void FileRemoved(int32_t fileId);

    bool Loaded() const { return loaded_; }
    std::size_t SoundCount() const { return liveSounds_; }
    std::size_t MemoryBytes() const;
    void SetMaxSounds(std::size_t max) { maxSounds_ = max; }
    void SetSliceRows(int rows) { sliceRows_ = std::max(1, rows); }
    // Forgets everything: the next search loads afresh.
    void Invalidate() { loaded_ = false; }

private:
    struct File {
        int32_t fileId;
        int32_t sampleRate, duration, bpm, key;
        std::array<int32_t, 10> ints;
        std::array<uint8_t, 16> signature;
        bool validSignature;
        bool live;
    };
    struct Sound {
        int32_t file; // index into files_, -1 once removed or without a valid signature
        int32_t sampleRate, duration, bpm, key;
        uint8_t signature[16];
    };

    DB_error Load(DB_handle* h);
    DB_error LoadFiles(DB_handle* h);
    DB_error LoadSounds(DB_handle* h, int32_t soundCount);
    void Compact();

    bool loaded_ = false;
    bool tooLarge_ = false;
    bool warned_ = false;
    int64_t counter_ = 0; // the change counter the cache stands for
    std::vector<File> files_;
    std::vector<Sound> sounds_;
    std::unordered_map<int32_t, int32_t> fileIndex_;
    std::size_t liveSounds_ = 0;
    std::size_t deadSounds_ = 0;
    std::size_t maxSounds_ = kDefaultMaxSounds;
    int sliceRows_ = kDefaultSliceRows;
};

// The change counter: created where missing, read, and bumped by one inside a write.
DB_error DB_ensure_change_counter(DB_handle* h);
DB_error DB_read_change_counter(DB_handle* h, int64_t* value);
DB_error DB_bump_change_counter(DB_handle* h);

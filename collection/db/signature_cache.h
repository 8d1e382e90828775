#pragma once
// Every stored signature held in memory, with the columns a similarity search filters on, so
// that Find Similar scans memory instead of making the driver fetch every SOUND row.
//
// One cache per connection, loaded on the first similarity search: a SQLite catalog straight
// from its file, a PostgreSQL one as slices the server packs, on a few connections at once;
// any other through the driver a value at a time. Writes through this connection update it in
// place; writes by any other connection (another program, the WebTambrel server's host, a
// validator run elsewhere) are seen through a change counter that every catalog write bumps
// inside its own transaction, and make the next search reload.

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "collection/db/connection.h"
#include "collection/db/query_builder.h"

struct DB_file_sounds;
class SearchCriteria;
class DB_sqlite_file;

class DB_signature_cache {
public:
    // Rows past this bound are not held: the search then takes the SQL path.
    static constexpr std::size_t kDefaultMaxSounds = 3'000'000;
    // At most about this many rows are read per statement: some drivers (SQLite's) turn a
    // statement's whole result into text before the first fetch, so one statement over every
    // row would hold the whole table several times over.
    static constexpr int kDefaultSliceRows = 32768;
    // Connections reading packed slices at once, this one among them.
    static constexpr std::size_t kLoadConnections = 4;

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
    // How the last load read the rows: through the driver a value at a time, packed by the
    // engine into one value per slice (PostgreSQL), or straight from the file (SQLite).
    enum class Route { Driver, Packed, File };
    Route LastRoute() const { return route_; }
    // Off, every load reads through the driver a value at a time, as it does from an engine
    // it has no faster way into.
    void SetFastRead(bool fast) { fastRead_ = fast; }
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

    // Loads every row; *counter becomes the change count the rows stand for where the load
    // read one of its own.
    DB_error Load(DB_handle* h, int64_t* counter);
    DB_error LoadFromFile(DB_sqlite_file& file, int64_t* counter);
    DB_error LoadFiles(DB_handle* h, bool packed);
    // Reserves room for the sounds from a count of the first files' sounds; *count becomes
    // the estimate.
    DB_error EstimateSounds(DB_handle* h, int32_t* count);
    DB_error LoadSounds(DB_handle* h, int32_t soundCount, bool packed);
    // `slices` are what follows FROM, a run of files each.
    DB_error LoadSoundsPacked(DB_handle* h, const std::vector<std::string>& slices);
    void Clear();
    // False, with the catalog marked too large to hold, past the bound.
    bool WithinBound(int64_t soundCount);
    void Reserve(int64_t soundCount, int64_t fileCount);
    // A read row: the file's id and columns, or the sound's file id and columns; a null
    // signature is one not 16 bytes long.
    void AddFile(const int32_t* values, const uint8_t* signature);
    void AddSound(const int32_t* values, const uint8_t* signature);
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
    bool fastRead_ = true;
    std::pair<int32_t, int32_t> lastFile_{0, -1}; // the file id and index a load saw last
    Route route_ = Route::Driver;
};

// The change counter: created where missing, read, and bumped by one inside a write.
DB_error DB_ensure_change_counter(DB_handle* h);
DB_error DB_read_change_counter(DB_handle* h, int64_t* value);
DB_error DB_bump_change_counter(DB_handle* h);

#include "collection/db/signature_cache.h"

#include <sqlext.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

#include "collection/db/packed_rows.h"
#include "collection/db/schema.h"
#include "collection/db/sqlite_file_rows.h"
#include "collection/db/statement.h"

namespace {

// Rows come a block at a time into arrays bound once per statement, which spares the driver
// manager a call (and its locking) for every row.
constexpr SQLULEN kBlock = 1024;
// The arrays of one block: `ints` integer columns, then a 16-byte signature column.
struct Block {
    explicit Block(int ints) : ints(ints), values(ints * kBlock), indicators((ints + 1) * kBlock) {}
    int32_t Int(int column, SQLULEN row) const { return values[column * kBlock + row]; }
    const uint8_t* Signature(SQLULEN row) const { return &signatures[row * 16]; }
    bool ValidSignature(SQLULEN row) const { return indicators[ints * kBlock + row] == 16; }

    int ints;
    std::vector<int32_t> values;
    std::vector<uint8_t> signatures = std::vector<uint8_t>(kBlock * 16);
    std::vector<SQLLEN> indicators;
};

// Runs `sql`, which selects `ints` integer columns and a signature, and hands every row to
// `onRow` as the integers and the signature (null when not 16 bytes long). Rows come one at a
// time from a driver that takes no arrays.
template <typename OnRow>
DB_error ReadBlocks(DB_handle* h, const std::string& sql, int ints, OnRow onRow) {
    Block block(ints);
    SQLHSTMT stmt = h->stmt;
    SQLULEN fetched = 0;
    DB_error err = DB_unbind_columns(h);
    if (err)
        return err;
    SQLULEN size = kBlock;
    if (!SQL_SUCCEEDED(SQLSetStmtAttr(stmt, SQL_ATTR_ROW_BIND_TYPE,
                                      reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN), 0)) ||
        !SQL_SUCCEEDED(SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE,
                                      reinterpret_cast<SQLPOINTER>(size), 0)) ||
        !SQL_SUCCEEDED(SQLSetStmtAttr(stmt, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0))) {
        size = 1;
        SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(1), 0);
        SQLSetStmtAttr(stmt, SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0);
    }
    err = DB_run(h, sql.c_str(), nullptr);
    const bool ran = !err;
    for (int n = 0; n <= block.ints && !err; ++n) {
        const SQLUSMALLINT column = static_cast<SQLUSMALLINT>(n + 1);
        SQLRETURN rc =
            n < block.ints
                ? SQLBindCol(stmt, column, SQL_C_SLONG, &block.values[n * kBlock], 0,
                             &block.indicators[n * kBlock])
                : SQLBindCol(stmt, column, SQL_C_BINARY, block.signatures.data(), 16,
                             &block.indicators[n * kBlock]);
        if (!SQL_SUCCEEDED(rc))
            err = DB_odbc_error(rc, SQL_HANDLE_STMT, stmt);
    }
    while (!err) {
        fetched = 0;
        SQLRETURN rc = SQLFetch(stmt);
        if (rc == SQL_NO_DATA)
            break;
        if (!SQL_SUCCEEDED(rc)) {
            err = DB_odbc_error(rc, SQL_HANDLE_STMT, stmt);
            break;
        }
        int32_t values[16];
        for (SQLULEN r = 0; r < (size == 1 ? 1 : fetched); ++r) {
            for (int n = 0; n < ints; ++n)
                values[n] = block.Int(n, r);
            onRow(values, block.ValidSignature(r) ? block.Signature(r) : nullptr);
        }
    }
    // A failed execute may still leave a cursor behind on some drivers.
    DB_error closeErr = ran ? DB_close_cursor(h) : DB_error();
    if (!ran)
        SQLFreeStmt(stmt, SQL_CLOSE);
    SQLFreeStmt(stmt, SQL_UNBIND);
    SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(1), 0);
    SQLSetStmtAttr(stmt, SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0);
    return err ? err : closeErr;
}

const char* const kFileColumns[] = {"FILE_ID", "FILE_SAMPLE_RATE", "FILE_DURATION", "FILE_BPM",
                                    "FILE_KEY", "INT0", "INT1", "INT2", "INT3", "INT4", "INT5",
                                    "INT6", "INT7", "INT8", "INT9"};
const char* const kSoundColumns[] = {"FILE_ID", "SOUND_SAMPLE_RATE", "SOUND_DURATION",
                                     "SOUND_BPM", "SOUND_KEY"};

template <std::size_t N>
std::string ColumnList(const char* const (&columns)[N], const char* binary) {
    std::string list;
    for (const char* column : columns)
        list += std::string(column) + ", ";
    return list + binary;
}

} // namespace

void DB_signature_cache::AddFile(const int32_t* v, const uint8_t* signature) {
    File file{};
    file.fileId = v[0];
    file.sampleRate = v[1];
    file.duration = v[2];
    file.bpm = v[3];
    file.key = v[4];
    for (int n = 0; n < 10; ++n)
        file.ints[n] = v[5 + n];
    file.validSignature = signature != nullptr;
    if (signature)
        std::memcpy(file.signature.data(), signature, 16);
    file.live = true;
    fileIndex_[file.fileId] = static_cast<int32_t>(files_.size());
    files_.push_back(file);
}

void DB_signature_cache::AddSound(const int32_t* v, const uint8_t* signature) {
    // A row without its file, or with a signature of another length, is never a hit.
    if (signature == nullptr)
        return;
    // A file's sounds mostly come together: one look-up serves them all.
    if (v[0] != lastFile_.first || lastFile_.second < 0) {
        auto it = fileIndex_.find(v[0]);
        lastFile_ = {v[0], it == fileIndex_.end() ? -1 : it->second};
        if (lastFile_.second < 0)
            return;
    }
    Sound sound{};
    sound.file = lastFile_.second;
    sound.sampleRate = v[1];
    sound.duration = v[2];
    sound.bpm = v[3];
    sound.key = v[4];
    std::memcpy(sound.signature, signature, 16);
    sounds_.push_back(sound);
}

void DB_signature_cache::Clear() {
    files_.clear();
    sounds_.clear();
    fileIndex_.clear();
    liveSounds_ = deadSounds_ = 0;
    tooLarge_ = false;
    lastFile_ = {0, -1};
}

bool DB_signature_cache::WithinBound(int64_t soundCount) {
    if (soundCount <= static_cast<int64_t>(maxSounds_))
        return true;
    if (!warned_)
        std::fprintf(stderr,
                     "Find Similar searches the catalog's %lld sounds through the database: "
                     "more than the %zu held in memory\n",
                     static_cast<long long>(soundCount), maxSounds_);
    warned_ = true;
    tooLarge_ = true;
    return false;
}

// Exactly as much as the rows need: the held rows are most of the load's memory.
void DB_signature_cache::Reserve(int64_t soundCount, int64_t fileCount) {
    files_.reserve(static_cast<std::size_t>(std::max<int64_t>(0, fileCount)));
    fileIndex_.reserve(static_cast<std::size_t>(std::max<int64_t>(0, fileCount)));
    sounds_.reserve(static_cast<std::size_t>(std::max<int64_t>(0, soundCount)));
}

DB_error DB_signature_cache::Load(DB_handle* h, int64_t* counter) {
    Clear();
    route_ = Route::Driver;
    if (fastRead_) {
        if (auto file = DB_sqlite_file::Open(h)) {
            if (!LoadFromFile(*file, counter)) {
                route_ = Route::File;
                liveSounds_ = sounds_.size();
                loaded_ = true;
                return std::nullopt;
            }
            // Whatever went wrong there, the driver may still read the rows.
            Clear();
        }
    }

    DB_engine engine;
    std::string name;
    const bool packed =
        fastRead_ && !DB_detect_engine(h, &engine, &name) && engine == DB_engine::PostgreSQL;
    int32_t count = 0;
    int32_t fileCount = 0;
    bool found = false;
    // Counting every sound costs the server a pass over the whole table, as long as a fifth of
    // the load: the packed route estimates from the first files and bounds the rows as they
    // come instead.
    DB_error err =
        DB_select_int(h, "SELECT COUNT(*) FROM AUDIO_FILE", nullptr, &fileCount, &found);
    if (!err && !packed)
        err = DB_select_int(h, "SELECT COUNT(*) FROM SOUND", nullptr, &count, &found);
    if (err)
        return err;
    if (!WithinBound(count)) {
        loaded_ = true;
        return std::nullopt;
    }
    Reserve(count, fileCount);
    if (packed)
        route_ = Route::Packed;
    err = LoadFiles(h, packed);
    if (!err && packed)
        err = EstimateSounds(h, &count);
    if (!err && !tooLarge_)
        err = LoadSounds(h, count, packed);
    if (err) {
        Clear();
        return err;
    }
    if (tooLarge_) {
        Clear();
        tooLarge_ = true;
    }
    liveSounds_ = sounds_.size();
    loaded_ = true;
    return std::nullopt;
}

// The sounds of the first files, counted through the table's key, stand for the rest.
DB_error DB_signature_cache::EstimateSounds(DB_handle* h, int32_t* count) {
    *count = 0;
    if (files_.empty())
        return std::nullopt;
    const std::size_t sample = std::min<std::size_t>(files_.size(), 1000);
    int32_t sampled = 0;
    bool found = false;
    const std::string sql = "SELECT COUNT(*) FROM SOUND WHERE FILE_ID BETWEEN " +
                            std::to_string(files_.front().fileId) + " AND " +
                            std::to_string(files_[sample - 1].fileId);
    DB_error err = DB_select_int(h, sql.c_str(), nullptr, &sampled, &found);
    if (err)
        return err;
    const int64_t estimate =
        (static_cast<int64_t>(sampled) * static_cast<int64_t>(files_.size()) + sample - 1) /
        static_cast<int64_t>(sample);
    if (!WithinBound(estimate))
        return std::nullopt;
    // Room a little past the estimate spares a copy of every row when the estimate is short;
    // room never written is never resident.
    Reserve(std::min<int64_t>(static_cast<int64_t>(maxSounds_), estimate * 5 / 4), 0);
    *count = static_cast<int32_t>(estimate);
    return std::nullopt;
}

// Every row in one snapshot, the counter with them: the rows stand for exactly that count of
// changes, whatever another program commits meanwhile.
DB_error DB_signature_cache::LoadFromFile(DB_sqlite_file& file, int64_t* counter) {
    int64_t sounds = 0, files = 0, changes = 0;
    DB_error err = file.SelectInt("SELECT CHANGES FROM CATALOG_CHANGES", &changes);
    if (!err)
        err = file.SelectInt("SELECT COUNT(*) FROM SOUND", &sounds);
    if (!err)
        err = file.SelectInt("SELECT COUNT(*) FROM AUDIO_FILE", &files);
    if (err)
        return err;
    if (WithinBound(sounds)) {
        Reserve(sounds, files);
        err = file.Select("SELECT " + ColumnList(kFileColumns, "FILE_SIGNATURE") +
                              " FROM AUDIO_FILE ORDER BY FILE_ID",
                          15, 16, [this](const int32_t* v, const uint8_t* s) { AddFile(v, s); });
        if (!err)
            err = file.Select("SELECT " + ColumnList(kSoundColumns, "SOUND_SIGNATURE") +
                                  " FROM SOUND",
                              5, 16,
                              [this](const int32_t* v, const uint8_t* s) { AddSound(v, s); });
    }
    // The count stands for these rows only once they are all read: a load that failed here
    // is made again through the driver, which goes by its own count.
    if (!err)
        *counter = changes;
    return err;
}

// The files in key order, a slice of ids after the last one read per statement.
DB_error DB_signature_cache::LoadFiles(DB_handle* h, bool packed) {
    const std::string columns = ColumnList(kFileColumns, "FILE_SIGNATURE");
    int32_t last = 0;
    for (;;) {
        const std::string slice = "FROM AUDIO_FILE WHERE FILE_ID > " + std::to_string(last) +
                                  " ORDER BY FILE_ID LIMIT " + std::to_string(sliceRows_);
        int64_t rows = 0;
        if (packed) {
            DB_packed_query query{{std::begin(kFileColumns), std::end(kFileColumns)},
                                  "FILE_SIGNATURE",
                                  "(SELECT " + columns + " " + slice + ") S",
                                  "FILE_ID"};
            DB_packed_slice read;
            DB_error err = DB_read_packed(
                h, query, 16,
                [this](const int32_t* v, const uint8_t* signature) { AddFile(v, signature); },
                &read);
            if (err)
                return err;
            rows = read.rows;
            last = static_cast<int32_t>(std::max<int64_t>(last, read.max));
        } else {
            DB_error err = ReadBlocks(h, "SELECT " + columns + " " + slice, 15,
                                      [&](const int32_t* v, const uint8_t* signature) {
                                          AddFile(v, signature);
                                          last = std::max(last, v[0]);
                                          ++rows;
                                      });
            if (err)
                return err;
        }
        if (rows < sliceRows_)
            break;
    }
    // The sounds are read by runs of ids: the files must stand in id order, whatever order
    // the engine packed them in.
    const auto byId = [](const File& a, const File& b) { return a.fileId < b.fileId; };
    if (!std::is_sorted(files_.begin(), files_.end(), byId)) {
        std::sort(files_.begin(), files_.end(), byId);
        for (std::size_t i = 0; i < files_.size(); ++i)
            fileIndex_[files_[i].fileId] = static_cast<int32_t>(i);
    }
    return std::nullopt;
}

// The sounds of a run of files per statement, each file's sounds all in one: a file written
// meanwhile by another program is then read whole or not at all.
DB_error DB_signature_cache::LoadSounds(DB_handle* h, int32_t soundCount, bool packed) {
    if (files_.empty())
        return std::nullopt;
    const std::size_t perFile =
        std::max<std::size_t>(1, (static_cast<std::size_t>(soundCount) + files_.size() - 1) /
                                     files_.size());
    const std::size_t filesPerSlice =
        std::max<std::size_t>(1, static_cast<std::size_t>(sliceRows_) / perFile);
    std::vector<std::string> slices;
    for (std::size_t first = 0; first < files_.size(); first += filesPerSlice) {
        const std::size_t end = std::min(files_.size(), first + filesPerSlice);
        slices.push_back("SOUND WHERE FILE_ID BETWEEN " + std::to_string(files_[first].fileId) +
                         " AND " + std::to_string(files_[end - 1].fileId));
    }
    if (packed)
        return LoadSoundsPacked(h, slices);
    const std::string columns = ColumnList(kSoundColumns, "SOUND_SIGNATURE");
    for (const std::string& from : slices) {
        DB_error err = ReadBlocks(h, "SELECT " + columns + " FROM " + from, 5,
                                  [this](const int32_t* v, const uint8_t* signature) {
                                      AddSound(v, signature);
                                  });
        if (err)
            return err;
    }
    return std::nullopt;
}

// What a load waits for is the server's work on each row, and one statement runs in one
// server process: the slices are packed on a few connections at once. A connection that
// cannot be opened leaves its share to the others.
DB_error DB_signature_cache::LoadSoundsPacked(DB_handle* h, const std::vector<std::string>& slices) {
    struct Row {
        int32_t values[5];
        uint8_t signature[16];
        bool valid;
    };
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    std::mutex merge;
    DB_error firstError;
    auto work = [&](DB_handle* connection) {
        std::vector<Row> rows;
        for (std::size_t i = next++; i < slices.size() && !failed; i = next++) {
            rows.clear();
            DB_packed_query query{{std::begin(kSoundColumns), std::end(kSoundColumns)},
                                  "SOUND_SIGNATURE", slices[i], ""};
            DB_packed_slice read;
            DB_error err = DB_read_packed(
                connection, query, 16,
                [&rows](const int32_t* v, const uint8_t* signature) {
                    Row row{};
                    std::copy(v, v + 5, row.values);
                    row.valid = signature != nullptr;
                    if (signature)
                        std::memcpy(row.signature, signature, 16);
                    rows.push_back(row);
                },
                &read);
            std::lock_guard<std::mutex> lock(merge);
            if (err) {
                if (!firstError)
                    firstError = err;
                failed = true;
                return;
            }
            for (const Row& row : rows)
                AddSound(row.values, row.valid ? row.signature : nullptr);
            // More rows than the estimate promised: past the bound, the search takes the
            // statement path as it does for a catalog counted too large.
            if (!WithinBound(static_cast<int64_t>(sounds_.size()))) {
                failed = true;
                return;
            }
        }
    };
    std::vector<std::thread> helpers;
    const std::size_t extra = std::min<std::size_t>(kLoadConnections - 1, slices.size() - 1);
    for (std::size_t n = 0; n < extra && !h->dataSource.empty(); ++n) {
        helpers.emplace_back([&] {
            DB_handle* connection = nullptr;
            if (DB_connect(h->dataSource.c_str(), h->userName.c_str(), h->password.c_str(),
                           &connection))
                return;
            DB_set_access(connection, true);
            work(connection);
            DB_disconnect(connection);
        });
    }
    work(h);
    for (std::thread& helper : helpers)
        helper.join();
    return firstError;
}

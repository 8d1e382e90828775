#include "collection/db/signature_cache.h"

#include <sqlext.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <thread>

#include "audio/sound_signature.h"
#include "collection/db/catalog_steps.h"
#include "collection/db/hit_heap.h"
#include "collection/db/records.h"
#include "collection/db/statement.h"
#include "collection/db/words.h"
#include "collection/search_criteria.h"

namespace {

constexpr const char* kCounterTable = "CATALOG_CHANGES";

// The range rule of the statement builder: 0 and 0 mean no condition, a 0 end is open.
inline bool InRange(int32_t value, int min, int max) {
    if (min == 0 && max == 0)
        return true;
    if (min == 0)
        return value <= max;
    if (max == 0)
        return value >= min;
    return value >= min && value <= max;
}

// The mask rule: bits 0-30 name the allowed values; no such bit, no condition.
inline bool InMask(int32_t value, int mask) {
    const unsigned bits = static_cast<unsigned>(mask) & 0x7FFFFFFFu;
    if (bits == 0)
        return true;
    return value >= 0 && value <= 30 && ((bits >> value) & 1u) != 0;
}

struct Filter {
    const SearchCriteria& c;
    bool Columns(int32_t rate, int32_t duration, int32_t bpm, int32_t key) const {
        return InRange(rate, c.sampleRateMin, c.sampleRateMax) &&
               InRange(duration, c.durationMin, c.durationMax) &&
               InRange(bpm, c.bpmMin, c.bpmMax) && InMask(key, c.keyMask);
    }
    bool Ints(const std::array<int32_t, 10>& ints) const {
        for (int n = 0; n < SearchCriteria::kIntFields; ++n) {
            if (!InRange(ints[n], c.intMin[n], c.intMax[n]) || !InMask(ints[n], c.intMask[n]))
                return false;
        }
        return true;
    }
    // The score, or a negative value when the row is no hit.
    float Score(const SoundSignature& target, const uint8_t* bytes) const {
        SoundSignature signature;
        std::memcpy(signature.bytes, bytes, sizeof signature.bytes);
        const float score = CompareSignatures(&target, &signature);
        if (score < 0 || (c.scoreMin != 0 && score < c.scoreMin) ||
            (c.scoreMax != 0 && score > c.scoreMax))
            return -1.0f;
        return score;
    }
};

// The hits of one part of the rows: the best `limit`, or all of them without a limit.
struct PartHits {
    explicit PartHits(size_t limit) : limit(limit), heap(limit) {}
    void Add(const DB_scored_hit& hit) {
        if (limit > 0)
            heap.Add(hit);
        else
            all.push_back(hit);
    }
    size_t limit;
    DB_hit_heap heap;
    std::vector<DB_scored_hit> all;
};

} // namespace

DB_error DB_ensure_change_counter(DB_handle* h) {
    if (h->changeCounterReady)
        return std::nullopt;
    bool exists = false;
    DB_error err = DB_table_exists(h, kCounterTable, &exists);
    if (!err && !exists) {
        err = DB_run(h, "CREATE TABLE CATALOG_CHANGES (CHANGES INTEGER NOT NULL)", nullptr);
        if (!err)
            err = DB_run(h, "INSERT INTO CATALOG_CHANGES VALUES (0)", nullptr);
    }
    if (!err)
        h->changeCounterReady = true;
    return err;
}

DB_error DB_read_change_counter(DB_handle* h, int64_t* value) {
    int32_t counter = 0;
    bool found = false;
    DB_error err = DB_select_int(h, "SELECT CHANGES FROM CATALOG_CHANGES", nullptr, &counter, &found);
    *value = found ? counter : 0;
    return err;
}

DB_error DB_bump_change_counter(DB_handle* h) {
    DB_error err = DB_ensure_change_counter(h);
    return err ? err : DB_run(h, "UPDATE CATALOG_CHANGES SET CHANGES = CHANGES + 1", nullptr);
}

bool DB_signature_cache::Answers(const SearchCriteria& criteria) {
    return criteria.targetSignature != nullptr && !DB_has_words(criteria.keywords.c_str());
}

std::size_t DB_signature_cache::MemoryBytes() const {
    return files_.capacity() * sizeof(File) + sounds_.capacity() * sizeof(Sound) +
           fileIndex_.size() * (sizeof(int32_t) * 2 + sizeof(void*) * 2);
}

DB_error DB_signature_cache::Refresh(DB_handle* h, bool* usable) {
    *usable = false;
    DB_error err = DB_ensure_change_counter(h);
    int64_t counter = 0;
    if (!err)
        err = DB_read_change_counter(h, &counter);
    if (err)
        return err;
    if (!loaded_ || counter != counter_) {
        loaded_ = false;
        err = Load(h);
        if (err)
            return err;
        counter_ = counter;
    }
    *usable = loaded_ && !tooLarge_;
    return std::nullopt;
}

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

// Runs `sql` and hands every block of rows to `onRows`. Rows come one at a time from a driver
// that takes no arrays.
template <typename OnRows>
DB_error ReadBlocks(DB_handle* h, const std::string& sql, Block& block, OnRows onRows) {
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
        onRows(size == 1 ? 1 : fetched);
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

} // namespace

DB_error DB_signature_cache::Load(DB_handle* h) {
    files_.clear();
    sounds_.clear();
    fileIndex_.clear();
    liveSounds_ = deadSounds_ = 0;
    tooLarge_ = false;

    int32_t count = 0;
    int32_t fileCount = 0;
    bool found = false;
    DB_error err = DB_select_int(h, "SELECT COUNT(*) FROM SOUND", nullptr, &count, &found);
    if (!err)
        err = DB_select_int(h, "SELECT COUNT(*) FROM AUDIO_FILE", nullptr, &fileCount, &found);
    if (err)
        return err;
    if (static_cast<std::size_t>(count) > maxSounds_) {
        if (!warned_)
            std::fprintf(stderr,
                         "Find Similar searches the catalog's %d sounds through the database: "
                         "more than the %zu held in memory\n",
                         count, maxSounds_);
        warned_ = true;
        tooLarge_ = true;
        loaded_ = true;
        return std::nullopt;
    }
    // Exactly as much as the rows need: the held rows are most of the load's memory.
    files_.reserve(static_cast<std::size_t>(fileCount));
    fileIndex_.reserve(static_cast<std::size_t>(fileCount));
    sounds_.reserve(static_cast<std::size_t>(count));

    err = LoadFiles(h);
    if (!err)
        err = LoadSounds(h, count);
    if (err) {
        files_.clear();
        sounds_.clear();
        fileIndex_.clear();
        return err;
    }
    liveSounds_ = sounds_.size();
    loaded_ = true;
    return std::nullopt;
}

// The files in key order, a slice of ids after the last one read per statement.
DB_error DB_signature_cache::LoadFiles(DB_handle* h) {
    Block block(15);
    int32_t last = 0;
    bool more = true;
    while (more) {
        const std::string sql =
            "SELECT FILE_ID, FILE_SAMPLE_RATE, FILE_DURATION, FILE_BPM, FILE_KEY, INT0, INT1, "
            "INT2, INT3, INT4, INT5, INT6, INT7, INT8, INT9, FILE_SIGNATURE FROM AUDIO_FILE "
            "WHERE FILE_ID > " +
            std::to_string(last) + " ORDER BY FILE_ID LIMIT " + std::to_string(sliceRows_);
        int rows = 0;
        DB_error err = ReadBlocks(h, sql, block, [&](SQLULEN fetched) {
            for (SQLULEN r = 0; r < fetched; ++r) {
                File file{};
                file.fileId = block.Int(0, r);
                file.sampleRate = block.Int(1, r);
                file.duration = block.Int(2, r);
                file.bpm = block.Int(3, r);
                file.key = block.Int(4, r);
                for (int n = 0; n < 10; ++n)
                    file.ints[n] = block.Int(5 + n, r);
                file.validSignature = block.ValidSignature(r);
                if (file.validSignature)
                    std::memcpy(file.signature.data(), block.Signature(r), 16);
                file.live = true;
                fileIndex_[file.fileId] = static_cast<int32_t>(files_.size());
                files_.push_back(file);
                last = std::max(last, file.fileId);
                ++rows;
            }
        });
        if (err)
            return err;
        more = rows == sliceRows_;
    }
    return std::nullopt;
}

// The sounds of a run of files per statement, each file's sounds all in one: a file written
// meanwhile by another program is then read whole or not at all.
DB_error DB_signature_cache::LoadSounds(DB_handle* h, int32_t soundCount) {
    if (files_.empty())
        return std::nullopt;
    const std::size_t perFile =
        std::max<std::size_t>(1, (static_cast<std::size_t>(soundCount) + files_.size() - 1) /
                                     files_.size());
    const std::size_t filesPerSlice =
        std::max<std::size_t>(1, static_cast<std::size_t>(sliceRows_) / perFile);
    Block block(5);
    for (std::size_t first = 0; first < files_.size(); first += filesPerSlice) {
        const std::size_t end = std::min(files_.size(), first + filesPerSlice);
        const std::string sql =
            "SELECT FILE_ID, SOUND_SAMPLE_RATE, SOUND_DURATION, SOUND_BPM, SOUND_KEY, "
            "SOUND_SIGNATURE FROM SOUND WHERE FILE_ID BETWEEN " +
            std::to_string(files_[first].fileId) + " AND " +
            std::to_string(files_[end - 1].fileId);
        DB_error err = ReadBlocks(h, sql, block, [&](SQLULEN fetched) {
            for (SQLULEN r = 0; r < fetched; ++r) {
                // A row without its file, or with a signature of another length, is never a
                // hit.
                auto it = fileIndex_.find(block.Int(0, r));
                if (it == fileIndex_.end() || !block.ValidSignature(r))
                    continue;
                Sound sound{};
                sound.file = it->second;
                sound.sampleRate = block.Int(1, r);
                sound.duration = block.Int(2, r);
                sound.bpm = block.Int(3, r);
                sound.key = block.Int(4, r);
                std::memcpy(sound.signature, block.Signature(r), 16);
                sounds_.push_back(sound);
            }
        });
        if (err)
            return err;
    }
    return std::nullopt;
}

void DB_signature_cache::FileIndexed(const DB_file_sounds& fs) {
    if (!loaded_ || tooLarge_ || !fs.file)
        return;
    FileRemoved(fs.file->fileId);
    const DB_file& row = *fs.file;
    File file{};
    file.fileId = row.fileId;
    file.sampleRate = row.sampleRate;
    file.duration = row.duration;
    file.bpm = row.bpm;
    file.key = row.key;
    file.ints = row.ints;
    file.signature = row.signature;
    file.validSignature = true;
    file.live = true;
    const int32_t index = static_cast<int32_t>(files_.size());
    files_.push_back(file);
    fileIndex_[file.fileId] = index;
    for (const auto& s : fs.sounds) {
        if (!s)
            continue;
        Sound sound{};
        sound.file = index;
        sound.sampleRate = s->sampleRate;
        sound.duration = s->duration;
        sound.bpm = s->bpm;
        sound.key = s->key;
        std::memcpy(sound.signature, s->signature.data(), 16);
        sounds_.push_back(sound);
        ++liveSounds_;
    }
    if (liveSounds_ > maxSounds_)
        loaded_ = false; // reloads, and finds the catalog too large
}

void DB_signature_cache::FileRemoved(int32_t fileId) {
    if (!loaded_ || tooLarge_)
        return;
    auto it = fileIndex_.find(fileId);
    if (it == fileIndex_.end())
        return;
    const int32_t index = it->second;
    files_[index].live = false;
    fileIndex_.erase(it);
    for (Sound& sound : sounds_) {
        if (sound.file == index) {
            sound.file = -1;
            --liveSounds_;
            ++deadSounds_;
        }
    }
    if (deadSounds_ > sounds_.size() / 4)
        Compact();
}

void DB_signature_cache::Compact() {
    sounds_.erase(std::remove_if(sounds_.begin(), sounds_.end(),
                                 [](const Sound& s) { return s.file < 0; }),
                  sounds_.end());
    deadSounds_ = 0;
}

std::unique_ptr<DB_query_result> DB_signature_cache::Search(const SearchCriteria& criteria) const {
    const SoundSignature& target = *criteria.targetSignature;
    const size_t limit = criteria.maxResults > 0 ? static_cast<size_t>(criteria.maxResults) : 0;
    const Filter filter{criteria};
    const bool ownPitch = criteria.ownPitchOnly != 0;
    const size_t rows = ownPitch ? files_.size() : sounds_.size();

    // Large catalogs are scanned in parts on several threads; every part keeps its own best
    // hits, and the order of hits is total, so the merge gives the one-thread answer.
    const size_t minPart = 65536;
    size_t parts = std::min<size_t>(std::max(1u, std::thread::hardware_concurrency()),
                                    std::max<size_t>(1, rows / minPart));
    std::vector<PartHits> hits;
    hits.reserve(parts);
    for (size_t p = 0; p < parts; ++p)
        hits.emplace_back(limit);
    auto scan = [&](size_t part) {
        const size_t begin = rows * part / parts;
        const size_t end = rows * (part + 1) / parts;
        PartHits& out = hits[part];
        for (size_t i = begin; i < end; ++i) {
            if (ownPitch) {
                const File& f = files_[i];
                if (!f.live || !f.validSignature ||
                    !filter.Columns(f.sampleRate, f.duration, f.bpm, f.key) || !filter.Ints(f.ints))
                    continue;
                const float score = filter.Score(target, f.signature.data());
                if (score >= 0)
                    out.Add({f.fileId, f.sampleRate, score});
            } else {
                const Sound& s = sounds_[i];
                if (s.file < 0 || !filter.Columns(s.sampleRate, s.duration, s.bpm, s.key))
                    continue;
                const float score = filter.Score(target, s.signature);
                if (score < 0)
                    continue;
                const File& f = files_[s.file];
                if (!filter.Ints(f.ints))
                    continue;
                out.Add({f.fileId, s.sampleRate, score});
            }
        }
    };
    if (parts == 1) {
        scan(0);
    } else {
        std::vector<std::thread> threads;
        for (size_t p = 1; p < parts; ++p)
            threads.emplace_back(scan, p);
        scan(0);
        for (std::thread& t : threads)
            t.join();
    }

    std::vector<DB_scored_hit> merged;
    if (limit > 0) {
        DB_hit_heap best(limit);
        for (PartHits& part : hits)
            for (const DB_scored_hit& hit : part.heap.TakeSorted())
                best.Add(hit);
        merged = best.TakeSorted();
    } else {
        for (PartHits& part : hits)
            merged.insert(merged.end(), part.all.begin(), part.all.end());
        std::sort(merged.begin(), merged.end(), [](const DB_scored_hit& a, const DB_scored_hit& b) {
            return DB_compare_hits(a, b) < 0;
        });
    }
    auto result = std::make_unique<DB_query_result>();
    result->hits.reserve(merged.size());
    for (const DB_scored_hit& hit : merged)
        result->hits.push_back({hit.fileId, hit.sampleRate, static_cast<int32_t>(hit.score)});
    return result;
}

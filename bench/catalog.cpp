// The catalog's local search and indexing on a catalog of realistic size.
//
// A catalog of TAMBREL_BENCH_FILES files (default 20,000) with 25 pitch variants each is
// made on a SQLite data source and, where a throw-away PostgreSQL cluster can be started, on
// PostgreSQL too. The similarity search (DB_process_query with a target signature and a
// limit of 200) runs beside a plain ODBC fetch of the same SOUND rows, its floor; the first
// load of the signatures beside a read of the same columns through SQLite's C API. The keyword
// search (a word of 200 files, and a common word cut at 200 hits, each with its hits' rows
// fetched) runs beside the plain three-table join and the one-row-at-a-time fetch it replaced.
// Every file has about 25 words from thousands of stems, a few of them common. Indexing
// stores files with 25 variants and about 30 words each into a catalog of its own.

#include <benchmark/benchmark.h>

#include <sql.h>
#include <sqlext.h>
#ifdef TAMBREL_BENCH_SQLITE3
#include <sqlite3.h>
#endif
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "audio/sound_signature.h"
#include "collection/db/catalog.h"
#include "collection/db/connection.h"
#include "collection/db/query_builder.h"
#include "collection/db/schema.h"
#include "collection/db/signature_cache.h"
#include "collection/db/statement.h"
#include "collection/search_criteria.h"

namespace {

constexpr int kVariants = 25;

int FileCount() {
    const char* text = std::getenv("TAMBREL_BENCH_FILES");
    int n = text ? std::atoi(text) : 0;
    return n > 0 ? n : 20000;
}

// The rare word is on every this-many-th file: 200 files at any size.
int RareEvery() {
    return std::max(1, FileCount() / 200);
}

bool Check(const DB_error& err, const char* what) {
    if (err) {
        std::fprintf(stderr, "%s: %s\n", what, err->c_str());
        return false;
    }
    return true;
}

void Exec(DB_handle* h, const std::string& sql) {
    Check(DB_finish(h, DB_run(h, sql.c_str(), nullptr)), sql.substr(0, 60).c_str());
}

// One process-wide set-up: ODBC configuration of our own, both catalogs filled once.
struct BenchCatalogs {
    std::string folder;
    std::string pgState;
    std::string pgSkip;
    DB_handle* sqlite = nullptr;
    DB_handle* postgres = nullptr;
    DB_handle* indexing = nullptr;

    BenchCatalogs() {
        char pattern[] = "/tmp/tambrel-bench.XXXXXX";
        folder = mkdtemp(pattern);
        pgState = folder + "/postgres.state";
        std::string port;
        std::string start = "bash '" TAMBREL_SOURCE_DIR "/scripts/test-postgres.sh' start '" +
                            pgState + "' >/dev/null 2>&1";
        std::system(start.c_str());
        std::ifstream state(pgState);
        std::string first;
        state >> first >> port;
        if (first == "skip" || port.empty()) {
            pgSkip = "PostgreSQL could not be started";
        } else {
            std::string create = "psql -q -h 127.0.0.1 -p " + port +
                                 " -U postgres -d postgres -c 'CREATE DATABASE bench' "
                                 ">/dev/null 2>&1";
            if (std::system(create.c_str()) != 0) {
                pgSkip = "psql could not create the database";
            }
        }
        std::ofstream(folder + "/odbcinst.ini") << "[SQLite3]\nDriver=libsqlite3odbc.so\n"
                                                   "[PostgreSQL Unicode]\nDriver=psqlodbcw.so\n";
        std::ofstream ini(folder + "/odbc.ini");
        ini << "[BenchSqlite]\nDriver=SQLite3\nDatabase=" << folder
            << "/catalog.db\nNoTXN=0\nJournalMode=WAL\n"
            << "[BenchIndex]\nDriver=SQLite3\nDatabase=" << folder
            << "/index.db\nNoTXN=0\nJournalMode=WAL\n";
        if (pgSkip.empty()) {
            ini << "[BenchPostgres]\nDriver=PostgreSQL Unicode\nServername=127.0.0.1\nPort=" << port
                << "\nDatabase=bench\nUsername=postgres\n"
                   "ConnSettings=SET client_encoding TO 'UTF8'\nUseDeclareFetch=1\n";
        }
        ini.close();
        setenv("ODBCSYSINI", folder.c_str(), 1);
        setenv("ODBCINI", (folder + "/odbc.ini").c_str(), 1);

        sqlite = Open("BenchSqlite");
        indexing = Open("BenchIndex");
        if (pgSkip.empty()) {
            postgres = Open("BenchPostgres");
        }
        Fill(sqlite, DB_engine::SQLite);
        if (postgres) {
            Fill(postgres, DB_engine::PostgreSQL);
        }
    }

    ~BenchCatalogs() {
        for (DB_handle* h : {sqlite, postgres, indexing}) {
            if (h) {
                DB_disconnect(h);
            }
        }
        std::string stop = "bash '" TAMBREL_SOURCE_DIR "/scripts/test-postgres.sh' stop '" +
                           pgState + "' >/dev/null 2>&1";
        std::system(stop.c_str());
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }

    static DB_handle* Open(const char* dsn) {
        DB_handle* h = nullptr;
        if (!Check(DB_connect(dsn, "", "", &h), dsn)) {
            return nullptr;
        }
        DB_engine engine;
        std::string name;
        std::vector<std::string> created;
        Check(DB_detect_engine(h, &engine, &name), "engine");
        Check(DB_create_catalog_tables(h, engine, &created), "tables");
        Check(DB_build_shadow_tables(h, 0), "registers");
        return h;
    }

    // Rows made by the engine itself: the search is measured, not the loading.
    static void Fill(DB_handle* h, DB_engine engine) {
        if (h == nullptr) {
            return;
        }
        const std::string files = std::to_string(FileCount());
        const std::string variants = std::to_string(kVariants - 1);
        if (engine == DB_engine::SQLite) {
            const std::string signature = "CAST(randomblob(13) || X'000020' AS BLOB)";
            Exec(h, "INSERT INTO AUDIO_FILE (FILE_NAME, FILE_SAMPLE_RATE, FILE_DURATION, "
                    "FILE_BPM, FILE_KEY, FILE_SIGNATURE, INT0, INT1, INT2, INT3, INT4, INT5, "
                    "INT6, INT7, INT8, INT9, TEXT0, TEXT1, TEXT2, TEXT3, TEXT4, TEXT5, TEXT6, "
                    "TEXT7, TEXT8, TEXT9, INDEX_DATE) WITH RECURSIVE c(i) AS (SELECT 1 UNION "
                    "ALL SELECT i + 1 FROM c WHERE i < " +
                        files + ") SELECT '/bench/f' || i || '.wav', 44100, 2000, -1, 13, " +
                        signature +
                        ", 1, 100000, 2, 17, 1 + i % 3, 2, 0, 0, 0, 0, 'sound ' || i, 'Cat' || "
                        "(i % 20), 'Sub' || (i % 7), 'Genre' || (i % 10), '', '', '', '', "
                        "'/bench/f' || i || '.wav', '', '2024-01-01 00:00:00' FROM c");
            Exec(h, "INSERT INTO SOUND SELECT A.FILE_ID, 44100 + 1000 * v.n, 2000, -1, 13, " +
                        signature +
                        ", randomblob(250) FROM AUDIO_FILE A, (WITH RECURSIVE r(n) AS (SELECT 0 "
                        "UNION ALL SELECT n + 1 FROM r WHERE n < " +
                        variants + ") SELECT n FROM r) v");
            // Twenty description words per file from 4,000 stems: the product of three even
            // draws makes a few stems common and most rare.
            Exec(h, "INSERT INTO TERM SELECT A.FILE_ID, 0, 'w' || ((abs(random()) % 4000) * "
                    "(abs(random()) % 4000) / 4000 * (abs(random()) % 4000) / 4000) FROM "
                    "AUDIO_FILE A, (WITH RECURSIVE r(n) AS (SELECT 0 UNION ALL SELECT n + 1 "
                    "FROM r WHERE n < 19) SELECT n FROM r) v");
        } else {
            const std::string signature =
                "substring(decode(md5(random()::text), 'hex') from 1 for 13) || "
                "'\\x000020'::bytea";
            Exec(h, "INSERT INTO AUDIO_FILE (FILE_NAME, FILE_SAMPLE_RATE, FILE_DURATION, "
                    "FILE_BPM, FILE_KEY, FILE_SIGNATURE, INT0, INT1, INT2, INT3, INT4, INT5, "
                    "INT6, INT7, INT8, INT9, TEXT0, TEXT1, TEXT2, TEXT3, TEXT4, TEXT5, TEXT6, "
                    "TEXT7, TEXT8, TEXT9, INDEX_DATE) SELECT '/bench/f' || i || '.wav', 44100, "
                    "2000, -1, 13, " +
                        signature +
                        ", 1, 100000, 2, 17, 1 + i % 3, 2, 0, 0, 0, 0, 'sound ' || i, 'Cat' || "
                        "(i % 20), 'Sub' || (i % 7), 'Genre' || (i % 10), '', '', '', '', "
                        "'/bench/f' || i || '.wav', '', '2024-01-01 00:00:00' FROM "
                        "generate_series(1, " +
                        files + ") i");
            Exec(h, "INSERT INTO SOUND SELECT A.FILE_ID, 44100 + 1000 * v, 2000, -1, 13, " +
                        signature +
                        ", decode(repeat(md5(v::text), 8), 'hex') || "
                        "decode(repeat('ab', 122), 'hex') FROM AUDIO_FILE A, generate_series(0, " +
                        variants + ") v");
            Exec(h, "INSERT INTO TERM SELECT A.FILE_ID, 0, 'w' || floor(random() * random() * "
                    "random() * 4000)::int FROM AUDIO_FILE A, generate_series(0, 19) v");
        }
        // The category, sub-category, genre and file-name words, and the rare word.
        Exec(h, "INSERT INTO TERM SELECT FILE_ID, 1, 'cat' || (FILE_ID % 20) FROM AUDIO_FILE");
        Exec(h, "INSERT INTO TERM SELECT FILE_ID, 2, 'sub' || (FILE_ID % 7) FROM AUDIO_FILE");
        Exec(h, "INSERT INTO TERM SELECT FILE_ID, 3, 'genre' || (FILE_ID % 10) FROM AUDIO_FILE");
        Exec(h, "INSERT INTO TERM SELECT FILE_ID, 8, 'f' || FILE_ID FROM AUDIO_FILE");
        Exec(h, "INSERT INTO TERM SELECT FILE_ID, 0, 'howl' FROM AUDIO_FILE WHERE FILE_ID % " +
                    std::to_string(RareEvery()) + " = 0");
        if (engine != DB_engine::SQLite)
            Exec(h, "ANALYZE");
    }
};

BenchCatalogs& Catalogs() {
    static BenchCatalogs catalogs;
    return catalogs;
}

DB_handle* Handle(bool postgres, benchmark::State& state) {
    BenchCatalogs& c = Catalogs();
    DB_handle* h = postgres ? c.postgres : c.sqlite;
    if (h == nullptr) {
        state.SkipWithError(postgres ? c.pgSkip.c_str() : "SQLite catalog not available");
    }
    return h;
}

// Peak resident memory is reset before a benchmark's loop and read after it, so that the
// figure belongs to the measured work and not to the loading of the catalogs.
double StatusMiB(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0) {
            return std::atof(line.c_str() + std::strlen(field)) / 1024.0;
        }
    }
    return 0;
}

double residentBefore = 0;

void ResetPeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
    residentBefore = StatusMiB("VmRSS:");
}

// peak_MiB: the process's peak while measuring; grow_MiB: how far above the resident size
// at the start of the loop it went.
void PeakMemory(benchmark::State& state) {
    double peak = StatusMiB("VmHWM:");
    state.counters["peak_MiB"] = peak;
    state.counters["grow_MiB"] = peak - residentBefore;
}

SoundSignature Target() {
    SoundSignature s{};
    for (int i = 0; i < 12; ++i) {
        s.bytes[i] = static_cast<uint8_t>(37 * i + 11);
    }
    s.bytes[12] = 60;
    s.bytes[15] = ' ';
    return s;
}

// How a similarity search is answered: from the signatures held in memory once loaded, by
// the statement over every SOUND row, or from memory loaded afresh for each search.
enum class Path { Memory, Statement, FirstLoad };

void BM_SimilaritySearch(benchmark::State& state, bool postgres, Path path) {
    DB_handle* h = Handle(postgres, state);
    if (h == nullptr) {
        return;
    }
    h->signatureCacheEnabled = path != Path::Statement;
    SearchCriteria criteria;
    criteria.SetTargetSignature(Target());
    criteria.scoreMin = 40;
    criteria.scoreMax = 100;
    criteria.maxResults = 200;
    int hits = 0;
    // A first load starts from nothing held, so that its peak counts the rows it builds.
    if (path == Path::FirstLoad) {
        h->signatures.reset();
    }
    ResetPeakMemory();
    for (auto _ : state) {
        if (path == Path::FirstLoad) {
            h->signatures.reset();
        }
        std::unique_ptr<DB_query_result> result;
        if (!Check(DB_process_query(h, &criteria, &result), "search")) {
            state.SkipWithError("search failed");
            return;
        }
        hits = result->count();
    }
    state.counters["hits"] = hits;
    state.SetItemsProcessed(state.iterations() * FileCount() * kVariants);
    if (h->signatures) {
        state.counters["held_MiB"] =
            static_cast<double>(h->signatures->MemoryBytes()) / (1024.0 * 1024.0);
    }
    h->signatureCacheEnabled = true;
    PeakMemory(state);
}

#ifdef TAMBREL_BENCH_SQLITE3
// The first load's reference: the columns the held signatures are made of, read from the
// same file through SQLite's own C API into rows of the same size, with no ODBC between.
void BM_DirectRead(benchmark::State& state) {
    if (Handle(false, state) == nullptr) {
        return;
    }
    struct FileRow {
        int32_t values[15];
        uint8_t signature[16];
    };
    struct SoundRow {
        int32_t file, rate, duration, bpm, key;
        uint8_t signature[16];
    };
    const std::string path = Catalogs().folder + "/catalog.db";
    std::size_t held = 0;
    ResetPeakMemory();
    for (auto _ : state) {
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
            state.SkipWithError("cannot open the catalog file");
            sqlite3_close(db);
            return;
        }
        std::vector<FileRow> files;
        std::vector<SoundRow> sounds;
        sqlite3_stmt* stmt = nullptr;
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_prepare_v2(db,
                           "SELECT FILE_ID, FILE_SAMPLE_RATE, FILE_DURATION, FILE_BPM, FILE_KEY, "
                           "INT0, INT1, INT2, INT3, INT4, INT5, INT6, INT7, INT8, INT9, "
                           "FILE_SIGNATURE FROM AUDIO_FILE",
                           -1, &stmt, nullptr);
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            FileRow row{};
            for (int c = 0; c < 15; ++c) {
                row.values[c] = sqlite3_column_int(stmt, c);
            }
            if (sqlite3_column_bytes(stmt, 15) == 16) {
                std::memcpy(row.signature, sqlite3_column_blob(stmt, 15), 16);
            }
            files.push_back(row);
        }
        sqlite3_finalize(stmt);
        sqlite3_prepare_v2(db,
                           "SELECT FILE_ID, SOUND_SAMPLE_RATE, SOUND_DURATION, SOUND_BPM, "
                           "SOUND_KEY, SOUND_SIGNATURE FROM SOUND",
                           -1, &stmt, nullptr);
        sounds.reserve(static_cast<std::size_t>(FileCount()) * kVariants);
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            SoundRow row{sqlite3_column_int(stmt, 0), sqlite3_column_int(stmt, 1),
                         sqlite3_column_int(stmt, 2), sqlite3_column_int(stmt, 3),
                         sqlite3_column_int(stmt, 4), {}};
            if (sqlite3_column_bytes(stmt, 5) == 16) {
                std::memcpy(row.signature, sqlite3_column_blob(stmt, 5), 16);
            }
            sounds.push_back(row);
        }
        sqlite3_finalize(stmt);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        held = files.capacity() * sizeof(FileRow) + sounds.capacity() * sizeof(SoundRow);
        benchmark::DoNotOptimize(sounds.data());
    }
    state.counters["held_MiB"] = static_cast<double>(held) / (1024.0 * 1024.0);
    PeakMemory(state);
}
#endif

// The floor of any search over every variant: the SOUND rows fetched through ODBC with the
// same three columns bound, nothing else done.
void BM_PlainFetch(benchmark::State& state, bool postgres) {
    DB_handle* h = Handle(postgres, state);
    if (h == nullptr) {
        return;
    }
    int32_t fileId, rate;
    uint8_t signature[16];
    SQLLEN ind[3];
    long rows = 0;
    ResetPeakMemory();
    for (auto _ : state) {
        rows = 0;
        SQLFreeStmt(h->stmt, SQL_UNBIND);
        SQLRETURN rc = SQLExecDirect(
            h->stmt, (SQLCHAR*)"SELECT FILE_ID, SOUND_SAMPLE_RATE, SOUND_SIGNATURE FROM SOUND",
            SQL_NTS);
        if (!SQL_SUCCEEDED(rc)) {
            state.SkipWithError("plain fetch failed");
            return;
        }
        SQLBindCol(h->stmt, 1, SQL_C_SLONG, &fileId, 0, &ind[0]);
        SQLBindCol(h->stmt, 2, SQL_C_SLONG, &rate, 0, &ind[1]);
        SQLBindCol(h->stmt, 3, SQL_C_BINARY, signature, sizeof signature, &ind[2]);
        while (SQL_SUCCEEDED(SQLFetch(h->stmt))) {
            ++rows;
        }
        SQLCloseCursor(h->stmt);
        SQLEndTran(SQL_HANDLE_DBC, h->dbc, SQL_COMMIT);
        benchmark::DoNotOptimize(rows);
    }
    SQLFreeStmt(h->stmt, SQL_UNBIND);
    state.counters["rows"] = static_cast<double>(rows);
    state.SetItemsProcessed(state.iterations() * rows);
    PeakMemory(state);
}

// A keyword search and the fetch of its hits' file and sound rows, as the search window does
// them. The reference is how it went before: the plain join of the three tables grouped per
// file and rate, and two single-row statements per hit.
enum class Keyword { Rare, Common };

void BM_KeywordSearch(benchmark::State& state, bool postgres, Keyword word, bool reference) {
    DB_handle* h = Handle(postgres, state);
    if (h == nullptr) {
        return;
    }
    SearchCriteria criteria;
    criteria.SetKeywords(word == Keyword::Rare ? "howl" : "w0");
    criteria.ownPitchOnly = 1;
    criteria.maxResults = 200;
    const std::string stem = word == Keyword::Rare ? "howl" : "w0";
    const std::string plainJoin =
        "SELECT A.FILE_ID, FILE_SAMPLE_RATE, COUNT(*) FROM AUDIO_FILE A, TERM T WHERE 1=1 AND "
        "A.FILE_ID = T.FILE_ID AND WORD_STEM = '" +
        stem + "' GROUP BY A.FILE_ID, FILE_SAMPLE_RATE ORDER BY 3 DESC, 1 DESC, 2 DESC";
    using Clock = std::chrono::steady_clock;
    double queryMs = 0;
    double fetchMs = 0;
    int hits = 0;
    int rows = 0;
    ResetPeakMemory();
    for (auto _ : state) {
        const auto t0 = Clock::now();
        std::unique_ptr<DB_query_result> result;
        DB_error err = reference
                           ? DB_finish(h, DB_run_query(h, criteria, plainJoin, &result))
                           : DB_process_query(h, &criteria, &result);
        if (!Check(err, "keyword search")) {
            state.SkipWithError("keyword search failed");
            return;
        }
        const auto t1 = Clock::now();
        hits = result->count();
        rows = 0;
        if (reference) {
            for (const DB_hit& hit : result->hits) {
                std::unique_ptr<DB_file> file;
                std::unique_ptr<DB_sound> sound;
                Check(DB_get_file(h, hit.fileId, &file), "file");
                Check(DB_get_sound(h, hit.fileId, hit.sampleRate, &sound), "sound");
                rows += file && sound ? 1 : 0;
            }
        } else {
            std::vector<DB_file_sound_key> keys;
            for (const DB_hit& hit : result->hits) {
                keys.push_back({hit.fileId, hit.sampleRate});
            }
            std::vector<std::unique_ptr<DB_file>> files;
            std::vector<std::unique_ptr<DB_sound>> sounds;
            Check(DB_get_files_and_sounds(h, keys, &files, &sounds), "files and sounds");
            for (std::size_t i = 0; i < keys.size(); ++i) {
                rows += files[i] && sounds[i] ? 1 : 0;
            }
        }
        const auto t2 = Clock::now();
        queryMs += std::chrono::duration<double, std::milli>(t1 - t0).count();
        fetchMs += std::chrono::duration<double, std::milli>(t2 - t1).count();
    }
    const double n = std::max<double>(1, static_cast<double>(state.iterations()));
    state.counters["hits"] = hits;
    state.counters["rows"] = rows;
    state.counters["query_ms"] = queryMs / n;
    state.counters["fetch_ms"] = fetchMs / n;
    PeakMemory(state);
}

const char* kWords[] = {"bark",  "dog",     "growl", "metal",   "door",   "slam",   "wind",
                        "rain",  "thunder", "crowd", "cheer",   "engine", "car",    "horn",
                        "bell",  "church",  "glass", "break",   "water",  "drip",   "forest",
                        "birds", "night",   "city",  "traffic", "laser",  "whoosh", "impact"};

void BM_Index(benchmark::State& state) {
    DB_handle* h = Catalogs().indexing;
    if (h == nullptr) {
        state.SkipWithError("indexing catalog not available");
        return;
    }
    static int serial = 0;
    ResetPeakMemory();
    for (auto _ : state) {
        state.PauseTiming();
        ++serial;
        DB_file_sounds fs;
        fs.file = std::make_unique<DB_file>();
        DB_file& f = *fs.file;
        f.fileName = "/bench/index/file" + std::to_string(serial) + ".wav";
        f.sampleRate = 44100;
        f.duration = 3000;
        f.bpm = 120;
        f.key = 4;
        const SoundSignature target = Target();
        std::copy(target.bytes, target.bytes + 16, f.signature.begin());
        f.ints = {1, 500000, 2, 17, 1 + serial % 3, 2, 0, 0, 0, 0};
        // About 30 words over the description, category, sub-category, genre and notes.
        std::string description;
        for (int i = 0; i < 20; ++i) {
            description += std::string(kWords[(serial + i * 7) % 28]) + " ";
        }
        f.texts[0] = description;
        f.texts[1] = "Animals";
        f.texts[2] = "Dogs";
        f.texts[3] = "Nature";
        f.texts[6] = "recorded outdoors in the early morning";
        f.texts[8] = f.fileName;
        f.indexDate = "2024-01-01 00:00:00";
        for (int v = 0; v < kVariants; ++v) {
            auto s = std::make_unique<DB_sound>();
            s->sampleRate = 44100 + 1000 * v;
            s->duration = 3000;
            s->bpm = 120;
            s->key = 4;
            s->signature = f.signature;
            s->data.assign(250, static_cast<uint8_t>(v));
            fs.sounds.push_back(std::move(s));
        }
        state.ResumeTiming();
        if (!Check(DB_index(h, &fs, 0x37F), "index")) {
            state.SkipWithError("index failed");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations());
    PeakMemory(state);
}

} // namespace

BENCHMARK_CAPTURE(BM_PlainFetch, SQLite, false)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_SimilaritySearch, SQLiteStatement, false, Path::Statement)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
#ifdef TAMBREL_BENCH_SQLITE3
BENCHMARK(BM_DirectRead)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
#endif
BENCHMARK_CAPTURE(BM_SimilaritySearch, SQLiteFirstLoad, false, Path::FirstLoad)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_SimilaritySearch, SQLite, false, Path::Memory)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_PlainFetch, PostgreSQL, true)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_SimilaritySearch, PostgreSQLStatement, true, Path::Statement)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_SimilaritySearch, PostgreSQLFirstLoad, true, Path::FirstLoad)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_SimilaritySearch, PostgreSQL, true, Path::Memory)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
// Each engine and word, the former statement beside today's in the same run.
const bool kKeywordSearchesRegistered = [] {
    for (const bool postgres : {false, true})
        for (const Keyword word : {Keyword::Rare, Keyword::Common})
            for (const bool reference : {true, false}) {
                std::string name = "BM_KeywordSearch/";
                name += postgres ? "PostgreSQL" : "SQLite";
                name += word == Keyword::Rare ? "RareWord" : "CommonWord";
                name += reference ? "Before" : "";
                benchmark::RegisterBenchmark(name.c_str(), BM_KeywordSearch, postgres, word, reference)
                    ->Unit(benchmark::kMillisecond)
                    ->UseRealTime();
            }
    return true;
}();
BENCHMARK(BM_Index)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1000);

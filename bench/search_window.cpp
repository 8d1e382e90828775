// The search window from "Search Now" to its first page painted, on a catalog of realistic
// size: a keyword search of up to 200 hits and a similarity search, each beside the query
// alone (the catalog's own search and the fetch of every hit), so that what the window adds
// shows. A variant with tips off leaves out the busy box and its pumps between rows.
//
// The catalog (TAMBREL_BENCH_FILES files, default 100,000, with 25 pitch variants each) is
// made once on SQLite and kept beside this program; delete the folder to make it anew.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

#include "app/tip_wnd.h"
#include "collection/catalog_db.h"
#include "collection/catalog_message.h"
#include "collection/db/connection.h"
#include "collection/db/schema.h"
#include "collection/db/statement.h"
#include "collection/remote/web_task_manager.h"
#include "collection/remote/web_tasks.h"
#include "collection/search_criteria.h"
#include "collection/sound_file_list.h"
#include "windows/search/search_box.h"
#include "windows/search/search_window.h"
#include "windows/search/search_results_pane.h"
#include "windows/search/search_view.h"

namespace {

constexpr int kVariants = 25;
const char kDsn[] = "BenchSearchWindow";
// One word every 500th file has: 200 hits among 100,000 files at their own pitch.
const char kKeyword[] = "howl";

int FileCount() {
    const char* text = std::getenv("TAMBREL_BENCH_FILES");
    const int n = text ? std::atoi(text) : 0;
    return n > 0 ? n : 100000;
}

std::filesystem::path ProgramFolder() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::current_path() : exe.parent_path();
}

bool Check(const DB_error& err, const char* what) {
    if (err)
        std::fprintf(stderr, "%s: %s\n", what, err->c_str());
    return !err;
}

void Exec(DB_handle* h, const std::string& sql) {
    Check(DB_finish(h, DB_run(h, sql.c_str(), nullptr)), sql.substr(0, 60).c_str());
}

// Rows made by the engine itself; the words go straight into TERM as the indexer stems them.
void Fill(DB_handle* h, int files) {
    const std::string n = std::to_string(files);
    const std::string signature = "CAST(randomblob(13) || X'000020' AS BLOB)";
    Exec(h, "INSERT INTO AUDIO_FILE (FILE_NAME, FILE_SAMPLE_RATE, FILE_DURATION, FILE_BPM, "
            "FILE_KEY, FILE_SIGNATURE, INT0, INT1, INT2, INT3, INT4, INT5, INT6, INT7, INT8, "
            "INT9, TEXT0, TEXT1, TEXT2, TEXT3, TEXT4, TEXT5, TEXT6, TEXT7, TEXT8, TEXT9, "
            "INDEX_DATE) WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE "
            "i < " + n + ") SELECT '/bench/sounds/f' || i || '.wav', 44100, 2000, -1, 1 + i % 12, " +
                signature +
                ", 1, 176400, 1, 17, 1 + i % 3, 2, 0, 0, 0, 0, CASE WHEN i % 500 = 0 THEN "
                "'dog howl ' || i ELSE 'sound ' || i END, 'Animals', 'Dogs', 'Nature', '', '', "
                "'', '', '/bench/sounds/f' || i || '.wav', '', '2024-01-01 00:00:00' FROM c");
    // Rates 44100 x (n + 1) / 13: the thirteenth is the file's own.
    Exec(h, "INSERT INTO SOUND SELECT A.FILE_ID, 44100 * (v.n + 1) / 13, 2000, -1, 1, " +
                signature +
                ", randomblob(250) FROM AUDIO_FILE A, (WITH RECURSIVE r(n) AS (SELECT 0 UNION "
                "ALL SELECT n + 1 FROM r WHERE n < " +
                std::to_string(kVariants - 1) + ") SELECT n FROM r) v");
    // Twenty more description words per file from 4,000 stems: the product of three even
    // draws makes a few stems common and most rare.
    Exec(h, "INSERT INTO TERM SELECT A.FILE_ID, 0, 'w' || ((abs(random()) % 4000) * "
            "(abs(random()) % 4000) / 4000 * (abs(random()) % 4000) / 4000) FROM AUDIO_FILE A, "
            "(WITH RECURSIVE r(n) AS (SELECT 0 UNION ALL SELECT n + 1 FROM r WHERE n < 19) "
            "SELECT n FROM r) v");
    Exec(h, "INSERT INTO TERM SELECT FILE_ID, 0, 'sound' FROM AUDIO_FILE");
    Exec(h, "INSERT INTO TERM SELECT FILE_ID, 0, 'dog' FROM AUDIO_FILE WHERE FILE_ID % 500 = 0");
    Exec(h, "INSERT INTO TERM SELECT FILE_ID, 0, 'howl' FROM AUDIO_FILE WHERE FILE_ID % 500 = 0");
    Exec(h, "INSERT INTO TERM SELECT FILE_ID, 1, 'animal' FROM AUDIO_FILE");
    Exec(h, "INSERT INTO TERM SELECT FILE_ID, 8, 'f' || FILE_ID FROM AUDIO_FILE");
}

SoundSignature Example() {
    SoundSignature s{};
    for (int i = 0; i < 12; ++i)
        s.bytes[i] = static_cast<std::uint8_t>(40 + 17 * i);
    s.bytes[15] = kSignatureMark;
    return s;
}

SearchCriteria KeywordCriteria() {
    SearchCriteria c;
    c.SetKeywords(kKeyword);
    c.ownPitchOnly = 1;
    return c;
}

SearchCriteria SimilarCriteria() {
    SearchCriteria c;
    c.SetTargetSignature(Example());
    c.scoreMin = 40;
    c.scoreMax = 100;
    c.maxResults = 200;
    return c;
}

struct World {
    std::unique_ptr<CatalogDbObj> catalog;
    std::string error;

    World() {
        const auto folder = ProgramFolder() / "search_window_catalog";
        const int files = FileCount();
        const auto db = folder / ("catalog-words-" + std::to_string(files) + ".db");
        std::filesystem::create_directories(folder);
        std::ofstream(folder / "odbcinst.ini") << "[SQLite3]\nDriver=libsqlite3odbc.so\n";
        std::ofstream(folder / "odbc.ini") << "[" << kDsn << "]\nDriver=SQLite3\nDatabase="
                                           << db.string() << "\nNoTXN=0\nJournalMode=WAL\n";
        // The windows keep their settings here, not in the user's own.
        setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
        setenv("ODBCSYSINI", folder.c_str(), 1);
        setenv("ODBCINI", (folder / "odbc.ini").c_str(), 1);
        const bool made = std::filesystem::exists(folder / (db.filename().string() + ".done"));
        if (!made) {
            std::filesystem::remove(db);
            DB_handle* h = nullptr;
            if (!Check(DB_connect(kDsn, "", "", &h), kDsn)) {
                error = "cannot open the catalog";
                return;
            }
            std::vector<std::string> created;
            Check(DB_create_catalog_tables(h, DB_engine::SQLite, &created), "tables");
            Check(DB_build_shadow_tables(h, 0), "registers");
            const auto start = std::chrono::steady_clock::now();
            Fill(h, files);
            Exec(h, "ANALYZE");
            DB_disconnect(h);
            std::fprintf(stderr, "catalog of %d files made in %.1f s\n", files,
                         std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
                             .count());
            std::ofstream(folder / (db.filename().string() + ".done")) << "made\n";
        }
        SetCatalogMessageHook([](const char* text) { std::fprintf(stderr, "catalog: %s\n", text); });
        catalog = std::make_unique<CatalogDbObj>(kDsn);
        theCatalogDb = catalog.get();
        // The first similarity search loads every signature into memory; both kinds of
        // search are measured warm, as the second search of a session runs.
        for (const SearchCriteria& c : {KeywordCriteria(), SimilarCriteria()}) {
            int hits = 0;
            auto result = catalog->RunQuery(c, hits);
            CatalogDbObj::FreeQueryResult(result);
        }
    }
};

World& TheWorld() {
    static int argc = 1;
    static char name[] = "bench_search_window";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    static World world;
    return world;
}

class BenchHost : public SearchBoxHost {
public:
    int SearchBoxCount() const override { return 0; }
    void StopPreview() override {}
    void CloseSearchWindow(SearchBoxLink*) override {}
    WebTaskManager& WebTasks() override { return manager; }
    WebTaskManager manager;
};

// The query alone: the catalog's search and the fetch of every hit, as the window does them.
void RunQueryAlone(benchmark::State& state, SearchCriteria criteria) {
    if (!TheWorld().catalog) {
        state.SkipWithError(TheWorld().error.c_str());
        return;
    }
    int rows = 0;
    for (auto _ : state) {
        int hits = 0;
        auto result = theCatalogDb->RunQuery(criteria, hits);
        rows = 0;
        std::vector<FetchedRow> batch;
        for (int first = 0; result && first < hits; first += 50) {
            if (theCatalogDb->FetchRows(*result, first, 50, batch))
                rows += static_cast<int>(batch.size());
        }
        CatalogDbObj::FreeQueryResult(result);
    }
    state.counters["hits"] = rows;
}

// "Search Now" clicked to the first page painted, MyTambrel only.
void RunWindow(benchmark::State& state, bool similar, bool tips) {
    if (!TheWorld().catalog) {
        state.SkipWithError(TheWorld().error.c_str());
        return;
    }
    TipWnd::SetShowTipsSource([tips] { return tips; });
    BenchHost host;
    auto box = similar ? std::make_unique<SearchBoxObj>(Example(), host)
                       : std::make_unique<SearchBoxObj>(std::string(kKeyword), host);
    SearchFrm* frame = box->Frame();
    frame->resize(1200, 800);
    SearchView* form = frame->Form();
    form->CheckBox(1008)->setChecked(false);
    QApplication::processEvents();
    double clickMs = 0, paintMs = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        form->SearchButton()->click();
        const auto t1 = std::chrono::steady_clock::now();
        frame->repaint();
        const auto t2 = std::chrono::steady_clock::now();
        clickMs += std::chrono::duration<double, std::milli>(t1 - t0).count();
        paintMs += std::chrono::duration<double, std::milli>(t2 - t1).count();
        // Back in the program's event loop between two searches: what the last one let go
        // of is deleted there.
        state.PauseTiming();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QApplication::processEvents();
        state.ResumeTiming();
    }
    // Where the time goes: the search itself (query, rows, pages) and the first paint.
    state.counters["search_ms"] = clickMs / std::max<double>(1, state.iterations());
    state.counters["paint_ms"] = paintMs / std::max<double>(1, state.iterations());
    state.counters["hits"] = box->LocalList()->Rows().Count();
    box.reset();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    TipWnd::SetShowTipsSource(nullptr);
}

void BM_KeywordQuery(benchmark::State& state) {
    RunQueryAlone(state, KeywordCriteria());
}
void BM_KeywordWindow(benchmark::State& state) {
    RunWindow(state, false, true);
}
void BM_KeywordWindowNoTips(benchmark::State& state) {
    RunWindow(state, false, false);
}
void BM_SimilarQuery(benchmark::State& state) {
    RunQueryAlone(state, SimilarCriteria());
}
void BM_SimilarWindow(benchmark::State& state) {
    RunWindow(state, true, true);
}
void BM_SimilarWindowNoTips(benchmark::State& state) {
    RunWindow(state, true, false);
}

BENCHMARK(BM_KeywordQuery)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeywordWindow)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeywordWindowNoTips)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SimilarQuery)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SimilarWindow)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SimilarWindowNoTips)->Unit(benchmark::kMillisecond);

} // namespace

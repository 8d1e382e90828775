// The category tree on a catalog of realistic size.
//
// A SQLite catalog of TAMBREL_BENCH_FILES files (default 100,000): the first 20,000 under
// Effects/Animals/Dog, the rest spread over 40 categories of 10 sub-categories in the three
// classes. Measured: filling the tree (the controller's FillCategoryTree into the real
// LocalFilesView), reading the counts into a taxonomy (start-up), and ShowCategory of the
// 20,000-file category up to the first painted page of the main list's table.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QPixmap>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "bench/bench_odbc.h"
#include "app/app_controller.h"
#include "collection/catalog_db.h"
#include "collection/db/catalog.h"
#include "collection/db/connection.h"
#include "collection/db/schema.h"
#include "collection/db/statement.h"
#include "collection/db/words.h"
#include "collection/search_criteria.h"
#include "collection/sound_category_tree.h"
#include "windows/category/controller_tree_host.h"
#include "windows/category/category_tree_view.h"
#include "windows/results/results_list.h"
#include "windows/results/results_views.h"
#include "windows/results/table_and_cards.h"
#include "windows/results/results_table.h"

namespace {

constexpr int kBigCategory = 20000;

int FileCount() {
    const char* text = std::getenv("TAMBREL_BENCH_FILES");
    const int n = text ? std::atoi(text) : 0;
    return n > kBigCategory ? n : 100000;
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

std::string Stem(const char* word) {
    int start = 0, end = 0;
    std::string stem;
    DB_next_word(word, 0, &start, &end, &stem);
    return stem;
}

class BenchFactory : public ToolWindowFactory {
public:
    std::unique_ptr<EditorBoxLink> NewEditorBox() override { return nullptr; }
    std::unique_ptr<SearchBoxLink> NewSearchBox(bool, const std::string&,
                                                const SoundSignature&) override {
        return nullptr;
    }
    std::unique_ptr<ResultsListLink> NewMainList() override {
        return std::make_unique<ResultsListObj>(pane->Results(), ResultsListObj::kMyTambrel);
    }
    void RunValidator() override {}
    std::unique_ptr<ManageBoxLink> NewManageBox(IndexerBoxController&) override { return nullptr; }
    CategoryTreePane NewCategoryTreePane(QWidget*) override { return {}; }
    ResultsPane NewResultsPane(QWidget*) override { return {}; }

    SinglePageResultsView* pane = nullptr;
};

// One process-wide set-up: an ODBC configuration of our own, the catalog filled once, the
// taxonomy counted, the tree and the main list made by the controller's start-up.
struct BenchTree {
    std::string folder;
    std::unique_ptr<QApplication> app;
    std::unique_ptr<CatalogDbObj> catalog;
    std::unique_ptr<AppController> controller;
    BenchFactory factory;
    std::unique_ptr<LocalFilesView> view;
    std::unique_ptr<SinglePageResultsView> pane;

    BenchTree() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "bench_category_tree";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QApplication>(argc, argv);

        char pattern[] = "/tmp/tambrel-bench-tree.XXXXXX";
        folder = mkdtemp(pattern);
        UseBenchDataSource(folder, "BenchTree");
        Fill();

        catalog = std::make_unique<CatalogDbObj>("BenchTree");
        theCatalogDb = catalog.get();
        theSoundCategoryTree.LoadCounts(*catalog);
        controller = std::make_unique<AppController>();
        theController = controller.get();
        view.reset(LocalFilesView::Create(std::make_unique<ControllerTreeHost>(), nullptr));
        pane = std::make_unique<SinglePageResultsView>();
        pane->resize(900, 600);
        pane->show();
        factory.pane = pane.get();
        controller->SetToolWindowFactory(&factory);
        controller->SetMainPanes(view.get(), pane.get());
        controller->Startup();
    }

    ~BenchTree() {
        controller->SetMainPanes(nullptr, nullptr);
        controller.reset();
        theController = nullptr;
        pane.reset();
        view.reset();
        theCatalogDb = nullptr;
        catalog.reset();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }

    // Rows made by the engine itself: the tree is measured, not the loading.
    void Fill() {
        DB_handle* h = nullptr;
        if (!Check(DB_connect("BenchTree", "", "", &h), "connect"))
            std::exit(1);
        DB_engine engine;
        std::string dbms;
        std::vector<std::string> created;
        Check(DB_detect_engine(h, &engine, &dbms), "engine");
        Check(DB_create_catalog_tables(h, engine, &created), "tables");
        const std::string files = std::to_string(FileCount());
        const std::string big = std::to_string(kBigCategory);
        Exec(h, "INSERT INTO AUDIO_FILE (FILE_NAME, FILE_SAMPLE_RATE, FILE_DURATION, FILE_BPM, "
                "FILE_KEY, FILE_SIGNATURE, INT0, INT1, INT2, INT3, INT4, INT5, INT6, INT7, INT8, "
                "INT9, TEXT0, TEXT1, TEXT2, TEXT3, TEXT4, TEXT5, TEXT6, TEXT7, TEXT8, TEXT9, "
                "INDEX_DATE) WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c "
                "WHERE i < " +
                    files +
                    ") SELECT '/bench/f' || i || '.wav', 44100, 2000, -1, 13, "
                    "CAST(randomblob(13) || X'000020' AS BLOB), 1, 100000, 2, 17, "
                    "CASE WHEN i <= " +
                    big + " THEN 1 ELSE 1 + i % 3 END, 2, 0, 0, 0, 0, 'sound ' || i, "
                          "CASE WHEN i <= " +
                    big + " THEN 'Animals' ELSE 'Cat' || (i % 40) END, CASE WHEN i <= " + big +
                    " THEN 'Dog' ELSE 'Sub' || (i % 10) END, 'Genre' || (i % 10), '', '', '', "
                    "'', '/bench/f' || i || '.wav', '', '2024-01-01 00:00:00' FROM c");
        Exec(h, "INSERT INTO SOUND SELECT FILE_ID, 44100, 2000, -1, 13, FILE_SIGNATURE, "
                "randomblob(250) FROM AUDIO_FILE");
        // The category and sub-category words, as the indexer stores them (fields 1 and 2).
        Exec(h, "INSERT INTO TERM SELECT FILE_ID, 1, CASE WHEN TEXT1 = 'Animals' THEN '" +
                    Stem("Animals") + "' ELSE lower(TEXT1) END FROM AUDIO_FILE");
        Exec(h, "INSERT INTO TERM SELECT FILE_ID, 2, CASE WHEN TEXT2 = 'Dog' THEN '" +
                    Stem("Dog") + "' ELSE lower(TEXT2) END FROM AUDIO_FILE");
        Check(DB_build_shadow_tables(h, 1), "registers");
        DB_disconnect(h);
    }
};

BenchTree& Tree() {
    static BenchTree tree;
    return tree;
}

void BM_FillCategoryTree(benchmark::State& state) {
    BenchTree& tree = Tree();
    for (auto _ : state)
        tree.controller->FillCategoryTree();
    int items = 0;
    for (QTreeWidgetItemIterator it(tree.view.get()); *it; ++it)
        ++items;
    state.counters["items"] = items;
    state.counters["files"] = FileCount();
}
BENCHMARK(BM_FillCategoryTree)->Unit(benchmark::kMillisecond);

void BM_LoadCounts(benchmark::State& state) {
    BenchTree& tree = Tree();
    for (auto _ : state) {
        SoundCategoryTree taxonomy;
        benchmark::DoNotOptimize(taxonomy.LoadCounts(*tree.catalog));
    }
}
BENCHMARK(BM_LoadCounts)->Unit(benchmark::kMillisecond);

// The parts of ShowCategory: the category query alone, and the query with every hit's rows
// read back.
SearchCriteria AnimalsCriteria() {
    return SearchCriteria::ForCategory(1, "Animals", "");
}

void BM_CategoryQuery(benchmark::State& state) {
    BenchTree& tree = Tree();
    const SearchCriteria criteria = AnimalsCriteria();
    int hits = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(tree.catalog->RunQuery(criteria, hits));
    state.counters["hits"] = hits;
}
BENCHMARK(BM_CategoryQuery)->Unit(benchmark::kMillisecond);

void BM_CategoryQueryAndFetch(benchmark::State& state) {
    BenchTree& tree = Tree();
    const SearchCriteria criteria = AnimalsCriteria();
    for (auto _ : state) {
        int hits = 0;
        std::unique_ptr<DB_query_result> result = tree.catalog->RunQuery(criteria, hits);
        for (int i = 0; result && i < hits; ++i) {
            SoundFileObj file;
            SoundVariantObj variant;
            int score = 0;
            tree.catalog->FetchRow(*result, i, file, variant, score);
        }
    }
}
BENCHMARK(BM_CategoryQueryAndFetch)->Unit(benchmark::kMillisecond);

// The same rows read a batch at a time, in batches of the argument's size.
void BM_CategoryQueryAndFetchRows(benchmark::State& state) {
    BenchTree& tree = Tree();
    const SearchCriteria criteria = AnimalsCriteria();
    const int batch = static_cast<int>(state.range(0));
    std::size_t rows = 0;
    for (auto _ : state) {
        int hits = 0;
        std::unique_ptr<DB_query_result> result = tree.catalog->RunQuery(criteria, hits);
        std::vector<FetchedRow> fetched;
        rows = 0;
        for (int i = 0; result && i < hits; i += batch) {
            tree.catalog->FetchRows(*result, i, batch, fetched);
            rows += fetched.size();
        }
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_CategoryQueryAndFetchRows)
    ->Arg(100)
    ->Arg(500)
    ->Arg(2000)
    ->Unit(benchmark::kMillisecond);

void BM_ShowCategoryFirstPage(benchmark::State& state) {
    BenchTree& tree = Tree();
    int rows = 0;
    for (auto _ : state) {
        tree.controller->ShowCategory(1, "Animals", "", true);
        const QPixmap page = tree.pane->grab();
        benchmark::DoNotOptimize(page.cacheKey());
        rows = tree.controller->MainList()->Rows().Count();
    }
    state.counters["rows"] = rows;
}
BENCHMARK(BM_ShowCategoryFirstPage)->Unit(benchmark::kMillisecond);

// Notes when the table's rows are first painted.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(QElapsedTimer& clock) : clock_(clock) {}
    qint64 at = -1;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && at < 0)
            at = clock_.nsecsElapsed();
        return false;
    }

private:
    QElapsedTimer& clock_;
};

// What the user waits for: from the click to the first page of rows painted on the screen,
// while the rest of the category is still being read.
void BM_ShowCategoryFirstPaint(benchmark::State& state) {
    BenchTree& tree = Tree();
    QWidget* rows = tree.pane->Results()->Tabular()->Columns()->viewport();
    for (auto _ : state) {
        QElapsedTimer clock;
        FirstPaint paint(clock);
        rows->installEventFilter(&paint);
        clock.start();
        tree.controller->ShowCategory(1, "Animals", "", true);
        if (paint.at < 0) {
            rows->repaint();
        }
        rows->removeEventFilter(&paint);
        state.SetIterationTime(static_cast<double>(paint.at) / 1e9);
    }
}
BENCHMARK(BM_ShowCategoryFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

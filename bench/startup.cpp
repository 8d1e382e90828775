// Start-up on a catalog of realistic size: TAMBREL_BENCH_FILES files (default 20,000) with 25
// pitch variants each, built once into a SQLite catalog kept beside this program
// (startup-catalog/) and reused by later runs.
//
// BM_ProcessToMainWindow starts this program again as a child that does what the program's
// main does, without the splash's wait, and reports the moment its main window is shown and
// its peak memory after a second of idling: the time is from just before the child process
// is started (run it under xvfb-run with QT_QPA_PLATFORM=xcb for a real X server; offscreen
// otherwise). BM_ShadowTables (registers present, as at every start but the first),
// BM_ShadowTablesRebuilt, BM_CategoryCounts and BM_MainWindow measure the parts apart in this
// process.

#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/app_controller.h"
#include "app/main_frame.h"
#include "app/qt_ui_dispatcher.h"
#include "app/tambrel_app.h"
#include "collection/catalog_db.h"
#include "collection/catalog_message.h"
#include "collection/db/catalog.h"
#include "collection/db/connection.h"
#include "collection/db/schema.h"
#include "collection/db/statement.h"
#include "collection/sound_category_tree.h"
#include "platform/ui_dispatcher.h"

namespace {

constexpr int kVariants = 25;

int FileCount() {
    const char* text = std::getenv("TAMBREL_BENCH_FILES");
    const int n = text ? std::atoi(text) : 0;
    return n > 0 ? n : 20000;
}

std::string SelfPath() {
    return std::filesystem::read_symlink("/proc/self/exe").string();
}

std::string CatalogFolder() {
    return std::filesystem::path(SelfPath()).parent_path().string() + "/startup-catalog";
}

bool Check(const DB_error& err, const char* what) {
    if (err) {
        std::fprintf(stderr, "%s: %s\n", what, err->c_str());
        return false;
    }
    return true;
}

double StatusMiB(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0)
            return std::atof(line.c_str() + std::strlen(field)) / 1024.0;
    return 0;
}

// The ODBC configuration of the benchmark's own, pointing "Quillnest" at the kept catalog,
// which is filled (by the engine itself) when it is missing or of another size.
void PrepareCatalog() {
    const std::string folder = CatalogFolder();
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/odbcinst.ini") << "[SQLite3]\nDriver=libsqlite3odbc.so\n";
    std::ofstream(folder + "/odbc.ini") << "[Quillnest]\nDriver=SQLite3\nDatabase=" << folder
                                        << "/catalog.db\nNoTXN=0\nJournalMode=WAL\n";
    setenv("ODBCSYSINI", folder.c_str(), 1);
    setenv("ODBCINI", (folder + "/odbc.ini").c_str(), 1);
    const std::string marker = folder + "/files-" + std::to_string(FileCount());
    if (std::filesystem::exists(marker))
        return;
    std::filesystem::remove(folder + "/catalog.db");
    DB_handle* h = nullptr;
    if (!Check(DB_connect("Quillnest", "", "", &h), "connect"))
        std::exit(1);
    DB_engine engine;
    std::string name;
    std::vector<std::string> created;
    Check(DB_detect_engine(h, &engine, &name), "engine");
    Check(DB_create_catalog_tables(h, engine, &created), "tables");
    auto exec = [h](const std::string& sql) {
        Check(DB_finish(h, DB_run(h, sql.c_str(), nullptr)), sql.substr(0, 60).c_str());
    };
    // Files spread over real categories of each class, so the tree has something to show.
    const std::string files = std::to_string(FileCount());
    exec("INSERT INTO AUDIO_FILE (FILE_NAME, FILE_SAMPLE_RATE, FILE_DURATION, FILE_BPM, "
         "FILE_KEY, FILE_SIGNATURE, INT0, INT1, INT2, INT3, INT4, INT5, INT6, INT7, INT8, INT9, "
         "TEXT0, TEXT1, TEXT2, TEXT3, TEXT4, TEXT5, TEXT6, TEXT7, TEXT8, TEXT9, INDEX_DATE) "
         "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < " +
         files +
         ") SELECT '/bench/f' || i || '.wav', 44100, 2000, -1, 13, "
         "CAST(randomblob(13) || X'000020' AS BLOB), 1, 100000, 2, 17, 1 + i % 3, 2, 0, 0, 0, 0, "
         "'sound ' || i, CASE i % 3 WHEN 0 THEN 'Animals' WHEN 1 THEN 'Drums' ELSE 'Noise' END, "
         "CASE i % 2 WHEN 0 THEN 'Dogs' ELSE '' END, 'Genre' || (i % 10), '', '', '', '', "
         "'/bench/f' || i || '.wav', '', '2024-01-01 00:00:00' FROM c");
    exec("INSERT INTO SOUND SELECT A.FILE_ID, 44100 + 1000 * v.n, 2000, -1, 13, "
         "CAST(randomblob(13) || X'000020' AS BLOB), randomblob(250) FROM AUDIO_FILE A, "
         "(WITH RECURSIVE r(n) AS (SELECT 0 UNION ALL SELECT n + 1 FROM r WHERE n < " +
         std::to_string(kVariants - 1) + ") SELECT n FROM r) v");
    Check(DB_build_shadow_tables(h, 1), "registers");
    DB_disconnect(h);
    std::ofstream(marker) << "";
}

// The program's windows not built yet: plain panes, nothing else.
class PlaceholderFactory : public ToolWindowFactory {
public:
    std::unique_ptr<EditorBoxLink> NewEditorBox() override { return nullptr; }
    std::unique_ptr<SearchBoxLink> NewSearchBox(bool, const std::string&,
                                                const SoundSignature&) override {
        return nullptr;
    }
    std::unique_ptr<ResultsListLink> NewMainList() override { return nullptr; }
    void RunValidator() override {}
    std::unique_ptr<ManageBoxLink> NewManageBox(IndexerBoxController&) override { return nullptr; }
    CategoryTreePane NewCategoryTreePane(QWidget* parent) override {
        return {new QWidget(parent), nullptr};
    }
    ResultsPane NewResultsPane(QWidget* parent) override { return {new QWidget(parent), nullptr}; }
};

// The child: the program's main up to its main window, then a second of idling.
int RunChild(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication application(argc, argv);
    QtUiDispatcher dispatcher;
    SetUiDispatcher(&dispatcher);
    SetCatalogMessageHook([](const char* text) { std::fprintf(stderr, "%s\n", text); });
    PlaceholderFactory factory;
    double shownAt = 0, peak = 0;
    {
        TambrelGlobals globals;
        theController->SetToolWindowFactory(&factory);
        VERIzuderApp::Options options;
        options.splash = false;
        if (!theApp->InitInstance({}, options))
            return 1;
        QCoreApplication::processEvents();
        timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        shownAt = now.tv_sec + now.tv_nsec / 1e9;
        QElapsedTimer idle;
        idle.start();
        while (idle.elapsed() < 1000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        peak = StatusMiB("VmHWM:");
        theApp->DestroyMainFrame();
    }
    SetUiDispatcher(nullptr);
    std::printf("%.6f %.1f %d\n", shownAt, peak, theMainFrame == nullptr ? 1 : 0);
    return 0;
}

void BM_ProcessToMainWindow(benchmark::State& state) {
    PrepareCatalog();
    const std::string self = SelfPath();
    double peak = 0;
    for (auto _ : state) {
        timespec start;
        clock_gettime(CLOCK_MONOTONIC, &start);
        const std::string command = "'" + self + "' --startup-child";
        FILE* child = popen(command.c_str(), "r");
        double shownAt = 0;
        int ok = 0;
        if (child == nullptr || std::fscanf(child, "%lf %lf %d", &shownAt, &peak, &ok) != 3) {
            state.SkipWithError("the child did not report");
            if (child)
                pclose(child);
            return;
        }
        pclose(child);
        state.SetIterationTime(shownAt - (start.tv_sec + start.tv_nsec / 1e9));
    }
    state.counters["idle_peak_MiB"] = peak;
    state.counters["files"] = FileCount();
}

// The parts in this process, on the same catalog. Ended by main before it returns: Qt's own
// globals that the windows made later (the input devices) are gone by the time a static would
// end the application, whose destructor still reaches them.
struct InProcess {
    std::unique_ptr<QApplication> app;
    std::unique_ptr<QtUiDispatcher> dispatcher;
    std::unique_ptr<CatalogDbObj> catalog;
    InProcess() {
        PrepareCatalog();
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "bench_startup";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QApplication>(argc, argv);
        dispatcher = std::make_unique<QtUiDispatcher>();
        SetUiDispatcher(dispatcher.get());
        catalog = std::make_unique<CatalogDbObj>("Quillnest");
        theCatalogDb = catalog.get();
    }
    ~InProcess() {
        theCatalogDb = nullptr;
        catalog.reset();
        SetUiDispatcher(nullptr);
        dispatcher.reset();
        app.reset();
    }
};

std::unique_ptr<InProcess>& ProcessHolder() {
    static std::unique_ptr<InProcess> process;
    return process;
}

InProcess& Process() {
    std::unique_ptr<InProcess>& process = ProcessHolder();
    if (!process)
        process = std::make_unique<InProcess>();
    return *process;
}

void BM_ShadowTables(benchmark::State& state) {
    CatalogDbObj& catalog = *Process().catalog;
    for (auto _ : state)
        benchmark::DoNotOptimize(catalog.BuildShadowTables(0));
}

// A catalog whose registers are missing or stale: the whole count rebuilt from AUDIO_FILE.
void BM_ShadowTablesRebuilt(benchmark::State& state) {
    CatalogDbObj& catalog = *Process().catalog;
    for (auto _ : state)
        benchmark::DoNotOptimize(catalog.BuildShadowTables(1));
}

void BM_CategoryCounts(benchmark::State& state) {
    CatalogDbObj& catalog = *Process().catalog;
    for (auto _ : state) {
        SoundCategoryTree tree;
        benchmark::DoNotOptimize(tree.LoadCounts(catalog));
        int files = 0, sounds = 0;
        catalog.GetCounts(files, sounds);
    }
}

// The main window made, shown and started (tree, main list, tips) on the placeholders.
void BM_MainWindow(benchmark::State& state) {
    Process();
    PlaceholderFactory factory;
    for (auto _ : state) {
        AppController controller;
        theController = &controller;
        controller.SetToolWindowFactory(&factory);
        {
            CMainFrame frame(&factory);
            frame.show();
            controller.SetMainPanes(frame.TreeLink(), frame.PaneLink());
            controller.Startup();
            QCoreApplication::processEvents();
        }
        theController = nullptr;
    }
}

} // namespace

BENCHMARK(BM_ProcessToMainWindow)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(BM_ShadowTables)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ShadowTablesRebuilt)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CategoryCounts)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MainWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--startup-child") == 0)
        return RunChild(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ProcessHolder().reset();
    return 0;
}

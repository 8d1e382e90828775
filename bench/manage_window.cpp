// The "Manage MyTambrel" window at work.
// BM_DropFolder: a folder of TAMBREL_BENCH_DROP_FILES (default 10,000) short WAVE files is
// dropped on the update table, scanned and listed until every row has been painted (goal:
// under 1 s). BM_ShowRows: the same number of ready rows added to the table and painted,
// the table's own share of that.
// BM_UpdateThroughWindow against BM_UpdateIndexerAlone: an update run of
// TAMBREL_BENCH_INDEX_FILES (default 200) five-second stereo files with every pitch variant,
// started from the window's button, against the same run of the indexer task with no
// window (goal: at most 1.05 times).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QUrl>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_odbc.h"
#include "app/locate_dlg.h"
#include "bench/stereo_wave.h"
#include "collection/catalog_db.h"
#include "collection/catalog_message.h"
#include "collection/db/schema.h"
#include "windows/manage/indexer_box.h"
#include "windows/manage/manage_window.h"
#include "windows/manage/manage_list_ctrl.h"
#include "windows/manage/manage_list_view.h"

namespace {

constexpr int kSeconds = 5;

int EnvCount(const char* name, int fallback) {
    const char* text = std::getenv(name);
    const int n = text ? std::atoi(text) : 0;
    return n > 0 ? n : fallback;
}

// A 0.1-second mono 8 kHz silent WAVE file.
void WriteShortWave(const std::string& path) {
    const std::uint32_t frames = 800;
    std::ofstream out(path, std::ios::binary);
    out.write("RIFF", 4);
    PutLe(out, 36 + frames * 2, 4);
    out.write("WAVEfmt ", 8);
    PutLe(out, 16, 4);
    PutLe(out, 1, 2);
    PutLe(out, 1, 2);
    PutLe(out, 8000, 4);
    PutLe(out, 16000, 4);
    PutLe(out, 2, 2);
    PutLe(out, 16, 2);
    out.write("data", 4);
    PutLe(out, frames * 2, 4);
    const std::string silence(frames * 2, '\0');
    out.write(silence.data(), static_cast<std::streamsize>(silence.size()));
}

struct Setup {
    std::string folder;
    std::string dropFolder;
    std::vector<std::string> longFiles;
    std::unique_ptr<QApplication> app;
    std::unique_ptr<CatalogDbObj> catalog;

    Setup() {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "bench_manage_window";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QApplication>(argc, argv);
        char pattern[] = "/tmp/tambrel-bench-manage.XXXXXX";
        folder = mkdtemp(pattern);
        const QString profile = QString::fromStdString(folder + "/profile");
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, profile);
        UseBenchDataSource(folder, "BenchManage");
        SetCatalogMessageHook(
            [](const char* text) { std::fprintf(stderr, "catalog: %s\n", text); });
        catalog = std::make_unique<CatalogDbObj>("BenchManage");
        DB_engine engine;
        std::string engineName;
        std::vector<std::string> created;
        DB_detect_engine(catalog->Handle(), &engine, &engineName);
        DB_create_catalog_tables(catalog->Handle(), engine, &created);
        DB_build_shadow_tables(catalog->Handle(), 0);
        theCatalogDb = catalog.get();

        dropFolder = folder + "/drop/";
        std::filesystem::create_directories(dropFolder);
        const int dropFiles = EnvCount("TAMBREL_BENCH_DROP_FILES", 10000);
        for (int i = 0; i < dropFiles; ++i)
            WriteShortWave(dropFolder + "s" + std::to_string(i) + ".wav");
        std::filesystem::create_directories(folder + "/long");
        const int longCount = EnvCount("TAMBREL_BENCH_INDEX_FILES", 200);
        for (int i = 0; i < longCount; ++i) {
            longFiles.push_back(folder + "/long/tone" + std::to_string(i) + ".wav");
            const double pitch = 110 + 7 * i;
            WriteStereoWave(longFiles.back(), kSeconds, 1 + i,
                            [pitch](double t) { return 0.6 * std::sin(2 * M_PI * pitch * t); });
        }
        // The folder scan's dialog looks and continues at once.
        CatalogListView::SetLocateRunner([](LocateDlg& dialog) {
            dialog.StartButton()->click();
            return int(QDialog::Accepted);
        });
    }
    ~Setup() {
        theCatalogDb = nullptr;
        catalog.reset();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
        // Qt's own globals are gone by the time static objects die: the application object
        // is left to the process's end.
        (void)app.release();
    }
};

Setup& TheSetup() {
    static Setup setup;
    return setup;
}

// The controller's catalog edits, straight onto the catalog.
class BenchController : public IndexerBoxController {
public:
    bool AddCatalogFile(SoundFileObj& file, const std::vector<SoundVariantObj>& variants) override {
        return theCatalogDb->AddFile(file, variants);
    }
    bool RemoveCatalogFile(const SoundFileObj& file) override {
        return !theCatalogDb->IsInCatalog(file.path) || theCatalogDb->RemoveFile(file.path);
    }
    bool UpdateCatalogFile(SoundFileObj& file, const std::string* newPath) override {
        return theCatalogDb->UpdateFile(file, newPath);
    }
    void ApplyCatalogChanges() override {}
    void CloseIndexerWindow(ManageBoxLink*) override {}
};

// A Manage window on its box, deleted with it.
struct Window {
    BenchController controller;
    std::unique_ptr<IndexerBoxObj> box;
    CatalogFrm* frame = nullptr;
    Window() {
        box = std::make_unique<IndexerBoxObj>(
            controller, [](IndexerBoxObj& b) { return CreateManageWindow(b); });
        frame = static_cast<CatalogFrm*>(box->Window());
        frame->resize(1000, 700);
        QApplication::processEvents();
    }
    ~Window() {
        box.reset();
        delete frame;
        QApplication::processEvents();
    }
    void PaintNow() {
        frame->ListView().Table().viewport()->repaint();
        QApplication::processEvents();
    }
};

void BM_DropFolder(benchmark::State& state) {
    Setup& setup = TheSetup();
    Window window;
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(setup.dropFolder))});
    int rows = 0;
    for (auto _ : state) {
        window.frame->ListView().DropData(data);
        window.PaintNow();
        window.frame->ListView().Table().EnsureVisibleAndNotify(
            window.frame->ListView().RowCount() - 1, false);
        window.PaintNow();
        state.PauseTiming();
        rows = window.frame->ListView().RowCount();
        window.frame->ListView().ClearTable();
        state.ResumeTiming();
    }
    state.counters["rows"] = rows;
}
BENCHMARK(BM_DropFolder)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

void BM_ShowRows(benchmark::State& state) {
    Setup& setup = TheSetup();
    Window window;
    std::vector<std::string> paths;
    for (const auto& entry : std::filesystem::directory_iterator(setup.dropFolder))
        paths.push_back(entry.path().string());
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<std::unique_ptr<CatalogUpdateItem>> rows;
        for (const std::string& path : paths) {
            rows.push_back(std::make_unique<CatalogUpdateItem>());
            rows.back()->record.path = path;
        }
        state.ResumeTiming();
        CatalogListView& view = window.frame->ListView();
        view.ReserveRows(static_cast<int>(rows.size()));
        for (auto& row : rows)
            view.AddRow(std::move(row), false);
        window.PaintNow();
        view.Table().EnsureVisibleAndNotify(view.RowCount() - 1, false);
        window.PaintNow();
        state.PauseTiming();
        view.ClearTable();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ShowRows)->Unit(benchmark::kMillisecond)->UseRealTime();

void SetCounters(benchmark::State& state, size_t files) {
    const double total = static_cast<double>(files) * static_cast<double>(state.iterations());
    state.counters["x_realtime"] =
        benchmark::Counter(total * kSeconds, benchmark::Counter::kIsRate);
}

// Each run starts from a catalog without the files, so that every file is analysed.
void ForgetFiles(const std::vector<std::string>& paths) {
    for (const std::string& path : paths)
        if (theCatalogDb->IsInCatalog(path))
            theCatalogDb->RemoveFile(path);
}

void BM_UpdateThroughWindow(benchmark::State& state) {
    Setup& setup = TheSetup();
    for (auto _ : state) {
        state.PauseTiming();
        ForgetFiles(setup.longFiles);
        Window window;
        for (const std::string& path : setup.longFiles)
            window.frame->ListView().AddFileRow(path, false);
        for (auto& item : window.box->Items()) {
            item->allVariations = true;
            item->edited = true;
        }
        state.ResumeTiming();
        window.frame->UpdateButton().click();
        while (window.box->IsRunning() || window.box->Task().IsRunning())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        state.PauseTiming();
        for (const auto& item : window.box->Items())
            if (item->state == CatalogUpdateItem::kError)
                state.SkipWithError("a file could not be indexed");
        state.ResumeTiming();
    }
    SetCounters(state, setup.longFiles.size());
}

// The same run with the indexer task alone: no window, no table, no progress bar.
class BareBox : public IndexerBoxLink {
public:
    explicit BareBox(IndexerController& controller) : controller_(controller) {}
    std::vector<std::unique_ptr<CatalogUpdateItem>>& Items() override { return items; }
    IndexerController& Controller() override { return controller_; }
    void ShowUpdateProgress(int, int) override {}
    void OnRowDone(int row, const std::string& error) override {
        failures += error.empty() ? 0 : 1;
        done = row + 1 == static_cast<int>(items.size());
    }
    std::vector<std::unique_ptr<CatalogUpdateItem>> items;
    bool done = false;
    int failures = 0;

private:
    IndexerController& controller_;
};

void BM_UpdateIndexerAlone(benchmark::State& state) {
    Setup& setup = TheSetup();
    BenchController controller;
    for (auto _ : state) {
        state.PauseTiming();
        ForgetFiles(setup.longFiles);
        BareBox box(controller);
        for (const std::string& path : setup.longFiles) {
            box.items.push_back(std::make_unique<CatalogUpdateItem>(path));
            box.items.back()->allVariations = true;
            box.items.back()->edited = true;
        }
        IndexerTaskObj task;
        state.ResumeTiming();
        task.StartUpdate(box);
        while (!box.done)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        task.Stop(true);
        if (box.failures > 0)
            state.SkipWithError("a file could not be indexed");
    }
    SetCounters(state, setup.longFiles.size());
}

// Interleaved, so that both meet the same load on a shared machine.
BENCHMARK(BM_UpdateIndexerAlone)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1)->Repetitions(3);
BENCHMARK(BM_UpdateThroughWindow)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1)->Repetitions(3);

} // namespace

// Metadata export and import, and a validator run, over a catalog of TAMBREL_BENCH_FILES
// files (default 20,000) that all exist on disk and are unchanged since they were indexed.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <QApplication>
#include <QListWidget>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "bench/bench_odbc.h"
#include "app/metadata_transfer.h"
#include "app/validator_dlg.h"
#include "collection/catalog_db.h"
#include "collection/db/catalog.h"
#include "collection/db/connection.h"
#include "collection/db/schema.h"
#include "collection/db/statement.h"
#include "collection/sound_file_list.h"

namespace {

int FileCount() {
    const char* text = std::getenv("TAMBREL_BENCH_FILES");
    int n = text ? std::atoi(text) : 0;
    return n > 0 ? n : 20000;
}

class NoEdits : public IndexerController {
public:
    bool AddCatalogFile(SoundFileObj&, const std::vector<SoundVariantObj>&) override { return true; }
    bool RemoveCatalogFile(const SoundFileObj&) override { return true; }
    bool UpdateCatalogFile(SoundFileObj&, const std::string*) override { return true; }
    void ApplyCatalogChanges() override {}
};

struct Fixture {
    std::string folder;
    std::unique_ptr<QApplication> app;
    std::unique_ptr<CatalogDbObj> catalog;

    Fixture() {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "bench_metadata";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QApplication>(argc, argv);

        char pattern[] = "/tmp/tambrel-bench-meta.XXXXXX";
        folder = mkdtemp(pattern);
        UseBenchDataSource(folder, "BenchMeta");

        // One small file under many names: every catalogued path exists.
        const std::string sounds = folder + "/sounds";
        std::filesystem::create_directories(sounds);
        const std::string first = sounds + "/f1.wav";
        std::ofstream(first, std::ios::binary) << std::string(44, '\0');
        for (int i = 2; i <= FileCount(); ++i)
            link(first.c_str(), (sounds + "/f" + std::to_string(i) + ".wav").c_str());

        DB_handle* h = nullptr;
        DB_connect("BenchMeta", "", "", &h);
        DB_engine engine;
        std::string engineName;
        std::vector<std::string> created;
        DB_detect_engine(h, &engine, &engineName);
        DB_create_catalog_tables(h, engine, &created);
        const std::string n = std::to_string(FileCount());
        // Indexed "in the future": no file is newer than its entry.
        DB_finish(h, DB_run(h,
                            ("INSERT INTO AUDIO_FILE (FILE_NAME, FILE_SAMPLE_RATE, FILE_DURATION, "
                             "FILE_BPM, FILE_KEY, FILE_SIGNATURE, INT0, INT1, INT2, INT3, INT4, "
                             "INT5, INT6, INT7, INT8, INT9, TEXT0, TEXT1, TEXT2, TEXT3, TEXT4, "
                             "TEXT5, TEXT6, TEXT7, TEXT8, TEXT9, INDEX_DATE) WITH RECURSIVE c(i) "
                             "AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < " +
                             n + ") SELECT '" + sounds +
                             "/f' || i || '.wav', 44100, 2000, 96, 4, CAST(randomblob(13) || "
                             "X'000020' AS BLOB), 1, 44, 2, 17, 1 + i % 3, 2, 0, 0, 0, 0, "
                             "'sound number ' || i, 'Cat' || (i % 20), 'Sub' || (i % 7), 'Genre' "
                             "|| (i % 10), 'a source', '(c) someone', 'notes of ' || i, "
                             "'http://example.invalid/' || i, '" +
                             sounds + "/f' || i || '.wav', '', '2099-01-01 00:00:00' FROM c")
                                .c_str(),
                            nullptr));
        DB_finish(h, DB_run(h,
                            "INSERT INTO SOUND SELECT A.FILE_ID, 44100, 2000, 96, 4, "
                            "A.FILE_SIGNATURE, randomblob(250) FROM AUDIO_FILE A",
                            nullptr));
        DB_build_shadow_tables(h, 1);
        DB_disconnect(h);
        catalog = std::make_unique<CatalogDbObj>("BenchMeta");
        theCatalogDb = catalog.get();
    }

    ~Fixture() {
        theCatalogDb = nullptr;
        catalog.reset();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
};

Fixture& Shared() {
    static Fixture fixture;
    return fixture;
}

void BM_ExportMetadata(benchmark::State& state) {
    Fixture& f = Shared();
    const std::string target = f.folder + "/export.tmi";
    for (auto _ : state) {
        MetadataExportCount count;
        std::string error;
        if (!ExportMetadataFile(target, nullptr, count, error) || count.written != FileCount())
            state.SkipWithError("export failed");
    }
    state.counters["files"] = FileCount();
}
BENCHMARK(BM_ExportMetadata)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ImportMetadata(benchmark::State& state) {
    Fixture& f = Shared();
    const std::string target = f.folder + "/import.tmi";
    MetadataExportCount count;
    std::string error;
    ExportMetadataFile(target, nullptr, count, error);
    for (auto _ : state) {
        SoundFileListObj list;
        if (!BuildMetadataImportList(target, list, error) || list.Count() != FileCount())
            state.SkipWithError("import failed");
    }
}
BENCHMARK(BM_ImportMetadata)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ValidateUnchangedCatalog(benchmark::State& state) {
    Shared();
    NoEdits controller;
    ValidatorDlg dialog(nullptr, controller);
    for (auto _ : state) {
        dialog.OnBeginValidating();
        if (dialog.Lines()->count() != 0)
            state.SkipWithError("a file was reported");
    }
}
BENCHMARK(BM_ValidateUnchangedCatalog)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

#pragma once
// A stand-in for the application controller as an index run reaches it, and a catalog of the
// test's own (SQLite) that the controller writes and theCatalogDb reads.

#include "app/tool_windows.h"
#include "collection/catalog_db.h"
#include "collection/catalog_message.h"
#include "collection/catalog_update_item.h"
#include "collection/db/data_source.h"
#include "collection/indexer/indexer_task.h"
#include "tests/collection/db/catalog_fixture.h"
#include "tests/support/sox_files.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

// The controller's catalog edits straight onto theCatalogDb, each call recorded as
// "<operation> <file name>".
class FakeController : public IndexerBoxController {
public:
    bool AddCatalogFile(SoundFileObj& file, const std::vector<SoundVariantObj>& variants) override {
        calls.push_back("add " + Name(file));
        return theCatalogDb->AddFile(file, variants);
    }
    bool RemoveCatalogFile(const SoundFileObj& file) override {
        calls.push_back("remove " + Name(file));
        return !theCatalogDb->IsInCatalog(file.path) || theCatalogDb->RemoveFile(file.path);
    }
    bool UpdateCatalogFile(SoundFileObj& file, const std::string* newPath) override {
        calls.push_back("update " + Name(file));
        return theCatalogDb->UpdateFile(file, newPath);
    }
    void ApplyCatalogChanges() override { ++applied; }
    void CloseIndexerWindow(ManageBoxLink* box) override {
        calls.push_back("close");
        if (box == owned.get())
            owned.reset();
    }

    static std::string Name(const SoundFileObj& file) {
        return file.path.substr(file.path.find_last_of('/') + 1);
    }

    std::vector<std::string> calls;
    int applied = 0;
    std::unique_ptr<ManageBoxLink> owned; // the box, when the test lets the controller own it
};

// Stands in for the analysis of the listed files: the file of row i finishes only once the
// test has opened the gate past i, so the pool's threads can be held mid-file. Each file comes
// out as a one-second sound with one variant. A file the test never lets through still ends
// after a few seconds, so that a run the code fails to stop ends the test instead of hanging
// it.
class GatedAnalyser {
public:
    explicit GatedAnalyser(std::vector<std::string> paths) : paths_(std::move(paths)) {}

    IndexerTaskObj::Analyser Analyser() {
        return [this](SoundFileObj& file, std::vector<SoundVariantObj>& variants, int, std::string&,
                      CAP_ProgressCallback, void*) {
            const int index = static_cast<int>(std::find(paths_.begin(), paths_.end(), file.path) -
                                               paths_.begin());
            {
                std::unique_lock lock(mutex_);
                entered_.insert(index);
                changed_.wait_for(lock, std::chrono::seconds(3), [&] { return index < open_; });
            }
            file.format = 1;
            file.channels = 1;
            file.sampleRate = 8000;
            file.duration = 1000;
            SoundVariantObj variant;
            variant.sampleRate = 8000;
            variant.duration = 1000;
            const unsigned char points[10] = {1, 200, 10, 20, 30, 2, 190, 40, 50, 60};
            variant.SetData(points, 10);
            variants.assign(1, variant);
            return true;
        };
    }
    // Lets the files of the rows before `rows` finish.
    void Open(int rows) {
        std::lock_guard lock(mutex_);
        open_ = rows;
        changed_.notify_all();
    }
    // Whether a pool thread has started on the row's file.
    bool Entered(int row) {
        std::lock_guard lock(mutex_);
        return entered_.count(row) != 0;
    }

private:
    const std::vector<std::string> paths_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::set<int> entered_;
    int open_ = 0;
};

// A catalog of the test's own behind theCatalogDb, with the messages it shows recorded.
class IndexerCatalogTest : public CatalogTest {
protected:
    void SetUp() override {
        CatalogTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        shown().clear();
        previousHook_ = SetCatalogMessageHook([](const char* text) { shown().push_back(text); });
        catalog_ = std::make_unique<CatalogDbObj>(dsn);
        previousCatalog_ = theCatalogDb;
        theCatalogDb = catalog_.get();
    }
    void TearDown() override {
        if (serverLost_)
            LoseServer(false);
        if (catalog_) {
            theCatalogDb = previousCatalog_;
            catalog_.reset();
            SetCatalogMessageHook(previousHook_);
        }
        CatalogTest::TearDown();
    }

    static std::vector<std::string>& shown() {
        static std::vector<std::string> texts;
        return texts;
    }

    // A mono 16-bit tone of the given length, made by sox.
    std::string Wave(const std::string& name, double seconds, int rate = 8000) {
        const std::string path = folder_.Path(name);
        const bool made = RunSox("-n -r " + std::to_string(rate) + " -c 1 -b 16 '" + path +
                                 "' synth " + std::to_string(seconds) + " sine 440");
        EXPECT_TRUE(made) << path;
        return path;
    }

    // Runs the event loop until the condition holds (at most 60 s).
    static bool PumpUntil(const std::function<bool()>& condition) {
        using namespace std::chrono;
        const auto end = steady_clock::now() + seconds(60);
        while (!condition() && steady_clock::now() < end) {
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(milliseconds(1));
        }
        return condition();
    }

    // PostgreSQL only: the server ends the catalog's connection and refuses new ones, as one
    // that went away does (false lets them in again). The fixture's own connection stays.
    void LoseServer(bool lost) {
        serverLost_ = lost;
        // From another database: a database cannot refuse connections from inside.
        const std::string command =
            "psql -q -h 127.0.0.1 -p " + DB_data_source_setting(dsn, "Port") +
            " -U postgres -d postgres -c 'ALTER DATABASE " +
            DB_data_source_setting(dsn, "Database") + " ALLOW_CONNECTIONS " +
            (lost ? "false" : "true") + "' >/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        if (lost)
            CountRows("SELECT CAST(COUNT(pg_terminate_backend(pid)) AS INTEGER) FROM "
                      "pg_stat_activity WHERE datname = current_database() AND "
                      "pid <> pg_backend_pid()");
    }

    TempFolder folder_;
    std::unique_ptr<CatalogDbObj> catalog_;

private:
    bool serverLost_ = false;
    CatalogDbObj* previousCatalog_ = nullptr;
    CatalogMessageHook previousHook_ = nullptr;
};

#define INSTANTIATE_ON_SQLITE(Suite)                                                               \
    INSTANTIATE_TEST_SUITE_P(Catalog, Suite, testing::Values(Engine::SQLite), EngineName)

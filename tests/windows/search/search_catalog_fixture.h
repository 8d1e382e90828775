#pragma once
// A search window's world for tests: a catalog of the test's own filled through the indexer
// from sox-made files, and a WebTambrel server on a loopback port answering from a second
// catalog.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <sstream>
#include <thread>

#include "app/settings.h"
#include "collection/db/schema.h"
#include "collection/db/statement.h"
#include "collection/sound_file_list.h"
#include "tests/app/fake_ui_seams.h"
#include "tests/collection/db/catalog_test_env.h"
#include "tests/windows/manage/indexer_box_stand_ins.h"
#include "tests/windows/search/search_test_support.h"
#include "tools/webtambrel_server/webtambrel_server.h"
#include "windows/search/search_window.h"
#include "windows/search/search_results_pane.h"
#include "windows/search/search_view.h"

inline constexpr int kLocal = SearchResultsPane::kLocalPage;
inline constexpr int kWeb = SearchResultsPane::kWebPage;

struct SoundDef {
    const char* name;
    const char* description;
    const char* synth; // sox synth arguments
};

inline const SoundDef kLocalSounds[] = {
    {"dog-bark.wav", "dog barking loud", "0.5 sine 440"},
    {"dog-howl.wav", "dog howling", "0.5 sine 880"},
    {"rain.wav", "rain on a roof", "0.5 pinknoise"},
    {"thunder.wav", "thunder far away", "0.5 brownnoise"},
};
// Long enough for their cards to show a waveform that rises and falls.
inline const SoundDef kWebSounds[] = {
    {"dog-growl.wav", "dog growling", "4 square 220 fade 0.5 4 2"},
    {"dog-sniff.wav", "dog sniffing", "4 whitenoise tremolo 3 90"},
    {"dog-whine.wav", "dog whining", "4 sine 600:1800 fade 1 4 1"},
    {"cat.wav", "cat purring", "0.5 sine 110"},
};

class SearchBoxTest : public IndexerCatalogTest {
protected:
    void SetUp() override {
        IndexerCatalogTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        WriteProfileInt("SearchLocal", 1);
        WriteProfileInt("SearchWeb", 1);
        // The searches of this small catalog are over in no time: their status boxes hear the
        // user from the first row, so that a test can act during one.
        SearchBoxObj::SetQuietSearchMs(0);
        std::filesystem::create_directories(folder_.Path("web"));
        ASSERT_NO_FATAL_FAILURE(FillSecondCatalog());
        ASSERT_NO_FATAL_FAILURE(Index(kLocalSounds, ""));
    }
    void TearDown() override {
        SearchBoxObj::SetQuietSearchMs(SearchBoxObj::kQuietSearchMs);
        StopServer();
        host_.reset();
        IndexerCatalogTest::TearDown();
    }

    // Runs the indexer over the sounds into theCatalogDb.
    void Index(const SoundDef (&sounds)[4], const std::string& subfolder) {
        FakeIndexerWindow window;
        FakeController controller;
        IndexerBoxObj box(controller, [&](IndexerBoxObj&) { return &window; });
        for (const SoundDef& s : sounds) {
            const std::string path = folder_.Path(subfolder + s.name);
            ASSERT_TRUE(RunSox("-n -r 22050 -c 1 -b 16 '" + path + "' synth " + s.synth)) << path;
            auto item = std::make_unique<CatalogUpdateItem>(path);
            item->record.description = s.description;
            box.Items().push_back(std::move(item));
        }
        box.BeginUpdate();
        ASSERT_TRUE(PumpUntil([&] { return !box.IsRunning() && !box.Task().IsRunning(); }));
        for (const auto& item : box.Items())
            ASSERT_EQ(item->state, CatalogUpdateItem::kInCatalog) << item->record.errorText;
    }

    // The server's collection: a catalog of its own, filled through the indexer too.
    void FillSecondCatalog() {
        const std::string dsn = CatalogTestEnv::Get().secondSqliteDsn;
        DB_handle* db = nullptr;
        ASSERT_FALSE(DB_connect(dsn.c_str(), "", "", &db));
        for (const char* table : {"TERM", "SOUND", "AUDIO_FILE", "CATREGISTER", "GENREGISTER"})
            DB_finish(db, DB_run(db, (std::string("DROP TABLE IF EXISTS ") + table).c_str(),
                                 nullptr));
        std::vector<std::string> created;
        ASSERT_FALSE(DB_create_catalog_tables(db, DB_engine::SQLite, &created));
        ASSERT_FALSE(DB_build_shadow_tables(db, 0));
        DB_disconnect(db);
        {
            CatalogDbObj second(dsn);
            CatalogDbObj* local = theCatalogDb;
            theCatalogDb = &second;
            Index(kWebSounds, "web/");
            theCatalogDb = local;
        }
        WebServerConfig config;
        config.dataSource = dsn;
        config.listen = {0x7F000001, 0};
        config.urlBase = "http://127.0.0.1:9/sounds/";
        config.root = folder_.Path("web");
        std::string error;
        ASSERT_TRUE(server_.Open(config, &log_, &error)) << error;
        serverThread_ = std::thread([this] { server_.Serve(); });
        host_->PointAt(server_.Port());
    }

    void StopServer() {
        server_.Stop();
        if (serverThread_.joinable())
            serverThread_.join();
    }

    // Types the words and clicks "Search Now".
    static void SearchFor(SearchBoxObj& box, const char* words) {
        SearchView* form = box.Frame()->Form();
        if (!box.IsSimilar())
            form->ComboBox(1005)->setCurrentText(words);
        QTest::mouseClick(form->SearchButton(), Qt::LeftButton);
    }

    static std::vector<std::string> Descriptions(ResultsListLink* list) {
        std::vector<std::string> out;
        for (int i = 0; i < list->Rows().Count(); ++i)
            out.push_back(list->Rows().Entry(i).file.description);
        std::sort(out.begin(), out.end());
        return out;
    }

    static std::string Status(SearchBoxObj& box, int page) {
        TipWnd& tip = box.Pane()->StatusBox(page);
        return tip.HasContent() ? tip.Text() : std::string();
    }

    // Runs the action from inside the local search loop, once its status box shows.
    static void DuringLocalSearch(SearchBoxObj& box, std::function<void(QWidget* tip)> action) {
        // Each pending timer holds the poll; the poll holds only itself weakly.
        auto poll = std::make_shared<std::function<void()>>();
        std::weak_ptr<std::function<void()>> weak = poll;
        *poll = [&box, action, weak] {
            if (QWidget* tip = box.Pane() ? box.Pane()->StatusBox(kLocal).Window() : nullptr)
                action(tip);
            else if (auto self = weak.lock(); self && box.IsSearching())
                QTimer::singleShot(0, [self] { (*self)(); });
        };
        QTimer::singleShot(0, [poll] { (*poll)(); });
    }

    // Both searches ended and the WebTambrel page shows its end.
    static bool WebDone(SearchBoxObj& box) { return !box.WebSearchRunning(); }

    SearchProfileFolder profile_;
    std::unique_ptr<TestSearchHost> host_ = std::make_unique<TestSearchHost>();
    FakeUiSeams seams_;
    WebTambrelServer server_;
    std::ostringstream log_;
    std::thread serverThread_;
};

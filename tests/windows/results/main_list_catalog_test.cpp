// The main window's list of a category, its table and the category tree on the real controller
// over a catalog of the test's own: after every catalog change the list shows what the catalog
// holds, and the tree counts the same.
#include <QTest>
#include <QTreeWidget>
#include <QWindow>
#include <gtest/gtest.h>
#include <memory>
#include <set>

#include "app/app_controller.h"
#include "collection/catalog_db.h"
#include "collection/catalog_message.h"
#include "collection/search_criteria.h"
#include "collection/sound_category_tree.h"
#include "tests/app/fake_ui_seams.h"
#include "tests/app/main_list_factory.h"
#include "tests/collection/db/catalog_fixture.h"
#include "tests/windows/results/results_test_support.h"
#include "windows/category/category_tree_view.h"
#include "windows/category/controller_tree_host.h"
#include "windows/results/results_list.h"
#include "windows/results/results_table.h"
#include "windows/results/table_and_cards.h"

namespace {

std::vector<std::string> catalogMessages;

class MainListFollowsCatalog : public CatalogTest {
protected:
    void SetUp() override {
        CatalogTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        catalogMessages.clear();
        previousHook = SetCatalogMessageHook([](const char* text) { catalogMessages.emplace_back(text); });
        catalog = std::make_unique<CatalogDbObj>(dsn);
        previousCatalog = theCatalogDb;
        theCatalogDb = catalog.get();
        controller = std::make_unique<AppController>();
        previousController = theController;
        theController = controller.get();
        controller->SetToolWindowFactory(&factory);
        tree.reset(LocalFilesView::Create(std::make_unique<ControllerTreeHost>(), nullptr));
        tree->resize(300, 500);
        controller->SetMainPanes(tree.get(), nullptr);
    }
    void TearDown() override {
        if (catalog) {
            // Every file leaves through the controller, so that the shared counts end as they
            // began.
            SearchCriteria all;
            all.ownPitchOnly = 1;
            int hits = 0;
            std::unique_ptr<DB_query_result> result = catalog->RunQuery(all, hits);
            std::vector<SoundFileObj> files(static_cast<std::size_t>(hits));
            for (int i = 0; i < hits; ++i)
                catalog->FetchFile(*result, i, files[static_cast<std::size_t>(i)]);
            for (const SoundFileObj& file : files)
                controller->RemoveCatalogFile(file);
            if (wnd)
                wnd->Detach();
            wnd.reset();
            controller->SetMainPanes(nullptr, nullptr);
            tree.reset();
            theController = previousController;
            controller.reset();
            theCatalogDb = previousCatalog;
            catalog.reset();
            SetCatalogMessageHook(previousHook);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        CatalogTest::TearDown();
    }

    static std::string Path(const std::string& name) { return "/sounds/" + name; }
    // Catalogues /sounds/<name> under Effects > category, as an update of Manage does.
    void Add(const std::string& name, const std::string& category) {
        SoundFileObj file = HitFile(-1, Path(name));
        file.soundClass = 1;
        file.category = category;
        ASSERT_TRUE(controller->AddCatalogFile(file, {HitVariant(-1, 44100, 2000, 10)})) << name;
    }
    // What the editor does on a Save As of a catalogued file under a new name: its record,
    // as read when the file opened, is stored under the new path, and the editor keeps it.
    SoundFileObj SaveAs(const std::string& from, const std::string& to) {
        SoundFileObj record;
        EXPECT_TRUE(catalog->GetFileByPath(Path(from), record));
        SoundFileObj entry = record;
        entry.path = Path(to);
        EXPECT_TRUE(controller->AddCatalogFile(entry, {HitVariant(-1, 44100, 2000, 10)}));
        controller->ApplyCatalogChanges();
        return entry;
    }
    // The tree, the main list in a table of its own, both shown.
    void Start() {
        controller->Startup();
        ASSERT_NE(factory.list, nullptr);
        wnd = std::make_unique<ResultsWnd>();
        wnd->resize(900, 500);
        wnd->Attach(factory.list, 9);
        wnd->ShowTabular();
        wnd->show();
        tree->expandAll();
        tree->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(wnd.get()));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(tree.get()));
    }
    // A click on the category's item, as the user chooses it.
    void Choose(const std::string& category) {
        QTreeWidgetItem* item = tree->FindItem(1, category, {});
        ASSERT_NE(item, nullptr) << category;
        tree->scrollToItem(item);
        const QPoint at = tree->viewport()->mapTo(tree.get(), tree->visualItemRect(item).center());
        QTest::mouseClick(tree->windowHandle(), Qt::LeftButton, {}, at);
        QCoreApplication::processEvents();
    }
    std::string Label(const std::string& category) {
        QTreeWidgetItem* item = tree->FindItem(1, category, {});
        return item != nullptr ? item->text(0).toStdString() : "(no item)";
    }
    TabularColumnsCtrl& Table() { return *wnd->Tabular()->Columns(); }
    // The file names the list shows, in a set; the table shows as many rows.
    std::set<std::string> Shown() {
        std::set<std::string> names;
        EXPECT_EQ(Table().rowCount(), factory.list->Count());
        for (int row = 0; row < factory.list->Count(); ++row) {
            const std::string& path = factory.list->Entry(row).file.path;
            names.insert(path.substr(path.find_last_of('/') + 1));
        }
        return names;
    }
    // Of the names, those the catalog holds.
    std::set<std::string> Stored(std::initializer_list<const char*> names) {
        std::set<std::string> stored;
        for (const char* name : names)
            if (catalog->IsInCatalog(Path(name)))
                stored.insert(name);
        return stored;
    }

    CatalogMessageHook previousHook = nullptr;
    std::unique_ptr<CatalogDbObj> catalog;
    CatalogDbObj* previousCatalog = nullptr;
    std::unique_ptr<AppController> controller;
    AppController* previousController = nullptr;
    ProfileFolder profile;
    MainListFactory<ResultsListObj> factory{
        [] { return std::make_unique<ResultsListObj>(nullptr, ResultsListObj::kMyTambrel); }};
    std::unique_ptr<LocalFilesView> tree;
    std::unique_ptr<ResultsWnd> wnd;
};

// A file saved as another under a new name while its category is shown, then every row of
// the category selected and removed by the keys: each file leaves the catalog, the list and the tree's count.
TEST_P(MainListFollowsCatalog, RemovingEveryRowRemovesEveryFileAFileSavedAsAnotherToo) {
    for (const char* name : {"bell.wav", "bell_b.wav", "bell_c.wav"})
        Add(name, "Bells");
    Add("rain.wav", "Rain");
    Start();
    Choose("Bells");
    SaveAs("bell.wav", "bell_copy.wav");
    ASSERT_EQ(Shown(), (std::set<std::string>{"bell.wav", "bell_b.wav", "bell_c.wav", "bell_copy.wav"}));
    EXPECT_EQ(Label("Bells"), "Bells (4)");

    QWidget* top = wnd->window();
    top->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(top));
    const int description = Table().VisibleIndexOf(kColDescription);
    const QPoint cell = Table().visualRect(Table().model()->index(0, description)).center();
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, {}, Table().viewport()->mapTo(top, cell));
    QTest::keyClick(top->windowHandle(), Qt::Key_A, Qt::ControlModifier);
    FakeUiSeams seams;
    seams.boxAnswer = MessageAnswer::Yes;
    QTest::keyClick(top->windowHandle(), Qt::Key_Delete);
    QCoreApplication::processEvents();

    ASSERT_GE(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].text, "Remove 4 sound(s) from MyTambrel?");
    EXPECT_EQ(seams.boxes.size(), 1u); // nothing was left behind to report
    EXPECT_EQ(Stored({"bell.wav", "bell_b.wav", "bell_c.wav", "bell_copy.wav", "rain.wav"}),
              std::set<std::string>{"rain.wav"});
    EXPECT_TRUE(Shown().empty());
    EXPECT_EQ(theSoundCategoryTree.FileCount(1, "Bells", {}), 0);
    EXPECT_EQ(tree->topLevelItem(0)->text(0).toStdString(), "MyTambrel (1)");
    EXPECT_TRUE(catalogMessages.empty()) << catalogMessages.front();
}

// The editor's Save As under a new name in the chosen category, then its Remove: the list
// keeps the file it was saved from, as the tree's count does.
TEST_P(MainListFollowsCatalog, TheChosenCategorysListFollowsASaveAsAndARemove) {
    for (const char* name : {"bell_a.wav", "bell_b.wav", "bell_c.wav", "bell_d.wav", "bell_e.wav"})
        Add(name, "Bells");
    Start();
    Choose("Bells");
    const std::set<std::string> five{"bell_a.wav", "bell_b.wav", "bell_c.wav", "bell_d.wav",
                                     "bell_e.wav"};
    ASSERT_EQ(Shown(), five);

    SoundFileObj saved = SaveAs("bell_d.wav", "bell_d_half.wav");
    std::set<std::string> six = five;
    six.insert("bell_d_half.wav");
    EXPECT_EQ(Shown(), six);
    EXPECT_EQ(Label("Bells"), "Bells (6)");

    // The editor's Remove, on the file it now shows.
    ASSERT_TRUE(controller->RemoveCatalogFile(saved));
    controller->ApplyCatalogChanges();
    EXPECT_EQ(Stored({"bell_a.wav", "bell_b.wav", "bell_c.wav", "bell_d.wav", "bell_e.wav",
                      "bell_d_half.wav"}),
              five);
    EXPECT_EQ(Shown(), five);
    EXPECT_EQ(Label("Bells"), "Bells (5)");
    EXPECT_TRUE(catalogMessages.empty()) << catalogMessages.front();
}

INSTANTIATE_TEST_SUITE_P(Catalog, MainListFollowsCatalog, testing::Values(Engine::SQLite), EngineName);

} // namespace

// Removing result rows from MyTambrel, end to end: the table, the real controller and a
// catalog of the test's own.
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

#include "app/app_controller.h"
#include "collection/catalog_db.h"
#include "collection/catalog_message.h"
#include "tests/app/fake_ui_seams.h"
#include "tests/collection/db/catalog_fixture.h"
#include "tests/windows/results/results_test_support.h"
#include "windows/results/results_list.h"
#include "windows/results/table_and_cards.h"
#include "windows/results/results_table.h"

namespace {

std::vector<std::string> catalogMessages;
void KeepMessage(const char* text) {
    catalogMessages.emplace_back(text);
}

class ResultsRemoval : public CatalogTest {
protected:
    void SetUp() override {
        CatalogTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        previousHook = SetCatalogMessageHook(KeepMessage);
        catalogMessages.clear();
        catalog = std::make_unique<CatalogDbObj>(dsn);
        previousCatalog = theCatalogDb;
        theCatalogDb = catalog.get();
        controller = std::make_unique<AppController>();
        previousController = theController;
        theController = controller.get();
    }
    void TearDown() override {
        if (wnd)
            wnd->Detach();
        wnd.reset();
        list.reset();
        theController = previousController;
        controller.reset();
        theCatalogDb = previousCatalog;
        catalog.reset();
        if (previousHook)
            SetCatalogMessageHook(previousHook);
        CatalogTest::TearDown();
    }

    // Catalogues the file at each rate and lists every (file, rate) row as a search would.
    void CatalogueAndList(const std::string& path, std::vector<int> rates) {
        SoundFileObj file = HitFile(-1, path);
        std::vector<SoundVariantObj> variants;
        for (int rate : rates)
            variants.push_back(HitVariant(-1, rate, 2000, 10));
        ASSERT_TRUE(catalog->AddFile(file, variants));
        SoundFileObj stored;
        ASSERT_TRUE(catalog->GetFileByPath(path, stored));
        for (int rate : rates) {
            SoundVariantObj variant;
            ASSERT_TRUE(catalog->GetSound(path, rate, variant));
            list->InsertRow(stored, variant, 0, 0, true, false);
        }
    }

    CatalogMessageHook previousHook = nullptr;
    std::unique_ptr<CatalogDbObj> catalog;
    CatalogDbObj* previousCatalog = nullptr;
    std::unique_ptr<AppController> controller;
    AppController* previousController = nullptr;
    ProfileFolder profile;
    RecordingListServices listServices;
    std::unique_ptr<ResultsListObj> list;
    std::unique_ptr<ResultsWnd> wnd;
};

TEST_P(ResultsRemoval, AFileListedAtTwoPitchesLeavesOnceWithAllItsRows) {
    list = std::make_unique<ResultsListObj>(nullptr, ResultsListObj::kMyTambrel, &listServices);
    wnd = std::make_unique<ResultsWnd>();
    wnd->resize(800, 300);
    wnd->Attach(list.get(), 0);
    wnd->ShowTabular();
    CatalogueAndList("/sounds/dog.wav", {44100, 88200});
    CatalogueAndList("/sounds/cat.wav", {44100});
    ASSERT_EQ(list->Count(), 3);
    TabularColumnsCtrl& table = *wnd->Tabular()->Columns();

    // Only the second pitch of the dog is selected.
    table.SetRowSelected(1, true, false);
    FakeUiSeams seams;
    seams.boxAnswer = MessageAnswer::Yes;
    wnd->Tabular()->Strip()->RunCommand(kCmdRemove);

    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].text, "Remove 1 sound(s) from MyTambrel?");
    EXPECT_FALSE(catalog->IsInCatalog("/sounds/dog.wav"));
    EXPECT_TRUE(catalog->IsInCatalog("/sounds/cat.wav"));
    ASSERT_EQ(list->Count(), 1);
    EXPECT_EQ(list->Entry(0).file.path, "/sounds/cat.wav");
    EXPECT_EQ(table.rowCount(), 1);
    EXPECT_EQ(wnd->Tabular()->Strip()->GetRowCount(), 1);
    EXPECT_TRUE(catalogMessages.empty()) << catalogMessages.front();

    // Both pitches of one file selected: still one removal.
    CatalogueAndList("/sounds/owl.wav", {22050, 44100});
    table.SelectAllRows(false);
    table.SetRowSelected(1, true, false);
    table.SetRowSelected(2, true, false);
    wnd->Tabular()->Strip()->RunCommand(kCmdRemove);
    EXPECT_EQ(seams.boxes.back().text, "Remove 2 sound(s) from MyTambrel?");
    EXPECT_FALSE(catalog->IsInCatalog("/sounds/owl.wav"));
    ASSERT_EQ(list->Count(), 1);
    EXPECT_EQ(table.rowCount(), 1);
    EXPECT_TRUE(catalogMessages.empty()) << catalogMessages.front();
}

INSTANTIATE_TEST_SUITE_P(Catalog, ResultsRemoval, testing::Values(Engine::SQLite), EngineName);

} // namespace

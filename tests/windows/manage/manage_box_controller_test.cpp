// The controller with the real Manage box: the window's questions come first on close-down,
// the rows it is handed, the preview's end and an import's update.
#include "app/app_controller.h"

#include <QPushButton>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "collection/catalog_db.h"
#include "tests/app/fake_ui_seams.h"
#include "tests/app/shell/controller_fixtures.h"
#include "tests/app/shell/shell_stand_ins.h"
#include "tests/windows/manage/indexer_box_stand_ins.h"
#include "windows/manage/indexer_box.h"

namespace {

using testing::ElementsAre;

// The factory makes real Manage boxes on the stand-in window.
void MakeManageBoxesOn(FakeFactory& factory, IndexerWindow& window) {
    factory.manageBoxes = [&window](IndexerBoxController& controller) {
        return std::make_unique<IndexerBoxObj>(controller,
                                               [&window](IndexerBoxObj&) { return &window; });
    };
}

IndexerBoxObj* Box(const AppController& controller) {
    return dynamic_cast<IndexerBoxObj*>(controller.ManageBox());
}

TEST_F(ControllerTest, QueryCloseAsksTheManageWindowFirstAndItsRefusalKeepsEverything) {
    FakeIndexerWindow window;
    MakeManageBoxesOn(factory, window);
    controller.ShowManageWindow(nullptr);
    ASSERT_NE(controller.ManageBox(), nullptr);
    ASSERT_TRUE(controller.OpenFile("/a.wav"));
    Box(controller)->SetPending(true);
    FakeUiSeams seams;
    seams.boxAnswer = MessageAnswer::No;
    log.lines.clear();
    EXPECT_FALSE(controller.QueryClose());
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].text, "Close without completing the update?");
    EXPECT_TRUE(log.lines.empty()); // no editor was asked
    EXPECT_NE(controller.ManageBox(), nullptr);

    seams.boxAnswer = MessageAnswer::Yes;
    EXPECT_TRUE(controller.QueryClose());
    EXPECT_EQ(controller.ManageBox(), nullptr);
    EXPECT_TRUE(window.detached);
    EXPECT_THAT(log.lines, ElementsAre("editor1 asked", "clipboard freed"));
    RunPostedEvents();
}

TEST_F(ControllerTest, ShowManageWindowAddsTheMarkedRowsOfAList) {
    struct Added {
        std::string path;
        bool edited;
    };
    class AddingWindow : public FakeIndexerWindow {
    public:
        void AddUpdateItem(const SoundFileObj& record, bool focus, bool edited) override {
            added.push_back({record.path, edited});
        }
        std::vector<Added> added;
    } window;
    MakeManageBoxesOn(factory, window);
    SoundFileListObj list;
    list.Add(Record(1, "/a.wav", 1, "A"), {}, 0, 0, 1, 0);
    list.Add(Record(2, "/b.wav", 1, "A"), {}, 0, 0, 0, 1);
    list.Add(Record(3, "/c.wav", 1, "A"), {}, 0, 0, 1, 1);
    // A result list's second value says "played": not an edit. An imported list's says the
    // metadata differs from the catalog's: an edit the update must store.
    for (bool imported : {false, true}) {
        SCOPED_TRACE(imported ? "imported" : "result list");
        window.added.clear();
        controller.ShowManageWindow(&list, imported);
        ASSERT_EQ(window.added.size(), 2u);
        EXPECT_EQ(window.added[0].path, "/a.wav");
        EXPECT_FALSE(window.added[0].edited);
        EXPECT_EQ(window.added[1].path, "/c.wav");
        EXPECT_EQ(window.added[1].edited, imported);
    }
    controller.ShowManageWindow(nullptr); // the one box is kept
    EXPECT_EQ(window.tips.size(), 1u);
    controller.CloseIndexerWindow(controller.ManageBox());
    RunPostedEvents();
}

TEST_F(ControllerPreviewTest, APreviewEndingByItselfReleasesEveryButtonOnce) {
    FakeIndexerWindow window;
    MakeManageBoxesOn(factory, window);
    controller.ShowManageWindow(nullptr);
    ASSERT_TRUE(controller.AuditionFile(a, false, &playA, 1.0));
    controller.CheckAuditionEnded(); // still playing: nothing
    EXPECT_EQ(controller.AuditionPath(), a);
    const int refreshesBefore = window.refreshes;

    for (int i = 0; i < 40 && controller.Player().IsPlaying(); ++i) {
        devices.Advance(0.1);
        dispatcher.FireTimers();
        dispatcher.RunPending();
    }
    ASSERT_FALSE(controller.Player().IsPlaying());
    EXPECT_FALSE(playA.isChecked());

    controller.CheckAuditionEnded();
    EXPECT_TRUE(controller.AuditionPath().empty());
    EXPECT_EQ(window.refreshes, refreshesBefore + 1);
    const auto& last = factory.mainList->plays.back();
    EXPECT_EQ(last.path, a);
    EXPECT_FALSE(last.playing);
    EXPECT_FALSE(factory.searchBoxes[0]->web.plays.back().playing);
    const auto heard = factory.mainList->plays.size();
    controller.CheckAuditionEnded(); // once only
    EXPECT_EQ(factory.mainList->plays.size(), heard);
    controller.QueryClose();
    RunPostedEvents();
}

// Three catalogued files, a metadata file with new texts for each: the import lists them in
// the Manage window and its update stores every one, not only the last row.
TEST_P(ControllerCatalogTest, AnImportOverCataloguedFilesStoresEveryChangedText) {
    class ListingWindow : public FakeIndexerWindow {
    public:
        void AddUpdateItem(const SoundFileObj& record, bool, bool edited) override {
            box->Items().push_back(std::make_unique<CatalogUpdateItem>(record));
            box->Items().back()->edited = edited;
        }
        IndexerBoxObj* box = nullptr;
    } window;
    ShellLog log;
    FakeFactory factory(log);
    MakeManageBoxesOn(factory, window);
    controller_->SetToolWindowFactory(&factory);
    const char* const names[] = {"a.wav", "b.wav", "c.wav"};
    std::ofstream tmi(folder_.Path("new.tmi"));
    tmi << "TAMBREL METADATA\n\n";
    for (const char* name : names) {
        SoundFileObj file = Stored(name, "Animals");
        file.description = "old text";
        ASSERT_TRUE(controller_->AddCatalogFile(file, Normal()));
        tmi << "FILENAME " << file.path << "\nCLASS EFFECT\nCATEGORY Animals\n"
            << "SUBCATEGORY Dogs\nDESCRIPTION new text of " << name << "\n\n";
    }
    tmi.close();

    controller_->ShowManageWindow(nullptr);
    IndexerBoxObj* box = Box(*controller_);
    ASSERT_NE(box, nullptr);
    window.box = box;
    const std::string path = folder_.Path("new.tmi");
    controller_->ImportMetadata(&path);
    ASSERT_EQ(box->Items().size(), 3u);
    box->BeginUpdate();
    ASSERT_TRUE(PumpUntil([&] { return !box->IsRunning() && !box->Task().IsRunning(); }));
    EXPECT_EQ(window.statusTexts.back(), "Update Completed");
    for (const char* name : names) {
        SoundFileObj stored;
        ASSERT_TRUE(catalog_->GetFileByPath(folder_.Path(name), stored)) << name;
        EXPECT_EQ(stored.description, std::string("new text of ") + name);
    }
    // The box goes before the window and the factory it was made by.
    controller_.reset();
}

INSTANTIATE_ON_SQLITE(ControllerCatalogTest);

} // namespace

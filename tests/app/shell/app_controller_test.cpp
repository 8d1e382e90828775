// The controller: the main list kept in step with catalog edits, previews, the boxes and the
// close-down.
#include "app/app_controller.h"

#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/app_util.h"
#include "app/main_frame.h"
#include "app/settings.h"
#include "collection/catalog_db.h"
#include "collection/sound_category_tree.h"
#include "tests/app/fake_ui_seams.h"
#include "tests/app/indexer_stand_ins.h"
#include "tests/app/shell/controller_fixtures.h"
#include "tests/app/shell/shell_stand_ins.h"
#include "tests/audio/engine/hand_clock_fixture.h"
#include "tests/support/sox_files.h"

namespace {

using testing::ElementsAre;

TEST_F(ControllerTest, CatalogChangesUpdateRemoveOrAppendRowsOfTheShownSelection) {
    enum Listed { kNotListed, kListed };
    enum Expect { kNothing, kRemoved, kUpdated, kAppended };
    struct Case {
        const char* name;
        int shownClass;
        const char* shownCategory;
        const char* shownSub;
        Listed listed;
        bool present;
        int cls;
        const char* category;
        const char* sub;
        Expect expect;
    };
    const Case cases[] = {
        {"nothing shown: a listed row goes", -1, "", "", kListed, true, 1, "Animals", "", kRemoved},
        {"nothing shown: nothing is appended", -1, "", "", kNotListed, true, 1, "Animals", "",
         kNothing},
        {"the root shows every class: appended", 0, "", "", kNotListed, true, 2, "Animals", "",
         kAppended},
        {"the root shows every class: updated", 0, "", "", kListed, true, 3, "Other", "", kUpdated},
        {"same category: updated", 1, "Animals", "", kListed, true, 1, "Animals", "Dogs", kUpdated},
        {"category differing in case only: updated", 1, "Animals", "", kListed, true, 1, "animals",
         "", kUpdated},
        {"re-filed elsewhere: removed", 1, "Animals", "", kListed, true, 1, "Vehicles", "",
         kRemoved},
        {"removed from the catalog: removed", 1, "Animals", "", kListed, false, 1, "Animals", "",
         kRemoved},
        {"filed here: appended", 1, "Animals", "", kNotListed, true, 1, "Animals", "Cats",
         kAppended},
        {"filed here in other case: appended", 1, "Animals", "Dogs", kNotListed, true, 1, "ANIMALS",
         "dogs", kAppended},
        {"removed and not listed: nothing", 1, "Animals", "", kNotListed, false, 1, "Animals", "",
         kNothing},
        {"other sub-category: nothing", 1, "Animals", "Dogs", kNotListed, true, 1, "Animals",
         "Cats", kNothing},
        {"other class: nothing", 1, "Animals", "", kNotListed, true, 2, "Animals", "", kNothing},
        {"whole class shown: appended", 1, "", "", kNotListed, true, 1, "Anything", "", kAppended},
        {"whole class shown, other class: removed", 1, "", "", kListed, true, 3, "Anything", "",
         kRemoved},
    };
    FakeResultsList& list = MainList();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        controller.ShowCategory(c.shownClass, c.shownCategory, c.shownSub, false);
        list.inserted.clear();
        list.removed.clear();
        list.refreshes.clear();
        // Two rows before the one under test, so a removal has an index to report.
        list.rows.Add(Record(1, "/s/first.wav", c.shownClass, c.shownCategory), {}, 0, 0, 0, 0);
        list.rows.Add(Record(2, "/s/second.wav", c.shownClass, c.shownCategory), {}, 0, 0, 0, 0);
        if (c.listed == kListed)
            list.rows.Add(Record(7, "/s/Test.wav", c.shownClass, c.shownCategory), {}, 0, 0, 0, 0);
        const int before = list.rows.Count();
        // The catalog gave the file a new id when it was stored again; its path differs in case.
        SoundFileObj changed = Record(9, "/s/test.WAV", c.cls, c.category, c.sub);
        changed.description = "changed";
        controller.ChangeQueue().Add(changed, {}, 0, 0, c.present ? 1 : 0, 0);

        controller.ApplyCatalogChanges();

        EXPECT_EQ(controller.ChangeQueue().Count(), 0);
        switch (c.expect) {
        case kNothing:
            EXPECT_EQ(list.rows.Count(), before);
            EXPECT_TRUE(list.refreshes.empty());
            break;
        case kRemoved:
            EXPECT_EQ(list.rows.Count(), before - 1);
            EXPECT_THAT(list.refreshes, ElementsAre(2));
            break;
        case kUpdated:
            EXPECT_EQ(list.rows.Count(), before);
            EXPECT_EQ(list.rows.Entry(2).file.description, "changed");
            EXPECT_THAT(list.refreshes, ElementsAre(-1));
            break;
        case kAppended:
            EXPECT_EQ(list.rows.Count(), before + 1);
            EXPECT_THAT(list.inserted, ElementsAre("/s/test.WAV"));
            EXPECT_THAT(list.refreshes, ElementsAre(-1));
            break;
        }
        list.rows.Clear();
    }
}

TEST_F(ControllerTest, RefreshStartsAtTheFirstRemovedRowOrOneAboveALaterLowerOne) {
    struct Case {
        const char* name;
        std::vector<int> removed; // row indices at queue time, in queue order
        int start;
    };
    const Case cases[] = {
        {"one row", {2}, 2},
        {"a lower row later", {3, 1}, 0},
        {"a higher row later", {1, 3}, 1},
        {"the first row later", {2, 0}, 0},
    };
    FakeResultsList& list = MainList();
    controller.ShowCategory(1, "Animals", "", false);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        list.rows.Clear();
        list.refreshes.clear();
        std::vector<SoundFileObj> files;
        for (int i = 0; i < 5; ++i) {
            files.push_back(Record(i + 1, "/s/" + std::to_string(i) + ".wav", 1, "Animals"));
            list.rows.Add(files.back(), {}, 0, 0, 0, 0);
        }
        for (int r : c.removed)
            controller.ChangeQueue().Add(files[r], {}, 0, 0, 0, 0);
        controller.ApplyCatalogChanges();
        EXPECT_THAT(list.refreshes, ElementsAre(c.start));
    }
}

TEST_F(ControllerTest, PlayedPathsMarkAppendedRows) {
    FakeResultsList& list = MainList();
    controller.ShowCategory(1, "", "", false);
    controller.MarkPlayed("/s/played.wav");
    controller.MarkPlayed("/s/played.wav");
    EXPECT_TRUE(controller.WasPlayed("/s/played.wav"));
    EXPECT_FALSE(controller.WasPlayed("/s/PLAYED.wav")); // exact comparison
    controller.ChangeQueue().Add(Record(1, "/s/played.wav", 1, "A"), {}, 0, 0, 1, 0);
    controller.ChangeQueue().Add(Record(2, "/s/other.wav", 1, "A"), {}, 0, 0, 1, 0);
    controller.ApplyCatalogChanges();
    EXPECT_THAT(list.marks, ElementsAre(true, false));
}

TEST_F(ControllerTest, QueryCloseAsksEveryBoxOnceInOrderAndStopsAtTheFirstRefusal) {
    struct Case {
        const char* name;
        int refusingEditor; // 0: none
        bool closes;
        std::vector<std::string> asked;
    };
    const Case cases[] = {
        {"all agree",
         0,
         true,
         {"editor1 asked", "editor2 asked", "editor3 asked", "search1 asked", "search2 asked",
          "clipboard freed"}},
        {"the second editor refuses", 2, false, {"editor1 asked", "editor2 asked"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ShellLog caseLog;
        FakeFactory caseFactory(caseLog);
        AppController owner;
        theController = &owner;
        owner.SetToolWindowFactory(&caseFactory);
        for (const char* path : {"/a.wav", "/b.wav", "/c.wav"})
            ASSERT_TRUE(owner.OpenFile(path));
        owner.OpenTextSearch("dog");
        owner.OpenSimilarSearch(SoundSignature());
        if (c.refusingEditor != 0)
            caseFactory.editorBoxes[c.refusingEditor - 1]->agrees = false;
        caseLog.lines.clear();

        EXPECT_EQ(owner.QueryClose(), c.closes);

        std::vector<std::string> asked;
        for (const auto& line : caseLog.lines)
            if (line.find("deleted") == std::string::npos)
                asked.push_back(line);
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(owner.EditorBoxes().size(), c.closes ? 0u : 2u);
        EXPECT_EQ(owner.SearchBoxLinks().size(), c.closes ? 0u : 2u);
        // Boxes that agreed are deleted once their handlers have returned.
        EXPECT_EQ(std::count(caseLog.lines.begin(), caseLog.lines.end(), "editor1 deleted"), 0);
        RunPostedEvents();
        EXPECT_EQ(std::count(caseLog.lines.begin(), caseLog.lines.end(), "editor1 deleted"), 1);
        theController = &controller;
    }
}

TEST_F(ControllerTest, EditorsOpenOnceAndAFailedOpenClosesItsBox) {
    ASSERT_TRUE(controller.OpenFile("/a.wav"));
    ASSERT_TRUE(controller.OpenFile("/a.wav")); // already open: activated
    factory.editorsOpen = false;
    EXPECT_FALSE(controller.OpenFile("/b.wav"));
    EXPECT_EQ(controller.EditorBoxes().size(), 1u);
    SoundFileObj remote = Record(3, "http://host/x.wav", 1, "A");
    SoundVariantObj octave;
    octave.sampleRate = 88200;
    factory.editorsOpen = true;
    EXPECT_TRUE(controller.OpenRecordInEditor(remote, octave, true));
    EXPECT_TRUE(controller.OpenRecordInEditor(remote, octave, true));
    RunPostedEvents();
    EXPECT_THAT(log.lines,
                ElementsAre("editor1 open /a.wav", "editor1 activated", "editor2 open /b.wav",
                            "editor3 remote http://host/x.wav 12", "editor3 activated",
                            "editor3 semitones 12", "editor2 deleted"));
}

TEST_F(ControllerTest, ABoxClosingInsideItsOwnHandlerIsDeletedLater) {
    ASSERT_TRUE(controller.OpenFile("/a.wav"));
    FakeEditorBox* box = factory.editorBoxes[0];
    // As a window's own close handler would: the box must outlive the call.
    EXPECT_TRUE(box->Close(true));
    EXPECT_EQ(box->Path(), "/a.wav");
    EXPECT_TRUE(controller.EditorBoxes().empty());
    controller.CloseEditorWindow(box); // not listed any more: ignored
    RunPostedEvents();
    EXPECT_THAT(log.lines, ElementsAre("editor1 open /a.wav", "editor1 asked", "editor1 deleted"));
}

TEST_F(ControllerTest, WindowsNotBuiltYetSaySoInsteadOfOpening) {
    AppController bare;
    theController = &bare;
    bare.OpenTextSearch("x");
    bare.ShowManageWindow(nullptr);
    EXPECT_FALSE(bare.OpenFile("/a.wav"));
    EXPECT_TRUE(bare.SearchBoxLinks().empty());
    EXPECT_EQ(bare.ManageBox(), nullptr);
    theController = &controller;
}

TEST_F(ControllerTest, RemoteTasksSeeTheOpenWindows) {
    controller.OpenTextSearch("a");
    controller.OpenTextSearch("b");
    // The stand-ins implement none of the remote interfaces.
    EXPECT_TRUE(controller.SearchBoxes().empty());
    EXPECT_TRUE(controller.ResultLists().empty());
    EXPECT_TRUE(controller.Editors().empty());
    EXPECT_EQ(controller.SearchBoxLinks().size(), 2u);
}

TEST_F(ControllerTest, SettingsComeBackAsTheyWereSaved) {
    controller.CorrectDC = false;
    controller.SaveTambrelFields = false;
    controller.SaveMultiPitch = false;
    controller.SavePath = "/home/u/Klänge/";
    controller.MainTabular = false;
    controller.ShowTips = false;
    controller.SaveSettings();
    AppController other;
    other.LoadSettings();
    EXPECT_FALSE(other.CorrectDC);
    EXPECT_FALSE(other.SaveTambrelFields);
    EXPECT_FALSE(other.SaveMultiPitch);
    EXPECT_EQ(other.SavePath, "/home/u/Klänge/");
    EXPECT_FALSE(other.MainTabular);
    EXPECT_FALSE(other.ShowTips);
}

TEST_F(ControllerTest, TheSaveAsDialogKeepsItsFolderAndFieldsChoiceInTheController) {
    class Answering : public FakeUiSeams {
    public:
        bool FileDialog(QWidget*, FileDialogRequest& request) override {
            proposed = request.path;
            auto* extras = request.extras;
            std::string typed = request.path;
            extras->FilterChanged(3, typed);
            static_cast<void>(extras);
            request.path = "/new/place/Take.wav";
            request.filterIndex = 3;
            return true;
        }
        std::string proposed;
    } seams;
    WriteProfileString("SavePath", "/from/settings/");
    controller.SavePath = "/from/controller/";
    std::string path = "/old/Take.wav";
    int channels = 1, rate = 44100, format = 1, encoding = 1;
    bool fields = true;
    ASSERT_TRUE(AppUtil::AskSaveAsPath(nullptr, path, channels, rate, format, fields, encoding));
    EXPECT_EQ(seams.proposed, "/from/controller/Take.wav");
    EXPECT_EQ(controller.SavePath, "/new/place/");
    EXPECT_EQ(GetSettingText("SavePath"), "/from/settings/"); // stored at close-down only
}

TEST_F(ControllerTest, TheMainPaneShowsTheListAsStoredAndLetsGoOfItBeforeSaving) {
    FakeResultsPane pane(log);
    controller.MainTabular = true;
    WriteSettingBool("MainTabular", false);
    controller.SetMainPanes(&tree, &pane);
    controller.Startup(); // reads the stored choice: cards
    controller.ToggleTabular();
    EXPECT_TRUE(controller.MainTabular);
    EXPECT_TRUE(controller.QueryClose());
    // Score and Pitch hidden (mask 9); the list is let go of before it is deleted.
    EXPECT_THAT(log.lines,
                ElementsAre("attach 9", "cards", "table", "focus", "detach", "clipboard freed"));
    EXPECT_TRUE(GetSettingBool("MainTabular"));
    EXPECT_EQ(controller.MainList(), nullptr);
}

TEST_F(ControllerTest, TheTreeListsTheRootAndEveryClassWithTheirCounts) {
    controller.FillCategoryTree();
    ASSERT_GE(tree.nodes.size(), 4u);
    EXPECT_EQ(tree.nodes[0].parent, -1);
    EXPECT_EQ(tree.nodes[0].text.rfind("MyTambrel (", 0), 0u);
    int classes = 0;
    for (const auto& node : tree.nodes)
        if (node.parent == 0) {
            ++classes;
            EXPECT_EQ(node.text.rfind(SoundCategoryTree::SuperCategoryName(classes), 0), 0u);
            EXPECT_EQ(node.image, classes - 1);
        }
    EXPECT_EQ(classes, 3);
}

TEST_F(ControllerPreviewTest, AClickSwitchesPreviewsAndASecondClickStops) {
    FakeResultsList& main = *factory.mainList;
    FakeResultsList& local = factory.searchBoxes[0]->local;

    EXPECT_TRUE(controller.AuditionFile(a, false, &playA, 1.0));
    EXPECT_TRUE(playA.isChecked());
    EXPECT_EQ(controller.AuditionPath(), a);

    EXPECT_TRUE(controller.AuditionFile(b, false, &playB, 1.0));
    EXPECT_FALSE(playA.isChecked());
    EXPECT_TRUE(playB.isChecked());
    EXPECT_THAT(Heard(main, a), ElementsAre(true, false));
    EXPECT_THAT(Heard(local, a), ElementsAre(true, false));
    EXPECT_THAT(Heard(main, b), ElementsAre(true));

    // The same path at another pitch is another preview; the lists hear both ratios, so
    // only the row of the playing pitch is marked.
    EXPECT_TRUE(controller.AuditionFile(b, false, &playB, 2.0));
    EXPECT_TRUE(playB.isChecked());
    EXPECT_DOUBLE_EQ(controller.AuditionRatio(), 2.0);
    EXPECT_TRUE(controller.Player().IsPlaying());
    ASSERT_GE(main.plays.size(), 2u);
    const auto& released = main.plays[main.plays.size() - 2];
    const auto& pressed = main.plays.back();
    EXPECT_EQ(released.path, b);
    EXPECT_DOUBLE_EQ(released.ratio, 1.0);
    EXPECT_FALSE(released.playing);
    EXPECT_EQ(pressed.path, b);
    EXPECT_DOUBLE_EQ(pressed.ratio, 2.0);
    EXPECT_TRUE(pressed.playing);

    // Clicking the playing row again stops it.
    EXPECT_TRUE(controller.AuditionFile(b, false, &playB, 2.0));
    EXPECT_FALSE(playB.isChecked());
    EXPECT_FALSE(controller.Player().IsPlaying());
    ASSERT_FALSE(main.plays.empty());
    EXPECT_FALSE(main.plays.back().playing);
}

TEST_F(ControllerPreviewTest, APreviewThatCannotStartLeavesItsButtonReleased) {
    EXPECT_FALSE(controller.AuditionFile(folder.Path("missing.wav"), false, &playA, 1.0));
    EXPECT_FALSE(playA.isChecked());
    EXPECT_FALSE(controller.Player().IsPlaying());
}

TEST_P(ControllerCatalogTest, EditsKeepTheCountsAndQueueTheirRecords) {
    SoundCategoryTree& counts = theSoundCategoryTree;
    const int animals = counts.FileCount(1, "Animals", "Dogs");
    const int vehicles = counts.FileCount(1, "Vehicles", "Dogs");
    SoundFileObj file = Stored("dog.wav", "Animals");

    ASSERT_TRUE(controller_->AddCatalogFile(file, Normal())) << testing::PrintToString(shown());
    EXPECT_EQ(counts.FileCount(1, "Animals", "Dogs"), animals + 1);
    // Adding the same path again replaces it: the counts do not drift.
    ASSERT_TRUE(controller_->AddCatalogFile(file, Normal()));
    EXPECT_EQ(counts.FileCount(1, "Animals", "Dogs"), animals + 1);

    file.category = "Vehicles";
    ASSERT_TRUE(controller_->UpdateCatalogFile(file, nullptr));
    EXPECT_EQ(counts.FileCount(1, "Animals", "Dogs"), animals);
    EXPECT_EQ(counts.FileCount(1, "Vehicles", "Dogs"), vehicles + 1);
    EXPECT_THAT(tree_.relabelled, testing::Contains("1/Vehicles/Dogs"));

    ASSERT_TRUE(controller_->RemoveCatalogFile(file));
    EXPECT_EQ(counts.FileCount(1, "Vehicles", "Dogs"), vehicles);
    EXPECT_FALSE(catalog_->IsInCatalog(file.path));
    // A path the catalog does not hold changes nothing.
    EXPECT_TRUE(controller_->RemoveCatalogFile(file));
    EXPECT_TRUE(controller_->UpdateCatalogFile(file, nullptr));

    SoundFileListObj& queue = controller_->ChangeQueue();
    ASSERT_EQ(queue.Count(), 4);
    EXPECT_EQ(queue.Entry(0).value1, 1);
    EXPECT_EQ(queue.Entry(0).variant.sampleRate, 44100);
    EXPECT_EQ(queue.Entry(2).file.category, "Vehicles");
    EXPECT_EQ(queue.Entry(3).value1, 0);
    controller_->ApplyCatalogChanges();
    EXPECT_EQ(queue.Count(), 0);
}

TEST_P(ControllerCatalogTest, TheTreeShowsCategoriesAndSubCategoriesThatHoldFiles) {
    SoundFileObj dog = Stored("dog.wav", "Animals");
    SoundFileObj cat = Stored("cat.wav", "Animals");
    cat.subcategory = "Cats";
    ASSERT_TRUE(controller_->AddCatalogFile(dog, Normal()));
    ASSERT_TRUE(controller_->AddCatalogFile(cat, Normal()));
    controller_->FillCategoryTree();
    auto find = [&](const std::string& prefix) {
        for (std::size_t i = 0; i < tree_.nodes.size(); ++i)
            if (tree_.nodes[i].text.rfind(prefix, 0) == 0)
                return static_cast<int>(i);
        return -1;
    };
    const int animals = find("Animals (");
    const int dogs = find("Dogs (");
    const int cats = find("Cats (");
    ASSERT_GE(animals, 0);
    ASSERT_GE(dogs, 0);
    ASSERT_GE(cats, 0);
    const int effects = tree_.nodes[animals].parent;
    EXPECT_EQ(tree_.nodes[effects].parent, 0);
    EXPECT_EQ(tree_.nodes[dogs].parent, animals);
    EXPECT_EQ(tree_.nodes[cats].parent, animals);
    EXPECT_EQ(tree_.nodes[dogs].image, 0);
    const int count = theSoundCategoryTree.FileCount(1, "Animals", "");
    EXPECT_EQ(tree_.nodes[animals].text, "Animals (" + std::to_string(count) + ")");
    int files = 0, sounds = 0;
    catalog_->GetCounts(files, sounds);
    EXPECT_EQ(tree_.nodes[0].text, "MyTambrel (" + std::to_string(files) + ")");
    // A category without files is left out.
    const SoundCategoryTree& taxonomy = theSoundCategoryTree;
    int empty = 0;
    while (empty < taxonomy.CategoryCount(1) &&
           taxonomy.FileCount(1, taxonomy.CategoryName(1, empty), "") != 0)
        ++empty;
    ASSERT_LT(empty, taxonomy.CategoryCount(1));
    EXPECT_EQ(find(taxonomy.CategoryName(1, empty) + " ("), -1);
}

TEST_P(ControllerCatalogTest, AFailedAddChangesNoCountAndQueuesNothing) {
    const int animals = theSoundCategoryTree.FileCount(1, "Animals", "Dogs");
    SoundFileObj file = Stored(std::string(300, 'x') + ".wav", "Animals");
    EXPECT_FALSE(controller_->AddCatalogFile(file, Normal()));
    EXPECT_EQ(theSoundCategoryTree.FileCount(1, "Animals", "Dogs"), animals);
    EXPECT_EQ(controller_->ChangeQueue().Count(), 0);
}

TEST_P(ControllerCatalogTest, ACategoryShowsItsFilesIgnoringCaseAndFollowsReFiling) {
    ShellLog log;
    FakeFactory factory(log);
    controller_->SetToolWindowFactory(&factory);
    controller_->Startup();
    SoundFileObj a = Stored("a.wav", "Animals");
    SoundFileObj b = Stored("b.wav", "animals");
    SoundFileObj c = Stored("c.wav", "Vehicles");
    SoundFileObj d = Stored("d.wav", "Animals");
    d.soundClass = 2; // same category, other class
    for (SoundFileObj* f : {&a, &b, &c, &d})
        ASSERT_TRUE(controller_->AddCatalogFile(*f, Normal()));
    controller_->MarkPlayed(b.path);
    FakeResultsList& list = *factory.mainList;

    controller_->ShowCategory(1, "Animals", "", true);
    EXPECT_THAT(list.inserted, testing::UnorderedElementsAre(a.path, b.path));
    ASSERT_EQ(list.marks.size(), 2u);
    EXPECT_EQ(list.marks[0], list.inserted[0] == b.path);
    EXPECT_THAT(list.refreshes, ElementsAre(-1));
    EXPECT_EQ(controller_->ShownClass(), 1);
    EXPECT_EQ(controller_->ChangeQueue().Count(), 0);

    // Re-filed elsewhere the row goes; filed back it comes again, at the end.
    b.category = "Vehicles";
    ASSERT_TRUE(controller_->UpdateCatalogFile(b, nullptr));
    controller_->ApplyCatalogChanges();
    ASSERT_EQ(list.rows.Count(), 1);
    b.category = "Animals";
    ASSERT_TRUE(controller_->UpdateCatalogFile(b, nullptr));
    controller_->ApplyCatalogChanges();
    ASSERT_EQ(list.rows.Count(), 2);
    EXPECT_EQ(list.rows.Entry(1).file.path, b.path);

    list.inserted.clear();
    controller_->ShowCategory(2, "Animals", "", true);
    EXPECT_THAT(list.inserted, ElementsAre(d.path));
    controller_->QueryClose();
}

TEST_P(ControllerCatalogTest, AClickOnTheBusyTipStopsTheCategoryQueryKeepingRowsFound) {
    ShellLog log;
    FakeFactory factory(log);
    controller_->SetToolWindowFactory(&factory);
    AppController* previous = theController;
    theController = controller_.get();
    CMainFrame frame(&factory);
    frame.show();
    controller_->Startup();
    for (int i = 0; i < 6; ++i) {
        SoundFileObj f = Stored("f" + std::to_string(i) + ".wav", "Animals");
        ASSERT_TRUE(controller_->AddCatalogFile(f, Normal()));
    }
    struct Case {
        const char* name;
        bool click;
        int rows;
    };
    const Case cases[] = {{"left alone: every row", false, 6}, {"clicked: the first row", true, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string shownTip;
        // Timers run inside the query's pump: the click comes after the first row.
        QTimer::singleShot(0, &frame, [&] {
            shownTip = frame.Tip().Text();
            if (c.click && frame.Tip().Window() != nullptr)
                QTest::mouseClick(frame.Tip().Window(), Qt::LeftButton);
        });
        controller_->ShowCategory(1, "Animals", "", true);
        EXPECT_EQ(shownTip, "Performing search, click here to stop...");
        EXPECT_EQ(factory.mainList->rows.Count(), c.rows);
        // Afterwards the result rows' tips, and the user's ShowTips as it was.
        EXPECT_EQ(frame.Tip().Entries().size(), 4u);
        EXPECT_TRUE(controller_->ShowTips);
    }
    controller_->QueryClose();
    theController = previous;
}

INSTANTIATE_ON_SQLITE(ControllerCatalogTest);

} // namespace

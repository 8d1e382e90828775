#include "windows/manage/indexer_box.h"

#include "tests/app/fake_ui_seams.h"
#include "tests/windows/manage/indexer_box_stand_ins.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "collection/db/catalog.h"

namespace {

using testing::ElementsAre;

class IndexerBoxTest : public IndexerCatalogTest {
protected:
    void SetUp() override {
        IndexerCatalogTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        box_ = std::make_unique<IndexerBoxObj>(controller_,
                                               [this](IndexerBoxObj&) { return &window_; });
    }
    void TearDown() override {
        box_.reset();
        IndexerCatalogTest::TearDown();
    }

    CatalogUpdateItem& AddRow(const std::string& path) {
        box_->Items().push_back(std::make_unique<CatalogUpdateItem>(path));
        return *box_->Items().back();
    }
    CatalogUpdateItem& Row(int i) { return *box_->Items()[i]; }

    // One whole update, pumped to its end.
    void RunUpdate() {
        window_.statusTexts.clear();
        controller_.calls.clear();
        box_->BeginUpdate();
        ASSERT_TRUE(box_->IsRunning());
        ASSERT_TRUE(PumpUntil([&] { return !box_->IsRunning() && !box_->Task().IsRunning(); }));
    }

    FakeIndexerWindow window_;
    FakeController controller_;
    std::unique_ptr<IndexerBoxObj> box_;
};

TEST_P(IndexerBoxTest, RowsAreAddedChangedRemovedAndSkippedAsTheyAsk) {
    EXPECT_THAT(window_.tips, ElementsAre(IndexerBoxObj::kTipString));
    const std::string kept = Wave("kept.wav", 1);
    AddRow(Wave("plain.wav", 1));
    AddRow(Wave("pitched.wav", 1, 16000)).allVariations = true;
    AddRow(Wave("gone.wav", 1));
    AddRow(kept);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Row(i).state, CatalogUpdateItem::kNotInCatalog);

    RunUpdate();
    EXPECT_THAT(controller_.calls,
                ElementsAre("remove plain.wav", "add plain.wav", "remove pitched.wav",
                            "add pitched.wav", "remove gone.wav", "add gone.wav", "remove kept.wav",
                            "add kept.wav"));
    EXPECT_EQ(Row(0).state, CatalogUpdateItem::kInCatalog);
    EXPECT_EQ(Row(1).state, CatalogUpdateItem::kWithVariants);
    EXPECT_GT(catalog_->GetSoundCount(Row(1).record.path), 1);
    // The analysed copy came back into the row.
    EXPECT_EQ(Row(0).record.duration, 1000);
    EXPECT_EQ(Row(0).record.sampleRate, 8000);
    EXPECT_EQ(Row(0).record.indexDate.size(), 19u);
    EXPECT_EQ(window_.statusTexts.back(), "Update Completed");
    EXPECT_EQ(window_.buttonText, "Start Updating MyTambrel");
    EXPECT_EQ(window_.buttonIcon, IndexerBoxObj::kStartIcon);
    EXPECT_TRUE(window_.panesEnabled);
    EXPECT_EQ(controller_.applied, 1);

    // Second run: one removed, one with changed metadata, two left alone.
    Row(2).keep = false;
    Row(2).edited = true;
    Row(0).record.description = "changed";
    Row(0).edited = true;
    box_->SetPending(true);
    RunUpdate();
    EXPECT_THAT(controller_.calls,
                ElementsAre("update plain.wav", "remove gone.wav", "update kept.wav"));
    EXPECT_EQ(Row(2).state, CatalogUpdateItem::kNotInCatalog);
    EXPECT_FALSE(catalog_->IsInCatalog(Row(2).record.path));
    SoundFileObj stored;
    ASSERT_TRUE(catalog_->GetFileByPath(Row(0).record.path, stored));
    EXPECT_EQ(stored.description, "changed");
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(Row(i).edited) << i;
    EXPECT_FALSE(box_->IsPending());
    EXPECT_EQ(window_.statusTexts.back(), "Update Completed");
    EXPECT_EQ(controller_.applied, 2);
    EXPECT_TRUE(shown().empty());
}

TEST_P(IndexerBoxTest, ARunWhereNoRowNeedsWorkStillCompletes) {
    AddRow(Wave("a.wav", 1));
    AddRow(Wave("b.wav", 1));
    RunUpdate();
    window_.repainted.clear();
    RunUpdate();
    // Only the last row goes through, stored again as it is.
    EXPECT_THAT(controller_.calls, ElementsAre("update b.wav"));
    EXPECT_THAT(window_.repainted, ElementsAre(1));
    EXPECT_EQ(window_.statusTexts.back(), "Update Completed");
    EXPECT_EQ(Row(1).state, CatalogUpdateItem::kInCatalog);
}

TEST_P(IndexerBoxTest, OnlyLongFilesReportProgressAtTheirOwnPitch) {
    struct Case {
        double seconds;
        bool reports;
    };
    for (const Case& c : {Case{5, false}, Case{15, true}}) {
        SCOPED_TRACE(c.seconds);
        box_->Items().clear();
        window_.progress.clear();
        AddRow(Wave("tone" + std::to_string(int(c.seconds)) + ".wav", c.seconds, 44100));
        RunUpdate();
        EXPECT_EQ(!window_.progress.empty(), c.reports);
        for (const auto& p : window_.progress) {
            EXPECT_EQ(p.text, "Updating 1 of 1 (add)");
            EXPECT_GT(p.position, 0);
        }
        EXPECT_EQ(Row(0).state, CatalogUpdateItem::kInCatalog);
    }
}

TEST_P(IndexerBoxTest, AFileThatCannotBeAnalysedMarksOnlyItsRow) {
    AddRow(Wave("first.wav", 1));
    // Readable when listed, garbage by the time the run reaches it.
    const std::string broken = Wave("broken.wav", 1);
    AddRow(broken);
    WriteFileBytes(broken, {'R', 'I', 'F', 'F', 1, 2, 3});
    AddRow(Wave("last.wav", 1));

    RunUpdate();
    EXPECT_EQ(Row(0).state, CatalogUpdateItem::kInCatalog);
    EXPECT_EQ(Row(1).state, CatalogUpdateItem::kError);
    EXPECT_FALSE(Row(1).record.errorText.empty());
    EXPECT_EQ(Row(1).GetColumnText(CatalogUpdateItem::kStatus), Row(1).record.errorText);
    EXPECT_FALSE(catalog_->IsInCatalog(broken));
    EXPECT_EQ(Row(2).state, CatalogUpdateItem::kInCatalog);
    EXPECT_EQ(window_.statusTexts.back(), "Update Completed: 1 file could not be updated");
}

TEST_P(IndexerBoxTest, AStopLeavesTheRowsNotReachedAsTheyWere) {
    for (const char* name : {"a.wav", "b.wav", "c.wav"})
        AddRow(Wave(name, 1)).edited = true;
    // Stopped from inside the handling of the first row's result, as a click on the stop
    // button during a message box there would.
    window_.onRepaint = [&](int row) {
        if (row == 0)
            box_->StopUpdate();
    };
    box_->BeginUpdate();
    ASSERT_TRUE(PumpUntil([&] { return !box_->Task().IsRunning(); }));
    EXPECT_FALSE(box_->IsRunning());
    EXPECT_FALSE(box_->IsStopping());
    EXPECT_EQ(Row(0).state, CatalogUpdateItem::kInCatalog);
    for (int i = 1; i < 3; ++i) {
        EXPECT_EQ(Row(i).state, CatalogUpdateItem::kNotInCatalog) << i;
        EXPECT_TRUE(Row(i).edited) << i;
        EXPECT_FALSE(catalog_->IsInCatalog(Row(i).record.path)) << i;
    }
    EXPECT_EQ(window_.buttonText, "Start Updating MyTambrel");
    EXPECT_EQ(window_.statusTexts.back(), "Update Stopped after 1 of 3 files");
}

// The stop button while the pool's threads are held mid-file, at a different row each round
// and from outside or from inside a row's handler; a second click comes while the stop is on
// its way, as from a user who sees nothing happen yet.
TEST_P(IndexerBoxTest, AStopMidFileEndsTheRunAfterTheFilesInHandAndSaysSo) {
    constexpr int kRows = 12;
    std::vector<std::string> paths;
    for (int i = 0; i < kRows; ++i)
        paths.push_back(folder_.Path("f" + std::to_string(i) + ".wav"));
    for (int round = 0; round < 24 && !HasFailure(); ++round) {
        const int done = round % 6; // rows let through before the stop
        const bool fromHandler = done > 0 && round % 2 == 1;
        SCOPED_TRACE("round " + std::to_string(round) + ", " + std::to_string(done) +
                     (fromHandler ? " rows, stopped from the last one's handler" : " rows"));
        for (const std::string& path : paths)
            if (catalog_->IsInCatalog(path))
                catalog_->RemoveFile(path);
        box_->Items().clear();
        for (const std::string& path : paths) {
            SoundFileObj record;
            record.path = path;
            record.description = "round " + std::to_string(round);
            box_->Items().push_back(std::make_unique<CatalogUpdateItem>(record));
            box_->Items().back()->edited = true;
        }
        GatedAnalyser gate(paths);
        box_->Task().SetAnalyser(gate.Analyser());
        box_->Task().SetAnalysisThreads(4);
        window_.repainted.clear();
        window_.onRepaint = [&](int row) {
            if (fromHandler && row == done - 1)
                box_->StopUpdate();
        };
        gate.Open(done);
        box_->BeginUpdate();
        ASSERT_TRUE(PumpUntil([&] {
            return static_cast<int>(window_.repainted.size()) == done &&
                   (box_->IsStopping() || gate.Entered(done));
        }));
        box_->StopUpdate();
        EXPECT_TRUE(box_->IsStopping());
        EXPECT_TRUE(box_->IsRunning());
        box_->BeginUpdate(); // refused: the stopping run has not ended
        gate.Open(kRows);
        ASSERT_TRUE(PumpUntil([&] { return !box_->IsRunning() && !box_->Task().IsRunning(); }));

        EXPECT_EQ(window_.statusTexts.back(),
                  "Update Stopped after " + std::to_string(done) + " of 12 files");
        EXPECT_EQ(window_.buttonText, "Start Updating MyTambrel");
        EXPECT_FALSE(box_->IsStopping());
        for (int i = 0; i < kRows; ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(catalog_->IsInCatalog(paths[i]), i < done);
            EXPECT_EQ(Row(i).edited, i >= done);
            EXPECT_EQ(Row(i).state,
                      i < done ? CatalogUpdateItem::kInCatalog : CatalogUpdateItem::kNotInCatalog);
        }
    }
    window_.onRepaint = nullptr;
}

// Rows the update could not catalogue are counted in its end; an ended update leaves nothing
// to ask about when the window closes.
TEST_P(IndexerBoxTest, AnUpdateSaysHowManyFilesItCouldNotCatalogueAndAsksNothingOnClose) {
    struct Case {
        const char* name;
        int good;   // readable files listed first
        int broken; // then damaged ones
        const char* status;
    };
    const Case cases[] = {
        {"only a broken file", 0, 1, "Update Completed: 1 file could not be updated"},
        {"two of three broken", 1, 2, "Update Completed: 2 files could not be updated"},
        {"none broken", 2, 0, "Update Completed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeIndexerWindow window;
        FakeController controller;
        IndexerBoxObj* box = Own(controller, window);
        for (int i = 0; i < c.good + c.broken; ++i) {
            const std::string path = Wave(std::string(c.name) + std::to_string(i) + ".wav", 1);
            if (i >= c.good)
                WriteFileBytes(path, {'R', 'I', 'F', 'F', 1, 2, 3});
            box->Items().push_back(std::make_unique<CatalogUpdateItem>(path));
            box->Items().back()->record.description = "typed";
            box->Items().back()->edited = true;
        }
        box->SetPending(true); // the typed descriptions
        box->BeginUpdate();
        ASSERT_TRUE(PumpUntil([&] { return !box->IsRunning() && !box->Task().IsRunning(); }));
        EXPECT_EQ(window.statusTexts.back(), c.status);

        FakeUiSeams seams;
        EXPECT_TRUE(box->QueryClose(true));
        EXPECT_TRUE(seams.boxes.empty());
        EXPECT_EQ(controller.owned, nullptr);
    }
}

TEST_P(IndexerBoxTest, AWindowClosedFromInsideTheRowHandlerGoesAfterIt) {
    FakeIndexerWindow window;
    FakeController controller;
    IndexerBoxObj* box = Own(controller, window);
    for (const char* name : {"a.wav", "b.wav"})
        box->Items().push_back(std::make_unique<CatalogUpdateItem>(Wave(name, 1)));
    FakeUiSeams seams;
    seams.boxAnswer = MessageAnswer::Yes;
    bool closed = false;
    window.onRepaint = [&](int row) {
        if (row != 0)
            return;
        closed = box->QueryClose(true);
        EXPECT_NE(controller.owned, nullptr); // still under its task's handler
    };
    box->BeginUpdate();
    ASSERT_TRUE(PumpUntil([&] { return controller.owned == nullptr; }));
    EXPECT_TRUE(closed);
    EXPECT_TRUE(window.closed);
    EXPECT_EQ(seams.boxes.size(), 1u);
    EXPECT_FALSE(catalog_->IsInCatalog(folder_.Path("b.wav")));
}

TEST_P(IndexerBoxTest, AFailedReCatalogueKeepsTheStoredEntry) {
    CatalogUpdateItem& row = AddRow(Wave("dog.wav", 1, 16000));
    row.record.description = "first take";
    RunUpdate();
    ASSERT_EQ(row.state, CatalogUpdateItem::kInCatalog);

    // The catalog refuses a second sound for any file: the variants cannot go in.
    Exec("CREATE TRIGGER one_sound BEFORE INSERT ON SOUND WHEN (SELECT COUNT(*) FROM SOUND "
         "WHERE FILE_ID = NEW.FILE_ID) >= 1 BEGIN SELECT RAISE(ABORT, 'one sound only'); END");
    row.allVariations = true;
    row.edited = true;
    RunUpdate();
    EXPECT_THAT(controller_.calls, ElementsAre("remove dog.wav", "add dog.wav", "add dog.wav"));
    EXPECT_EQ(row.state, CatalogUpdateItem::kError);
    EXPECT_EQ(row.GetColumnText(CatalogUpdateItem::kStatus), IndexerTaskObj::kAddFailed);
    EXPECT_FALSE(shown().empty());
    SoundFileObj stored;
    ASSERT_TRUE(catalog_->GetFileByPath(row.record.path, stored));
    EXPECT_EQ(stored.description, "first take");
    EXPECT_EQ(catalog_->GetSoundCount(row.record.path), 1);
    EXPECT_EQ(window_.statusTexts.back(), "Update Completed: 1 file could not be updated");
}

TEST_P(IndexerBoxTest, AnEmptyTableStartsNoUpdate) {
    box_->BeginUpdate();
    EXPECT_FALSE(box_->IsRunning());
    EXPECT_FALSE(box_->Task().IsRunning());
    EXPECT_EQ(window_.commits, 0);
}

TEST_P(IndexerBoxTest, ClosingAsksWhatWouldBeLost) {
    struct Case {
        const char* name;
        bool running;
        bool pending;
        MessageAnswer answer;
        const char* question; // null: none asked
        bool closes;
    };
    const char* const kRunning = "You are currently indexing audio files.\nDo you want to stop?";
    const char* const kPending = "Close without completing the update?";
    const Case cases[] = {
        {"running, Yes", true, false, MessageAnswer::Yes, kRunning, true},
        {"running, No", true, false, MessageAnswer::No, kRunning, false},
        {"pending, Yes", false, true, MessageAnswer::Yes, kPending, true},
        {"pending, No", false, true, MessageAnswer::No, kPending, false},
        {"idle", false, false, MessageAnswer::No, nullptr, true},
    };
    const std::string path = Wave("a.wav", 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeIndexerWindow window;
        FakeController controller;
        IndexerBoxObj* box = Own(controller, window);
        box->Items().push_back(std::make_unique<CatalogUpdateItem>(path));
        box->SetPending(c.pending);
        if (c.running)
            box->BeginUpdate(); // the worker waits for its first notice: nothing pumps here
        FakeUiSeams seams;
        seams.boxAnswer = c.answer;

        EXPECT_EQ(box->QueryClose(true), c.closes);
        if (c.question) {
            ASSERT_EQ(seams.boxes.size(), 1u);
            EXPECT_EQ(seams.boxes[0].text, c.question);
            EXPECT_EQ(seams.boxes[0].buttons, MessageButtons::YesNo);
            EXPECT_EQ(seams.boxes[0].icon,
                      c.running ? MessageIcon::Question : MessageIcon::Exclamation);
            // Enter must not throw away pending edits.
            if (c.pending) {
                EXPECT_EQ(seams.boxes[0].defaultButton, MessageAnswer::No);
            }
        } else {
            EXPECT_TRUE(seams.boxes.empty());
        }
        EXPECT_EQ(controller.owned == nullptr, c.closes);
        EXPECT_EQ(window.closed, c.closes);
        EXPECT_EQ(window.detached, c.closes);
        if (!c.closes) {
            EXPECT_EQ(box->IsRunning(), c.running);
            controller.owned.reset(); // stops a running update on the way
        }
    }
}

TEST_P(IndexerBoxTest, ABusyWindowClosesOnceItsLoopEnds) {
    window_.busy = true;
    EXPECT_TRUE(box_->QueryClose(true));
    EXPECT_TRUE(window_.closeRequested);
    EXPECT_FALSE(window_.closed);
    EXPECT_FALSE(window_.detached);
    EXPECT_THAT(controller_.calls, ElementsAre());
}

// Everything the catalog holds of the rows' files, but their ids and index dates.
void CatalogSnapshot(const std::vector<std::string>& paths, std::vector<std::string>& lines) {
    for (const std::string& path : paths) {
        SoundFileObj file;
        if (!theCatalogDb->GetFileByPath(path, file)) {
            lines.push_back(path + " absent");
            continue;
        }
        std::unique_ptr<DB_file_sounds> stored;
        EXPECT_FALSE(DB_get_metadata(theCatalogDb->Handle(), file.fileId, &stored).has_value());
        ASSERT_TRUE(stored) << path;
        DB_file row = *stored->file;
        row.fileId = 0;
        row.indexDate.clear();
        std::string line = path;
        for (int32_t v : {row.sampleRate, row.duration, row.bpm, row.key})
            line += " " + std::to_string(v);
        for (int32_t v : row.ints)
            line += " " + std::to_string(v);
        for (const std::string& t : row.texts)
            line += "|" + t;
        line += "|" + std::string(row.signature.begin(), row.signature.end());
        lines.push_back(line);
        for (const auto& sound : stored->sounds) {
            std::string s = "  " + std::to_string(sound->sampleRate) + " " +
                            std::to_string(sound->duration) + " " + std::to_string(sound->bpm) +
                            " " + std::to_string(sound->key) + " " +
                            std::string(sound->signature.begin(), sound->signature.end()) +
                            std::string(sound->data.begin(), sound->data.end());
            lines.push_back(s);
        }
    }
}

TEST_P(IndexerBoxTest, OneOrEightAnalysisThreadsGiveTheSameCatalogAndNotices) {
    std::vector<std::string> paths;
    for (int i = 0; i < 10; ++i)
        paths.push_back(Wave("t" + std::to_string(i) + ".wav", 0.3 + 0.1 * i, 8000 + 1000 * i));
    const std::string damaged = folder_.Path("damaged.wav");
    std::ofstream(damaged, std::ios::binary) << "RIFF\x10\0\0\0WAVEjunkjunk";
    paths.insert(paths.begin() + 4, damaged);

    struct Outcome {
        std::vector<std::string> calls, status, catalog;
        std::vector<int> repainted, states;
    };
    auto run = [&](int threads) {
        for (const std::string& path : paths)
            if (catalog_->IsInCatalog(path))
                catalog_->RemoveFile(path);
        box_->Items().clear();
        for (size_t i = 0; i < paths.size(); ++i)
            AddRow(paths[i]).allVariations = i % 3 == 0;
        window_.repainted.clear();
        box_->Task().SetAnalysisThreads(threads);
        RunUpdate();
        Outcome outcome;
        outcome.calls = controller_.calls;
        outcome.status = window_.statusTexts;
        outcome.repainted = window_.repainted;
        for (size_t i = 0; i < paths.size(); ++i)
            outcome.states.push_back(Row(static_cast<int>(i)).state);
        CatalogSnapshot(paths, outcome.catalog);
        return outcome;
    };
    const Outcome one = run(1);
    const Outcome eight = run(8);
    EXPECT_EQ(one.calls, eight.calls);
    EXPECT_EQ(one.status, eight.status);
    EXPECT_EQ(one.repainted, eight.repainted);
    EXPECT_EQ(one.states, eight.states);
    EXPECT_EQ(one.catalog, eight.catalog);
    EXPECT_EQ(one.states[4], CatalogUpdateItem::kError);
    EXPECT_EQ(one.states[0], CatalogUpdateItem::kWithVariants);
}

TEST_P(IndexerBoxTest, StoppingAPoolRunEndsItPromptly) {
    for (int i = 0; i < 8; ++i)
        AddRow(Wave("long" + std::to_string(i) + ".wav", 20, 44100)).allVariations = true;
    box_->Task().SetAnalysisThreads(4);
    box_->BeginUpdate();
    ASSERT_TRUE(PumpUntil([&] { return !window_.progress.empty(); }));
    box_->StopUpdate();
    ASSERT_TRUE(PumpUntil([&] { return !box_->Task().IsRunning(); }));
    EXPECT_FALSE(box_->IsRunning());
    // Not every file was catalogued: the run ended part-way.
    int catalogued = 0;
    for (int i = 0; i < 8; ++i)
        catalogued += catalog_->IsInCatalog(Row(i).record.path) ? 1 : 0;
    EXPECT_LT(catalogued, 8);
}

INSTANTIATE_ON_SQLITE(IndexerBoxTest);

} // namespace

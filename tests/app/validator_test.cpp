#include "app/validator_dlg.h"

#include "collection/audio_file_util.h"
#include "tests/app/fake_ui_seams.h"
#include "tests/app/indexer_stand_ins.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QWindow>
#include <sys/time.h>

#include <filesystem>

namespace {

using testing::ElementsAre;
using testing::UnorderedElementsAre;

class ValidatorTest : public IndexerCatalogTest {
protected:
    void SetUp() override {
        IndexerCatalogTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        dialog_ = std::make_unique<ValidatorDlg>(nullptr, controller_);
        dialog_->SetMissingFileQuestion([this](const std::string& path, int& action,
                                               std::string& location, std::string& search) {
            asked_.push_back(path);
            openedWith_.push_back(action);
            if (answers_.empty())
                return false; // Stop
            Answer answer = answers_.front();
            answers_.erase(answers_.begin());
            action = answer.action;
            location = answer.location;
            search = answer.search;
            return true;
        });
    }
    void TearDown() override {
        dialog_.reset();
        IndexerCatalogTest::TearDown();
    }

    std::string Tone(const std::string& name, double seconds, int frequency = 440) {
        const std::string path = folder_.Path(name);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        EXPECT_TRUE(RunSox("-n -r 8000 -c 1 -b 16 '" + path + "' synth " +
                           std::to_string(seconds) + " sine " + std::to_string(frequency)));
        return path;
    }

    SoundFileObj Catalogue(const std::string& path, int mode = 0) {
        SoundFileObj file;
        file.path = path;
        std::vector<SoundVariantObj> variants;
        std::string error;
        EXPECT_TRUE(AudioFileUtil::AnalyzeFile(file, variants, mode, error, nullptr, nullptr))
            << error;
        EXPECT_TRUE(catalog_->AddFile(file, variants));
        return file;
    }

    static void TouchIntoFuture(const std::string& path) {
        struct timeval times[2];
        gettimeofday(&times[0], nullptr);
        times[0].tv_sec += 5;
        times[1] = times[0];
        ASSERT_EQ(utimes(path.c_str(), times), 0);
    }

    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        for (int i = 0; i < dialog_->Lines()->count(); ++i)
            lines.push_back(dialog_->Lines()->item(i)->text().toStdString());
        return lines;
    }

    struct Answer {
        int action;
        std::string location;
        std::string search;
    };
    std::vector<Answer> answers_;
    std::vector<std::string> asked_;
    std::vector<int> openedWith_;
    FakeController controller_;
    std::unique_ptr<ValidatorDlg> dialog_;
};

TEST_P(ValidatorTest, AnEmptyCatalogCompletesWithNothingShown) {
    dialog_->OnBeginValidating();
    EXPECT_EQ(dialog_->EndState()->text().toStdString(), "Validation complete");
    EXPECT_TRUE(Lines().empty());
    EXPECT_TRUE(dialog_->Counter()->isHidden());
    EXPECT_TRUE(dialog_->DatabaseBar()->isHidden());
    EXPECT_TRUE(dialog_->BeginButton()->isEnabled());
    EXPECT_FALSE(dialog_->StopButton()->isEnabled());
}

TEST_P(ValidatorTest, RowsThatCannotBeReadStopTheRunWithOneMessage) {
    Catalogue(Tone("a.wav", 0.5));
    Catalogue(Tone("b.wav", 0.5));
    Exec("DROP TABLE SOUND");
    dialog_->OnBeginValidating();
    EXPECT_EQ(shown().size(), 1u);
    EXPECT_TRUE(asked_.empty());
    EXPECT_EQ(dialog_->EndState()->text().toStdString(), "Validation stopped");
}

TEST_P(ValidatorTest, AFailedCatalogQueryEndsAsStoppedNotComplete) {
    Catalogue(Tone("a.wav", 0.5));
    Exec("DROP TABLE AUDIO_FILE");
    dialog_->OnBeginValidating();
    EXPECT_EQ(shown().size(), 1u); // the reason, once
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(dialog_->EndState()->text().toStdString(), "Validation stopped");
}

TEST_P(ValidatorTest, MovedFilesAreFoundInOneScanOfTheSearchFolder) {
    const SoundFileObj a = Catalogue(Tone("old/a.wav", 0.5, 440));
    const SoundFileObj b = Catalogue(Tone("old/b.wav", 0.6, 660));
    const std::string newFolder = folder_.Path("new");
    std::filesystem::create_directories(newFolder + "/deeper");
    std::filesystem::rename(a.path, newFolder + "/a.wav");
    std::filesystem::rename(b.path, newFolder + "/deeper/b.wav");

    answers_ = {{Validator::kSearchAll, "", newFolder}};
    dialog_->OnBeginValidating();

    // Asked about the first missing file only; the second is looked for in the same folder.
    EXPECT_EQ(asked_.size(), 1u);
    EXPECT_THAT(Lines(), UnorderedElementsAre(a.path + ": Successfully fixed",
                                              b.path + ": Successfully fixed"));
    EXPECT_EQ(dialog_->Run().FolderScans(), 1);
    EXPECT_TRUE(catalog_->IsInCatalog(newFolder + "/a.wav"));
    EXPECT_TRUE(catalog_->IsInCatalog(newFolder + "/deeper/b.wav"));
    EXPECT_FALSE(catalog_->IsInCatalog(a.path));
    EXPECT_EQ(dialog_->EndState()->text().toStdString(), "Validation complete");
    EXPECT_EQ(controller_.applied, 1);
}

TEST_P(ValidatorTest, ACandidateOfAnotherSizeOrAlreadyCataloguedIsRejected) {
    const SoundFileObj gone = Catalogue(Tone("old/c.wav", 0.5));
    std::filesystem::remove(gone.path);
    const std::string longer = Tone("search/c.wav", 1.0);
    const SoundFileObj taken = Catalogue(Tone("taken/c.wav", 0.5));

    // A candidate of another size is rejected (by size alone), then the file is ignored.
    answers_ = {{Validator::kSearchAll, "", folder_.Path("search")}};
    dialog_->OnBeginValidating();
    EXPECT_THAT(Lines(), ElementsAre(longer + ": Does not match audio content of\n" + gone.path,
                                     gone.path + ": Not fixed (ignored)."));

    // Pointing at a file MyTambrel already holds.
    asked_.clear();
    answers_ = {{Validator::kSearchThis, taken.path, ""}, {Validator::kIgnoreThis, "", ""}};
    FakeUiSeams seams;
    dialog_->OnBeginValidating();
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].text, taken.path + "\nAlready contained in MyTambrel");
    // The dialog came back for the same file, opened with the last action chosen.
    EXPECT_THAT(asked_, ElementsAre(gone.path, gone.path));
    EXPECT_THAT(openedWith_, ElementsAre(Validator::kSearchThis, Validator::kSearchAll,
                                         Validator::kSearchThis));
    EXPECT_THAT(Lines(), ElementsAre(gone.path + ": Not fixed (ignored)."));
    EXPECT_TRUE(catalog_->IsInCatalog(gone.path));
}

TEST_P(ValidatorTest, IgnoreAllAndRemoveAllAskOnce) {
    std::vector<std::string> paths;
    for (const char* name : {"m1.wav", "m2.wav", "m3.wav"}) {
        paths.push_back(Catalogue(Tone(name, 0.3)).path);
        std::filesystem::remove(paths.back());
    }
    answers_ = {{Validator::kIgnoreAll, "", ""}};
    dialog_->OnBeginValidating();
    EXPECT_EQ(asked_.size(), 1u);
    EXPECT_THAT(Lines(), UnorderedElementsAre(paths[0] + ": Not fixed (ignored).",
                                     paths[1] + ": Not fixed (ignored).",
                                     paths[2] + ": Not fixed (ignored)."));

    asked_.clear();
    answers_ = {{Validator::kRemoveAll, "", ""}};
    dialog_->OnBeginValidating();
    EXPECT_EQ(asked_.size(), 1u);
    EXPECT_THAT(Lines(), UnorderedElementsAre(paths[0] + ": Removed from MyTambrel",
                                     paths[1] + ": Removed from MyTambrel",
                                     paths[2] + ": Removed from MyTambrel"));
    for (const std::string& path : paths)
        EXPECT_FALSE(catalog_->IsInCatalog(path));
}

TEST_P(ValidatorTest, StopInTheQuestionEndsTheRunWithoutALine) {
    const SoundFileObj a = Catalogue(Tone("s1.wav", 0.3));
    Catalogue(Tone("s2.wav", 0.3));
    std::filesystem::remove(a.path);
    dialog_->OnBeginValidating(); // no answers: Stop
    EXPECT_EQ(dialog_->EndState()->text().toStdString(), "Validation stopped");
    EXPECT_TRUE(Lines().empty());
    EXPECT_TRUE(catalog_->IsInCatalog(a.path));
    EXPECT_TRUE(dialog_->CloseButton()->isEnabled());
}

TEST_P(ValidatorTest, ChangedFilesAreConfirmedOrIndexedAgainWithTheirVariants) {
    const SoundFileObj touched = Catalogue(Tone("touched.wav", 0.5), 1);
    const SoundFileObj rerendered = Catalogue(Tone("rerendered.wav", 0.5, 300), 1);
    const int touchedSounds = catalog_->GetSoundCount(touched.path);
    const int rerenderedSounds = catalog_->GetSoundCount(rerendered.path);
    ASSERT_GT(touchedSounds, 1);
    TouchIntoFuture(touched.path);
    Tone("rerendered.wav", 0.7, 1200);
    TouchIntoFuture(rerendered.path);

    dialog_->OnBeginValidating();
    EXPECT_THAT(Lines(), ElementsAre(rerendered.path + ": Reindexed"));
    EXPECT_EQ(catalog_->GetSoundCount(touched.path), touchedSounds);
    EXPECT_EQ(catalog_->GetSoundCount(rerendered.path), rerenderedSounds);
    SoundFileObj stored;
    ASSERT_TRUE(catalog_->GetFileByPath(rerendered.path, stored));
    EXPECT_EQ(stored.duration, 700);
    ASSERT_TRUE(catalog_->GetFileByPath(touched.path, stored));
    EXPECT_GE(stored.indexDate, touched.indexDate);
    EXPECT_EQ(dialog_->EndState()->text().toStdString(), "Validation complete");
}

TEST_P(ValidatorTest, TheStopButtonEndsTheRunAfterTheCurrentFile) {
    std::vector<std::string> paths;
    for (const char* name : {"t1.wav", "t2.wav", "t3.wav"}) {
        paths.push_back(Catalogue(Tone(name, 0.3)).path);
        std::filesystem::remove(paths.back());
    }
    dialog_->SetMissingFileQuestion([&](const std::string&, int& action, std::string&,
                                        std::string&) {
        dialog_->StopButton()->click();
        action = Validator::kIgnoreThis;
        return true;
    });
    dialog_->OnBeginValidating();
    EXPECT_EQ(Lines().size(), 1u);
    EXPECT_EQ(dialog_->EndState()->text().toStdString(), "Validation stopped");
}

TEST_P(ValidatorTest, CloseIsRefusedWhileRunning) {
    const SoundFileObj a = Catalogue(Tone("r.wav", 0.3));
    std::filesystem::remove(a.path);
    bool closedWhileRunning = true;
    dialog_->SetMissingFileQuestion([&](const std::string&, int&, std::string&, std::string&) {
        dialog_->show();
        dialog_->reject();
        closedWhileRunning = !dialog_->isVisible();
        EXPECT_FALSE(dialog_->CloseButton()->isEnabled());
        EXPECT_TRUE(dialog_->StopButton()->isEnabled());
        return false;
    });
    dialog_->OnBeginValidating();
    EXPECT_FALSE(closedWhileRunning);
    dialog_->reject();
    EXPECT_FALSE(dialog_->isVisible());
}

// Keys alone: Enter begins, Tab reaches "Stop" while the run goes on and Space presses it,
// Escape then closes.
TEST_P(ValidatorTest, EnterBeginsTabAndSpaceStopEscapeCloses) {
    for (const char* name : {"k1.wav", "k2.wav"})
        std::filesystem::remove(Catalogue(Tone(name, 0.3)).path);
    dialog_->show();
    dialog_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog_.get()));
    QWindow* window = dialog_->windowHandle();
    int asked = 0;
    dialog_->SetMissingFileQuestion([&](const std::string&, int& action, std::string&,
                                        std::string&) {
        ++asked;
        QTest::keyClick(window, Qt::Key_Escape); // refused while running
        EXPECT_TRUE(dialog_->isVisible());
        QTest::keyClick(window, Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), dialog_->StopButton());
        QTest::keyClick(window, Qt::Key_Space);
        action = Validator::kIgnoreThis;
        return true;
    });
    QTest::keyClick(window, Qt::Key_Return);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(dialog_->EndState()->text().toStdString(), "Validation stopped");
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_FALSE(dialog_->isVisible());
}

INSTANTIATE_ON_SQLITE(ValidatorTest);

// The catalog's server goes away in the middle of a run.
class ValidatorServerLossTest : public ValidatorTest {};

TEST_P(ValidatorServerLossTest, ARemovalTheServerDidNotTakeStopsTheRunWithOneMessage) {
    std::vector<std::string> paths;
    for (const char* name : {"g1.wav", "g2.wav", "g3.wav"}) {
        paths.push_back(Catalogue(Tone(name, 0.3)).path);
        std::filesystem::remove(paths.back());
    }
    int asked = 0;
    dialog_->SetMissingFileQuestion(
        [&](const std::string&, int& action, std::string&, std::string&) {
            ++asked;
            // The server goes away while the user reads the question.
            LoseServer(true);
            action = Validator::kRemoveThis;
            return true;
        });
    dialog_->show();
    dialog_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog_.get()));
    QTest::keyClick(dialog_->windowHandle(), Qt::Key_Return);
    LoseServer(false);

    EXPECT_EQ(asked, 1);
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_NE(shown()[0].find("cannot be reached"), std::string::npos) << shown()[0];
    ASSERT_EQ(Lines().size(), 1u);
    EXPECT_THAT(Lines()[0], testing::EndsWith(": Could not be removed from MyTambrel"));
    EXPECT_EQ(dialog_->EndState()->text().toStdString(), "Validation stopped");
    EXPECT_EQ(CountRows("SELECT CAST(COUNT(*) AS INTEGER) FROM AUDIO_FILE"), 3);
}

INSTANTIATE_TEST_SUITE_P(Catalog, ValidatorServerLossTest, testing::Values(Engine::PostgreSQL),
                         EngineName);

} // namespace

#include "app/locate_dlg.h"

#include "collection/audio_file_util.h"
#include "tests/app/indexer_stand_ins.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QTest>
#include <QWindow>
#include <QTimer>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using testing::UnorderedElementsAreArray;

std::vector<std::string> Names(const std::vector<std::unique_ptr<CatalogUpdateItem>>& rows) {
    std::vector<std::string> names;
    for (const auto& row : rows)
        names.push_back(std::filesystem::path(row->record.path).filename().string());
    return names;
}

class LocateDlgTest : public IndexerCatalogTest {};

TEST_P(LocateDlgTest, TheChoiceSelectsCataloguedOrNewFiles) {
    // root/catalogued.wav (in MyTambrel), root/listed.wav (already in the table),
    // root/sub/new.wav, root/sub/deeper/other.aif, root/notes.txt.
    const std::string root = folder_.Path("root") + "/";
    std::filesystem::create_directories(root + "sub/deeper");
    const std::string source = Wave("source.wav", 0.2);
    for (const char* name : {"catalogued.wav", "listed.wav", "sub/new.wav"})
        std::filesystem::copy_file(source, root + name);
    ASSERT_TRUE(RunSox("'" + source + "' '" + root + "sub/deeper/other.aif'"));
    WriteFileBytes(root + "notes.txt", {'h', 'i'});
    SoundFileObj record;
    record.path = root + "catalogued.wav";
    std::vector<SoundVariantObj> variants;
    std::string error;
    ASSERT_TRUE(AudioFileUtil::AnalyzeFile(record, variants, 0, error, nullptr, nullptr)) << error;
    ASSERT_TRUE(catalog_->AddFile(record, variants));
    const auto isListed = [&](const std::string& path) { return path == root + "listed.wav"; };

    struct Case {
        LocateDlg::Choice choice;
        std::vector<std::string> found;
    };
    const Case cases[] = {
        {LocateDlg::kNotInCatalog, {"new.wav", "other.aif"}},
        {LocateDlg::kInCatalog, {"catalogued.wav"}},
        {LocateDlg::kAll, {"catalogued.wav", "new.wav", "other.aif"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.choice);
        LocateDlg dialog({root}, isListed);
        EXPECT_EQ(dialog.FoldersText().toStdString(), root);
        dialog.SetChoice(c.choice);
        dialog.StartButton()->click();
        EXPECT_THAT(Names(dialog.Rows()), UnorderedElementsAreArray(c.found));
        EXPECT_EQ(dialog.StatusText(),
                  "Scanning complete. Click on the Continue button to proceed.");
        EXPECT_EQ(dialog.CountText(), QString("Located %1 audio files").arg(c.found.size()));
        EXPECT_TRUE(dialog.FolderText().isEmpty());
        EXPECT_TRUE(dialog.ContinueButton()->isEnabled());
        EXPECT_FALSE(dialog.StopButton()->isEnabled());
        for (const auto& row : dialog.Rows()) {
            const bool catalogued = row->record.path == root + "catalogued.wav";
            EXPECT_EQ(row->state, catalogued ? CatalogUpdateItem::kInCatalog
                                             : CatalogUpdateItem::kNotInCatalog);
            EXPECT_TRUE(row->keep);
            EXPECT_FALSE(row->edited);
        }
    }

    // Two folders, one inside the other: each file comes once.
    LocateDlg both({root, root + "sub/"}, isListed);
    EXPECT_EQ(both.FoldersText().toStdString(), "\"" + root + "\" \"" + root + "sub/\" ");
    both.StartButton()->click();
    EXPECT_EQ(both.Rows().size(), 3u);
    auto taken = both.TakeRows();
    EXPECT_EQ(taken.size(), 3u);
    EXPECT_TRUE(both.Rows().empty());
}

TEST_P(LocateDlgTest, StopLookingEndsADeepWalkWhileEscapeAndCloseAreRefused) {
    const std::string source = Wave("source.wav", 0.1);
    std::string folder = folder_.Path("deep");
    const std::string root = folder + "/";
    for (int depth = 0; depth < 30; ++depth) {
        folder += "/level" + std::to_string(depth);
        std::filesystem::create_directories(folder);
        for (const char* name : {"/a.wav", "/b.wav"})
            std::filesystem::copy_file(source, folder + name);
    }

    LocateDlg dialog({root}, nullptr);
    dialog.show();
    int refusedTries = 0;
    bool stopClicked = false;
    // Runs inside the scan, between entries, as the user's clicks would.
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        if (dialog.Rows().size() < 3 || stopClicked)
            return;
        EXPECT_TRUE(dialog.IsScanning());
        EXPECT_EQ(dialog.StatusText(), "Currently scanning:");
        EXPECT_FALSE(dialog.CancelButton()->isEnabled());
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&dialog, &escape);
        dialog.close();
        dialog.reject();
        refusedTries += dialog.isVisible() ? 1 : 0;
        dialog.StopButton()->click();
        stopClicked = true;
    });
    user.start(0);
    dialog.StartButton()->click();
    user.stop();

    EXPECT_TRUE(stopClicked);
    EXPECT_EQ(refusedTries, 1);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.IsScanning());
    EXPECT_EQ(dialog.Rows().size(), 3u); // the files found so far, and no more
    EXPECT_EQ(dialog.StatusText(), "Scanning stopped");
    EXPECT_EQ(dialog.CountText(), "Located 3 audio files");
    EXPECT_TRUE(dialog.CancelButton()->isEnabled());
    dialog.CancelButton()->click();
    EXPECT_FALSE(dialog.isVisible());
}

// "Continue" is the dialog's OK: after a scan started with the mouse, Enter hands the files
// found to the caller, whichever button holds the focus.
TEST_P(LocateDlgTest, EnterPressesContinue) {
    const std::string root = folder_.Path("enter") + "/";
    std::filesystem::create_directories(root);
    const std::string source = Wave("source.wav", 0.1);
    for (const char* name : {"a.wav", "b.wav"})
        std::filesystem::copy_file(source, root + name);

    LocateDlg dialog({root}, nullptr);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QWindow* window = dialog.windowHandle();
    QPushButton* start = dialog.StartButton();
    QTest::mouseClick(window, Qt::LeftButton, {}, start->mapTo(&dialog, start->rect().center()));
    ASSERT_EQ(dialog.StatusText(), "Scanning complete. Click on the Continue button to proceed.");
    ASSERT_TRUE(dialog.isVisible());

    QTest::keyClick(window, Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_THAT(Names(dialog.TakeRows()), UnorderedElementsAreArray({"a.wav", "b.wav"}));
}

// Enter as the dialog opens looks first: continuing then would close it with nothing found
// and no word. Once a look has run, Enter continues; Alt+S looks again at any time.
TEST_P(LocateDlgTest, EnterStartsLookingUntilALookHasRunThenContinues) {
    const std::string root = folder_.Path("keys") + "/";
    std::filesystem::create_directories(root);
    const std::string source = Wave("source.wav", 0.1);
    for (const char* name : {"a.wav", "b.wav"})
        std::filesystem::copy_file(source, root + name);
    std::string listed;

    LocateDlg dialog({root}, [&](const std::string& path) { return path == listed; });
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    EXPECT_EQ(dialog.StartButton()->text(), "&Start Looking");
    QWindow* window = dialog.windowHandle();

    QTest::keyClick(window, Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.StatusText(), "Scanning complete. Click on the Continue button to proceed.");
    EXPECT_THAT(Names(dialog.Rows()), UnorderedElementsAreArray({"a.wav", "b.wav"}));

    // The access key looks again, with what has changed since.
    listed = root + "a.wav";
    QTest::keyClick(window, Qt::Key_S, Qt::AltModifier);
    // A button's access key clicks it as the mouse does, a moment later.
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.Rows().size() == 1; }));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_THAT(Names(dialog.Rows()), UnorderedElementsAreArray({"b.wav"}));

    QTest::keyClick(window, Qt::Key_Enter);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_THAT(Names(dialog.TakeRows()), UnorderedElementsAreArray({"b.wav"}));
}

INSTANTIATE_ON_SQLITE(LocateDlgTest);

} // namespace

#include "tests/windows/manage/manage_fixture.h"

#include "app/app_util.h"
#include "app/settings.h"
#include "tests/support_qt/window_icon.h"
#include "windows/results/sound_drag.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QSplitter>
#include <QTest>
#include <QTimer>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using testing::ElementsAre;
using testing::UnorderedElementsAre;
using C = CatalogUpdateItem;

TEST_P(ManageWindowTest, OpensWithPanesTableTipAndAnIdleUpdateButton) {
    EXPECT_EQ(frame_->windowTitle(), "Manage MyTambrel");
    EXPECT_TRUE(HasResourceIcon(*frame_, kManageIcon));
    EXPECT_TRUE(frame_->isVisible());
    EXPECT_EQ(frame_->OuterSplitter().sizes().front(), CatalogFrm::kPaneHeight);
    EXPECT_EQ(frame_->InnerSplitter().sizes().front(), CatalogFrm::kTreeWidth);
    EXPECT_EQ(frame_->UpdateButton().text(), "Start Updating MyTambrel");
    EXPECT_FALSE(frame_->UpdateButton().isEnabled()); // no rows yet
    EXPECT_TRUE(frame_->Tip().HasContent());
    EXPECT_THAT(frame_->Tip().Text(), testing::HasSubstr("drag"));
    EXPECT_EQ(Table().columnCount(), 16);
    EXPECT_EQ(Table().horizontalHeaderItem(C::kSubCategory)->text(), "Sub-Category");
    EXPECT_EQ(frame_->StatusText(), "For Help, press F1");
}

TEST_P(ManageWindowTest, DroppedFilesBecomeRowsInTheirStates) {
    const std::string wav = Sound("tone.wav");
    const std::string aif = Sound("tone.aif", "-r 22050 -c 2 -b 16");
    const std::string au = Sound("tone.au");
    const std::string mp3 = Sound("tone.mp3", "-r 44100 -c 2");
    const std::string damaged = TextFile("damaged.wav", "RIFF this is not a sound at all");
    const std::string text = TextFile("notes.txt", "just words");
    const std::string link = folder_.Path("sounds/link.wav");
    std::filesystem::create_symlink(au, link);

    ASSERT_TRUE(Drop({wav, aif, text, link, mp3, damaged, wav, "http://example.com/a.wav"}));
    // The text file and the remote URL are skipped, the link names its target, the second
    // drop of the same file adds nothing.
    EXPECT_THAT(Paths(), ElementsAre(wav, aif, au, mp3, damaged));
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(Paths()[i]);
        EXPECT_EQ(Row(i).state, C::kNotInCatalog);
        EXPECT_EQ(Row(i).GetColumnText(C::kStatus), "Not in MyTambrel");
        EXPECT_EQ(Row(i).GetColumnText(C::kAction), "ADD");
        EXPECT_EQ(Row(i).GetColumnText(C::kPitch), "Normal Only");
        EXPECT_FALSE(Row(i).edited);
        EXPECT_FALSE(Row(i).selected);
    }
    EXPECT_EQ(Row(1).record.sampleRate, 22050);
    EXPECT_EQ(Row(4).state, C::kError);
    EXPECT_FALSE(Row(4).GetColumnText(C::kStatus).empty());
    EXPECT_EQ(Row(4).GetStatusImage(), 3);

    // The table, the strip and the button follow the rows; the tip is gone.
    EXPECT_EQ(Table().rowCount(), 5);
    EXPECT_EQ(View().Strip().GetRowCount(), 5);
    EXPECT_TRUE(frame_->UpdateButton().isEnabled());
    EXPECT_FALSE(frame_->Tip().HasContent());

    // Data of another kind is refused and changes nothing.
    QMimeData plain;
    plain.setText(QString::fromStdString(wav));
    EXPECT_FALSE(CatalogListView::AcceptsData(plain));
    EXPECT_FALSE(View().DropData(plain));
    EXPECT_EQ(Rows(), 5);
}

TEST_P(ManageWindowTest, ADroppedFolderIsScannedOnceForFilesNotYetListed) {
    const std::string a = Sound("deep/a.wav");
    const std::string b = Sound("deep/inner/b.WAV");
    TextFile("deep/readme.txt", "no sound");
    ASSERT_TRUE(Drop({a}));
    ASSERT_TRUE(Drop({folder_.Path("sounds/deep"), b}));
    EXPECT_EQ(scans_, 1);
    EXPECT_THAT(Paths(), UnorderedElementsAre(a, b));
    EXPECT_EQ(Table().rowCount(), 2);
    EXPECT_EQ(View().Strip().GetRowCount(), 2);
}

TEST_P(ManageWindowTest, CatalogueStatesDecideStatusAndPitchOfNewRows) {
    const std::string one = Sound("one.wav");
    const std::string many = Sound("many.wav", "-r 16000 -c 1 -b 16");
    ASSERT_TRUE(Drop({one, many}));
    Row(1).allVariations = true;
    Row(1).edited = true;
    box_->BeginUpdate();
    ASSERT_TRUE(PumpUntil([&] { return !box_->IsRunning() && !box_->Task().IsRunning(); }));
    View().ClearTable();
    EXPECT_EQ(Rows(), 0);
    EXPECT_TRUE(frame_->Tip().HasContent()); // an empty table explains itself again

    ASSERT_TRUE(Drop({many, one}));
    EXPECT_EQ(Row(0).GetColumnText(C::kStatus), "In MyTambrel");
    EXPECT_EQ(Row(0).GetColumnText(C::kPitch), "All Variations");
    EXPECT_EQ(Row(0).state, C::kWithVariants);
    EXPECT_EQ(Row(1).state, C::kInCatalog);
    EXPECT_EQ(Row(1).GetColumnText(C::kPitch), "Normal Only");
    EXPECT_EQ(Row(1).GetStatusImage(), 1);
}

TEST_P(ManageWindowTest, RowsFromResultListsAndCategoriesComeThroughTheSoundDrag) {
    const std::string a = Sound("a.wav");
    const std::string b = Sound("b.wav");
    SoundDragBlock rows = SoundDragBlock::Rows({{1, a, 8000, 8000}, {2, b, 8000, 8000}});
    ASSERT_TRUE(View().DropData(*rows.ToMimeData()));
    EXPECT_THAT(Paths(), ElementsAre(a, b));

    // A category: the catalogued files filed under it, each once.
    box_->BeginUpdate();
    ASSERT_TRUE(PumpUntil([&] { return !box_->IsRunning() && !box_->Task().IsRunning(); }));
    SoundFileObj stored;
    ASSERT_TRUE(catalog_->GetFileByPath(a, stored));
    stored.soundClass = 1;
    stored.category = "Animals";
    stored.subcategory = "Dogs";
    ASSERT_TRUE(catalog_->UpdateFile(stored, nullptr));
    View().ClearTable();
    SoundDragBlock category = SoundDragBlock::Category(1, "animals", "");
    ASSERT_TRUE(View().DropData(*category.ToMimeData()));
    EXPECT_THAT(Paths(), ElementsAre(a));
    EXPECT_FALSE(frame_->IsBusy());
    EXPECT_EQ(frame_->Progress(), nullptr);
    ASSERT_TRUE(View().DropData(*category.ToMimeData()));
    EXPECT_EQ(Rows(), 1);
}

// The category query pumps with no window of its own: keys typed meanwhile, as the window
// system delivers them to another window, wait and arrive there once the list is made.
TEST_P(ManageWindowTest, KeysTypedWhileACategoryIsListedArriveAfterwards) {
    const std::vector<std::string> paths = {Sound("a.wav"), Sound("b.wav"), Sound("c.wav")};
    ASSERT_TRUE(Drop(paths));
    box_->BeginUpdate();
    ASSERT_TRUE(PumpUntil([&] { return !box_->IsRunning() && !box_->Task().IsRunning(); }));
    for (const std::string& path : paths) {
        SoundFileObj stored;
        ASSERT_TRUE(catalog_->GetFileByPath(path, stored));
        stored.soundClass = 1;
        stored.category = "Animals";
        ASSERT_TRUE(catalog_->UpdateFile(stored, nullptr));
    }
    View().ClearTable();
    QLineEdit note;
    note.setGeometry(0, 0, 200, 30);
    note.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&note));
    int typedDuring = -1; // what the other window showed while the query ran
    QTimer::singleShot(0, [&] {
        for (const char ch : std::string("dog"))
            QTest::keyClick(note.windowHandle(), ch);
        typedDuring = static_cast<int>(note.text().size());
    });
    ASSERT_TRUE(View().DropData(*SoundDragBlock::Category(1, "Animals", "").ToMimeData()));
    EXPECT_EQ(typedDuring, 0);
    EXPECT_EQ(Rows(), 3);
    QCoreApplication::processEvents();
    EXPECT_EQ(note.text(), "dog");
}

// The class of a category is the catalog's class field, not its format field: files of every
// format under a class come, and a category of the same name in another class does not.
TEST_P(ManageWindowTest, ADroppedCategoryListsTheFilesOfItsClassWhateverTheirFormat) {
    struct Filed {
        std::string path;
        int soundClass;
        const char* category;
    };
    const std::vector<Filed> filed = {
        {Sound("bell.au"), 2, "Bells"},    // format 2 (AU)
        {Sound("bell.wav"), 2, "Bells"},   // format 1 (WAVE)
        {Sound("chime.wav"), 1, "Bells"},  // the same name in another class
        {Sound("door.aiff"), 1, "Doors"},  // format 3 (AIFF)
    };
    std::vector<std::string> paths;
    for (const Filed& f : filed)
        paths.push_back(f.path);
    ASSERT_TRUE(Drop(paths));
    box_->BeginUpdate();
    ASSERT_TRUE(PumpUntil([&] { return !box_->IsRunning() && !box_->Task().IsRunning(); }));
    for (const Filed& f : filed) {
        SoundFileObj stored;
        ASSERT_TRUE(catalog_->GetFileByPath(f.path, stored)) << f.path;
        stored.soundClass = f.soundClass;
        stored.category = f.category;
        ASSERT_TRUE(catalog_->UpdateFile(stored, nullptr));
    }
    const struct {
        int soundClass;
        const char* category;
        std::vector<std::string> expected;
    } cases[] = {
        {2, "Bells", {filed[0].path, filed[1].path}},
        {1, "Bells", {filed[2].path}},
        {1, "", {filed[2].path, filed[3].path}},
        {3, "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.soundClass) + " " + c.category);
        View().ClearTable();
        ASSERT_TRUE(View().DropData(*SoundDragBlock::Category(c.soundClass, c.category, "").ToMimeData()));
        std::vector<std::string> listed = Paths();
        std::sort(listed.begin(), listed.end());
        std::vector<std::string> expected = c.expected;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(listed, expected);
    }
}

TEST_P(ManageWindowTest, RowsFromTheControllerKeepTheirEditedFlag) {
    SoundFileObj record;
    record.path = Sound("given.wav");
    record.description = "from a list";
    frame_->AddUpdateItem(record, true, false);
    frame_->AddUpdateItem(record, true, true); // listed already
    ASSERT_EQ(Rows(), 1);
    EXPECT_FALSE(Row(0).edited);
    EXPECT_EQ(Row(0).GetColumnText(C::kDescription), "from a list");
}

TEST_P(ManageWindowTest, OneCellEditStoresTrimmedTextAndMovesOnEnter) {
    ASSERT_TRUE(Drop({Sound("a.wav"), Sound("b.wav")}));
    Select(C::kDescription, {0});
    ASSERT_TRUE(Table().Editor().HasWindow());
    EXPECT_EQ(Table().Editor().Row(), 0);
    std::string text = "  barking dog  ";
    EXPECT_TRUE(Table().CommitCellText(C::kDescription, 0, text, 0, 1));
    EXPECT_EQ(Row(0).record.description, "barking dog");
    EXPECT_TRUE(Row(0).edited);
    EXPECT_FALSE(Row(1).edited);
    EXPECT_TRUE(box_->IsPending());
    EXPECT_EQ(Row(0).GetStatusImage(), 0); // not catalogued: no edited picture
    QTRY_COMPARE(Table().GetCurrentRow(), 1);
}

TEST_P(ManageWindowTest, AnEditOnSeveralRowsReachesEveryOneAndStaysPut) {
    ASSERT_TRUE(Drop({Sound("a.wav"), Sound("b.wav"), Sound("c.wav"), Sound("d.wav")}));
    Row(1).record.bpm = 90;
    Select(C::kTempo, {0, 1, 2});
    // The rows differ in this column: the editor starts empty.
    EXPECT_EQ(Table().Editor().Text(), "");
    std::string text = "120";
    EXPECT_TRUE(Table().CommitCellText(C::kTempo, 0, text, 0, 1));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Row(i).GetColumnText(C::kTempo), "120 bpm") << i;
    EXPECT_EQ(Row(3).GetColumnText(C::kTempo), "<Unknown>");
    QCoreApplication::processEvents();
    EXPECT_EQ(Table().GetCurrentRow(), 0);
    // Now they agree, so the editor starts from the shared value.
    Select(C::kTempo, {0, 1, 2});
    EXPECT_EQ(Table().Editor().Text(), "120 bpm");
}

TEST_P(ManageWindowTest, SubCategoryNeedsACategoryAndClearingTheCategoryClearsIt) {
    ASSERT_TRUE(Drop({Sound("a.wav")}));
    Select(C::kSubCategory, {0});
    std::string sub = "Dogs";
    EXPECT_FALSE(Table().CommitCellText(C::kSubCategory, 0, sub, 0, 0));
    EXPECT_EQ(Row(0).record.subcategory, "");
    EXPECT_FALSE(Row(0).edited);

    std::string category = "Animals";
    Select(C::kCategory, {0});
    EXPECT_TRUE(Table().CommitCellText(C::kCategory, 0, category, 0, 0));
    Select(C::kSubCategory, {0});
    EXPECT_TRUE(Table().CommitCellText(C::kSubCategory, 0, sub, 0, 0));
    EXPECT_EQ(Row(0).record.subcategory, "Dogs");
    std::string empty;
    Select(C::kCategory, {0});
    EXPECT_TRUE(Table().CommitCellText(C::kCategory, 0, empty, 0, 0));
    EXPECT_EQ(Row(0).record.category, "");
    EXPECT_EQ(Row(0).record.subcategory, "");
}

TEST_P(ManageWindowTest, TypingIntoTheEditorAndPressingEnterStoresTheCell) {
    ASSERT_TRUE(Drop({Sound("a.wav")}));
    Table().setFocus();
    Select(C::kNotes, {0});
    ASSERT_TRUE(Table().Editor().HasWindow());
    Table().Editor().BeginEdit("loud", false);
    ASSERT_NE(Table().Editor().EditPart(), nullptr);
    QTest::keyClick(Table().Editor().EditPart(), Qt::Key_Return);
    EXPECT_EQ(Row(0).record.notes, "loud");
    EXPECT_TRUE(Row(0).edited);
}

TEST_P(ManageWindowTest, PasteTakesTheFirstLineOfTheClipboard) {
    struct Case {
        const char* clipboard;
        const char* stored;
    };
    const Case cases[] = {
        {"line one\r\nline two", "line one"},
        {"alpha\nbeta", "alpha"},
        {"gamma\rdelta", "gamma"},
        {"\nafter a leading line feed", ""},
        {"whole text", "whole text"},
    };
    ASSERT_TRUE(Drop({Sound("a.wav")}));
    Table().setFocus();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.clipboard);
        Row(0).record.notes = "old";
        Select(C::kNotes, {0});
        ASSERT_TRUE(AppUtil::CopyTextToClipboard(c.clipboard));
        QTest::keyClick(&Table(), Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(Row(0).record.notes, c.stored);
    }
    // Copy gives the cell's text back.
    Row(0).record.notes = "copied";
    Select(C::kNotes, {0});
    QTest::keyClick(&Table(), Qt::Key_C, Qt::ControlModifier);
    std::string text;
    ASSERT_TRUE(AppUtil::PasteTextFromClipboard(text));
    EXPECT_EQ(text, "copied");
}

TEST_P(ManageWindowTest, ColumnLayoutPersistsAcrossWindows) {
    Table().Header().moveSection(Table().Header().visualIndex(C::kNotes), 1);
    Table().setColumnWidth(C::kDescription, 233);
    CloseWindow();
    EXPECT_TRUE(frame_.isNull());
    EXPECT_EQ(GetProfileString(CatalogListCtrl::kWidthKey, {}),
              "200 110 85 100 233 100 100 100 100 100 100 50 150 150 150 150");
    EXPECT_EQ(GetProfileString(CatalogListCtrl::kOrderKey, {}),
              "0 14 1 2 3 4 5 6 7 8 9 10 11 12 13 15");
    box_.reset();
    OpenWindow();
    EXPECT_EQ(Table().columnWidth(C::kDescription), 233);
    EXPECT_EQ(Table().Header().visualIndex(C::kNotes), 1);

    // A damaged order is ignored; short width lists keep the defaults for the rest.
    CloseWindow();
    box_.reset();
    WriteProfileString(CatalogListCtrl::kOrderKey, "3 3 3");
    WriteProfileString(CatalogListCtrl::kWidthKey, "90");
    OpenWindow();
    EXPECT_EQ(Table().Header().visualIndex(C::kNotes), C::kNotes);
    EXPECT_EQ(Table().columnWidth(C::kFileName), 90);
    EXPECT_EQ(Table().columnWidth(C::kStatus), 110);
}

TEST_P(ManageWindowTest, DeletingRowsAsksOnlyWhenEverythingWithEditsGoes) {
    ASSERT_TRUE(Drop({Sound("a.wav"), Sound("b.wav"), Sound("c.wav")}));
    Table().setFocus();
    // One row among several goes without a question.
    Select(C::kFileName, {1});
    QTest::keyClick(&Table(), Qt::Key_Delete);
    EXPECT_EQ(Rows(), 2);
    EXPECT_TRUE(seams_.boxes.empty());
    EXPECT_EQ(View().Strip().GetRowCount(), 2);

    // Everything, with edits pending: asked; No keeps the rows.
    box_->SetPending(true);
    Select(C::kFileName, {0, 1});
    seams_.boxAnswer = MessageAnswer::No;
    View().DeleteSelectedRows();
    ASSERT_EQ(seams_.boxes.size(), 1u);
    EXPECT_EQ(seams_.boxes[0].text, "Delete all rows in the table?");
    EXPECT_EQ(seams_.boxes[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(Rows(), 2);
    seams_.boxAnswer = MessageAnswer::Yes;
    View().DeleteSelectedRows();
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(Table().rowCount(), 0);
    EXPECT_EQ(View().Strip().GetRowCount(), 0);
    EXPECT_FALSE(box_->IsPending());
    EXPECT_FALSE(frame_->UpdateButton().isEnabled());
    EXPECT_TRUE(frame_->Tip().HasContent());
}

TEST_P(ManageWindowTest, DeletingSelectedRowsWithoutACurrentCellDropsAsManyStripRows) {
    ASSERT_TRUE(Drop({Sound("a.wav"), Sound("b.wav"), Sound("c.wav"), Sound("d.wav")}));
    Table().ClearSelection();
    Row(0).selected = true;
    Row(2).selected = true;
    ASSERT_EQ(Table().GetCurrentRow(), -1);
    View().DeleteSelectedRows();
    EXPECT_EQ(Rows(), 2);
    EXPECT_EQ(Table().rowCount(), 2);
    EXPECT_EQ(View().Strip().GetRowCount(), 2);
    EXPECT_THAT(host_.calls, ElementsAre("play ")); // the preview stops first

    // The emptied table shows its tip again.
    Row(0).selected = Row(1).selected = true;
    View().DeleteSelectedRows();
    EXPECT_EQ(Rows(), 0);
    EXPECT_TRUE(frame_->Tip().HasContent());
}

TEST_P(ManageWindowTest, PlayAndLoopGoThroughThePreviewAndShowOnTheStrip) {
    const std::string a = Sound("a.wav");
    ASSERT_TRUE(Drop({a, Sound("b.wav")}));
    Select(C::kDescription, {0});
    Table().setFocus();
    QTest::keyClick(&Table(), Qt::Key_Space);
    EXPECT_THAT(host_.calls, ElementsAre("play " + a));
    HeaderButtonCtrl* play = View().Strip().GetButtonAt(0, 0);
    HeaderButtonCtrl* loop = View().Strip().GetButtonAt(1, 0);
    ASSERT_NE(play, nullptr);
    ASSERT_NE(loop, nullptr);
    EXPECT_TRUE(play->isChecked());
    EXPECT_FALSE(loop->isChecked());
    loop->click();
    EXPECT_EQ(host_.calls.back(), "loop " + a);
    EXPECT_FALSE(View().Strip().GetButtonAt(0, 0)->isChecked());
    EXPECT_TRUE(View().Strip().GetButtonAt(1, 0)->isChecked());
    EXPECT_FALSE(View().Strip().GetButtonAt(1, 1)->isChecked());

    // A double click on the file name opens the editor.
    EXPECT_TRUE(Table().OnCellDblClick(C::kFileName, 0, false, false));
    EXPECT_THAT(host_.opened, ElementsAre(a));
}

TEST_P(ManageWindowTest, AnUpdateCataloguesTheRowsAndRefusesChangesMeanwhile) {
    std::vector<std::string> files;
    for (int i = 0; i < 4; ++i)
        files.push_back(Sound("long" + std::to_string(i) + ".wav", "-r 44100 -c 2 -b 16", 4));
    const std::string damaged = TextFile("broken.wav", "RIFF????WAVEjunk");
    files.push_back(damaged);
    ASSERT_TRUE(Drop(files));
    for (int i = 0; i < 4; ++i)
        Row(i).allVariations = true;
    const std::string late = Sound("late.wav");
    Table().setFocus();
    Select(C::kNotes, {0});
    ASSERT_TRUE(AppUtil::CopyTextToClipboard("pasted"));
    frame_->UpdateButton().click();
    ASSERT_TRUE(box_->IsRunning());
    EXPECT_EQ(frame_->UpdateButton().text(), "Stop Updating MyTambrel");
    EXPECT_FALSE(frame_->TreeView().isEnabled());

    // Drops, pastes, rows from the controller and mouse selection are refused meanwhile.
    EXPECT_FALSE(Drop({late}));
    EXPECT_EQ(frame_->StatusText(), CatalogListView::kBusyText);
    SoundFileObj record;
    record.path = late;
    frame_->AddUpdateItem(record, true, false);
    EXPECT_EQ(Rows(), 5);
    QTest::keyClick(&Table(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Row(0).record.notes, "");
    std::string text = "x";
    EXPECT_FALSE(Table().CommitCellText(C::kNotes, 0, text, 0, 0));
    EXPECT_EQ(Row(0).record.notes, "");
    EXPECT_TRUE(Table().OnCellLButtonDown(C::kNotes, 1, false, false));
    EXPECT_FALSE(Row(1).selected);

    ASSERT_TRUE(PumpUntil([&] { return !box_->IsRunning() && !box_->Task().IsRunning(); }));
    EXPECT_EQ(frame_->StatusText(), "Update Completed: 1 file could not be updated");
    EXPECT_EQ(frame_->UpdateButton().text(), "Start Updating MyTambrel");
    EXPECT_TRUE(frame_->TreeView().isEnabled());
    EXPECT_EQ(frame_->Progress(), nullptr);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Row(i).state, C::kWithVariants) << i;
        EXPECT_TRUE(catalog_->IsInCatalog(files[i])) << i;
    }
    EXPECT_EQ(Row(4).state, C::kError);
    EXPECT_FALSE(catalog_->IsInCatalog(damaged));
    // The rows may change again.
    EXPECT_TRUE(Drop({late}));
    EXPECT_EQ(Rows(), 6);
}

// The update button clicked as a mouse does: start, then stop while the analysis threads are
// held mid-file, then a second click while the stop is on its way.
TEST_P(ManageWindowTest, TheStopButtonEndsTheUpdateAfterTheFilesInHandAndSaysSo) {
    std::vector<std::string> files;
    for (int i = 0; i < 6; ++i)
        files.push_back(Sound("s" + std::to_string(i) + ".wav"));
    ASSERT_TRUE(Drop(files));
    GatedAnalyser gate(files);
    box_->Task().SetAnalyser(gate.Analyser());
    box_->Task().SetAnalysisThreads(2);
    QPushButton& button = frame_->UpdateButton();
    const QPoint at = button.mapTo(frame_.data(), button.rect().center());
    auto click = [&] { QTest::mouseClick(frame_->windowHandle(), Qt::LeftButton, {}, at); };

    gate.Open(2);
    click();
    ASSERT_TRUE(box_->IsRunning());
    EXPECT_EQ(button.text(), "Stop Updating MyTambrel");
    ASSERT_TRUE(PumpUntil([&] { return Row(1).state == C::kInCatalog && gate.Entered(2); }));
    click();
    EXPECT_FALSE(button.isEnabled());
    click(); // on the greyed button: nothing
    gate.Open(6);
    ASSERT_TRUE(PumpUntil([&] { return !box_->IsRunning() && !box_->Task().IsRunning(); }));

    EXPECT_EQ(frame_->StatusText(), "Update Stopped after 2 of 6 files");
    EXPECT_EQ(button.text(), "Start Updating MyTambrel");
    EXPECT_TRUE(button.isEnabled());
    EXPECT_TRUE(frame_->TreeView().isEnabled());
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(catalog_->IsInCatalog(files[i]), i < 2) << i;
}

TEST_P(ManageWindowTest, ClosingDuringAnUpdateAsksAndYesStopsTheWorkerFirst) {
    std::vector<std::string> files;
    for (int i = 0; i < 6; ++i)
        files.push_back(Sound("long" + std::to_string(i) + ".wav", "-r 44100 -c 2 -b 16", 4));
    ASSERT_TRUE(Drop(files));
    for (int i = 0; i < 6; ++i)
        Row(i).allVariations = true;
    box_->BeginUpdate();
    ASSERT_TRUE(box_->IsRunning());

    seams_.boxAnswer = MessageAnswer::No;
    frame_->close();
    ASSERT_EQ(seams_.boxes.size(), 1u);
    EXPECT_EQ(seams_.boxes[0].text, "You are currently indexing audio files.\nDo you want to stop?");
    EXPECT_EQ(seams_.boxes[0].defaultButton, MessageAnswer::No);
    EXPECT_TRUE(frame_->isVisible());
    EXPECT_TRUE(box_->IsRunning());

    seams_.boxAnswer = MessageAnswer::Yes;
    bool workerStoppedFirst = false;
    QObject::connect(frame_.data(), &QObject::destroyed,
                     [&] { workerStoppedFirst = !box_->Task().IsRunning(); });
    frame_->close();
    EXPECT_EQ(seams_.boxes.size(), 2u);
    EXPECT_FALSE(box_->Task().IsRunning());
    QTRY_VERIFY(frame_.isNull());
    EXPECT_TRUE(workerStoppedFirst);
    EXPECT_THAT(controller_.calls, testing::Contains("close"));
}

TEST_P(ManageWindowTest, ClosingWithEditsNotStoredAsksWithNoAsTheDefault) {
    ASSERT_TRUE(Drop({Sound("a.wav")}));
    box_->SetPending(true);
    seams_.boxAnswer = MessageAnswer::No;
    frame_->close();
    ASSERT_EQ(seams_.boxes.size(), 1u);
    EXPECT_EQ(seams_.boxes[0].text, "Close without completing the update?");
    EXPECT_EQ(seams_.boxes[0].defaultButton, MessageAnswer::No);
    EXPECT_TRUE(frame_->isVisible());
    seams_.boxAnswer = MessageAnswer::Yes;
    frame_->close();
    QTRY_VERIFY(frame_.isNull());
}

TEST_P(ManageWindowTest, AWindowDeletedWithoutClosingIsForgottenByItsBox) {
    ASSERT_TRUE(Drop({Sound("a.wav")}));
    delete frame_.data();
    EXPECT_EQ(box_->Window(), nullptr);
    EXPECT_EQ(box_->Items().size(), 1u); // the rows stay with the box
    box_->RefreshPlayButtons();          // reaches no window
}

// A busy loop elsewhere (an export, a category move) turns away every close while it pumps:
// a close the user already agreed to must still happen once the loop is over.
TEST_P(ManageWindowTest, AnAgreedCloseThatMeetsABusyLoopStillClosesTheWindow) {
    for (bool ownLoop : {false, true}) {
        SCOPED_TRACE(ownLoop ? "after the window's own loop" : "after the box agreed");
        if (!frame_) {
            ASSERT_NO_FATAL_FAILURE(OpenWindow());
        }
        if (ownLoop) {
            frame_->BeginModalState();
            frame_->close();
            frame_->EndModalState();
        } else {
            frame_->close();
        }
        ASSERT_TRUE(frame_->isVisible()); // the close is on its way
        AppUtil::PumpMessages(nullptr);
        ASSERT_TRUE(PumpUntil([&] { return frame_.isNull() || !frame_->isVisible(); }));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        box_.reset();
    }
}

TEST_P(ManageWindowTest, ACloseDuringTheWindowsOwnLoopWaitsForItsEnd) {
    frame_->BeginModalState();
    frame_->close();
    EXPECT_TRUE(frame_->isVisible());
    EXPECT_TRUE(frame_->IsCloseRequested());
    frame_->EndModalState();
    QTRY_VERIFY(frame_.isNull());
}

TEST_P(ManageWindowTest, TheFileListShowsAudioFilesWithMarksAndSorts) {
    const std::string small = Sound("list/b-small.wav", "-r 8000 -c 1 -b 16", 1);
    const std::string big = Sound("list/a-big.WAV", "-r 8000 -c 1 -b 16", 3);
    const std::string aiff = Sound("list/c-mid.aiff", "-r 8000 -c 1 -b 16", 2);
    TextFile("list/notes.txt", "not listed");
    ASSERT_TRUE(Drop({small}));
    box_->BeginUpdate();
    ASSERT_TRUE(PumpUntil([&] { return !box_->IsRunning() && !box_->Task().IsRunning(); }));

    CatalogFileListCtrl& list = frame_->FileListView().List();
    list.ShowFolder(folder_.Path("sounds/list"));
    ASSERT_EQ(list.rowCount(), 3);
    auto names = [&] {
        std::vector<std::string> shown;
        for (int r = 0; r < list.rowCount(); ++r)
            shown.push_back(list.ItemText(r));
        return shown;
    };
    EXPECT_THAT(names(), ElementsAre("a-big.WAV", "b-small.wav", "c-mid.aiff"));
    EXPECT_EQ(list.item(1, 0)->data(CFileListCtrl::kIconRole).toInt(), 0); // catalogued
    EXPECT_EQ(list.item(0, 0)->data(CFileListCtrl::kIconRole).toInt(), 2);
    EXPECT_EQ(list.item(0, 5)->text(), "0:03.0");
    EXPECT_EQ(list.horizontalHeaderItem(4)->text(), "Sample Rate");

    list.SortByColumn(1); // size, ascending
    EXPECT_THAT(names(), ElementsAre("b-small.wav", "c-mid.aiff", "a-big.WAV"));
    EXPECT_FALSE(list.Descending());
    list.SortByColumn(1); // again: descending
    EXPECT_THAT(names(), ElementsAre("a-big.WAV", "c-mid.aiff", "b-small.wav"));
    EXPECT_TRUE(list.Descending());
    list.SortByColumn(5); // another column starts ascending
    EXPECT_THAT(names(), ElementsAre("b-small.wav", "c-mid.aiff", "a-big.WAV"));
    EXPECT_EQ(list.item(0, 0)->data(CFileListCtrl::kIconRole).toInt(), 0); // marks follow

    // Double click adds a file once.
    View().ClearTable();
    list.ActivateRow(2);
    list.ActivateRow(2);
    EXPECT_THAT(Paths(), ElementsAre(big));
}

TEST_P(ManageWindowTest, DraggingFromThePanesAddsRowsOnlyOverTheTable) {
    const std::string a = Sound("drag/a.wav");
    const std::string b = Sound("drag/b.wav");
    const std::string c = Sound("drag/c.wav");
    Sound("drag/sub/d.wav");
    frame_->resize(900, 600);
    QApplication::processEvents();
    CatalogFileListCtrl& list = frame_->FileListView().List();
    list.ShowFolder(folder_.Path("sounds/drag"));
    ASSERT_EQ(list.rowCount(), 3);
    ASSERT_TRUE(Drop({b}));
    list.selectAll();
    QWidget* rows = Table().viewport();
    const QPoint overTable = rows->mapToGlobal(rows->rect().center());
    const QPoint elsewhere = frame_->mapToGlobal(QPoint(-50, -50));

    list.Drag().Begin(&list, QPixmap(), elsewhere);
    EXPECT_FALSE(list.Drag().End(elsewhere));
    EXPECT_EQ(Rows(), 1);
    list.Drag().Begin(&list, QPixmap(), overTable);
    ASSERT_TRUE(list.Drag().End(overTable));
    list.DropSelectedFiles();
    EXPECT_THAT(Paths(), ElementsAre(b, a, c));
    EXPECT_EQ(Table().GetTopIndex(), 0);

    // A folder from the tree is scanned.
    View().ClearTable();
    frame_->TreeView().Tree().DropFolder(folder_.Path("sounds/drag/sub/"));
    EXPECT_EQ(scans_, 1);
    EXPECT_THAT(Paths(), ElementsAre(folder_.Path("sounds/drag/sub/d.wav")));
}

TEST_P(ManageWindowTest, TheRememberedFolderRoundTrips) {
    struct Case {
        const char* selected;
        const char* stored;
    };
    for (const Case& c : {Case{"/home/user/sounds/", "/home/user/sounds/"},
                          Case{"/home/user/sounds/kick.wav", "/home/user/sounds/"},
                          Case{"/", "/"}, Case{"/file", "/file"}})
        EXPECT_EQ(CatalogFileTreeView::FolderToRemember(c.selected), c.stored) << c.selected;

    const std::string folder = folder_.Path("sounds/kept") + "/";
    Sound("kept/x.wav");
    ASSERT_NE(frame_->TreeView().Tree().SelectPath(folder, true), nullptr);
    CloseWindow();
    EXPECT_EQ(GetSettingText(CatalogFileTreeView::kPathKey), folder);
    box_.reset();
    OpenWindow();
    EXPECT_EQ(frame_->TreeView().Tree().GetSelectedPath(), folder);
    EXPECT_EQ(frame_->FileListView().List().rowCount(), 1);
}

TEST_P(ManageWindowTest, ProgressShowsInTheStatusBarAndGoes) {
    frame_->ShowProgress(true, "Updating 1 of 3 (add)", 40);
    ASSERT_NE(frame_->Progress(), nullptr);
    EXPECT_EQ(frame_->Progress()->value(), 40);
    EXPECT_EQ(frame_->ProgressText()->text(), "Updating 1 of 3 (add)");
    EXPECT_GT(frame_->Progress()->x(), frame_->ProgressText()->x());
    frame_->ShowProgress(true, "Updating 1 of 3 (add)", 70);
    EXPECT_EQ(frame_->Progress()->value(), 70);
    frame_->ShowProgress(false, {}, 0);
    EXPECT_EQ(frame_->Progress(), nullptr);
    EXPECT_EQ(frame_->ProgressText(), nullptr);
}

INSTANTIATE_ON_SQLITE(ManageWindowTest);

} // namespace

// The Manage window in step with the rest of the program, opened by the program's controller on
// a catalog of the test's own: the file list's Enter takes its whole selection, the update
// table's rows and the panes follow what other windows do to the catalog and the disk, and an
// update stores the files as they are on disk.
#include "tests/windows/manage/manage_fixture.h"

#include "app/app_controller.h"
#include "app/metadata_transfer.h"
#include "app/settings.h"
#include "collection/audio_file_util.h"
#include "tests/app/shell/shell_stand_ins.h"

#include <QFileSystemWatcher>
#include <QGuiApplication>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using testing::ElementsAre;
using C = CatalogUpdateItem;

class ManageFollowTest : public IndexerCatalogTest {
protected:
    void SetUp() override {
        IndexerCatalogTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        profile_ = std::make_unique<ScopedProfileFolder>();
        std::filesystem::create_directories(folder_.Path("sounds"));
        WriteProfileString(CatalogFileTreeView::kPathKey, folder_.Path("sounds/"));
        factory_ = std::make_unique<FakeFactory>(log_);
        factory_->manageBoxes = [](IndexerBoxController& c) { return MakeManageBox(c); };
        controller_ = std::make_unique<AppController>();
        controller_->SetToolWindowFactory(factory_.get());
        controller_->SetMainPanes(&tree_, nullptr);
        previous_ = theController;
        theController = controller_.get();
        controller_->ShowManageWindow(nullptr);
        frame_ = Manage();
        ASSERT_NE(frame_, nullptr);
        frame_->activateWindow();
        QApplication::setActiveWindow(frame_);
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame_));
    }
    void TearDown() override {
        if (controller_) {
            QPointer<CatalogFrm> manage = frame_;
            theController = previous_;
            controller_.reset();
            delete manage.data();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            factory_.reset();
            profile_.reset();
        }
        IndexerCatalogTest::TearDown();
    }

    IndexerBoxObj* Box() const { return dynamic_cast<IndexerBoxObj*>(controller_->ManageBox()); }
    CatalogFrm* Manage() const {
        IndexerBoxObj* box = Box();
        return box != nullptr && box->Window() != nullptr
                   ? static_cast<CatalogFrm*>(box->Window()->Widget())
                   : nullptr;
    }
    CatalogUpdateItem& Row(int i) { return *Box()->Items().at(i); }
    std::vector<std::string> Paths() {
        std::vector<std::string> paths;
        for (const auto& item : Box()->Items())
            paths.push_back(item->record.path);
        return paths;
    }
    CatalogListCtrl& Table() { return frame_->ListView().Table(); }
    CatalogFileListCtrl& FileList() { return frame_->FileListView().List(); }
    QTreeWidget& Tree() { return frame_->TreeView().Tree(); }

    std::string Sound(const std::string& name, double seconds = 2, int rate = 8000) {
        const std::string path = folder_.Path("sounds/" + name);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        EXPECT_TRUE(RunSox("-n -r " + std::to_string(rate) + " -c 1 -b 16 '" + path + "' synth " +
                           std::to_string(seconds) + " sine 440"))
            << path;
        return path;
    }
    SoundFileObj Stored(const std::string& path) {
        SoundFileObj stored;
        EXPECT_TRUE(catalog_->GetFileByPath(path, stored)) << path;
        return stored;
    }

    void Press(Qt::Key key, Qt::KeyboardModifiers mods = {}) {
        QTest::keyClick(frame_->windowHandle(), key, mods);
    }
    void Type(const std::string& text) {
        for (char c : text)
            QTest::keyClick(frame_->windowHandle(), c);
    }
    // A left click at a widget's point, as the window system delivers it to the window.
    void Click(QWidget* widget, QPoint at) {
        QTest::mouseClick(frame_->windowHandle(), Qt::LeftButton, {},
                          widget->mapTo(frame_.data(), at));
    }
    void ClickFile(int row) {
        CatalogFileListCtrl& list = FileList();
        Click(list.viewport(), list.visualRect(list.model()->index(row, 0)).center());
    }
    void ClickCell(int row, int column) {
        Table().scrollTo(Table().model()->index(row, column));
        Click(Table().viewport(), Table().visualRect(Table().model()->index(row, column)).center());
    }
    // Types into a cell of the update table and leaves it with Enter.
    void TypeInto(int row, int column, const std::string& text) {
        ClickCell(row, column);
        Type(text);
        Press(Qt::Key_Return);
    }
    // Lists the folder's files and adds them all to the update table with Ctrl+A, Enter.
    void AddFolder(const std::string& folder) {
        FileList().ShowFolder(folder);
        ASSERT_GT(FileList().rowCount(), 0);
        ClickFile(0);
        Press(Qt::Key_A, Qt::ControlModifier);
        Press(Qt::Key_Return);
    }
    // "Start Updating MyTambrel" clicked, and the update waited for.
    void Update() {
        QPushButton& button = frame_->UpdateButton();
        ASSERT_TRUE(button.isEnabled());
        Click(&button, button.rect().center());
        ASSERT_TRUE(PumpUntil([&] { return !Box()->IsRunning() && !Box()->Task().IsRunning(); }));
        ASSERT_EQ(frame_->StatusText(), "Update Completed");
    }
    int Mark(int fileRow) {
        return FileList().item(fileRow, 0)->data(CFileListCtrl::kIconRole).toInt();
    }

    std::unique_ptr<ScopedProfileFolder> profile_;
    ShellLog log_;
    std::unique_ptr<FakeFactory> factory_;
    FakeTree tree_;
    std::unique_ptr<AppController> controller_;
    FakeUiSeams seams_;
    QPointer<CatalogFrm> frame_;

private:
    AppController* previous_ = nullptr;
};

TEST_P(ManageFollowTest, EnterInTheFileListAddsEverySelectedFileNotYetListed) {
    const std::string a = Sound("pick/a.wav", 0.5);
    const std::string b = Sound("pick/b.wav", 0.5);
    const std::string c = Sound("pick/c.wav", 0.5);
    const std::string d = Sound("pick/d.wav", 0.5);
    FileList().ShowFolder(folder_.Path("sounds/pick/"));
    ASSERT_EQ(FileList().rowCount(), 4);
    ClickFile(2);
    Press(Qt::Key_Return);
    ASSERT_THAT(Paths(), ElementsAre(c));

    ClickFile(0);
    ASSERT_EQ(QApplication::focusWidget(), &FileList());
    Press(Qt::Key_A, Qt::ControlModifier);
    ASSERT_EQ(FileList().selectionModel()->selectedRows().size(), 4);
    Press(Qt::Key_Return);
    EXPECT_THAT(Paths(), ElementsAre(c, a, b, d));
    EXPECT_EQ(QApplication::focusWidget(), &Table());

    // One file chosen with the keys alone still comes on its own.
    frame_->ListView().ClearTable();
    ClickFile(0);
    Press(Qt::Key_Down);
    Press(Qt::Key_Enter);
    EXPECT_THAT(Paths(), ElementsAre(b));
}

// The editor shortens a catalogued file and sets its key; an update run again from the Manage
// window left open must store the file as it is now, not the row's old properties.
TEST_P(ManageFollowTest, AnUpdateRunAgainStoresTheFileAsItIsNow) {
    const std::string tone = Sound("again/tone.wav", 2);
    AddFolder(folder_.Path("sounds/again/"));
    ASSERT_THAT(Paths(), ElementsAre(tone));
    Update();
    const SoundFileObj first = Stored(tone);
    ASSERT_EQ(first.duration, 2000);
    ASSERT_EQ(first.key, 13);

    // As the editor's Save does: the file is written, the catalog told, the lists brought up
    // to date.
    Sound("again/tone.wav", 1.5);
    SoundFileObj saved = first;
    ASSERT_TRUE(AudioFileUtil::ReadFileInfo(tone, saved));
    saved.key = 4; // C
    ASSERT_TRUE(controller_->UpdateCatalogFile(saved, nullptr));
    controller_->ApplyCatalogChanges();
    EXPECT_EQ(Row(0).GetColumnText(C::kKey), "C");

    Update();
    SoundFileObj stored = Stored(tone);
    EXPECT_EQ(stored.duration, 1500);
    EXPECT_EQ(stored.size, static_cast<int>(std::filesystem::file_size(tone)));
    EXPECT_EQ(stored.key, 4);

    // The file changes on disk alone (another program): the update reads it again, sound
    // and all.
    Sound("again/tone.wav", 1, 11025);
    Update();
    stored = Stored(tone);
    EXPECT_EQ(stored.duration, 1000);
    EXPECT_EQ(stored.sampleRate, 11025);
    EXPECT_EQ(stored.size, static_cast<int>(std::filesystem::file_size(tone)));
    EXPECT_EQ(stored.key, 4);
    EXPECT_EQ(Row(0).state, C::kInCatalog);
}

// Rows follow what other windows store, except the cells typed here; Status follows a
// Remove, and the next update puts the file back with what the row shows.
TEST_P(ManageFollowTest, RowsFollowTheCatalogExceptTheCellsTypedHere) {
    const std::string a = Sound("follow/a.wav", 0.5);
    const std::string b = Sound("follow/b.wav", 0.5);
    AddFolder(folder_.Path("sounds/follow/"));
    ASSERT_THAT(Paths(), ElementsAre(a, b));
    TypeInto(0, C::kCategory, "Chords");
    TypeInto(1, C::kCategory, "Chords");
    Update();
    ASSERT_EQ(Stored(a).category, "Chords");

    TypeInto(0, C::kDescription, "typed here");
    ASSERT_EQ(Row(0).GetColumnText(C::kDescription), "typed here");
    // Elsewhere: the category is renamed (as the tree does, file by file), and the editor
    // stores another description and genre for a.
    for (const std::string& path : {a, b}) {
        SoundFileObj record = Stored(path);
        record.category = "Harmony";
        if (path == a) {
            record.description = "from the editor";
            record.genre = "Jazz";
        }
        ASSERT_TRUE(controller_->UpdateCatalogFile(record, nullptr));
    }
    controller_->ApplyCatalogChanges();
    EXPECT_EQ(Row(0).GetColumnText(C::kCategory), "Harmony");
    EXPECT_EQ(Row(1).GetColumnText(C::kCategory), "Harmony");
    EXPECT_EQ(Row(0).GetColumnText(C::kGenre), "Jazz");
    EXPECT_EQ(Row(0).GetColumnText(C::kDescription), "typed here");
    EXPECT_TRUE(Row(0).edited);
    EXPECT_FALSE(Row(1).edited);

    // Removed in the main window: the row says so.
    ASSERT_TRUE(controller_->RemoveCatalogFile(Stored(b)));
    controller_->ApplyCatalogChanges();
    EXPECT_EQ(Row(1).GetColumnText(C::kStatus), "Not in MyTambrel");
    EXPECT_EQ(Row(1).GetColumnText(C::kCategory), "Harmony");

    Update();
    const SoundFileObj storedA = Stored(a);
    EXPECT_EQ(storedA.description, "typed here");
    EXPECT_EQ(storedA.category, "Harmony");
    EXPECT_EQ(storedA.genre, "Jazz");
    ASSERT_TRUE(catalog_->IsInCatalog(b));
    EXPECT_EQ(Stored(b).category, "Harmony");
    EXPECT_EQ(Row(1).GetColumnText(C::kStatus), "In MyTambrel");

    // Stored: the typed cell follows the catalog again.
    SoundFileObj record = Stored(a);
    record.description = "later";
    ASSERT_TRUE(controller_->UpdateCatalogFile(record, nullptr));
    controller_->ApplyCatalogChanges();
    EXPECT_EQ(Row(0).GetColumnText(C::kDescription), "later");
}

// Files removed elsewhere come back through an import into the open window, with the
// imported texts.
TEST_P(ManageFollowTest, AnImportIntoTheOpenWindowBringsRemovedFilesBack) {
    const std::string a = Sound("import/a.wav", 0.5);
    const std::string b = Sound("import/b.wav", 0.5);
    const std::string c = Sound("import/c.wav", 0.5);
    AddFolder(folder_.Path("sounds/import/"));
    ASSERT_THAT(Paths(), ElementsAre(a, b, c));
    Update();
    for (const std::string& path : {a, b})
        ASSERT_TRUE(controller_->RemoveCatalogFile(Stored(path)));
    controller_->ApplyCatalogChanges();
    ASSERT_FALSE(catalog_->IsInCatalog(a));

    const std::string tmi = folder_.Path("back.tmi");
    {
        std::ofstream out(tmi);
        out << "TAMBREL METADATA\n\n";
        for (const std::string& path : {a, b, c})
            out << "FILENAME " << path << "\nCLASS EFFECT\nCATEGORY Imported\n"
                << "DESCRIPTION imported " << std::filesystem::path(path).filename().string()
                << "\n\n";
    }
    controller_->ImportMetadata(&tmi);
    ASSERT_THAT(Paths(), ElementsAre(a, b, c));
    EXPECT_EQ(Row(0).GetColumnText(C::kStatus), "Not in MyTambrel");
    EXPECT_EQ(Row(1).GetColumnText(C::kDescription), "imported b.wav");
    EXPECT_EQ(Row(2).GetColumnText(C::kStatus), "In MyTambrel");
    EXPECT_TRUE(Row(2).edited);

    Update();
    for (const std::string& path : {a, b, c}) {
        SCOPED_TRACE(path);
        ASSERT_TRUE(catalog_->IsInCatalog(path));
        const SoundFileObj stored = Stored(path);
        EXPECT_EQ(stored.category, "Imported");
        EXPECT_EQ(stored.description,
                  "imported " + std::filesystem::path(path).filename().string());
    }
    EXPECT_EQ(Row(0).GetColumnText(C::kStatus), "In MyTambrel");
}

// The file list's marks follow an update and a Remove without the folder being listed again.
TEST_P(ManageFollowTest, TheFileListsMarksFollowTheCatalog) {
    const std::string a = Sound("marks/a.wav", 0.5);
    Sound("marks/b.wav", 0.5);
    FileList().ShowFolder(folder_.Path("sounds/marks/"));
    ASSERT_EQ(FileList().rowCount(), 2);
    EXPECT_EQ(Mark(0), 2);
    ClickFile(0);
    Press(Qt::Key_Return);
    ASSERT_THAT(Paths(), ElementsAre(a));
    Update();
    EXPECT_EQ(Mark(0), 0);
    EXPECT_EQ(Mark(1), 2);

    ASSERT_TRUE(controller_->RemoveCatalogFile(Stored(a)));
    controller_->ApplyCatalogChanges();
    EXPECT_EQ(Mark(0), 2);
}

// A folder made or removed under a folder open in the tree shows at once, and can be chosen.
TEST_P(ManageFollowTest, TheFolderTreeFollowsFoldersMadeAndRemovedUnderAnOpenFolder) {
    const std::string root = folder_.Path("sounds/");
    std::filesystem::create_directories(root + "b-first");
    auto* tree = static_cast<CatalogFileTreeCtrl*>(&Tree());
    tree->Refresh();
    QTreeWidgetItem* sounds = tree->SelectPath(root, true);
    ASSERT_NE(sounds, nullptr);
    ASSERT_TRUE(sounds->isExpanded());
    auto children = [&] {
        std::vector<std::string> names;
        for (int i = 0; i < sounds->childCount(); ++i)
            names.push_back(sounds->child(i)->text(0).toStdString());
        return names;
    };
    ASSERT_THAT(children(), ElementsAre("b-first"));

    std::filesystem::create_directories(root + "a-new");
    std::filesystem::create_directories(root + "c-new");
    ASSERT_TRUE(PumpUntil([&] { return children().size() == 3; }));
    EXPECT_THAT(children(), ElementsAre("a-new", "b-first", "c-new"));
    Sound("c-new/in.wav", 0.2);

    // Chosen with the mouse, the new folder's files show.
    QTreeWidgetItem* made = sounds->child(2);
    tree->scrollToItem(made);
    Click(tree->viewport(), tree->visualItemRect(made).center());
    EXPECT_EQ(tree->currentItem(), made);
    ASSERT_EQ(FileList().rowCount(), 1);
    EXPECT_EQ(FileList().RowPath(0), root + "c-new/in.wav");

    std::filesystem::remove_all(root + "a-new");
    ASSERT_TRUE(PumpUntil([&] { return children().size() == 2; }));
    EXPECT_THAT(children(), ElementsAre("b-first", "c-new"));

    // Closed, the folder is no longer watched.
    sounds->setExpanded(false);
    EXPECT_FALSE(tree->WatchedFolders().contains(QString::fromStdString(folder_.Path("sounds"))));
}

INSTANTIATE_ON_SQLITE(ManageFollowTest);

} // namespace

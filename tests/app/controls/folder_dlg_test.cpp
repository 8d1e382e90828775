#include "../fake_ui_seams.h"
#include "app/controls/folder_dlg.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Also records what the folder browser was asked to show.
class FolderSeams : public FakeUiSeams {
public:
    bool FolderDialog(QWidget* owner, const std::string& title, std::string& folder) override {
        titles.push_back(title);
        starts.push_back(folder);
        return FakeUiSeams::FolderDialog(owner, title, folder);
    }
    std::vector<std::string> titles, starts;
};

class TempFolder {
public:
    TempFolder() {
        root = fs::temp_directory_path() / ("folder_dlg_" + std::to_string(getpid()));
        fs::create_directories(root / "some sounds folder with a long name" / "inner");
    }
    ~TempFolder() { fs::remove_all(root); }
    fs::path root;
};

// Runs check on the modal dialog once the dialog's own event loop is running; a dialog
// that check leaves open (a failed assertion) is cancelled, so the test cannot hang.
void WhenModal(std::function<void(QFileDialog&)> check) {
    QTimer::singleShot(0, [check] {
        QWidget* modal = QApplication::activeModalWidget();
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        EXPECT_NE(dialog, nullptr);
        if (dialog)
            check(*dialog);
        if (modal && modal->isVisible())
            QMetaObject::invokeMethod(modal, "reject");
    });
}

} // namespace

TEST(FolderStatusText, CutsAfterThirtyFiveCharacters) {
    const struct {
        std::string path, shown;
    } cases[] = {
        {"", ""},
        {std::string(35, 'a'), std::string(35, 'a')},
        {"/home/user/sounds/effects/door-slams", "/home/user/sounds/effects/door-slam..."},
        {std::string(40, 'b'), std::string(35, 'b') + "..."},
        // Characters, not bytes: the two-byte letters count once and are never split.
        {std::string(34, 'c') + "\xC3\xA9\xC3\xA9z", std::string(34, 'c') + "\xC3\xA9..."},
        {std::string(35, 'd') + "\xC3\xA9", std::string(35, 'd') + "..."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(FolderStatusText(c.path), c.shown);
    }
}

TEST(CFolderDlg, OnlyAFileSystemFolderIsAChoice) {
    TempFolder temp;
    const std::string initial = "/srv/library";
    const std::string folder = (temp.root / "some sounds folder with a long name").string();
    const struct {
        const char* name;
        const std::string* answer; // null: cancelled
        int result;
        std::string path;
    } cases[] = {
        {"folder", &folder, IDOK, folder},
        {"cancelled", nullptr, IDCANCEL, initial},
    };
    const std::string virtualRoot, relative = "sounds", missing = folder + "/gone";
    const std::string* notFolders[] = {&virtualRoot, &relative, &missing};

    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FolderSeams seams;
        seams.dialogAnswer = c.answer;
        CFolderDlg dlg(initial.c_str(), BIF_RETURNONLYFSDIRS, nullptr);
        EXPECT_EQ(dlg.DoModal(), c.result);
        EXPECT_EQ(dlg.GetFolderPath(), c.path);
        EXPECT_EQ(seams.titles, std::vector<std::string>{"Current Selection"});
        EXPECT_EQ(seams.starts, std::vector<std::string>{initial});
    }
    for (const std::string* answer : notFolders) {
        SCOPED_TRACE(*answer);
        FolderSeams seams;
        seams.dialogAnswer = answer;
        CFolderDlg dlg(initial.c_str());
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        EXPECT_EQ(dlg.GetFolderPath(), initial);
    }
}

TEST(CFolderDlg, NullInitialPathIsEmpty) {
    FolderSeams seams;
    CFolderDlg dlg(nullptr);
    EXPECT_EQ(dlg.GetFolderPath(), "");
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(seams.starts, std::vector<std::string>{""});
}

TEST(FolderBrowser, ShowsTheChoiceInItsStatusLineAndReturnsIt) {
    TempFolder temp;
    const fs::path start = temp.root / "some sounds folder with a long name";
    const fs::path inner = start / "inner";
    WhenModal([&](QFileDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle().toStdString(), "Current Selection");
        EXPECT_EQ(fs::path(dialog.directory().absolutePath().toStdString()), start);
        auto* status = dialog.findChild<QLabel*>("folderStatus");
        ASSERT_NE(status, nullptr);
        EXPECT_EQ(status->text().toStdString(), FolderStatusText(start.string()));
        emit dialog.currentChanged(QString::fromStdString(inner.string()));
        EXPECT_EQ(status->text().toStdString(), FolderStatusText(inner.string()));
        dialog.setDirectory(QString::fromStdString(inner.string()));
        QMetaObject::invokeMethod(&dialog, "accept");
    });
    CFolderDlg dlg(start.c_str());
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(fs::path(dlg.GetFolderPath()), inner);
}

TEST(FolderBrowser, StartsAtTheNearestExistingFolderAndCancelKeepsThePath) {
    TempFolder temp;
    const std::string missing = (temp.root / "removed" / "deeper").string();
    WhenModal([&](QFileDialog& dialog) {
        EXPECT_EQ(fs::path(dialog.directory().absolutePath().toStdString()), temp.root);
        // Browsing to another folder and then cancelling chooses nothing.
        dialog.setDirectory(QString::fromStdString(temp.root.string()));
        emit dialog.currentChanged(QString::fromStdString(temp.root.string()));
        dialog.reject();
    });
    CFolderDlg dlg(missing.c_str());
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(dlg.GetFolderPath(), missing);
}

TEST(FolderBrowserPlaces, OffersTheRootAndHomeFirst) {
    auto places = FolderBrowserPlaces();
    ASSERT_GE(places.size(), 2u);
    EXPECT_EQ(places[0], "/");
    EXPECT_EQ(places[1], QDir::homePath().toStdString());
}

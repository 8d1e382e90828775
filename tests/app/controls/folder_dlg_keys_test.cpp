// The folder browser driven by the keyboard alone.
#include "app/controls/folder_dlg.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class KeysFolder {
public:
    KeysFolder() {
        root = fs::temp_directory_path() / ("folder_dlg_keys_" + std::to_string(getpid()));
        fs::create_directories(root / "alpha");
        fs::create_directories(root / "beta");
    }
    ~KeysFolder() { fs::remove_all(root); }
    fs::path root;
};

// Presses keys in the browser once it runs; a browser the keys leave open is cancelled.
void PressWhenModal(std::function<void(QFileDialog&, QWindow*)> keys) {
    QTimer::singleShot(0, [keys] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        EXPECT_NE(dialog, nullptr);
        if (!dialog)
            return;
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog));
        keys(*dialog, dialog->windowHandle());
        if (dialog->isVisible())
            dialog->reject();
    });
}

// Tab reaches the folder list; arrows move the choice the status line shows and Enter
// takes that choice.
TEST(FolderBrowserKeys, ArrowsMoveTheShownChoiceAndEnterTakesIt) {
    KeysFolder temp;
    std::string shown;
    PressWhenModal([&](QFileDialog& dialog, QWindow* window) {
        auto* status = dialog.findChild<QLabel*>("folderStatus");
        ASSERT_NE(status, nullptr);
        QWidget* focus = QApplication::focusWidget();
        for (int i = 0; i < 20 && (!qobject_cast<QAbstractItemView*>(focus) ||
                                   focus->objectName() == "sidebar");
             ++i) {
            QTest::keyClick(window, Qt::Key_Tab);
            focus = QApplication::focusWidget();
        }
        auto* list = qobject_cast<QAbstractItemView*>(focus);
        ASSERT_NE(list, nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(list->model()->rowCount(list->rootIndex()) == 2, 3000);
        QTest::keyClick(window, Qt::Key_End);
        const QString current = list->currentIndex().data().toString();
        EXPECT_EQ(current, "beta");
        shown = (temp.root / current.toStdString()).string();
        EXPECT_EQ(status->text().toStdString(), FolderStatusText(shown));
        QTest::keyClick(window, Qt::Key_Return);
        EXPECT_FALSE(dialog.isVisible());
    });
    std::string folder = temp.root.string();
    ASSERT_TRUE(RunFolderBrowser(nullptr, "Current Selection", folder));
    EXPECT_EQ(fs::path(folder), fs::path(shown));
}

// Escape chooses nothing, wherever the user had moved.
TEST(FolderBrowserKeys, EscapeKeepsTheFolder) {
    KeysFolder temp;
    PressWhenModal([&](QFileDialog& dialog, QWindow* window) {
        dialog.setDirectory(QString::fromStdString((temp.root / "alpha").string()));
        QTest::keyClick(window, Qt::Key_Escape);
        EXPECT_FALSE(dialog.isVisible());
    });
    std::string folder = temp.root.string();
    EXPECT_FALSE(RunFolderBrowser(nullptr, "Current Selection", folder));
    EXPECT_EQ(folder, temp.root.string());
}

} // namespace

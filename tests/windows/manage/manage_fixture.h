#pragma once
// A "Manage MyTambrel" window on a box of the test's own, over a SQLite catalog and a
// settings profile of the test's own, with sound files made by sox.

#include "app/locate_dlg.h"
#include "tests/app/fake_ui_seams.h"
#include "tests/app/indexer_stand_ins.h"
#include "windows/manage/indexer_box.h"
#include "windows/manage/manage_file_panes.h"
#include "windows/manage/manage_window.h"
#include "windows/manage/manage_list_ctrl.h"
#include "windows/manage/manage_list_view.h"
#include "windows/manage/manage_host.h"

#include <QApplication>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QUrl>
#include <filesystem>
#include <fstream>

// Records the preview and editor requests of the window.
class FakeManageHost : public ManageHost {
public:
    void AuditionFile(const std::string& path, bool loop) override {
        calls.push_back((loop ? "loop " : "play ") + path);
        playing = path;
        looping = loop;
    }
    std::string AuditionPath() const override { return playing; }
    bool AuditionLooping() const override { return looping; }
    void OpenFile(const std::string& path) override { opened.push_back(path); }

    std::vector<std::string> calls;
    std::vector<std::string> opened;
    std::string playing;
    bool looping = false;
};

class ManageWindowTest : public IndexerCatalogTest {
protected:
    void SetUp() override {
        IndexerCatalogTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        const QString profile = QString::fromStdString(folder_.Path("profile"));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, profile);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, profile);
        std::filesystem::create_directories(folder_.Path("sounds"));
        previousHost_ = InstallManageHost(&host_);
        // The folder scan's dialog: look, then continue.
        previousRunner_ = CatalogListView::SetLocateRunner([this](LocateDlg& dialog) {
            ++scans_;
            dialog.StartButton()->click();
            return int(QDialog::Accepted);
        });
        OpenWindow();
    }
    void TearDown() override {
        if (box_) {
            box_.reset();
            delete frame_.data();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (previousRunner_)
            CatalogListView::SetLocateRunner(previousRunner_);
        InstallManageHost(previousHost_);
        IndexerCatalogTest::TearDown();
    }

    void OpenWindow() {
        box_ = std::make_unique<IndexerBoxObj>(
            controller_, [](IndexerBoxObj& box) { return CreateManageWindow(box); });
        frame_ = static_cast<CatalogFrm*>(box_->Window());
        ASSERT_NE(frame_, nullptr);
        // Keys reach the table only in the active window.
        frame_->activateWindow();
        QApplication::setActiveWindow(frame_);
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame_));
    }

    // Closes the window as a user does and lets the deferred deletions run.
    void CloseWindow() {
        frame_->close();
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // A sound file made by sox under the sounds folder: "<name>" with sox's output options.
    std::string Sound(const std::string& name, const std::string& options = "-r 8000 -c 1 -b 16",
                      double seconds = 0.5) {
        const std::string path = folder_.Path("sounds/" + name);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        EXPECT_TRUE(RunSox("-n " + options + " '" + path + "' synth " + std::to_string(seconds) +
                           " sine 440"))
            << path;
        return path;
    }
    std::string TextFile(const std::string& name, const std::string& text) {
        const std::string path = folder_.Path("sounds/" + name);
        std::ofstream(path) << text;
        return path;
    }

    static std::unique_ptr<QMimeData> UriList(const std::vector<std::string>& paths) {
        auto data = std::make_unique<QMimeData>();
        QList<QUrl> urls;
        for (const std::string& path : paths)
            urls.push_back(path.find("://") != std::string::npos
                               ? QUrl(QString::fromStdString(path))
                               : QUrl::fromLocalFile(QString::fromStdString(path)));
        data->setUrls(urls);
        return data;
    }
    bool Drop(const std::vector<std::string>& paths) { return View().DropData(*UriList(paths)); }

    CatalogListView& View() { return frame_->ListView(); }
    CatalogListCtrl& Table() { return View().Table(); }
    int Rows() { return View().RowCount(); }
    CatalogUpdateItem& Row(int i) { return *box_->Items().at(i); }
    std::vector<std::string> Paths() {
        std::vector<std::string> paths;
        for (const auto& item : box_->Items())
            paths.push_back(item->record.path);
        return paths;
    }
    // Selects rows (the first becomes current) in a column, as clicks would.
    void Select(int column, const std::vector<int>& rows) {
        Table().ClearSelection();
        for (size_t i = 0; i < rows.size(); ++i)
            Table().SelectCell(column, rows[i], true, i == 0);
        Table().OnSelectionChanged();
    }

    FakeController controller_;
    FakeManageHost host_;
    FakeUiSeams seams_;
    std::unique_ptr<IndexerBoxObj> box_;
    QPointer<CatalogFrm> frame_;
    int scans_ = 0;

private:
    ManageHost* previousHost_ = nullptr;
    CatalogListView::LocateRunner previousRunner_;
};

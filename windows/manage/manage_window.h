#pragma once

#include "app/tip_anchor.h"
#include "app/tip_wnd.h"
#include "windows/manage/indexer_box.h"

#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QProgressBar>
#include <memory>
#include <string>

class CatalogFileListView;
class CatalogFileTreeView;
class CatalogListView;
class IconTextButton;
class QSplitter;
class QTimer;

// The "Manage MyTambrel" window: the two file panes above, the update table below, the
// update button in the bar under them and a status bar that can show a progress. Its box
// owns the rows and drives the update; the window is deleted by the window system after it
// has closed.
class CatalogFrm : public QMainWindow, public IndexerWindow {
public:
    static constexpr int kUpdateButtonId = 1209;
    static constexpr int kDialogBarId = 247;
    static constexpr int kPaneHeight = 200; // the file panes' height
    static constexpr int kTreeWidth = 250;  // the folder tree's width
    static constexpr const char* kPlacement = "ManageWindow";

    explicit CatalogFrm(IndexerBoxObj& box);
    ~CatalogFrm() override;

    // IndexerWindow
    QWidget* Widget() override { return this; }
    // 0 hides the tip.
    void ShowTip(int stringId) override;
    void CommitCellEdit() override;
    void SetUpdateButton(const std::string& text, int icon) override;
    void EnableFilePanes(bool enable) override;
    void ShowProgress(bool show, const std::string& text, int position) override;
    void SetStatusText(const std::string& text) override;
    void RepaintRow(int row) override;
    void RefreshPlayButtons() override;
    bool IsBusy() const override { return busy_; }
    void SetCloseRequested() override { closeRequested_ = true; }
    void DetachBox() override;
    void PostClose() override;
    void AddUpdateItem(const SoundFileObj& record, bool focus, bool edited) override;
    void RefreshCatalogMarks(const std::vector<std::string>& paths) override;

    // A loop of the window's own that pumps messages: the panes are disabled and a close
    // waits for its end.
    void BeginModalState();
    void EndModalState();
    // The update button: stops a running update, else starts one.
    void OnStartStopUpdate();
    // The update button is enabled exactly when the table has rows.
    void UpdateButtonState();

    IndexerBoxObj* Box() const { return box_; }
    CatalogListView& ListView() const { return *listView_; }
    CatalogFileTreeView& TreeView() const { return *treeView_; }
    CatalogFileListView& FileListView() const { return *fileListView_; }
    IconTextButton& UpdateButton() const { return *updateButton_; }
    QSplitter& OuterSplitter() const { return *outer_; }
    QSplitter& InnerSplitter() const { return *inner_; }
    QString StatusText() const;
    // The progress bar and its text while a progress is shown, else null.
    QProgressBar* Progress() const { return progress_; }
    QLabel* ProgressText() const { return progressText_; }
    TipWnd& Tip() { return tip_; }
    bool IsCloseRequested() const { return closeRequested_; }

protected:
    void closeEvent(QCloseEvent* e) override;
    bool focusNextPrevChild(bool next) override;
    void changeEvent(QEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    // Closes from the event loop, again until the close is taken.
    void CloseSoon();
    void SaveSettings();

    IndexerBoxObj* box_;
    QSplitter* outer_ = nullptr;
    QSplitter* inner_ = nullptr;
    CatalogFileTreeView* treeView_ = nullptr;
    CatalogFileListView* fileListView_ = nullptr;
    CatalogListView* listView_ = nullptr;
    QWidget* dialogBar_ = nullptr;
    IconTextButton* updateButton_ = nullptr;
    QLabel* statusPane_ = nullptr;
    QPointer<QProgressBar> progress_;
    QPointer<QLabel> progressText_;
    QTimer* timer_ = nullptr;
    TipWnd tip_;
    TipAnchor tipAnchor_{*this, tip_, TipAnchor::Rules{.onlyWhileUp = true}};
    int tipId_ = 0;
    bool busy_ = false;
    bool closeRequested_ = false;
    bool closeApproved_ = false; // the box agreed (or is gone): the next close goes through
    bool settingsSaved_ = false;
};

// Makes and shows the window of a new Manage box.
IndexerWindow* CreateManageWindow(IndexerBoxObj& box);

// A new Manage box of the running program with its window (the tool-window factory's maker).
std::unique_ptr<ManageBoxLink> MakeManageBox(IndexerBoxController& controller);

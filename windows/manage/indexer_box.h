#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/tool_windows.h"
#include "collection/catalog_update_item.h"
#include "collection/indexer/indexer_controller.h"
#include "collection/indexer/indexer_task.h"

class IndexerBoxObj;
class QWidget;

// The "Manage MyTambrel" window as its box drives it.
class IndexerWindow {
public:
    virtual ~IndexerWindow() = default;
    // The owner of the box's questions.
    virtual QWidget* Widget() = 0;
    // A text of the string table in the window's tip.
    virtual void ShowTip(int stringId) = 0;
    // Stores the cell being edited, if any.
    virtual void CommitCellEdit() = 0;
    virtual void SetUpdateButton(const std::string& text, int icon) = 0;
    virtual void EnableFilePanes(bool enable) = 0;
    // The progress bar with its text in the status bar; show false removes it.
    virtual void ShowProgress(bool show, const std::string& text, int position) = 0;
    // The status bar's first pane.
    virtual void SetStatusText(const std::string& text) = 0;
    virtual void RepaintRow(int row) = 0;
    // Lays the Play/Loop strip out again from row 0.
    virtual void RefreshPlayButtons() = 0;
    // In a modal state of its own (a query that pumps messages).
    virtual bool IsBusy() const = 0;
    // Closes the window once its busy state ends.
    virtual void SetCloseRequested() = 0;
    // From now on the window neither calls nor asks its box.
    virtual void DetachBox() = 0;
    // Asks the window to close, after the current event.
    virtual void PostClose() = 0;
    // Adds a record from a result list to the update table (focus: select and show it).
    virtual void AddUpdateItem(const SoundFileObj& /*record*/, bool /*focus*/, bool /*edited*/) {}
    // The catalog holds these paths, or no longer holds them: the file panes' marks follow.
    virtual void RefreshCatalogMarks(const std::vector<std::string>& /*paths*/) {}
};

// Owns the "Manage MyTambrel" window and its update table's rows, and drives an update of
// MyTambrel from them through the embedded task. User-interface thread only.
class IndexerBoxObj : public IndexerBoxLink, public ManageBoxLink {
public:
    static constexpr const char* kTitle = "Manage MyTambrel";
    static constexpr int kTipString = 130; // the three steps and the pitch advice
    static constexpr int kStartIcon = 248;
    static constexpr int kStopIcon = 249;

    // Makes the window for this box (the factory creates and shows it) and shows its tip.
    using WindowFactory = std::function<IndexerWindow*(IndexerBoxObj&)>;
    IndexerBoxObj(IndexerBoxController& controller, const WindowFactory& createWindow);
    ~IndexerBoxObj() override;
    IndexerBoxObj(const IndexerBoxObj&) = delete;
    IndexerBoxObj& operator=(const IndexerBoxObj&) = delete;

    // The update button: starts an update unless one runs.
    void BeginUpdate();
    // False (and nothing changes) when the table has no rows.
    bool PrepareUpdate();
    void ResetUpdate();
    // The stop button: asks the run to stop and returns at once. The run ends after the files
    // in hand, and only then does the box go idle and say so: until that, the update still
    // runs and a click cannot start another one.
    void StopUpdate();
    // Asks before a running or pending update is dropped; true when the box went (or goes,
    // once the window's busy state ends).
    bool QueryClose(bool closeWindow) override;
    bool AskClose() override;
    void ForgetCloseAnswer() override { closeAgreed_ = false; }
    void RefreshPlayButtons() override;
    bool HasWindow() const override { return window_ != nullptr; }
    void ActivateFrame() override;
    // Through the window; nothing without one.
    void AddUpdateItem(const SoundFileObj& record, bool focus, bool edited) override;
    void ImportUpdateItem(const SoundFileObj& record, bool edited) override;
    void CatalogChanged(const SoundFileListObj& changes) override;

    void ShowUpdateProgress(int row, int percent) override;
    void OnRowDone(int row, const std::string& errorText) override;
    void OnRunEnded() override;
    void OnCatalogUnreachable() override { StopUpdate(); }
    std::vector<std::unique_ptr<CatalogUpdateItem>>& Items() override { return items_; }
    IndexerController& Controller() override { return controller_; }

    bool IsRunning() const { return running_; }
    // A stop was asked for and the run has not ended yet.
    bool IsStopping() const { return stopping_; }
    bool IsPending() const { return pending_; }
    // The window sets it on every committed edit and clears it when the table is cleared.
    void SetPending(bool pending) { pending_ = pending; }
    IndexerWindow* Window() const { return window_; }
    // The window is being deleted without having closed through the box: no more calls.
    void ForgetWindow(const IndexerWindow* window) {
        if (window_ == window)
            window_ = nullptr;
    }
    IndexerTaskObj& Task() { return task_; }

    // The status texts of a run that ended with files it could not catalogue, or stopped.
    static std::string CompletedText(int failed);
    static std::string StoppedText(int done, int rows, int failed);

private:
    void FinishClose(bool closeWindow);
    // Stops the update and waits for its worker: the box or its window is about to go.
    void StopAndWait();
    // The stopped update's end: idle again, with a status saying how far it went.
    void EndStoppedUpdate();

    std::vector<std::unique_ptr<CatalogUpdateItem>> items_;
    bool running_ = false;
    bool stopping_ = false;
    int rowsDone_ = 0; // of the current run: the rows before the next one to be handed back
    int failed_ = 0;   // of the current run: rows left in error
    bool pending_ = false;
    bool closeAgreed_ = false; // AskClose agreed: the next QueryClose asks nothing
    IndexerWindow* window_ = nullptr; // the window system deletes it after it closes
    IndexerBoxController& controller_;
    QObject closeLater_;  // a close put off until the task's handler has returned
    IndexerTaskObj task_; // last: stopped before anything it reads goes
};

#include "windows/manage/indexer_box.h"

#include "app/wait_cursor.h"

#include "app/ui_seams.h"

#include <QCursor>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>
#include <unordered_map>

#include "collection/sound_file_list.h"

namespace {

std::string UpdatingText(int row, int rows, const char* action) {
    return "Updating " + std::to_string(row + 1) + " of " + std::to_string(rows) + " (" + action +
           ")";
}

std::string Files(int count) {
    return std::to_string(count) + (count == 1 ? " file" : " files");
}

} // namespace

IndexerBoxObj::IndexerBoxObj(IndexerBoxController& controller, const WindowFactory& createWindow)
    : controller_(controller) {
    window_ = createWindow ? createWindow(*this) : nullptr;
    if (window_ != nullptr)
        window_->ShowTip(kTipString);
}

IndexerBoxObj::~IndexerBoxObj() {
    StopAndWait();
    // A worker still ending after a stop asked for from inside its handler is waited for
    // while this box is whole: its last notice comes to the box.
    if (!task_.IsHandlingNotice())
        task_.Stop(true);
    if (window_ != nullptr) {
        window_->DetachBox();
        window_ = nullptr;
    }
}

void IndexerBoxObj::BeginUpdate() {
    if (!running_ && PrepareUpdate() && !task_.StartUpdate(*this))
        ResetUpdate();
}

bool IndexerBoxObj::PrepareUpdate() {
    // A run over no rows would never reach the last row that ends it.
    if (items_.empty())
        return false;
    WaitCursor wait;
    if (window_ != nullptr) {
        window_->CommitCellEdit();
        window_->SetUpdateButton("Stop Updating MyTambrel", kStopIcon);
        window_->EnableFilePanes(false);
    }
    running_ = true;
    stopping_ = false;
    rowsDone_ = 0;
    failed_ = 0;
    return true;
}

void IndexerBoxObj::ShowUpdateProgress(int row, int percent) {
    if (row < 0 || row >= static_cast<int>(items_.size()))
        return;
    const CatalogUpdateItem& item = *items_[row];
    const char* action = !item.keep                                       ? "remove"
                         : item.state != CatalogUpdateItem::kNotInCatalog ? "change"
                                                                          : "add";
    const std::string text = UpdatingText(row, static_cast<int>(items_.size()), action);
    if (window_ == nullptr)
        return;
    if (item.keep && percent > 0) {
        window_->ShowProgress(true, text, percent);
    } else {
        window_->ShowProgress(false, {}, 0);
        window_->SetStatusText(text);
    }
}

void IndexerBoxObj::OnRowDone(int row, const std::string& /*errorText*/) {
    if (row < 0 || row >= static_cast<int>(items_.size()))
        return;
    items_[row]->edited = false;
    items_[row]->ForgetUserColumns(); // stored: from now on the row follows the catalog
    rowsDone_ = row + 1;
    if (items_[row]->state == CatalogUpdateItem::kError)
        ++failed_;
    if (window_ != nullptr)
        window_->RepaintRow(row);
    if (row + 1 >= task_.RowCount() && running_) {
        // Every row is through, even when a stop was asked for meanwhile: the update is
        // complete.
        stopping_ = false;
        ResetUpdate();
        pending_ = false;
        if (window_ != nullptr)
            window_->SetStatusText(CompletedText(failed_));
    }
}

void IndexerBoxObj::OnRunEnded() {
    if (!stopping_)
        return; // completed through its last row, or ended by a new run of this box
    EndStoppedUpdate();
}

void IndexerBoxObj::EndStoppedUpdate() {
    stopping_ = false;
    if (!running_)
        return;
    ResetUpdate();
    if (window_ != nullptr)
        window_->SetStatusText(StoppedText(rowsDone_, static_cast<int>(items_.size()), failed_));
}

std::string IndexerBoxObj::CompletedText(int failed) {
    if (failed == 0)
        return "Update Completed";
    return "Update Completed: " + Files(failed) + " could not be updated";
}

std::string IndexerBoxObj::StoppedText(int done, int rows, int failed) {
    std::string text = "Update Stopped after " + std::to_string(done) + " of " + Files(rows);
    if (failed > 0)
        text += ": " + Files(failed) + " could not be updated";
    return text;
}

void IndexerBoxObj::ResetUpdate() {
    if (window_ != nullptr) {
        window_->ShowProgress(false, {}, 0);
        window_->EnableFilePanes(true);
        window_->SetUpdateButton("Start Updating MyTambrel", kStartIcon);
        window_->SetStatusText("For Help, press F1");
    }
    controller_.ApplyCatalogChanges();
    running_ = false;
}

void IndexerBoxObj::StopUpdate() {
    if (!running_ || stopping_)
        return;
    // Waiting here would hold the user-interface thread while the files in hand are
    // finished, and clicks made meanwhile would land on the button once it reads "Start"
    // again. The worker's last notice ends the update instead (OnRunEnded).
    stopping_ = true;
    task_.Stop(false);
}

void IndexerBoxObj::StopAndWait() {
    if (!running_)
        return;
    stopping_ = true;
    // From inside the task's own notice handler the worker is waiting for that notice: it
    // sees the stop flag once the handler has acknowledged it.
    task_.Stop(!task_.IsHandlingNotice());
    // The worker's last notice has normally ended the update by now; not when the worker
    // could not be waited for.
    EndStoppedUpdate();
}

bool IndexerBoxObj::AskClose() {
    closeAgreed_ = false;
    QWidget* owner = window_ != nullptr ? window_->Widget() : nullptr;
    if (stopping_) {
        // The user has already asked for the stop: the close waits for it.
    } else if (running_) {
        if (ShowMessageBox(owner, "You are currently indexing audio files.\nDo you want to stop?",
                           {}, MessageButtons::YesNo, MessageIcon::Question,
                           MessageAnswer::No) != MessageAnswer::Yes)
            return false;
    } else if (pending_) {
        // Enter must not lose the user's edits.
        if (ShowMessageBox(owner, "Close without completing the update?", {}, MessageButtons::YesNo,
                           MessageIcon::Exclamation, MessageAnswer::No) != MessageAnswer::Yes)
            return false;
    }
    closeAgreed_ = true;
    return true;
}

bool IndexerBoxObj::QueryClose(bool closeWindow) {
    // When the whole program closes the questions have been answered already.
    if (!closeAgreed_ && !AskClose())
        return false;
    closeAgreed_ = false;
    if (running_)
        StopAndWait();
    if (task_.IsHandlingNotice()) {
        // Asked from inside the task's notice handler (a message box there lets events
        // through): the box and its task must outlive that handler, so the close follows it.
        QTimer::singleShot(0, &closeLater_, [this, closeWindow] { FinishClose(closeWindow); });
        return true;
    }
    FinishClose(closeWindow);
    return true;
}

void IndexerBoxObj::FinishClose(bool closeWindow) {
    IndexerWindow* window = window_;
    if (window != nullptr && window->IsBusy()) {
        // The window's own loop is still running over this box: the close waits for it.
        if (closeWindow)
            window->SetCloseRequested();
        return;
    }
    if (closeWindow && window != nullptr) {
        window->DetachBox();
        window_ = nullptr;
    }
    controller_.CloseIndexerWindow(this); // may delete this box
    if (closeWindow && window != nullptr)
        window->PostClose();
}

void IndexerBoxObj::RefreshPlayButtons() {
    if (window_ != nullptr)
        window_->RefreshPlayButtons();
}

void IndexerBoxObj::ActivateFrame() {
    if (window_ == nullptr || window_->Widget() == nullptr)
        return;
    QWidget* frame = window_->Widget();
    // A minimised window comes back as it was before, maximised or not.
    if (frame->isMinimized())
        frame->setWindowState((frame->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    frame->show();
    frame->raise();
    frame->activateWindow();
}

void IndexerBoxObj::AddUpdateItem(const SoundFileObj& record, bool focus, bool edited) {
    if (window_ != nullptr)
        window_->AddUpdateItem(record, focus, edited);
}

void IndexerBoxObj::ImportUpdateItem(const SoundFileObj& record, bool edited) {
    // While an update runs the window refuses every change of the rows, and says so.
    for (int r = 0; !running_ && r < static_cast<int>(items_.size()); ++r) {
        CatalogUpdateItem& item = *items_[r];
        if (item.record.path != record.path)
            continue;
        if (item.TakeImported(record) || edited)
            item.edited = true;
        if (item.edited)
            pending_ = true;
        if (window_ != nullptr)
            window_->RepaintRow(r);
        return;
    }
    AddUpdateItem(record, true, edited);
}

void IndexerBoxObj::CatalogChanged(const SoundFileListObj& changes) {
    // The last change of a path is what the catalog holds now.
    std::unordered_map<std::string, int> last;
    for (int i = 0; i < changes.Count(); ++i)
        last[changes.Entry(i).file.path] = i;
    std::vector<std::string> paths;
    paths.reserve(last.size());
    for (const auto& [path, index] : last)
        paths.push_back(path);
    for (int r = 0; r < static_cast<int>(items_.size()); ++r) {
        CatalogUpdateItem& item = *items_[r];
        const auto found = last.find(item.record.path);
        if (found == last.end())
            continue;
        const SoundFileListEntry& entry = changes.Entry(found->second);
        if (item.FollowCatalog(entry.file, entry.value1 != 0) && window_ != nullptr)
            window_->RepaintRow(r);
    }
    if (window_ != nullptr)
        window_->RefreshCatalogMarks(paths);
}

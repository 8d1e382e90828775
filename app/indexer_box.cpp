#include "app/indexer_box.h"

#include "app/wait_cursor.h"

#include "app/ui_seams.h"

#include <QCursor>
#include <QGuiApplication>
#include <QTimer>

namespace {

std::string UpdatingText(int row, int rows, const char* action) {
    return "Updating " + std::to_string(row + 1) + " of " + std::to_string(rows) + " (" + action +
           ")";
}

} // namespace

IndexerBoxObj::IndexerBoxObj(IndexerBoxController& controller, const WindowFactory& createWindow)
    : controller_(controller) {
    window_ = createWindow ? createWindow(*this) : nullptr;
    if (window_ != nullptr)
        window_->ShowTip(kTipString);
}

IndexerBoxObj::~IndexerBoxObj() {
    StopUpdate();
    if (window_ != nullptr) {
        window_->DetachBox();
        window_ = nullptr;
    }
}

void IndexerBoxObj::BeginUpdate() {
    if (!running_ && PrepareUpdate())
        task_.StartUpdate(*this);
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
    if (window_ != nullptr)
        window_->RepaintRow(row);
    if (row + 1 >= task_.RowCount()) {
        ResetUpdate();
        pending_ = false;
        if (window_ != nullptr)
            window_->SetStatusText("Update Completed");
    }
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
    if (!running_)
        return;
    // From inside the task's own notice handler the worker is waiting for that notice: it
    // sees the stop flag once the handler has acknowledged it.
    task_.Stop(!task_.IsHandlingNotice());
    ResetUpdate();
}

bool IndexerBoxObj::QueryClose(bool closeWindow) {
    QWidget* owner = window_ != nullptr ? window_->Widget() : nullptr;
    if (running_) {
        if (ShowMessageBox(owner, "You are currently indexing audio files.\nDo you want to stop?",
                           {}, MessageButtons::YesNo, MessageIcon::Question,
                           MessageAnswer::No) != MessageAnswer::Yes)
            return false;
        StopUpdate();
    } else if (pending_) {
        // Enter must not lose the user's edits.
        if (ShowMessageBox(owner, "Close without completing the update?", {}, MessageButtons::YesNo,
                           MessageIcon::Exclamation, MessageAnswer::No) != MessageAnswer::Yes)
            return false;
    }
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

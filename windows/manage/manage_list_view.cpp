#include "windows/manage/manage_list_view.h"

#include "app/wait_cursor.h"

#include "app/app_util.h"
#include "windows/manage/indexer_box.h"
#include "app/locate_dlg.h"
#include "app/ui_seams.h"
#include "collection/audio_file_util.h"
#include "collection/catalog_db.h"
#include "collection/search_criteria.h"
#include "windows/manage/manage_window.h"
#include "windows/manage/manage_list_ctrl.h"
#include "windows/manage/manage_host.h"
#include "windows/results/sound_drag.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QScrollBar>
#include <QUrl>
#include <filesystem>

namespace {

// The longest dropped name taken.
constexpr std::size_t kMaxDroppedName = 1023;

CatalogListView::LocateRunner& Runner() {
    static CatalogListView::LocateRunner runner = [](LocateDlg& dialog) { return dialog.exec(); };
    return runner;
}

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
    return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}

} // namespace

CatalogListView::LocateRunner CatalogListView::SetLocateRunner(LocateRunner runner) {
    LocateRunner previous = Runner();
    Runner() = runner ? std::move(runner) : [](LocateDlg& dialog) { return dialog.exec(); };
    return previous;
}

CatalogListView::CatalogListView(CatalogFrm& frame, IndexerBoxObj& box, QWidget* parent)
    : QWidget(parent), frame_(frame), box_(&box) {
    table_ = new CatalogListCtrl(*this, this);
    strip_ = new CatalogListHeaderCtrl(*this, this);
    table_->InsertColumns();
    strip_->SetRowHeight(table_->verticalHeader()->defaultSectionSize());
    setAcceptDrops(true);
    table_->setAcceptDrops(false);
    table_->viewport()->setAcceptDrops(false);
    // Drops that reach the table's viewport come here.
    LayOut();
}

CatalogListView::~CatalogListView() {
    if (ManageHost* host = CurrentManageHost())
        host->AuditionFile({}, false);
}

void CatalogListView::DetachBox() {
    if (box_ == nullptr)
        return;
    table_->Editor().DestroyWindow();
    box_ = nullptr;
    table_->SelectableTableCtrl::DeleteAllRows();
    strip_->RemoveAllRows();
}

bool CatalogListView::IsRunning() const {
    return box_ != nullptr && box_->IsRunning();
}

int CatalogListView::RowCount() const {
    return box_ != nullptr ? static_cast<int>(box_->Items().size()) : 0;
}

CatalogUpdateItem* CatalogListView::Row(int row) const {
    if (box_ == nullptr || row < 0 || row >= static_cast<int>(box_->Items().size()))
        return nullptr;
    return box_->Items()[row].get();
}

void CatalogListView::SetPending() {
    if (box_ != nullptr)
        box_->SetPending(true);
}

void CatalogListView::SetStatusText(const std::string& text) {
    frame_.SetStatusText(text);
}

bool CatalogListView::RefuseWhileRunning() {
    if (!IsRunning())
        return false;
    frame_.SetStatusText(kBusyText);
    return true;
}

bool CatalogListView::IsFileListed(const std::string& path, int count) const {
    if (box_ == nullptr)
        return false;
    const auto& items = box_->Items();
    const int n = count < 0 ? static_cast<int>(items.size())
                            : std::min(count, static_cast<int>(items.size()));
    for (int i = 0; i < n; ++i)
        if (items[i]->record.path == path)
            return true;
    return false;
}

bool CatalogListView::AddUpdateItem(const SoundFileObj& record, bool focus, bool edited) {
    if (box_ == nullptr || RefuseWhileRunning() || IsFileListed(record.path))
        return false;
    auto row = std::make_unique<CatalogUpdateItem>(record);
    row->edited = edited;
    AddRow(std::move(row), focus);
    return true;
}

bool CatalogListView::AddFileRow(const std::string& path, bool focus) {
    if (box_ == nullptr || RefuseWhileRunning())
        return false;
    if (!AudioFileUtil::IsSupportedFile(path) || IsFileListed(path))
        return false;
    AddRow(std::make_unique<CatalogUpdateItem>(path), focus);
    return true;
}

void CatalogListView::ReserveRows(int count) {
    if (box_ == nullptr || count <= 0)
        return;
    const int wanted = static_cast<int>(box_->Items().size()) + count;
    if (table_->rowCount() < wanted)
        table_->setRowCount(wanted);
    box_->Items().reserve(wanted);
}

void CatalogListView::AddRow(std::unique_ptr<CatalogUpdateItem> row, bool focus) {
    if (box_ == nullptr || !row)
        return;
    frame_.ShowTip(0);
    auto& items = box_->Items();
    items.push_back(std::move(row));
    const int count = static_cast<int>(items.size());
    if (table_->rowCount() < count)
        table_->setRowCount(count);
    if (focus) {
        table_->EnsureVisibleAndNotify(count - 1, false);
        table_->setFocus(Qt::OtherFocusReason);
    }
    strip_->SetRowHeight(table_->verticalHeader()->defaultSectionSize());
    strip_->AddRow(count - 1);
    table_->AlignStrip();
    AfterRowsChanged();
}

void CatalogListView::AfterRowsChanged() {
    frame_.UpdateButtonState();
}

void CatalogListView::AddScannedFolders(const std::vector<std::string>& folders) {
    if (box_ == nullptr || folders.empty() || RefuseWhileRunning())
        return;
    LocateDlg dialog(folders, [this](const std::string& path) { return IsFileListed(path); },
                     &frame_);
    if (Runner()(dialog) == QDialog::Accepted && box_ != nullptr && !IsRunning()) {
        WaitCursor wait;
        SetStatusText("Creating list...");
        std::vector<std::unique_ptr<CatalogUpdateItem>> rows = dialog.TakeRows();
        ReserveRows(static_cast<int>(rows.size()));
        table_->setUpdatesEnabled(false);
        for (auto& row : rows)
            if (!IsFileListed(row->record.path))
                AddRow(std::move(row), false);
        table_->setUpdatesEnabled(true);
        // Rows left out (listed meanwhile) leave no empty lines behind.
        table_->setRowCount(RowCount());
        SetStatusText({});
    }
    table_->setFocus(Qt::OtherFocusReason);
}

void CatalogListView::AddCategoryRows(int soundClass, const std::string& category,
                                      const std::string& subCategory) {
    if (box_ == nullptr || theCatalogDb == nullptr || RefuseWhileRunning())
        return;
    WaitCursor wait;
    frame_.BeginModalState();
    frame_.ShowTip(0);
    const SearchCriteria criteria = SearchCriteria::ForCategory(soundClass, category, subCategory);
    int hits = 0;
    std::unique_ptr<DB_query_result> result = theCatalogDb->RunQuery(criteria, hits);
    std::vector<std::unique_ptr<CatalogUpdateItem>> taken;
    for (int i = 0; result && i < hits; ++i) {
        SoundFileObj file;
        if (theCatalogDb->FetchFile(*result, i, file) &&
            (category.empty() || EqualsIgnoringCase(category, file.category)) &&
            (subCategory.empty() || EqualsIgnoringCase(subCategory, file.subcategory)) &&
            !IsFileListed(file.path)) {
            bool again = false;
            for (const auto& row : taken)
                again = again || row->record.path == file.path;
            if (!again)
                taken.push_back(std::make_unique<CatalogUpdateItem>(file));
        }
        frame_.ShowProgress(true, "Creating list:", (i + 1) * 100 / hits);
        AppUtil::PumpMessages(nullptr);
    }
    frame_.ShowProgress(false, {}, 0);
    SetStatusText("For Help, press F1");
    if (box_ != nullptr) {
        ReserveRows(static_cast<int>(taken.size()));
        for (auto& row : taken)
            AddRow(std::move(row), false);
    }
    CatalogDbObj::FreeQueryResult(result);
    frame_.EndModalState();
}

void CatalogListView::DeleteSelectedRows() {
    if (box_ == nullptr || IsRunning())
        return;
    if (ManageHost* host = CurrentManageHost())
        host->AuditionFile({}, false);
    const int rows = RowCount();
    const int column = table_->CurrentColumn();
    const bool noCurrentCell = table_->GetCurrentRow() < 0 || column < 0;
    int selected = 0;
    for (int r = 0; r < rows; ++r)
        if (Row(r)->selected)
            ++selected;
    if (column == CatalogUpdateItem::kFileName && selected > 1 && selected == rows) {
        if (box_->IsPending() &&
            ShowMessageBox(&frame_, "Delete all rows in the table?", {}, MessageButtons::YesNo,
                           MessageIcon::Exclamation) != MessageAnswer::Yes)
            return;
        ClearTable();
        return;
    }
    if (column != CatalogUpdateItem::kFileName && !noCurrentCell)
        return;
    WaitCursor wait;
    const int top = table_->GetTopIndex();
    int lastVisible = top + std::max(0, table_->GetCountPerPage() - 1);
    int deleted = 0;
    table_->Editor().DestroyWindow();
    for (int r = rows - 1; r >= 0; --r) {
        if (Row(r) == nullptr || !Row(r)->selected)
            continue;
        table_->DeleteRow(r);
        ++deleted;
        if (r < top)
            --lastVisible;
    }
    const int remaining = RowCount();
    if (remaining > 0)
        table_->EnsureVisibleAndNotify(std::min(std::max(lastVisible, 0), remaining - 1), false);
    // The strip loses exactly the rows that went.
    strip_->RemoveRows(deleted, table_->GetTopIndex());
    table_->AlignStrip();
    AfterRowsChanged();
    if (remaining == 0)
        frame_.ShowTip(IndexerBoxObj::kTipString);
}

void CatalogListView::ClearTable() {
    if (box_ == nullptr)
        return;
    box_->SetPending(false);
    table_->Editor().DestroyWindow();
    table_->DeleteAllRows();
    strip_->RemoveAllRows();
    AfterRowsChanged();
    frame_.ShowTip(IndexerBoxObj::kTipString);
}

void CatalogListView::PlayRow(int row) {
    const CatalogUpdateItem* item = Row(row);
    if (ManageHost* host = CurrentManageHost(); host != nullptr && item != nullptr)
        host->AuditionFile(item->record.path, false);
    strip_->Refresh();
}

void CatalogListView::LoopRow(int row) {
    const CatalogUpdateItem* item = Row(row);
    if (ManageHost* host = CurrentManageHost(); host != nullptr && item != nullptr)
        host->AuditionFile(item->record.path, true);
    strip_->Refresh();
}

bool CatalogListView::AcceptsData(const QMimeData& data) {
    return data.hasUrls() || SoundDragBlock::Offers(&data);
}

bool CatalogListView::DropData(const QMimeData& data) {
    if (!AcceptsData(data))
        return false;
    frame_.activateWindow();
    frame_.repaint();
    if (RefuseWhileRunning())
        return false;
    if (data.hasUrls()) {
        std::vector<std::string> folders;
        for (const QUrl& url : data.urls()) {
            if (!url.isLocalFile())
                continue; // only files of this computer
            const std::string name = url.toLocalFile().toStdString();
            if (name.empty() || name.size() > kMaxDroppedName)
                continue;
            std::string path = name;
            AppUtil::ResolveShortcut(name, path);
            std::error_code error;
            if (std::filesystem::is_directory(path, error)) {
                if (path.back() != '/')
                    path += '/';
                folders.push_back(path);
            } else {
                AddFileRow(path, true);
            }
        }
        if (!folders.empty())
            AddScannedFolders(folders);
        return true;
    }
    const std::optional<SoundDragBlock> block = SoundDragBlock::FromMimeData(&data);
    if (!block)
        return false;
    if (block->kind == SoundDragBlock::kRows) {
        for (const SoundDragRow& row : block->rows)
            AddFileRow(row.path, true);
    } else {
        AddCategoryRows(block->superCategory, block->category, block->subcategory);
    }
    return true;
}

void CatalogListView::dragEnterEvent(QDragEnterEvent* e) {
    if (AcceptsData(*e->mimeData())) {
        e->setDropAction(Qt::CopyAction);
        e->accept();
    } else {
        e->ignore();
    }
}

void CatalogListView::dragMoveEvent(QDragMoveEvent* e) {
    if (AcceptsData(*e->mimeData())) {
        e->setDropAction(Qt::CopyAction);
        e->accept();
    } else {
        e->ignore();
    }
}

void CatalogListView::dropEvent(QDropEvent* e) {
    if (DropData(*e->mimeData())) {
        e->setDropAction(Qt::CopyAction);
        e->accept();
    } else {
        e->ignore();
    }
}

void CatalogListView::keyPressEvent(QKeyEvent* e) {
    // Enter outside the table takes the user back into it.
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        table_->setFocus(Qt::OtherFocusReason);
        table_->EnsureCurrentCell();
        return;
    }
    QWidget::keyPressEvent(e);
}

void CatalogListView::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    LayOut();
}

void CatalogListView::LayOut() {
    const int stripWidth = strip_->GetStripWidth() + 5;
    const int headerHeight = table_->horizontalHeader()->sizeHint().height();
    strip_->SetTopInset(headerHeight + table_->frameWidth());
    strip_->setGeometry(0, 0, stripWidth, height());
    table_->setGeometry(stripWidth + 4, 0, std::max(0, width() - stripWidth - 4), height());
    table_->AlignStrip(); // also the strip's bottom inset
}

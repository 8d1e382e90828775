#include "windows/manage/manage_file_panes.h"

#include "app/controls/file_system_items.h"
#include "app/settings.h"
#include "collection/audio_file_util.h"
#include "collection/catalog_db.h"
#include "windows/manage/manage_window.h"
#include "windows/manage/manage_list_ctrl.h"
#include "windows/manage/manage_list_view.h"
#include "windows/manage/manage_pictures.h"

#include <QApplication>
#include <QFileSystemWatcher>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <algorithm>
#include <unordered_set>

namespace {

struct FileColumn {
    const char* title;
    int width;
    Qt::Alignment align;
    int fieldKind;   // SoundFileObj::FieldText kind, -1 for the name
    int sortColumn;  // SoundFileListObj sort column
};

const FileColumn kFileColumns[] = {
    {"File Name", 200, Qt::AlignLeft, -1, 1},
    {"File Size", 75, Qt::AlignRight, kFieldSize, 5},
    {"Channels", 75, Qt::AlignHCenter, kFieldChannels, 6},
    {"Compression", 120, Qt::AlignLeft, kFieldCompression, 7},
    {"Sample Rate", 90, Qt::AlignRight, kFieldSampleRate, 8},
    {"Duration", 75, Qt::AlignRight, kFieldDuration, 9},
};
constexpr int kFileColumnCount = 6;
// The picture's hot spot.
constexpr QPoint kHotSpot(12, 12);

std::string FileName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

// PaneDrag

PaneDrag::~PaneDrag() {
    delete image_;
}

void PaneDrag::Begin(QWidget* source, const QPixmap& image, QPoint global) {
    source_ = source;
    active_ = true;
    delete image_;
    if (!image.isNull()) {
        image_ = new QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
        image_->setAttribute(Qt::WA_TransparentForMouseEvents);
        image_->setPixmap(image);
        image_->resize(image.size());
        image_->setWindowOpacity(0.7);
        image_->move(global - kHotSpot);
        image_->show();
    }
    source->update();
}

void PaneDrag::Move(QPoint global) {
    if (!active_)
        return;
    if (image_ != nullptr)
        image_->move(global - kHotSpot);
    QWidget* over = QApplication::widgetAt(global);
    const bool overSource = over != nullptr && (over == source_ || source_->isAncestorOf(over));
    source_->setCursor(overSource                ? Qt::ArrowCursor
                       : IsOverUpdateTable(global) ? Qt::DragCopyCursor
                                                   : Qt::ForbiddenCursor);
}

bool PaneDrag::End(QPoint global) {
    if (!active_)
        return false;
    active_ = false;
    delete image_;
    if (source_ != nullptr)
        source_->unsetCursor();
    return IsOverUpdateTable(global);
}

bool PaneDrag::IsOverUpdateTable(QPoint global) const {
    QWidget* rows = frame_.ListView().Table().viewport();
    return rows->isVisible() && rows->rect().contains(rows->mapFromGlobal(global));
}

// CatalogFileListCtrl

CatalogFileListCtrl::CatalogFileListCtrl(CatalogFrm& frame, QWidget* parent)
    : CFileListCtrl(parent), frame_(frame), inMark_(ManagePictures::MarkImage(0)),
      outMark_(ManagePictures::MarkImage(2)), drag_(frame) {
    setColumnCount(kFileColumnCount);
    for (int c = 0; c < kFileColumnCount; ++c) {
        auto* head = new QTableWidgetItem(QString::fromUtf8(kFileColumns[c].title));
        head->setTextAlignment(kFileColumns[c].align | Qt::AlignVCenter);
        setHorizontalHeaderItem(c, head);
        setColumnWidth(c, kFileColumns[c].width);
    }
    SetFilePatterns(kPattern);
    SetUseSystemIcons(false);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    verticalHeader()->setDefaultSectionSize(20);
}

void CatalogFileListCtrl::Clear() {
    records_.Clear();
    sortColumn_ = -1;
    descending_ = false;
    SetSortColumn(-1, true, false);
    CFileListCtrl::Clear();
}

int CatalogFileListCtrl::GetIconIndex(const std::string& path) {
    return theCatalogDb != nullptr && theCatalogDb->IsInCatalog(path) ? 0 : 2;
}

void CatalogFileListCtrl::AddFileItem(const std::string& name, int icon) {
    SoundFileObj file;
    SoundVariantObj variant;
    const std::string path = CurrentFolder() + name;
    if (AudioFileUtil::ReadFileInfo(path, file)) {
        variant.duration = file.duration;
        variant.sampleRate = file.sampleRate;
    }
    // A file that cannot be read is listed all the same, with what could be read.
    file.path = path;
    records_.Add(file, variant, 0, 0, 0, 0);
    CFileListCtrl::AddFileItem(name, icon);
    const int row = rowCount() - 1;
    if (QTableWidgetItem* first = item(row, 0))
        first->setIcon(MarkIcon(icon));
    for (int c = 1; c < kFileColumnCount; ++c) {
        auto* cell = new QTableWidgetItem(QString::fromStdString(file.FieldText(kFileColumns[c].fieldKind)));
        cell->setTextAlignment(kFileColumns[c].align | Qt::AlignVCenter);
        cell->setFlags(cell->flags() & ~Qt::ItemIsEditable);
        setItem(row, c, cell);
    }
}

void CatalogFileListCtrl::ShowFolder(const std::string& path) {
    FillFromFolder(path);
}

void CatalogFileListCtrl::FillRows() {
    setUpdatesEnabled(false);
    for (int row = 0; row < records_.Count() && row < rowCount(); ++row) {
        const SoundFileObj& file = records_.Entry(row).file;
        QTableWidgetItem* first = item(row, 0);
        if (first != nullptr) {
            const int icon = GetIconIndex(file.path);
            first->setText(QString::fromStdString(FileName(file.path)));
            first->setData(kIconRole, icon);
            first->setIcon(MarkIcon(icon));
        }
        for (int c = 1; c < kFileColumnCount; ++c)
            if (QTableWidgetItem* cell = item(row, c))
                cell->setText(QString::fromStdString(file.FieldText(kFileColumns[c].fieldKind)));
    }
    setUpdatesEnabled(true);
}

void CatalogFileListCtrl::SortByColumn(int column) {
    if (records_.Count() == 0 || column < 0 || column >= kFileColumnCount)
        return;
    descending_ = column == sortColumn_ && !descending_;
    sortColumn_ = column;
    const int key = kFileColumns[column].sortColumn;
    records_.Sort(key, key, descending_);
    const int scrolled = verticalScrollBar()->value();
    clearSelection();
    FillRows();
    verticalScrollBar()->setValue(scrolled);
    SetSortColumn(column, !descending_, true);
}

void CatalogFileListCtrl::HeaderItemClick(int column) {
    SortByColumn(column);
}

std::string CatalogFileListCtrl::RowPath(int row) const {
    if (row < 0 || row >= records_.Count())
        return {};
    return records_.Entry(row).file.path;
}

void CatalogFileListCtrl::ActivateRow(int row) {
    const std::string path = RowPath(row);
    CatalogListView& view = frame_.ListView();
    if (!path.empty() && !view.IsFileListed(path))
        view.AddFileRow(path, true);
}

bool CatalogFileListCtrl::OnCellDblClick(int, int row, bool, bool) {
    ActivateRow(row);
    return true;
}

void CatalogFileListCtrl::DropSelectedFiles() {
    CatalogListView& view = frame_.ListView();
    for (int row = 0; row < rowCount(); ++row) {
        if (!selectionModel()->isRowSelected(row, QModelIndex()))
            continue;
        const std::string path = RowPath(row);
        if (!path.empty() && !view.IsFileListed(path))
            view.AddFileRow(path, true);
    }
}

void CatalogFileListCtrl::SelectAllItems() {
    selectAll();
}

void CatalogFileListCtrl::RefreshMarks(const std::vector<std::string>& paths) {
    if (paths.empty() || records_.Count() == 0)
        return;
    const std::unordered_set<std::string> changed(paths.begin(), paths.end());
    for (int row = 0; row < records_.Count() && row < rowCount(); ++row) {
        const std::string& path = records_.Entry(row).file.path;
        QTableWidgetItem* first = item(row, 0);
        if (first == nullptr || changed.count(path) == 0)
            continue;
        const int icon = GetIconIndex(path);
        first->setData(kIconRole, icon);
        first->setIcon(MarkIcon(icon));
    }
}

bool CatalogFileListCtrl::PreTranslateMessage(QKeyEvent* e) {
    if (e->key() == Qt::Key_A && (e->modifiers() & Qt::ControlModifier)) {
        SelectAllItems();
        return true;
    }
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        // Enter takes the whole selection, as a drag of it does; without one, the current file.
        if (selectionModel()->hasSelection())
            DropSelectedFiles();
        else if (currentRow() >= 0)
            ActivateRow(currentRow());
        else
            return CFileListCtrl::PreTranslateMessage(e);
        return true;
    }
    return CFileListCtrl::PreTranslateMessage(e);
}

void CatalogFileListCtrl::mousePressEvent(QMouseEvent* e) {
    pressed_ = e->button() == Qt::LeftButton;
    pressAt_ = e->position().toPoint();
    CFileListCtrl::mousePressEvent(e);
}

void CatalogFileListCtrl::mouseMoveEvent(QMouseEvent* e) {
    const QPoint global = e->globalPosition().toPoint();
    if (drag_.IsActive()) {
        drag_.Move(global);
        return;
    }
    if (pressed_ && (e->buttons() & Qt::LeftButton) &&
        (e->position().toPoint() - pressAt_).manhattanLength() >= QApplication::startDragDistance() &&
        !selectionModel()->selectedRows().isEmpty()) {
        drag_.Begin(this, CreateDragImage(nullptr), global);
        return;
    }
    CFileListCtrl::mouseMoveEvent(e);
}

void CatalogFileListCtrl::mouseReleaseEvent(QMouseEvent* e) {
    pressed_ = false;
    if (e->button() == Qt::LeftButton && drag_.IsActive()) {
        if (drag_.End(e->globalPosition().toPoint()))
            DropSelectedFiles();
        return;
    }
    CFileListCtrl::mouseReleaseEvent(e);
}

// CatalogFileTreeCtrl

CatalogFileTreeCtrl::CatalogFileTreeCtrl(CatalogFrm& frame, QWidget* parent)
    : CFileTreeCtrl(parent), frame_(frame), watcher_(new QFileSystemWatcher(this)), drag_(frame) {
    SetShowFiles(false);
    setRootIsDecorated(true);
    // After the base control has filled (or emptied) the item.
    connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) { Watch(item, true); });
    connect(this, &QTreeWidget::itemCollapsed, this,
            [this](QTreeWidgetItem* item) { Watch(item, false); });
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this,
            [this](const QString& folder) { FollowFolder(folder.toStdString()); });
}

namespace {

QString WatchedName(const std::string& folder) {
    std::string name = folder;
    while (name.size() > 1 && name.back() == '/')
        name.pop_back();
    return QString::fromStdString(name);
}

} // namespace

QStringList CatalogFileTreeCtrl::WatchedFolders() const {
    return watcher_->directories();
}

void CatalogFileTreeCtrl::Watch(QTreeWidgetItem* item, bool watch) {
    const std::string path = GetItemPath(item);
    if (path.empty() || path.back() != '/')
        return;
    const QString name = WatchedName(path);
    const QStringList watched = watcher_->directories();
    if (watch) {
        if (item->isExpanded() && !watched.contains(name) && IsFolder(path))
            watcher_->addPath(name);
        return;
    }
    // Closing an item drops its open sub-folders' items too.
    const QString below = QString::fromStdString(path);
    for (const QString& folder : watched)
        if (folder == name || folder.startsWith(below))
            watcher_->removePath(folder);
}

void CatalogFileTreeCtrl::FollowFolder(const std::string& folder) {
    const std::string path = WithSlash(folder);
    QTreeWidgetItem* item = FindItemForPath(path);
    std::vector<FoundEntry> entries;
    if (item == nullptr || !item->isExpanded() || !ListFolder(path, entries)) {
        // Closed meanwhile (with an open parent), or gone: its items say nothing any more.
        watcher_->removePath(QString::fromStdString(folder));
        return;
    }
    std::vector<std::string> names;
    for (const FoundEntry& entry : entries)
        if (IncludeFolder(entry))
            names.push_back(entry.name);
    auto nameOf = [this](QTreeWidgetItem* child) {
        const FileTreeItemRecord* record = Record(child);
        return record != nullptr ? record->name : std::string();
    };
    for (int i = item->childCount() - 1; i >= 0; --i) {
        QTreeWidgetItem* child = item->child(i);
        if (std::find(names.begin(), names.end(), nameOf(child)) == names.end()) {
            watcher_->removePath(WatchedName(GetItemPath(child)));
            delete child;
        }
    }
    // The children left stand in the order the folder was listed in when opened; a new
    // sub-folder takes its place in that order.
    SortIgnoringCase(names);
    for (int at = 0; at < static_cast<int>(names.size()); ++at) {
        const std::string& name = names[at];
        if (at < item->childCount() && nameOf(item->child(at)) == name)
            continue;
        auto record = std::make_unique<FileTreeItemRecord>();
        record->path = path + name + "/";
        record->name = name;
        record->stateImage = GetItemStateImage(*record);
        const std::string childPath = record->path;
        QTreeWidgetItem* added = InsertItem(item, std::move(record), false, GetIconIndex(childPath),
                                            GetOpenIconIndex(childPath), true);
        item->removeChild(added);
        item->insertChild(at, added);
    }
    item->setChildIndicatorPolicy(item->childCount() > 0
                                      ? QTreeWidgetItem::ShowIndicator
                                      : QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

int CatalogFileTreeCtrl::GetItemStateImage(const FileTreeItemRecord& record) {
    if (!record.path.empty() && record.path.back() != '/' && theCatalogDb != nullptr &&
        theCatalogDb->IsInCatalog(record.path))
        return 4;
    return CFileTreeCtrl::GetItemStateImage(record);
}

void CatalogFileTreeCtrl::OnSelectionChanged(QTreeWidgetItem*, const std::string& path) {
    if (fileList_ != nullptr && !path.empty())
        fileList_->ShowFolder(path);
}

void CatalogFileTreeCtrl::DropFolder(const std::string& path) {
    if (!path.empty() && path.back() == '/')
        frame_.ListView().AddScannedFolders({path});
}

void CatalogFileTreeCtrl::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_A && (e->modifiers() & Qt::ControlModifier) && fileList_ != nullptr) {
        fileList_->setFocus(Qt::OtherFocusReason);
        fileList_->SelectAllItems();
        return;
    }
    CFileTreeCtrl::keyPressEvent(e);
}

void CatalogFileTreeCtrl::mousePressEvent(QMouseEvent* e) {
    pressed_ = e->button() == Qt::LeftButton ? itemAt(e->position().toPoint()) : nullptr;
    pressAt_ = e->position().toPoint();
    CFileTreeCtrl::mousePressEvent(e);
}

void CatalogFileTreeCtrl::mouseMoveEvent(QMouseEvent* e) {
    const QPoint global = e->globalPosition().toPoint();
    if (drag_.IsActive()) {
        drag_.Move(global);
        return;
    }
    if (pressed_ != nullptr && (e->buttons() & Qt::LeftButton) &&
        (e->position().toPoint() - pressAt_).manhattanLength() >= QApplication::startDragDistance()) {
        draggedPath_ = GetItemPath(pressed_);
        const QRect r = visualItemRect(pressed_);
        drag_.Begin(this, viewport()->grab(r), global);
        return;
    }
    CFileTreeCtrl::mouseMoveEvent(e);
}

void CatalogFileTreeCtrl::mouseReleaseEvent(QMouseEvent* e) {
    pressed_ = nullptr;
    if (e->button() == Qt::LeftButton && drag_.IsActive()) {
        const std::string path = draggedPath_;
        draggedPath_.clear();
        if (drag_.End(e->globalPosition().toPoint()))
            DropFolder(path);
        return;
    }
    CFileTreeCtrl::mouseReleaseEvent(e);
}

// The views

CatalogFileListView::CatalogFileListView(CatalogFrm& frame, QWidget* parent) : QWidget(parent) {
    list_ = new CatalogFileListCtrl(frame, this);
}

void CatalogFileListView::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    list_->setGeometry(rect());
}

CatalogFileTreeView::CatalogFileTreeView(CatalogFrm& frame, QWidget* parent) : QWidget(parent) {
    tree_ = new CatalogFileTreeCtrl(frame, this);
    tree_->setHeaderHidden(true);
    tree_->setToolTipDuration(0);
}

void CatalogFileTreeView::SetFileList(CatalogFileListCtrl* list) {
    tree_->SetFileList(list);
    tree_->Refresh();
    const std::string folder = GetSettingText(kPathKey);
    const bool found = tree_->SelectPath(folder, true) != nullptr;
    if (list != nullptr)
        list->ShowFolder(found ? tree_->GetSelectedPath() : folder);
}

std::string CatalogFileTreeView::FolderToRemember(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos || slash == 0 || slash == path.size() - 1)
        return path;
    return path.substr(0, slash + 1);
}

void CatalogFileTreeView::SaveFolder() {
    const std::string path = tree_->GetSelectedPath();
    if (!path.empty())
        WriteProfileString(kPathKey, FolderToRemember(path));
}

void CatalogFileTreeView::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    tree_->setGeometry(rect());
}

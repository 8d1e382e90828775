#include "app/controls/file_list_ctrl.h"

#include "app/controls/file_system_items.h"
#include "app/wait_cursor.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPainter>

CFileListCtrl::CFileListCtrl(QWidget* parent) : CTableCtrl(parent) {
    setColumnCount(1);
    setIconSize(QSize(16, 16));
}

void CFileListCtrl::Clear() {
    setRowCount(0);
}

int CFileListCtrl::GetIconIndex(const std::string& path) {
    return theSystemImageList.GetIconIndex(path, false);
}

void CFileListCtrl::AppendItem(const std::string& name, int icon) {
    const int row = rowCount();
    setRowCount(row + 1);
    auto* item = new QTableWidgetItem(QString::fromStdString(name));
    item->setData(kIconRole, icon);
    if (useSystemIcons_)
        item->setIcon(theSystemImageList.Icon(icon));
    setItem(row, 0, item);
}

void CFileListCtrl::AddFolderItem(const std::string& name, int icon) {
    AppendItem(name, icon);
}
void CFileListCtrl::AddFileItem(const std::string& name, int icon) {
    AppendItem(name, icon);
}

std::string CFileListCtrl::ItemText(int row) const {
    const QTableWidgetItem* it = item(row, 0);
    return it ? it->text().toStdString() : std::string();
}

bool CFileListCtrl::FillFromFolder(const std::string& path) {
    WaitCursor wait;
    currentFolder_ = WithSlash(path);
    Clear();
    std::vector<FoundEntry> entries;
    if (!ListFolder(currentFolder_, entries))
        return false;
    std::vector<std::string> folders;
    for (const FoundEntry& e : entries)
        if (e.isDirectory)
            folders.push_back(e.name);
    std::vector<std::string> files =
        FilesMatching(entries, filePatterns_, [](const FoundEntry&) { return true; });
    SortIgnoringCase(folders);
    SortIgnoringCase(files);
    setUpdatesEnabled(false);
    for (const std::string& name : folders)
        AddFolderItem(name, GetIconIndex(currentFolder_ + name));
    for (const std::string& name : files)
        AddFileItem(name, GetIconIndex(currentFolder_ + name));
    setUpdatesEnabled(true);
    return true;
}

void CFileListCtrl::SetFilePatterns(const std::string& text) {
    filePatterns_ = SplitPatterns(text);
}

void CFileListCtrl::PostPaintRow(QPainter& p, int row, unsigned, std::uintptr_t data) {
    const int index = GetOverlayImage(ItemText(row), data);
    if (index < 0 || index >= static_cast<int>(overlayImages_.size()))
        return;
    const QRect cell = visualRect(model()->index(row, 0));
    const QSize size = iconSize();
    const QRect iconRect(cell.left() + 2, cell.top() + (cell.height() - size.height()) / 2,
                         size.width(), size.height());
    p.fillRect(iconRect, Qt::white);
    overlayImages_[index].paint(&p, iconRect);
}

QPixmap CFileListCtrl::CreateDragImage(QPoint* topLeft) {
    const int first = GetTopIndex();
    const int last = std::min(rowCount(), first + GetCountPerPage() + 1);
    QRect bounds;
    std::vector<int> rows;
    for (int row = first; row < last; ++row) {
        if (!selectionModel()->isRowSelected(row, QModelIndex()))
            continue;
        QRect r = visualRect(model()->index(row, 0));
        for (int c = 1; c < columnCount(); ++c)
            r |= visualRect(model()->index(row, c));
        if (r.isEmpty())
            continue;
        bounds |= r;
        rows.push_back(row);
    }
    if (rows.empty())
        return {};
    QPixmap image(bounds.size());
    image.fill(QColor(0, 255, 0));
    {
        QPainter p(&image);
        for (int row : rows) {
            const QRect r = visualRect(model()->index(row, 0));
            const QSize size = iconSize();
            QPoint at = r.topLeft() - bounds.topLeft();
            const int icon = item(row, 0) ? item(row, 0)->data(kIconRole).toInt() : -1;
            theSystemImageList.Icon(icon).paint(
                &p, QRect(at + QPoint(2, (r.height() - size.height()) / 2), size));
            p.setPen(Qt::black);
            p.drawText(QRect(at + QPoint(size.width() + 6, 0),
                             QSize(r.width() - size.width() - 6, r.height())),
                       Qt::AlignVCenter | Qt::AlignLeft, QString::fromStdString(ItemText(row)));
        }
    }
    image.setMask(image.createMaskFromColor(QColor(0, 255, 0)));
    if (topLeft)
        *topLeft = bounds.topLeft();
    return image;
}

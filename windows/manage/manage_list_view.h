#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "collection/catalog_update_item.h"

class CatalogFrm;
class CatalogListCtrl;
class CatalogListHeaderCtrl;
class IndexerBoxObj;
class LocateDlg;
class QMimeData;

// The lower pane of the "Manage MyTambrel" window: the update table with its Play/Loop
// strip, the row operations and the drop target. The rows live in the box's vector.
class CatalogListView : public QWidget {
public:
    // Shown when the table may not change because an update runs.
    static constexpr const char* kBusyText =
        "Rows cannot be added or changed while MyTambrel is being updated.";

    CatalogListView(CatalogFrm& frame, IndexerBoxObj& box, QWidget* parent);
    ~CatalogListView() override;

    // From now on the view neither reads the box's rows nor calls it.
    void DetachBox();
    IndexerBoxObj* Box() const { return box_; }
    bool IsRunning() const;
    int RowCount() const;
    CatalogUpdateItem* Row(int row) const;

    // Rows from a record, a path or a ready row; false when nothing was added.
    bool AddUpdateItem(const SoundFileObj& record, bool focus, bool edited);
    bool AddFileRow(const std::string& path, bool focus);
    void AddRow(std::unique_ptr<CatalogUpdateItem> row, bool focus);
    // Raises the table's row count once before a batch of AddRow.
    void ReserveRows(int count);
    bool IsFileListed(const std::string& path, int count = -1) const;
    void AddCategoryRows(int soundClass, const std::string& category,
                         const std::string& subCategory);
    void AddScannedFolders(const std::vector<std::string>& folders);
    void DeleteSelectedRows();
    void ClearTable();
    void PlayRow(int row);
    void LoopRow(int row);
    // A drop of files (text/uri-list) or of the program's own sound drag; false when the
    // data is refused.
    bool DropData(const QMimeData& data);
    static bool AcceptsData(const QMimeData& data);

    CatalogListCtrl& Table() const { return *table_; }
    CatalogListHeaderCtrl& Strip() const { return *strip_; }
    bool HasStrip() const { return strip_ != nullptr; } // false while the view is being made
    CatalogFrm& Frame() const { return frame_; }
    // The box's edits-pending flag.
    void SetPending();
    // The status pane's text.
    void SetStatusText(const std::string& text);
    // Refuses a change of the rows while an update runs; true when refused.
    bool RefuseWhileRunning();

    // Runs the folder scan's dialog; returns its result code. Tests replace it.
    using LocateRunner = std::function<int(LocateDlg&)>;
    static LocateRunner SetLocateRunner(LocateRunner runner);

protected:
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void LayOut();
    void AfterRowsChanged();

    CatalogFrm& frame_;
    IndexerBoxObj* box_;
    CatalogListCtrl* table_ = nullptr;
    CatalogListHeaderCtrl* strip_ = nullptr;
};

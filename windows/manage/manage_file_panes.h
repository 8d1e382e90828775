#pragma once

#include "app/controls/file_list_ctrl.h"
#include "app/controls/file_tree_ctrl.h"
#include "collection/sound_file_list.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <string>
#include <vector>

class CatalogFrm;
class QFileSystemWatcher;
class QLabel;

// Carries the picture of what is dragged from a pane and tells where it would land; one
// per pane, alive while the left button is held after a drag began.
class PaneDrag {
public:
    explicit PaneDrag(CatalogFrm& frame) : frame_(frame) {}
    ~PaneDrag();
    void Begin(QWidget* source, const QPixmap& image, QPoint global);
    void Move(QPoint global);
    // Ends the drag; true when it ended over the update table's rows area.
    bool End(QPoint global);
    bool IsActive() const { return active_; }
    bool IsOverUpdateTable(QPoint global) const;

private:
    CatalogFrm& frame_;
    QWidget* source_ = nullptr;
    QPointer<QLabel> image_;
    bool active_ = false;
};

// The audio files of one folder with their format properties and catalog marks.
class CatalogFileListCtrl : public CFileListCtrl {
public:
    static constexpr const char* kPattern = "*.aif;*.aiff;*.au;*.snd;*.mp3;*.wav";

    CatalogFileListCtrl(CatalogFrm& frame, QWidget* parent);

    void Clear() override;
    int GetIconIndex(const std::string& path) override;
    // Folders are not listed: the tree shows them.
    void AddFolderItem(const std::string&, int) override {}
    void AddFileItem(const std::string& name, int icon) override;
    void ShowFolder(const std::string& path);
    // A column click: the same column again toggles the direction, another one ascends.
    void SortByColumn(int column);
    // Adds the file of a row to the update table (double click or Enter).
    void ActivateRow(int row);
    // Adds every selected file that is not listed yet to the update table.
    void DropSelectedFiles();
    void SelectAllItems();
    // The catalog changed for these paths: their rows' marks are read again.
    void RefreshMarks(const std::vector<std::string>& paths);

    std::string RowPath(int row) const;
    const SoundFileListObj& Records() const { return records_; }
    int SortColumn() const { return sortColumn_; }
    bool Descending() const { return descending_; }
    PaneDrag& Drag() { return drag_; }

protected:
    bool OnCellDblClick(int column, int row, bool shift, bool ctrl) override;
    void HeaderItemClick(int column) override;
    bool PreTranslateMessage(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    void FillRows();
    const QIcon& MarkIcon(int index) const { return index == 0 ? inMark_ : outMark_; }

    CatalogFrm& frame_;
    QIcon inMark_;
    QIcon outMark_;
    SoundFileListObj records_;
    int sortColumn_ = -1;
    bool descending_ = false;
    PaneDrag drag_;
    QPoint pressAt_;
    bool pressed_ = false;
};

// The folders of this computer, marking those in MyTambrel.
class CatalogFileTreeCtrl : public CFileTreeCtrl {
public:
    CatalogFileTreeCtrl(CatalogFrm& frame, QWidget* parent);

    int GetItemStateImage(const FileTreeItemRecord& record) override;
    void OnSelectionChanged(QTreeWidgetItem* item, const std::string& path) override;
    void SetFileList(CatalogFileListCtrl* list) { fileList_ = list; }
    // Scans a dragged folder into the update table.
    void DropFolder(const std::string& path);
    PaneDrag& Drag() { return drag_; }
    const std::string& DraggedPath() const { return draggedPath_; }
    // The folders shown open: their sub-folders follow the disk while they stay open.
    QStringList WatchedFolders() const;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    void Watch(QTreeWidgetItem* item, bool watch);
    // A watched folder changed on disk: its open item gains and loses sub-folders to match.
    void FollowFolder(const std::string& folder);

    CatalogFrm& frame_;
    QFileSystemWatcher* watcher_;
    CatalogFileListCtrl* fileList_ = nullptr;
    PaneDrag drag_;
    std::string draggedPath_;
    QPoint pressAt_;
    QTreeWidgetItem* pressed_ = nullptr;
};

// The upper right pane: the file list over its whole area.
class CatalogFileListView : public QWidget {
public:
    CatalogFileListView(CatalogFrm& frame, QWidget* parent);
    CatalogFileListCtrl& List() const { return *list_; }

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    CatalogFileListCtrl* list_;
};

// The upper left pane: the folder tree, opened on "CatalogPath".
class CatalogFileTreeView : public QWidget {
public:
    static constexpr const char* kPathKey = "CatalogPath";

    CatalogFileTreeView(CatalogFrm& frame, QWidget* parent);
    CatalogFileTreeCtrl& Tree() const { return *tree_; }
    // Selects the remembered folder, which the file list then shows.
    void SetFileList(CatalogFileListCtrl* list);
    // Stores the selected folder as "CatalogPath".
    void SaveFolder();
    // What SaveFolder stores for a selected path.
    static std::string FolderToRemember(const std::string& path);

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    CatalogFileTreeCtrl* tree_;
};

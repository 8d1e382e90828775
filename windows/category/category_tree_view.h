#pragma once
// The main window's left pane: the MyTambrel category tree. Its root counts the catalogued
// files; below it stand the three classes, their categories and sub-categories, each
// labelled "name (count)". Selecting an item shows its files in the main list; the context
// menu opens, searches, creates, renames and removes categories; dropping result rows files
// them under an item; dropping a category moves it with its files.

#include <QPersistentModelIndex>
#include <QTreeWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/tool_windows.h"

class CategoryTreeHost;
class QMenu;
class QMimeData;
class SoundDragBlock;
struct SoundDragRow;

class LocalFilesView final : public QTreeWidget, public CategoryTreeLink {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LocalFilesView)
public:
    // Context-menu commands; each action's objectName is its number.
    enum Command {
        kCreateCategory = 32851,
        kRemoveCategory = 32852,
        kRename = 32856,
        kOpen = 32857,
        kSearch = 32859,
        kCreateSubCategory = 32860,
        kRemoveSubCategory = 32861,
    };
    // The three menus: of a category, a sub-category and a class.
    enum Menu { kCategoryMenu = 300, kSubCategoryMenu = 301, kSuperCategoryMenu = 302 };
    // Tree levels.
    enum Level { kRootLevel = 1, kSuperLevel = 2, kCategoryLevel = 3, kSubCategoryLevel = 4 };
    // Item data: 1 marks an item made by a "Create" command; it stays at a count of 0.
    static constexpr int kDataRole = Qt::UserRole;
    // Busy-tip text shown while a category moves.
    static constexpr int kMoveTipString = 167;

    struct Path {
        int cls = 0; // 0 for the root
        std::string category;
        std::string subCategory;
        bool operator==(const Path&) const = default;
    };

    // Asks for the name of a new category (subCategory false) or sub-category; true on OK.
    using NameAsker = std::function<bool(QWidget* owner, bool subCategory, std::string& name)>;

    // The host must outlive the view.
    explicit LocalFilesView(CategoryTreeHost& host, QWidget* parent = nullptr);
    ~LocalFilesView() override;
    // Wide enough for every shown label with its count, so that a pane beside it cannot cut
    // "Drums/Percussion (12)" short.
    QSize minimumSizeHint() const override;
    // The view owns the host it was made with.
    static LocalFilesView* Create(std::unique_ptr<CategoryTreeHost> host, QWidget* parent);

    // CategoryTreeLink.
    void DeleteAllItems() override;
    Item InsertItem(Item parent, const std::string& text, int image) override;
    void UpdateCategoryCounts(int cls, const std::string& category,
                              const std::string& subCategory) override;
    void ClearSelectionIfAffected(int cls, const std::string& category,
                                  const std::string& subCategory) override;

    // A label without its " (count)": cut before the blank that precedes its last '('.
    static std::string LabelName(const QString& label);
    static int LevelOf(const QTreeWidgetItem* item);
    // The item's (class, category, sub-category), read back from the labels.
    static Path ItemPath(const QTreeWidgetItem* item);
    static int ItemData(const QTreeWidgetItem* item);
    QTreeWidgetItem* RootItem() const;
    QTreeWidgetItem* FindItem(int cls, const std::string& category,
                              const std::string& subCategory) const;
    QTreeWidgetItem* FindItem(const Path& path) const {
        return FindItem(path.cls, path.category, path.subCategory);
    }
    QTreeWidgetItem* SelectedItem() const;

    // Shows the context menu of the item (none for the root); the menu deletes itself.
    QMenu* ShowContextMenu(QTreeWidgetItem* item, const QPoint& globalPos);
    // Runs a context-menu command on the item.
    void RunCommand(int id, QTreeWidgetItem* item);

    void CreateNode(QTreeWidgetItem* parent, const std::string& name);
    void RenameNode(QTreeWidgetItem* item, const std::string& name);
    void RemoveNode(QTreeWidgetItem* item);

    // The drag payload of an item (kind 0).
    std::unique_ptr<QMimeData> CategoryDragData(const QTreeWidgetItem* item) const;
    void StartCategoryDrag(QTreeWidgetItem* item);
    static bool CanMoveCategory(const QTreeWidgetItem* source, const QTreeWidgetItem* target);
    bool IsDropAllowed(const SoundDragBlock& block, const QTreeWidgetItem* target) const;
    // Files the dragged rows under the item's class, category and sub-category.
    void FileRowsIntoCategory(const std::vector<SoundDragRow>& rows, QTreeWidgetItem* item);
    void MoveCategory(QTreeWidgetItem* source, QTreeWidgetItem* target);

    QTreeWidgetItem* DropHighlight() const;
    void SetDropHighlight(QTreeWidgetItem* item);
    // Selects the item without running the user's selection action.
    void SelectItem(QTreeWidgetItem* item);
    bool IsBusy() const { return busy_; }
    bool IsKeeping() const { return keep_; }

    // Replaces the "New Category" / "New Sub-category" dialogs (tests answer them).
    void SetNameAsker(NameAsker asker) { askName_ = std::move(asker); }
    // Replaces the drag loop that StartCategoryDrag runs (a real one needs a display).
    using DragRunner = std::function<void(std::unique_ptr<QMimeData> data)>;
    void SetDragRunner(DragRunner runner) { runDrag_ = std::move(runner); }
    // Runs the rename the label editor asked for (also reached from the item editor).
    void LabelEdited(const QPersistentModelIndex& index, const QString& text);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    class ItemDelegate;
    class UserInput;

    void OnSelectionChanged();
    void ClearSelectionByCode();
    QTreeWidgetItem* NewChild(QTreeWidgetItem* parent, const QString& label, int data,
                              bool sorted);
    static void SortChildren(QTreeWidgetItem* parent);
    static bool HasCreatedData(const QTreeWidgetItem* item);
    QTreeWidgetItem* ItemOf(const QPersistentModelIndex& index) const;
    QPersistentModelIndex IndexOf(QTreeWidgetItem* item) const;
    void Relabel(QTreeWidgetItem* item, int count);
    bool SiblingNamed(const QTreeWidgetItem* parent, const std::string& name,
                      const QTreeWidgetItem* except) const;
    // The ids of the catalogued files filed exactly under the path, one per file.
    std::vector<int> FilesOfPath(const Path& path);
    // The controller's shown selection follows a renamed or moved node.
    void FollowShown(const Path& oldPath, const Path& newPath);
    bool ForwardToResults(QEvent* event);
    // The Menu key and Shift+F10: the menu of the item shown selected, beside it.
    void ShowKeyboardMenu();
    bool AskName(bool subCategory, std::string& name);

    CategoryTreeHost& host_;
    std::unique_ptr<CategoryTreeHost> ownedHost_;
    ItemDelegate* delegate_ = nullptr;
    QPersistentModelIndex dropHighlight_;
    QPersistentModelIndex rightClickSelection_;
    QPersistentModelIndex menuItem_;
    QPersistentModelIndex pressedItem_;
    bool busy_ = false;
    bool keep_ = false;
    int userInput_ = 0;
    bool clearing_ = false;
    NameAsker askName_;
    DragRunner runDrag_;
};

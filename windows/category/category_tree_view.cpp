#include "windows/category/category_tree_view.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <set>

#include "app/app_util.h"
#include "app/ui_seams.h"
#include "app/wait_cursor.h"
#include "collection/catalog_db.h"
#include "collection/search_criteria.h"
#include "collection/sound_category_tree.h"
#include "collection/text_compare.h"
#include "collection/text_cut.h"
#include "windows/category/category_dialogs.h"
#include "windows/category/category_tree_host.h"
#include "windows/results/sound_drag.h"

namespace {

// Messages let through after each re-filed record.
constexpr int kPumpSteps = 10;

QString Label(const std::string& name, int count) {
    return QString::fromStdString(name) + QStringLiteral(" (%1)").arg(count);
}

std::string Printf1(const char* format, const std::string& text) {
    return QString::asprintf(format, text.c_str()).toStdString();
}

// Children sort by name, letters compared without case by an explicit byte compare (the
// locale's collation would reorder them from machine to machine).
class CategoryItem final : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override {
        return CompareNoCase(LocalFilesView::LabelName(text(0)),
                             LocalFilesView::LabelName(other.text(0))) < 0;
    }
};

// The root's icon: a stack of sound files.
QIcon RootIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 60, 90), 1));
    for (int i = 2; i >= 0; --i) {
        p.setBrush(QColor(200 - 30 * i, 220 - 20 * i, 255));
        p.drawRoundedRect(QRectF(1.5 + 2 * i, 5.5 - 2 * i, 10, 9), 1.5, 1.5);
    }
    p.drawLine(QPointF(4, 10), QPointF(5, 8));
    p.drawLine(QPointF(5, 8), QPointF(6.5, 12));
    p.drawLine(QPointF(6.5, 12), QPointF(8, 9));
    p.drawLine(QPointF(8, 9), QPointF(9, 10));
    return QIcon(pixmap);
}

// The class icons: drawn here, one colour per class.
QIcon ClassIcon(int image) {
    static const QColor kColors[] = {QColor(224, 112, 32), QColor(48, 96, 200),
                                     QColor(112, 128, 112)};
    if (image < 0 || image > 2)
        return {};
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kColors[image].darker(150), 1));
    p.setBrush(kColors[image]);
    if (image == 0) { // a burst
        QPainterPath path;
        for (int i = 0; i < 16; ++i) {
            const double r = (i % 2) ? 3.5 : 7.5;
            const double a = i * 3.14159265 / 8;
            const QPointF pt(8 + r * std::cos(a), 8 + r * std::sin(a));
            i ? path.lineTo(pt) : path.moveTo(pt);
        }
        path.closeSubpath();
        p.drawPath(path);
    } else if (image == 1) { // a note
        p.drawEllipse(QRectF(2.5, 10, 6, 4.5));
        p.drawRect(QRectF(7.5, 2, 1.5, 10));
        p.drawRect(QRectF(7.5, 2, 6, 2));
    } else { // a folder
        p.drawRect(QRectF(1.5, 4.5, 13, 9));
        p.drawRect(QRectF(1.5, 2.5, 5, 2));
    }
    return QIcon(pixmap);
}

} // namespace

// Marks a stretch of mouse or key handling: selection changes inside it are the user's.
class LocalFilesView::UserInput {
public:
    explicit UserInput(LocalFilesView& view) : view_(view) { ++view_.userInput_; }
    ~UserInput() { --view_.userInput_; }
    UserInput(const UserInput&) = delete;
    UserInput& operator=(const UserInput&) = delete;

private:
    LocalFilesView& view_;
};

// Paints the drop highlight apart from the selection, and edits a label without its count.
class LocalFilesView::ItemDelegate final : public QStyledItemDelegate {
public:
    explicit ItemDelegate(LocalFilesView& view) : QStyledItemDelegate(&view), view_(view) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem opt(option);
        const QPersistentModelIndex& highlight = view_.dropHighlight_;
        if (highlight.isValid()) {
            // One highlighted item at a time: the drop highlight stands in for the selection.
            if (highlight == index)
                opt.state |= QStyle::State_Selected | QStyle::State_Active;
            else
                opt.state &= ~QStyle::State_Selected;
        }
        QStyledItemDelegate::paint(painter, opt, index);
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        if (auto* line = qobject_cast<QLineEdit*>(editor)) {
            line->setText(QString::fromStdString(LabelName(index.data().toString())));
            line->selectAll();
            return;
        }
        QStyledItemDelegate::setEditorData(editor, index);
    }

    // The typed label is never stored as it stands: the rename relabels the tree itself.
    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override {
        if (auto* line = qobject_cast<QLineEdit*>(editor))
            view_.LabelEdited(QPersistentModelIndex(index), line->text());
    }

private:
    LocalFilesView& view_;
};

LocalFilesView::LocalFilesView(CategoryTreeHost& host, QWidget* parent)
    : QTreeWidget(parent), host_(host) {
    setObjectName("LocalFilesView");
    setColumnCount(1);
    setHeaderHidden(true);
    setRootIsDecorated(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    setDragEnabled(false); // the view starts its own drags
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);
    setSortingEnabled(false);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    delegate_ = new ItemDelegate(*this);
    setItemDelegate(delegate_);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &LocalFilesView::OnSelectionChanged);
    connect(this, &QTreeWidget::itemChanged, this, [this] {
        viewport()->update();
        updateGeometry(); // a label's count may have grown
    });
    connect(this, &QTreeWidget::itemExpanded, this, [this] { updateGeometry(); });
    connect(this, &QTreeWidget::itemCollapsed, this, [this] { updateGeometry(); });
}

QSize LocalFilesView::minimumSizeHint() const {
    const QSize base = QTreeWidget::minimumSizeHint();
    // The labels, indented as shown, their column sized to them; the frame and room for the
    // vertical scroll bar beside them.
    const int labels = sizeHintForColumn(0);
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    return {std::max(base.width(), labels + 2 * frameWidth() + scrollBar), base.height()};
}

LocalFilesView::~LocalFilesView() = default;

LocalFilesView* LocalFilesView::Create(std::unique_ptr<CategoryTreeHost> host, QWidget* parent) {
    auto* view = new LocalFilesView(*host, parent);
    view->ownedHost_ = std::move(host);
    return view;
}

// ---- labels, paths and look-ups ----

std::string LocalFilesView::LabelName(const QString& label) {
    const std::string text = label.toStdString();
    const std::size_t open = text.rfind('(');
    if (open == std::string::npos || open == 0 || text[open - 1] != ' ')
        return text;
    return text.substr(0, open - 1);
}

int LocalFilesView::LevelOf(const QTreeWidgetItem* item) {
    int level = 0;
    for (; item; item = item->parent())
        ++level;
    return level;
}

LocalFilesView::Path LocalFilesView::ItemPath(const QTreeWidgetItem* item) {
    Path path;
    std::vector<const QTreeWidgetItem*> chain;
    for (; item; item = item->parent())
        chain.insert(chain.begin(), item);
    if (chain.size() >= 2)
        path.cls = SoundCategoryTree::SuperCategoryIndex(LabelName(chain[1]->text(0)));
    if (chain.size() >= 3)
        path.category = LabelName(chain[2]->text(0));
    if (chain.size() >= 4)
        path.subCategory = LabelName(chain[3]->text(0));
    return path;
}

int LocalFilesView::ItemData(const QTreeWidgetItem* item) {
    return item ? item->data(0, kDataRole).toInt() : 0;
}

QTreeWidgetItem* LocalFilesView::RootItem() const {
    return topLevelItemCount() > 0 ? topLevelItem(0) : nullptr;
}

namespace {
// Names match ignoring case; an exact match wins, since the catalog tells "Animals" and
// "animals" apart and both can stand in the tree.
QTreeWidgetItem* ChildNamed(const QTreeWidgetItem* parent, const std::string& name) {
    if (!parent)
        return nullptr;
    QTreeWidgetItem* found = nullptr;
    for (int i = 0; i < parent->childCount(); ++i) {
        QTreeWidgetItem* child = parent->child(i);
        const std::string childName = LocalFilesView::LabelName(child->text(0));
        if (childName == name)
            return child;
        if (!found && EqualNoCase(childName, name))
            found = child;
    }
    return found;
}
} // namespace

QTreeWidgetItem* LocalFilesView::FindItem(int cls, const std::string& category,
                                          const std::string& subCategory) const {
    QTreeWidgetItem* item = ChildNamed(RootItem(), SoundCategoryTree::SuperCategoryName(cls));
    if (!item || category.empty())
        return item;
    item = ChildNamed(item, category);
    if (!item || subCategory.empty())
        return item;
    return ChildNamed(item, subCategory);
}

QTreeWidgetItem* LocalFilesView::SelectedItem() const {
    const QList<QTreeWidgetItem*> items = selectedItems();
    return items.isEmpty() ? nullptr : items.front();
}

QTreeWidgetItem* LocalFilesView::ItemOf(const QPersistentModelIndex& index) const {
    return index.isValid() ? itemFromIndex(index) : nullptr;
}

QPersistentModelIndex LocalFilesView::IndexOf(QTreeWidgetItem* item) const {
    return item ? QPersistentModelIndex(indexFromItem(item)) : QPersistentModelIndex();
}

bool LocalFilesView::HasCreatedData(const QTreeWidgetItem* item) {
    if (ItemData(item) == 1)
        return true;
    for (int i = 0; i < item->childCount(); ++i) {
        if (HasCreatedData(item->child(i)))
            return true;
    }
    return false;
}

bool LocalFilesView::SiblingNamed(const QTreeWidgetItem* parent, const std::string& name,
                                  const QTreeWidgetItem* except) const {
    for (int i = 0; parent && i < parent->childCount(); ++i) {
        const QTreeWidgetItem* child = parent->child(i);
        if (child != except && EqualNoCase(LabelName(child->text(0)), name))
            return true;
    }
    return false;
}

// ---- filling and counts ----

QTreeWidgetItem* LocalFilesView::NewChild(QTreeWidgetItem* parent, const QString& label, int data,
                                          bool sorted) {
    auto* item = new CategoryItem(QStringList{label});
    const int level = parent ? LevelOf(parent) + 1 : kRootLevel;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (level == kCategoryLevel || level == kSubCategoryLevel)
        flags |= Qt::ItemIsEditable;
    item->setFlags(flags);
    item->setData(0, kDataRole, data);
    if (level >= kSuperLevel) {
        const int cls = level == kSuperLevel
                            ? SoundCategoryTree::SuperCategoryIndex(LabelName(label))
                            : ItemPath(parent).cls;
        item->setIcon(0, ClassIcon(cls - 1));
    }
    if (!parent) {
        addTopLevelItem(item);
        return item;
    }
    int at = parent->childCount();
    if (sorted) {
        const std::string name = LabelName(label);
        for (int i = 0; i < parent->childCount(); ++i) {
            if (CompareNoCase(LabelName(parent->child(i)->text(0)), name) > 0) {
                at = i;
                break;
            }
        }
    }
    parent->insertChild(at, item);
    return item;
}

void LocalFilesView::SortChildren(QTreeWidgetItem* parent) {
    if (parent)
        parent->sortChildren(0, Qt::AscendingOrder);
}

void LocalFilesView::Relabel(QTreeWidgetItem* item, int count) {
    item->setText(0, Label(LabelName(item->text(0)), count));
}

void LocalFilesView::DeleteAllItems() {
    dropHighlight_ = QPersistentModelIndex();
    rightClickSelection_ = QPersistentModelIndex();
    menuItem_ = QPersistentModelIndex();
    pressedItem_ = QPersistentModelIndex();
    clear();
}

CategoryTreeLink::Item LocalFilesView::InsertItem(Item parent, const std::string& text,
                                                  int image) {
    // The taxonomy orders names byte-wise; the tree keeps its own order (letters without case)
    // from the start.
    auto* under = static_cast<QTreeWidgetItem*>(parent);
    QTreeWidgetItem* item =
        NewChild(under, QString::fromStdString(text), 0, under && LevelOf(under) >= kSuperLevel);
    item->setIcon(0, under ? ClassIcon(image) : RootIcon());
    // The three classes are always in view.
    if (under && LevelOf(under) == kRootLevel)
        under->setExpanded(true);
    return item;
}

void LocalFilesView::UpdateCategoryCounts(int cls, const std::string& category,
                                          const std::string& subCategory) {
    QTreeWidgetItem* root = RootItem();
    if (!root)
        return;
    int files = 0, sounds = 0;
    if (theCatalogDb && theCatalogDb->GetCounts(files, sounds))
        root->setText(0, Label("MyTambrel", files));
    QTreeWidgetItem* super = FindItem(cls, {}, {});
    if (!super)
        return;
    Relabel(super, theSoundCategoryTree.FileCount(cls, {}, {}));
    if (category.empty())
        return;

    const int categoryCount = theSoundCategoryTree.FileCount(cls, category, {});
    QTreeWidgetItem* categoryItem = FindItem(cls, category, {});
    if (!categoryItem && categoryCount > 0)
        categoryItem = NewChild(super, Label(category, categoryCount), 0, true);
    else if (categoryItem && (categoryCount >= 1 || HasCreatedData(categoryItem) || keep_)) {
        Relabel(categoryItem, categoryCount);
        SortChildren(super);
    }
    if (categoryItem && !subCategory.empty()) {
        const int subCount = theSoundCategoryTree.FileCount(cls, category, subCategory);
        QTreeWidgetItem* subItem = FindItem(cls, category, subCategory);
        if (!subItem && subCount > 0)
            subItem = NewChild(categoryItem, Label(subCategory, subCount), 0, true);
        else if (subItem && (subCount >= 1 || HasCreatedData(subItem) || keep_)) {
            Relabel(subItem, subCount);
            SortChildren(categoryItem);
        }
        if (subItem && subCount == 0 && !HasCreatedData(subItem) && !keep_)
            delete subItem;
    }
    if (categoryItem && categoryCount == 0 && !HasCreatedData(categoryItem) && !keep_)
        delete categoryItem;
}

void LocalFilesView::ClearSelectionIfAffected(int cls, const std::string& category,
                                              const std::string& subCategory) {
    if (busy_)
        return;
    QTreeWidgetItem* selected = SelectedItem();
    if (!selected)
        return;
    if (selected == RootItem() || selected == FindItem(cls, {}, {}) ||
        (!category.empty() && selected == FindItem(cls, category, {})) ||
        (!category.empty() && !subCategory.empty() &&
         selected == FindItem(cls, category, subCategory)))
        ClearSelectionByCode();
}

// ---- selection and highlight ----

QTreeWidgetItem* LocalFilesView::DropHighlight() const { return ItemOf(dropHighlight_); }

void LocalFilesView::SetDropHighlight(QTreeWidgetItem* item) {
    dropHighlight_ = IndexOf(item);
    viewport()->update();
}

void LocalFilesView::SelectItem(QTreeWidgetItem* item) {
    if (!item) {
        ClearSelectionByCode();
        return;
    }
    selectionModel()->setCurrentIndex(indexFromItem(item),
                                      QItemSelectionModel::ClearAndSelect);
}

void LocalFilesView::ClearSelectionByCode() {
    if (clearing_)
        return;
    clearing_ = true;
    clearSelection();
    clearing_ = false;
}

void LocalFilesView::OnSelectionChanged() {
    if (clearing_)
        return;
    const bool byUser = userInput_ > 0;
    // What the host does in answer is not the user's any more.
    const int savedInput = userInput_;
    userInput_ = 0;
    if (byUser) {
        if (QTreeWidgetItem* item = SelectedItem()) {
            SetDropHighlight(item);
            const Path path = ItemPath(item);
            host_.ShowCategory(path.cls, path.category, path.subCategory, true);
        }
    } else if (!busy_) {
        ClearSelectionByCode();
    }
    userInput_ = savedInput;
}

// ---- mouse, keys, menus ----

void LocalFilesView::mousePressEvent(QMouseEvent* event) {
    QTreeWidgetItem* item = itemAt(event->position().toPoint());
    if (event->button() == Qt::RightButton) {
        // The right button selects nothing; the context menu shows its item highlighted.
        rightClickSelection_ = IndexOf(SelectedItem());
        if (item)
            SetDropHighlight(item);
        event->accept();
        return;
    }
    {
        UserInput input(*this);
        QTreeWidget::mousePressEvent(event);
    }
    pressedItem_ = event->button() == Qt::LeftButton ? IndexOf(item) : QPersistentModelIndex();
}

void LocalFilesView::mouseMoveEvent(QMouseEvent* event) {
    if ((event->buttons() & Qt::LeftButton) && pressedItem_.isValid()) {
        // The drag starts once the mouse leaves the tree; moving inside it selects nothing.
        if (!viewport()->rect().contains(event->position().toPoint())) {
            QTreeWidgetItem* item = ItemOf(pressedItem_);
            pressedItem_ = QPersistentModelIndex();
            StartCategoryDrag(item);
        }
        return;
    }
    QTreeWidget::mouseMoveEvent(event);
}

void LocalFilesView::mouseReleaseEvent(QMouseEvent* event) {
    pressedItem_ = QPersistentModelIndex();
    UserInput input(*this);
    QTreeWidget::mouseReleaseEvent(event);
}

bool LocalFilesView::ForwardToResults(QEvent* event) {
    QWidget* target = host_.ResultsPresentation();
    if (!target)
        return false;
    QCoreApplication::sendEvent(target, event);
    return true;
}

void LocalFilesView::keyPressEvent(QKeyEvent* event) {
    const bool selectAll = event->key() == Qt::Key_A &&
                           (event->modifiers() & Qt::ControlModifier) &&
                           !(event->modifiers() & Qt::ShiftModifier);
    // These keys belong to the main list; with no list to take them the tree keeps them.
    if ((selectAll || event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown) &&
        ForwardToResults(event)) {
        event->accept();
        return;
    }
    const Qt::KeyboardModifiers mods =
        event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier);
    if ((event->key() == Qt::Key_Menu && mods == Qt::NoModifier) ||
        (event->key() == Qt::Key_F10 && mods == Qt::ShiftModifier)) {
        ShowKeyboardMenu();
        event->accept();
        return;
    }
    UserInput input(*this);
    QTreeWidget::keyPressEvent(event);
}

void LocalFilesView::ShowKeyboardMenu() {
    // The item painted as selected: the selection, else the highlight standing in for a
    // selection the catalog cleared, else the item the keys stand on.
    QTreeWidgetItem* item = SelectedItem();
    if (!item)
        item = DropHighlight();
    if (!item)
        item = currentItem();
    if (!item)
        return;
    // While the menu is open its item is highlighted; then the highlight goes back.
    rightClickSelection_ = dropHighlight_;
    SetDropHighlight(item);
    scrollToItem(item);
    // Beside the item: at the lower left of its label.
    const QRect rect = visualItemRect(item);
    const QPoint at(rect.left() + std::min(rect.width(), 2 * rect.height()), rect.bottom());
    ShowContextMenu(item, viewport()->mapToGlobal(at));
}

void LocalFilesView::wheelEvent(QWheelEvent* event) {
    QWidget* target = host_.ResultsPresentation();
    if (!target) {
        event->ignore();
        return;
    }
    // A scroll area (the table, the cards) scrolls by the wheel events of its viewport only.
    if (auto* area = qobject_cast<QAbstractScrollArea*>(target))
        target = area->viewport();
    const QPointF global = event->globalPosition();
    QWheelEvent moved(target->mapFromGlobal(global), global, event->pixelDelta(),
                      event->angleDelta(), event->buttons(), event->modifiers(), event->phase(),
                      event->inverted(), event->source());
    QCoreApplication::sendEvent(target, &moved);
    event->accept();
}

namespace {
struct MenuEntry {
    int menu;
    int id; // 0: a separator
    const char* text;
};
constexpr MenuEntry kMenus[] = {
    {LocalFilesView::kCategoryMenu, LocalFilesView::kOpen, "Open"},
    {LocalFilesView::kCategoryMenu, LocalFilesView::kSearch, "Search..."},
    {LocalFilesView::kCategoryMenu, 0, nullptr},
    {LocalFilesView::kCategoryMenu, LocalFilesView::kCreateSubCategory, "Create sub-category"},
    {LocalFilesView::kCategoryMenu, LocalFilesView::kRename, "Rename category"},
    {LocalFilesView::kCategoryMenu, LocalFilesView::kRemoveCategory, "Remove category"},
    {LocalFilesView::kSubCategoryMenu, LocalFilesView::kOpen, "Open"},
    {LocalFilesView::kSubCategoryMenu, LocalFilesView::kSearch, "Search..."},
    {LocalFilesView::kSubCategoryMenu, 0, nullptr},
    {LocalFilesView::kSubCategoryMenu, LocalFilesView::kRename, "Rename sub-category"},
    {LocalFilesView::kSubCategoryMenu, LocalFilesView::kRemoveSubCategory, "Remove sub-category"},
    {LocalFilesView::kSuperCategoryMenu, LocalFilesView::kOpen, "Open"},
    {LocalFilesView::kSuperCategoryMenu, LocalFilesView::kCreateCategory, "Create category"},
};
} // namespace

QMenu* LocalFilesView::ShowContextMenu(QTreeWidgetItem* item, const QPoint& globalPos) {
    const QPersistentModelIndex remembered = rightClickSelection_;
    auto restore = [this, remembered] { SetDropHighlight(ItemOf(remembered)); };
    int menuId = 0;
    switch (LevelOf(item)) {
    case kSuperLevel: menuId = kSuperCategoryMenu; break;
    case kCategoryLevel: menuId = kCategoryMenu; break;
    case kSubCategoryLevel: menuId = kSubCategoryMenu; break;
    default: restore(); return nullptr;
    }
    menuItem_ = IndexOf(item);
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setObjectName(QString::number(menuId));
    for (const MenuEntry& entry : kMenus) {
        if (entry.menu != menuId)
            continue;
        if (entry.id == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(QString::fromUtf8(entry.text));
        action->setObjectName(QString::number(entry.id));
        const int id = entry.id;
        connect(action, &QAction::triggered, this, [this, id] { RunCommand(id, ItemOf(menuItem_)); });
    }
    connect(menu, &QMenu::aboutToHide, this, restore);
    menu->popup(globalPos);
    return menu;
}

void LocalFilesView::contextMenuEvent(QContextMenuEvent* event) {
    // The window system sends the Menu key along with a menu request at the text cursor, which
    // a tree has not: the key itself opens the menu (ShowKeyboardMenu), as Shift+F10 does.
    if (event->reason() != QContextMenuEvent::Mouse) {
        event->accept();
        return;
    }
    QTreeWidgetItem* item = itemAt(event->pos());
    if (!item) {
        SetDropHighlight(ItemOf(rightClickSelection_));
        return;
    }
    ShowContextMenu(item, event->globalPos());
    event->accept();
}

bool LocalFilesView::AskName(bool subCategory, std::string& name) {
    if (askName_)
        return askName_(this, subCategory, name);
    std::unique_ptr<CategoryNameDlg> dialog;
    if (subCategory)
        dialog = std::make_unique<NewSubCategoryDlg>(this);
    else
        dialog = std::make_unique<NewCategoryDlg>(this);
    if (dialog->exec() != QDialog::Accepted)
        return false;
    name = dialog->Name();
    return true;
}

void LocalFilesView::RunCommand(int id, QTreeWidgetItem* item) {
    if (!item)
        return;
    const Path path = ItemPath(item);
    switch (id) {
    case kOpen: {
        const QPersistentModelIndex index = IndexOf(item);
        busy_ = true;
        host_.ShowCategory(path.cls, path.category, path.subCategory, true);
        if (QTreeWidgetItem* still = ItemOf(index)) {
            SelectItem(still);
            SetDropHighlight(still);
        }
        busy_ = false;
        break;
    }
    case kSearch:
        host_.OpenTextSearch(path.subCategory.empty() ? path.category : path.subCategory);
        break;
    case kCreateCategory:
    case kCreateSubCategory: {
        const QPersistentModelIndex index = IndexOf(item);
        std::string name;
        if (AskName(id == kCreateSubCategory, name)) {
            if (QTreeWidgetItem* parent = ItemOf(index))
                CreateNode(parent, name);
        }
        break;
    }
    case kRename:
        // A second click on the selected label may have started its editor already, as a slow
        // double click does, or be about to (the view waits to tell it from a double click):
        // that editor is then the one, and the view's own edit entry declines quietly. An
        // editor open on another label is closed by making this one current.
        setCurrentItem(item);
        edit(indexFromItem(item, 0), QAbstractItemView::AllEditTriggers, nullptr);
        break;
    case kRemoveCategory:
    case kRemoveSubCategory:
        RemoveNode(item);
        break;
    default:
        break;
    }
}

// ---- create, rename, remove ----

void LocalFilesView::CreateNode(QTreeWidgetItem* parent, const std::string& name) {
    Path path = ItemPath(parent);
    const int level = LevelOf(parent);
    if (level == kCategoryLevel)
        path.subCategory = name;
    else if (level == kSuperLevel)
        path.category = name;
    else
        return;
    // An empty name finds the parent itself, so it is reported the same way.
    if (FindItem(path)) {
        ShowMessageBox(this, Printf1("'%s' already exists", name));
        return;
    }
    NewChild(parent, Label(name, 0), 1, true);
    parent->setExpanded(true);
}

std::vector<int> LocalFilesView::FilesOfPath(const Path& path) {
    std::vector<int> ids;
    if (!theCatalogDb || path.category.empty())
        return ids;
    const SearchCriteria criteria =
        SearchCriteria::ForCategory(path.cls, path.category, path.subCategory);
    int hits = 0;
    std::unique_ptr<DB_query_result> result = theCatalogDb->RunQuery(criteria, hits);
    if (!result)
        return ids;
    std::set<int> seen;
    for (int i = 0; i < hits; ++i) {
        SoundFileObj record;
        if (!theCatalogDb->FetchFile(*result, i, record))
            continue;
        // The words search finds more than the exact names; only exact ones are this node's.
        if (record.soundClass != path.cls || record.category != path.category ||
            (!path.subCategory.empty() && record.subcategory != path.subCategory))
            continue;
        if (seen.insert(record.fileId).second)
            ids.push_back(record.fileId);
    }
    return ids;
}

void LocalFilesView::FollowShown(const Path& oldPath, const Path& newPath) {
    int cls = -1;
    std::string category, subCategory;
    host_.ShownCategory(cls, category, subCategory);
    if (cls != oldPath.cls || category != oldPath.category ||
        (!oldPath.subCategory.empty() && subCategory != oldPath.subCategory))
        return;
    Path shown = newPath;
    // A whole category that stays a category keeps the shown sub-category.
    if (oldPath.subCategory.empty() && newPath.subCategory.empty())
        shown.subCategory = subCategory;
    host_.SetShownCategory(shown.cls, shown.category, shown.subCategory);
    QTreeWidgetItem* item = FindItem(shown);
    if (!item && !shown.subCategory.empty())
        item = FindItem(shown.cls, shown.category, {});
    if (item) {
        SelectItem(item);
        SetDropHighlight(item);
    }
}

void LocalFilesView::LabelEdited(const QPersistentModelIndex& index, const QString& text) {
    const std::string name = CutText(text.trimmed().toStdString(), 249);
    if (name.empty())
        return;
    // The rename relabels and re-files under the editor's feet: run it once editing is over.
    QMetaObject::invokeMethod(
        this,
        [this, index, name] {
            if (QTreeWidgetItem* item = ItemOf(index))
                RenameNode(item, name);
        },
        Qt::QueuedConnection);
}

void LocalFilesView::RenameNode(QTreeWidgetItem* item, const std::string& name) {
    const int level = LevelOf(item);
    if (name.empty() || (level != kCategoryLevel && level != kSubCategoryLevel))
        return;
    WaitCursor wait;
    const Path oldPath = ItemPath(item);
    const std::string& oldName =
        level == kSubCategoryLevel ? oldPath.subCategory : oldPath.category;
    if (name == oldName)
        return;
    // Two siblings of one name could not be told apart by their paths.
    if (SiblingNamed(item->parent(), name, item)) {
        ShowMessageBox(this, Printf1("'%s' already exists", name));
        return;
    }
    Path newPath = oldPath;
    (level == kSubCategoryLevel ? newPath.subCategory : newPath.category) = name;

    if (theSoundCategoryTree.FileCount(oldPath.cls, oldPath.category, oldPath.subCategory) < 1) {
        item->setText(0, Label(name, 0));
        SortChildren(item->parent());
        FollowShown(oldPath, newPath);
        return;
    }
    busy_ = true;
    for (int id : FilesOfPath(oldPath)) {
        SoundFileObj record;
        if (!theCatalogDb->GetFileById(id, record)) {
            if (theCatalogDb->Unreachable())
                break; // the server went away: the rest stays as it was
            continue;
        }
        if (level == kSubCategoryLevel)
            record.subcategory = name;
        else
            record.category = name;
        if (!host_.UpdateCatalogFile(record) && theCatalogDb->Unreachable())
            break;
    }
    // Once all files have moved, the old node's item goes (also a created one) and the new
    // one's stands, also when the names differ only in letter case (the tree finds both by one
    // item). Created, still empty sub-categories go along.
    QList<QTreeWidgetItem*> adopted;
    if (QTreeWidgetItem* stale = FindItem(oldPath);
        stale && LabelName(stale->text(0)) == oldName &&
        theSoundCategoryTree.FileCount(oldPath.cls, oldPath.category, oldPath.subCategory) == 0) {
        adopted = stale->takeChildren();
        delete stale;
    }
    UpdateCategoryCounts(newPath.cls, newPath.category, newPath.subCategory);
    QTreeWidgetItem* renamed = FindItem(newPath);
    for (QTreeWidgetItem* child : adopted) {
        if (renamed && !ChildNamed(renamed, LabelName(child->text(0))))
            renamed->addChild(child);
        else
            delete child;
    }
    SortChildren(renamed);
    // The list goes over to the new name only when the catalog took the rename: files it kept
    // under the old name (a write refused, a server gone) keep the old node and the list on it.
    if (theSoundCategoryTree.FileCount(oldPath.cls, oldPath.category, oldPath.subCategory) == 0)
        FollowShown(oldPath, newPath);
    host_.ApplyCatalogChanges();
    busy_ = false;
}

void LocalFilesView::RemoveNode(QTreeWidgetItem* item) {
    const int level = LevelOf(item);
    if (level != kCategoryLevel && level != kSubCategoryLevel)
        return;
    const Path path = ItemPath(item);
    const int count = theSoundCategoryTree.FileCount(path.cls, path.category, path.subCategory);
    if (count < 1) {
        delete item;
        return;
    }
    const bool sub = level == kSubCategoryLevel;
    const std::string question =
        sub ? QString::asprintf("Sub-category %s contains %d files.\n", path.subCategory.c_str(),
                                count)
                      .toStdString() +
                  "Is it OK to remove it?"
            : QString::asprintf("Category %s contains %d files.\n", path.category.c_str(), count)
                      .toStdString() +
                  "Remove it along with its sub-categories?";
    // Enter must not strip the files of their category: No is the default.
    if (ShowMessageBox(this, question, {}, MessageButtons::YesNo, MessageIcon::Exclamation,
                       MessageAnswer::No) != MessageAnswer::Yes)
        return;
    WaitCursor wait;
    for (int id : FilesOfPath(path)) {
        SoundFileObj record;
        if (!theCatalogDb->GetFileById(id, record)) {
            if (theCatalogDb->Unreachable())
                break; // the server went away: the rest stays as it was
            continue;
        }
        record.subcategory.clear();
        if (!sub)
            record.category.clear();
        if (!host_.UpdateCatalogFile(record) && theCatalogDb->Unreachable())
            break;
    }
    // A created item (or one holding created items) outlives its count: the user asked for
    // it to go.
    if (QTreeWidgetItem* still = FindItem(path);
        still && theSoundCategoryTree.FileCount(path.cls, path.category, path.subCategory) < 1)
        delete still;
    host_.ApplyCatalogChanges();
}

// ---- dragging and dropping ----

std::unique_ptr<QMimeData> LocalFilesView::CategoryDragData(const QTreeWidgetItem* item) const {
    const Path path = ItemPath(item);
    return SoundDragBlock::Category(path.cls, path.category, path.subCategory).ToMimeData();
}

void LocalFilesView::StartCategoryDrag(QTreeWidgetItem* item) {
    if (!item)
        return;
    if (runDrag_) {
        runDrag_(CategoryDragData(item));
        return;
    }
    auto* drag = new QDrag(this);
    drag->setMimeData(CategoryDragData(item).release());
    drag->setPixmap(item->icon(0).pixmap(16, 16));
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
}

bool LocalFilesView::CanMoveCategory(const QTreeWidgetItem* source,
                                     const QTreeWidgetItem* target) {
    if (!source || !target || source == target)
        return false;
    const int from = LevelOf(source);
    const int to = LevelOf(target);
    if (source->parent() == target)
        return false;
    if (from == kSubCategoryLevel)
        return to == kCategoryLevel || to == kSuperLevel;
    if (from == kCategoryLevel)
        return to == kSuperLevel || (to == kCategoryLevel && source->childCount() == 0);
    return false;
}

bool LocalFilesView::IsDropAllowed(const SoundDragBlock& block,
                                   const QTreeWidgetItem* target) const {
    if (!target)
        return false;
    if (block.kind == SoundDragBlock::kRows)
        // Rows dropped on the root would lose their class.
        return target != RootItem() && !block.rows.empty();
    if (block.kind == SoundDragBlock::kCategory) {
        const QTreeWidgetItem* source =
            FindItem(block.superCategory, block.category, block.subcategory);
        // The look-up also takes a name in other letter case, which is another node.
        return source && ItemPath(source) == Path{block.superCategory, block.category,
                                                  block.subcategory} &&
               CanMoveCategory(source, target);
    }
    return false;
}

void LocalFilesView::dragEnterEvent(QDragEnterEvent* event) {
    if (!SoundDragBlock::Offers(event->mimeData())) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void LocalFilesView::dragMoveEvent(QDragMoveEvent* event) {
    const std::optional<SoundDragBlock> block = SoundDragBlock::FromMimeData(event->mimeData());
    QTreeWidgetItem* item = itemAt(event->position().toPoint());
    if (!block || !item) {
        SetDropHighlight(nullptr);
        event->ignore();
        return;
    }
    SetDropHighlight(IsDropAllowed(*block, item) ? item : nullptr);
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void LocalFilesView::dragLeaveEvent(QDragLeaveEvent* event) {
    SetDropHighlight(nullptr);
    event->accept();
}

void LocalFilesView::dropEvent(QDropEvent* event) {
    SetDropHighlight(nullptr);
    const std::optional<SoundDragBlock> block = SoundDragBlock::FromMimeData(event->mimeData());
    if (!block) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    host_.ActivateMainFrame();
    QTreeWidgetItem* item = itemAt(event->position().toPoint());
    if (!item || !IsDropAllowed(*block, item))
        return;
    WaitCursor wait;
    if (block->kind == SoundDragBlock::kRows)
        FileRowsIntoCategory(block->rows, item);
    else
        MoveCategory(FindItem(block->superCategory, block->category, block->subcategory), item);
}

void LocalFilesView::FileRowsIntoCategory(const std::vector<SoundDragRow>& rows,
                                          QTreeWidgetItem* item) {
    if (!item || item == RootItem() || !theCatalogDb)
        return;
    const Path path = ItemPath(item);
    busy_ = keep_ = true;
    std::set<std::string> done;
    std::vector<Path> left;
    for (const SoundDragRow& row : rows) {
        // A file listed at several pitches is one record: file it once.
        if (!done.insert(row.path).second)
            continue;
        SoundFileObj record;
        if (!theCatalogDb->GetFileByPath(row.path, record)) {
            if (theCatalogDb->Unreachable())
                break; // the server went away: the rest stays as it was
            continue;
        }
        const Path from{record.soundClass, record.category, record.subcategory};
        if (from == path)
            continue;
        if (std::find(left.begin(), left.end(), from) == left.end())
            left.push_back(from);
        record.soundClass = path.cls;
        record.category = path.category;
        record.subcategory = path.subCategory;
        if (!host_.UpdateCatalogFile(record) && theCatalogDb->Unreachable())
            break;
    }
    busy_ = keep_ = false;
    // The kept items that the rows left empty go now.
    for (const Path& from : left)
        UpdateCategoryCounts(from.cls, from.category, from.subCategory);
    host_.ApplyCatalogChanges();
}

void LocalFilesView::MoveCategory(QTreeWidgetItem* source, QTreeWidgetItem* target) {
    if (!CanMoveCategory(source, target))
        return;
    WaitCursor wait;
    host_.ShowBusyTip(kMoveTipString, false);
    busy_ = true;
    const int fromLevel = LevelOf(source);
    const int toLevel = LevelOf(target);
    const Path oldPath = ItemPath(source);
    const Path targetPath = ItemPath(target);
    const std::string sourceName = LabelName(source->text(0));
    const QPersistentModelIndex oldParent = IndexOf(source->parent());
    const QVariant oldParentData = source->parent()->data(0, kDataRole);
    source->parent()->setData(0, kDataRole, 1);
    const int sourceData = ItemData(source);

    Path newPath{targetPath.cls, {}, {}};
    const bool categoryToClass = fromLevel == kCategoryLevel && toLevel == kSuperLevel;
    if (toLevel == kCategoryLevel) {
        newPath.category = targetPath.category;
        newPath.subCategory = sourceName;
    } else {
        newPath.category = sourceName;
    }
    struct EmptyChild {
        QString label;
        int data;
    };
    std::vector<EmptyChild> emptyChildren;
    if (categoryToClass) {
        for (int i = 0; i < source->childCount(); ++i) {
            const QTreeWidgetItem* child = source->child(i);
            if (theSoundCategoryTree.FileCount(oldPath.cls, oldPath.category,
                                               LabelName(child->text(0))) == 0)
                emptyChildren.push_back({child->text(0), ItemData(child)});
        }
    }

    if (theSoundCategoryTree.FileCount(oldPath.cls, oldPath.category, oldPath.subCategory) > 0) {
        const std::vector<int> ids = FilesOfPath(oldPath);
        const int total = static_cast<int>(ids.size());
        int hit = 0;
        for (int id : ids) {
            ++hit;
            SoundFileObj record;
            if (!theCatalogDb->GetFileById(id, record)) {
                if (theCatalogDb->Unreachable())
                    break; // the server went away: the rest stays as it was
                continue;
            }
            record.soundClass = newPath.cls;
            record.category = newPath.category;
            if (!categoryToClass)
                record.subcategory = newPath.subCategory;
            if (!host_.UpdateCatalogFile(record) && theCatalogDb->Unreachable())
                break;
            host_.SetStatusText(
                QString::asprintf("Updating file %d of %d", hit, total).toStdString());
            for (int step = 0; step < kPumpSteps; ++step)
                AppUtil::PumpMessages(host_.PumpWindow());
        }
        host_.SetStatusText({});
        // A created item emptied by the move has moved with its files.
        if (QTreeWidgetItem* stale = FindItem(oldPath); stale && ItemPath(stale) == oldPath &&
            theSoundCategoryTree.FileCount(oldPath.cls, oldPath.category,
                                           oldPath.subCategory) == 0)
            delete stale;
        if (QTreeWidgetItem* moved = FindItem(newPath); moved && sourceData == 1)
            moved->setData(0, kDataRole, 1);
    } else {
        QTreeWidgetItem* into = FindItem(targetPath);
        if (into && !FindItem(newPath))
            NewChild(into, Label(LabelName(source->text(0)), 0), sourceData, true);
        if (QTreeWidgetItem* stale = FindItem(oldPath); stale && ItemPath(stale) == oldPath)
            delete stale;
    }
    if (categoryToClass) {
        if (QTreeWidgetItem* moved = FindItem(newPath)) {
            for (const EmptyChild& child : emptyChildren) {
                if (!ChildNamed(moved, LabelName(child.label)))
                    NewChild(moved, child.label, child.data, true);
            }
        }
    }
    if (QTreeWidgetItem* into = FindItem(targetPath))
        into->setExpanded(true);
    // As with a rename: files the catalog kept where they were keep the list there.
    if (theSoundCategoryTree.FileCount(oldPath.cls, oldPath.category, oldPath.subCategory) == 0)
        FollowShown(oldPath, newPath);

    host_.ShowBusyTip(0, false);
    host_.ApplyCatalogChanges();
    busy_ = false;
    if (QTreeWidgetItem* parent = ItemOf(oldParent))
        parent->setData(0, kDataRole, oldParentData);
    host_.ShowBusyTip(0, true);
}

#include "windows/manage/manage_list_ctrl.h"

#include "app/app_util.h"
#include "windows/manage/indexer_box.h"
#include "app/settings.h"
#include "collection/catalog_update_item.h"
#include "collection/sound_category_tree.h"
#include "windows/manage/manage_window.h"
#include "windows/manage/manage_list_view.h"
#include "windows/manage/manage_host.h"
#include "windows/manage/manage_pictures.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>

namespace {

constexpr int kColumns = CatalogUpdateItem::kColumnCount;
constexpr int kRowHeight = 22;
constexpr int kImageSize = 20;

// The edit kinds of the in-place editor.
constexpr int kNone = 0;
constexpr int kText = CTableCtrl::kEditBoxCell;
constexpr int kTextList = CTableCtrl::kEditComboCell;
constexpr int kList = CTableCtrl::kDropListCell;

struct ColumnDef {
    const char* title;
    int width;
    Qt::Alignment align;
    int editKind;
};

const ColumnDef kColumnTable[kColumns] = {
    {"File Name", 200, Qt::AlignLeft, kNone},     {"Status", 110, Qt::AlignLeft, kNone},
    {"Action", 85, Qt::AlignLeft, kList},         {"Pitch", 100, Qt::AlignLeft, kList},
    {"Description", 150, Qt::AlignLeft, kText},   {"Class", 100, Qt::AlignLeft, kList},
    {"Category", 100, Qt::AlignLeft, kTextList},  {"Sub-Category", 100, Qt::AlignLeft, kTextList},
    {"Genre", 100, Qt::AlignLeft, kTextList},     {"Key", 100, Qt::AlignHCenter, kList},
    {"Tempo", 100, Qt::AlignRight, kText},        {"Loop", 50, Qt::AlignHCenter, kList},
    {"Source", 150, Qt::AlignLeft, kText},        {"Copyright", 150, Qt::AlignLeft, kText},
    {"Notes", 150, Qt::AlignLeft, kText},         {"Link", 150, Qt::AlignLeft, kText},
};

// The columns whose text can be pasted and copied.
bool IsClipboardColumn(int column) {
    using C = CatalogUpdateItem;
    switch (column) {
    case C::kDescription:
    case C::kCategory:
    case C::kSubCategory:
    case C::kGenre:
    case C::kTempo:
    case C::kSource:
    case C::kCopyright:
    case C::kNotes:
    case C::kLink:
        return true;
    default:
        return false;
    }
}

std::string Trim(const std::string& text) {
    const char* const blanks = " \t\r\n\f\v";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

} // namespace

const int CatalogListCtrl::kDefaultWidths[16] = {200, 110, 85,  100, 150, 100, 100, 100,
                                                 100, 100, 100, 50,  150, 150, 150, 150};

CatalogListCtrl::CatalogListCtrl(CatalogListView& view, QWidget* parent)
    : SelectableTableCtrl(parent), view_(view) {
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    verticalHeader()->setMinimumSectionSize(kRowHeight);
    setFrameShape(QFrame::Box);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    for (int i = 0; i < 4; ++i)
        statusImages_[i] = ManagePictures::StatusImage(i);
}

CatalogUpdateItem* CatalogListCtrl::Row(int row) const {
    return view_.Row(row);
}

bool CatalogListCtrl::Running() const {
    return view_.IsRunning();
}

int CatalogListCtrl::ColumnEditKind(int column) {
    return column >= 0 && column < kColumns ? kColumnTable[column].editKind : kNone;
}

void CatalogListCtrl::InsertColumns() {
    setColumnCount(kColumns);
    int order[kColumns];
    int widths[kColumns];
    for (int c = 0; c < kColumns; ++c) {
        order[c] = c;
        widths[c] = kDefaultWidths[c];
        auto* head = new QTableWidgetItem(QString::fromUtf8(kColumnTable[c].title));
        head->setTextAlignment(kColumnTable[c].align | Qt::AlignVCenter);
        setHorizontalHeaderItem(c, head);
    }
    AppUtil::ParseIntList(GetProfileString(kWidthKey, {}), widths, kColumns);
    AppUtil::ParseIntList(GetProfileString(kOrderKey, {}), order, kColumns);
    for (int c = 0; c < kColumns; ++c)
        setColumnWidth(c, std::max(0, widths[c]));
    // An order that is not a permutation of the columns would lose some: keep the natural one.
    bool seen[kColumns] = {};
    bool valid = true;
    for (int v : order) {
        if (v < 0 || v >= kColumns || seen[v])
            valid = false;
        else
            seen[v] = true;
    }
    if (valid)
        for (int visual = 0; visual < kColumns; ++visual)
            Header().moveSection(Header().visualIndex(order[visual]), visual);
    Header().setSectionsMovable(true);
}

void CatalogListCtrl::SaveLayout() {
    if (columnCount() != kColumns)
        return;
    int order[kColumns];
    int widths[kColumns];
    for (int i = 0; i < kColumns; ++i) {
        order[i] = Header().logicalIndex(i);
        widths[i] = columnWidth(i);
    }
    WriteProfileString(kOrderKey, AppUtil::FormatIntList(order, kColumns));
    WriteProfileString(kWidthKey, AppUtil::FormatIntList(widths, kColumns));
}

bool CatalogListCtrl::DrawCell(QPainter& p, int row, int column, unsigned state,
                               std::uintptr_t data) {
    const CatalogUpdateItem* item = Row(row);
    QRect r = visualRect(model()->index(row, column));
    const ColorRef back = GetCellBkColor(row, column, state, data);
    p.fillRect(r, back == kClrDefault ? palette().color(QPalette::Base) : ToQColor(back));
    // Grid lines.
    p.setPen(QColor(0xd0, 0xd0, 0xd0));
    p.drawLine(r.right(), r.top(), r.right(), r.bottom());
    p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    if (item == nullptr)
        return true;
    r.adjust(2, 0, -3, -1);
    if (column == CatalogUpdateItem::kFileName) {
        const QPixmap& image = statusImages_[std::clamp(item->GetStatusImage(), 0, 3)];
        p.drawPixmap(r.left(), r.top() + (r.height() - kImageSize) / 2, image);
        r.setLeft(r.left() + kImageSize + 3);
    }
    const QString text = QString::fromStdString(item->GetColumnText(column));
    p.setPen(palette().color(QPalette::Text));
    // A long path keeps its file name in view.
    const Qt::TextElideMode elide =
        column == CatalogUpdateItem::kFileName ? Qt::ElideMiddle : Qt::ElideRight;
    p.drawText(r, int(kColumnTable[column].align | Qt::AlignVCenter),
               fontMetrics().elidedText(text, elide, r.width()));
    return true;
}

std::string CatalogListCtrl::GetCellTooltip(int column, int row) {
    const CatalogUpdateItem* item = Row(row);
    if (item == nullptr)
        return {};
    const std::string text = item->GetColumnText(column);
    const QString shown = QString::fromStdString(text);
    return fontMetrics().horizontalAdvance(shown) > columnWidth(column) - 8 ? text
                                                                            : std::string();
}

bool CatalogListCtrl::OnCellDblClick(int column, int row, bool, bool) {
    if (Running())
        return true;
    const CatalogUpdateItem* item = Row(row);
    if (column == CatalogUpdateItem::kFileName && item != nullptr) {
        if (ManageHost* host = CurrentManageHost())
            host->OpenFile(item->record.path);
        return true;
    }
    return false;
}

// While an update runs the rows may not change: clicks select nothing and start no edit.
bool CatalogListCtrl::OnCellLButtonDown(int column, int row, bool shift, bool ctrl) {
    if (Running())
        return true;
    return SelectableTableCtrl::OnCellLButtonDown(column, row, shift, ctrl);
}

bool CatalogListCtrl::OnCellLButtonUp(int column, int row, bool shift, bool ctrl) {
    if (Running())
        return true;
    return SelectableTableCtrl::OnCellLButtonUp(column, row, shift, ctrl);
}

bool CatalogListCtrl::OnCellMouseMove(int column, int row, int edge) {
    const bool handled = SelectableTableCtrl::OnCellMouseMove(column, row, edge);
    if (IsDragging())
        AlignStrip();
    return handled;
}

void CatalogListCtrl::HeaderItemClick(int column) {
    if (Running())
        return;
    SelectableTableCtrl::HeaderItemClick(column);
}

bool CatalogListCtrl::CommitCellText(int column, int row, std::string& text, int columnDirection,
                                     int rowDirection) {
    CatalogUpdateItem* item = Row(row);
    if (item == nullptr || view_.RefuseWhileRunning())
        return false;
    const std::string value = Trim(text);
    // A drop-down cell holds one of its choices: an edit ended without one changes no row.
    if (ColumnEditKind(column) == kList) {
        const std::vector<std::string> choices = ColumnChoices(column, row);
        if (std::find(choices.begin(), choices.end(), value) == choices.end())
            return false;
    }
    const bool isCategory = column == CatalogUpdateItem::kCategory;
    const bool isSubCategory = column == CatalogUpdateItem::kSubCategory;
    if (isSubCategory && !value.empty() && item->record.category.empty())
        return false;
    // An edit left with the text it started from changes nothing: over rows that differ it
    // started empty, and that emptiness is no value to give them all.
    const CEditableCell& editor = Editor();
    if (editor.HasWindow() && editor.Row() == row && editor.Column() == column &&
        value == Trim(editor.Text())) {
        int selected = 0;
        for (int r = 0; r < RowCount(); ++r)
            if (IsCellSelected(column, r))
                ++selected;
        if (selected == 1 && (columnDirection != 0 || rowDirection != 0))
            QTimer::singleShot(0, this, [this, columnDirection, rowDirection] {
                MoveCurrentCell(columnDirection, rowDirection, false, false);
            });
        return true;
    }

    auto store = [&](int r, CatalogUpdateItem& target) {
        if (isSubCategory && !value.empty() && target.record.category.empty())
            return false; // a sub-category needs its category
        if (isCategory && value.empty())
            target.record.subcategory.clear();
        const bool wasEdited = target.edited;
        target.edited = true;
        target.SetColumnText(column, value);
        if (wasEdited)
            InvalidateCell(column, r, false);
        else
            InvalidateCell(0, r, false); // the status image changes: the whole row
        if (isCategory)
            InvalidateCell(CatalogUpdateItem::kSubCategory, r, false);
        return true;
    };
    store(row, *item);
    int changed = 0;
    for (int r = 0; r < RowCount(); ++r) {
        CatalogUpdateItem* other = Row(r);
        if (other == nullptr || !IsCellSelected(column, r))
            continue;
        if (r == row || store(r, *other))
            ++changed;
    }
    if (changed == 1 && (columnDirection != 0 || rowDirection != 0)) {
        // After the editor has ended its edit.
        QTimer::singleShot(0, this, [this, columnDirection, rowDirection] {
            MoveCurrentCell(columnDirection, rowDirection, false, false);
        });
    }
    view_.SetPending();
    return true;
}

int CatalogListCtrl::RowCount() const {
    return rowCount();
}

void CatalogListCtrl::StoreCellText(int column, int row, const std::string& text) {
    CatalogUpdateItem* item = Row(row);
    if (item == nullptr)
        return;
    const bool wasEdited = item->edited;
    item->edited = true;
    item->SetColumnText(column, text);
    InvalidateCell(wasEdited ? column : 0, row, false);
}

std::vector<std::string> CatalogListCtrl::ColumnChoices(int column, int row) const {
    using C = CatalogUpdateItem;
    const CatalogUpdateItem* item = Row(row);
    std::vector<std::string> choices;
    switch (column) {
    case C::kAction:
        return {"ADD", "REMOVE"};
    case C::kPitch:
        return {"All Variations", "Normal Only"};
    case C::kClass:
        return {"Effect", "Instrument", "Other"};
    case C::kCategory:
        if (item != nullptr)
            for (int i = 0; i < theSoundCategoryTree.CategoryCount(item->record.soundClass); ++i)
                choices.push_back(theSoundCategoryTree.CategoryName(item->record.soundClass, i));
        return choices;
    case C::kSubCategory:
        if (item != nullptr) {
            const int cls = item->record.soundClass;
            const int category = theSoundCategoryTree.CategoryIndex(cls, item->record.category);
            if (category >= 0)
                for (int i = 0; i < theSoundCategoryTree.SubcategoryCount(cls, category); ++i)
                    choices.push_back(theSoundCategoryTree.SubcategoryName(cls, category, i));
        }
        return choices;
    case C::kGenre:
        for (int i = 0; i < theSoundCategoryTree.GenreCount(); ++i)
            choices.push_back(theSoundCategoryTree.GenreName(i));
        return choices;
    case C::kKey:
        return {"<Unknown>", "A", "A#", "B", "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#"};
    case C::kLoop:
        return {"Yes", "No"};
    default:
        return choices;
    }
}

void CatalogListCtrl::OnSelectionChanged() {
    SelectableTableCtrl::OnSelectionChanged();
    const int column = CurrentColumn();
    const int row = GetCurrentRow();
    const CatalogUpdateItem* item = Row(row);
    int selected = 0;
    for (int r = 0; r < RowCount(); ++r)
        if (IsRowSelected(r))
            ++selected;
    if (item == nullptr || column < 0 || selected == 0) {
        EditCell(column, row, kNone, nullptr, nullptr);
        return;
    }
    std::string text = item->GetColumnText(column);
    for (int r = 0; r < RowCount(); ++r) {
        if (r != row && IsRowSelected(r) && Row(r) != nullptr &&
            Row(r)->GetColumnText(column) != text) {
            text.clear(); // the rows differ: nothing to start from
            break;
        }
    }
    choices_ = ColumnChoices(column, row);
    EditCell(column, row, ColumnEditKind(column), &choices_, text.c_str());
}

bool CatalogListCtrl::DeleteAllRows() {
    if (IndexerBoxObj* box = view_.Box())
        box->Items().clear();
    return SelectableTableCtrl::DeleteAllRows();
}

bool CatalogListCtrl::DeleteRow(int row) {
    if (IndexerBoxObj* box = view_.Box()) {
        auto& items = box->Items();
        if (row >= 0 && row < static_cast<int>(items.size()))
            items.erase(items.begin() + row);
    }
    return SelectableTableCtrl::DeleteRow(row);
}

void CatalogListCtrl::AdvanceAfterEdit() {
    const int end = EndRow();
    if ((PendingEdge() == kEdgeAbove && end > 0) ||
        (PendingEdge() == kEdgeBelow && end < RowCount() - 1)) {
        SelectableTableCtrl::AdvanceAfterEdit();
        AlignStrip();
        return;
    }
    SelectableTableCtrl::AdvanceAfterEdit();
}

bool CatalogListCtrl::IsRowSelected(int row) {
    const CatalogUpdateItem* item = Row(row);
    return item != nullptr && item->selected;
}

void CatalogListCtrl::SetRowSelected(int row, bool selected, bool redraw) {
    CatalogUpdateItem* item = Row(row);
    if (item == nullptr || item->selected == selected)
        return;
    item->selected = selected;
    if (redraw)
        InvalidateCell(0, row, false);
}

bool CatalogListCtrl::IsColumnMovable(int column) {
    return column != CatalogUpdateItem::kFileName && !Running();
}

void CatalogListCtrl::SetCurrentCell(int column, int row) {
    SelectableTableCtrl::SetCurrentCell(column, row);
    const CatalogUpdateItem* item = Row(row);
    view_.SetStatusText(item != nullptr ? item->record.path : "For Help, press F1");
}

void CatalogListCtrl::scrollContentsBy(int dx, int dy) {
    SelectableTableCtrl::scrollContentsBy(dx, dy);
    if (dy != 0)
        AlignStrip();
}

void CatalogListCtrl::updateGeometries() {
    SelectableTableCtrl::updateGeometries();
    // A new height, row count or horizontal bar moves the rows without a scroll: a table
    // scrolled to its end keeps its last row at the bottom.
    AlignStrip();
}

void CatalogListCtrl::AlignStrip() {
    if (!view_.HasStrip())
        return;
    CatalogListHeaderCtrl& strip = view_.Strip();
    // The buttons reach down as far as the rows do: to the horizontal bar when the columns
    // need one, else to the frame.
    const int rowsEnd = viewport()->mapTo(window(), QPoint(0, viewport()->height())).y();
    const int stripEnd = strip.mapFrom(window(), QPoint(0, rowsEnd)).y();
    strip.SetBottomInset(std::max(0, strip.height() - stripEnd));
    strip.FollowRows(*this);
    strip.Refresh();
}

void CatalogListCtrl::EnsureCurrentCell() {
    if (Running() || RowCount() == 0 || (GetCurrentRow() >= 0 && CurrentColumn() >= 0))
        return;
    int row = 0;
    for (int r = 0; r < RowCount(); ++r) {
        if (IsRowSelected(r)) {
            row = r;
            break;
        }
    }
    int column = -1;
    for (int position = 0; position < columnCount() && column < 0; ++position) {
        const int c = GetColumnAtPosition(position);
        if (!Header().isSectionHidden(c) && ColumnEditKind(c) != kNone)
            column = c;
    }
    if (column < 0)
        return;
    for (int r = 0; r < RowCount(); ++r)
        SetRowSelected(r, false, true);
    SelectCell(column, row, true, true);
    OnSelectionChanged();
    AlignStrip();
    Repaint();
}

void CatalogListCtrl::focusInEvent(QFocusEvent* e) {
    SelectableTableCtrl::focusInEvent(e);
    // Come in by the keyboard, the user finds a cell ready for the arrows and Enter.
    if (e->reason() == Qt::TabFocusReason || e->reason() == Qt::BacktabFocusReason ||
        e->reason() == Qt::ShortcutFocusReason)
        EnsureCurrentCell();
}

void CatalogListCtrl::SelectAllRows() {
    if (RowCount() == 0)
        return;
    const int column = CurrentColumn() >= 0 ? CurrentColumn() : 0;
    for (int r = 0; r < RowCount(); ++r)
        SetRowSelected(r, true, false);
    SetCurrentCell(column, 0);
    OnSelectionChanged();
    Repaint();
}

void CatalogListCtrl::Paste(int column, int row) {
    if (view_.RefuseWhileRunning())
        return;
    std::string text;
    if (!AppUtil::PasteTextFromClipboard(text))
        return;
    // Only the first line is a cell's value.
    const size_t end = text.find_first_of("\r\n");
    if (end != std::string::npos)
        text.erase(end);
    if (!CommitCellText(column, row, text, 0, 0))
        return;
    StoreCellText(column, row, text);
    OnSelectionChanged(); // the editor shows the new value
}

bool CatalogListCtrl::PreTranslateMessage(QKeyEvent* e) {
    const int key = e->key();
    const Qt::KeyboardModifiers mods = e->modifiers();
    const bool ctrl = mods & Qt::ControlModifier;
    const bool shift = mods & Qt::ShiftModifier;
    const int row = GetCurrentRow();
    const int column = CurrentColumn();
    const bool current = Row(row) != nullptr;
    QScrollBar* bar = verticalScrollBar();
    switch (key) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        const int page = std::max(1, GetCountPerPage());
        bar->setValue(bar->value() + (key == Qt::Key_PageUp ? -page : page));
        AlignStrip();
        return true;
    }
    case Qt::Key_Home:
    case Qt::Key_End:
        if (RowCount() > 0)
            EnsureVisibleAndNotify(key == Qt::Key_Home ? 0 : RowCount() - 1, false);
        AlignStrip();
        return true;
    case Qt::Key_Space:
        if (current && hasFocus() && !ctrl) {
            view_.PlayRow(row);
            return true;
        }
        break;
    case Qt::Key_Delete:
        if (current && hasFocus() && column == CatalogUpdateItem::kFileName && !Running()) {
            view_.DeleteSelectedRows();
            return true;
        }
        break;
    case Qt::Key_V:
    case Qt::Key_Insert:
        if (current && IsClipboardColumn(column) &&
            ((key == Qt::Key_V && ctrl) || (key == Qt::Key_Insert && shift && !ctrl))) {
            Paste(column, row);
            return true;
        }
        if (current && IsClipboardColumn(column) && key == Qt::Key_Insert && ctrl) {
            AppUtil::CopyTextToClipboard(Row(row)->GetColumnText(column));
            return true;
        }
        break;
    case Qt::Key_C:
        if (current && ctrl && IsClipboardColumn(column)) {
            AppUtil::CopyTextToClipboard(Row(row)->GetColumnText(column));
            return true;
        }
        break;
    case Qt::Key_A:
        if (ctrl) {
            if (!Running())
                SelectAllRows();
            return true;
        }
        break;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: {
        // Tab moves along the row; from its last cell (Shift+Tab: its first), or from a table
        // without a current cell, it goes on to the window's next control.
        const bool forward = key == Qt::Key_Tab && !shift;
        const int position = column >= 0 ? GetColumnPosition(column) : -1;
        if (!ctrl && (!current || position < 0 ||
                      (forward ? position >= columnCount() - 1 : position <= 0))) {
            QWidget::focusNextPrevChild(forward);
            return true;
        }
        break;
    }
    default:
        break;
    }
    return SelectableTableCtrl::PreTranslateMessage(e);
}

// CatalogListHeaderCtrl

CatalogListHeaderCtrl::CatalogListHeaderCtrl(CatalogListView& view, QWidget* parent)
    : ButtonListCtrl(parent), view_(view), playIcon_(ManagePictures::PlayIcon()),
      loopIcon_(ManagePictures::LoopIcon()) {
    AddButtonColumn(kButtonSize, kPlayIcon, true, "Play");
    AddButtonColumn(kButtonSize, kLoopIcon, true, "Loop");
    SetOrigin(2, 1);
}

void CatalogListHeaderCtrl::Refresh() {
    Relayout();
    for (HeaderButtonCtrl* button : Buttons()) {
        if (button->icon().isNull())
            button->setIcon(button->Column() == 0 ? playIcon_ : loopIcon_);
        button->setChecked(IsButtonChecked(button->Column(), button->Row()));
    }
}

void CatalogListHeaderCtrl::EnsureRowVisible(int, int row) {
    view_.Table().EnsureVisibleAndNotify(row, false);
    view_.Table().AlignStrip();
}

void CatalogListHeaderCtrl::OnButtonClicked(int column, int row, HeaderButtonCtrl*) {
    if (column == 0)
        view_.PlayRow(row);
    else
        view_.LoopRow(row);
}

bool CatalogListHeaderCtrl::IsRowSelected(int row) {
    const CatalogUpdateItem* item = view_.Row(row);
    return item != nullptr && item->selected;
}

bool CatalogListHeaderCtrl::IsButtonChecked(int column, int row) {
    const ManageHost* host = CurrentManageHost();
    const CatalogUpdateItem* item = view_.Row(row);
    if (host == nullptr || item == nullptr || host->AuditionPath() != item->record.path)
        return false;
    return host->AuditionLooping() == (column == 1);
}

void CatalogListHeaderCtrl::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End: {
        QKeyEvent copy(e->type(), e->key(), e->modifiers());
        view_.Table().setFocus(Qt::OtherFocusReason);
        QCoreApplication::sendEvent(&view_.Table(), &copy);
        return;
    }
    case Qt::Key_Delete:
        if (!view_.IsRunning())
            view_.DeleteSelectedRows();
        return;
    default:
        ButtonListCtrl::keyPressEvent(e);
    }
}

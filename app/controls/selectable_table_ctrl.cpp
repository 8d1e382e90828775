#include "app/controls/selectable_table_ctrl.h"

#include <QKeyEvent>
#include <QPainter>
#include <algorithm>

namespace {

// Also safe when the range is empty (hi < lo): the low end wins.
int Clamp(int value, int lo, int hi) {
    return std::max(lo, std::min(value, hi));
}

} // namespace

SelectableTableCtrl::SelectableTableCtrl(QWidget* parent) : CTableCtrl(parent) {
    // The list's own selection is never used: the subclass keeps the rows' state.
    setSelectionMode(QAbstractItemView::NoSelection);
    SetOwnerData(true);
}

void SelectableTableCtrl::OnSelectionChanged() {
    for (int row = 0; row < rowCount(); ++row)
        if (IsRowSelected(row))
            return;
    SetCurrentCell(-1, -1);
}

void SelectableTableCtrl::EndDrag() {
    dragging_ = false; // the mouse grab ends with the button's release
}

void SelectableTableCtrl::ClearSelection() {
    EndDrag();
    SetCurrentCell(-1, -1);
    endRow_ = endColumn_ = -1;
    for (int row = 0; row < rowCount(); ++row)
        SetRowSelected(row, false, false);
    OnSelectionChanged();
    Repaint();
}

void SelectableTableCtrl::AdvanceIfPending() {
    if (dragging_ && pendingEdge_ != kEdgeInside)
        AdvanceAfterEdit();
}

bool SelectableTableCtrl::DeleteAllRows() {
    setRowCount(0);
    SetCurrentCell(-1, -1);
    endRow_ = endColumn_ = -1;
    Repaint();
    return true;
}

bool SelectableTableCtrl::DeleteRow(int row) {
    if (row == currentRow_) {
        SetCurrentCell(-1, -1);
        endRow_ = endColumn_ = -1;
    } else if (row >= 0) {
        // The rows below move up: the current cell and the end stay on their own rows.
        const int current = currentRow_;
        if (row < currentRow_)
            SetCurrentCell(currentColumn_, currentRow_ - 1);
        if (endRow_ > row)
            --endRow_;
        else if (endRow_ == row && current >= 0)
            // The end's row is gone: the range ends at its neighbour toward the current row.
            endRow_ = row < current ? row : row - 1;
    }
    // The editor follows its row too, or a commit would write into the next record; on
    // the deleted row itself it has nothing left to edit.
    CEditableCell& editor = Editor();
    const int editorRow = editor.Row(), editorColumn = editor.Column();
    if (row >= 0 && editorRow == row) {
        editor.DestroyWindow();
        editor.SetCell(-1, -1);
    } else if (row >= 0 && editorRow > row) {
        editor.SetCell(editorRow - 1, editorColumn);
    }
    if (row >= 0 && row < rowCount())
        removeRow(row);
    else if (rowCount() > 0)
        setRowCount(rowCount() - 1);
    if (editor.HasWindow() && editor.Row() >= 0)
        PlaceEditor(editor.Row(), editor.Column(), false);
    Repaint();
    return true;
}

bool SelectableTableCtrl::IsCellSelected(int column, int row) {
    return row >= 0 && column == currentColumn_ && IsRowSelected(row);
}

void SelectableTableCtrl::SelectCell(int column, int row, bool select, bool makeCurrent) {
    if (select)
        currentColumn_ = column;
    SetRowSelected(row, select, false);
    if (makeCurrent)
        SetCurrentCell(column, row);
    endColumn_ = column;
    endRow_ = row;
}

void SelectableTableCtrl::AdvanceAfterEdit() {
    if (pendingEdge_ == kEdgeBelow && endRow_ < rowCount() - 1)
        ++endRow_;
    else if (pendingEdge_ == kEdgeAbove && endRow_ > 0)
        --endRow_;
    EnsureVisibleAndNotify(endRow_, false);
    Repaint();
}

void SelectableTableCtrl::SelectRange(int row) {
    const int lo = std::min(currentRow_, row);
    const int hi = std::max(currentRow_, row);
    for (int i = 0; i < rowCount(); ++i)
        SetRowSelected(i, i >= lo && i <= hi, true);
}

ColorRef SelectableTableCtrl::GetCellBkColor(int row, int column, unsigned, std::uintptr_t) {
    if (row == currentRow_ && column == currentColumn_)
        return kCurrentCellColor;
    return IsCellSelected(column, row) ? kSelectedCellColor : kClrDefault;
}

void SelectableTableCtrl::PostPaintCell(QPainter& p, int row, int column, unsigned,
                                        std::uintptr_t) {
    if (row != currentRow_ || column != currentColumn_)
        return;
    const QRect cell = visualRect(model()->index(row, column));
    const QRect r(QPoint(cell.left() + 1, cell.top()), QPoint(cell.right(), cell.bottom() - 1));
    p.setPen(QPen(palette().color(QPalette::Text), 0, Qt::DotLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0, 0, -1, -1));
}

bool SelectableTableCtrl::OnCellLButtonDown(int column, int row, bool shift, bool ctrl) {
    endColumn_ = column;
    endRow_ = row;
    if (shift && currentRow_ >= 0 && row != currentRow_ && column == currentColumn_) {
        dragging_ = true;
        SelectRange(row);
    } else if (!shift && ctrl && row != currentRow_ && column == currentColumn_) {
        SetRowSelected(row, !IsCellSelected(column, row), true);
    } else {
        dragging_ = true;
        SetCurrentCell(column, row);
        for (int i = 0; i < rowCount(); ++i)
            SetRowSelected(i, i == row, true);
        OnSelectionChanged();
    }
    Repaint();
    return true;
}

bool SelectableTableCtrl::OnCellMouseMove(int column, int row, int edge) {
    if (dragging_ && column >= 0 && row >= 0 && row != endRow_) {
        endColumn_ = currentColumn_;
        endRow_ = row;
        SelectRange(row);
        if (edge == kEdgeInside) {
            EnsureVisibleAndNotify(row, false);
            Repaint();
        }
    }
    pendingEdge_ = edge;
    return true;
}

bool SelectableTableCtrl::OnCellLButtonUp(int column, int row, bool, bool) {
    if (!dragging_)
        return true;
    EndDrag();
    if (row == currentRow_)
        return true;
    if (row < 0)
        row = endRow_;
    SelectRange(row);
    EnsureVisibleAndNotify(endRow_, false);
    Repaint();
    return true;
}

bool SelectableTableCtrl::OnCellContextMenu(int, int, int, int) {
    setFocus(Qt::MouseFocusReason);
    return true;
}

bool SelectableTableCtrl::MoveCurrentCell(int columnStep, int rowStep, bool shift, bool) {
    if (currentRow_ < 0 || currentColumn_ < 0)
        return true;
    const int rows = rowCount();
    const int columns = columnCount();
    if (rows == 0 || columns == 0)
        return true;
    const bool extending = shift && columnStep == 0;
    for (int i = 0; i < rows; ++i)
        SetRowSelected(i, false, true);
    if (extending) {
        endRow_ = Clamp(endRow_ + rowStep, 0, rows - 1);
        endColumn_ = Clamp(endColumn_ + columnStep, 0, columns - 1);
    } else {
        const int position = Clamp(GetColumnPosition(currentColumn_) + columnStep, 0, columns - 1);
        const int column = GetColumnAtPosition(position);
        int base = currentRow_;
        if (rowStep > 0)
            base = std::max(currentRow_, endRow_);
        else if (rowStep < 0)
            base = std::min(currentRow_, endRow_);
        SetCurrentCell(column, Clamp(base + rowStep, 0, rows - 1));
        endColumn_ = currentColumn_;
        endRow_ = currentRow_;
    }
    if (rowStep != 0)
        EnsureVisibleAndNotify(endRow_, false);
    if (columnStep != 0)
        ScrollColumnIntoView(endColumn_);
    const int lo = std::min(currentRow_, endRow_);
    const int hi = std::max(currentRow_, endRow_);
    for (int i = lo; i <= hi; ++i)
        SetRowSelected(i, true, true);
    if (!extending)
        OnSelectionChanged();
    Repaint();
    return true;
}

bool SelectableTableCtrl::PreTranslateMessage(QKeyEvent* e) {
    if (currentRow_ >= 0 && hasFocus()) {
        const bool shift = e->modifiers() & Qt::ShiftModifier;
        const bool ctrl = e->modifiers() & Qt::ControlModifier;
        if (e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab) {
            // Handled here only: the table's own Tab key would move a second time.
            MoveCurrentCell(shift ? -1 : 1, 0, shift, ctrl);
            return true;
        }
        if (e->key() == Qt::Key_Escape)
            ClearSelection();
    }
    return CTableCtrl::PreTranslateMessage(e);
}

void SelectableTableCtrl::HeaderItemClick(int column) {
    for (int row = 0; row < rowCount(); ++row)
        SelectCell(column, row, true, row == 0);
    OnSelectionChanged();
    Repaint();
}

bool SelectableTableCtrl::HeaderBeginDrag(int column) {
    return !IsColumnMovable(column);
}

bool SelectableTableCtrl::HeaderEndDrag(int column, int position) {
    return !(IsColumnMovable(column) && IsColumnMovable(position));
}

#pragma once

#include "app/controls/table_ctrl.h"

// The table the program's data tables derive from: a current cell, whole-row selection by
// click, Shift-click, Ctrl-click, drag and keyboard, the current column tinted on the
// selected rows and a focus rectangle on the current cell. The rows' selection lives in
// the subclass's own row data, reached through IsRowSelected and SetRowSelected; the row
// count is set by the subclass.
class SelectableTableCtrl : public CTableCtrl {
public:
    static constexpr ColorRef kCurrentCellColor = 0xFFFFFF;
    static constexpr ColorRef kSelectedCellColor = 0xFFC0C0;

    explicit SelectableTableCtrl(QWidget* parent = nullptr);

    // Hooks added to those of the table.
    virtual void OnSelectionChanged();
    virtual void ClearSelection();
    // Called from the host's timer: while a drag waits outside the rows, moves one row on.
    virtual void AdvanceIfPending();
    virtual bool DeleteAllRows();
    virtual bool DeleteRow(int row);
    virtual int GetCurrentRow() { return currentRow_; }
    virtual bool IsCellSelected(int column, int row);
    virtual void SelectCell(int column, int row, bool select, bool makeCurrent);
    virtual void AdvanceAfterEdit();
    virtual bool IsRowSelected(int row) { return false; }
    virtual bool IsColumnMovable(int column) { return false; }
    virtual void SetCurrentCell(int column, int row) {
        currentColumn_ = column;
        currentRow_ = row;
    }
    virtual void SetRowSelected(int row, bool selected, bool redraw) {}

    int CurrentColumn() const { return currentColumn_; }
    int EndRow() const { return endRow_; }
    int EndColumn() const { return endColumn_; }
    bool IsDragging() const { return dragging_; }
    int PendingEdge() const { return pendingEdge_; }

    // Table hooks this class answers.
    bool WantsItemNotify() override { return true; }
    bool WantsCellNotify(int, unsigned, std::uintptr_t) override { return true; }
    bool WantsCellPaint(int, int, unsigned, std::uintptr_t) override { return true; }
    bool WantsCellPostNotify(int, int, unsigned, std::uintptr_t) override { return true; }
    bool WantsCellPostPaint() override { return true; }
    ColorRef GetCellBkColor(int row, int column, unsigned state, std::uintptr_t data) override;
    void PostPaintCell(QPainter& p, int row, int column, unsigned state,
                       std::uintptr_t data) override;
    bool OnCellLButtonDown(int column, int row, bool shift, bool ctrl) override;
    bool OnCellLButtonUp(int column, int row, bool shift, bool ctrl) override;
    bool OnCellContextMenu(int column, int row, int screenX, int screenY) override;
    bool OnCellMouseMove(int column, int row, int edge) override;
    bool MoveCurrentCell(int columnStep, int rowStep, bool shift, bool ctrl) override;

protected:
    bool PreTranslateMessage(QKeyEvent* e) override;
    void HeaderItemClick(int column) override;
    bool HeaderBeginDrag(int column) override;
    bool HeaderEndDrag(int column, int position) override;

private:
    // Selects exactly the rows between the current row and row, both included.
    void SelectRange(int row);
    void EndDrag();

    bool dragging_ = false;
    int currentRow_ = -1;
    int currentColumn_ = -1;
    int pendingEdge_ = 0;
    int endRow_ = -1;
    int endColumn_ = -1;
};

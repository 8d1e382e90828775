#pragma once

#include "app/controls/cell_edit_notify.h"
#include "app/controls/editable_cell.h"
#include "app/controls/table_header_ctrl.h"
#include "app/drawing.h"

#include <QTableWidget>
#include <cstdint>
#include <string>
#include <vector>

class QPainter;

// A report list that behaves as a grid of cells. It keeps no cell data of its own; a
// table is specialised by overriding the hooks, whose defaults do nothing, and a hook that
// answers true has handled the event so the list's own handling is skipped.
// Rows are list rows; columns are column indexes (not display positions).
class CTableCtrl : public QTableWidget, protected HeaderNotifySink {
public:
    static constexpr ColorRef kClrDefault = 0xFF000000;
    // Item state bits passed to the drawing hooks.
    static constexpr unsigned kItemSelected = 0x1;
    static constexpr unsigned kItemFocus = 0x10;
    // Edge codes of a mouse move.
    static constexpr int kEdgeInside = 0;
    static constexpr int kEdgeAbove = 3;
    static constexpr int kEdgeBelow = 4;
    // Editor kinds of EditCell.
    static constexpr int kEditBoxCell = 1;
    static constexpr int kEditComboCell = 2;
    static constexpr int kDropListCell = 3;

    explicit CTableCtrl(QWidget* parent = nullptr);
    ~CTableCtrl() override;

    // Drawing hooks: the whole control, then each row, then each cell.
    virtual bool WantsControlPaint() { return false; }
    virtual bool PaintControl(QPainter& p) { return false; }
    virtual bool WantsItemNotify() { return false; }
    virtual bool WantsControlPostNotify() { return false; }
    virtual bool WantsControlPostPaint() { return false; }
    virtual void PostPaintControl(QPainter& p) {}
    virtual const QFont* GetRowFont(int row, unsigned state, std::uintptr_t data) {
        return nullptr;
    }
    virtual ColorRef GetRowTextColor(int row, unsigned state, std::uintptr_t data) {
        return kClrDefault;
    }
    virtual ColorRef GetRowBkColor(int row, unsigned state, std::uintptr_t data) {
        return kClrDefault;
    }
    virtual bool WantsRowPaint(int row, unsigned state, std::uintptr_t data) { return false; }
    virtual bool PaintRow(QPainter& p, int row, unsigned state, std::uintptr_t data) {
        return false;
    }
    virtual bool WantsCellNotify(int row, unsigned state, std::uintptr_t data) { return false; }
    virtual bool WantsRowPostNotify(int row, unsigned state, std::uintptr_t data) { return false; }
    virtual bool WantsRowPostPaint() { return false; }
    virtual void PostPaintRow(QPainter& p, int row, unsigned state, std::uintptr_t data) {}
    virtual const QFont* GetCellFont(int row, int column, unsigned state, std::uintptr_t data) {
        return nullptr;
    }
    virtual ColorRef GetCellTextColor(int row, int column, unsigned state, std::uintptr_t data) {
        return kClrDefault;
    }
    virtual ColorRef GetCellBkColor(int row, int column, unsigned state, std::uintptr_t data) {
        return kClrDefault;
    }
    virtual bool WantsCellPaint(int row, int column, unsigned state, std::uintptr_t data) {
        return false;
    }
    virtual bool DrawCell(QPainter& p, int row, int column, unsigned state, std::uintptr_t data) {
        return false;
    }
    virtual bool WantsCellPostNotify(int row, int column, unsigned state, std::uintptr_t data) {
        return false;
    }
    virtual bool WantsCellPostPaint() { return false; }
    virtual void PostPaintCell(QPainter& p, int row, int column, unsigned state,
                               std::uintptr_t data) {}
    virtual bool HasScrollBars() { return true; }

    // Input hooks.
    virtual bool OnCellDblClick(int column, int row, bool shift, bool ctrl) { return false; }
    virtual bool OnCellLButtonDown(int column, int row, bool shift, bool ctrl) { return false; }
    virtual bool OnCellLButtonUp(int column, int row, bool shift, bool ctrl) { return false; }
    virtual bool OnCellContextMenu(int column, int row, int screenX, int screenY) { return false; }
    // The keyboard's menu keys (Menu, Shift+F10); true when the table showed a menu.
    virtual bool OnKeyboardContextMenu() { return false; }
    // True for a list with no cells to edit: Tab and Shift+Tab go on to the window's next and
    // previous controls instead of moving between cells.
    virtual bool PassesTabOn() const { return false; }
    virtual bool OnCellMouseMove(int column, int row, int edge) { return false; }
    virtual bool MoveCurrentCell(int columnStep, int rowStep, bool shift, bool ctrl) {
        return false;
    }
    // An edit ended other than by Esc; true writes text into the list.
    virtual bool CommitCellText(int column, int row, std::string& text, int columnDirection,
                                int rowDirection) {
        return true;
    }
    virtual bool CanResizeColumn(int column) { return true; }
    // A width >= 0 is applied when the column's divider is double-clicked; -1 leaves it.
    virtual int GetColumnAutoWidth(int column) { return -1; }
    virtual std::string GetCellTooltip(int column, int row) { return {}; }

    // kind 1 edit box, 2 editable combo box, 3 drop-down list, anything else closes the
    // editor. The editor cell becomes (row, column) in every case.
    bool EditCell(int column, int row, int kind, const std::vector<std::string>* choices,
                  const char* text);
    bool EnsureVisibleAndNotify(int row, bool partialOk);
    void InvalidateCell(int column, int row, bool erase);
    void SetSortColumn(int column, bool ascending, bool show);
    // Point in viewport coordinates; each out-argument may be null.
    int CellHitTest(const QPoint& point, int* column, QRect* cellRect, int* edge,
                    bool excludePartialRow) const;
    int GetColumnPosition(int column) const;
    int GetColumnAtPosition(int position) const;
    void ScrollColumnIntoView(int column);
    void PlaceEditor(int row, int column, bool allowScroll);
    // The tool id of the cell under point ((row << 10) + (column & 0x3FF) + 1), or -1.
    int OnToolHitTest(const QPoint& point, QRect* toolRect) const;

    int GetTopIndex() const;
    int GetCountPerPage() const;
    // An owner-data list gets its texts from the subclass: an edit never writes them.
    void SetOwnerData(bool ownerData) { ownerData_ = ownerData; }
    bool IsOwnerData() const { return ownerData_; }
    void SetItemData(int row, std::uintptr_t data);
    std::uintptr_t GetItemData(int row) const;

    CEditableCell& Editor() { return editor_; }
    const CEditableCell& Editor() const { return editor_; }
    CTableHeaderCtrl& Header() { return *header_; }
    bool EditorWindowExists() const { return editor_.HasWindow(); }

protected:
    // Key presses before the table's own handling; true consumes the key.
    virtual bool PreTranslateMessage(QKeyEvent* e);
    virtual void OnCellEditNotify(CellEditNotify& n);
    void PostSelfNotify();
    void Repaint() { viewport()->update(); }

    bool event(QEvent* e) override;
    bool viewportEvent(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;

    bool HeaderBeginTrack(int column) override;
    void HeaderTrack(int column, int width) override;
    bool HeaderDividerDblClick(int column) override;

private:
    struct PaintState {
        const QFont* font = nullptr;
        ColorRef text = kClrDefault;
        ColorRef back = kClrDefault;
    };
    void PaintRows(QPainter& p, bool itemNotify);
    void PaintCellDefault(QPainter& p, int row, int column, const PaintState& state);
    unsigned ItemState(int row) const;
    void LayOutWithoutScrollBars();
    void LeftPress(int column, int row, bool shift, bool ctrl, bool& handled);
    void LeftRelease(int column, int row, bool shift, bool ctrl, bool& handled);
    void DoubleClick(int column, int row, bool shift, bool ctrl, bool& handled);
    void OnSelfNotify(int code);

    CEditableCell editor_;
    bool pressedOnEditorCell_ = false;
    CTableHeaderCtrl* header_; // owned by the view
    bool ownerData_ = false;
};

#pragma once

#include "app/controls/icon_button.h"

#include <QPushButton>
#include <QWidget>
#include <string>
#include <vector>

class ButtonListCtrl;
class QTableView;

// One column of row buttons; the buttons are square.
struct RowButtonDef {
    int iconId = 0;
    int size = 0;
    bool toggle = false; // a check button whose state comes from IsButtonChecked
    std::string toolTip;
};

// One row button: shows the cell (column, row) it is currently bound to.
class HeaderButtonCtrl : public IconButton {
public:
    HeaderButtonCtrl(ButtonListCtrl* strip, QWidget* parent);
    int Row() const { return row_; }
    int Column() const { return column_; }
    // The icon the button carries (0 before the first).
    int IconId() const { return iconId_; }
    void SetIconId(int id) { iconId_ = id; }
    void Bind(int row, int column) {
        row_ = row;
        column_ = column;
    }

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    ButtonListCtrl* strip_;
    int row_ = -1;
    int column_ = -1;
    int iconId_ = 0;
};

// Parents the row buttons and takes the strip's mouse input, its own and its buttons'.
class ButtonListContainerCtrl : public QWidget {
public:
    explicit ButtonListContainerCtrl(ButtonListCtrl* strip, QWidget* parent);
    void Press(QMouseEvent* e, QPoint pos, bool takeFocus);
    void Release(QMouseEvent* e, QPoint pos);
    void Move(QPoint pos);
    void ContextMenu(QPoint pos, QPoint globalPos);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    int RowAt(int y) const;
    ButtonListCtrl* strip_;
    bool buttonReleasing_ = false;
    int pressX_ = 0;
    int pressY_ = 0;
};

// A narrow strip beside a table showing, for each visible table row, a row of small icon
// buttons. It does not know the table: a subclass connects the two through the hooks.
class ButtonListCtrl : public QWidget {
public:
    explicit ButtonListCtrl(QWidget* parent = nullptr);
    ~ButtonListCtrl() override;

    // Hooks; the defaults do nothing or answer false.
    virtual void EnsureRowVisible(int column, int row) {}
    virtual void OnButtonClicked(int column, int row, HeaderButtonCtrl* button) {}
    virtual void OnRowActivated(int row, int detail) {}
    virtual bool IsRowSelected(int row) { return false; }
    virtual bool IsButtonChecked(int column, int row) { return false; }
    virtual bool SelectRow(int row, bool shift, bool ctrl, bool rightButton);
    virtual bool FinishSelectRow(int row, bool shift, bool ctrl, bool rightButton);
    virtual void OnContextMenu(int row, int screenX, int screenY) {}
    virtual bool CancelPendingSelect();
    // flags: the wheel event's buttons and modifiers.
    virtual bool ForwardMouseWheel(int flags, int delta, int x, int y) { return true; }
    virtual void SetRowSelected(int row, bool selected) {}

    void AddButtonColumn(int size, int iconId, bool toggle, const std::string& toolTip);
    void RemoveAllColumns();
    void AddRow(int fromRow);
    bool RemoveRows(int count, int newTopRow);
    void RemoveAllRows();
    // Sets the number of rows at once, keeping the top row where it can stay.
    void SetRowCount(int count);
    void Relayout() { Layout(0); }
    // shift: where the top row's top lies below the rows' origin, in pixels; negative while
    // the table beside shows that row in part, scrolled up by that much.
    void SetTopRow(int row, int shift = 0);
    // Lines the rows up with the rows of the table beside, to the pixel: its top row in view,
    // also one it shows in part. The two share a window; the strip's top inset lies level
    // with the table's first row unscrolled. True when the rows moved.
    bool FollowRows(const QTableView& table);
    void SetOrigin(int left, int top) {
        leftOffset_ = left;
        topOffset_ = top;
    }
    void SetRowHeight(int height);
    void SetTopInset(int inset) { topInset_ = inset; }
    // The height left free below the rows; a strip already shown moves its lower filler.
    void SetBottomInset(int inset);
    int GetRowCount() const { return rowCount_; }
    int GetTopRow() const { return topRow_; }
    int TopShift() const { return topShift_; }
    // The top of a row in the strip's own coordinates (the buttons' origin not added).
    int RowTop(int row) const { return topInset_ + topShift_ + (row - topRow_) * rowHeight_; }
    int GetStripWidth() const;
    HeaderButtonCtrl* GetButtonAt(int column, int row) const;
    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    int AnchorRow() const { return anchorRow_; }
    int EndRow() const { return endRow_; }
    // The ends of a range the keyboard selected, so that a Shift-click goes on from them.
    void SetSelectionEnds(int anchor, int end) {
        anchorRow_ = anchor;
        endRow_ = end;
    }
    int PendingRow() const { return pendingRow_; }
    ButtonListContainerCtrl* Container() const { return container_; }
    const std::vector<HeaderButtonCtrl*>& Buttons() const { return buttons_; }

    // Moves the keyboard focus to another row button; used by the buttons' keys and wheel.
    void MoveFocus(HeaderButtonCtrl* from, int columnStep, int rowStep);
    int RowHeight() const { return rowHeight_; }

protected:
    int Layout(int fromRow);
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    friend class ButtonListContainerCtrl;
    int VisibleRows() const;
    // Places the fillers and the container in the strip's height.
    void PlaceParts();

    int leftOffset_ = 0;
    int topOffset_ = 0;
    int rowCount_ = 0;
    int topRow_ = 0;
    int topShift_ = 0;
    QPushButton* upperFiller_;
    QPushButton* lowerFiller_;
    ButtonListContainerCtrl* container_;
    int anchorRow_ = 0;
    int endRow_ = -1;
    int pendingRow_ = -1;
    bool ctrlHeld_ = false;
    bool shiftHeld_ = false;
    int rowHeight_ = 32;
    int topInset_ = 0;
    int bottomInset_ = 0;
    std::vector<HeaderButtonCtrl*> buttons_; // children of the container
    // Hidden buttons of rows no longer shown, used again before new ones are made.
    std::vector<HeaderButtonCtrl*> spare_;
    std::vector<RowButtonDef> columns_;
};

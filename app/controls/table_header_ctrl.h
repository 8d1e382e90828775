#pragma once

#include <QHeaderView>
#include <set>

// What a header tells the list it belongs to. The defaults leave everything to the header.
class HeaderNotifySink {
public:
    virtual ~HeaderNotifySink() = default;
    // A divider drag begins on column's right edge; true refuses it.
    virtual bool HeaderBeginTrack(int column) { return false; }
    // A divider drag changed the column's width.
    virtual void HeaderTrack(int column, int width) {}
    // A divider was double-clicked; true: handled.
    virtual bool HeaderDividerDblClick(int column) { return false; }
    // A column is about to be dragged to another place; true refuses the drag.
    virtual bool HeaderBeginDrag(int column) { return false; }
    // A dragged column is dropped at a display position; true refuses the drop.
    virtual bool HeaderEndDrag(int column, int position) { return false; }
    virtual void HeaderItemClick(int column) {}
};

// The header of the program's tables and file lists: draws one column's sort mark.
class CTableHeaderCtrl : public QHeaderView {
public:
    explicit CTableHeaderCtrl(QWidget* parent = nullptr);
    void SetSink(HeaderNotifySink* sink) { sink_ = sink; }

    // Returns the previous sort column. A column once marked stays owner-drawn and is
    // drawn without a mark when the mark moves away.
    int SetSortMark(int column, bool ascending);
    int SortColumn() const { return sortColumn_; }
    bool Ascending() const { return ascending_ != 0; }
    bool IsOwnerDrawn(int column) const { return ownerDrawn_.count(column) != 0; }
    void DrawItem(QPainter& p, const QRect& rect, int column) const;

    // The column whose right divider is at x (viewport coordinates), or -1.
    int DividerAt(int x) const;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    HeaderNotifySink* sink_ = nullptr;
    int sortColumn_ = -1;
    int ascending_ = 0;
    std::set<int> ownerDrawn_;
    int pressed_ = -1;
    bool undoingMove_ = false;
};

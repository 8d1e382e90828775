#include "app/controls/table_header_ctrl.h"

#include "app/drawing.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

CTableHeaderCtrl::CTableHeaderCtrl(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsClickable(true);
    setMinimumSectionSize(3); // a column dragged narrower stays 3 pixels wide
    connect(this, &QHeaderView::sectionResized, this, [this](int column, int, int width) {
        if (sink_)
            sink_->HeaderTrack(column, width);
    });
    connect(this, &QHeaderView::sectionClicked, this, [this](int column) {
        if (sink_)
            sink_->HeaderItemClick(column);
    });
    connect(this, &QHeaderView::sectionMoved, this, [this](int column, int from, int to) {
        if (undoingMove_ || !sink_ || !sink_->HeaderEndDrag(column, to))
            return;
        undoingMove_ = true;
        moveSection(to, from);
        undoingMove_ = false;
    });
}

int CTableHeaderCtrl::SetSortMark(int column, bool ascending) {
    const int previous = sortColumn_;
    sortColumn_ = column;
    ascending_ = ascending ? 1 : 0;
    if (column >= 0)
        ownerDrawn_.insert(column);
    viewport()->update();
    return previous;
}

int CTableHeaderCtrl::DividerAt(int x) const {
    const int grip = style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, this);
    for (int visual = count() - 1; visual >= 0; --visual) {
        const int column = logicalIndex(visual);
        if (isSectionHidden(column))
            continue;
        const int right = sectionViewportPosition(column) + sectionSize(column);
        if (x >= right - grip && x <= right + grip)
            return column;
    }
    return -1;
}

void CTableHeaderCtrl::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        const int x = e->position().toPoint().x();
        const int divider = DividerAt(x);
        if (divider >= 0) {
            if (sink_ && sink_->HeaderBeginTrack(divider))
                return;
        } else {
            const int column = logicalIndexAt(x);
            pressed_ = column;
            // Whether the press may turn into a drag is asked before Qt starts one.
            setSectionsMovable(column >= 0 && !(sink_ && sink_->HeaderBeginDrag(column)));
            viewport()->update();
        }
    }
    QHeaderView::mousePressEvent(e);
}

void CTableHeaderCtrl::mouseReleaseEvent(QMouseEvent* e) {
    if (pressed_ >= 0) {
        pressed_ = -1;
        viewport()->update();
    }
    QHeaderView::mouseReleaseEvent(e);
}

void CTableHeaderCtrl::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        const int divider = DividerAt(e->position().toPoint().x());
        if (divider >= 0 && sink_ && sink_->HeaderDividerDblClick(divider))
            return;
    }
    QHeaderView::mouseDoubleClickEvent(e);
}

void CTableHeaderCtrl::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (IsOwnerDrawn(logicalIndex))
        DrawItem(*painter, rect, logicalIndex);
    else
        QHeaderView::paintSection(painter, rect, logicalIndex);
}

void CTableHeaderCtrl::DrawItem(QPainter& p, const QRect& rect, int column) const {
    p.save();
    p.setClipRect(rect);
    p.fillRect(rect, ToQColor(GetButtonFaceColor()));
    const QFontMetrics metrics(font());
    const int e = metrics.horizontalAdvance(QLatin1Char(' ')) * 3 / 2;

    QString text;
    int align = Qt::AlignLeft;
    if (model()) {
        text = model()->headerData(column, orientation(), Qt::DisplayRole).toString().left(255);
        const QVariant a = model()->headerData(column, orientation(), Qt::TextAlignmentRole);
        if (a.isValid()) {
            const int h = a.toInt() & Qt::AlignHorizontal_Mask;
            if (h & Qt::AlignHCenter)
                align = Qt::AlignHCenter;
            else if (h & Qt::AlignRight)
                align = Qt::AlignRight;
        }
    }
    const bool sorted = column == sortColumn_;
    const int right = rect.x() + rect.width();
    const int bottom = rect.y() + rect.height();
    QRect textRect(QPoint(rect.x() + e, rect.y()),
                   QPoint(right - (sorted ? 4 * e : e) - 1, bottom - 1));
    if (column == pressed_)
        textRect.adjust(1, 2, 1, 0);
    if (textRect.left() < textRect.right() + 1) {
        p.setPen(palette().color(QPalette::ButtonText));
        p.drawText(textRect, align | Qt::AlignVCenter | Qt::TextSingleLine,
                   metrics.elidedText(text, Qt::ElideRight, textRect.width()));
    }
    if (sorted) {
        const ColorRef light = ToColorRef(palette().color(QPalette::Light));
        const ColorRef dark = ToColorRef(palette().color(QPalette::Dark));
        const int R = right, B = bottom;
        if (ascending_) {
            DrawLine(p, R - 2 * e, e - 1, R - 3 * e / 2, B - e, light, false);
            DrawLine(p, R - 3 * e / 2, B - e, R - 5 * e / 2 - 2, B - e, light, false);
            DrawLine(p, R - 5 * e / 2 - 1, B - e - 1, R - 2 * e, e - 2, dark, false);
        } else {
            DrawLine(p, R - 3 * e / 2, e - 1, R - 2 * e - 1, B - e + 1, light, false);
            DrawLine(p, R - 2 * e - 1, B - e, R - 5 * e / 2 - 1, e - 1, dark, false);
            DrawLine(p, R - 5 * e / 2 - 1, e - 1, R - 3 * e / 2, e - 1, dark, false);
        }
    }
    p.restore();
}

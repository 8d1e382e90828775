#include "app/controls/table_ctrl.h"

#include "app/controls/scroll_bar_pieces.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <algorithm>

namespace {

// The table's note to itself that the list has scrolled or a column was resized.
class SelfNotifyEvent : public QEvent {
public:
    explicit SelfNotifyEvent(int c) : QEvent(Type()), code(c) {}
    static QEvent::Type Type() {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    int code;
};

constexpr int kEditorId = 1;
constexpr int kMinEditableWidth = 5;
constexpr int kToolTipChars = 79;

} // namespace

CTableCtrl::CTableCtrl(QWidget* parent) : QTableWidget(parent) {
    header_ = new CTableHeaderCtrl(this);
    setHorizontalHeader(header_);
    header_->SetSink(this);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setTabKeyNavigation(false);
    setShowGrid(false);
    setWordWrap(false);
    viewport()->setMouseTracking(true);
    DrawScrollBarInPieces(verticalScrollBar());
    DrawScrollBarInPieces(horizontalScrollBar());
}

CTableCtrl::~CTableCtrl() = default;

int CTableCtrl::GetTopIndex() const {
    if (rowCount() == 0)
        return 0;
    const int top = rowAt(0);
    return top < 0 ? 0 : top;
}

int CTableCtrl::GetCountPerPage() const {
    const int height = verticalHeader()->defaultSectionSize();
    return height > 0 ? viewport()->height() / height : 0;
}

void CTableCtrl::SetItemData(int row, std::uintptr_t data) {
    if (row < 0 || row >= rowCount() || columnCount() == 0)
        return;
    QTableWidgetItem* it = item(row, 0);
    if (!it) {
        it = new QTableWidgetItem;
        setItem(row, 0, it);
    }
    it->setData(Qt::UserRole, QVariant::fromValue<qulonglong>(data));
}

std::uintptr_t CTableCtrl::GetItemData(int row) const {
    const QTableWidgetItem* it = row >= 0 && row < rowCount() ? item(row, 0) : nullptr;
    return it ? static_cast<std::uintptr_t>(it->data(Qt::UserRole).toULongLong()) : 0;
}

unsigned CTableCtrl::ItemState(int row) const {
    unsigned state = 0;
    if (selectionModel() && selectionModel()->isRowSelected(row, QModelIndex()))
        state |= kItemSelected;
    if (currentIndex().isValid() && currentIndex().row() == row)
        state |= kItemFocus;
    return state;
}

// Painting: the whole control, then row by row and cell by cell, asking the hooks at each
// stage as a list's custom drawing does.

void CTableCtrl::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    const bool postNotify = WantsControlPostNotify();
    const bool itemNotify = WantsItemNotify();
    bool skip = false;
    if (WantsControlPaint()) {
        p.save();
        skip = PaintControl(p);
        p.restore();
    }
    if (!skip)
        PaintRows(p, itemNotify);
    if (postNotify && WantsControlPostPaint()) {
        p.save();
        PostPaintControl(p);
        p.restore();
    }
}

void CTableCtrl::PaintRows(QPainter& p, bool itemNotify) {
    const int rows = rowCount();
    const int height = viewport()->height();
    for (int row = GetTopIndex(); row < rows && rowViewportPosition(row) < height; ++row) {
        if (isRowHidden(row))
            continue;
        const unsigned state = ItemState(row);
        const std::uintptr_t data = GetItemData(row);
        PaintState rowState;
        bool rowPost = false, cellNotify = false, skipRow = false;
        if (itemNotify) {
            rowPost = WantsRowPostNotify(row, state, data);
            cellNotify = WantsCellNotify(row, state, data);
            rowState.text = GetRowTextColor(row, state, data);
            rowState.back = GetRowBkColor(row, state, data);
            if (const QFont* font = GetRowFont(row, state, data)) {
                rowState.font = font;
                rowPost = true; // the row's font is put back after the row
            }
            if (WantsRowPaint(row, state, data)) {
                p.save();
                skipRow = PaintRow(p, row, state, data);
                p.restore();
            }
        }
        for (int visual = 0; !skipRow && visual < header_->count(); ++visual) {
            const int column = header_->logicalIndex(visual);
            if (header_->isSectionHidden(column))
                continue;
            const int x = columnViewportPosition(column);
            if (x >= viewport()->width() || x + columnWidth(column) <= 0)
                continue;
            PaintState cellState = rowState;
            bool cellPost = false, skipCell = false;
            if (cellNotify) {
                cellPost = WantsCellPostNotify(row, column, state, data);
                cellState.text = GetCellTextColor(row, column, state, data);
                cellState.back = GetCellBkColor(row, column, state, data);
                if (const QFont* font = GetCellFont(row, column, state, data)) {
                    cellState.font = font;
                    cellPost = true;
                }
                if (WantsCellPaint(row, column, state, data)) {
                    p.save();
                    skipCell = DrawCell(p, row, column, state, data);
                    p.restore();
                }
            }
            if (!skipCell)
                PaintCellDefault(p, row, column, cellState);
            if (cellPost && WantsCellPostPaint()) {
                p.save();
                PostPaintCell(p, row, column, state, data);
                p.restore();
            }
        }
        if (rowPost && WantsRowPostPaint()) {
            p.save();
            PostPaintRow(p, row, state, data);
            p.restore();
        }
    }
}

void CTableCtrl::PaintCellDefault(QPainter& p, int row, int column, const PaintState& state) {
    const QModelIndex index = model()->index(row, column);
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    if (selectionModel() && selectionModel()->isSelected(index))
        option.state |= QStyle::State_Selected;
    if (index == currentIndex() && hasFocus())
        option.state |= QStyle::State_HasFocus;
    if (state.font) {
        option.font = *state.font;
        option.fontMetrics = QFontMetrics(*state.font);
    }
    if (state.text != kClrDefault)
        option.palette.setColor(QPalette::Text, ToQColor(state.text));
    if (state.back != kClrDefault)
        p.fillRect(option.rect, ToQColor(state.back));
    p.save();
    itemDelegateForIndex(index)->paint(&p, option, index);
    p.restore();
    if (showGrid()) {
        const QRect r = option.rect;
        p.save();
        p.setPen(palette().color(QPalette::Mid));
        p.drawLine(r.right(), r.top(), r.right(), r.bottom());
        p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
        p.restore();
    }
}

// Geometry

int CTableCtrl::CellHitTest(const QPoint& point, int* column, QRect* cellRect, int* edge,
                            bool excludePartialRow) const {
    if (column)
        *column = -1;
    if (cellRect)
        *cellRect = QRect();
    if (edge)
        *edge = kEdgeInside;
    const int rows = rowCount();
    const int first = GetTopIndex();
    int last = first + GetCountPerPage() - (excludePartialRow ? 1 : 0);
    if (last > rows - 1)
        last = rows - 1;
    if (last < first) {
        const QModelIndex index = indexAt(point);
        return index.isValid() ? index.row() : -1;
    }
    int hit = -1, spanLeft = 0, spanRight = 0;
    int x = -horizontalOffset();
    for (int visual = 0; visual < header_->count(); ++visual) {
        const int c = header_->logicalIndex(visual);
        if (header_->isSectionHidden(c))
            continue;
        const int width = columnWidth(c);
        // Both ends belong to the span; on a border the later column wins.
        if (point.x() >= x && point.x() <= x + width) {
            hit = c;
            spanLeft = x;
            spanRight = x + width;
        }
        x += width;
    }
    if (hit < 0)
        return -1;
    if (column)
        *column = hit;
    for (int row = first; row <= last; ++row) {
        const int top = rowViewportPosition(row);
        const int height = rowHeight(row);
        if (point.y() >= top && point.y() < top + height) {
            if (cellRect)
                *cellRect = QRect(spanLeft, top, spanRight - spanLeft, height);
            return row;
        }
    }
    if (edge) {
        if (point.y() < rowViewportPosition(first) && first != 0)
            *edge = kEdgeAbove;
        else if (point.y() >= viewport()->height() && last < rows - 1)
            *edge = kEdgeBelow;
    }
    return -1;
}

int CTableCtrl::GetColumnPosition(int column) const {
    const int position = header_->visualIndex(column);
    return position < 0 ? 0 : position;
}

int CTableCtrl::GetColumnAtPosition(int position) const {
    return header_->logicalIndex(position);
}

void CTableCtrl::ScrollColumnIntoView(int column) {
    if (rowCount() == 0 || column < 0 || column >= columnCount())
        return;
    const int left = columnViewportPosition(column);
    const int right = left + columnWidth(column);
    QScrollBar* bar = horizontalScrollBar();
    if (left < 0)
        bar->setValue(bar->value() + left - 1);
    else if (right > viewport()->width() && column != 0)
        bar->setValue(bar->value() + right - viewport()->width());
}

void CTableCtrl::PlaceEditor(int row, int column, bool allowScroll) {
    QWidget* window = editor_.Window();
    if (!window || row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return;
    int offset = 0;
    for (int visual = 0; visual < header_->visualIndex(column); ++visual) {
        const int c = header_->logicalIndex(visual);
        if (!header_->isSectionHidden(c))
            offset += columnWidth(c);
    }
    if (allowScroll) {
        const int x = -horizontalOffset() + offset;
        if (x < 0 || x > viewport()->width())
            horizontalScrollBar()->setValue(horizontalScrollBar()->value() + x);
    }
    const int left = -horizontalOffset() + offset;
    const int right = std::min(left + columnWidth(column), viewport()->width());
    window->setGeometry(left, rowViewportPosition(row), std::max(0, right - left), rowHeight(row));
    window->update();
}

int CTableCtrl::OnToolHitTest(const QPoint& point, QRect* toolRect) const {
    int column = -1;
    const int row = CellHitTest(point, &column, toolRect, nullptr, true);
    if (row < 0 || column < 0)
        return -1;
    return (row << 10) + (column & 0x3FF) + 1;
}

void CTableCtrl::InvalidateCell(int column, int row, bool) {
    if (column < 0 || row < 0 || row >= rowCount() || column >= columnCount())
        return;
    QRect r = visualRect(model()->index(row, column));
    if (column == 0)
        r = QRect(0, rowViewportPosition(row), viewport()->width(), rowHeight(row));
    viewport()->update(r);
}

void CTableCtrl::SetSortColumn(int column, bool ascending, bool show) {
    header_->SetSortMark(show ? column : -1, ascending);
}

// Editor

bool CTableCtrl::EnsureVisibleAndNotify(int row, bool partialOk) {
    bool ok = false;
    if (row >= 0 && row < rowCount()) {
        ok = true;
        const int top = GetTopIndex();
        const int perPage = std::max(1, GetCountPerPage());
        QScrollBar* bar = verticalScrollBar();
        if (row < top) {
            bar->setValue(row);
        } else if (row >= top + perPage) {
            const bool partlyShown =
                row == top + perPage && rowViewportPosition(row) < viewport()->height();
            if (!(partialOk && partlyShown))
                bar->setValue(row - perPage + 1);
        }
    }
    PostSelfNotify();
    return ok;
}

void CTableCtrl::PostSelfNotify() {
    QCoreApplication::postEvent(this, new SelfNotifyEvent(1));
}

void CTableCtrl::OnSelfNotify(int code) {
    QWidget* window = editor_.Window();
    if (!window)
        return;
    if (code == 1)
        PlaceEditor(editor_.Row(), editor_.Column(), false);
    window->setVisible(editor_.Row() >= GetTopIndex());
    InvalidateCell(editor_.Column(), editor_.Row(), false);
}

bool CTableCtrl::EditCell(int column, int row, int kind, const std::vector<std::string>* choices,
                          const char* text) {
    if (kind < kEditBoxCell || kind > kDropListCell) {
        editor_.DestroyWindow();
        editor_.SetCell(row, column);
        return true;
    }
    if (column < 0 || row < 0 || row >= rowCount()) {
        editor_.SetCell(row, column);
        return false;
    }
    EnsureVisibleAndNotify(row, true);
    ScrollColumnIntoView(column);
    if (column >= header_->count() || columnWidth(column) < kMinEditableWidth) {
        editor_.SetCell(row, column);
        return false;
    }
    if (row == editor_.Row() && column == editor_.Column() && !editor_.HasWindow())
        return true;
    static constexpr int kPartFlags[] = {0, CEditableCell::kEditBox, CEditableCell::kEditCombo,
                                         CEditableCell::kDropList};
    int style = kPartFlags[kind] | kWsChild | kWsVisible;
    if (kind == kEditBoxCell) {
        const QTableWidgetItem* head = horizontalHeaderItem(column);
        const int align = head ? head->textAlignment() : 0;
        if (align & Qt::AlignRight)
            style |= kEsRight;
        else if (align & Qt::AlignHCenter)
            style |= kEsCenter;
    }
    // A press on the editor cell re-selects it: the editor under the press stays, so that
    // the release reaches it and starts editing.
    if (row == editor_.Row() && column == editor_.Column() &&
        editor_.Shows(kPartFlags[kind], choices, text)) {
        PlaceEditor(row, column, true);
        setFocus(Qt::OtherFocusReason);
        return true;
    }
    editor_.DestroyWindow();
    editor_.Create(text, choices, row, column, style, QRect(), this, kEditorId);
    PlaceEditor(row, column, true);
    setFocus(Qt::OtherFocusReason); // the editor shows its idle look until editing starts
    return true;
}

void CTableCtrl::OnCellEditNotify(CellEditNotify& n) {
    const int column = editor_.Column();
    const int row = editor_.Row();
    const bool shift = (n.flags & kMkShift) != 0;
    const bool ctrl = (n.flags & kMkControl) != 0;
    bool handled = false;
    switch (n.code) {
    case kCellEditPress:
        LeftPress(column, row, shift, ctrl, handled);
        break;
    case kCellEditRelease:
        LeftRelease(column, row, shift, ctrl, handled);
        break;
    case kCellEditDblClick:
        DoubleClick(column, row, shift, ctrl, handled);
        break;
    case kCellEditEnd: {
        const int sign = shift ? -1 : 1;
        const int columnDirection = n.key == 9 ? sign : 0;
        const int rowDirection = n.key == 13 ? sign : 0;
        if (n.key != 27 && CommitCellText(n.column, n.row, n.text, columnDirection, rowDirection) &&
            !ownerData_ && n.row >= 0 && n.row < rowCount() && n.column >= 0 &&
            n.column < columnCount()) {
            QTableWidgetItem* it = item(n.row, n.column);
            if (!it) {
                it = new QTableWidgetItem;
                setItem(n.row, n.column, it);
            }
            it->setText(QString::fromStdString(n.text));
        }
        // A hook that moved the editor to another cell has started a new edit there.
        if (editor_.Window() == n.sender)
            editor_.EndEdit();
        InvalidateCell(n.column, n.row, false);
        break;
    }
    default:
        break;
    }
}

// Events

bool CTableCtrl::event(QEvent* e) {
    if (e->type() == CellEditEvent::EventType()) {
        OnCellEditNotify(static_cast<CellEditEvent*>(e)->notify);
        return true;
    }
    if (e->type() == SelfNotifyEvent::Type()) {
        OnSelfNotify(static_cast<SelfNotifyEvent*>(e)->code);
        return true;
    }
    if (e->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(e);
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) && PassesTabOn() &&
            !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            QWidget::focusNextPrevChild(key->key() == Qt::Key_Tab &&
                                        !(key->modifiers() & Qt::ShiftModifier));
            return true;
        }
        if (PreTranslateMessage(key))
            return true;
        // Tab moves between cells, not out of the table.
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            keyPressEvent(key);
            return true;
        }
    }
    return QTableWidget::event(e);
}

bool CTableCtrl::PreTranslateMessage(QKeyEvent* e) {
    if (!editor_.HasWindow() || !hasFocus())
        return false;
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        EnsureVisibleAndNotify(editor_.Row(), false);
        editor_.BeginEdit(nullptr, false);
        return true;
    }
    if (e->key() == Qt::Key_Escape) {
        editor_.DestroyWindow();
        return true;
    }
    // A cell with a list opens it as any combo box does, also before anything is typed.
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    const bool toggle =
        ((e->key() == Qt::Key_Down || e->key() == Qt::Key_Up) && mods == Qt::AltModifier) ||
        (e->key() == Qt::Key_F4 && mods == Qt::NoModifier);
    if (toggle && editor_.PartKindValue() != CEditableCell::kEditBox) {
        EnsureVisibleAndNotify(editor_.Row(), false);
        editor_.BeginEdit(nullptr, true);
        return true;
    }
    return false;
}

void CTableCtrl::keyPressEvent(QKeyEvent* e) {
    const bool shift = e->modifiers() & Qt::ShiftModifier;
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    const int perPage = GetCountPerPage();
    int columnStep = 0, rowStep = 0;
    bool move = true;
    switch (e->key()) {
    case Qt::Key_Right:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        columnStep = 1;
        break;
    case Qt::Key_Left:
        columnStep = -1;
        break;
    case Qt::Key_Up:
        rowStep = -1;
        break;
    case Qt::Key_Down:
        rowStep = 1;
        break;
    case Qt::Key_PageUp:
        rowStep = -perPage;
        break;
    case Qt::Key_PageDown:
        rowStep = perPage;
        break;
    default:
        move = false;
    }
    const bool menuKey = (e->key() == Qt::Key_Menu && !shift && !ctrl) ||
                         (e->key() == Qt::Key_F10 && shift && !ctrl);
    if (menuKey && OnKeyboardContextMenu()) {
        e->accept();
        return;
    }
    if (move) {
        if (MoveCurrentCell(columnStep, rowStep, shift, ctrl)) {
            e->accept();
            return;
        }
    } else {
        const QString text = e->text();
        const bool printable = text.size() == 1 && text[0].isPrint() &&
                               !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
        if (printable && editor_.HasWindow()) {
            EnsureVisibleAndNotify(editor_.Row(), false);
            editor_.BeginEdit(text.toUtf8().constData(), false);
            e->accept();
            return;
        }
    }
    QTableWidget::keyPressEvent(e);
}

void CTableCtrl::LeftPress(int column, int row, bool shift, bool ctrl, bool& handled) {
    handled = false;
    if (column < 0 || row < 0)
        return;
    pressedOnEditorCell_ =
        editor_.HasWindow() && row == editor_.Row() && column == editor_.Column();
    handled = OnCellLButtonDown(column, row, shift, ctrl);
}

void CTableCtrl::LeftRelease(int column, int row, bool shift, bool ctrl, bool& handled) {
    const bool wasPressed = editor_.HasWindow() && row == editor_.Row() &&
                            column == editor_.Column() && pressedOnEditorCell_;
    pressedOnEditorCell_ = false;
    handled = OnCellLButtonUp(column, row, shift, ctrl);
    if (wasPressed)
        editor_.BeginEdit(nullptr, false);
}

void CTableCtrl::DoubleClick(int column, int row, bool shift, bool ctrl, bool& handled) {
    handled = false;
    if (column < 0 || row < 0)
        return;
    handled = OnCellDblClick(column, row, shift, ctrl);
    if (editor_.HasWindow() && row == editor_.Row() && column == editor_.Column())
        editor_.BeginEdit(nullptr, true);
}

void CTableCtrl::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        int column = -1;
        const int row = CellHitTest(e->position().toPoint(), &column, nullptr, nullptr, false);
        bool handled = false;
        LeftPress(column, row, e->modifiers() & Qt::ShiftModifier,
                  e->modifiers() & Qt::ControlModifier, handled);
        if (handled)
            return;
    }
    QTableWidget::mousePressEvent(e);
}

void CTableCtrl::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        int column = -1;
        const int row = CellHitTest(e->position().toPoint(), &column, nullptr, nullptr, false);
        bool handled = false;
        LeftRelease(column, row, e->modifiers() & Qt::ShiftModifier,
                    e->modifiers() & Qt::ControlModifier, handled);
        if (handled)
            return;
    }
    QTableWidget::mouseReleaseEvent(e);
}

void CTableCtrl::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        int column = -1;
        const int row = CellHitTest(e->position().toPoint(), &column, nullptr, nullptr, false);
        bool handled = false;
        DoubleClick(column, row, e->modifiers() & Qt::ShiftModifier,
                    e->modifiers() & Qt::ControlModifier, handled);
        if (handled)
            return;
    }
    QTableWidget::mouseDoubleClickEvent(e);
}

void CTableCtrl::mouseMoveEvent(QMouseEvent* e) {
    int column = -1, edge = kEdgeInside;
    int row = CellHitTest(e->position().toPoint(), &column, nullptr, &edge, true);
    const int top = GetTopIndex();
    const int perPage = GetCountPerPage();
    if (edge == kEdgeAbove)
        row = top - 1;
    else if (edge == kEdgeBelow)
        row = rowCount() - 1 < top + perPage ? rowCount() - 1 : top + perPage;
    if (!OnCellMouseMove(column, row, edge))
        QTableWidget::mouseMoveEvent(e);
}

void CTableCtrl::wheelEvent(QWheelEvent* e) {
    if (editor_.HasWindow())
        PostSelfNotify();
    QTableWidget::wheelEvent(e);
}

void CTableCtrl::scrollContentsBy(int dx, int dy) {
    QTableWidget::scrollContentsBy(dx, dy);
    if (editor_.HasWindow())
        PostSelfNotify();
}

void CTableCtrl::contextMenuEvent(QContextMenuEvent* e) {
    // The window system follows the Menu key with a menu request at the text cursor, which a
    // table has not: the key itself opens the menu (OnKeyboardContextMenu).
    if (e->reason() == QContextMenuEvent::Keyboard) {
        e->accept();
        return;
    }
    int column = -1;
    const int row = CellHitTest(e->pos(), &column, nullptr, nullptr, false);
    if (row < 0) {
        e->accept();
        return;
    }
    if (!OnCellContextMenu(column, row, e->globalPos().x(), e->globalPos().y()))
        QTableWidget::contextMenuEvent(e);
}

void CTableCtrl::resizeEvent(QResizeEvent* e) {
    QTableWidget::resizeEvent(e);
    LayOutWithoutScrollBars();
}

void CTableCtrl::LayOutWithoutScrollBars() {
    if (HasScrollBars())
        return;
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    verticalScrollBar()->setValue(0);
}

bool CTableCtrl::viewportEvent(QEvent* e) {
    if (e->type() != QEvent::ToolTip)
        return QTableWidget::viewportEvent(e);
    auto* help = static_cast<QHelpEvent*>(e);
    QRect toolRect;
    const int id = OnToolHitTest(help->pos(), &toolRect);
    QString text;
    if (id > 0)
        text = QString::fromStdString(GetCellTooltip((id - 1) & 0x3FF, (id - 1) >> 10))
                   .left(kToolTipChars);
    if (text.isEmpty()) {
        QToolTip::hideText();
        e->ignore();
    } else {
        QToolTip::showText(help->globalPos(), text, viewport(), toolRect);
    }
    return true;
}

// Header

bool CTableCtrl::HeaderBeginTrack(int column) {
    if (!CanResizeColumn(column))
        return true;
    if (QWidget* window = editor_.Window())
        window->hide();
    return false;
}

void CTableCtrl::HeaderTrack(int, int) {
    if (editor_.HasWindow())
        PostSelfNotify();
}

bool CTableCtrl::HeaderDividerDblClick(int column) {
    const int width = GetColumnAutoWidth(column);
    if (width < 0)
        return false;
    setColumnWidth(column, width);
    return true;
}

#include "app/controls/button_list_ctrl.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QPointer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTableView>
#include <QWheelEvent>
#include <algorithm>

namespace {

constexpr int kToolTipChars = 79;
// A press that moves further than this in x or y becomes a drag.
constexpr int kDragDistance = 6;

} // namespace

// HeaderButtonCtrl

HeaderButtonCtrl::HeaderButtonCtrl(ButtonListCtrl* strip, QWidget* parent)
    : IconButton(parent), strip_(strip) {
    // Row buttons are no Tab stops: Tab would walk four of them a row. Once one has the
    // focus, the arrows move between them.
    setFocusPolicy(Qt::ClickFocus);
}

void HeaderButtonCtrl::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Up:
        strip_->MoveFocus(this, 0, -1);
        break;
    case Qt::Key_Down:
        strip_->MoveFocus(this, 0, 1);
        break;
    case Qt::Key_Left:
        strip_->MoveFocus(this, -1, 0);
        break;
    case Qt::Key_Right:
        strip_->MoveFocus(this, 1, 0);
        break;
    default:
        IconButton::keyPressEvent(e);
        return;
    }
    e->accept();
}

void HeaderButtonCtrl::wheelEvent(QWheelEvent* e) {
    IconButton::wheelEvent(e);
    const int delta = e->angleDelta().y();
    const int step = delta < 0 ? 1 : delta > 0 ? -1 : 0;
    const int row = std::clamp(row_ + step, 0, std::max(0, strip_->GetRowCount() - 1));
    if (step == 0 || row == row_)
        return;
    const QPoint global = e->globalPosition().toPoint();
    strip_->ForwardMouseWheel(int(e->buttons()) | int(e->modifiers()), delta, global.x(),
                              global.y());
    strip_->MoveFocus(this, 0, step);
    e->accept();
}

// ButtonListContainerCtrl

ButtonListContainerCtrl::ButtonListContainerCtrl(ButtonListCtrl* strip, QWidget* parent)
    : QWidget(parent), strip_(strip) {
    setFocusPolicy(Qt::ClickFocus);
}

int ButtonListContainerCtrl::RowAt(int y) const {
    const int height = strip_->rowHeight_;
    // Rounded down: above a top row that begins lower down lies the row before it.
    const int from = y - strip_->topShift_;
    const int rows = from >= 0 ? from / height : -((-from + height - 1) / height);
    return strip_->topRow_ + rows;
}

void ButtonListContainerCtrl::Press(QMouseEvent* e, QPoint pos, bool takeFocus) {
    if (e->button() != Qt::LeftButton && e->button() != Qt::RightButton)
        return;
    const bool shift = e->modifiers() & Qt::ShiftModifier;
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    const bool right = e->button() == Qt::RightButton;
    const int row = RowAt(pos.y());
    if (row < 0 || row >= strip_->rowCount_) {
        strip_->SelectRow(-1, shift, ctrl, right);
        return;
    }
    if (takeFocus)
        setFocus(Qt::MouseFocusReason);
    pressX_ = pos.x();
    pressY_ = pos.y();
    strip_->SelectRow(row, shift, ctrl, right);
}

void ButtonListContainerCtrl::Release(QMouseEvent* e, QPoint pos) {
    if (e->button() != Qt::LeftButton && e->button() != Qt::RightButton)
        return;
    const int row = std::clamp(RowAt(pos.y()), 0, std::max(0, strip_->rowCount_ - 1));
    if (strip_->pendingRow_ >= 0)
        strip_->FinishSelectRow(row, e->modifiers() & Qt::ShiftModifier,
                                e->modifiers() & Qt::ControlModifier,
                                e->button() == Qt::RightButton);
}

void ButtonListContainerCtrl::Move(QPoint pos) {
    if (strip_->pendingRow_ < 0 || strip_->ctrlHeld_ || strip_->shiftHeld_)
        return;
    if (std::abs(pos.x() - pressX_) > kDragDistance || std::abs(pos.y() - pressY_) > kDragDistance)
        strip_->CancelPendingSelect();
}

void ButtonListContainerCtrl::ContextMenu(QPoint pos, QPoint globalPos) {
    window()->activateWindow();
    const int row = RowAt(pos.y());
    if (row >= 0 && row < strip_->rowCount_)
        strip_->OnContextMenu(row, globalPos.x(), globalPos.y());
}

void ButtonListContainerCtrl::mousePressEvent(QMouseEvent* e) {
    Press(e, e->position().toPoint(), true);
    QWidget::mousePressEvent(e);
}

void ButtonListContainerCtrl::mouseReleaseEvent(QMouseEvent* e) {
    Release(e, e->position().toPoint());
    QWidget::mouseReleaseEvent(e);
}

void ButtonListContainerCtrl::mouseMoveEvent(QMouseEvent* e) {
    Move(e->position().toPoint());
    QWidget::mouseMoveEvent(e);
}

void ButtonListContainerCtrl::contextMenuEvent(QContextMenuEvent* e) {
    ContextMenu(e->pos(), e->globalPos());
    QWidget::contextMenuEvent(e);
}

// The row buttons' mouse input selects rows as the container's own does; the buttons
// then handle it as usual.
bool ButtonListContainerCtrl::eventFilter(QObject* watched, QEvent* e) {
    auto* button = qobject_cast<QWidget*>(watched);
    if (!button || button->parentWidget() != this || buttonReleasing_)
        return false;
    if (e->type() == QEvent::MouseButtonRelease) {
        // The button takes its release first: finishing the row's selection moves the focus
        // to the table, and a button that loses the focus while down drops its click.
        auto* m = static_cast<QMouseEvent*>(e);
        const QPoint pos = button->mapToParent(m->position().toPoint());
        QPointer<ButtonListContainerCtrl> alive(this);
        buttonReleasing_ = true;
        QCoreApplication::sendEvent(button, e);
        if (!alive)
            return true;
        buttonReleasing_ = false;
        Release(m, pos);
        return true;
    }
    switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove: {
        auto* m = static_cast<QMouseEvent*>(e);
        const QPoint pos = button->mapToParent(m->position().toPoint());
        if (e->type() == QEvent::MouseButtonPress)
            Press(m, pos, false); // the pressed button takes the focus itself
        else if (m->buttons() != Qt::NoButton)
            Move(pos);
        break;
    }
    case QEvent::ContextMenu: {
        auto* c = static_cast<QContextMenuEvent*>(e);
        ContextMenu(button->mapToParent(c->pos()), c->globalPos());
        break;
    }
    default:
        break;
    }
    return false;
}

// ButtonListCtrl

ButtonListCtrl::ButtonListCtrl(QWidget* parent) : QWidget(parent) {
    upperFiller_ = new QPushButton(this);
    upperFiller_->setEnabled(false);
    lowerFiller_ = new QPushButton(this);
    lowerFiller_->setEnabled(false);
    container_ = new ButtonListContainerCtrl(this, this);
}

ButtonListCtrl::~ButtonListCtrl() {
    for (HeaderButtonCtrl* button : buttons_)
        button->removeEventFilter(container_);
    for (HeaderButtonCtrl* button : spare_)
        button->removeEventFilter(container_);
}

void ButtonListCtrl::SetRowHeight(int height) {
    rowHeight_ = std::max(1, height); // rows are counted by dividing by it
}

int ButtonListCtrl::GetStripWidth() const {
    int width = leftOffset_;
    for (const auto& column : columns_)
        width += column.size;
    return width;
}

int ButtonListCtrl::VisibleRows() const {
    return (height() - bottomInset_ - topInset_) / rowHeight_;
}

void ButtonListCtrl::AddButtonColumn(int size, int iconId, bool toggle,
                                     const std::string& toolTip) {
    columns_.push_back({iconId, size, toggle, toolTip.substr(0, 255)});
    resize(GetStripWidth(), height());
}

void ButtonListCtrl::RemoveAllColumns() {
    RemoveAllRows();
    columns_.clear();
}

void ButtonListCtrl::AddRow(int fromRow) {
    ++rowCount_;
    Layout(fromRow);
}

bool ButtonListCtrl::RemoveRows(int count, int newTopRow) {
    rowCount_ = std::max(0, rowCount_ - count);
    topRow_ = newTopRow;
    Layout(0);
    return true;
}

void ButtonListCtrl::RemoveAllRows() {
    rowCount_ = 0;
    topRow_ = 0;
    topShift_ = 0;
    Layout(0);
}

void ButtonListCtrl::SetRowCount(int count) {
    rowCount_ = std::max(0, count);
    topRow_ = std::clamp(topRow_, 0, std::max(0, rowCount_ - 1));
    Layout(0);
}

void ButtonListCtrl::SetTopRow(int row, int shift) {
    if (row == topRow_ && shift == topShift_)
        return;
    topRow_ = row;
    topShift_ = shift;
    Layout(0);
}

bool ButtonListCtrl::FollowRows(const QTableView& table) {
    const int rows = table.model() != nullptr ? table.model()->rowCount() : 0;
    const int top = rows > 0 ? std::max(0, table.rowAt(0)) : 0;
    // The table scrolls by rows but shows its last row whole at the bottom: its top row is
    // then cut, and the strip's rows follow it by that much.
    int shift = 0;
    if (top < rows) {
        const QPoint rowTop =
            table.viewport()->mapTo(table.window(), QPoint(0, table.rowViewportPosition(top)));
        shift = mapFrom(table.window(), rowTop).y() - topInset_;
    }
    if (topRow_ == top && topShift_ == shift)
        return false;
    SetTopRow(top, shift);
    return true;
}

HeaderButtonCtrl* ButtonListCtrl::GetButtonAt(int column, int row) const {
    const int columns = ColumnCount();
    if (column < 0 || column >= columns || row < topRow_)
        return nullptr;
    const std::size_t index =
        std::size_t(column) + std::size_t(columns) * std::size_t(row - topRow_);
    if (index >= buttons_.size() || buttons_[index]->Row() != row)
        return nullptr;
    return buttons_[index];
}

int ButtonListCtrl::Layout(int fromRow) {
    const int columns = ColumnCount();
    int focusRow = -1, focusColumn = -1;
    for (HeaderButtonCtrl* button : buttons_) {
        if (button->hasFocus()) {
            focusRow = button->Row();
            focusColumn = button->Column();
        }
    }
    // Every row with a part in sight gets its buttons: a top row scrolled up in part shows
    // its lower part, and the rows below it reach one further.
    const int shown = std::max(0, (height() - bottomInset_ - topInset_ - topShift_) / rowHeight_);
    const int end = std::min(rowCount_, shown + topRow_ + 1);
    bool changed = false;
    if (columns > 0) {
        // Buttons sit at fixed indexes: start no later than the first row without one.
        int first = std::max(fromRow, topRow_);
        first = std::min(first, topRow_ + int(buttons_.size()) / columns);
        for (int row = first; row < end; ++row) {
            int x = leftOffset_;
            for (int column = 0; column < columns; ++column) {
                const RowButtonDef& def = columns_[column];
                const std::size_t index = std::size_t(column + columns * (row - topRow_));
                if (index >= buttons_.size()) {
                    // A button let go of earlier comes back before a new one is made: each
                    // search of a window empties its strip and fills it again.
                    HeaderButtonCtrl* button = nullptr;
                    if (!spare_.empty()) {
                        button = spare_.back();
                        spare_.pop_back();
                    } else {
                        button = new HeaderButtonCtrl(this, container_);
                        button->installEventFilter(container_);
                        connect(button, &QAbstractButton::clicked, this, [this, button] {
                            if (button->Row() >= 0)
                                OnButtonClicked(button->Column(), button->Row(), button);
                        });
                    }
                    button->setCheckable(def.toggle);
                    if (button->IconId() != def.iconId || button->Column() != column) {
                        button->SetIcon(def.iconId);
                        button->SetIconId(def.iconId);
                        // A picture larger than the button is scaled down to fit inside its
                        // frame.
                        const int room = std::max(1, def.size - 8);
                        button->setIconSize(button->iconSize().boundedTo(QSize(room, room)));
                        button->setToolTip(
                            QString::fromStdString(def.toolTip).left(kToolTipChars));
                    }
                    button->show();
                    buttons_.push_back(button);
                }
                HeaderButtonCtrl* button = buttons_[index];
                // Placed each time: the rows move by whole rows and by the top row's shift.
                button->setGeometry(x, topOffset_ + topShift_ + (row - topRow_) * rowHeight_,
                                    def.size, def.size);
                button->Bind(row, column);
                if (def.toggle)
                    button->setChecked(IsButtonChecked(column, row));
                if (row == focusRow && column == focusColumn)
                    button->setFocus(Qt::OtherFocusReason);
                changed = true;
                x += def.size;
            }
        }
    }
    const std::size_t keep = std::size_t(std::max(0, end - topRow_) * columns);
    while (buttons_.size() > keep) {
        HeaderButtonCtrl* button = buttons_.back();
        buttons_.pop_back();
        // Kept hidden for the next rows (the button may be the one whose click or key led
        // here); it answers nothing until it is bound to a row again.
        button->hide();
        button->setDown(false);
        button->Bind(-1, button->Column());
        spare_.push_back(button);
        changed = true;
    }
    if (changed)
        update();
    return 0;
}

void ButtonListCtrl::MoveFocus(HeaderButtonCtrl* from, int columnStep, int rowStep) {
    const int row = std::clamp(from->Row() + rowStep, 0, std::max(0, rowCount_ - 1));
    const int column = std::clamp(from->Column() + columnStep, 0, std::max(0, ColumnCount() - 1));
    if (row == from->Row() && column == from->Column())
        return;
    EnsureRowVisible(column, row);
    if (HeaderButtonCtrl* target = GetButtonAt(column, row))
        target->setFocus(Qt::OtherFocusReason);
}

bool ButtonListCtrl::SelectRow(int row, bool shift, bool ctrl, bool rightButton) {
    if (row == -1) {
        for (int i = 0; i < rowCount_; ++i)
            SetRowSelected(i, false);
    } else {
        pendingRow_ = row;
        shiftHeld_ = shift;
        ctrlHeld_ = ctrl;
        if (shift && !ctrl) {
            const int lo = std::min(anchorRow_, row), hi = std::max(anchorRow_, row);
            for (int i = 0; i < rowCount_; ++i)
                SetRowSelected(i, i >= lo && i <= hi);
            endRow_ = row;
        } else if (ctrl && !shift) {
            SetRowSelected(row, !IsRowSelected(row));
        } else if (!shift && !ctrl) {
            if (!IsRowSelected(row)) {
                for (int i = 0; i < rowCount_; ++i)
                    SetRowSelected(i, i == row);
                anchorRow_ = endRow_ = row;
            } else if (rightButton) {
                pendingRow_ = -1; // a right click keeps a multiple selection for the menu
            }
        }
    }
    update();
    return true;
}

bool ButtonListCtrl::FinishSelectRow(int, bool, bool, bool) {
    bool changed = false;
    if (pendingRow_ >= 0 && !ctrlHeld_ && !shiftHeld_) {
        for (int i = 0; i < rowCount_; ++i)
            SetRowSelected(i, i == pendingRow_);
        anchorRow_ = pendingRow_;
        changed = true;
    }
    pendingRow_ = -1;
    ctrlHeld_ = shiftHeld_ = false;
    if (changed)
        update();
    return changed;
}

bool ButtonListCtrl::CancelPendingSelect() {
    pendingRow_ = -1;
    return true;
}

void ButtonListCtrl::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
}

void ButtonListCtrl::SetBottomInset(int inset) {
    if (inset == bottomInset_)
        return;
    bottomInset_ = inset;
    PlaceParts();
    Layout(0);
}

void ButtonListCtrl::PlaceParts() {
    const int w = width(), h = height();
    upperFiller_->setGeometry(0, 0, w, topInset_);
    lowerFiller_->setGeometry(0, h - bottomInset_, w, bottomInset_);
    container_->setGeometry(0, topInset_, w, h - topInset_ - bottomInset_);
}

void ButtonListCtrl::resizeEvent(QResizeEvent*) {
    PlaceParts();
    const int last = std::max(0, rowCount_ - VisibleRows());
    if (topRow_ > last) {
        topRow_ = last;
        topShift_ = 0;
    }
    Layout(0);
}

#include "editor/toolkit/host_window.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "editor/toolkit/widget_window.h"

namespace {

constexpr int kTickMilliseconds = 20;

QColor WindowColor() {
    return QApplication::palette().color(QPalette::Active, QPalette::Base);
}

} // namespace

CGN_Wnd::CGN_Wnd(QWidget* parent) : QAbstractScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    CreateBackBuffer();
    SetScrollBar(Qt::Horizontal, 0, 0, 0);
    SetScrollBar(Qt::Vertical, 0, 0, 0);
    tick_.setInterval(kTickMilliseconds);
    connect(&tick_, &QTimer::timeout, this, [this] {
        if (root != nullptr && root->wantsTicks)
            root->OnTick();
    });
    connect(horizontalScrollBar(), &QAbstractSlider::actionTriggered, this,
            [this](int action) { ScrollBarAction(Qt::Horizontal, action); });
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
            [this](int action) { ScrollBarAction(Qt::Vertical, action); });
}

CGN_Wnd::~CGN_Wnd() {
    StopTick();
    FreeBackBuffer();
    // A tree that outlives its host must not reach for it.
    if (root != nullptr)
        root->host = nullptr;
}

void CGN_Wnd::BeginDirectDraw() {
    directDraw_ = true;
    FreeBackBuffer();
}

void CGN_Wnd::EndDirectDraw() {
    CreateBackBuffer();
    directDraw_ = false;
}

void CGN_Wnd::PaintDirect(QPainter*, const QRect& target) {
    viewport()->repaint(target);
}

void CGN_Wnd::CreateBackBuffer() {
    const QSize size = viewport()->size();
    if (size.width() <= 0 || size.height() <= 0) {
        backBuffer_ = QImage();
        return;
    }
    backBuffer_ = QImage(size, QImage::Format_RGB32);
    backBuffer_.fill(WindowColor());
}

void CGN_Wnd::FreeBackBuffer() {
    backBuffer_ = QImage();
}

void CGN_Wnd::PaintClip(const QRect& clip) {
    QPainter dc(&backBuffer_);
    dc.setClipRect(clip);
    dc.fillRect(clip, WindowColor());
    root->Draw(dc, clip.x(), clip.y(), clip.width(), clip.height(), 0, 0);
}

void CGN_Wnd::PaintBuffer(const QRect& clip) {
    if (root != nullptr && !backBuffer_.isNull() && !clip.isEmpty())
        PaintClip(clip);
}

void CGN_Wnd::paintEvent(QPaintEvent* event) {
    PaintContent(event->rect());
    if (hasFocus()) {
        QPainter focus(viewport());
        focus.setClipRect(event->rect());
        PaintFocus(focus);
    }
}

void CGN_Wnd::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void CGN_Wnd::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void CGN_Wnd::PaintContent(const QRect& clip) {
    QPainter screen(viewport());
    if (root == nullptr) {
        screen.fillRect(clip, Qt::white);
        return;
    }
    if (!backBuffer_.isNull()) {
        PaintClip(clip);
        // Whole columns of the update box, as the buffer holds them.
        const QRect columns(clip.x(), 0, clip.width(), viewport()->height());
        screen.drawImage(columns, backBuffer_, columns);
        return;
    }
    screen.setClipRect(clip);
    root->Draw(screen, clip.x(), clip.y(), clip.width(), clip.height(), 0, 0);
}

void CGN_Wnd::resizeEvent(QResizeEvent*) {
    // The scroll area hears of its own size and of the viewport's: act on the client size.
    const QSize size = viewport()->size();
    if (size.width() <= 0 || size.height() <= 0 || size == handledSize_)
        return;
    handledSize_ = size;
    if (!directDraw_) {
        FreeBackBuffer();
        CreateBackBuffer();
    }
    if (root != nullptr)
        root->Resize(size.width(), size.height());
}

bool CGN_Wnd::viewportEvent(QEvent* event) {
    // Leaving the client area, for the scroll bars too, ends every hover.
    if (event->type() == QEvent::Leave && root != nullptr)
        root->OnMouseLeave();
    return QAbstractScrollArea::viewportEvent(event);
}

void CGN_Wnd::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (root == nullptr || event->button() != Qt::LeftButton)
        return;
    const QPoint point = event->position().toPoint();
    root->OnButtonDown(point.x(), point.y(), 0, event->modifiers() & Qt::ControlModifier,
                       event->modifiers() & Qt::ShiftModifier);
}

void CGN_Wnd::mouseReleaseEvent(QMouseEvent* event) {
    if (root != nullptr && event->button() == Qt::LeftButton) {
        const QPoint point = event->position().toPoint();
        const int px = std::clamp(point.x(), 0, std::max(viewport()->width() - 1, 0));
        const int py = std::clamp(point.y(), 0, std::max(viewport()->height() - 1, 0));
        root->OnButtonUp(px, py, 0, event->modifiers() & Qt::ControlModifier,
                         event->modifiers() & Qt::ShiftModifier);
    }
    event->accept();
}

void CGN_Wnd::mouseMoveEvent(QMouseEvent* event) {
    if (root != nullptr) {
        // A drag that left the window goes on at its edge, with the side it left by.
        const QPoint point = event->position().toPoint();
        const int outcode = root->HitOutcode(point.x(), point.y());
        const int px = std::clamp(point.x(), 0, std::max(viewport()->width() - 1, 0));
        const int py = std::clamp(point.y(), 0, std::max(viewport()->height() - 1, 0));
        root->OnMouseMove(px, py, outcode);
    }
    event->accept();
}

void CGN_Wnd::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
}

void CGN_Wnd::keyPressEvent(QKeyEvent* event) {
    QWidget::keyPressEvent(event);
}

void CGN_Wnd::wheelEvent(QWheelEvent* event) {
    event->accept();
    const int delta = event->angleDelta().y();
    if (root == nullptr || delta == 0)
        return;
    root->OnMouseWheel(delta < 0); // negative: towards the user
}

void CGN_Wnd::contextMenuEvent(QContextMenuEvent* event) {
    if (root == nullptr)
        return;
    const QPoint point = viewport()->mapFromGlobal(event->globalPos());
    root->OnContextMenu(point.x(), point.y());
}

void CGN_Wnd::scrollContentsBy(int, int) {
    // The root moves its content itself in SetScrollPosition.
}

void CGN_Wnd::InvalidateClient(int x, int y, int width, int height) {
    viewport()->update(x, y, width, height);
}

void CGN_Wnd::TakeCapture() {
    // While a button is held Qt sends every mouse event to the pressed widget anyway,
    // inside the window or not; taking the focus is what is left to do.
    setFocus(Qt::MouseFocusReason);
}

void CGN_Wnd::ReleaseCapture() {}

void CGN_Wnd::ShowCursorKind(int kind) {
    static constexpr Qt::CursorShape kShapes[] = {Qt::ArrowCursor, Qt::WaitCursor,
                                                  Qt::PointingHandCursor, Qt::SizeHorCursor,
                                                  Qt::SizeVerCursor};
    if (kind >= 1 && kind <= 4)
        viewport()->setCursor(kShapes[kind]);
    else
        viewport()->unsetCursor();
}

void CGN_Wnd::StartTick() {
    tick_.start();
}

void CGN_Wnd::StopTick() {
    tick_.stop();
}

void CGN_Wnd::SetScrollBar(Qt::Orientation orientation, int position, int total, int page) {
    QScrollBar* bar = orientation == Qt::Horizontal ? horizontalScrollBar() : verticalScrollBar();
    if (page >= 0 && page < total) {
        const int barPage = static_cast<int>(std::int64_t{page} * kScrollRange / total);
        const int barPosition = static_cast<int>(std::int64_t{position} * kScrollRange / total);
        // The thumb's largest position leaves room for the page, as the bar shows it.
        bar->setRange(0, kScrollRange - std::max(barPage - 1, 0));
        bar->setPageStep(std::max(barPage, 1));
        bar->setValue(barPosition);
    } else {
        bar->setRange(0, 0);
        bar->setPageStep(0);
        bar->setValue(0);
    }
    bar->update();
}

void CGN_Wnd::ScrollBarAction(Qt::Orientation orientation, int action) {
    if (movingBar_)
        return;
    QScrollBar* bar = orientation == Qt::Horizontal ? horizontalScrollBar() : verticalScrollBar();
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
        OnScroll(orientation, kLineUp, 0);
        break;
    case QAbstractSlider::SliderSingleStepAdd:
        OnScroll(orientation, kLineDown, 0);
        break;
    case QAbstractSlider::SliderPageStepSub:
        OnScroll(orientation, kPageUp, 0);
        break;
    case QAbstractSlider::SliderPageStepAdd:
        OnScroll(orientation, kPageDown, 0);
        break;
    case QAbstractSlider::SliderToMinimum:
        OnScroll(orientation, kTop, 0);
        break;
    case QAbstractSlider::SliderToMaximum:
        OnScroll(orientation, kBottom, 0);
        break;
    case QAbstractSlider::SliderMove:
        OnScroll(orientation, kThumbTrack, bar->sliderPosition());
        break;
    default:
        break;
    }
}

void CGN_Wnd::OnScroll(Qt::Orientation orientation, ScrollCode code, int thumb) {
    if (root == nullptr)
        return;
    const bool vertical = orientation == Qt::Vertical;
    const int position = vertical ? root->verticalPosition : root->horizontalPosition;
    const int total = vertical ? root->verticalTotal : root->horizontalTotal;
    const int page = vertical ? root->verticalPage : root->horizontalPage;
    // A page as large as the content leaves nowhere to go: every step gives 0.
    const int limit = std::max(total - page, 0);
    int moved;
    switch (code) {
    case kLineUp:
        moved = std::max(position - page / 10, 0);
        break;
    case kLineDown:
        moved = std::min(position + page / 10, limit);
        break;
    case kPageUp:
        moved = std::max(position - page, 0);
        break;
    case kPageDown:
        moved = std::min(position + page, limit);
        break;
    case kThumbPosition:
    case kThumbTrack:
        moved = static_cast<int>(std::llround(double(thumb) * total / kScrollRange));
        // The horizontal content may be scrolled past its last page; the vertical not.
        if (vertical)
            moved = std::min(moved, limit);
        break;
    case kTop:
        moved = 0;
        break;
    case kBottom:
        moved = limit;
        break;
    default:
        return;
    }
    QScrollBar* bar = vertical ? verticalScrollBar() : horizontalScrollBar();
    const int barPosition =
        total > 0 ? static_cast<int>(std::int64_t{moved} * kScrollRange / total) : 0;
    movingBar_ = true;
    bar->setSliderPosition(barPosition);
    movingBar_ = false;
    bar->update();
    if (vertical)
        root->SetScrollPosition(root->horizontalPosition, moved);
    else
        root->SetScrollPosition(moved, root->verticalPosition);
}

// The platform window of a widget tree: it paints the tree through a back buffer of its
// client size and turns Qt's paint, size, mouse, wheel, scroll-bar, timer and context-menu
// events into calls on the root. The client area is the scroll area's viewport.
#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <QTimer>

class CGI_Window;
class QPainter;

class CGN_Wnd : public QAbstractScrollArea {
    Q_OBJECT
public:
    // What a scroll bar asks for.
    enum ScrollCode {
        kLineUp,
        kLineDown,
        kPageUp,
        kPageDown,
        kThumbPosition,
        kThumbTrack,
        kTop,
        kBottom,
        kEndScroll,
    };
    // The bars run over 0..kScrollRange; the root's own units are scaled onto them.
    static constexpr int kScrollRange = 32767;

    explicit CGN_Wnd(QWidget* parent = nullptr);
    ~CGN_Wnd() override;

    // Painting straight into the client area, without the back buffer.
    virtual void BeginDirectDraw();
    virtual void EndDirectDraw();
    // Runs the host's painting of the rectangle; the painter given is not used.
    virtual void PaintDirect(QPainter* dc, const QRect& target);

    // Paints the clip box of the tree into the back buffer (no root: nothing).
    void PaintBuffer(const QRect& clip);
    const QImage& BackBuffer() const { return backBuffer_; }
    bool DirectDraw() const { return directDraw_; }

    // The scroll-bar handling: moves the root's position of that direction by the code.
    void OnScroll(Qt::Orientation orientation, ScrollCode code, int thumb);

    // Services of the root.
    void InvalidateClient(int x, int y, int width, int height);
    void TakeCapture();
    void ReleaseCapture();
    void ShowCursorKind(int kind);
    void StartTick();
    void StopTick();
    bool TickRunning() const { return tick_.isActive(); }
    // position, total and page in the root's units.
    void SetScrollBar(Qt::Orientation orientation, int position, int total, int page);

    CGI_Window* root = nullptr; // bound by the widget window itself; not owned

protected:
    // Drawn over the picture while the window has the keyboard focus, so that a user who
    // tabbed here sees where the keys go; nothing by default.
    virtual void PaintFocus(QPainter&) {}
    bool viewportEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    // The second press of a double click is a press like any other.
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    // Keys are left to the owner (the scroll area would move its bars with them).
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void CreateBackBuffer();
    void FreeBackBuffer();
    void PaintClip(const QRect& clip);
    void PaintContent(const QRect& clip);
    void ScrollBarAction(Qt::Orientation orientation, int action);

    QImage backBuffer_;
    bool directDraw_ = false;
    // Set while OnScroll moves a bar itself: the bar's own action must not come back as a
    // thumb move, which would round the position to the bar's coarse units.
    bool movingBar_ = false;
    QTimer tick_;
    QSize handledSize_;
};

#include "app/frame_placement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace {

// Margins a window manager typically adds; only used until the real ones are known.
constexpr int kEstimatedTitleBar = 30;
constexpr int kEstimatedBorder = 4;

QMargins FrameMargins(const QWidget& window) {
    const QRect frame = window.frameGeometry();
    const QRect client = window.geometry();
    const QMargins real(client.left() - frame.left(), client.top() - frame.top(),
                        frame.right() - client.right(), frame.bottom() - client.bottom());
    if (real.top() > 0 || real.left() > 0)
        return real;
    return {kEstimatedBorder, kEstimatedTitleBar, kEstimatedBorder, kEstimatedBorder};
}

QRect WorkAreaOf(const QWidget& window) {
    if (const QScreen* screen = window.screen())
        return screen->availableGeometry();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        return screen->availableGeometry();
    return {};
}

void CorrectFrame(QWidget& window) {
    const QRect work = WorkAreaOf(window);
    const QRect frame = window.frameGeometry();
    if (work.isEmpty() || work.contains(frame))
        return;
    const QRect fitted = FitFrameInWorkArea(frame, work);
    const QSize shrink = frame.size() - fitted.size();
    if (shrink.width() > 0 || shrink.height() > 0)
        window.resize(window.width() - std::max(0, shrink.width()),
                      window.height() - std::max(0, shrink.height()));
    window.move(fitted.topLeft());
}

class FrameKeeper : public QObject {
public:
    static constexpr const char* kName = "FrameKeeper";
    explicit FrameKeeper(QWidget& window) : QObject(&window), window_(&window) {
        setObjectName(kName);
        window.installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_ && event->type() == QEvent::Show && !armed_) {
            armed_ = true;
            // The window manager frames the window some time after it is mapped: look when
            // the show is handled, shortly after, and whenever the framed window is exposed,
            // which on a busy machine may come seconds late.
            if (QWindow* handle = window_->windowHandle())
                handle->installEventFilter(this);
            for (int delay : {0, 150, 600, 5000}) {
                QTimer::singleShot(delay, this, [this, last = delay == 5000] {
                    Correct();
                    if (last)
                        deleteLater();
                });
            }
        } else if (armed_ && event->type() == QEvent::Expose && window_ &&
                   watched == window_->windowHandle()) {
            QTimer::singleShot(0, this, [this] { Correct(); });
        }
        return false;
    }

private:
    void Correct() {
        if (window_ && window_->isVisible() && !window_->isMinimized() && !window_->isMaximized())
            CorrectFrame(*window_);
    }

    QPointer<QWidget> window_;
    bool armed_ = false;
};

} // namespace

QRect FitFrameInWorkArea(const QRect& frame, const QRect& work) {
    if (work.isEmpty())
        return frame;
    QRect fitted = frame;
    fitted.setWidth(std::min(frame.width(), work.width()));
    fitted.setHeight(std::min(frame.height(), work.height()));
    fitted.moveLeft(std::clamp(frame.left(), work.left(), work.right() + 1 - fitted.width()));
    fitted.moveTop(std::clamp(frame.top(), work.top(), work.bottom() + 1 - fitted.height()));
    return fitted;
}

void PlaceFrame(QWidget& window, const QRect& frame, const QRect& workArea) {
    const QRect fitted = FitFrameInWorkArea(frame, workArea);
    const QMargins margins = FrameMargins(window);
    window.resize(std::max(1, fitted.width() - margins.left() - margins.right()),
                  std::max(1, fitted.height() - margins.top() - margins.bottom()));
    // move() places the frame, where setGeometry() would place the client area.
    window.move(fitted.topLeft());
    KeepFrameInWorkArea(window);
}

void KeepFrameInWorkArea(QWidget& window) {
    // Without a window system (offscreen) there is no frame and no window manager to correct.
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        return;
    if (window.findChild<QObject*>(FrameKeeper::kName, Qt::FindDirectChildrenOnly) == nullptr)
        new FrameKeeper(window); // owned by the window
}

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

bool HasRealFrame(const QWidget& window) {
    const QRect frame = window.frameGeometry();
    const QRect client = window.geometry();
    return client.top() > frame.top() || client.left() > frame.left();
}

class FrameKeeper : public QObject {
public:
    static constexpr const char* kName = "FrameKeeper";
    explicit FrameKeeper(QWidget& window) : QObject(&window), window_(&window) {
        setObjectName(kName);
        window.installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (done_ || !window_)
            return false;
        if (watched == window_ && event->type() == QEvent::Show && !armed_) {
            armed_ = true;
            // The window manager frames the window some time after it is mapped, on a busy
            // machine seconds later: look when the show is handled, shortly after, and
            // whenever the window is exposed, moved or resized until its frame has arrived.
            // Only then is the keeper done, so that later moves by the user are left alone.
            if (QWindow* handle = window_->windowHandle())
                handle->installEventFilter(this);
            for (int delay : {0, 150, 600})
                QTimer::singleShot(delay, this, [this] { Correct(); });
            QTimer::singleShot(kGiveUpMs, this, [this] { Finish(); });
        } else if (armed_ && (event->type() == QEvent::Expose || event->type() == QEvent::Move ||
                              event->type() == QEvent::Resize)) {
            // After the event is handled, when the window's geometry says where it now is.
            QTimer::singleShot(0, this, [this] { Correct(); });
        }
        return false;
    }

private:
    // A window manager that has not framed the window by then never will.
    static constexpr int kGiveUpMs = 15000;

    void Correct() {
        if (done_ || !window_ || !window_->isVisible() || window_->isMinimized() ||
            window_->isMaximized())
            return;
        CorrectFrame(*window_);
        if (HasRealFrame(*window_))
            Finish();
    }
    void Finish() {
        if (done_)
            return;
        done_ = true;
        if (window_ != nullptr)
            if (QWindow* handle = window_->windowHandle())
                handle->removeEventFilter(this);
        deleteLater();
    }

    QPointer<QWidget> window_;
    bool armed_ = false;
    bool done_ = false;
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

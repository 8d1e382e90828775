#include "app/initialize_wnd.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <cmath>

#include "app/resources.h"
#include "collection/catalog_db.h"

namespace {

double SteadySeconds() {
    static QElapsedTimer started = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return started.nsecsElapsed() / 1e9;
}

constexpr const char* kLegalNotice =
    "Copyright \xC2\xA9 Halvorine. All rights reserved.";

} // namespace

InitializeWnd::InitializeWnd(std::function<double()> clock)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      clock_(clock ? std::move(clock) : std::function<double()>(SteadySeconds)) {
    setObjectName(QStringLiteral("Splash"));
    setWindowTitle(QStringLiteral("Corvessa Tambrel"));
    setFixedSize(kWidth, kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    picture_ = ResourceBitmap(280);
    pictureWidth = picture_.width();
    pictureHeight = picture_.height();
    font_ = QFont(QStringLiteral("Arial"));
    font_.setPointSize(16);
    timer_.setInterval(kTickMilliseconds);
    connect(&timer_, &QTimer::timeout, this, &InitializeWnd::Tick);
    shownAt_ = clock_();
}

InitializeWnd::~InitializeWnd() {
    timer_.stop();
}

QPoint InitializeWnd::SplashPosition(const QRect& workArea) {
    const int right = workArea.x() + workArea.width();
    const int bottom = workArea.y() + workArea.height();
    return {right / 2 - 187, bottom / 2 - 93};
}

void InitializeWnd::ShowSplash() {
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(SplashPosition(screen->availableGeometry()));
    shownAt_ = clock_();
    elapsed = 0.0;
    show();
    timer_.start();
    if (theCatalogDb != nullptr) {
        int files = 0, sounds = 0;
        theCatalogDb->GetCounts(files, sounds);
    }
    if (!animationDone) {
        QEventLoop loop;
        wait_ = &loop;
        waitingForAnimation_ = true;
        loop.exec();
        waitingForAnimation_ = false;
        wait_ = nullptr;
    }
    update();
}

void InitializeWnd::Tick() {
    // The time comes from a clock: ticks missed while the counts loaded are not counted again.
    elapsed = clock_() - shownAt_;
    if (!animationDone) {
        opening += 2.0;
        speed -= 15;
        level = std::min(level + 15, 255.0);
        if (speed < 0)
            animationDone = true;
        update(QRect(0, 0, pictureWidth, 2 * pictureHeight));
    }
    QuitWaitWhenDone();
}

void InitializeWnd::QuitWaitWhenDone() {
    if (wait_ == nullptr)
        return;
    if ((waitingForAnimation_ && animationDone) ||
        (waitingToHide_ && (elapsed >= kShowSeconds || clicked)))
        wait_->quit();
}

void InitializeWnd::SetProgress(int value) {
    if (value == percent && progressShown)
        return;
    percent = value;
    progressShown = true;
    repaint(QRect(QPoint(125, 112), QPoint(249, 131)));
}

void InitializeWnd::WaitAndHide() {
    elapsed = clock_() - shownAt_;
    if (elapsed < kShowSeconds && !clicked) {
        QEventLoop loop;
        wait_ = &loop;
        waitingToHide_ = true;
        loop.exec();
        waitingToHide_ = false;
        wait_ = nullptr;
    }
    hide();
}

void InitializeWnd::mousePressEvent(QMouseEvent* event) {
    QWidget::mousePressEvent(event);
    if (event->button() == Qt::LeftButton) {
        clicked = true;
        QuitWaitWhenDone();
    }
}

void InitializeWnd::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int w = width();
    const int h = pictureHeight;
    const int o = std::min(static_cast<int>(std::lround(opening)), h) / 2;
    // The picture opens from its middle line.
    p.fillRect(QRect(0, 0, w, h / 2 - o), Qt::black);
    if (o > 0) {
        p.drawPixmap(QPoint(0, h / 2 - o), picture_, QRect(0, 0, pictureWidth, o));
        p.drawPixmap(QPoint(0, h / 2), picture_, QRect(0, h - o, pictureWidth, o));
    }
    p.fillRect(QRect(0, h / 2 + o, w, h - o), Qt::black);
    // Below the picture down to the version line.
    p.fillRect(QRect(0, h + h / 2, w, 74 - (h + h / 2)), Qt::black);
    p.fillRect(QRect(0, 74, w, 14), Qt::black);

    QFont small(font_);
    small.setPointSize(9);
    p.setFont(small);
    const int grey = static_cast<int>(std::lround(level));
    p.setPen(QColor(grey, grey, grey));
    p.drawText(QRect(QPoint(w - 175, 74), QPoint(w - 1, 87)),
               Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine,
               QStringLiteral("Version %1.%2  ").arg(2).arg(31, 2, 10, QLatin1Char('0')));

    p.fillRect(QRect(0, 132, w, height() - 84), Qt::black);
    p.setPen(Qt::white);
    p.drawText(QRect(0, height() - 20, pictureWidth > 0 ? pictureWidth : w, 20),
               Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine,
               QString::fromUtf8(kLegalNotice));

    if (animationDone && progressShown) {
        p.fillRect(QRect(0, 88, w, 24), Qt::black);
        p.fillRect(QRect(QPoint(0, 112), QPoint(124, 131)), Qt::black);
        QFont label(font_);
        label.setPointSize(10);
        p.setFont(label);
        p.setPen(Qt::white);
        p.drawText(QRect(QPoint(0, 112), QPoint(124, 131)),
                   Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine,
                   QStringLiteral("Initializing "));
        const QColor frames[3] = {QColor(64, 32, 0), QColor(128, 64, 0), QColor(192, 96, 0)};
        QRect frame(QPoint(125, 112), QPoint(249, 131));
        for (const QColor& c : frames) {
            p.setPen(c);
            p.setBrush(Qt::NoBrush);
            p.drawRect(frame.adjusted(0, 0, -1, -1));
            frame.adjust(1, 1, -1, -1);
        }
        p.fillRect(QRect(128, 115, std::clamp(percent, 0, 100) * 119 / 100, 14),
                   QColor(255, 128, 0));
        p.fillRect(QRect(QPoint(250, 112), QPoint(w - 1, 131)), Qt::black);
    } else {
        p.fillRect(QRect(QPoint(0, 88), QPoint(w - 1, 131)), Qt::black);
    }
}

bool SplashProgress(InitializeWnd* splash, const char*, int percent) {
    if (splash != nullptr)
        splash->SetProgress(percent);
    return true;
}

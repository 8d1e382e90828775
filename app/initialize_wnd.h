#pragma once
// The start-up splash: the picture opens from its middle line while the version text fades
// in, then the window waits until 5 seconds after it appeared or a click, whichever is first.
// A progress band shows once the count loading reports progress.

#include <QFont>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <functional>

class QEventLoop;

class InitializeWnd : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 375;
    static constexpr int kHeight = 186;
    static constexpr int kTickMilliseconds = 50;
    static constexpr double kShowSeconds = 5.0;

    // clock: seconds on a steady clock (tests hand in their own).
    explicit InitializeWnd(std::function<double()> clock = {});
    ~InitializeWnd() override;

    // Shows the window centred on the work area and returns once the animation is done.
    void ShowSplash();
    void SetProgress(int percent);
    // Waits until kShowSeconds after ShowSplash or a click, then hides the window.
    void WaitAndHide();

    // One timer tick.
    void Tick();

    double speed = 625.0;
    double level = 0.0;
    double opening = 0.0;
    double elapsed = 0.0;
    bool animationDone = false;
    bool clicked = false;
    bool progressShown = false;
    int percent = 0;
    int pictureWidth = 0;
    int pictureHeight = 0;

    // The window's top left on a work area (its right and bottom only count).
    static QPoint SplashPosition(const QRect& workArea);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void QuitWaitWhenDone();

    std::function<double()> clock_;
    double shownAt_ = 0.0;
    QPixmap picture_;
    QFont font_;
    QTimer timer_;
    QEventLoop* wait_ = nullptr; // the loop ShowSplash or WaitAndHide runs
    bool waitingForAnimation_ = false;
    bool waitingToHide_ = false;
};

// The progress callback of the count loading: shows the percent; true to go on.
bool SplashProgress(InitializeWnd* splash, const char* ignored, int percent);

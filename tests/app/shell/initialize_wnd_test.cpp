// The splash: its animation by ticks, its waiting by the clock, and its progress band.
#include "app/initialize_wnd.h"

#include <QImage>
#include <QTimer>
#include <QtTest/QTest>
#include <gtest/gtest.h>

namespace {

// A clock the test sets by hand.
struct HandClock {
    double now = 100.0;
    std::function<double()> Function() {
        return [this] { return now; };
    }
};

// A click in the middle of the splash's own window, delivered through the window system.
void ClickAsTheWindowSystemDoes(InitializeWnd& splash) {
    ASSERT_NE(splash.windowHandle(), nullptr);
    QTest::mouseClick(splash.windowHandle(), Qt::LeftButton, {},
                      QPoint(InitializeWnd::kWidth / 2, InitializeWnd::kHeight / 2));
}

TEST(Splash, AnimationArithmeticByTick) {
    struct Case {
        int tick;
        double level;
        double opening;
        bool done;
    };
    const Case cases[] = {
        {1, 15, 2, false},    {16, 240, 32, false}, {17, 255, 34, false},
        {24, 255, 48, false}, {41, 255, 82, false}, {42, 255, 84, true},
    };
    HandClock clock;
    InitializeWnd splash(clock.Function());
    EXPECT_EQ(splash.pictureWidth, 375);
    EXPECT_EQ(splash.pictureHeight, 48);
    int tick = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tick);
        while (tick < c.tick) {
            splash.Tick();
            ++tick;
        }
        EXPECT_DOUBLE_EQ(splash.level, c.level);
        EXPECT_DOUBLE_EQ(splash.opening, c.opening);
        EXPECT_EQ(splash.animationDone, c.done);
    }
    // Once done, a tick only moves the time on.
    clock.now += 3.25;
    splash.Tick();
    EXPECT_DOUBLE_EQ(splash.opening, 84);
    EXPECT_DOUBLE_EQ(splash.elapsed, 3.25);
}

TEST(Splash, SitsInTheMiddleOfTheWorkArea) {
    EXPECT_EQ(InitializeWnd::SplashPosition(QRect(0, 0, 1280, 800)), QPoint(453, 307));
    // Only the work area's right and bottom count.
    EXPECT_EQ(InitializeWnd::SplashPosition(QRect(100, 40, 1180, 760)), QPoint(453, 307));
}

TEST(Splash, WaitsFiveSecondsFromItsAppearanceUnlessClickedOrAlreadyLate) {
    struct Case {
        const char* name;
        double loadingSeconds; // clock time gone by between ShowSplash and WaitAndHide
        bool click;
        double laterSeconds; // clock time set once the wait runs
        double minElapsed, maxElapsed;
    };
    const Case cases[] = {
        {"no click: five seconds in all", 1.0, false, 5.0, 5.0, 5.0},
        {"a click ends the wait", 1.0, true, 1.2, 1.0, 1.2},
        {"loading took longer: hidden at once", 6.5, false, 6.5, 6.5, 6.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HandClock clock;
        InitializeWnd splash(clock.Function());
        // The animation runs on the real timer; ShowSplash returns when it is done.
        splash.ShowSplash();
        EXPECT_TRUE(splash.animationDone);
        EXPECT_TRUE(splash.isVisible());
        clock.now += c.loadingSeconds;
        QTimer::singleShot(10, &splash, [&] {
            clock.now += c.laterSeconds - c.loadingSeconds;
            if (c.click)
                ClickAsTheWindowSystemDoes(splash);
        });
        splash.WaitAndHide();
        EXPECT_FALSE(splash.isVisible());
        EXPECT_GE(splash.elapsed, c.minElapsed);
        EXPECT_LE(splash.elapsed, c.maxElapsed);
        EXPECT_EQ(splash.clicked, c.click);
    }
}

TEST(Splash, AClickDuringTheAnimationDoesNotShortenIt) {
    HandClock clock;
    InitializeWnd splash(clock.Function());
    QTimer::singleShot(60, &splash, [&] { ClickAsTheWindowSystemDoes(splash); });
    splash.ShowSplash();
    EXPECT_TRUE(splash.clicked);
    EXPECT_TRUE(splash.animationDone);
    EXPECT_DOUBLE_EQ(splash.opening, 84);
    splash.WaitAndHide(); // returns at once: clicked
    EXPECT_FALSE(splash.isVisible());
}

TEST(Splash, TheProgressBandShowsOnceReportedAfterTheAnimation) {
    HandClock clock;
    InitializeWnd splash(clock.Function());
    for (int i = 0; i < 42; ++i)
        splash.Tick();
    auto band = [&] { return splash.grab().toImage(); };

    QImage before = band();
    EXPECT_EQ(before.pixelColor(130, 120), QColor(Qt::black));

    EXPECT_TRUE(SplashProgress(&splash, nullptr, 50));
    EXPECT_TRUE(splash.progressShown);
    const QImage half = band();
    // Three frames inside one another, the bar from x 128 for 50 * 119 / 100 = 59 pixels.
    EXPECT_EQ(half.pixelColor(125, 120), QColor(64, 32, 0));
    EXPECT_EQ(half.pixelColor(126, 120), QColor(128, 64, 0));
    EXPECT_EQ(half.pixelColor(127, 120), QColor(192, 96, 0));
    EXPECT_EQ(half.pixelColor(249, 131), QColor(64, 32, 0));
    EXPECT_EQ(half.pixelColor(128, 115), QColor(255, 128, 0));
    EXPECT_EQ(half.pixelColor(186, 128), QColor(255, 128, 0));
    EXPECT_EQ(half.pixelColor(187, 120), QColor(Qt::black));
    EXPECT_EQ(half.pixelColor(128, 129), QColor(192, 96, 0)); // 14 rows high, inside the frames
    EXPECT_EQ(half.pixelColor(260, 120), QColor(Qt::black));

    SplashProgress(&splash, nullptr, 100);
    const QImage full = band();
    EXPECT_EQ(full.pixelColor(246, 120), QColor(255, 128, 0));
    EXPECT_EQ(full.pixelColor(247, 120), QColor(192, 96, 0));
}

TEST(Splash, TheVersionFadesInWithTheLevel) {
    HandClock clock;
    InitializeWnd splash(clock.Function());
    auto brightest = [&] {
        const QImage image = splash.grab().toImage();
        int best = 0;
        for (int y = 74; y < 88; ++y)
            for (int x = 200; x < 375; ++x)
                best = std::max(best, image.pixelColor(x, y).red());
        return best;
    };
    EXPECT_EQ(brightest(), 0);
    for (int i = 0; i < 5; ++i)
        splash.Tick();
    const int dim = brightest();
    EXPECT_GT(dim, 0);
    EXPECT_LE(dim, 75);
    for (int i = 0; i < 20; ++i)
        splash.Tick();
    EXPECT_GT(brightest(), 200);
}

} // namespace

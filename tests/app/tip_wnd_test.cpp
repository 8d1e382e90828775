#include "app/app_util.h"
#include "app/drawing.h"
#include "app/resources.h"
#include "app/tip_wnd.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>
#include <QWindow>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <string>
#include <vector>
#include <gtest/gtest.h>

namespace {

class CountingListener : public TipClickListener {
public:
    void TipClicked() override { ++clicks; }
    int clicks = 0;
};

// Counts the input and close events that reach it.
class Target : public QWidget {
public:
    int presses = 0, closes = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
    void closeEvent(QCloseEvent* e) override {
        ++closes;
        e->accept();
    }
};

void PostLeftClick(QWidget* widget) {
    QPointF at(2, 2);
    QCoreApplication::postEvent(widget, new QMouseEvent(QEvent::MouseButtonPress, at,
                                                        widget->mapToGlobal(at), Qt::LeftButton,
                                                        Qt::LeftButton, Qt::NoModifier));
}

class Tip : public ::testing::Test {
protected:
    void SetUp() override {
        showTips = true;
        TipWnd::SetShowTipsSource([this] { return showTips; });
        owner.setGeometry(100, 100, 600, 400);
        anchor = new QWidget(&owner);
        anchor->setGeometry(200, 50, 300, 200);
        owner.show();
    }
    void TearDown() override {
        TipWnd::SetShowTipsSource(nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    bool showTips = true;
    QWidget owner;
    QWidget* anchor = nullptr;
};

int TextWidth(const std::string& text) {
    int w = 0, h = 0;
    MeasureText(nullptr, 9, QString::fromStdString(text), "Arial", false, false, false, 0, w, h);
    return w;
}

} // namespace

TEST_F(Tip, SizedToItsWidestEntryAndCentredOnTheAnchor) {
    TipWnd tip;
    tip.SetEntries(kResultRowTips, 4, &owner, anchor, nullptr);
    QWidget* window = tip.Window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());

    int widest = 0, height = 0;
    for (const auto& entry : tip.Entries()) {
        QFontMetrics metrics(TipWnd::TipFont(), window);
        QRect r = metrics.boundingRect(QRect(), Qt::AlignLeft | Qt::AlignTop,
                                       QString::fromStdString(ResourceString(entry.stringId)));
        EXPECT_EQ(entry.width, r.width() + 12);
        EXPECT_EQ(entry.height, r.height() + 12);
        widest = std::max(widest, entry.width + 32); // every entry has an icon
        height += entry.height;
    }
    EXPECT_EQ(window->width(), widest);
    EXPECT_EQ(window->height(), height);
    QPoint expected = anchor->mapToGlobal(QPoint(150 - widest / 2, 100 - height / 2));
    EXPECT_EQ(window->geometry().topLeft(), expected);

    // One line of own text, no icon: 12 wider than the text, no room for an icon.
    tip.SetText("Busy", &owner, anchor, nullptr);
    ASSERT_NE(tip.Window(), nullptr);
    EXPECT_EQ(tip.Window()->width(), TextWidth("Busy") + 12);
    // A multi-line text is measured line by line: three lines high, one line wide.
    tip.SetText(ResourceString(149), &owner, anchor, nullptr);
    QFontMetrics metrics(TipWnd::TipFont(), tip.Window());
    EXPECT_GE(tip.Window()->height(), 3 * metrics.lineSpacing() + 12 - 3);
    EXPECT_LT(tip.Window()->width(),
              TextWidth("existing audio file on your hard drive or select New") + 12);
}

TEST_F(Tip, StaysInsideItsWindowWhenTheWindowIsMadeSmall) {
    TipWnd tip;
    tip.SetEntries(kStartTips, 3, &owner, anchor, nullptr);
    ASSERT_NE(tip.Window(), nullptr);
    const QSize full = tip.Window()->size();
    const QSize sizes[] = {{600, 400}, {380, 260}, {full.width() - 40, full.height() - 20}};
    for (const QSize& size : sizes) {
        SCOPED_TRACE(size.width());
        owner.resize(size);
        QCoreApplication::processEvents();
        tip.Reshow(); // as the windows do on every move and resize
        ASSERT_NE(tip.Window(), nullptr);
        const QRect window(owner.mapToGlobal(QPoint(0, 0)), owner.size());
        EXPECT_TRUE(window.contains(tip.Window()->geometry()))
            << tip.Window()->geometry().x() << "," << tip.Window()->geometry().y() << " "
            << tip.Window()->width() << "x" << tip.Window()->height();
        // Only a window smaller than the tip makes it smaller.
        EXPECT_EQ(tip.Window()->width(), std::min(full.width(), size.width()));
    }
}

TEST_F(Tip, ShownOnlyWhileTipsAreOnButKeepsItsContent) {
    showTips = false;
    TipWnd tip;
    tip.SetText("hello", &owner, anchor, nullptr);
    EXPECT_EQ(tip.Window(), nullptr);
    EXPECT_TRUE(tip.HasContent());
    EXPECT_EQ(tip.Text(), "hello");

    showTips = true;
    tip.Reshow();
    ASSERT_NE(tip.Window(), nullptr);
    EXPECT_TRUE(tip.Window()->isVisible());

    tip.DestroyPopup(); // as when the owner is minimised
    EXPECT_EQ(tip.Window(), nullptr);
    EXPECT_TRUE(tip.HasContent());

    tip.Clear();
    tip.Reshow();
    EXPECT_EQ(tip.Window(), nullptr);
    EXPECT_FALSE(tip.HasContent());
    EXPECT_EQ(tip.Text(), "");
}

TEST_F(Tip, ClickOnTheBusyTipStopsTheLoopAndNothingElseGetsIn) {
    Target other;
    other.setGeometry(0, 0, 50, 50);
    other.show();
    QPointer<Target> guardOther(&other);

    CountingListener listener;
    TipWnd tip;
    tip.SetText(ResourceString(145), &owner, anchor, &listener);
    ASSERT_NE(tip.Window(), nullptr);
    QPointer<QWidget> popup = tip.Window();

    // While the loop works, the user clicks another window, tries to close it and then
    // clicks the tip; a timer of the program keeps running.
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(0);
    PostLeftClick(&other);
    QCoreApplication::postEvent(&other, new QCloseEvent);
    PostLeftClick(tip.Window());

    int items = 0;
    while (tip.HasContent() && items < 1000) {
        ++items; // one item of work
        AppUtil::PumpMessages(tip.Window());
    }
    EXPECT_LT(items, 1000);
    EXPECT_EQ(listener.clicks, 1);
    EXPECT_FALSE(tip.HasContent());
    EXPECT_EQ(tip.Window(), nullptr);
    EXPECT_EQ(other.presses, 0);
    EXPECT_EQ(other.closes, 0);
    EXPECT_TRUE(other.isVisible());
    EXPECT_GT(ticks, 0);

    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(popup.isNull()); // the clicked window is gone
}

TEST_F(Tip, PumpWithoutWindowLetsNoInputThroughButDeliversPostedWork) {
    Target other;
    other.show();
    int posted = 0;
    for (int i = 0; i < 15; ++i)
        QMetaObject::invokeMethod(
            &other, [&] { ++posted; }, Qt::QueuedConnection);
    PostLeftClick(&other);
    AppUtil::PumpMessages(nullptr);
    EXPECT_EQ(posted, 15); // none lost
    EXPECT_EQ(other.presses, 0);

    // Outside a loop the click that waited arrives, once.
    QCoreApplication::processEvents();
    EXPECT_EQ(other.presses, 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(other.presses, 1);
}

// Typing during a long task, as the window system delivers the keys: into the window the loop
// pumps for, or into another window (with nothing allowed at all when the loop has no window).
TEST_F(Tip, KeysTypedDuringALoopReachTheirWindowInOrderNoneLost) {
    const struct {
        const char* name;
        bool intoBusyWindow;
        bool windowless;
    } cases[] = {
        {"into the busy window", true, false},
        {"into another window", false, false},
        {"into a window while the loop has none", false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QLineEdit busy, other;
        busy.setGeometry(0, 0, 200, 30);
        other.setGeometry(0, 60, 200, 30);
        busy.show();
        other.show();
        QLineEdit& typedInto = c.intoBusyWindow ? busy : other;
        typedInto.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&typedInto));
        QWidget* pumped = c.windowless ? nullptr : &busy;
        // Fifteen keys arrive at once, during one step of the loop.
        std::vector<QString> seen;
        QTimer::singleShot(0, [&] {
            for (const char ch : std::string("abcdefghijklmno"))
                QTest::keyClick(typedInto.windowHandle(), ch);
        });
        for (int step = 0; step < 4; ++step) {
            AppUtil::PumpMessages(pumped);
            seen.push_back(typedInto.text());
        }
        if (c.intoBusyWindow) {
            // Ten pieces of input a step: the keys' presses and releases over three steps.
            EXPECT_EQ(seen[0], "abcde");
            EXPECT_EQ(seen[1], "abcdefghij");
            EXPECT_EQ(seen[2], "abcdefghijklmno");
        } else {
            EXPECT_EQ(seen.back(), "");
        }
        // The loop has ended: the program's own event loop runs again.
        QCoreApplication::processEvents();
        EXPECT_EQ(typedInto.text(), "abcdefghijklmno");
        EXPECT_EQ((c.intoBusyWindow ? other : busy).text(), "");
    }
}

// A command's key pressed in another window during a loop runs the command once, after it.
TEST_F(Tip, AShortcutPressedDuringALoopRunsItsCommandAfterwards) {
    QWidget other;
    other.setGeometry(0, 60, 200, 30);
    QAction command(&other);
    command.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    command.setShortcutContext(Qt::WindowShortcut);
    other.addAction(&command);
    int runs = 0;
    QObject::connect(&command, &QAction::triggered, [&] { ++runs; });
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    QTimer::singleShot(0, [&] { QTest::keyClick(other.windowHandle(), Qt::Key_K, Qt::ControlModifier); });
    for (int step = 0; step < 3; ++step)
        AppUtil::PumpMessages(nullptr);
    EXPECT_EQ(runs, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(runs, 1);
}

TEST_F(Tip, WindowDestroyedDuringThePumpIsNotTouchedAgain) {
    auto* dialog = new Target;
    dialog->show();
    QPointer<Target> guarded(dialog);
    QTimer::singleShot(0, dialog, [dialog] { delete dialog; });
    for (int i = 0; i < 5; ++i)
        AppUtil::PumpMessages(guarded.data());
    EXPECT_TRUE(guarded.isNull());
}

// The window manager's close, as the window system delivers it, while a loop pumps.
TEST_F(Tip, ACloseDuringALoopWaitsForItsEndOrReachesTheBusyWindow) {
    const struct {
        const char* name;
        bool closeTheBusyWindow;
        bool busyWindowTakesCloses;
        int closesDuringLoop;
        bool closedAfterLoop;
    } cases[] = {
        {"another window closes after the loop", false, false, 0, true},
        {"the busy window's own handler is asked at once", true, true, 1, true},
        {"a busy window that does not take closes closes after", true, false, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Target busy, other;
        busy.setGeometry(0, 0, 50, 50);
        other.setGeometry(60, 0, 50, 50);
        busy.show();
        other.show();
        if (c.busyWindowTakesCloses)
            AppUtil::TakeClosesWhileBusy(&busy);
        Target& closed = c.closeTheBusyWindow ? busy : other;
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&closed));
        int closesDuringLoop = -1;
        for (int item = 0; item < 20; ++item) {
            // Arrives while the loop pumps, through the platform window as the window
            // manager's close does.
            if (item == 5)
                QMetaObject::invokeMethod(
                    &closed, [&closed] { closed.windowHandle()->close(); }, Qt::QueuedConnection);
            AppUtil::PumpMessages(&busy);
        }
        closesDuringLoop = closed.closes;
        EXPECT_EQ(closesDuringLoop, c.closesDuringLoop);
        if (c.closesDuringLoop == 0) {
            EXPECT_TRUE(closed.isVisible());
        }
        // The loop has ended: the program's own event loop runs again.
        for (int i = 0; i < 100 && closed.isVisible(); ++i)
            QTest::qWait(10);
        EXPECT_FALSE(closed.isVisible());
        EXPECT_EQ(closed.closes, c.closesDuringLoop + (c.closesDuringLoop == 0 ? 1 : 0));
    }
}

// A tip that appears while the user types takes neither the focus nor the keys.
TEST_F(Tip, TypingGoesOnIntoTheFocusedControl) {
    auto* edit = new QLineEdit(&owner);
    edit->setObjectName("typing");
    edit->setGeometry(10, 300, 150, 24);
    edit->show();
    owner.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&owner));
    edit->setFocus();
    QTest::keyClick(owner.windowHandle(), Qt::Key_A);
    TipWnd tip;
    tip.SetText("hello", &owner, anchor, nullptr);
    ASSERT_NE(tip.Window(), nullptr);
    QTest::keyClick(owner.windowHandle(), Qt::Key_B);
    EXPECT_EQ(QApplication::focusWidget(), edit);
    EXPECT_EQ(QApplication::activeWindow(), &owner);
    EXPECT_EQ(edit->text(), "ab");
    EXPECT_TRUE(tip.HasContent());
}

TEST(BusyTips, EveryBusyTipHasItsText) {
    const struct {
        int id;
        const char* text;
    } tips[] = {
        {145, "Performing search, click here to stop..."},
        {156, "MyTambrel search in progress...\nClick here to stop"},
        {157, "WebTambrel search in progress...\nClick here to stop"},
        {167, "Please wait while items in MyTambrel are categorized"},
    };
    for (const auto& tip : tips)
        EXPECT_EQ(ResourceString(tip.id), tip.text) << tip.id;
}

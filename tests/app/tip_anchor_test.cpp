#include "app/tip_anchor.h"

#include <QCoreApplication>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "app/tip_wnd.h"

namespace {

// A window that hands its moves, resizes and state changes to its tip anchor, as the
// program's windows do.
class AnchoredWindow : public QWidget {
public:
    explicit AnchoredWindow(TipAnchor::Rules rules) : anchor(*this, tip, rules) {
        setGeometry(100, 100, 600, 400);
        pane = new QWidget(this);
        pane->setGeometry(200, 50, 300, 200);
        anchor.alsoFollow = [this](bool shown) { told.push_back(shown); };
    }
    ~AnchoredWindow() override { tip.DestroyPopup(); }

    TipWnd tip;
    TipAnchor anchor;
    QWidget* pane = nullptr;
    std::vector<bool> told;

protected:
    void moveEvent(QMoveEvent* e) override {
        QWidget::moveEvent(e);
        anchor.Follow(QEvent::Move);
    }
    void resizeEvent(QResizeEvent* e) override {
        QWidget::resizeEvent(e);
        anchor.Follow(QEvent::Resize);
    }
    void changeEvent(QEvent* e) override {
        QWidget::changeEvent(e);
        anchor.Follow(e->type());
    }
};

class TipAnchorTest : public ::testing::Test {
protected:
    void SetUp() override { TipWnd::SetShowTipsSource([this] { return showTips; }); }
    void TearDown() override {
        window.reset();
        TipWnd::SetShowTipsSource(nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    AnchoredWindow& Open(TipAnchor::Rules rules) {
        window = std::make_unique<AnchoredWindow>(rules);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->tip.SetText("Drop sounds here", window.get(), window->pane, nullptr);
        window->told.clear();
        return *window;
    }
    bool TipOverPane() const {
        QWidget* popup = window->tip.Window();
        const QPoint centre = window->pane->mapToGlobal(window->pane->rect().center());
        return popup != nullptr && popup->isVisible() && popup->geometry().contains(centre);
    }

    bool showTips = true;
    std::unique_ptr<AnchoredWindow> window;
};

} // namespace

TEST_F(TipAnchorTest, AMinimisedWindowHidesItsTipAndKeepsIt) {
    struct Case {
        const char* name;
        TipAnchor::Rules rules;
        bool backOnRestore;
    };
    const Case cases[] = {
        {"restore shows", TipAnchor::Rules{}, true},
        {"restore leaves it", TipAnchor::Rules{.restoreShows = false}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AnchoredWindow& w = Open(c.rules);
        ASSERT_TRUE(TipOverPane());
        w.showMinimized();
        QCoreApplication::processEvents();
        EXPECT_EQ(w.tip.Window(), nullptr);
        EXPECT_TRUE(w.tip.HasContent());
        ASSERT_FALSE(w.told.empty());
        EXPECT_FALSE(w.told.back());
        w.showNormal();
        QCoreApplication::processEvents();
        EXPECT_EQ(TipOverPane(), c.backOnRestore);
        EXPECT_TRUE(w.tip.HasContent());
    }
}

TEST_F(TipAnchorTest, MovesAndResizesPlaceTheTipAsTheWindowsRulesSay) {
    struct Case {
        const char* name;
        TipAnchor::Rules rules;
        bool popupUp;  // the popup is up when the window moves
        bool tipsOn;   // tips are turned on when the window moves
        bool shown;    // the window is shown when it moves (else it moves, then shows)
        bool placed;   // the anchor placed the tip (and told the window's other popups)
        bool tipAfter; // the tip is over the pane afterwards
    };
    const TipAnchor::Rules whileUp{.onlyWhileUp = true};
    const TipAnchor::Rules keepsUp{.onlyWhileUp = true, .ignoreTipsSwitch = true};
    const TipAnchor::Rules hidden{.skipHidden = true};
    const Case cases[] = {
        {"follows", TipAnchor::Rules{}, true, true, true, true, true},
        {"brings a hidden popup back", TipAnchor::Rules{}, false, true, true, true, true},
        {"only while up: stays away", whileUp, false, true, true, false, false},
        {"only while up: follows", whileUp, true, true, true, true, true},
        {"tips turned off: goes", whileUp, true, false, true, true, false},
        {"tips turned off: kept up", keepsUp, true, false, true, true, true},
        {"hidden window: left alone", hidden, false, true, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AnchoredWindow& w = Open(c.rules);
        if (!c.popupUp)
            w.tip.DestroyPopup();
        if (!c.shown)
            w.hide();
        showTips = c.tipsOn;
        w.told.clear();
        w.move(w.pos() + QPoint(40, 30));
        w.resize(560, 380);
        QCoreApplication::processEvents();
        if (!c.shown) {
            // The moves reach a window that is being shown before it shows.
            w.show();
            QCoreApplication::processEvents();
        }
        EXPECT_EQ(TipOverPane(), c.tipAfter);
        EXPECT_EQ(!w.told.empty(), c.placed);
        EXPECT_TRUE(w.tip.HasContent());
        showTips = true;
    }
}

#include "editor/toolkit/host_window.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <memory>

#include "app/drawing.h"
#include "editor/toolkit/widget_window.h"
#include "tests/editor/menu_answer.h"
#include "tests/editor/recording_node.h"

using ::testing::Contains;
using ::testing::ElementsAre;

namespace {

constexpr ColorRef kNodeColor = MakeColorRef(10, 200, 30);

// A logging node that paints its whole rectangle in one colour.
class SolidNode : public RecordingNode {
public:
    using RecordingNode::RecordingNode;
    void Draw(QPainter& dc, int clipX, int clipY, int clipWidth, int clipHeight, int originX,
              int originY) override {
        FillRectColor(dc, originX, originY, width, height, kNodeColor);
    }
};

void SendMouse(QWidget* target, QEvent::Type type, QPoint point, Qt::MouseButton button,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
    QMouseEvent event(type, QPointF(point), QPointF(target->mapToGlobal(point)), button, held,
                      modifiers);
    QCoreApplication::sendEvent(target, &event);
}

class HostTest : public ::testing::Test {
protected:
    void SetUp() override {
        host = std::make_unique<CGN_Wnd>();
        host->resize(200, 100);
        host->show();
        QCoreApplication::processEvents();
        root = new CGI_Window(host.get(), Client()->width(), Client()->height());
        node = new SolidNode(root, root, 20, 10, 50, 40, "node", &log);
    }
    void TearDown() override {
        root->DeleteChildren();
        delete root;
        EXPECT_EQ(host->root, nullptr);
    }
    QWidget* Client() const { return host->viewport(); }
    QImage Screen() const { return Client()->grab().toImage(); }

    std::unique_ptr<CGN_Wnd> host;
    CGI_Window* root = nullptr;
    SolidNode* node = nullptr;
    std::vector<std::string> log;
};

TEST(HostWithoutRootTest, PaintsWhiteAndIgnoresInput) {
    CGN_Wnd host;
    host.resize(120, 80);
    host.show();
    QCoreApplication::processEvents();
    SendMouse(host.viewport(), QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton);
    SendMouse(host.viewport(), QEvent::MouseButtonRelease, QPoint(5, 5), Qt::LeftButton);
    host.OnScroll(Qt::Vertical, CGN_Wnd::kPageDown, 0);
    const QImage screen = host.viewport()->grab().toImage();
    EXPECT_EQ(screen.pixelColor(60, 40), QColor(Qt::white));
}

TEST_F(HostTest, PaintsTheTreeThroughTheBackBuffer) {
    ASSERT_EQ(host->BackBuffer().size(), Client()->size());
    EXPECT_EQ(root->width, Client()->width());
    const QImage screen = Screen();
    EXPECT_EQ(screen.pixelColor(20, 10), ToQColor(kNodeColor));
    EXPECT_EQ(screen.pixelColor(69, 49), ToQColor(kNodeColor));
    const QColor window = QApplication::palette().color(QPalette::Active, QPalette::Base);
    EXPECT_EQ(screen.pixelColor(70, 49), window);
    EXPECT_EQ(host->BackBuffer().pixelColor(30, 20), ToQColor(kNodeColor));

    // Painting straight into the window, without the buffer, gives the same picture.
    host->BeginDirectDraw();
    EXPECT_TRUE(host->BackBuffer().isNull());
    EXPECT_EQ(Screen().pixelColor(30, 20), ToQColor(kNodeColor));
    host->EndDirectDraw();
    EXPECT_EQ(host->BackBuffer().size(), Client()->size());
}

TEST_F(HostTest, ResizingTheHostLaysOutTheTree) {
    node->SetAnchors(true, true, true, true);
    const QSize before = Client()->size();
    host->resize(260, 130);
    QCoreApplication::processEvents();
    const QSize after = Client()->size();
    EXPECT_EQ(root->width, after.width());
    EXPECT_EQ(root->height, after.height());
    EXPECT_EQ(node->width, 50 + after.width() - before.width());
    EXPECT_EQ(node->height, 40 + after.height() - before.height());
    EXPECT_EQ(host->BackBuffer().size(), after);
}

TEST_F(HostTest, MouseInputReachesTheTree) {
    SendMouse(Client(), QEvent::MouseMove, QPoint(30, 20), Qt::NoButton);
    SendMouse(Client(), QEvent::MouseButtonPress, QPoint(30, 20), Qt::LeftButton,
              Qt::ControlModifier | Qt::ShiftModifier);
    SendMouse(Client(), QEvent::MouseButtonPress, QPoint(30, 20), Qt::RightButton);
    SendMouse(Client(), QEvent::MouseButtonRelease, QPoint(30, 20), Qt::LeftButton);
    SendMouse(Client(), QEvent::MouseButtonDblClick, QPoint(31, 20), Qt::LeftButton);
    SendMouse(Client(), QEvent::MouseButtonRelease, QPoint(31, 20), Qt::LeftButton);
    QWheelEvent wheel(QPointF(30, 20), QPointF(Client()->mapToGlobal(QPoint(30, 20))), QPoint(),
                      QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(Client(), &wheel);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(Client(), &leave);
    EXPECT_THAT(log,
                ElementsAre("node enter", "node move 10,10 0", "node down 10,10 ctrl shift",
                            "node up 10,10", "node down 11,10", "node up 11,10", "node leave"));

    struct WheelRoot : CGI_Window {
        using CGI_Window::CGI_Window;
        void OnMouseWheel(bool down) override { turns.push_back(down); }
        std::vector<bool> turns;
    };
    root->DeleteChildren();
    delete root;
    auto* wheelRoot = new WheelRoot(host.get(), 200, 100);
    root = wheelRoot;
    for (int delta : {-120, 120}) {
        QWheelEvent turn(QPointF(5, 5), QPointF(Client()->mapToGlobal(QPoint(5, 5))), QPoint(),
                         QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(Client(), &turn);
    }
    EXPECT_THAT(wheelRoot->turns, ElementsAre(true, false));
}

TEST_F(HostTest, AReleaseOutsideTheWindowIsClampedIntoIt) {
    const int right = Client()->width() - 1;
    // Without capture only the nodes under the clamped point hear it.
    SendMouse(Client(), QEvent::MouseButtonPress, QPoint(30, 20), Qt::LeftButton);
    SendMouse(Client(), QEvent::MouseButtonRelease, QPoint(right + 50, -30), Qt::LeftButton);
    EXPECT_THAT(log, ElementsAre("node down 10,10"));

    // With capture the node gets the release wherever it is, and a move its direction.
    log.clear();
    SendMouse(Client(), QEvent::MouseButtonPress, QPoint(30, 20), Qt::LeftButton);
    root->SetCapture(node);
    SendMouse(Client(), QEvent::MouseMove, QPoint(-40, 20), Qt::LeftButton);
    SendMouse(Client(), QEvent::MouseButtonRelease, QPoint(right + 50, -30), Qt::LeftButton);
    root->SetCapture(nullptr);
    EXPECT_THAT(log, ElementsAre("node down 10,10", "node move -20,10 1",
                                 "node up " + std::to_string(right - 20) + ",-10"));
}

TEST_F(HostTest, ScrollCodesMoveTheRootsPosition) {
    struct Case {
        const char* name;
        CGN_Wnd::ScrollCode code;
        int thumb;
        int horizontal, vertical;
    };
    const Case cases[] = {
        {"line up", CGN_Wnd::kLineUp, 0, 490, 490},
        {"line down", CGN_Wnd::kLineDown, 0, 510, 510},
        {"page up", CGN_Wnd::kPageUp, 0, 400, 400},
        {"page down", CGN_Wnd::kPageDown, 0, 600, 600},
        {"top", CGN_Wnd::kTop, 0, 0, 0},
        {"bottom", CGN_Wnd::kBottom, 0, 900, 900},
        {"thumb at the end", CGN_Wnd::kThumbTrack, 32767, 1000, 900},
        {"thumb", CGN_Wnd::kThumbPosition, 16384, 500, 500},
        {"end of scroll", CGN_Wnd::kEndScroll, 0, 500, 500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        root->SetHorizontalScroll(500, 1000, 100, 10);
        root->SetVerticalScroll(300, 1000, 100, 10);
        host->OnScroll(Qt::Horizontal, c.code, c.thumb);
        EXPECT_EQ(root->horizontalPosition, c.horizontal);
        EXPECT_EQ(root->verticalPosition, 300);
        root->SetVerticalScroll(500, 1000, 100, 10);
        host->OnScroll(Qt::Vertical, c.code, c.thumb);
        EXPECT_EQ(root->verticalPosition, c.vertical);
        EXPECT_EQ(root->horizontalPosition, c.horizontal);
    }
    root->SetHorizontalScroll(500, 1000, 100, 10);
    host->OnScroll(Qt::Horizontal, CGN_Wnd::kPageDown, 0);
    EXPECT_EQ(host->horizontalScrollBar()->value(), 600 * 32767 / 1000);
}

// A long file zoomed in runs to many millions of pixels: the bar's 0..32767 scale must be
// reached through 64-bit products (60,000,000 x 32767 is far past 2^31).
TEST_F(HostTest, ScrollArithmeticHoldsPastTheIntRange) {
    constexpr int kTotal = 100000000, kPage = 2000;
    QScrollBar* bar = host->horizontalScrollBar();
    root->SetHorizontalScroll(60000000, kTotal, kPage, 10);
    EXPECT_EQ(bar->value(), 19660);
    EXPECT_EQ(bar->pageStep(), 1); // a page far below one unit of the bar still shows
    EXPECT_EQ(bar->maximum(), 32767);

    struct Case {
        const char* name;
        Qt::Orientation orientation;
        CGN_Wnd::ScrollCode code;
        int thumb;
        int position, barValue;
    };
    const Case cases[] = {
        {"page down", Qt::Horizontal, CGN_Wnd::kPageDown, 0, 60002000, 19660},
        {"thumb halfway", Qt::Horizontal, CGN_Wnd::kThumbTrack, 16384, 50001526, 16384},
        {"thumb at the end", Qt::Horizontal, CGN_Wnd::kThumbTrack, 32767, kTotal, 32767},
        {"vertical thumb at the end", Qt::Vertical, CGN_Wnd::kThumbTrack, 32767,
         kTotal - kPage, 32766},
        {"bottom", Qt::Vertical, CGN_Wnd::kBottom, 0, kTotal - kPage, 32766},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        root->SetHorizontalScroll(60000000, kTotal, kPage, 10);
        root->SetVerticalScroll(60000000, kTotal, kPage, 10);
        host->OnScroll(c.orientation, c.code, c.thumb);
        const bool vertical = c.orientation == Qt::Vertical;
        EXPECT_EQ(vertical ? root->verticalPosition : root->horizontalPosition, c.position);
        QScrollBar* moved = vertical ? host->verticalScrollBar() : host->horizontalScrollBar();
        EXPECT_EQ(moved->sliderPosition(), c.barValue);
    }
}

TEST_F(HostTest, ScrollBarsShowThePageAgainstTheTotal) {
    root->SetVerticalScroll(250, 1000, 500, 10);
    QScrollBar* bar = host->verticalScrollBar();
    EXPECT_EQ(bar->pageStep(), 16383);
    EXPECT_EQ(bar->value(), 8191);
    EXPECT_GT(bar->maximum(), 0);

    // A page as large as the content leaves no usable bar and nowhere to go.
    root->SetVerticalScroll(0, 100, 200, 10);
    EXPECT_EQ(bar->maximum(), 0);
    for (auto code : {CGN_Wnd::kLineDown, CGN_Wnd::kPageDown, CGN_Wnd::kBottom}) {
        host->OnScroll(Qt::Vertical, code, 0);
        EXPECT_EQ(root->verticalPosition, 0);
    }
    // Keys belong to the owner: they do not move the bars.
    root->SetVerticalScroll(500, 1000, 100, 10);
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_PageDown, Qt::Key_End}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(host.get(), &press);
    }
    EXPECT_EQ(root->verticalPosition, 500);
    EXPECT_EQ(bar->value(), 500 * 32767 / 1000);

    root->SetHorizontalScroll(0, 0, 0, 0); // empty content: no division by zero
    host->OnScroll(Qt::Horizontal, CGN_Wnd::kThumbTrack, 20000);
    EXPECT_EQ(root->horizontalPosition, 0);
    EXPECT_EQ(host->horizontalScrollBar()->maximum(), 0);
}

TEST_F(HostTest, TicksRunWhileTheWindowWantsThem) {
    root->EnableTicks(true);
    EXPECT_TRUE(host->TickRunning());
    node->SetWantsTicks(true);
    QElapsedTimer clock;
    clock.start();
    while (log.empty() && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_THAT(log, Contains("node tick"));
    root->EnableTicks(false);
    EXPECT_FALSE(host->TickRunning());
}

TEST_F(HostTest, CursorKindsShowOnTheClientArea) {
    root->SetCursorKind(2);
    EXPECT_EQ(Client()->cursor().shape(), Qt::PointingHandCursor);
    root->SetCursorKind(4);
    EXPECT_EQ(Client()->cursor().shape(), Qt::SizeVerCursor);
    root->SetCursorKind(0);
    EXPECT_FALSE(Client()->testAttribute(Qt::WA_SetCursor));
    EXPECT_EQ(root->cursorKind, 0);
}

TEST_F(HostTest, ContextMenuPointAndPopupMenus) {
    const QPoint point(40, 30);
    QContextMenuEvent request(QContextMenuEvent::Mouse, point, Client()->mapToGlobal(point));
    QCoreApplication::sendEvent(Client(), &request);
    EXPECT_THAT(log, ElementsAre("node menu 20,20"));
    EXPECT_EQ(root->contextX, 40);
    EXPECT_EQ(root->contextY, 30);

    const std::string items[] = {"Time", "", "Seconds"};
    const int flags[] = {0, 2, 0};
    AnswerMenu(2);
    EXPECT_EQ(root->PopupMenu(3, items, flags), 2);
    AnswerMenu(1);
    EXPECT_EQ(root->PopupMenu(2, items, nullptr), 1);
    AnswerMenu(-1);
    EXPECT_EQ(root->PopupMenu(2, items, nullptr), -1);

    CGI_Window alone(nullptr, 10, 10);
    EXPECT_EQ(alone.PopupMenu(2, items, nullptr), -1);
}

} // namespace

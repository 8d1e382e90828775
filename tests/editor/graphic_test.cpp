#include "editor/toolkit/graphic.h"

#include <algorithm>
#include <functional>
#include <memory>

#include <QImage>
#include <QPainter>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "editor/toolkit/widget_window.h"
#include "tests/editor/recording_node.h"

using ::testing::ElementsAre;

namespace {

// A root of 200 x 100 with a panel at (50, 20) of 100 x 60 holding a child at (80, 40),
// 40 x 40 (it sticks out of the panel on the right and at the bottom).
class TreeTest : public ::testing::Test {
protected:
    RecordingWindow window{200, 100};
    std::vector<std::string> log;
    RecordingNode* panel = new RecordingNode(&window, &window, 50, 20, 100, 60, "panel", &log);
    RecordingNode* child = new RecordingNode(panel, &window, 80, 40, 40, 40, "child", &log);

    void TearDown() override { window.DeleteChildren(); }
};

TEST_F(TreeTest, CoordinatesAndVisiblePartFollowTheAncestors) {
    int px = 1, py = 2;
    child->LocalToWindow(px, py);
    EXPECT_EQ(px, 131);
    EXPECT_EQ(py, 62);
    child->WindowToLocal(px, py);
    EXPECT_EQ(px, 1);
    EXPECT_EQ(py, 2);

    int vx, vy, vw, vh;
    child->GetVisibleRect(vx, vy, vw, vh);
    EXPECT_EQ(vx, 0);
    EXPECT_EQ(vy, 0);
    EXPECT_EQ(vw, 20); // the panel ends at its x 100
    EXPECT_EQ(vh, 20);

    child->Redraw();
    ASSERT_EQ(window.invalidated.size(), 1u);
    EXPECT_EQ(window.invalidated[0], (InvalidRect{130, 60, 20, 20}));

    // Moved wholly out of the panel: nothing left to repaint there.
    window.invalidated.clear();
    child->x = 100;
    child->GetVisibleRect(vx, vy, vw, vh);
    EXPECT_EQ(vw, 0);
    child->Redraw();
    EXPECT_TRUE(window.invalidated.empty());
}

TEST_F(TreeTest, MoveRepaintsTheOldAndTheNewPlace) {
    child->Move(10, 10);
    EXPECT_EQ(child->x, 10);
    EXPECT_THAT(window.invalidated,
                ElementsAre(InvalidRect{130, 60, 20, 20}, InvalidRect{60, 30, 40, 40}));
}

TEST_F(TreeTest, ContainsAndOutcodesUseHalfOpenRanges) {
    EXPECT_TRUE(panel->Contains(0, 0));
    EXPECT_TRUE(panel->Contains(99, 59));
    EXPECT_FALSE(panel->Contains(100, 0));
    EXPECT_FALSE(panel->Contains(0, 60));
    struct Case {
        int x, y, outcode;
    };
    const Case cases[] = {{5, 5, 0},   {-1, 5, 1},  {5, -1, 2},   {100, 5, 3}, {5, 60, 4},
                          {-1, -1, 5}, {-1, 60, 6}, {100, -1, 7}, {100, 60, 8}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        EXPECT_EQ(panel->HitOutcode(c.x, c.y), c.outcode);
    }
}

TEST_F(TreeTest, FindsChildrenByIdAndByPoint) {
    auto* overlap = new RecordingNode(panel, &window, 90, 50, 10, 10, "overlap", &log);
    overlap->id = 7;
    EXPECT_EQ(panel->FindChild(7), overlap);
    EXPECT_EQ(panel->FindChild(8), nullptr);
    EXPECT_EQ(window.FindDeepestChildAt(140, 75), overlap); // the later child wins
    EXPECT_EQ(window.FindDeepestChildAt(135, 65), child);
    EXPECT_EQ(window.FindDeepestChildAt(55, 25), panel);
    EXPECT_EQ(window.FindDeepestChildAt(10, 10), &window);
    EXPECT_EQ(window.FindDeepestChildAt(200, 10), nullptr);
}

TEST_F(TreeTest, ButtonsReachEveryContainingChildInItsCoordinates) {
    auto* overlap = new RecordingNode(panel, &window, 85, 45, 10, 10, "overlap", &log);
    (void)overlap;
    window.OnButtonDown(140, 70, 0, true, false);
    window.OnButtonUp(10, 10, 0, false, false);
    EXPECT_THAT(log, ElementsAre("panel down 90,50 ctrl", "child down 10,10 ctrl",
                                 "overlap down 5,5 ctrl"));
}

TEST_F(TreeTest, MouseMovesEnterAndLeave) {
    window.OnMouseMove(135, 65, 0);
    log.clear();
    window.OnMouseMove(60, 30, 0); // still in the panel, out of the child
    EXPECT_THAT(log, ElementsAre("panel move 10,10 0", "child leave"));
    EXPECT_TRUE(panel->hover);
    EXPECT_FALSE(child->hover);
    log.clear();
    window.OnMouseLeave();
    EXPECT_THAT(log, ElementsAre("panel leave"));
    EXPECT_FALSE(panel->hover);
}

TEST_F(TreeTest, CaptureSendsTheMouseToOneNodeWithTheSideItLeftItsParentBy) {
    window.SetCapture(child);
    window.OnButtonUp(10, 5, 0, false, false);
    window.OnMouseMove(10, 5, 0); // inside the window, above-left of the panel
    window.OnMouseMove(199, 5, 3);
    EXPECT_THAT(log,
                ElementsAre("child up -120,-55", "child move -120,-55 5", "child move 69,-55 3"));
    log.clear();
    delete child; // a node that goes away gives the capture back
    child = nullptr;
    EXPECT_EQ(window.captureNode, nullptr);
    window.OnButtonUp(60, 30, 0, false, false);
    EXPECT_THAT(log, ElementsAre("panel up 10,10"));
}

TEST_F(TreeTest, DrawHandsEachChildItsPartOfTheClip) {
    QImage image(200, 100, QImage::Format_RGB32);
    QPainter dc(&image);
    window.Draw(dc, 120, 50, 80, 50, 0, 0);
    // The panel gets x 70..99, y 30..59; the child the part of that inside it.
    EXPECT_THAT(log,
                ElementsAre("panel draw 70,30 30,30 at 50,20", "child draw 0,0 20,20 at 130,60"));
    log.clear();
    window.Draw(dc, 0, 0, 50, 100, 0, 0); // left of the panel
    EXPECT_TRUE(log.empty());
}

TEST(GraphicTest, ResizeLaysChildrenOutByTheirAnchors) {
    struct Case {
        const char* name;
        bool left, top, right, bottom;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"left top", true, true, false, false, {}},
        {"right", false, true, true, false, {"n move to 40,10"}},
        {"left right", true, true, true, false, {"n resize 60,20"}},
        {"all sides", true, true, true, true, {"n resize 60,25"}},
        {"bottom right", false, false, true, true, {"n move to 40,15"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> log;
        RecordingWindow window(100, 50);
        auto* node = new RecordingNode(&window, &window, 10, 10, 30, 20, "n", &log);
        node->SetAnchors(c.left, c.top, c.right, c.bottom);
        window.Resize(130, 55);
        EXPECT_EQ(log, c.expected);
        EXPECT_EQ(window.width, 130);
        window.DeleteChildren();
    }
}

TEST(GraphicTest, TicksReachOnlyTheNodesThatAskedForThem) {
    std::vector<std::string> log;
    RecordingWindow window(100, 100);
    auto* a = new RecordingNode(&window, &window, 0, 0, 10, 10, "a", &log);
    auto* b = new RecordingNode(&window, &window, 0, 0, 10, 10, "b", &log);
    auto* a1 = new RecordingNode(a, &window, 0, 0, 5, 5, "a1", &log);
    (void)b;
    a1->SetWantsTicks(true);
    EXPECT_TRUE(a->wantsTicks);
    EXPECT_TRUE(window.wantsTicks);
    window.OnTick();
    EXPECT_THAT(log, ElementsAre("a tick", "a1 tick"));
    a1->SetWantsTicks(false); // turning off leaves the ancestors as they are
    EXPECT_TRUE(a->wantsTicks);
    window.DeleteChildren();
}

TEST(GraphicTest, DeletingNodes) {
    static int alive = 0;
    struct Counted : CGP_Graphic {
        Counted(CGP_Graphic* parent, CGI_Window* window)
            : CGP_Graphic(parent, window, 0, 0, 10, 10) {
            ++alive;
        }
        ~Counted() override { --alive; }
    };
    RecordingWindow window(100, 100);
    auto* card = new Counted(&window, &window);
    new Counted(card, &window);
    new Counted(new Counted(card, &window), &window);
    auto* other = new Counted(&window, &window);
    ASSERT_EQ(alive, 5);

    // A node deleted alone leaves its parent's list and orphans its children.
    auto* orphan = new Counted(other, &window);
    delete other;
    EXPECT_EQ(window.children.size(), 1u);
    EXPECT_EQ(orphan->parent, nullptr);
    EXPECT_EQ(orphan->window, nullptr);
    delete orphan;

    // Deleting the children takes their whole subtrees.
    window.DeleteChildren();
    EXPECT_EQ(alive, 0);
    EXPECT_TRUE(window.children.empty());
}

TEST(GraphicTest, NotifyClimbsToTheRoot) {
    struct Listener : CGP_Graphic {
        using CGP_Graphic::CGP_Graphic;
        bool Notify(int event, CGP_Graphic* sender) override {
            heard = event;
            from = sender;
            return true;
        }
        int heard = 0;
        CGP_Graphic* from = nullptr;
    };
    RecordingWindow window(100, 100);
    auto* listener = new Listener(&window, &window, 0, 0, 50, 50);
    auto* middle = new CGP_Graphic(listener, &window, 0, 0, 20, 20);
    auto* leaf = new CGP_Graphic(middle, &window, 0, 0, 10, 10);
    EXPECT_TRUE(leaf->Notify(5, leaf));
    EXPECT_EQ(listener->heard, 5);
    EXPECT_EQ(listener->from, leaf);
    EXPECT_FALSE(window.Notify(1, &window));
    window.DeleteChildren();
}

// Every routing walks on safely when a handler deletes nodes of the tree: a sibling still
// to be visited, all of its parent's children (a card rebuilding itself), or the parent
// whose walk is running. The sanitizer catches a walk that touches a deleted node.
TEST(GraphicTest, RoutingSurvivesHandlersThatDeleteNodes) {
    // Runs its action on whatever it receives, then passes the event on as the base does.
    struct ActionNode : CGP_Graphic {
        ActionNode(CGP_Graphic* parent, CGI_Window* window, std::vector<std::string>* log,
                   std::string name)
            : CGP_Graphic(parent, window, 0, 0, 50, 50), log_(log), name_(std::move(name)) {}
        void Hit() {
            log_->push_back(name_);
            if (action) {
                auto run = std::move(action); // may delete this node
                run();
            }
        }
        void OnButtonDown(int px, int py, int b, bool c, bool s) override {
            auto alive = Alive();
            Hit();
            if (!alive.expired())
                CGP_Graphic::OnButtonDown(px, py, b, c, s);
        }
        void OnButtonUp(int px, int py, int b, bool c, bool s) override {
            auto alive = Alive();
            Hit();
            if (!alive.expired())
                CGP_Graphic::OnButtonUp(px, py, b, c, s);
        }
        void OnContextMenu(int px, int py) override {
            auto alive = Alive();
            Hit();
            if (!alive.expired())
                CGP_Graphic::OnContextMenu(px, py);
        }
        void OnTick() override {
            auto alive = Alive();
            Hit();
            if (!alive.expired())
                CGP_Graphic::OnTick();
        }
        void OnMouseEnter() override {
            auto alive = Alive();
            Hit();
            if (!alive.expired())
                CGP_Graphic::OnMouseEnter();
        }
        void OnMouseLeave() override {
            auto alive = Alive();
            Hit();
            if (!alive.expired())
                CGP_Graphic::OnMouseLeave();
        }
        std::weak_ptr<int> Alive() { return token_; }

        std::function<void()> action;
        std::vector<std::string>* log_;
        std::string name_;
        std::shared_ptr<int> token_ = std::make_shared<int>(0);
    };
    struct Routing {
        const char* name;
        std::function<void(CGI_Window&)> send;
    };
    const Routing routings[] = {
        {"button down", [](CGI_Window& w) { w.OnButtonDown(10, 10, 0, false, false); }},
        {"button up", [](CGI_Window& w) { w.OnButtonUp(10, 10, 0, false, false); }},
        {"context menu", [](CGI_Window& w) { w.OnContextMenu(10, 10); }},
        {"tick", [](CGI_Window& w) { w.OnTick(); }},
        {"mouse enter", [](CGI_Window& w) { w.OnMouseMove(10, 10, 0); }},
        {"mouse leave", [](CGI_Window& w) { w.OnMouseLeave(); }},
    };
    enum Victim { kSibling, kCardChildren, kCard };
    for (const Routing& routing : routings) {
        for (Victim victim : {kSibling, kCardChildren, kCard}) {
            SCOPED_TRACE(std::string(routing.name) + " deleting " +
                         (victim == kSibling ? "a sibling"
                                             : victim == kCardChildren ? "the card's children"
                                                                       : "the card"));
            std::vector<std::string> log;
            RecordingWindow window(100, 100);
            window.EnableTicks(true);
            // A card with three overlapping children; the first one acts.
            auto* card = new ActionNode(&window, &window, &log, "card");
            auto* first = new ActionNode(card, &window, &log, "first");
            auto* second = new ActionNode(card, &window, &log, "second");
            auto* third = new ActionNode(card, &window, &log, "third");
            for (ActionNode* node : {card, first, second, third}) {
                node->SetWantsTicks(true);
                node->hover = routing.name == std::string("mouse leave");
            }
            std::function<void()> act;
            switch (victim) {
            case kSibling:
                act = [second] { delete second; };
                break;
            case kCardChildren:
                // The card rebuilds its children from the click.
                act = [card, &window, &log] {
                    card->DeleteChildren();
                    new ActionNode(card, &window, &log, "rebuilt");
                };
                break;
            case kCard:
                act = [&window] { window.DeleteChildren(); };
                break;
            }
            first->action = act;
            routing.send(window);
            ASSERT_FALSE(log.empty());
            EXPECT_EQ(log[0], "card");
            ASSERT_GE(log.size(), 2u);
            EXPECT_EQ(log[1], "first");
            if (victim == kSibling) {
                // The deleted sibling is skipped; the later one still hears the event.
                EXPECT_EQ(std::count(log.begin(), log.end(), "second"), 0);
                EXPECT_EQ(std::count(log.begin(), log.end(), "third"), 1);
            } else {
                EXPECT_EQ(log.size(), 2u);
            }
            window.DeleteChildren();
        }
    }
}

} // namespace

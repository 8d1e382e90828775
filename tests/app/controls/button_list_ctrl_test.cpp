#include "app/controls/button_list_ctrl.h"

#include <QApplication>
#include <QMainWindow>
#include <QStatusBar>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>
#include <vector>

namespace {

class RecordingStrip : public ButtonListCtrl {
public:
    std::vector<bool> selected = std::vector<bool>(20, false);
    std::vector<std::vector<int>> clicks;  // column, row
    std::vector<std::vector<int>> visible; // column, row asked to be shown
    int checkedRow = -1;

    bool IsRowSelected(int row) override { return selected.at(row); }
    void SetRowSelected(int row, bool on) override { selected.at(row) = on; }
    bool IsButtonChecked(int column, int row) override { return row == checkedRow; }
    void OnButtonClicked(int column, int row, HeaderButtonCtrl*) override {
        clicks.push_back({column, row});
    }
    void EnsureRowVisible(int column, int row) override {
        visible.push_back({column, row});
        if (row >= GetTopRow() + 4)
            SetTopRow(row - 3);
    }
    std::vector<int> Selected() const {
        std::vector<int> rows;
        for (int i = 0; i < int(selected.size()); ++i)
            if (selected[i])
                rows.push_back(i);
        return rows;
    }
};

class ButtonListTest : public ::testing::Test {
protected:
    void SetUp() override {
        strip.SetRowHeight(24);
        strip.AddButtonColumn(20, 0, false, "Play");
        strip.AddButtonColumn(20, 0, true, std::string(100, 'x'));
        strip.resize(strip.GetStripWidth(), 4 * 24 + 10); // four rows and a part
        for (int i = 0; i < 20; ++i)
            strip.AddRow(i);
        strip.show();
        strip.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&strip));
    }
    QPoint RowPoint(int row) { return QPoint(30, (row - strip.GetTopRow()) * 24 + 22); }
    void Press(int row, Qt::MouseButton button = Qt::LeftButton,
               Qt::KeyboardModifiers modifiers = {}) {
        QTest::mousePress(strip.Container(), button, modifiers, RowPoint(row));
    }
    void Release(int row, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseRelease(strip.Container(), button, {}, RowPoint(row));
    }

    RecordingStrip strip;
};

TEST_F(ButtonListTest, ColumnsSetTheWidthAndVisibleRowsGetButtons) {
    EXPECT_EQ(strip.GetStripWidth(), 40);
    EXPECT_EQ(strip.width(), 40);
    EXPECT_EQ(strip.Buttons().size(), 10u); // four rows and the partly shown fifth
    HeaderButtonCtrl* button = strip.GetButtonAt(1, 2);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->geometry(), QRect(20, 48, 20, 20));
    EXPECT_TRUE(button->isCheckable());
    EXPECT_FALSE(strip.GetButtonAt(0, 2)->isCheckable());
    EXPECT_EQ(button->toolTip().size(), 79);
    EXPECT_EQ(strip.GetButtonAt(0, 5), nullptr);
}

TEST(ButtonListBoundsTest, ElevenColumnsAndAZeroRowHeightAreSafe) {
    ButtonListCtrl strip;
    for (int i = 0; i < 11; ++i)
        strip.AddButtonColumn(10, 0, false, "");
    EXPECT_EQ(strip.width(), 110);
    strip.SetRowHeight(0);
    strip.AddRow(0);
    strip.resize(110, 3);
    EXPECT_EQ(strip.Buttons().size(), 11u);
    EXPECT_NE(strip.GetButtonAt(10, 0), nullptr);
}

TEST_F(ButtonListTest, ScrollingRebindsTheSameButtons) {
    strip.checkedRow = 4;
    const std::vector<HeaderButtonCtrl*> before = strip.Buttons();
    const QRect place = before[2]->geometry();
    strip.SetTopRow(3);
    EXPECT_EQ(strip.Buttons(), before);
    EXPECT_EQ(before[2]->Row(), 4);
    EXPECT_EQ(before[2]->geometry(), place);
    EXPECT_TRUE(strip.GetButtonAt(1, 4)->isChecked());
    EXPECT_FALSE(strip.GetButtonAt(1, 5)->isChecked());
}

TEST_F(ButtonListTest, RemovingRowsDropsButtonsAndResizeKeepsTheTopInRange) {
    strip.SetTopRow(15);
    strip.RemoveRows(17, 0);
    EXPECT_EQ(strip.GetRowCount(), 3);
    EXPECT_EQ(strip.Buttons().size(), 6u);
    strip.SetTopRow(2);
    strip.resize(40, 200);
    EXPECT_EQ(strip.GetTopRow(), 0);
    strip.RemoveAllRows();
    EXPECT_TRUE(strip.Buttons().empty());
}

TEST_F(ButtonListTest, PlainPressOnASelectedRowWaitsForTheRelease) {
    strip.selected[1] = strip.selected[2] = true;
    Press(2);
    EXPECT_EQ(strip.Selected(), (std::vector<int>{1, 2}));
    Release(2);
    EXPECT_EQ(strip.Selected(), std::vector<int>{2});

    strip.selected[1] = true;
    Press(2);
    QTest::mouseMove(strip.Container(), RowPoint(2) + QPoint(0, 7));
    Release(2);
    EXPECT_EQ(strip.Selected(), (std::vector<int>{1, 2}));
}

TEST_F(ButtonListTest, RightPressKeepsASelectionButSelectsAnUnselectedRowAlone) {
    strip.selected[1] = strip.selected[2] = true;
    Press(2, Qt::RightButton);
    Release(2, Qt::RightButton);
    EXPECT_EQ(strip.Selected(), (std::vector<int>{1, 2}));
    Press(3, Qt::RightButton);
    EXPECT_EQ(strip.Selected(), std::vector<int>{3});
    Release(3, Qt::RightButton);
}

TEST_F(ButtonListTest, ShiftExtendsFromTheAnchorAndCtrlToggles) {
    Press(1);
    Release(1);
    Press(3, Qt::LeftButton, Qt::ShiftModifier);
    Release(3);
    EXPECT_EQ(strip.Selected(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(strip.AnchorRow(), 1);
    EXPECT_EQ(strip.EndRow(), 3);
    Press(2, Qt::LeftButton, Qt::ControlModifier);
    Release(2);
    EXPECT_EQ(strip.Selected(), (std::vector<int>{1, 3}));
    strip.RemoveRows(17, 0);
    QTest::mouseClick(strip.Container(), Qt::LeftButton, {}, QPoint(30, 3 * 24 + 5));
    // A press below the rows unselects every row.
    EXPECT_FALSE(strip.selected[0] || strip.selected[1] || strip.selected[2]);
}

TEST_F(ButtonListTest, ButtonClicksAndArrowKeysReachTheHooks) {
    HeaderButtonCtrl* play = strip.GetButtonAt(0, 1);
    QTest::mouseClick(play, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(strip.clicks, (std::vector<std::vector<int>>{{0, 1}}));
    EXPECT_EQ(strip.Selected(), std::vector<int>{1}); // the press selected its row
    ASSERT_TRUE(play->hasFocus());

    QTest::keyClick(play, Qt::Key_Up);
    EXPECT_TRUE(strip.GetButtonAt(0, 0)->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up); // stays on row 0
    EXPECT_EQ(strip.visible.size(), 1u);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    EXPECT_TRUE(strip.GetButtonAt(1, 0)->hasFocus());
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_EQ(strip.visible.back(), (std::vector<int>{1, 5}));
    EXPECT_EQ(strip.GetTopRow(), 2);
    EXPECT_TRUE(strip.GetButtonAt(1, 5)->hasFocus());
}

// A strip emptied and filled again (each new search of a results window) shows buttons of its
// own columns again, and a click on one through the window reaches the row it now stands for.
TEST_F(ButtonListTest, RowsShownAgainGetWorkingButtonsOfTheirColumns) {
    strip.RemoveAllRows();
    EXPECT_TRUE(strip.Buttons().empty());
    strip.SetRowCount(20);
    strip.SetTopRow(6);
    ASSERT_EQ(strip.Buttons().size(), 10u);
    for (int row = 6; row < 11; ++row) {
        EXPECT_FALSE(strip.GetButtonAt(0, row)->isCheckable()) << row;
        EXPECT_TRUE(strip.GetButtonAt(1, row)->isCheckable()) << row;
        EXPECT_EQ(strip.GetButtonAt(1, row)->toolTip().size(), 79) << row;
        EXPECT_EQ(strip.GetButtonAt(0, row)->toolTip(), QStringLiteral("Play")) << row;
    }
    int shown = 0;
    for (const HeaderButtonCtrl* button : strip.Container()->findChildren<HeaderButtonCtrl*>())
        shown += button->isVisible() ? 1 : 0;
    EXPECT_EQ(shown, 10);
    HeaderButtonCtrl* loop = strip.GetButtonAt(1, 8);
    const QPoint at = loop->mapTo(&strip, loop->rect().center());
    ASSERT_EQ(strip.childAt(at), loop);
    QTest::mouseClick(strip.windowHandle(), Qt::LeftButton, {}, at);
    EXPECT_EQ(strip.clicks, (std::vector<std::vector<int>>{{1, 8}}));
}

// A top row its table shows in part (scrolled up by 10 pixels): each row's buttons and its
// band stand that much higher, and a click at a row's place, on a button or beside it, is
// that row's.
TEST_F(ButtonListTest, ATopRowShownInPartMovesEveryRowWithIt) {
    strip.SetTopRow(3, -10);
    EXPECT_EQ(strip.GetButtonAt(0, 3)->geometry(), QRect(0, -10, 20, 20));
    EXPECT_EQ(strip.GetButtonAt(1, 4)->geometry(), QRect(20, 14, 20, 20));
    // The rows reach one further down: 3 (in part) to 7 in a strip of four rows and a part.
    ASSERT_NE(strip.GetButtonAt(0, 7), nullptr);
    EXPECT_EQ(strip.GetButtonAt(0, 8), nullptr);
    const struct {
        int y;
        int column;
        int row;
    } presses[] = {{5, 0, 3}, {16, 1, 4}, {40, 0, 5}, {100, 1, 7}};
    for (const auto& p : presses) {
        SCOPED_TRACE(p.y);
        strip.clicks.clear();
        const QPoint at(p.column * 20 + 10, p.y);
        QTest::mouseClick(strip.windowHandle(), Qt::LeftButton, {}, at);
        EXPECT_EQ(strip.clicks, (std::vector<std::vector<int>>{{p.column, p.row}}));
        EXPECT_EQ(strip.Selected(), std::vector<int>{p.row});
    }
}

TEST(IconButtonTest, HoverWritesTheStatusTexts) {
    QMainWindow frame;
    auto* button = new IconButton(&frame);
    frame.setCentralWidget(button);
    button->SetStatusTexts("Play the sound", "Ready", frame.statusBar());
    frame.show();
    QTest::mouseMove(button, QPoint(5, 5));
    EXPECT_TRUE(button->IsHovering());
    EXPECT_EQ(frame.statusBar()->currentMessage(), "Play the sound");
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button, &leave);
    EXPECT_FALSE(button->IsHovering());
    EXPECT_EQ(frame.statusBar()->currentMessage(), "Ready");
}

TEST(IconTextButtonTest, MissingIconIsRefusedAndDrawingRuns) {
    IconTextButton button;
    button.setText("Add files");
    button.SetGrip(true, MakeColorRef(0, 0, 255));
    button.SetBorder(true);
    button.resize(120, 30);
    EXPECT_FALSE(button.SetIcon(999999, 16, 16));
    const QImage image = button.grab().toImage();
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(2, 2), QColor(0, 0, 255)); // the grip's first line
}

} // namespace

#include "app/controls/table_ctrl.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct Commit {
    int column, row;
    std::string text;
    int columnDirection, rowDirection;
};

class RecordingTable : public CTableCtrl {
public:
    std::vector<std::string> calls;
    std::vector<Commit> commits;
    std::vector<std::vector<int>> moves; // column, row, edge
    std::vector<std::vector<int>> steps; // column step, row step, shift, ctrl
    bool commitResult = true;
    bool moveOnCommit = false;
    bool paintControl = false;
    bool resizable = true;
    int autoWidth = -1;
    QFont rowFont{"Sans", 14};
    int fontRow = -1;
    ColorRef cellBack = kClrDefault;

    bool WantsControlPaint() override { return paintControl; }
    bool PaintControl(QPainter&) override {
        calls.push_back("PaintControl");
        return true;
    }
    bool WantsItemNotify() override { return true; }
    const QFont* GetRowFont(int row, unsigned, std::uintptr_t) override {
        return row == fontRow ? &rowFont : nullptr;
    }
    bool WantsRowPostPaint() override { return true; }
    void PostPaintRow(QPainter&, int row, unsigned, std::uintptr_t) override {
        calls.push_back("PostPaintRow " + std::to_string(row));
    }
    bool WantsCellNotify(int, unsigned, std::uintptr_t) override { return true; }
    ColorRef GetCellBkColor(int row, int column, unsigned, std::uintptr_t) override {
        return row == 0 && column == 1 ? cellBack : kClrDefault;
    }
    bool OnCellMouseMove(int column, int row, int edge) override {
        moves.push_back({column, row, edge});
        return false;
    }
    bool MoveCurrentCell(int columnStep, int rowStep, bool shift, bool ctrl) override {
        steps.push_back({columnStep, rowStep, shift, ctrl});
        return true;
    }
    bool CommitCellText(int column, int row, std::string& text, int cd, int rd) override {
        commits.push_back({column, row, text, cd, rd});
        text += "!";
        if (moveOnCommit) { // the editor follows the ending key to the next cell
            EditCell(column + cd, row + rd, kEditBoxCell, nullptr, "next");
            Editor().BeginEdit(nullptr, false);
        }
        return commitResult;
    }
    // As a selecting table does: every press on a cell opens the editor there anew.
    bool OnCellLButtonDown(int column, int row, bool, bool) override {
        if (reopenOnPress)
            EditCell(column, row, kEditBoxCell, nullptr,
                     (reopenText + (numberPresses ? std::to_string(++presses) : "")).c_str());
        return false;
    }
    bool reopenOnPress = false;
    std::string reopenText = "Rain";
    bool numberPresses = false;
    int presses = 0;
    bool CanResizeColumn(int) override { return resizable; }
    int GetColumnAutoWidth(int) override { return autoWidth; }
    std::string GetCellTooltip(int column, int row) override {
        return "cell " + std::to_string(column) + "," + std::to_string(row);
    }
};

class TableCtrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        table.setColumnCount(4);
        table.setRowCount(50);
        for (int c = 0; c < 4; ++c)
            table.setColumnWidth(c, 60);
        for (int r = 0; r < 50; ++r)
            table.setItem(r, 1, new QTableWidgetItem(QString("r%1").arg(r)));
        table.resize(200, 200);
        table.show();
        table.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&table));
        table.setFocus();
        rowHeight = table.rowHeight(0);
    }
    QWidget* viewport() { return table.viewport(); }
    QPoint CellCentre(int column, int row) {
        return QPoint(table.columnViewportPosition(column) + 30,
                      table.rowViewportPosition(row) + rowHeight / 2);
    }
    void Flush() { QApplication::processEvents(); }
    void EditAndEnd(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        ASSERT_TRUE(table.EditCell(1, 2, CTableCtrl::kEditBoxCell, nullptr, "Rain"));
        table.Editor().BeginEdit("Hail", false);
        QTest::keyClick(table.Editor().EditPart(), key, modifiers);
    }

    RecordingTable table;
    int rowHeight = 0;
};

TEST_F(TableCtrlTest, HitTestFollowsDisplayOrderAndGivesBordersToTheLaterColumn) {
    table.horizontalHeader()->moveSection(3, 0); // display order 3 0 1 2
    int column = -1, edge = -1;
    QRect rect;
    EXPECT_EQ(table.CellHitTest(QPoint(10, rowHeight * 2 + 1), &column, &rect, &edge, false), 2);
    EXPECT_EQ(column, 3);
    EXPECT_EQ(rect, QRect(0, rowHeight * 2, 60, rowHeight));
    EXPECT_EQ(table.CellHitTest(QPoint(60, 1), &column, &rect, nullptr, false), 0);
    EXPECT_EQ(column, 0);
    EXPECT_EQ(rect.left(), 60);
    EXPECT_EQ(table.GetColumnPosition(3), 0);
    EXPECT_EQ(table.GetColumnAtPosition(1), 0);
}

TEST_F(TableCtrlTest, MovesBelowTheRowsReportTheEdgeOnlyWhenRowsRemain) {
    const int top = table.GetTopIndex();
    const int perPage = table.GetCountPerPage();
    const QPoint below(30, viewport()->height() + 5);
    QMouseEvent move(QEvent::MouseMove, below, viewport()->mapToGlobal(below), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport(), &move);
    ASSERT_EQ(table.moves.size(), 1u);
    EXPECT_EQ(table.moves[0], (std::vector<int>{0, top + perPage, CTableCtrl::kEdgeBelow}));

    table.setRowCount(perPage);
    QApplication::sendEvent(viewport(), &move);
    EXPECT_EQ(table.moves.back(), (std::vector<int>{0, -1, CTableCtrl::kEdgeInside}));
}

TEST_F(TableCtrlTest, PressAndReleaseOnTheEditorCellStartsEditing) {
    ASSERT_TRUE(table.EditCell(1, 2, CTableCtrl::kEditBoxCell, nullptr, "Rain"));
    QWidget* editor = table.Editor().Window();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->geometry().topLeft(), QPoint(60, rowHeight * 2));
    EXPECT_TRUE(table.hasFocus()); // idle look until editing starts

    // Released elsewhere: the mouse was grabbed by the editor, the release is not on it.
    QTest::mousePress(editor, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(editor, Qt::LeftButton, {}, QPoint(5, rowHeight * 3));
    EXPECT_TRUE(table.Editor().IsIdle());

    QTest::mouseClick(editor, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(table.Editor().IsIdle());
    EXPECT_EQ(table.Editor().EditPart()->text(), "Rain");
}

// Clicked twice as a user does, through the window: the first click opens the editor on the
// cell, the second one's press and release start editing, whether the table keeps the editor
// under the press or puts a new one there.
TEST_F(TableCtrlTest, ASecondClickOnACellThatReopensItsEditorStartsEditing) {
    table.reopenOnPress = true;
    for (bool numbered : {false, true}) {
        SCOPED_TRACE(numbered);
        table.numberPresses = numbered;
        table.EditCell(0, 0, 0, nullptr, nullptr);
        const QPoint at = viewport()->mapTo(&table, CellCentre(1, 2));
        QTest::mouseClick(table.windowHandle(), Qt::LeftButton, {}, at);
        ASSERT_TRUE(table.EditorWindowExists());
        ASSERT_TRUE(table.Editor().IsIdle());
        QTest::mouseClick(table.windowHandle(), Qt::LeftButton, {}, at);
        Flush();
        EXPECT_FALSE(table.Editor().IsIdle());
        ASSERT_NE(table.Editor().EditPart(), nullptr);
        EXPECT_TRUE(table.Editor().EditPart()->hasFocus());
        EXPECT_EQ(table.Editor().EditPart()->text().toStdString(),
                  numbered ? "Rain" + std::to_string(table.presses) : "Rain");
        QTest::keyClick(table.windowHandle(), Qt::Key_Escape);
    }
}

// As any combo box: F4 and Alt+Down open the list of a cell that has one, before anything
// is typed, and move no current cell.
TEST_F(TableCtrlTest, F4AndAltDownOnAListCellOpenItsList) {
    const std::vector<std::string> choices = {"Loop", "Long", "Short"};
    struct Case {
        int kind;
        Qt::Key key;
        Qt::KeyboardModifiers mods;
    };
    const Case cases[] = {
        {CTableCtrl::kDropListCell, Qt::Key_F4, {}},
        {CTableCtrl::kDropListCell, Qt::Key_Down, Qt::AltModifier},
        {CTableCtrl::kEditComboCell, Qt::Key_F4, {}},
        {CTableCtrl::kEditComboCell, Qt::Key_Up, Qt::AltModifier},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.kind) + " " + std::to_string(c.key));
        table.steps.clear();
        table.EditCell(0, 0, 0, nullptr, nullptr);
        ASSERT_TRUE(table.EditCell(1, 2, c.kind, &choices, "Long"));
        ASSERT_TRUE(table.hasFocus());
        QTest::keyClick(table.windowHandle(), c.key, c.mods);
        EXPECT_FALSE(table.Editor().IsIdle());
        ASSERT_NE(table.Editor().ComboPart(), nullptr);
        EXPECT_TRUE(table.Editor().ComboPart()->view()->isVisible());
        EXPECT_EQ(table.Editor().ComboPart()->currentText(), "Long");
        EXPECT_TRUE(table.steps.empty());
        table.Editor().ComboPart()->hidePopup();
        Flush();
    }
}

TEST_F(TableCtrlTest, TypingWithAnOpenEditorStartsTheEditWithThatLetter) {
    ASSERT_TRUE(table.EditCell(1, 2, CTableCtrl::kEditBoxCell, nullptr, "Rain"));
    QTest::keyClick(&table, Qt::Key_A);
    EXPECT_FALSE(table.Editor().IsIdle());
    EXPECT_EQ(table.Editor().EditPart()->text(), "a");
    QTest::keyClick(table.Editor().EditPart(), Qt::Key_B);
    EXPECT_EQ(table.Editor().EditPart()->text(), "ab");
}

TEST_F(TableCtrlTest, EnterAndEscapeInTheTableOpenOrCloseTheEditor) {
    ASSERT_TRUE(table.EditCell(1, 2, CTableCtrl::kEditBoxCell, nullptr, "Rain"));
    QTest::keyClick(&table, Qt::Key_Escape);
    EXPECT_FALSE(table.EditorWindowExists());
    EXPECT_EQ(table.Editor().Row(), 2);
    ASSERT_TRUE(table.EditCell(1, 3, CTableCtrl::kEditBoxCell, nullptr, "Rain"));
    QTest::keyClick(&table, Qt::Key_Return);
    EXPECT_FALSE(table.Editor().IsIdle());
}

TEST_F(TableCtrlTest, ScrollingKeepsTheEditorOverItsCellAndHidesItAboveTheTop) {
    ASSERT_TRUE(table.EditCell(1, 5, CTableCtrl::kEditBoxCell, nullptr, "Rain"));
    table.verticalScrollBar()->setValue(3);
    Flush();
    QWidget* editor = table.Editor().Window();
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->geometry().top(), table.rowViewportPosition(5));
    EXPECT_EQ(editor->geometry().top(), rowHeight * 2);
    table.verticalScrollBar()->setValue(6);
    Flush();
    EXPECT_FALSE(editor->isVisible());
    table.verticalScrollBar()->setValue(5);
    Flush();
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->geometry().top(), 0);
}

TEST_F(TableCtrlTest, EndOfEditCommitsWithDirectionsUnlessEscaped) {
    struct Case {
        const char* name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int columnDirection, rowDirection;
    };
    const Case cases[] = {
        {"enter", Qt::Key_Return, Qt::NoModifier, 0, 1},
        {"shift enter", Qt::Key_Return, Qt::ShiftModifier, 0, -1},
        {"tab", Qt::Key_Tab, Qt::NoModifier, 1, 0},
        {"shift tab", Qt::Key_Backtab, Qt::ShiftModifier, -1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        table.commits.clear();
        EditAndEnd(c.key, c.modifiers);
        ASSERT_EQ(table.commits.size(), 1u);
        EXPECT_EQ(table.commits[0].text, "Hail");
        EXPECT_EQ(table.commits[0].columnDirection, c.columnDirection);
        EXPECT_EQ(table.commits[0].rowDirection, c.rowDirection);
        EXPECT_EQ(table.item(2, 1)->text(), "Hail!"); // the hook's change is written
        EXPECT_TRUE(table.Editor().IsIdle());
        EXPECT_TRUE(table.hasFocus());
    }
    table.commits.clear();
    EditAndEnd(Qt::Key_Escape);
    EXPECT_TRUE(table.commits.empty());
}

TEST_F(TableCtrlTest, CommitHookMayMoveTheEditorToTheNextCell) {
    table.moveOnCommit = true;
    EditAndEnd(Qt::Key_Tab);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(table.item(2, 1)->text(), "Hail!");
    EXPECT_EQ(table.Editor().Column(), 2);
    EXPECT_EQ(table.Editor().Row(), 2);
    ASSERT_TRUE(table.EditorWindowExists());
    EXPECT_EQ(table.Editor().EditPart()->text(), "next");
}

TEST_F(TableCtrlTest, RefusedOrOwnerDataCommitsLeaveTheListText) {
    table.commitResult = false;
    EditAndEnd(Qt::Key_Return);
    EXPECT_EQ(table.item(2, 1)->text(), "r2");
    table.commitResult = true;
    table.SetOwnerData(true);
    EditAndEnd(Qt::Key_Return);
    EXPECT_EQ(table.commits.size(), 2u);
    EXPECT_EQ(table.item(2, 1)->text(), "r2");
}

TEST_F(TableCtrlTest, EditCellRecordsTheCellEvenWhenItCannotOpen) {
    table.setColumnWidth(3, 4);
    EXPECT_FALSE(table.EditCell(3, 1, CTableCtrl::kEditBoxCell, nullptr, nullptr));
    EXPECT_FALSE(table.EditorWindowExists());
    EXPECT_EQ(table.Editor().Column(), 3);
    EXPECT_FALSE(table.EditCell(0, 50, CTableCtrl::kEditBoxCell, nullptr, nullptr));
    EXPECT_EQ(table.Editor().Row(), 50);
    ASSERT_TRUE(table.EditCell(0, 1, CTableCtrl::kDropListCell, nullptr, "x"));
    EXPECT_EQ(table.Editor().PartKindValue(), CEditableCell::kDropList);
    EXPECT_TRUE(table.EditCell(2, 4, 0, nullptr, nullptr));
    EXPECT_FALSE(table.EditorWindowExists());
    EXPECT_EQ(table.Editor().Row(), 4);
    EXPECT_EQ(table.Editor().Column(), 2);
}

TEST_F(TableCtrlTest, NavigationKeysAskToMoveTheCurrentCell) {
    const int perPage = table.GetCountPerPage();
    QTest::keyClick(&table, Qt::Key_Right);
    QTest::keyClick(&table, Qt::Key_Tab);
    QTest::keyClick(&table, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(&table, Qt::Key_Up, Qt::ControlModifier);
    QTest::keyClick(&table, Qt::Key_PageDown);
    EXPECT_EQ(table.steps,
              (std::vector<std::vector<int>>{
                  {1, 0, 0, 0}, {1, 0, 0, 0}, {-1, 0, 1, 0}, {0, -1, 0, 1}, {0, perPage, 0, 0}}));
}

TEST_F(TableCtrlTest, ToolTipIdsNumberTheCells) {
    table.setColumnCount(8);
    for (int c = 0; c < 8; ++c)
        table.setColumnWidth(c, 20);
    QRect rect;
    EXPECT_EQ(table.OnToolHitTest(QPoint(5 * 20 + 5, rowHeight * 2 + 1), &rect), 2054);
    EXPECT_EQ(rect, QRect(100, rowHeight * 2, 20, rowHeight));
    EXPECT_EQ(table.OnToolHitTest(QPoint(199, 1), nullptr), -1); // right of every column
}

TEST_F(TableCtrlTest, HeaderDividerDragsObeyTheHooks) {
    QWidget* header = table.horizontalHeader()->viewport();
    const int y = table.horizontalHeader()->height() / 2;
    auto drag = [&](int from, int to) {
        QTest::mousePress(header, Qt::LeftButton, {}, QPoint(from, y));
        QTest::mouseMove(header, QPoint((from + to) / 2, y));
        QTest::mouseMove(header, QPoint(to, y));
        QTest::mouseRelease(header, Qt::LeftButton, {}, QPoint(to, y));
    };
    drag(60, 1); // narrower than 3 pixels
    EXPECT_EQ(table.columnWidth(0), 3);
    table.setColumnWidth(0, 60);
    table.resizable = false;
    drag(60, 90);
    EXPECT_EQ(table.columnWidth(0), 60);

    table.autoWidth = 25;
    QTest::mouseDClick(header, Qt::LeftButton, {}, QPoint(120, y));
    EXPECT_EQ(table.columnWidth(1), 25);
}

TEST_F(TableCtrlTest, DrawingHooksAreAskedStageByStage) {
    table.fontRow = 1;
    table.cellBack = MakeColorRef(255, 0, 0);
    const QImage image = viewport()->grab().toImage();
    EXPECT_EQ(image.pixelColor(61, 1), QColor(255, 0, 0));
    // A row font forces the row's post-paint; other rows get none.
    EXPECT_NE(std::find(table.calls.begin(), table.calls.end(), "PostPaintRow 1"),
              table.calls.end());
    EXPECT_EQ(std::find(table.calls.begin(), table.calls.end(), "PostPaintRow 0"),
              table.calls.end());

    table.calls.clear();
    table.paintControl = true;
    const QImage skipped = viewport()->grab().toImage();
    EXPECT_EQ(table.calls, std::vector<std::string>{"PaintControl"});
    EXPECT_NE(skipped.pixelColor(61, 1), QColor(255, 0, 0));
}

} // namespace

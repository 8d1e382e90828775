#include "app/controls/selectable_table_ctrl.h"

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// Keeps the rows' selection in its own data, as the program's tables do.
class RowTable : public SelectableTableCtrl {
public:
    std::vector<bool> selected;
    int selectionChanges = 0;
    bool movable = false;

    void SetRows(int count) {
        selected.assign(count, false);
        setRowCount(count);
    }
    bool IsRowSelected(int row) override {
        return row >= 0 && row < int(selected.size()) && selected[row];
    }
    void SetRowSelected(int row, bool on, bool) override {
        if (row >= 0 && row < int(selected.size()))
            selected[row] = on;
    }
    void OnSelectionChanged() override {
        ++selectionChanges;
        SelectableTableCtrl::OnSelectionChanged();
    }
    bool IsColumnMovable(int) override { return movable; }
    bool CommitCellText(int, int row, std::string&, int, int) override {
        committedRows.push_back(row);
        return true;
    }
    std::vector<int> committedRows;
    std::vector<int> Selected() const {
        std::vector<int> rows;
        for (int i = 0; i < int(selected.size()); ++i)
            if (selected[i])
                rows.push_back(i);
        return rows;
    }
};

class SelectableTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        table.setColumnCount(3);
        table.SetRows(40);
        for (int c = 0; c < 3; ++c)
            table.setColumnWidth(c, 60);
        table.resize(220, 200);
        table.show();
        table.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&table));
        table.setFocus();
        rowHeight = table.rowHeight(0);
    }
    QPoint Cell(int column, int row) {
        return QPoint(table.columnViewportPosition(column) + 30,
                      table.rowViewportPosition(row) + rowHeight / 2);
    }
    void Click(int column, int row, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(table.viewport(), Qt::LeftButton, modifiers, Cell(column, row));
    }
    void Send(QEvent::Type type, QPoint pos) {
        QMouseEvent e(type, pos, table.viewport()->mapToGlobal(pos), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
        QApplication::sendEvent(table.viewport(), &e);
    }

    RowTable table;
    int rowHeight = 0;
};

TEST_F(SelectableTableTest, ClicksSelectRowsOnlyInTheCurrentColumn) {
    Click(1, 2);
    EXPECT_EQ(table.GetCurrentRow(), 2);
    EXPECT_EQ(table.CurrentColumn(), 1);
    EXPECT_EQ(table.Selected(), std::vector<int>{2});
    EXPECT_EQ(table.selectionChanges, 1);

    Click(1, 5, Qt::ShiftModifier);
    EXPECT_EQ(table.Selected(), (std::vector<int>{2, 3, 4, 5}));
    EXPECT_EQ(table.GetCurrentRow(), 2);

    Click(1, 4, Qt::ControlModifier); // toggles
    EXPECT_EQ(table.Selected(), (std::vector<int>{2, 3, 5}));
    EXPECT_EQ(table.selectionChanges, 1);
    EXPECT_TRUE(table.IsCellSelected(1, 3));
    EXPECT_FALSE(table.IsCellSelected(0, 3));
    EXPECT_EQ(table.GetCellBkColor(2, 1, 0, 0), SelectableTableCtrl::kCurrentCellColor);
    EXPECT_EQ(table.GetCellBkColor(3, 1, 0, 0), SelectableTableCtrl::kSelectedCellColor);
    EXPECT_EQ(table.GetCellBkColor(3, 0, 0, 0), CTableCtrl::kClrDefault);

    Click(2, 3, Qt::ControlModifier); // another column: a plain click
    EXPECT_EQ(table.Selected(), std::vector<int>{3});
    EXPECT_EQ(table.CurrentColumn(), 2);
    EXPECT_EQ(table.selectionChanges, 2);
}

TEST_F(SelectableTableTest, ShiftDownExtendsWithoutMovingTheCurrentCell) {
    Click(0, 4);
    const int changes = table.selectionChanges;
    QTest::keyClick(&table, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(&table, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(table.Selected(), (std::vector<int>{4, 5, 6}));
    EXPECT_EQ(table.GetCurrentRow(), 4);
    EXPECT_EQ(table.EndRow(), 6);
    EXPECT_EQ(table.selectionChanges, changes);

    QTest::keyClick(&table, Qt::Key_Down); // a plain move goes on from the far end
    EXPECT_EQ(table.GetCurrentRow(), 7);
    EXPECT_EQ(table.Selected(), std::vector<int>{7});
    QTest::keyClick(&table, Qt::Key_Up, Qt::ShiftModifier);
    QTest::keyClick(&table, Qt::Key_Up);
    EXPECT_EQ(table.GetCurrentRow(), 5);
}

TEST_F(SelectableTableTest, TabMovesOneColumnEachWayAndEscapeClears) {
    Click(1, 3);
    QTest::keyClick(&table, Qt::Key_Tab);
    EXPECT_EQ(table.CurrentColumn(), 2);
    QTest::keyClick(&table, Qt::Key_Tab); // stays at the last column
    EXPECT_EQ(table.CurrentColumn(), 2);
    QTest::keyClick(&table, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(table.CurrentColumn(), 1);
    EXPECT_EQ(table.GetCurrentRow(), 3);
    QTest::keyClick(&table, Qt::Key_Escape);
    EXPECT_TRUE(table.Selected().empty());
    EXPECT_EQ(table.GetCurrentRow(), -1);
    QTest::keyClick(&table, Qt::Key_Down); // no current cell: nothing moves
    EXPECT_TRUE(table.Selected().empty());
}

TEST_F(SelectableTableTest, HeaderClickSelectsTheWholeColumn) {
    QWidget* header = table.horizontalHeader()->viewport();
    QTest::mouseClick(header, Qt::LeftButton, {}, QPoint(90, header->height() / 2));
    EXPECT_EQ(table.Selected().size(), 40u);
    EXPECT_EQ(table.GetCurrentRow(), 0);
    EXPECT_EQ(table.CurrentColumn(), 1);
    EXPECT_EQ(table.GetCellBkColor(5, 1, 0, 0), SelectableTableCtrl::kSelectedCellColor);
}

TEST_F(SelectableTableTest, DeletingRowsKeepsTheCurrentCellOnItsRow) {
    Click(0, 5);
    table.selected.erase(table.selected.begin() + 8);
    table.DeleteRow(8);
    EXPECT_EQ(table.GetCurrentRow(), 5);
    table.selected.erase(table.selected.begin() + 1);
    table.DeleteRow(1);
    EXPECT_EQ(table.GetCurrentRow(), 4);
    EXPECT_TRUE(table.IsRowSelected(4));
    table.selected.erase(table.selected.begin() + 4);
    table.DeleteRow(4);
    EXPECT_EQ(table.GetCurrentRow(), -1);
    EXPECT_EQ(table.rowCount(), 37);
    table.DeleteAllRows();
    EXPECT_EQ(table.rowCount(), 0);
}

TEST_F(SelectableTableTest, DeletingARowShiftsTheSelectionEndWithItsRow) {
    struct Case {
        int current, end, deleted;
        int currentAfter, endAfter;
    };
    const Case cases[] = {
        {2, 6, 4, 2, 5},   // between current and end, end below
        {6, 2, 4, 5, 2},   // between, end above
        {2, 6, 6, 2, 5},   // the end's own row: its neighbour toward the current row
        {6, 2, 2, 5, 2},
        {2, 6, 0, 1, 5},   // above both
        {2, 6, 8, 2, 6},   // below both
        {2, 39, 10, 2, 38}, // the end on the last row stays inside the table
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.current) + " to " + std::to_string(c.end) + ", delete " +
                     std::to_string(c.deleted));
        table.SetRows(40);
        table.SelectCell(0, c.current, true, true);
        table.SelectCell(0, c.end, true, false);
        table.selected.erase(table.selected.begin() + c.deleted);
        table.DeleteRow(c.deleted);
        EXPECT_EQ(table.GetCurrentRow(), c.currentAfter);
        EXPECT_EQ(table.EndRow(), c.endAfter);
        EXPECT_LT(table.EndRow(), table.rowCount());
    }
}

TEST_F(SelectableTableTest, DeletingARowKeepsTheEditorOnItsRecord) {
    QApplication::processEvents();
    ASSERT_TRUE(table.EditCell(1, 5, CTableCtrl::kEditBoxCell, nullptr, "Rain"));
    table.selected.erase(table.selected.begin() + 1);
    table.DeleteRow(1);
    EXPECT_EQ(table.Editor().Row(), 4);
    ASSERT_TRUE(table.EditorWindowExists());
    EXPECT_EQ(table.Editor().Window()->geometry().top(), table.rowViewportPosition(4));
    table.Editor().BeginEdit("Hail", false);
    QTest::keyClick(table.Editor().EditPart(), Qt::Key_Return);
    EXPECT_EQ(table.committedRows, std::vector<int>{4}); // the record that was on row 5

    // The editor's own row deleted: nothing is left to commit into.
    table.committedRows.clear();
    ASSERT_TRUE(table.EditCell(1, 3, CTableCtrl::kEditBoxCell, nullptr, "Rain"));
    table.Editor().BeginEdit("Snow", false);
    table.selected.erase(table.selected.begin() + 3);
    table.DeleteRow(3);
    EXPECT_FALSE(table.EditorWindowExists());
    EXPECT_EQ(table.Editor().Row(), -1);
    QApplication::processEvents();
    EXPECT_TRUE(table.committedRows.empty());
}

TEST_F(SelectableTableTest, NothingSelectedMeansNoCurrentCell) {
    Click(0, 5);
    table.selected.assign(40, false);
    table.OnSelectionChanged();
    EXPECT_EQ(table.GetCurrentRow(), -1);
}

TEST_F(SelectableTableTest, DragAboveTheListAdvancesOneRowPerTickDownToRowZero) {
    table.verticalScrollBar()->setValue(3);
    Send(QEvent::MouseButtonPress, Cell(0, 5));
    ASSERT_TRUE(table.IsDragging());
    Send(QEvent::MouseMove, Cell(0, 4));
    EXPECT_EQ(table.Selected(), (std::vector<int>{4, 5}));
    Send(QEvent::MouseMove, QPoint(30, -5));
    EXPECT_EQ(table.PendingEdge(), CTableCtrl::kEdgeAbove);
    EXPECT_EQ(table.EndRow(), 2); // the row just above the top one
    std::vector<int> tops;
    for (int tick = 0; tick < 5; ++tick) {
        table.AdvanceIfPending();
        tops.push_back(table.GetTopIndex());
    }
    EXPECT_EQ(tops, (std::vector<int>{1, 0, 0, 0, 0}));
    EXPECT_EQ(table.EndRow(), 0);
    Send(QEvent::MouseButtonRelease, QPoint(30, -5));
    EXPECT_FALSE(table.IsDragging());
    EXPECT_EQ(table.Selected(), (std::vector<int>{0, 1, 2, 3, 4, 5}));
}

TEST_F(SelectableTableTest, ColumnsMoveOnlyWhereTheSubclassAllows) {
    QWidget* header = table.horizontalHeader()->viewport();
    const int y = header->height() / 2;
    auto drag = [&] {
        QTest::mousePress(header, Qt::LeftButton, {}, QPoint(30, y));
        for (int x = 40; x <= 170; x += 10)
            QTest::mouseMove(header, QPoint(x, y));
        QTest::mouseRelease(header, Qt::LeftButton, {}, QPoint(170, y));
    };
    drag();
    EXPECT_EQ(table.horizontalHeader()->visualIndex(0), 0);
    table.movable = true;
    drag();
    EXPECT_EQ(table.horizontalHeader()->visualIndex(0), 2);
}

TEST_F(SelectableTableTest, SortMarkMovesAndLeavesColumnsOwnerDrawn) {
    CTableHeaderCtrl& header = table.Header();
    EXPECT_EQ(header.SetSortMark(1, true), -1);
    EXPECT_EQ(header.SetSortMark(2, false), 1);
    EXPECT_TRUE(header.IsOwnerDrawn(1));
    EXPECT_FALSE(header.IsOwnerDrawn(0));
    table.SetSortColumn(2, true, false);
    EXPECT_EQ(header.SortColumn(), -1);
    EXPECT_FALSE(table.horizontalHeader()->grab().isNull()); // owner drawing runs
}

} // namespace

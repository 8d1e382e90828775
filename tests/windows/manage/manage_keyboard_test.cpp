// The Manage window without the mouse: opened from the main window's menu by keys, Tab round
// its panes and its button, and Enter on a cell of the update table.
#include "tests/windows/manage/manage_main_window_fixture.h"

#include "app/app_controller.h"
#include "app/main_frame.h"
#include "app/settings.h"
#include "tests/app/shell/shell_stand_ins.h"

#include <QAbstractItemView>
#include <QGuiApplication>
#include <QMenu>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

using C = CatalogUpdateItem;

class ManageFromMainWindowTest : public ManageOnMainWindow<FakeFactory> {};

TEST_F(ManageFromMainWindowTest, OpenedByAltTDownEnterItTakesTheKeysInItsFolderTree) {
    // The remembered folder has a sister below it, so Down has somewhere to go.
    const std::string folder = profile.Path("sounds/");
    std::filesystem::create_directories(folder + "a");
    std::filesystem::create_directories(folder + "b");
    WriteProfileString(CatalogFileTreeView::kPathKey, folder + "a/");
    frame->show();
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));

    QWindow* main = frame->windowHandle();
    QTest::keyClick(main, Qt::Key_T, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor(
        [] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()) != nullptr; }));
    QTest::keyClick(main, Qt::Key_Down);
    QTest::keyClick(main, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([this] { return Manage() != nullptr && Manage()->isVisible(); }));
    CatalogFrm* manage = Manage();
    // The keys go to the window that has the keyboard.
    EXPECT_TRUE(QTest::qWaitFor([manage] { return QApplication::activeWindow() == manage; }));

    QTreeWidget& tree = manage->TreeView().Tree();
    EXPECT_EQ(QApplication::focusWidget(), &tree);
    QTreeWidgetItem* before = tree.currentItem();
    ASSERT_NE(before, nullptr);
    ASSERT_NE(QGuiApplication::focusWindow(), nullptr);
    QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_Down);
    ASSERT_NE(tree.currentItem(), before);
    ASSERT_NE(tree.currentItem(), nullptr);
    EXPECT_EQ(tree.currentItem()->text(0), "b");
    QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), &manage->FileListView().List());
}

// Tab and Shift+Tab as the window system sends them to the Manage window.
class ManageKeys : public ManageWindowTest {
protected:
    void Press(Qt::Key key, Qt::KeyboardModifiers mods = {}) {
        QTest::keyClick(frame_->windowHandle(), key, mods);
    }
    void ClickCell(int row, int column) {
        Table().scrollTo(Table().model()->index(row, column));
        const QPoint at = Table().visualRect(Table().model()->index(row, column)).center();
        QTest::mouseClick(frame_->windowHandle(), Qt::LeftButton, {},
                          Table().viewport()->mapTo(frame_.data(), at));
    }
    QWidget* Focus() const { return QApplication::focusWidget(); }
};

TEST_P(ManageKeys, TabGoesRoundThePanesAndTheButtonAndAlongTheTablesRow) {
    ASSERT_TRUE(Drop({Sound("a.wav"), Sound("b.wav")}));
    QTreeWidget& tree = frame_->TreeView().Tree();
    QWidget* files = &frame_->FileListView().List();
    QWidget* table = &Table();
    QWidget* button = &frame_->UpdateButton();
    ASSERT_TRUE(button->isEnabled());
    ASSERT_NE(tree.currentItem(), nullptr);
    QTest::mouseClick(frame_->windowHandle(), Qt::LeftButton, {},
                      tree.viewport()->mapTo(frame_.data(),
                                             tree.visualItemRect(tree.currentItem()).center()));
    ASSERT_EQ(Focus(), &tree);

    // Come in by Tab, the table has a current cell: the first row's first one to edit.
    Press(Qt::Key_Tab);
    EXPECT_EQ(Focus(), files);
    Press(Qt::Key_Tab);
    EXPECT_EQ(Focus(), table);
    EXPECT_EQ(Table().GetCurrentRow(), 0);
    EXPECT_EQ(Table().CurrentColumn(), int(C::kAction));
    // Shift+Tab goes back along the row and then out; from the tree backwards, the button and
    // the table at its current cell.
    const std::vector<QWidget*> backward = {table, table, files, &tree, button, table};
    for (QWidget* expected : backward) {
        Press(Qt::Key_Tab, Qt::ShiftModifier);
        EXPECT_EQ(Focus(), expected) << expected->metaObject()->className();
    }
    EXPECT_EQ(Table().CurrentColumn(), int(C::kFileName));
    EXPECT_EQ(Table().GetCurrentRow(), 0);

    // With a current cell, Tab moves along its row; from the last cell it goes on to the
    // button, and Shift+Tab from the first cell back to the file list.
    ClickCell(1, C::kDescription);
    ASSERT_EQ(Focus(), table);
    ASSERT_EQ(Table().GetCurrentRow(), 1);
    Press(Qt::Key_Tab);
    EXPECT_EQ(Focus(), table);
    EXPECT_EQ(Table().CurrentColumn(), int(C::kClass));
    Press(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(Table().CurrentColumn(), int(C::kDescription));
    for (int i = 0; i < C::kLink - C::kDescription; ++i)
        Press(Qt::Key_Tab);
    EXPECT_EQ(Focus(), table);
    EXPECT_EQ(Table().CurrentColumn(), int(C::kLink));
    Press(Qt::Key_Tab);
    EXPECT_EQ(Focus(), button);
    Press(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(Focus(), table);
    EXPECT_EQ(Table().CurrentColumn(), int(C::kLink)); // coming back moves nothing
    for (int i = 0; i < C::kLink; ++i)
        Press(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(Table().CurrentColumn(), int(C::kFileName));
    EXPECT_EQ(Focus(), table);
    Press(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(Focus(), files);
    EXPECT_EQ(Table().GetCurrentRow(), 1);
}

TEST_P(ManageKeys, EnterOnADropDownCellStartsEditingWithTheListClosed) {
    ASSERT_TRUE(Drop({Sound("a.wav")}));
    ClickCell(0, C::kAction);
    ASSERT_EQ(Focus(), &Table());
    Press(Qt::Key_Return);
    CEditableCell& editor = Table().Editor();
    EXPECT_FALSE(editor.IsIdle());
    ASSERT_NE(editor.ComboPart(), nullptr);
    EXPECT_EQ(Focus(), editor.ComboPart());
    EXPECT_FALSE(editor.ComboPart()->view()->isVisible());
    // The keys choose in the closed box, and Enter stores the choice.
    Press(Qt::Key_Down);
    EXPECT_FALSE(editor.ComboPart()->view()->isVisible());
    Press(Qt::Key_Return);
    EXPECT_EQ(Row(0).GetColumnText(C::kAction), "REMOVE");
    EXPECT_FALSE(Row(0).keep);
    EXPECT_EQ(Focus(), &Table());
}

INSTANTIATE_ON_SQLITE(ManageKeys);

} // namespace

// The Manage window's texts stay readable: a cell's drop-down list shows its items whole.
#include "tests/windows/manage/manage_fixture.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using C = CatalogUpdateItem;

TEST_P(ManageWindowTest, ACellsDropDownListShowsEveryNameWhole) {
    ASSERT_TRUE(Drop({Sound("snare.wav")}));
    // An instrument under "Drums/Percussion": its categories, its sub-categories (a list
    // long enough to scroll) and the genres, each wider than a default column.
    Row(0).record.soundClass = 2;
    Row(0).record.category = "Drums/Percussion";
    const struct {
        int column;
        const char* longest;
    } cases[] = {{C::kCategory, "Drums/Percussion"},
                 {C::kSubCategory, "Turntable Scratch"},
                 {C::kGenre, "World/Ethnic"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.longest);
        Select(c.column, {0});
        CEditableCell& editor = Table().Editor();
        ASSERT_TRUE(editor.HasWindow());
        ASSERT_NE(editor.ButtonPart(), nullptr);
        QWidget* button = editor.ButtonPart();
        QTest::mouseClick(frame_->windowHandle(), Qt::LeftButton, {},
                          button->mapTo(frame_, button->rect().center()));
        QComboBox* combo = editor.ComboPart();
        ASSERT_NE(combo, nullptr);
        QAbstractItemView* list = combo->view();
        ASSERT_TRUE(list->isVisible());
        ASSERT_GE(combo->findText(c.longest), 0);
        for (int i = 0; i < combo->count(); ++i) {
            const QString text = combo->itemText(i);
            SCOPED_TRACE(text.toStdString());
            // What the list shows of the item across: its row within the list's visible width
            // (a row scrolled out of view would show as much once scrolled to).
            const QModelIndex index = list->model()->index(i, 0);
            const QRect row = list->visualRect(index);
            const QRect visible = list->viewport()->rect();
            const int shown = std::min(row.right(), visible.right()) -
                              std::max(row.left(), visible.left()) + 1;
            EXPECT_LE(list->fontMetrics().horizontalAdvance(text), shown);
            EXPECT_LE(list->sizeHintForIndex(index).width(), shown);
        }
        QTest::keyClick(list, Qt::Key_Escape);
        QCoreApplication::processEvents();
    }
}

} // namespace

// The Manage window's texts stay readable: a cell's drop-down list shows its items whole.
#include "tests/windows/manage/manage_fixture.h"
#include "tests/support_qt/readable_layout.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <gmock/gmock.h>
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
        EXPECT_THAT(ItemsCutShort(*combo), testing::IsEmpty());
        QTest::keyClick(list, Qt::Key_Escape);
        QCoreApplication::processEvents();
    }
}

} // namespace

namespace {

TEST_P(ManageWindowTest, AtItsSmallestSizeNothingOverlapsOrIsCutShort) {
    ASSERT_TRUE(Drop({Sound("snare.wav")}));
    frame_->resize(1, 1);
    QCoreApplication::processEvents();
    EXPECT_GT(frame_->width(), 1);
    EXPECT_GT(frame_->height(), 1);
    frame_->SetStatusText("For Help, press F1");
    QCoreApplication::processEvents();
    std::vector<const QWidget*> controls{&frame_->UpdateButton()};
    for (const QLabel* label : frame_->statusBar()->findChildren<QLabel*>())
        controls.push_back(label);
    EXPECT_THAT(OverlappingControls(*frame_), testing::IsEmpty());
    // Every pane keeps a few lines and a few words.
    const QFontMetrics metrics(frame_->font());
    for (QSplitter* splitter : {&frame_->OuterSplitter(), &frame_->InnerSplitter()})
        for (int i = 0; i < splitter->count(); ++i) {
            SCOPED_TRACE(WidgetName(splitter->widget(i)));
            EXPECT_GE(splitter->widget(i)->height(), 3 * metrics.height());
            EXPECT_GE(splitter->widget(i)->width(), 8 * metrics.averageCharWidth());
        }
    EXPECT_THAT(TextsCutShort(controls), testing::IsEmpty());
}

} // namespace

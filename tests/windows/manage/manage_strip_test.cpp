// The Play/Loop strip beside the update table scrolled to anywhere, the end included: what
// stands beside a row is that row's, whatever the table's height and whether its columns need
// the horizontal bar or not, and a row's Play previews that row's file.
#include "tests/windows/manage/manage_fixture.h"
#include "tests/support_qt/table_rows.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <QWindow>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace {

using C = CatalogUpdateItem;

class ManageStrip : public ManageWindowTest {
protected:
    // Many files dropped on the table (a name is enough: the table lists what it may read).
    void Fill() {
        std::vector<std::string> paths;
        for (int i = 0; i < kRows; ++i)
            paths.push_back(folder_.Path("sounds/" + std::to_string(i) + ".wav"));
        ASSERT_TRUE(Drop(paths));
        ASSERT_EQ(Rows(), kRows);
        window = frame_->windowHandle();
        // The keys go to the table, as after a click on a file name (a cell without editor).
        Table().scrollTo(Table().model()->index(0, C::kFileName));
        const QPoint at = Table().visualRect(Table().model()->index(0, C::kFileName)).center();
        QTest::mouseClick(window, Qt::LeftButton, {}, Table().viewport()->mapTo(frame_.data(), at));
        QCoreApplication::processEvents();
        ASSERT_TRUE(Table().hasFocus());
    }
    void Press(Qt::Key key) {
        QTest::keyClick(window, key);
        QCoreApplication::processEvents();
    }
    void WheelDown() { WheelDownOver(Table(), frame_.data(), window); }
    std::optional<int> RowMiddle(int row) { return RowMiddleIn(Table(), row, frame_.data()); }
    // The middle of the Play column (the first of two 20-pixel buttons).
    int PlayX() { return View().Strip().mapTo(frame_.data(), QPoint(2 + 10, 0)).x(); }
    // The Play button at every shown row's height is that row's.
    void ExpectStripBesideRows() {
        int rowsSeen = 0;
        for (int row = 0; row < kRows; ++row) {
            const std::optional<int> y = RowMiddle(row);
            if (!y)
                continue;
            ++rowsSeen;
            SCOPED_TRACE("row " + std::to_string(row));
            auto* button = dynamic_cast<HeaderButtonCtrl*>(frame_->childAt(PlayX(), *y));
            ASSERT_NE(button, nullptr);
            EXPECT_EQ(button->Row(), row);
        }
        EXPECT_GT(rowsSeen, 5);
    }
    // A click on the Play button beside the row: the row's file is previewed.
    void ExpectPlayPlaysRow(int row) {
        host_.calls.clear();
        const std::optional<int> y = RowMiddle(row);
        ASSERT_TRUE(y.has_value());
        QTest::mouseClick(window, Qt::LeftButton, {}, QPoint(PlayX(), *y));
        QCoreApplication::processEvents();
        EXPECT_EQ(host_.calls, std::vector<std::string>{"play " + Row(row).record.path});
    }

    static constexpr int kRows = 60;
    QWindow* window = nullptr;
};

TEST_P(ManageStrip, AtEveryScrollPositionTheEndIncluded) {
    Fill();
    const int rowHeight = Table().rowHeight(0);
    for (bool wide : {true, false}) {
        // Wide columns need the horizontal bar; narrow ones fit in the window.
        for (int c = 0; c < C::kColumnCount; ++c)
            Table().setColumnWidth(c, wide ? CatalogListCtrl::kDefaultWidths[c] : 40);
        // Heights that leave the table's rows short of its bottom by 0, 2, 11 and 20 pixels.
        for (int extra : {0, 2, 11, 20}) {
            SCOPED_TRACE(std::string(wide ? "wide" : "narrow") + ", " + std::to_string(extra) +
                         " spare");
            frame_->resize(900, 640);
            QCoreApplication::processEvents();
            const int spare = Table().viewport()->height() % rowHeight;
            frame_->resize(900, 640 - spare + extra);
            QCoreApplication::processEvents();
            ASSERT_EQ(Table().viewport()->height() % rowHeight, extra);
            ASSERT_EQ(Table().horizontalScrollBar()->isVisible(), wide);
            const struct {
                const char* name;
                std::function<void()> input;
            } ways[] = {
                {"End", [&] { Press(Qt::Key_End); }},
                {"Page Down to the end",
                 [&] {
                     for (int i = 0; i < kRows / 4; ++i)
                         Press(Qt::Key_PageDown);
                 }},
                {"the wheel to the end",
                 [&] {
                     for (int i = 0; i < kRows; ++i)
                         WheelDown();
                 }},
                {"the wheel half way",
                 [&] {
                     for (int i = 0; i < kRows / 6; ++i)
                         WheelDown();
                 }},
            };
            for (const auto& way : ways) {
                SCOPED_TRACE(way.name);
                Press(Qt::Key_Home);
                ASSERT_EQ(Table().verticalScrollBar()->value(), 0);
                way.input();
                ExpectStripBesideRows();
                if (Table().verticalScrollBar()->value() ==
                    Table().verticalScrollBar()->maximum()) {
                    ExpectPlayPlaysRow(kRows - 1);
                    ExpectPlayPlaysRow(kRows - 2);
                } else {
                    EXPECT_GT(Table().verticalScrollBar()->value(), 0);
                    ExpectPlayPlaysRow(Table().GetTopIndex() + 1);
                }
            }
        }
    }
}

INSTANTIATE_ON_SQLITE(ManageStrip);

} // namespace

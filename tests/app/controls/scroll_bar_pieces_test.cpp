#include "app/controls/scroll_bar_pieces.h"

#include <QApplication>
#include <QImage>
#include <QProxyStyle>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <gtest/gtest.h>
#include <vector>

namespace {

struct BarCase {
    Qt::Orientation orientation;
    int length;
    int maximum;
    int value;
};

QImage Picture(QScrollBar& bar) {
    return bar.grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

void Configure(QScrollBar& bar, const BarCase& c) {
    bar.setOrientation(c.orientation);
    const int thickness = bar.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &bar);
    if (c.orientation == Qt::Vertical)
        bar.resize(thickness, c.length);
    else
        bar.resize(c.length, thickness);
    bar.setRange(0, c.maximum);
    bar.setPageStep(20);
    bar.setValue(c.value);
}

// Long bars with the slider all along their range, and bars too short to be cut, show the
// same pixels drawn in pieces as drawn whole; a pressed slider too.
TEST(ScrollBarPieces, DrawsTheSamePixelsAsTheStyleDrawingTheBarWhole) {
    std::vector<BarCase> cases = {
        {Qt::Vertical, 97, 10, 5}, {Qt::Vertical, 50, 10, 3},
        {Qt::Horizontal, 1000, 5, 5}, {Qt::Horizontal, 60, 4, 2},
    };
    for (int value = 0; value <= 180; value += 15)
        cases.push_back({Qt::Vertical, 735, 180, value});
    for (int value = 0; value <= 300; value += 25)
        cases.push_back({Qt::Horizontal, 651, 300, value});
    for (const BarCase& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.orientation == Qt::Vertical ? "vertical " : "horizontal ")
                                        << c.length << " at " << c.value);
        QScrollBar whole, pieces;
        DrawScrollBarInPieces(&pieces);
        ASSERT_NE(pieces.style(), whole.style()) << "the bar keeps the application's style";
        auto* proxy = qobject_cast<QProxyStyle*>(pieces.style());
        ASSERT_NE(proxy, nullptr);
        EXPECT_EQ(proxy->baseStyle()->name(), whole.style()->name());
        Configure(whole, c);
        Configure(pieces, c);
        const QImage expected = Picture(whole);
        ASSERT_FALSE(expected.isNull());
        EXPECT_TRUE(Picture(pieces) == expected);

        // The slider held down by the mouse.
        whole.show();
        pieces.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&whole));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&pieces));
        QStyleOptionSlider option;
        option.initFrom(&whole);
        option.orientation = c.orientation;
        option.minimum = whole.minimum();
        option.maximum = whole.maximum();
        option.sliderPosition = option.sliderValue = whole.value();
        option.pageStep = whole.pageStep();
        option.singleStep = whole.singleStep();
        if (c.orientation == Qt::Horizontal)
            option.state |= QStyle::State_Horizontal;
        const QPoint slider = whole.style()
                                  ->subControlRect(QStyle::CC_ScrollBar, &option,
                                                   QStyle::SC_ScrollBarSlider, &whole)
                                  .center();
        QTest::mousePress(whole.windowHandle(), Qt::LeftButton, {}, slider);
        QTest::mousePress(pieces.windowHandle(), Qt::LeftButton, {}, slider);
        EXPECT_EQ(whole.isSliderDown(), pieces.isSliderDown());
        EXPECT_TRUE(Picture(pieces) == Picture(whole));
        QTest::mouseRelease(whole.windowHandle(), Qt::LeftButton, {}, slider);
        QTest::mouseRelease(pieces.windowHandle(), Qt::LeftButton, {}, slider);
    }
}

} // namespace

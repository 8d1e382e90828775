#include "editor/widgets/axis_bar.h"

#include <algorithm>

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>
#include <memory>

#include "editor/toolkit/host_window.h"
#include "tests/editor/click_listener.h"
#include "tests/editor/menu_answer.h"
#include "tests/editor/recording_node.h"

namespace {

const QColor kBackground(255, 255, 200);
const QColor kGrey(0x80, 0x80, 0x80);
const QColor kUntouched(Qt::blue);

QImage Paint(CGP_AxisBar& axis, int clipX, int clipY, int clipWidth, int clipHeight) {
    QImage image(axis.width, axis.height, QImage::Format_RGB32);
    image.fill(kUntouched);
    QPainter dc(&image);
    axis.Draw(dc, clipX, clipY, clipWidth, clipHeight, 0, 0);
    return image;
}

// Pixels of the label colour (pure red), antialiased edges included.
int Ink(const QImage& image, int left, int top, int right, int bottom) {
    int count = 0;
    for (int py = std::max(top, 0); py < std::min(bottom, image.height()); ++py)
        for (int px = std::max(left, 0); px < std::min(right, image.width()); ++px) {
            const QColor c = image.pixelColor(px, py);
            count += c.red() > 2 * c.green() && c.red() > 2 * c.blue();
        }
    return count;
}

// Paints the axis at x = margin of an image wider by margin on both sides.
QImage PaintWithMargins(CGP_AxisBar& axis, int margin) {
    QImage image(axis.width + 2 * margin, axis.height, QImage::Format_RGB32);
    image.fill(kUntouched);
    QPainter dc(&image);
    axis.Draw(dc, 0, 0, axis.width, axis.height, margin, 0);
    return image;
}

bool UntouchedOutside(const QImage& image, int left, int right) {
    for (int py = 0; py < image.height(); ++py)
        for (int px = 0; px < image.width(); ++px)
            if ((px < left || px >= right) && image.pixelColor(px, py) != kUntouched) {
                ADD_FAILURE() << "painted at " << px << ", " << py;
                return false;
            }
    return true;
}

// The amplitude axis beside a track is 40 pixels wide: "-20000" must neither spill out of
// it nor lose its sign, so the labels get smaller until the widest fits.
TEST(AxisBarTest, AmplitudeLabelsFitTheNarrowAxis) {
    CGP_AxisBar axis(nullptr, nullptr, 0, 0, 40, 240, false);
    axis.SetColors(MakeColorRef(255, 0, 0), MakeColorRef(255, 255, 200));
    axis.SetRange(-32767, 32767, 0);
    axis.SetTicks(10000, 5000, false);
    const int margin = 60;
    const QImage image = PaintWithMargins(axis, margin);
    EXPECT_TRUE(UntouchedOutside(image, margin, margin + 40));
    const int half = axis.digitHeight / 2 + 1;
    auto labelInk = [&](double value) {
        const int ty = axis.ValueToY(value);
        return Ink(image, margin, ty - half, margin + 34, ty + half + 1);
    };
    for (double value : {-30000.0, -20000.0, -10000.0, 0.0, 10000.0, 20000.0, 30000.0})
        EXPECT_GT(labelInk(value), 0) << value;
    EXPECT_GT(labelInk(-20000), labelInk(20000)); // the minus sign is there
}

// Nothing of a horizontal axis, its last label and its last tick's shadow included, is
// painted past its end, where the next node's pixels lie.
TEST(AxisBarTest, HorizontalLabelsNeverRunPastTheAxisEnd) {
    const int margin = 40;
    bool sawLastLabel = false;
    for (double end = 9.0; end < 10.0; end += 0.02) {
        SCOPED_TRACE(end);
        CGP_AxisBar axis(nullptr, nullptr, 0, 0, 200, 20, true);
        axis.SetColors(MakeColorRef(255, 0, 0), MakeColorRef(255, 255, 200));
        axis.SetRange(0, end, 0);
        axis.SetTicks(1, 0.5, false);
        const QImage image = PaintWithMargins(axis, margin);
        EXPECT_TRUE(UntouchedOutside(image, margin, margin + 200));
        sawLastLabel = sawLastLabel || Ink(image, margin + axis.ValueToX(9), 0,
                                           margin + 200, 20) > 0;
    }
    EXPECT_TRUE(sawLastLabel); // a label that fits is still drawn
}

TEST(AxisBarTest, ConvertsBetweenPixelsAndValues) {
    CGP_AxisBar axis(nullptr, nullptr, 0, 0, 500, 40, true);
    axis.SetRange(0, 30, 0);
    EXPECT_DOUBLE_EQ(axis.XToValue(250), 15.0);
    EXPECT_EQ(axis.ValueToX(15), 250);
    CGP_AxisBar narrow(nullptr, nullptr, 0, 0, 3, 4, false);
    narrow.SetRange(0, 2, 0);
    EXPECT_EQ(narrow.ValueToX(1), 2);   // 1.5, half away from zero
    EXPECT_EQ(narrow.ValueToX(-1), -2); // -1.5
    EXPECT_EQ(narrow.ValueToY(1), 2);
    EXPECT_DOUBLE_EQ(narrow.YToValue(0), 2.0);
    EXPECT_DOUBLE_EQ(narrow.YToValue(4), 0.0);
    narrow.SetRange(1, 1, 0); // an empty range gives no wild pixel
    EXPECT_EQ(narrow.ValueToX(1), 0);
}

TEST(AxisBarTest, FormatsNumbersAtSinglePrecisionAndTimes) {
    CGP_AxisBar axis(nullptr, nullptr, 0, 0, 500, 40, true);
    EXPECT_EQ(axis.FormatLabel(16777217.0), "16777216");
    axis.SetLabelFormat(0, 2);
    EXPECT_EQ(axis.FormatLabel(-2.5), "-2.50");
    axis.SetLabelFormat(1, 0);
    EXPECT_EQ(axis.FormatLabel(75), "1:15");
    EXPECT_EQ(axis.FormatLabel(3725), "1:02:05");
}

TEST(AxisBarTest, AutomaticStepsLeaveRoomForTheLabels) {
    struct Case {
        const char* name;
        double start, end;
        double major, minor;
        int decimals;
    };
    const Case cases[] = {
        {"whole numbers", 0, 30, 2, 1, 0},
        // The first pass asks for two decimals, which widen the labels: a second pass.
        {"decimals grow", 0, 0.3, 0.05, 0.01, 2},
        {"large", 0, 3000, 500, 100, 0},
        {"reversed", 30, 0, 2, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CGP_AxisBar axis(nullptr, nullptr, 0, 0, 500, 40, true);
        axis.SetRange(c.start, c.end, 0);
        axis.SetTicks(1, 1, true);
        axis.digitWidth = 8;
        axis.ChooseSteps();
        EXPECT_DOUBLE_EQ(axis.majorStep, c.major);
        EXPECT_DOUBLE_EQ(axis.minorStep, c.minor);
        EXPECT_EQ(axis.decimals, c.decimals);
    }
}

TEST(AxisBarTest, HorizontalAxisDrawsTicksAlongItsTopInsideTheClip) {
    CGP_AxisBar axis(nullptr, nullptr, 0, 0, 100, 20, true);
    axis.SetColors(0x000000, MakeColorRef(255, 255, 200));
    axis.SetRange(0, 10, 0);
    axis.SetTicks(5, 1, false);
    QImage image = Paint(axis, 0, 0, 100, 20);
    EXPECT_EQ(image.pixelColor(25, 0), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(image.pixelColor(25, 1), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(20, 4), kGrey); // minor tick: y 0 to 4
    EXPECT_EQ(image.pixelColor(21, 4), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(20, 5), kBackground);
    EXPECT_EQ(image.pixelColor(50, 9), kGrey); // major tick: y 0 to 9
    EXPECT_EQ(image.pixelColor(50, 10), kBackground);
    EXPECT_EQ(image.pixelColor(40, 18), kBackground);

    image = Paint(axis, 0, 0, 40, 20);
    EXPECT_EQ(image.pixelColor(30, 2), kGrey);
    EXPECT_EQ(image.pixelColor(60, 0), kUntouched);
    EXPECT_EQ(image.pixelColor(60, 2), kUntouched);
    EXPECT_FALSE(axis.layoutDirty);
}

TEST(AxisBarTest, VerticalAxisDrawsTicksAgainstItsRightEdge) {
    CGP_AxisBar axis(nullptr, nullptr, 0, 0, 40, 100, false);
    axis.SetColors(0x000000, MakeColorRef(255, 255, 200));
    axis.SetRange(-100, 100, 0);
    axis.SetTicks(50, 25, false);
    const QImage image = Paint(axis, 0, 0, 40, 100);
    EXPECT_EQ(image.pixelColor(39, 70), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(38, 70), kGrey);
    // 25 lies at round(100 x 75 / 200) = 38: grey there, white under it.
    EXPECT_EQ(image.pixelColor(35, 38), kGrey);
    EXPECT_EQ(image.pixelColor(35, 39), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(35, 40), kBackground);
    EXPECT_EQ(image.pixelColor(33, 38), kBackground);
}

TEST(AxisBarTest, ADraggedBarSlidesUnderItsParent) {
    RecordingWindow window(200, 100);
    auto* view = new ClickListener(&window, &window, 0, 0, 100, 30);
    auto* axis = new CGP_AxisBar(view, &window, 0, 10, 300, 20, true);
    axis->SetDraggable(true);
    window.OnMouseMove(50, 15, 0);
    EXPECT_EQ(window.cursorKind, 2);
    window.OnButtonDown(50, 15, 0, false, false);
    EXPECT_EQ(window.captureNode, axis);
    window.OnMouseMove(20, 15, 0);
    EXPECT_EQ(axis->x, -30);
    window.OnMouseMove(-500, 15, 1);
    EXPECT_EQ(axis->x, -200); // the parent's width less its own
    window.OnMouseMove(199, 15, 3);
    EXPECT_EQ(axis->x, 0);
    ASSERT_EQ(view->reports.size(), 3u);
    EXPECT_EQ(view->reports[0].first, 5);
    window.OnButtonUp(199, 15, 0, false, false);
    EXPECT_EQ(window.captureNode, nullptr);
    EXPECT_FALSE(axis->dragging);
    window.OnMouseMove(20, 15, 0);
    EXPECT_EQ(axis->x, 0);
    window.DeleteChildren();
}

TEST(AxisBarTest, ContextMenusSwitchTheLabelsAndTheScale) {
    CGN_Wnd host;
    host.resize(300, 200);
    host.show();
    auto* root = new CGI_Window(&host, 300, 200);
    auto* time = new CGP_MultiTrackDisplayAxis(root, root, 0, 180, 300, 20, true);
    auto* amplitude = new CGP_TrackDisplayAxis(root, root, 0, 0, 40, 180, false);

    AnswerMenu(0);
    root->OnContextMenu(50, 190);
    EXPECT_EQ(time->labelFormat, 1);
    AnswerMenu(1);
    root->OnContextMenu(50, 190);
    EXPECT_EQ(time->labelFormat, 0);
    EXPECT_EQ(time->decimals, 0);

    AnswerMenu(0);
    root->OnContextMenu(10, 50);
    EXPECT_DOUBLE_EQ(amplitude->rangeStart, -32767);
    EXPECT_DOUBLE_EQ(amplitude->rangeEnd, 32767);
    EXPECT_DOUBLE_EQ(amplitude->majorStep, 10000);
    EXPECT_DOUBLE_EQ(amplitude->minorStep, 5000);
    AnswerMenu(1);
    root->OnContextMenu(10, 50);
    EXPECT_DOUBLE_EQ(amplitude->rangeEnd, 100);
    EXPECT_DOUBLE_EQ(amplitude->majorStep, 25);
    EXPECT_DOUBLE_EQ(amplitude->minorStep, 10);
    EXPECT_FALSE(amplitude->automaticSteps);
    AnswerMenu(-1); // dismissed: nothing changes
    root->OnContextMenu(10, 50);
    EXPECT_DOUBLE_EQ(amplitude->rangeEnd, 100);

    root->DeleteChildren();
    delete root;
}

} // namespace

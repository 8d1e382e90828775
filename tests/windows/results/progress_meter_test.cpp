#include "windows/results/progress_meter_painting.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include "app/drawing.h"
#include "tests/editor/recording_node.h"
#include "windows/results/progress_meter.h"

namespace {

const QColor kGreen(32, 255, 64);
const QColor kFrameGrey(128, 128, 128);
const QColor kFrameWhite(255, 255, 255);
const QColor kBackground(10, 20, 30);

QColor Face() {
    return ToQColor(GetButtonFaceColor());
}

// The meter drawn at (ox, oy) into an image of the background colour.
QImage Paint(AudioProgressMeterGrf& meter, int imageWidth, int imageHeight, int ox, int oy) {
    QImage image(imageWidth, imageHeight, QImage::Format_RGB32);
    image.fill(kBackground);
    QPainter dc(&image);
    meter.Draw(dc, 0, 0, meter.width, meter.height, ox, oy);
    return image;
}

TEST(AudioProgressMeterTest, HalfwayFillsHalfTheBarInsideASunkenFrame) {
    RecordingWindow window(200, 100);
    AudioProgressMeterGrf meter(&window, &window, 0, 0, 100, 20, true);
    meter.SetPercent(50);
    const QImage image = Paint(meter, 100, 20, 0, 0);
    // The bar: 92 wide from x 4, rows 5..14; 46 of it green, the frame drawn over its edge.
    EXPECT_EQ(image.pixelColor(4, 5), kFrameGrey);
    EXPECT_EQ(image.pixelColor(4, 10), kFrameGrey);
    EXPECT_EQ(image.pixelColor(95, 10), kFrameWhite);
    EXPECT_EQ(image.pixelColor(50, 14), kFrameWhite);
    EXPECT_EQ(image.pixelColor(6, 7), kGreen);
    EXPECT_EQ(image.pixelColor(49, 12), kGreen);
    EXPECT_EQ(image.pixelColor(50, 10), Face());
    EXPECT_EQ(image.pixelColor(93, 10), Face());
    // Outside the bar the framed meter is a button-face panel with a raised edge.
    EXPECT_EQ(image.pixelColor(50, 3), Face());
    EXPECT_EQ(image.pixelColor(50, 16), Face());
    EXPECT_NE(image.pixelColor(0, 0), Face());
    EXPECT_NE(image.pixelColor(99, 19), Face());
    EXPECT_NE(image.pixelColor(0, 0), kBackground);
}

TEST(AudioProgressMeterTest, BarAppearsOnlyBelowOneHundredPercent) {
    struct Case {
        int percent;
        bool bar;
        int lastGreen; // x of the last green pixel inside the frame, -1 for none
    };
    const Case cases[] = {{0, true, -1},   {1, true, -1},    {99, true, 93}, {100, false, -1},
                          {-1, false, -1}, {150, false, -1}, {-7, false, -1}};
    for (bool framed : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << "percent " << c.percent << " framed " << framed);
            RecordingWindow window(200, 100);
            AudioProgressMeterGrf meter(&window, &window, 0, 0, 100, 20, framed);
            meter.SetPercent(c.percent);
            const QImage image = Paint(meter, 100, 20, 0, 0);
            const QColor empty = framed ? Face() : kBackground;
            EXPECT_EQ(image.pixelColor(4, 5), c.bar ? kFrameGrey : empty);
            EXPECT_EQ(image.pixelColor(50, 3), empty);
            EXPECT_EQ(image.pixelColor(6, 10),
                      c.lastGreen >= 6 ? kGreen : (c.bar ? Face() : empty));
            if (c.lastGreen >= 0) {
                EXPECT_EQ(image.pixelColor(c.lastGreen, 10), kGreen);
            }
        }
    }
}

TEST(AudioProgressMeterTest, SettingThePercentRepaintsTheMeter) {
    RecordingWindow window(200, 100);
    AudioProgressMeterGrf meter(&window, &window, 30, 40, 100, 20, true);
    meter.SetPercent(25);
    EXPECT_EQ(meter.percent, 25);
    ASSERT_FALSE(window.invalidated.empty());
    EXPECT_EQ(window.invalidated.back(), (InvalidRect{30, 40, 100, 20}));
}

TEST(AudioProgressMeterTest, SmallMetersPaintNothingOutsideThemselves) {
    struct Case {
        int width, height;
    };
    // Lower than the bar, narrower than its insets, and empty.
    const Case cases[] = {{100, 4}, {6, 20}, {9, 3}, {0, 20}, {100, 0}};
    for (bool framed : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message()
                         << c.width << " x " << c.height << " framed " << framed);
            RecordingWindow window(200, 100);
            AudioProgressMeterGrf meter(&window, &window, 0, 0, c.width, c.height, framed);
            meter.SetPercent(50);
            const QImage image = Paint(meter, 140, 60, 20, 20);
            const QRect inside(20, 20, c.width, c.height);
            int outside = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (!inside.contains(x, y) && image.pixelColor(x, y) != kBackground)
                        ++outside;
            EXPECT_EQ(outside, 0);
        }
    }
}

TEST(AudioProgressMeterWndTest, FramedMeterFillsTheWindowAndFollowsItsSize) {
    AudioProgressMeterWnd wnd;
    wnd.resize(100, 20);
    wnd.show();
    QCoreApplication::processEvents();
    QWidget* client = wnd.viewport();
    ASSERT_EQ(client->size(), QSize(100, 20));
    EXPECT_TRUE(wnd.BackBuffer().isNull());
    ASSERT_EQ(wnd.root, wnd.widgetWindow());
    EXPECT_TRUE(wnd.meter()->framed);
    EXPECT_EQ(wnd.meter()->parent, wnd.widgetWindow());

    wnd.SetPercent(50);
    EXPECT_EQ(wnd.meter()->percent, 50);
    QImage screen = client->grab().toImage();
    EXPECT_EQ(screen.pixelColor(49, 10), kGreen);
    EXPECT_EQ(screen.pixelColor(50, 10), Face());
    EXPECT_EQ(screen.pixelColor(50, 3), Face());

    wnd.resize(200, 30);
    QCoreApplication::processEvents();
    ASSERT_EQ(client->size(), QSize(200, 30));
    EXPECT_EQ(wnd.widgetWindow()->width, 200);
    EXPECT_EQ(wnd.meter()->width, 200);
    EXPECT_EQ(wnd.meter()->height, 30);
    // 192 wide now, 96 of it green, from row 10.
    screen = client->grab().toImage();
    EXPECT_EQ(screen.pixelColor(99, 15), kGreen);
    EXPECT_EQ(screen.pixelColor(100, 15), Face());
    EXPECT_EQ(screen.pixelColor(4, 10), kFrameGrey);

    wnd.SetPercent(100);
    screen = client->grab().toImage();
    EXPECT_EQ(screen.pixelColor(4, 10), Face());
    EXPECT_EQ(screen.pixelColor(50, 15), Face());
}

} // namespace

#include "editor/widgets/static_waveform.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include "app/drawing.h"
#include "tests/editor/recording_node.h"

namespace {

const QColor kBackground(Qt::white);
const QColor kPointColor(200, 10, 20);

// Draws the picture (height 50) into a white image 260 columns wide, clipped as given.
QImage Paint(CGP_StaticWaveform& wave, int clipX, int clipWidth) {
    QImage image(260, wave.height, QImage::Format_RGB32);
    image.fill(kBackground);
    QPainter dc(&image);
    wave.Draw(dc, clipX, 0, clipWidth, wave.height, 0, 0);
    return image;
}

std::vector<WaveformPoint> FullScalePoints(int count) {
    return std::vector<WaveformPoint>(count, WaveformPoint{0, 255, 200, 10, 20});
}

// Columns that hold anything but the background.
std::vector<int> InkedColumns(const QImage& image) {
    std::vector<int> columns;
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if (image.pixelColor(x, y) != kBackground) {
                columns.push_back(x);
                break;
            }
    return columns;
}

class StaticWaveformTest : public ::testing::Test {
protected:
    RecordingWindow window{400, 100};
    CGP_StaticWaveform wave{nullptr, &window, 0, 0, 260, 50};
    void SetUp() override {
        const auto points = FullScalePoints(100);
        wave.SetPoints(100, points.data(), true);
        wave.SetPixelsPerPoint(2);
    }
};

TEST_F(StaticWaveformTest, DrawsTwoColumnsAPointAndThreeDotsAfterTheEnd) {
    const QImage image = Paint(wave, 0, 260);
    for (int x : {0, 1, 100, 199}) {
        SCOPED_TRACE(x);
        EXPECT_EQ(image.pixelColor(x, 49), kPointColor);
        EXPECT_EQ(image.pixelColor(x, 1), kPointColor);
        EXPECT_EQ(image.pixelColor(x, 0), kBackground); // the end pixel is left out
    }
    std::vector<int> expected;
    for (int x = 0; x < 200; ++x)
        expected.push_back(x);
    for (int x : {203, 207, 211})
        expected.push_back(x);
    EXPECT_EQ(InkedColumns(image), expected);
    for (int x : {203, 207, 211})
        EXPECT_EQ(image.pixelColor(x, 25), QColor(Qt::black));
}

TEST_F(StaticWaveformTest, DrawsOnlyTheClipAndFollowsTheOffset) {
    std::vector<int> expected;
    for (int x = 150; x < 160; ++x)
        expected.push_back(x);
    EXPECT_EQ(InkedColumns(Paint(wave, 150, 10)), expected);

    wave.SetXOffset(4);
    const QImage moved = Paint(wave, 0, 260);
    const std::vector<int> columns = InkedColumns(moved);
    ASSERT_EQ(columns.size(), 203u);
    EXPECT_EQ(columns.front(), 4);
    EXPECT_EQ(columns[199], 203);
    EXPECT_EQ(columns[200], 207);
    EXPECT_EQ(columns[202], 215);
}

TEST_F(StaticWaveformTest, PointsSpanTheirMinimumToMaximumInTheirColourOrGrey) {
    const WaveformPoint points[] = {{128, 128, 1, 2, 3}, {64, 192, 0, 0, 255}};
    wave.SetPoints(2, points, false);
    wave.SetPixelsPerPoint(1);
    QImage image = Paint(wave, 0, 260);
    EXPECT_EQ(InkedColumns(image), std::vector<int>{1}); // silence draws nothing
    // (255 - 64) x 50 / 256 = 37 down to (255 - 192) x 50 / 256 = 12, 12 left out.
    EXPECT_EQ(image.pixelColor(1, 37), QColor(0, 0, 255));
    EXPECT_EQ(image.pixelColor(1, 13), QColor(0, 0, 255));
    EXPECT_EQ(image.pixelColor(1, 12), kBackground);
    EXPECT_EQ(image.pixelColor(1, 38), kBackground);

    wave.SetColored(false);
    image = Paint(wave, 0, 260);
    EXPECT_EQ(image.pixelColor(1, 20), QColor(0x80, 0x80, 0x80));
}

TEST_F(StaticWaveformTest, KeepsItsOwnCopyOfThePoints) {
    auto points = FullScalePoints(3);
    wave.SetPoints(3, points.data(), false);
    points[0].red = 0;
    EXPECT_EQ(wave.points[0].red, 200);
    wave.SetPoints(3, nullptr, true);
    EXPECT_EQ(wave.pointCount, 0);
    EXPECT_TRUE(wave.continues);
    wave.SetPixelsPerPoint(0); // nothing to draw rather than a division by zero
    EXPECT_EQ(InkedColumns(Paint(wave, 0, 260)).size(), 0u);
}

} // namespace

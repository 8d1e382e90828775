#include "editor/widgets/vu_meter.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>
#include <vector>

#include "audio/engine/audio_monitor.h"
#include "tests/editor/recording_node.h"

namespace {

const QColor kGreen(0, 255, 0);
const QColor kEdge(0xF8, 0xF8, 0xF8);
constexpr std::uint32_t kSignatureBlue = 0xC80000; // 0x00BBGGRR

// A meter 60 x 104: 100 rows, row r at y = r + 2; the bar covers x 22 to 56.
QImage Paint(CGP_VUMeter& meter) {
    QImage image(meter.width, meter.height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter dc(&image);
    meter.Draw(dc, 0, 0, meter.width, meter.height, 0, 0);
    return image;
}

class VUMeterTest : public ::testing::Test {
protected:
    RecordingWindow window{200, 200};
    CGP_VUMeter meter{nullptr, &window, 0, 0, 60, 104};
};

TEST_F(VUMeterTest, SilenceLightsNothing) {
    meter.SetLevels(0.0, 0.0, kSignatureBlue);
    const QImage image = Paint(meter);
    // Zone colours from red at the top through olive to green; the peak sits at the bottom.
    EXPECT_EQ(image.pixelColor(30, 2), QColor(128, 0, 0));        // row 0
    EXPECT_EQ(image.pixelColor(30, 2 + 15), QColor(128, 128, 0)); // row 15, the red zone's end
    EXPECT_EQ(image.pixelColor(30, 2 + 20), QColor(85, 128, 0));  // (30 - 20) x 128 / 15
    EXPECT_EQ(image.pixelColor(30, 2 + 50), QColor(0, 91, 0));    // (100 - 50) x 128 / 70
    EXPECT_EQ(image.pixelColor(30, 2 + 99), kGreen);
    EXPECT_EQ(image.pixelColor(56, 2 + 50), QColor(0, 91, 0));
    EXPECT_EQ(image.pixelColor(57, 2 + 50), QColor(Qt::white));
    for (int y = 2; y < 102; ++y)
        ASSERT_NE(image.pixelColor(40, y), QColor(0, 0, 0xC8)) << y;
}

TEST_F(VUMeterTest, FullScaleLightsEveryRowBelowTheTop) {
    meter.SetLevels(1.0, 1.0, kSignatureBlue);
    const QImage image = Paint(meter);
    EXPECT_EQ(image.pixelColor(30, 2), kGreen); // the peak on row 0
    EXPECT_EQ(image.pixelColor(30, 3), kEdge);  // the row under the level
    EXPECT_EQ(image.pixelColor(22, 3), QColor(128, 8, 0));
    const int y = 2 + 60;
    EXPECT_EQ(image.pixelColor(22, y), QColor(0, 73, 0)); // (100 - 60) x 128 / 70
    EXPECT_EQ(image.pixelColor(27, y), QColor(0, 73, 0));
    EXPECT_EQ(image.pixelColor(28, y), kEdge);
    EXPECT_EQ(image.pixelColor(29, y), QColor(0, 0, 0xC8));
    EXPECT_EQ(image.pixelColor(49, y), QColor(0, 0, 0xC8));
    EXPECT_EQ(image.pixelColor(50, y), kEdge);
    EXPECT_EQ(image.pixelColor(51, y), QColor(0, 73, 0));
    EXPECT_EQ(image.pixelColor(56, y), QColor(0, 73, 0));
}

TEST_F(VUMeterTest, ThePeakLineMarksTheRecentPeakEvenOnTheLevelRow) {
    // -20 dB is row round(20 x 100 / 90) = 22.
    EXPECT_EQ(CGP_VUMeter::LevelRow(0.1f, 100), 22);
    EXPECT_EQ(CGP_VUMeter::LevelRow(2.0f, 100), 0);
    EXPECT_EQ(CGP_VUMeter::LevelRow(1e-6f, 100), 99);
    meter.SetLevels(0.1, 0.1, kSignatureBlue);
    QImage image = Paint(meter);
    EXPECT_EQ(image.pixelColor(40, 2 + 22), kGreen);
    EXPECT_EQ(image.pixelColor(40, 2 + 23), kEdge);
    EXPECT_EQ(image.pixelColor(40, 2 + 24), QColor(0, 0, 0xC8));
    EXPECT_EQ(image.pixelColor(40, 2 + 21), QColor(76, 128, 0)); // unlit: (30 - 21) x 128 / 15

    meter.SetLevels(0.1, 1.0, kSignatureBlue);
    image = Paint(meter);
    EXPECT_EQ(image.pixelColor(40, 2), kGreen);
    EXPECT_EQ(image.pixelColor(40, 2 + 22), QColor(68, 128, 0));
}

TEST_F(VUMeterTest, ScaleTicksEverySixDecibels) {
    const QImage image = Paint(meter);
    for (int db = 6; db <= 84; db += 6) {
        SCOPED_TRACE(db);
        const int y = 100 * db / 90 + 2;
        EXPECT_EQ(image.pixelColor(17, y), QColor(Qt::black));
        EXPECT_EQ(image.pixelColor(19, y), QColor(Qt::black));
    }
}

TEST_F(VUMeterTest, KeepsThePeakHoldAndSurvivesTinySizes) {
    meter.SetLevels(0.5, 0.5, 0);
    meter.SetLevels(0.2, 0.5, 0);
    EXPECT_FLOAT_EQ(meter.level, 0.2f);
    EXPECT_FLOAT_EQ(meter.peakHold, 0.5f);
    for (int height : {1, 4, 6, 8}) {
        SCOPED_TRACE(height);
        CGP_VUMeter small(nullptr, &window, 0, 0, 30, height);
        small.SetLevels(1.0, 1.0, 0);
        Paint(small);
    }
}

TEST_F(VUMeterTest, TheLevelMonitorDrivesTheMeters) {
    CGP_VUMeter left(&window, &window, 0, 0, 60, 104);
    CAP_AudioMonitor monitor(2, 44100, &left, nullptr);
    std::vector<float> frames(2 * 441);
    for (std::size_t i = 0; i < frames.size(); i += 2)
        frames[i] = (i / 2) % 2 == 0 ? 0.5f : -0.5f;
    ASSERT_EQ(monitor.WriteFrames(frames.data(), 441, 0), 441);
    EXPECT_NEAR(left.level, 0.5f, 0.01f);
    EXPECT_NEAR(left.recentPeak, 0.5f, 0.01f);
    ASSERT_FALSE(window.invalidated.empty()); // and redrawn
    EXPECT_EQ(window.invalidated.back(), (InvalidRect{0, 0, 60, 104}));
}

} // namespace

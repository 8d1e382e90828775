#include "editor/dialogs/record_dlg.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <cmath>
#include <gtest/gtest.h>

#include "editor/dialogs/vu_meter_item.h"
#include "editor/widgets/vu_meter.h"
#include "platform/hand_clock_device.h"
#include "tests/app/fake_ui_seams.h"

namespace {

class RecordDlgTest : public ::testing::Test {
protected:
    RecordDlgTest() { previous_ = SetAudioSystem(&system); }
    ~RecordDlgTest() override { SetAudioSystem(previous_); }

    HandClockAudioSystem system;
    FakeUiSeams seams;

private:
    AudioSystem* previous_;
};

TEST_F(RecordDlgTest, MetersShowPeaksAndClosingGivesTheDcOffsets) {
    // Left: a square wave of 0.5 around 0; right: 0.1 around a DC offset of 0.2.
    system.SetInputSignal([](std::int64_t frame, int channel) {
        const double square = frame % 2 ? 1.0 : -1.0;
        return channel == 0 ? 0.5 * square : 0.2 + 0.1 * square;
    });
    RecordDlg dialog;
    dialog.channels = 2;
    dialog.sampleRate = 8000;
    dialog.correctDC = false;
    dialog.show();
    QCoreApplication::processEvents(); // the monitoring starts once the dialog runs
    ASSERT_TRUE(dialog.IsMonitoring());
    EXPECT_FALSE(dialog.CorrectDcBox()->isChecked());
    EXPECT_TRUE(dialog.MeterItem(1)->isVisible());
    EXPECT_EQ(dialog.PeakText(0)->text(), "Peak: -0.0 dB");
    EXPECT_EQ(system.LastOpenedFormat(AudioDirection::kInput).channels, 2);
    EXPECT_EQ(system.LastOpenedFormat(AudioDirection::kInput).rate, 8000);

    system.Advance(0.5);
    dialog.Tick();
    EXPECT_EQ(dialog.PeakText(0)->text(), "Peak: -6.0 dB");
    EXPECT_EQ(dialog.PeakText(1)->text(), "Peak: -20.0 dB");

    dialog.ResetButton()->click();
    dialog.Tick();
    EXPECT_EQ(dialog.PeakText(0)->text(), "Peak: -100.0 dB"); // the floor of 0.00001
    EXPECT_EQ(dialog.PeakText(1)->text(), "Peak: -100.0 dB");
    system.Advance(0.1);
    dialog.Tick();
    EXPECT_EQ(dialog.PeakText(0)->text(), "Peak: -6.0 dB");

    dialog.CorrectDcBox()->setChecked(true);
    dialog.StartButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.IsMonitoring());
    EXPECT_EQ(system.OpenDevices(), 0);
    EXPECT_TRUE(dialog.correctDC);
    EXPECT_NEAR(dialog.dcOffsets[0], 0.0, 1e-3);
    EXPECT_NEAR(dialog.dcOffsets[1], 0.2, 1e-3);
}

TEST_F(RecordDlgTest, MonoShowsOneMeter) {
    RecordDlg dialog;
    dialog.show();
    QCoreApplication::processEvents();
    ASSERT_TRUE(dialog.IsMonitoring());
    EXPECT_EQ(system.LastOpenedFormat(AudioDirection::kInput).channels, 1);
    EXPECT_EQ(system.LastOpenedFormat(AudioDirection::kInput).rate, 8000);
    EXPECT_TRUE(dialog.MeterItem(0)->isVisible());
    EXPECT_FALSE(dialog.MeterItem(1)->isVisible());
    EXPECT_FALSE(dialog.PeakText(1)->isVisible());
    dialog.reject();
    EXPECT_EQ(system.OpenDevices(), 0);
}

TEST_F(RecordDlgTest, ADeviceErrorIsShownAndCancels) {
    system.SetAbsent(true);
    RecordDlg dialog;
    dialog.show();
    QCoreApplication::processEvents();
    EXPECT_FALSE(dialog.IsMonitoring());
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].caption, "Audio Error");
    EXPECT_FALSE(seams.boxes[0].text.empty());
    EXPECT_EQ(seams.boxes[0].icon, MessageIcon::Exclamation);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(RecordDlgTest, TheMeterItemPaintsItsMeter) {
    VUMeterItem item;
    item.resize(60, 104);
    item.Meter().SetLevels(1.0, 1.0, 0xC80000);
    const QImage image = item.grab().toImage();
    EXPECT_EQ(image.pixelColor(30, 2), QColor(0, 255, 0));   // the peak line on the top row
    EXPECT_EQ(image.pixelColor(40, 62), QColor(0, 0, 0xC8)); // the signature colour
}

} // namespace

// The fade, volume, silence and mix dialogs.
#include <QFontDatabase>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QStyle>
#include <QTest>
#include <gtest/gtest.h>

#include "editor/dialogs/fade_dlg.h"
#include "editor/dialogs/insert_silence_dlg.h"
#include "editor/dialogs/mix_dlg.h"
#include "editor/dialogs/volume_dlg.h"
#include "tests/app/fake_ui_seams.h"

namespace {

void TypeAndLeave(QLineEdit* edit, const char* text) {
    edit->setText(text);
    emit edit->editingFinished();
}

TEST(FadeDlg, RadioButtonsFollowTheLevels) {
    FadeDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), "Fade In/Out");
    EXPECT_TRUE(dialog.FadeInButton()->isChecked());
    EXPECT_EQ(dialog.StartEdit()->text(), "0");
    EXPECT_EQ(dialog.EndEdit()->text(), "100");

    dialog.EndSlider()->setValue(90);
    EXPECT_EQ(dialog.EndEdit()->text(), "90");
    EXPECT_FALSE(dialog.FadeInButton()->isChecked());
    EXPECT_FALSE(dialog.FadeOutButton()->isChecked());

    dialog.FadeOutButton()->click();
    EXPECT_EQ(dialog.StartLevel(), 100);
    EXPECT_EQ(dialog.EndLevel(), 0);
    EXPECT_EQ(dialog.StartSlider()->value(), 100);
    EXPECT_TRUE(dialog.FadeOutButton()->isChecked());
    EXPECT_FALSE(dialog.FadeInButton()->isChecked());

    TypeAndLeave(dialog.StartEdit(), "40");
    EXPECT_EQ(dialog.StartSlider()->value(), 40);
    EXPECT_FALSE(dialog.FadeOutButton()->isChecked());

    // Clicking a checked radio button keeps it checked.
    dialog.FadeInButton()->click();
    dialog.FadeInButton()->click();
    EXPECT_TRUE(dialog.FadeInButton()->isChecked());
    EXPECT_EQ(dialog.StartLevel(), 0);
}

TEST(FadeDlg, EnterMovesToTheSliderAndBadLevelsKeepTheDialogOpen) {
    FakeUiSeams seams;
    FadeDlg dialog;
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    dialog.EndEdit()->setFocus();
    dialog.EndEdit()->setText("55");
    QTest::keyClick(dialog.EndEdit(), Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.EndSlider()->hasFocus());
    EXPECT_EQ(dialog.EndSlider()->value(), 55); // leaving the edit copied it

    for (const char* bad : {"101", "-1", "ten", ""}) {
        SCOPED_TRACE(bad);
        seams.boxes.clear();
        dialog.StartEdit()->setText(bad);
        dialog.accept();
        EXPECT_TRUE(dialog.isVisible());
        ASSERT_EQ(seams.boxes.size(), 1u);
        EXPECT_EQ(seams.boxes[0].text, "Please enter a whole number between 0 and 100.");
        EXPECT_EQ(dialog.StartLevel(), 0);
    }
    dialog.StartEdit()->setText(" 20 ");
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.StartLevel(), 20);
    EXPECT_EQ(dialog.EndLevel(), 55);
}

TEST(VolumeDlg, SliderPositionsMapBothWays) {
    struct Case {
        int percent, position;
    };
    const Case cases[] = {{0, 0},     {100, 100}, {150, 120},    {200, 140},
                          {400, 160}, {800, 200}, {3276800, 200}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.percent);
        EXPECT_EQ(VolumeDlg::PercentToPosition(c.percent), c.position);
        if (c.percent <= 800) {
            EXPECT_EQ(VolumeDlg::PositionToPercent(c.position), c.percent);
        }
    }
    EXPECT_EQ(VolumeDlg::PositionToPercent(101), 102); // 2.5 % a step, fraction dropped
    EXPECT_EQ(VolumeDlg::PositionToPercent(141), 210);
}

TEST(VolumeDlg, ChoicesAndTypedPercentMoveTheSliderAndTheRadioButtons) {
    VolumeDlg dialog(0.5);
    EXPECT_EQ(dialog.windowTitle(), "Adjust Volume");
    EXPECT_EQ(dialog.NormalizePercent(), 200);
    EXPECT_EQ(dialog.Percent(), 100);
    EXPECT_TRUE(dialog.ScaleButton()->isChecked());

    TypeAndLeave(dialog.PercentEdit(), "400");
    EXPECT_EQ(dialog.Slider()->value(), 160);
    EXPECT_EQ(dialog.ScalePercent(), 400);
    EXPECT_TRUE(dialog.ScaleButton()->isChecked());

    dialog.NormalizeButton()->click();
    EXPECT_EQ(dialog.Percent(), 200);
    EXPECT_EQ(dialog.PercentEdit()->text(), "200");
    EXPECT_EQ(dialog.Slider()->value(), 140);

    dialog.MuteButton()->click();
    EXPECT_EQ(dialog.Percent(), 0);
    EXPECT_EQ(dialog.Slider()->value(), 0);

    dialog.ScaleButton()->click();
    EXPECT_EQ(dialog.Percent(), 400);

    dialog.Slider()->setValue(120);
    EXPECT_EQ(dialog.PercentEdit()->text(), "150");
    EXPECT_EQ(dialog.ScalePercent(), 150);
    dialog.Slider()->setValue(140);
    EXPECT_TRUE(dialog.NormalizeButton()->isChecked());
    TypeAndLeave(dialog.PercentEdit(), "0");
    EXPECT_TRUE(dialog.MuteButton()->isChecked());
}

TEST(VolumeDlg, ANearSilentSelectionNormalizesWithinTheEditsRangeAndBadPercentsAreRefused) {
    FakeUiSeams seams;
    VolumeDlg quiet(0.0);
    EXPECT_EQ(quiet.NormalizePercent(), VolumeDlg::kMaxPercent);
    quiet.NormalizeButton()->click();
    quiet.show();
    quiet.accept();
    EXPECT_TRUE(seams.boxes.empty());
    EXPECT_EQ(quiet.result(), QDialog::Accepted);
    EXPECT_EQ(quiet.Percent(), VolumeDlg::kMaxPercent);

    VolumeDlg dialog(1.0);
    dialog.show();
    for (const char* bad : {"3276801", "-5", "loud"}) {
        SCOPED_TRACE(bad);
        seams.boxes.clear();
        dialog.PercentEdit()->setText(bad);
        dialog.accept();
        EXPECT_TRUE(dialog.isVisible());
        ASSERT_EQ(seams.boxes.size(), 1u);
        EXPECT_EQ(seams.boxes[0].text, "Please enter a whole number between 0 and 3276800.");
    }
    // A percent typed and confirmed with OK straight away counts.
    dialog.PercentEdit()->setText("250");
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Percent(), 250);
    EXPECT_EQ(dialog.ScalePercent(), 250);
}

TEST(InsertSilenceDlg, AtMostThirtyMinutesOfSilence) {
    FakeUiSeams seams;
    struct Case {
        const char* text;
        const char* message; // empty: accepted
        double seconds;
    };
    const Case cases[] = {
        {"1800", "", 1800.0},
        {"30:00", "", 1800.0},
        {"0.5", "", 0.5},
        {"1800.5", "Specify at most 30 minutes of silence", 0},
        {"0", "Specify non-zero duration", 0},
        {"", "Specify non-zero duration", 0},
        {"1x", "Invalid time format", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        seams.boxes.clear();
        InsertSilenceDlg dialog;
        EXPECT_EQ(dialog.windowTitle(), "Insert Silence");
        dialog.show();
        dialog.DurationEdit()->setText(c.text);
        dialog.accept();
        if (*c.message) {
            ASSERT_EQ(seams.boxes.size(), 1u);
            EXPECT_EQ(seams.boxes[0].text, c.message);
            EXPECT_EQ(seams.boxes[0].caption, "Cannot Insert Silence");
            EXPECT_EQ(seams.boxes[0].icon, MessageIcon::Exclamation);
            EXPECT_TRUE(dialog.isVisible());
        } else {
            EXPECT_TRUE(seams.boxes.empty());
            EXPECT_EQ(dialog.result(), QDialog::Accepted);
            EXPECT_DOUBLE_EQ(dialog.seconds, c.seconds);
        }
    }
}

TEST(InsertSilenceDlg, ShowsALengthToTheMillisecondOnlyWhenItHasAFraction) {
    const struct {
        double seconds;
        const char* shown;
    } cases[] = {
        {0.125, "0:00.125"}, {1.0, "0:01"},         {2.5, "0:02.500"},
        {90.0, "1:30"},      {61.0625, "1:01.063"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        InsertSilenceDlg dialog;
        dialog.SetSeconds(c.seconds);
        EXPECT_EQ(dialog.DurationEdit()->text(), c.shown);
    }
    // What is offered is what OK inserts.
    InsertSilenceDlg dialog;
    dialog.SetSeconds(0.125);
    dialog.accept();
    EXPECT_DOUBLE_EQ(dialog.seconds, 0.125);
}

TEST(EditorDialogs, AreWideEnoughForTheirTitles) {
    FadeDlg fade;
    InsertSilenceDlg silence;
    MixDlg mix;
    VolumeDlg volume(0.5);
    const QFontMetrics title(QFontDatabase::systemFont(QFontDatabase::TitleFont));
    for (QDialog* dialog : std::initializer_list<QDialog*>{&fade, &silence, &mix, &volume}) {
        SCOPED_TRACE(dialog->windowTitle().toStdString());
        dialog->show();
        QCoreApplication::processEvents();
        // The whole title, with the frame's close, maximise and minimise buttons beside it,
        // also after the user made the dialog as narrow as it goes.
        const int buttons =
            3 * dialog->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, dialog);
        const int needed = title.horizontalAdvance(dialog->windowTitle()) + buttons;
        EXPECT_GE(dialog->width(), needed);
        dialog->resize(1, dialog->height());
        EXPECT_GE(dialog->width(), needed);
    }
}

TEST(MixDlg, SlidersKeepTheirStoredValuesWithFullVolumeAtTheTop) {
    MixDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), "Mix Clipboard with Waveform");
    dialog.SetSliderValues(30, 80);
    EXPECT_EQ(dialog.ClipboardSliderValue(), 30);
    EXPECT_EQ(dialog.WaveformSliderValue(), 80);
    EXPECT_EQ(dialog.ClipboardSlider()->orientation(), Qt::Vertical);
    // The sliders hold the volumes themselves.
    EXPECT_EQ(dialog.ClipboardSlider()->value(), 70);
    EXPECT_EQ(dialog.WaveformSlider()->value(), 20);
}

} // namespace

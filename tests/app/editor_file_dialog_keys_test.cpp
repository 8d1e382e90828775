// The new-file and save-as extras driven by the keyboard alone.
#include "app/new_file_dlg.h"
#include "app/save_as_dlg.h"
#include "tests/app/fake_ui_seams.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

// Types into whatever has the focus in `window`.
void TypeText(QWindow* window, const QString& text) {
    for (QChar c : text)
        QTest::keyClick(window, c.toLatin1());
}

void SelectAllAndType(QWindow* window, const QString& text) {
    QTest::keyClick(window, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(window, Qt::Key_Backspace);
    TypeText(window, text);
}

class NewFileKeys : public ::testing::Test {
protected:
    void SetUp() override {
        dialog.show();
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        window = dialog.windowHandle();
    }

    FakeUiSeams seams;
    NewFileDlg dialog;
    QWindow* window = nullptr;
};

// What the user types into the rate combo is the rate the file gets: no list entry is
// completed in behind the typing, and Enter takes it as OK.
TEST_F(NewFileKeys, TypedRateIsTheRateAppliedOnEnter) {
    struct Case {
        const char* typed;
        int rate; // 0: refused with the rate message
    };
    const Case cases[] = {{"4", 0}, {"1", 0}, {"9000", 9000}, {"22050", 22050}, {"32", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        seams.boxes.clear();
        dialog.sampleRate = 22050;
        dialog.ShowValues();
        if (!dialog.isVisible()) {
            dialog.show();
            dialog.activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        }
        dialog.setResult(QDialog::Rejected);
        dialog.RateCombo()->setFocus();
        SelectAllAndType(window, c.typed);
        EXPECT_EQ(dialog.RateCombo()->currentText(), c.typed);
        QTest::keyClick(window, Qt::Key_Return);
        if (c.rate) {
            EXPECT_TRUE(seams.boxes.empty());
            EXPECT_EQ(dialog.result(), QDialog::Accepted);
            EXPECT_EQ(dialog.sampleRate, c.rate);
        } else {
            ASSERT_EQ(seams.boxes.size(), 1u);
            EXPECT_EQ(seams.boxes[0].text, "Sample rate must be between 8000 and 96000");
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_EQ(dialog.sampleRate, 22050);
        }
        // The list keeps its nine rates: Enter does not add what was typed.
        EXPECT_EQ(dialog.RateCombo()->count(), 9);
    }
}

// Arrow keys in the channels combo and Tab through the controls: what is shown is applied;
// Escape leaves the values as they were.
TEST_F(NewFileKeys, ArrowsTabEnterAndEscape) {
    dialog.RateCombo()->setFocus();
    QTest::keyClick(window, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), dialog.ChannelsCombo());
    QTest::keyClick(window, Qt::Key_Down);
    EXPECT_EQ(dialog.ChannelsCombo()->currentText(), "stereo");
    QTest::keyClick(window, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), dialog.DurationEdit());
    SelectAllAndType(window, "12");
    QTest::keyClick(window, Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), dialog.ChannelsCombo());

    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(dialog.channels, 1);
    EXPECT_DOUBLE_EQ(dialog.seconds, 30.0);

    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    dialog.ChannelsCombo()->setFocus();
    QTest::keyClick(window, Qt::Key_Return);
    EXPECT_TRUE(seams.boxes.empty());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.channels, 2);
    EXPECT_DOUBLE_EQ(dialog.seconds, 12.0);
}

// The save-as rate combo takes the typed rate as typed, too.
TEST(SaveAsKeys, TypedRateIsTheRateRead) {
    FakeUiSeams seams;
    SaveAsDlg extras;
    QWidget* panel = extras.Panel();
    panel->show();
    panel->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(panel));
    extras.RateCombo()->setFocus();
    for (const char* typed : {"4", "9", "11"}) {
        SCOPED_TRACE(typed);
        SelectAllAndType(panel->windowHandle(), typed);
        EXPECT_EQ(extras.RateText(), typed);
        EXPECT_FALSE(extras.CanAccept(panel));
    }
    SelectAllAndType(panel->windowHandle(), "12000");
    QTest::keyClick(panel->windowHandle(), Qt::Key_Return);
    EXPECT_EQ(extras.RateText(), "12000");
    EXPECT_EQ(extras.RateCombo()->count(), 6);

    // Arrows in the compression list set the code that will be written.
    extras.SetFileType(3);
    extras.SetCompression(17);
    extras.CompressionCombo()->setFocus();
    QTest::keyClick(panel->windowHandle(), Qt::Key_Down);
    EXPECT_EQ(extras.Compression(), 18);
    QTest::keyClick(panel->windowHandle(), Qt::Key_End);
    EXPECT_EQ(extras.Compression(), 3);
}

} // namespace

// "File Not Found" driven by the keyboard alone.
#include "app/validator_dlg.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

QString FocusName() {
    QWidget* w = QApplication::focusWidget();
    if (auto* radio = qobject_cast<QRadioButton*>(w))
        return radio->text();
    if (auto* button = qobject_cast<QPushButton*>(w))
        return button->text();
    if (qobject_cast<QLineEdit*>(w))
        return "edit";
    return w ? w->metaObject()->className() : "none";
}

// Tab walks the rows as they are read, each enabled control once; Space on a radio
// chooses its action and Enter continues with it.
TEST(ValidatorActionKeys, TabFollowsTheRowsAndSpaceEnterChoose) {
    ValidatorActionDlg dialog(nullptr);
    dialog.SetPath("/sounds/gone.wav");
    dialog.SetAction(0);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QWindow* window = dialog.windowHandle();
    dialog.Radio(0)->setFocus();

    const QStringList expected = {"Search for this missing file",
                                  "edit",
                                  "Browse...",
                                  "Search for all missing files",
                                  "Ignore the missing file",
                                  "Ignore all missing files",
                                  "Remove this file from MyTambrel",
                                  "Remove all missing files from MyTambrel",
                                  "Continue",
                                  "Stop"};
    QStringList seen = {FocusName()};
    for (int i = 1; i < expected.size(); ++i) {
        QTest::keyClick(window, Qt::Key_Tab);
        seen << FocusName();
    }
    EXPECT_EQ(seen.join(" | ").toStdString(), expected.join(" | ").toStdString());

    // Choose "Search for all missing files": its path edit joins the walk after it.
    dialog.Radio(1)->setFocus();
    QTest::keyClick(window, Qt::Key_Space);
    EXPECT_EQ(dialog.Action(), 1);
    EXPECT_TRUE(dialog.Radio(1)->isChecked());
    EXPECT_FALSE(dialog.Radio(0)->isChecked());
    QTest::keyClick(window, Qt::Key_Tab);
    ASSERT_TRUE(qobject_cast<QLineEdit*>(QApplication::focusWidget()));
    QTest::keyClicks(QApplication::focusWidget(), "/elsewhere");
    QTest::keyClick(window, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.SearchPath(), "/elsewhere");
    EXPECT_EQ(dialog.Action(), 1);
}

// Escape is "Stop".
TEST(ValidatorActionKeys, EscapeStops) {
    ValidatorActionDlg dialog(nullptr);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QTest::keyClick(dialog.windowHandle(), Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

} // namespace

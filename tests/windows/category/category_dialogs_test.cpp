#include "windows/category/category_dialogs.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

TEST(CategoryDialogsTest, EachDialogAsksForANameThatStartsEmpty) {
    struct Case {
        std::unique_ptr<CategoryNameDlg> dialog;
        const char* caption;
        const char* prompt;
        const char* edit;
    };
    Case cases[] = {
        {std::make_unique<NewCategoryDlg>(), "New Category", "Name of the new category:", "1107"},
        {std::make_unique<NewSubCategoryDlg>(), "New Sub-category",
         "Name of the new sub-category:", "1055"},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.caption);
        CategoryNameDlg& dialog = *c.dialog;
        EXPECT_EQ(dialog.windowTitle(), c.caption);
        EXPECT_EQ(dialog.Prompt()->text(), c.prompt);
        EXPECT_EQ(dialog.NameEdit()->objectName(), c.edit);
        EXPECT_TRUE(dialog.NameEdit()->text().isEmpty());
        dialog.show();
        QTest::keyClicks(dialog.NameEdit(), "  Foley Steps ");
        QTest::mouseClick(dialog.findChild<QPushButton*>("IDOK"), Qt::LeftButton);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.Name(), "Foley Steps");
    }
}

TEST(CategoryDialogsTest, CancelRejectsAndNamesAreCutToWhatTheCatalogHolds) {
    NewCategoryDlg dialog;
    dialog.show();
    // 200 two-byte letters: the catalog keeps 249 bytes, never half a letter.
    dialog.NameEdit()->setText(QString(200, QChar(0x00E9)));
    EXPECT_EQ(dialog.Name().size(), 248u);
    QTest::mouseClick(dialog.findChild<QPushButton*>("IDCANCEL"), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

} // namespace

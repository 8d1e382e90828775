#include "../fake_ui_seams.h"
#include "app/controls/browser_dlg.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

TEST(ParseFileFilter, ReadsDescriptionAndPatternPairs) {
    const struct {
        std::string filter;
        std::vector<std::pair<std::string, std::string>> pairs;
    } cases[] = {
        {"Audio Files (*.wav)|*.wav||", {{"Audio Files (*.wav)", "*.wav"}}},
        {"AIFF|*.aif;*.aiff|All Files (*.*)|*.*||",
         {{"AIFF", "*.aif;*.aiff"}, {"All Files (*.*)", "*.*"}}},
        {"No end|*.au", {{"No end", "*.au"}}},
        {"", {}},
        {"||", {}},
        {"Lonely description", {}},
        {"No patterns||", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.filter);
        std::vector<std::pair<std::string, std::string>> got;
        for (const auto& f : ParseFileFilter(c.filter))
            got.emplace_back(f.description, f.patterns);
        EXPECT_EQ(got, c.pairs);
    }
}

TEST(BrowserDlg, AsksTheSeamWithItsTextsAndReturnsTheChoice) {
    FakeUiSeams seams;
    const std::string chosen = "/media/disk/door.wav";
    seams.dialogAnswer = &chosen;
    BrowserDlg dlg(true, "wav", "door.wav", OFN_PATHMUSTEXIST | OFN_HIDEREADONLY,
                   "Audio Files (*.wav)|*.wav||", nullptr);
    EXPECT_EQ(dlg.title, "Open");
    dlg.title = "Locate Audio File";
    dlg.okText = "Select";
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.GetPathName(), chosen);

    ASSERT_EQ(seams.dialogs.size(), 1u);
    const FileDialogRequest& asked = seams.dialogs[0];
    EXPECT_FALSE(asked.save);
    EXPECT_FALSE(asked.overwritePrompt);
    EXPECT_EQ(asked.path, "door.wav");
    EXPECT_EQ(asked.defaultExtension, "wav");
    ASSERT_EQ(asked.filters.size(), 1u);
    EXPECT_EQ(asked.filters[0].patterns, "*.wav");
    EXPECT_EQ(asked.title, "Locate Audio File");
    EXPECT_EQ(asked.okText, "Select");
    EXPECT_EQ(asked.cancelText, "Cancel");
    EXPECT_FALSE(asked.hideFileTypes);
}

TEST(BrowserDlg, SaveDialogAndCancel) {
    FakeUiSeams seams;
    BrowserDlg dlg(false, "tmi", "list.tmi", OFN_OVERWRITEPROMPT, nullptr, nullptr);
    EXPECT_EQ(dlg.title, "Save");
    dlg.hideFileTypes = true;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    ASSERT_EQ(seams.dialogs.size(), 1u);
    EXPECT_TRUE(seams.dialogs[0].save);
    EXPECT_TRUE(seams.dialogs[0].overwritePrompt);
    EXPECT_TRUE(seams.dialogs[0].hideFileTypes);
    EXPECT_TRUE(seams.dialogs[0].filters.empty());
}

TEST(BrowserDlg, QtDialogShowsTheTextsAndHidesTheFileTypes) {
    bool checked = false;
    auto check = [&](QFileDialog* dialog) {
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle().toStdString(), "Locate Audio File");
        auto* buttons = dialog->findChild<QDialogButtonBox*>();
        ASSERT_NE(buttons, nullptr);
        std::vector<std::string> texts;
        for (auto* button : buttons->buttons())
            texts.push_back(button->text().toStdString());
        EXPECT_NE(std::find(texts.begin(), texts.end(), "Select"), texts.end());
        EXPECT_NE(std::find(texts.begin(), texts.end(), "Cancel"), texts.end());
        for (const char* name : {"fileTypeCombo", "fileTypeLabel"}) {
            auto* widget = dialog->findChild<QWidget*>(name);
            ASSERT_NE(widget, nullptr) << name;
            EXPECT_FALSE(widget->isVisible()) << name;
        }
        checked = true;
    };
    QTimer::singleShot(0, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        check(qobject_cast<QFileDialog*>(modal));
        if (modal)
            QMetaObject::invokeMethod(modal, "reject");
    });
    BrowserDlg dlg(true, "wav", "door.wav", 0, "Audio Files (*.wav)|*.wav||", nullptr);
    dlg.title = "Locate Audio File";
    dlg.okText = "Select";
    dlg.hideFileTypes = true;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(checked);
}

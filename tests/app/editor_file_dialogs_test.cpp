// The new-file and save-as dialogs and the two services that run them.
#include "app/app_util.h"
#include "app/new_file_dlg.h"
#include "app/save_as_dlg.h"
#include "app/settings.h"
#include "tests/app/fake_ui_seams.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <QWindow>
#include <QTreeView>
#include <fstream>
#include <QSettings>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A fresh, empty profile for each test.
class EditorFileDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("tambrel-filedlg-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        const QString path = QString::fromStdString(dir.string());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, path);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, path);
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path dir;
    FakeUiSeams seams;
};

// Runs `answer` on the modal dialog once its loop runs.
void AnswerModal(std::function<void(QDialog&)> answer) {
    QTimer::singleShot(0, [answer] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        answer(*dialog);
    });
}

std::vector<std::string> Items(QComboBox* combo) {
    std::vector<std::string> items;
    for (int i = 0; i < combo->count(); ++i)
        items.push_back(combo->itemText(i).toStdString());
    return items;
}

TEST_F(EditorFileDialogs, NewFileRefusesValuesThatCannotMakeASound) {
    struct Case {
        const char* rate;
        const char* duration;
        const char* message; // empty: accepted
    };
    const Case cases[] = {
        {"22050 Hz", "0:30.0", ""},
        {"8000", "1800", ""},
        {"96000 Hz", "0.1", ""},
        {"22050 Hz", "0", "Duration must be numeric and greater than 0.0"},
        {"22050 Hz", "abc", "Duration must be numeric and greater than 0.0"},
        {"22050 Hz", "30:00.5", "Duration must be less than 30 minutes"},
        {"7000 Hz", "0", "Sample rate must be between 8000 and 96000"},
        {"96001", "10", "Sample rate must be between 8000 and 96000"},
        {"Hz", "10", "Sample rate must be between 8000 and 96000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.rate) + " / " + c.duration);
        seams.boxes.clear();
        NewFileDlg dialog;
        dialog.ShowValues();
        dialog.RateCombo()->setEditText(c.rate);
        dialog.DurationEdit()->setText(c.duration);
        dialog.show();
        dialog.accept();
        if (*c.message) {
            ASSERT_EQ(seams.boxes.size(), 1u);
            EXPECT_EQ(seams.boxes[0].text, c.message);
            EXPECT_EQ(seams.boxes[0].icon, MessageIcon::Exclamation);
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_EQ(dialog.result(), QDialog::Rejected);
        } else {
            EXPECT_TRUE(seams.boxes.empty());
            EXPECT_FALSE(dialog.isVisible());
            EXPECT_EQ(dialog.result(), QDialog::Accepted);
        }
    }
}

TEST_F(EditorFileDialogs, AskNewFileStartsFromAndStoresTheLastChoice) {
    int channels = 0, rate = 0;
    double seconds = 0.0;
    // First run: the defaults; the user picks stereo 44100 Hz and 2.5 s.
    AnswerModal([](QDialog& dialog) {
        auto& newFile = static_cast<NewFileDlg&>(dialog);
        EXPECT_EQ(newFile.windowTitle(), "New Audio File");
        EXPECT_EQ(newFile.RateCombo()->currentText(), "22050 Hz");
        EXPECT_EQ(newFile.ChannelsCombo()->currentIndex(), 0);
        EXPECT_EQ(newFile.DurationEdit()->text(), "0:30.0");
        EXPECT_EQ(Items(newFile.RateCombo()).size(), 9u);
        newFile.RateCombo()->setEditText("44100 Hz");
        newFile.ChannelsCombo()->setCurrentIndex(1);
        newFile.DurationEdit()->setText("2.5");
        newFile.accept();
    });
    ASSERT_TRUE(AppUtil::AskNewFile(nullptr, channels, rate, seconds));
    EXPECT_EQ(channels, 2);
    EXPECT_EQ(rate, 44100);
    EXPECT_DOUBLE_EQ(seconds, 2.5);
    EXPECT_EQ(GetSettingInt("NewChannels"), 2);
    EXPECT_EQ(GetSettingInt("NewSampleRate"), 44100);
    EXPECT_EQ(GetSettingInt("NewDuration"), 3); // half away from zero

    // Second run starts there; a fraction of a second is stored as one second.
    AnswerModal([](QDialog& dialog) {
        auto& newFile = static_cast<NewFileDlg&>(dialog);
        EXPECT_EQ(newFile.RateCombo()->currentText(), "44100 Hz");
        EXPECT_EQ(newFile.ChannelsCombo()->currentIndex(), 1);
        EXPECT_EQ(newFile.DurationEdit()->text(), "0:03.0");
        newFile.DurationEdit()->setText("0.2");
        newFile.accept();
    });
    ASSERT_TRUE(AppUtil::AskNewFile(nullptr, channels, rate, seconds));
    EXPECT_EQ(GetSettingInt("NewDuration"), 1);

    // Cancel changes nothing.
    AnswerModal([](QDialog& dialog) { dialog.reject(); });
    channels = rate = -1;
    EXPECT_FALSE(AppUtil::AskNewFile(nullptr, channels, rate, seconds));
    EXPECT_EQ(channels, -1);
    EXPECT_EQ(rate, -1);
}

TEST_F(EditorFileDialogs, SaveAsCompressionListFollowsTheFileType) {
    SaveAsDlg dlg;
    EXPECT_EQ(Items(dlg.RateCombo()),
              (std::vector<std::string>{"8000 Hz", "11025 Hz", "22050 Hz", "44100 Hz", "48000 Hz",
                                        "96000 Hz"}));
    struct Case {
        int type, code, offered;
    };
    const Case cases[] = {
        {1, 17, 17}, {1, 19, 18}, {1, 20, 18}, {1, 8, 17},  {1, 2, 2},   {2, 18, 17},
        {2, 19, 17}, {2, 20, 17}, {2, 3, 3},   {2, 16, 16}, {3, 20, 20}, {3, 7, 17},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + " " + std::to_string(c.code));
        dlg.SetFileType(3); // WAVE takes every code it lists
        dlg.SetCompression(c.code);
        dlg.SetFileType(c.type);
        EXPECT_EQ(dlg.Compression(), c.offered);
        const auto& codes = SaveAsDlg::TypeCodes(c.type);
        ASSERT_EQ(dlg.CompressionCombo()->count(), static_cast<int>(codes.size()));
        EXPECT_EQ(codes[dlg.CompressionCombo()->currentIndex()], c.offered);
        EXPECT_EQ(dlg.FieldsBox()->isEnabled(), c.type != 2);
    }
    dlg.SetFileType(1);
    EXPECT_EQ(Items(dlg.CompressionCombo()),
              (std::vector<std::string>{"8-bit PCM", "16-bit PCM", "24-bit PCM", "G.711 u-Law",
                                        "G.711 A-Law"}));
    // Choosing an entry sets the code.
    dlg.CompressionCombo()->activated(2);
    EXPECT_EQ(dlg.Compression(), 18);
}

TEST_F(EditorFileDialogs, SaveAsTypeChangeRenamesTheTypedNameAndOkChecksTheRate) {
    SaveAsDlg dlg;
    dlg.SetFileType(3);
    dlg.SetCompression(20);
    std::string name = "/tmp/take.one.wav";
    dlg.FilterChanged(2, name); // WAVE with 32-bit float to AU
    EXPECT_EQ(name, "/tmp/take.one.au");
    EXPECT_EQ(dlg.Compression(), 17);
    name = "/tmp.d/take";
    dlg.FilterChanged(1, name);
    EXPECT_EQ(name, "/tmp.d/take"); // no extension of its own: left alone
    EXPECT_EQ(dlg.FileType(), 1);

    for (const char* rate : {"7999 Hz", "96001", "fast"}) {
        SCOPED_TRACE(rate);
        seams.boxes.clear();
        dlg.SetRateText(rate);
        EXPECT_FALSE(dlg.CanAccept(nullptr));
        ASSERT_EQ(seams.boxes.size(), 1u);
        EXPECT_EQ(seams.boxes[0].text, "Sample rate must be between 8000 and 96000");
        EXPECT_EQ(seams.boxes[0].icon, MessageIcon::Exclamation);
    }
    dlg.SetRateText("8000");
    EXPECT_TRUE(dlg.CanAccept(nullptr));
}

// The file dialog of the fake seam, answered by a function that sees the request.
class AnsweringSeams : public FakeUiSeams {
public:
    std::function<bool(FileDialogRequest&)> answer;
    bool FileDialog(QWidget* owner, FileDialogRequest& request) override {
        dialogs.push_back(request);
        return answer(request);
    }
};

TEST_F(EditorFileDialogs, AskSaveAsPathProposesAndReadsBackTheChoice) {
    AnsweringSeams asking;
    WriteProfileString("SavePath", "/music/saved/");
    std::string path = "/home/me/Loop.MP3";
    int channels = 1, rate = 22050, format = 3, encoding = 20;
    bool fields = true;
    asking.answer = [](FileDialogRequest& request) {
        EXPECT_TRUE(request.save);
        EXPECT_TRUE(request.overwritePrompt);
        EXPECT_EQ(request.path, "/music/saved/Loop.aiff");
        EXPECT_EQ(request.filterIndex, 1);
        EXPECT_EQ(request.filters.size(), 3u);
        EXPECT_EQ(request.filters[1].description, "Sun (Java) File (*.au,*.snd)");
        auto* dlg = static_cast<SaveAsDlg*>(request.extras);
        EXPECT_EQ(dlg->Compression(), 18); // 32-bit float is not written to AIFF
        EXPECT_EQ(dlg->RateText(), "22050 Hz");
        EXPECT_FALSE(dlg->Stereo());
        // The user picks WAVE, stereo, 44100 Hz, drops the fields and types a bare name.
        std::string typed = request.path;
        dlg->FilterChanged(3, typed);
        EXPECT_EQ(typed, "/music/saved/Loop.wav");
        dlg->SetStereo(true);
        dlg->SetRateText("44100");
        dlg->SetFields(false);
        request.path = "/music/new/Take";
        request.filterIndex = 3;
        return true;
    };
    ASSERT_TRUE(AppUtil::AskSaveAsPath(nullptr, path, channels, rate, format, fields, encoding));
    EXPECT_EQ(path, "/music/new/Take.wav");
    EXPECT_EQ(format, 1);
    EXPECT_EQ(channels, 2);
    EXPECT_EQ(rate, 44100);
    EXPECT_EQ(encoding, 18);
    EXPECT_FALSE(fields);
    EXPECT_FALSE(GetSettingBool("SaveTambrelFields"));
    EXPECT_EQ(GetSettingText("SavePath"), "/music/new/");

    // AU leaves the fields out of the file without changing the user's choice; a filter
    // changed without the list being refilled still gets a code AU can write.
    WriteSettingBool("SaveTambrelFields", true);
    path = "/music/new/Take.wav";
    fields = true;
    encoding = 19;
    format = 1;
    asking.answer = [](FileDialogRequest& request) {
        EXPECT_EQ(request.path, "/music/new/Take.wav");
        EXPECT_EQ(request.filterIndex, 3);
        request.path = "/music/au/Take.au";
        request.filterIndex = 2;
        return true;
    };
    ASSERT_TRUE(AppUtil::AskSaveAsPath(nullptr, path, channels, rate, format, fields, encoding));
    EXPECT_EQ(format, 2);
    EXPECT_EQ(encoding, 17);
    EXPECT_FALSE(fields);
    EXPECT_TRUE(GetSettingBool("SaveTambrelFields"));

    // Cancel leaves everything.
    asking.answer = [](FileDialogRequest&) { return false; };
    path = "/x/y.wav";
    EXPECT_FALSE(AppUtil::AskSaveAsPath(nullptr, path, channels, rate, format, fields, encoding));
    EXPECT_EQ(path, "/x/y.wav");
    EXPECT_EQ(GetSettingText("SavePath"), "/music/au/");
}

TEST_F(EditorFileDialogs, TheQtSaveDialogCarriesTheExtraControls) {
    UiSeams* installed = InstallUiSeams(nullptr);
    UiSeams& qtSeams = CurrentUiSeams();
    InstallUiSeams(installed);
    AnsweringSeams asking; // message boxes are answered here, the file dialog is Qt's
    asking.answer = [&qtSeams](FileDialogRequest& request) {
        return qtSeams.FileDialog(nullptr, request);
    };
    const std::string folder = dir.string() + "/";
    std::string path = folder + "take.wav";
    int channels = 1, rate = 22050, format = 1, encoding = 20;
    bool fields = true;
    AnswerModal([&asking, folder](QDialog& dialog) {
        auto* files = qobject_cast<QFileDialog*>(&dialog);
        ASSERT_NE(files, nullptr);
        auto* types = files->findChild<QComboBox*>("fileTypeCombo");
        auto* name = files->findChild<QLineEdit*>("fileNameEdit");
        auto* rateCombo = files->findChild<QComboBox*>("1041");
        ASSERT_TRUE(types && name && rateCombo);
        EXPECT_EQ(name->text(), "take.wav");
        types->setCurrentIndex(1);
        emit types->activated(1); // the user picks AU
        EXPECT_EQ(name->text(), "take.au");
        rateCombo->setEditText("4000 Hz");
        dialog.accept();
        EXPECT_TRUE(files->isVisible());
        ASSERT_EQ(asking.boxes.size(), 1u);
        EXPECT_EQ(asking.boxes[0].text, "Sample rate must be between 8000 and 96000");
        rateCombo->setEditText("11025 Hz");
        dialog.accept();
        if (files->isVisible())
            files->reject(); // never leave the test hanging
    });
    ASSERT_TRUE(AppUtil::AskSaveAsPath(nullptr, path, channels, rate, format, fields, encoding));
    EXPECT_EQ(path, folder + "take.au");
    EXPECT_EQ(format, 2);
    EXPECT_EQ(rate, 11025);
    EXPECT_EQ(encoding, 17);
    EXPECT_FALSE(fields);
}


// What the Qt dialogs show, read as a user reads them: no text of theirs is cut.
UiSeams& QtSeams() {
    UiSeams* installed = InstallUiSeams(nullptr);
    UiSeams& qtSeams = CurrentUiSeams();
    InstallUiSeams(installed);
    return qtSeams;
}

TEST_F(EditorFileDialogs, TheSaveAsListShowsWholeSizesAndDates) {
    UiSeams& qtSeams = QtSeams();
    AnsweringSeams asking;
    asking.answer = [&qtSeams](FileDialogRequest& request) {
        return qtSeams.FileDialog(nullptr, request);
    };
    // 258.3 KiB: wider than the list's column is made for.
    std::ofstream(dir / "long-take.wav", std::ios::binary) << std::string(264500, 'x');
    std::string path = dir.string() + "/take.wav";
    int channels = 1, rate = 22050, format = 1, encoding = 1; // WAVE: the list shows .wav
    bool fields = true;
    bool checked = false;
    AnswerModal([&](QDialog& dialog) {
        auto* files = qobject_cast<QFileDialog*>(&dialog);
        ASSERT_NE(files, nullptr);
        files->setViewMode(QFileDialog::Detail);
        auto* list = files->findChild<QTreeView*>("treeView");
        ASSERT_NE(list, nullptr);
        QModelIndex name;
        for (int i = 0; i < 500 && !name.isValid(); ++i) {
            QTest::qWait(10);
            const QModelIndex root = list->rootIndex();
            for (int row = 0; row < list->model()->rowCount(root); ++row) {
                const QModelIndex at = list->model()->index(row, 0, root);
                if (at.data().toString() == "long-take.wav")
                    name = at;
            }
        }
        ASSERT_TRUE(name.isValid());
        QTest::qWait(50); // the columns follow the rows once laid out
        const int margins = 2 * (list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
        const QString size = name.siblingAtColumn(1).data().toString();
        EXPECT_TRUE(size.contains("258")) << size.toStdString();
        for (int column = 1; column < list->header()->count(); ++column) {
            const QModelIndex cell = name.siblingAtColumn(column);
            const QString text = cell.data().toString();
            SCOPED_TRACE(text.toStdString());
            EXPECT_LE(list->fontMetrics().horizontalAdvance(text) + margins,
                      list->visualRect(cell).width());
        }
        files->resize(900, 500);
        files->grab().save("/tmp/looks_save_as_list.png");
        checked = true;
        files->reject();
    });
    EXPECT_FALSE(AppUtil::AskSaveAsPath(nullptr, path, channels, rate, format, fields, encoding));
    EXPECT_TRUE(checked);
}

TEST_F(EditorFileDialogs, AQuestionIsWideEnoughForItsCaption) {
    UiSeams& qtSeams = QtSeams();
    const std::string caption = "Confirm Remove from MyTambrel";
    bool checked = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(box));
        EXPECT_EQ(box->windowTitle().toStdString(), caption);
        // The title bar shows the caption beside the window's icon and its three buttons,
        // each about as wide as two lines of text.
        QFont bold = box->font();
        bold.setBold(true);
        const QFontMetrics title(bold);
        EXPECT_GE(box->width(), title.horizontalAdvance(QString::fromStdString(caption)) +
                                    4 * 2 * title.height());
        box->grab().save("/tmp/looks_remove_question.png");
        QPushButton* no = nullptr;
        for (QPushButton* b : box->findChildren<QPushButton*>())
            if (b->text().remove('&') == "No")
                no = b;
        ASSERT_NE(no, nullptr);
        QTest::mouseClick(box->windowHandle(), Qt::LeftButton, {},
                          no->mapTo(box, no->rect().center()));
        checked = true;
    });
    EXPECT_EQ(qtSeams.MessageBoxWithDefault(nullptr, "Remove 1 sound(s) from MyTambrel?", caption,
                                            MessageButtons::YesNo, MessageIcon::Exclamation,
                                            MessageAnswer::No),
              MessageAnswer::No);
    EXPECT_TRUE(checked);
}

} // namespace

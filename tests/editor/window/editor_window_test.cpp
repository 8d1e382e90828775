// The editor window driven as a user drives it: buttons, keys, fields, saving and closing.
#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QLabel>
#include <QStatusBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QComboBox>
#include <QToolBar>
#include <QWindow>
#include <cstdio>
#include <gtest/gtest.h>
#include <set>

#include "app/controls/icon_button.h"
#include "app/settings.h"
#include "collection/audio_file_util.h"
#include "collection/sound_category_tree.h"
#include "app/tool_windows.h"
#include "tests/app/main_list_factory.h"
#include "editor/dialogs/fade_dlg.h"
#include "tests/editor/menu_answer.h"
#include "tests/editor/window/editor_window_fixture.h"
#include "tests/support_qt/window_icon.h"

namespace {

std::vector<unsigned char> Bytes(const std::string& path) {
    return ReadFileBytes(path);
}

bool FileExists(const std::string& path) {
    return QFileInfo::exists(QString::fromStdString(path));
}

int Row(int control) {
    for (int i = 0; i < kEditorButtonCount; ++i)
        if (EditorButtonTable[i].control == control)
            return i;
    return -1;
}

std::int64_t Frames(PropertyBoxObj& box) {
    return box.app.ShownTrack()->TotalFrames();
}

bool ClipboardHoldsAudio() {
    return theSampleClipboard != nullptr && theSampleClipboard[0] != nullptr;
}

using EditorWindow = EditorWindowTest;

TEST_P(EditorWindow, EveryButtonFollowsTheOperationsAllowed) {
    struct Case {
        const char* name;
        void (*arrange)(PropertyBoxObj&);
        std::set<int> on;  // controls that must be enabled
        std::set<int> off; // and disabled
        std::set<int> checked;
    };
    const Case cases[] = {
        {"nothing selected",
         [](PropertyBoxObj&) {},
         {1305, 1022, 1025, 1027, 1026, 1030, 1044, 1039, 1045},
         {1023, 1024, 1031, 1032, 1033, 1034, 1035, 1086, 1036, 1046, 1037, 1038},
         {}},
        {"a selection",
         [](PropertyBoxObj& b) { b.app.SetCursor(0.2, 0.3, 0); },
         {1033, 1034, 1036, 1046, 1044, 1039},
         {1035, 1086, 1031},
         {}},
        {"audio on the clipboard after a cut",
         [](PropertyBoxObj& b) {
             b.app.SetCursor(0.2, 0.3, 0);
             b.app.Cut();
         },
         {1035, 1086, 1031},
         {1032, 1033, 1036},
         {}},
        {"playing",
         [](PropertyBoxObj& b) { b.app.Play(); },
         {1023, 1024},
         {1305, 1022, 1025, 1033, 1035, 1044, 1039, 1045, 1030},
         {1022}},
        {"recording",
         [](PropertyBoxObj& b) { b.app.Record(0.0f, 0.0f); },
         {1023, 1024},
         {1305, 1022, 1025, 1031, 1044},
         {1305}},
        {"emptied",
         [](PropertyBoxObj& b) {
             b.app.SetCursor(0.0, b.app.GetDuration(), 0);
             b.app.Delete();
         },
         {1031, 1045},
         {1022, 1025, 1305, 1033, 1044, 1039, 1046, 1030},
         {}},
    };
    const std::string path = Tone();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EP_AudioFileEditor::FreeClipboard();
        Open(path);
        c.arrange(*box);
        View().UpdateButtons(false);
        for (int i = 0; i < kEditorButtonCount; ++i) {
            const EditorButtonRow& row = EditorButtonTable[i];
            SCOPED_TRACE(row.label);
            IconButton* button = View().Button(i);
            EXPECT_EQ(button->isEnabled(), box->app.IsOperationAllowed(row.op));
            if (c.on.count(row.control)) {
                EXPECT_TRUE(button->isEnabled());
            }
            if (c.off.count(row.control)) {
                EXPECT_FALSE(button->isEnabled());
            }
            if (button->isCheckable()) {
                EXPECT_EQ(button->isChecked(), c.checked.count(row.control) == 1);
            }
        }
        // Sliders only move while the player is idle.
        const bool idle = box->app.PlayerState() == CAI_AudioPlayer::kIdle;
        EXPECT_EQ(View().Control(1137)->isEnabled(), idle);
        box->app.Stop();
    }
}

TEST_P(EditorWindow, ButtonsCarryTheirLabelsStatusTextsAndIcons) {
    Open(Tone());
    for (int i = 0; i < kEditorButtonCount; ++i) {
        IconButton* button = View().Button(i);
        EXPECT_EQ(button->toolTip().toStdString(),
                  EditorButtonTable[i].label == std::string("Pause") ? "Pause"
                                                                     : EditorButtonTable[i].label);
        EXPECT_FALSE(button->icon().isNull()) << EditorButtonTable[i].label;
    }
    // Hovering shows the status text; leaving shows the help line.
    IconButton* play = View().Button(Row(1022));
    QTest::mouseMove(play);
    QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), QPointF(3, 3), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(play, &move);
    EXPECT_EQ(Frame().PaneText(0), "Play audio");
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(play, &leave);
    EXPECT_EQ(Frame().PaneText(0), "For Help, press F1");
    // A paused play offers to resume.
    box->app.Play();
    View().PressButton(Row(1023));
    EXPECT_TRUE(box->app.pausedPlay);
    EXPECT_EQ(View().Button(Row(1023))->toolTip(), "Resume play");
}

TEST_P(EditorWindow, KeysOfTheWaveform) {
    struct Case {
        const char* name;
        int key;
        Qt::KeyboardModifiers modifiers;
        void (*arrange)(PropertyBoxObj&);
        bool (*holds)(PropertyBoxObj&);
    };
    const Case cases[] = {
        {"Ctrl+A selects all", Qt::Key_A, Qt::ControlModifier, [](PropertyBoxObj&) {},
         [](PropertyBoxObj& b) {
             return b.app.waveform->selectionStart == 0.0 &&
                    b.app.waveform->selectionEnd == b.app.GetDuration();
         }},
        {"Delete deletes", Qt::Key_Delete, Qt::NoModifier,
         [](PropertyBoxObj& b) { b.app.SetCursor(0.5, 0.25, 0); },
         [](PropertyBoxObj& b) {
             return Frames(b) == 6000 && b.modified && !ClipboardHoldsAudio();
         }},
        {"Shift+Delete cuts", Qt::Key_Delete, Qt::ShiftModifier,
         [](PropertyBoxObj& b) { b.app.SetCursor(0.5, 0.25, 0); },
         [](PropertyBoxObj& b) {
             return Frames(b) == 6000 && b.modified && ClipboardHoldsAudio();
         }},
        {"Ctrl+X cuts", Qt::Key_X, Qt::ControlModifier,
         [](PropertyBoxObj& b) { b.app.SetCursor(0.5, 0.25, 0); },
         [](PropertyBoxObj& b) { return Frames(b) == 6000 && ClipboardHoldsAudio(); }},
        {"Ctrl+C copies", Qt::Key_C, Qt::ControlModifier,
         [](PropertyBoxObj& b) { b.app.SetCursor(0.5, 0.25, 0); },
         [](PropertyBoxObj& b) {
             return Frames(b) == 8000 && !b.modified && ClipboardHoldsAudio();
         }},
        {"Ctrl+Insert copies", Qt::Key_Insert, Qt::ControlModifier,
         [](PropertyBoxObj& b) { b.app.SetCursor(0.5, 0.25, 0); },
         [](PropertyBoxObj& b) { return Frames(b) == 8000 && ClipboardHoldsAudio(); }},
        {"Shift+Insert pastes", Qt::Key_Insert, Qt::ShiftModifier,
         [](PropertyBoxObj& b) {
             b.app.SetCursor(0.5, 0.25, 0);
             b.app.Copy();
             b.app.SetCursor(0.1, 0.0, 0);
         },
         [](PropertyBoxObj& b) { return Frames(b) == 10000 && b.modified; }},
        {"Ctrl+V pastes", Qt::Key_V, Qt::ControlModifier,
         [](PropertyBoxObj& b) {
             b.app.SetCursor(0.5, 0.25, 0);
             b.app.Copy();
         },
         [](PropertyBoxObj& b) { return Frames(b) == 8000 && b.modified; }},
        {"Ctrl+Z undoes", Qt::Key_Z, Qt::ControlModifier,
         [](PropertyBoxObj& b) {
             b.app.SetCursor(0.5, 0.25, 0);
             b.app.Delete();
         },
         [](PropertyBoxObj& b) { return Frames(b) == 8000 && b.app.history->CanRedo(); }},
        {"Ctrl+Y redoes", Qt::Key_Y, Qt::ControlModifier,
         [](PropertyBoxObj& b) {
             b.app.SetCursor(0.5, 0.25, 0);
             b.app.Delete();
             b.app.Undo();
         },
         [](PropertyBoxObj& b) { return Frames(b) == 6000; }},
        {"Up zooms in", Qt::Key_Up, Qt::NoModifier, [](PropertyBoxObj&) {},
         [](PropertyBoxObj& b) {
             return b.app.waveform->width == 2 * b.app.waveform->VisibleWidth();
         }},
        {"Down zooms out", Qt::Key_Down, Qt::NoModifier, [](PropertyBoxObj& b) { b.app.ZoomIn(); },
         [](PropertyBoxObj& b) { return b.app.waveform->width == b.app.waveform->VisibleWidth(); }},
        {"Home goes to the selection start", Qt::Key_Home, Qt::NoModifier,
         [](PropertyBoxObj& b) {
             b.app.SetCursor(0.5, 0.25, 0);
             b.app.waveform->SetCursor(0.6, 0);
         },
         [](PropertyBoxObj& b) { return b.app.waveform->cursorTime == 0.5; }},
        {"End goes to the end", Qt::Key_End, Qt::NoModifier, [](PropertyBoxObj&) {},
         [](PropertyBoxObj& b) { return b.app.waveform->cursorTime == b.app.GetDuration(); }},
        {"Space plays", Qt::Key_Space, Qt::NoModifier, [](PropertyBoxObj&) {},
         [](PropertyBoxObj& b) { return b.app.PlayerState() == CAI_AudioPlayer::kPlaying; }},
        {"Space pauses a play", Qt::Key_Space, Qt::NoModifier,
         [](PropertyBoxObj& b) { b.app.Play(); },
         [](PropertyBoxObj& b) { return b.app.pausedPlay; }},
        {"Shift+Space resumes a paused play", Qt::Key_Space, Qt::ShiftModifier,
         [](PropertyBoxObj& b) {
             b.app.Play();
             b.app.Pause();
         },
         [](PropertyBoxObj& b) {
             return b.app.PlayerState() == CAI_AudioPlayer::kPlaying && !b.app.player->IsLooping();
         }},
        {"Shift+Space loops", Qt::Key_Space, Qt::ShiftModifier, [](PropertyBoxObj&) {},
         [](PropertyBoxObj& b) { return b.app.player->IsLooping(); }},
        {"Backspace stops", Qt::Key_Backspace, Qt::NoModifier,
         [](PropertyBoxObj& b) { b.app.Play(); },
         [](PropertyBoxObj& b) { return b.app.PlayerState() == CAI_AudioPlayer::kIdle; }},
        {"W turns the colours off", Qt::Key_W, Qt::NoModifier, [](PropertyBoxObj&) {},
         [](PropertyBoxObj& b) { return !b.app.waveform->coloured; }},
    };
    const std::string path = Tone();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EP_AudioFileEditor::FreeClipboard();
        Open(path);
        c.arrange(*box);
        QTest::keyClick(View().WaveformHost(), static_cast<Qt::Key>(c.key), c.modifiers);
        EXPECT_TRUE(c.holds(*box));
        box->app.Stop();
    }
}

TEST_P(EditorWindow, CtrlInsertAsksTheDeleteOperationWhileCtrlCCopiesAnywhere) {
    // An MP3 file is shown but its samples cannot be edited.
    Open(Sox("tone.mp3", "-r 44100 -c 1"));
    ASSERT_FALSE(box->app.IsWritableFormat());
    // Its tips say so.
    ASSERT_EQ(Frame().Tip().Entries().size(), 2u);
    EXPECT_EQ(Frame().Tip().Entries()[0].stringId, 165);
    Select(0.2, 0.4);
    QTest::keyClick(View().WaveformHost(), Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_FALSE(ClipboardHoldsAudio());
    QTest::keyClick(View().WaveformHost(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(ClipboardHoldsAudio());
    EXPECT_EQ(Frame().windowTitle(), "tone.mp3 (not in MyTambrel)");
    // Moving the cursor away from the start hides the tip.
    EXPECT_TRUE(Frame().Tip().Entries().empty());
}

TEST_P(EditorWindow, CtrlCInATextFieldCopiesTheText) {
    Open(Tone());
    Select(0.2, 0.4);
    auto* description = qobject_cast<QLineEdit*>(View().Control(1110));
    ASSERT_NE(description, nullptr);
    description->setText("rain on a tin roof");
    description->selectAll();
    QTest::keyClick(description, Qt::Key_C, Qt::ControlModifier);
    EXPECT_FALSE(ClipboardHoldsAudio());
    // Enter in a field hands the keys back to the waveform.
    View().WaveformHost()->clearFocus();
    QTest::keyClick(description, Qt::Key_Return);
    EXPECT_FALSE(box->modified);
}

TEST_P(EditorWindow, FadeThenSaveRewritesTheFileAndItsCatalogEntry) {
    const std::string path = Tone();
    Catalogue(path, true);
    SoundFileObj before;
    ASSERT_TRUE(theCatalogDb->GetFileByPath(path, before));
    const int rows = theCatalogDb->GetSoundCount(path);
    ASSERT_GT(rows, 1);
    const auto bytes = Bytes(path);

    Open(path);
    EXPECT_TRUE(box->catalogued);
    EXPECT_EQ(Frame().windowTitle(), "tone.wav (in MyTambrel)");
    EXPECT_TRUE(HasResourceIcon(Frame(), kEditorIcon));
    EXPECT_TRUE(qobject_cast<QCheckBox*>(View().Control(1358))->isChecked());
    Select(0.2, 0.8);
    answerDialog = [](QDialog& dialog) {
        static_cast<FadeDlg&>(dialog).SetLevels(100, 0);
        return int(QDialog::Accepted);
    };
    View().PressButton(Row(1039));
    EXPECT_EQ(dialogsRun, 1);
    EXPECT_TRUE(box->modified);
    EXPECT_EQ(box->openMode, PropertyBoxObj::kEdited);
    EXPECT_EQ(Frame().windowTitle(), "tone.wav* (in MyTambrel)");

    Frame().RunCommand(AudioFileFrm::kSave);
    EXPECT_TRUE(seams.boxes.empty()) << seams.boxes[0].text;
    EXPECT_NE(Bytes(path), bytes);
    EXPECT_FALSE(box->modified);
    EXPECT_EQ(box->openMode, PropertyBoxObj::kUnchanged);
    EXPECT_TRUE(box->catalogued);
    EXPECT_EQ(Frame().windowTitle(), "tone.wav (in MyTambrel)");
    SoundFileObj after;
    ASSERT_TRUE(theCatalogDb->GetFileByPath(path, after));
    EXPECT_NE(after.signature.bytes, before.signature.bytes);
    EXPECT_EQ(theCatalogDb->GetSoundCount(path), rows);
    // The window shows the file as saved.
    EXPECT_EQ(box->app.path, path);
    EXPECT_EQ(Frames(*box), 8000);

    // Saving again unchanged writes nothing.
    const auto saved = Bytes(path);
    Frame().RunCommand(AudioFileFrm::kSave);
    EXPECT_EQ(Bytes(path), saved);
}

TEST_P(EditorWindow, SaveAsWritesOtherFormatsRatesAndChannels) {
    const std::string path = Tone();
    Open(path);
    Select(0.0, 0.5);
    View().PressButton(Row(1036)); // Delete

    // AIFF, mono, 11025 Hz.
    const std::string aiff = folder.Path("half.aif");
    ASSERT_TRUE(box->SaveFile(aiff, 1, 11025, 3, 17, false));
    SoundFileObj info;
    ASSERT_TRUE(AudioFileUtil::ReadFileInfo(aiff, info)) << info.errorText;
    EXPECT_EQ(info.format, 3);
    EXPECT_EQ(info.channels, 1);
    EXPECT_EQ(info.sampleRate, 11025);
    EXPECT_NEAR(info.duration, 500, 2);
    EXPECT_EQ(Frame().windowTitle(), "half.aif (in MyTambrel)");
    EXPECT_TRUE(theCatalogDb->IsInCatalog(aiff));

    // AU through the dialog: the name and type chosen there.
    const std::string au = folder.Path("half.au");
    seams.paths.push_back({au, 2});
    Frame().RunCommand(AudioFileFrm::kSaveAs);
    ASSERT_EQ(seams.dialogs.size(), 1u);
    ASSERT_TRUE(AudioFileUtil::ReadFileInfo(au, info)) << info.errorText;
    EXPECT_EQ(info.format, 2);
    EXPECT_EQ(info.channels, 1);
    EXPECT_EQ(info.sampleRate, 11025);
    EXPECT_EQ(box->record.path, au);
    // The unchanged AIFF is copied byte for byte by a Save As to the same format.
    const std::string copy = folder.Path("copy.au");
    ASSERT_TRUE(box->SaveFile(copy, 1, 11025, 2, box->record.compression, false));
    EXPECT_EQ(Bytes(copy), Bytes(au));
    // ... and onto itself it writes nothing.
    ASSERT_TRUE(box->SaveFile(copy, 1, 11025, 2, box->record.compression, false));
    EXPECT_EQ(Bytes(copy), Bytes(au));
}

TEST_P(EditorWindow, AFileWithoutAWriterIsSavedThroughSaveAs) {
    const std::string voc = Sox("speech.voc", "-r 8000 -c 1 -b 8 -e unsigned");
    Open(voc);
    ASSERT_NE(box->app.waveform, nullptr);
    const auto bytes = Bytes(voc);
    Select(0.1, 0.3);
    View().PressButton(Row(1036));
    ASSERT_TRUE(box->modified);
    Frame().RunCommand(AudioFileFrm::kSave); // cancelled in the dialog
    EXPECT_EQ(seams.dialogs.size(), 1u);
    EXPECT_EQ(Bytes(voc), bytes);
    EXPECT_TRUE(box->modified);
    // Saved as a WAVE file.
    const std::string wav = folder.Path("speech.wav");
    seams.paths.push_back({wav, 3});
    Frame().RunCommand(AudioFileFrm::kSave);
    SoundFileObj info;
    ASSERT_TRUE(AudioFileUtil::ReadFileInfo(wav, info)) << info.errorText;
    EXPECT_NEAR(info.duration, 800, 2);
    EXPECT_EQ(Bytes(voc), bytes);
}

TEST_P(EditorWindow, CloseAsksAboutUnsavedChanges) {
    struct Case {
        const char* name;
        bool newFile;
        bool edit;
        std::vector<MessageAnswer> answers;
        const char* question; // empty: none asked
        bool closes;
        bool saved;
    };
    const Case cases[] = {
        {"unchanged", false, false, {}, "", true, false},
        {"edited, Yes",
         false,
         true,
         {MessageAnswer::Yes},
         "Do you want to save the changes you made to\n%s?",
         true,
         true},
        {"edited, No",
         false,
         true,
         {MessageAnswer::No},
         "Do you want to save the changes you made to\n%s?",
         true,
         false},
        {"edited, Cancel",
         false,
         true,
         {MessageAnswer::Cancel},
         "Do you want to save the changes you made to\n%s?",
         false,
         false},
        {"new, unchanged", true, false, {}, "", true, false},
        {"new, edited, Yes", true, true, {MessageAnswer::Yes}, "Save file %s?", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Tone();
        const auto bytes = Bytes(path);
        box = std::make_unique<PropertyBoxObj>();
        const std::string target = folder.Path("saved-new.wav");
        std::remove(target.c_str());
        seams.paths.clear();
        if (c.newFile) {
            ASSERT_TRUE(box->NewFile(1, 8000, 1.0));
            seams.paths.push_back({target, 3});
        } else {
            ASSERT_TRUE(box->OpenFile(path));
        }
        if (c.edit) {
            Select(0.1, 0.2);
            View().PressButton(Row(1036));
        }
        seams.boxes.clear();
        seams.answers.assign(c.answers.begin(), c.answers.end());
        EXPECT_EQ(box->Close(false), c.closes);
        if (c.question[0] == '\0') {
            EXPECT_TRUE(seams.boxes.empty());
        } else {
            ASSERT_EQ(seams.boxes.size(), 1u);
            char text[600];
            std::snprintf(text, sizeof text, c.question, box->record.path.c_str());
            if (c.newFile)
                std::snprintf(
                    text, sizeof text, c.question,
                    ("new" + std::to_string(PropertyBoxObj::newFileCounter) + ".wav").c_str());
            EXPECT_EQ(seams.boxes[0].text, text);
            EXPECT_EQ(seams.boxes[0].buttons, MessageButtons::YesNoCancel);
            EXPECT_EQ(seams.boxes[0].icon, MessageIcon::Question);
        }
        if (c.newFile)
            EXPECT_EQ(FileExists(target), c.saved);
        else
            EXPECT_EQ(Bytes(path) != bytes, c.saved);
        std::remove(path.c_str());
    }
}

TEST_P(EditorWindow, AFailedAnalysisKeepsTheOldCatalogEntry) {
    const std::string path = Tone();
    Catalogue(path, false);
    SoundFileObj before;
    ASSERT_TRUE(theCatalogDb->GetFileByPath(path, before));
    ASSERT_EQ(theCatalogDb->GetSoundCount(path), 1);
    theController->SaveTambrelFields = false;
    Open(path);
    // Asking for pitch variations needs a new entry; the window is closed while it is made.
    qobject_cast<QCheckBox*>(View().Control(1358))->setChecked(true);
    Frame().SetClosePending();
    ASSERT_TRUE(box->Save());
    SoundFileObj after;
    ASSERT_TRUE(theCatalogDb->GetFileByPath(path, after));
    EXPECT_EQ(after.fileId, before.fileId);
    EXPECT_EQ(theCatalogDb->GetSoundCount(path), 1);
    EXPECT_FALSE(box->catalogued);
}

TEST_P(EditorWindow, SavingAtAPitchAsksFirst) {
    struct Case {
        double shift;
        const char* text;
    };
    const std::string path = Sox("tone22.wav", "-r 22050 -c 1 -b 16");
    for (const Case c : {Case{2.0, "+2"}, Case{2.5, "+2.50"}, Case{-3.0, "-3"}}) {
        SCOPED_TRACE(c.text);
        Open(path);
        View().ApplyPitch(c.shift);
        EXPECT_EQ(box->openMode, PropertyBoxObj::kAtPitch);
        const auto bytes = Bytes(path);
        seams.boxes.clear();
        EXPECT_FALSE(box->Save()); // answered No
        ASSERT_EQ(seams.boxes.size(), 1u);
        EXPECT_EQ(seams.boxes[0].text,
                  "Overwrite '" + path + "' with a pitch shift of " + c.text + " semitones?");
        EXPECT_EQ(seams.boxes[0].caption, "Confirm");
        EXPECT_EQ(Bytes(path), bytes);
    }
}

TEST_P(EditorWindow, HidingTheFieldsMovesTheRestUpAndIsRemembered) {
    Open(Tone());
    Frame().resize(900, 700);
    QCoreApplication::processEvents();
    QWidget* slider = View().Control(1137);
    const int sliderY = slider->y();
    const int waveformHeight = View().WaveformHost()->height();
    Frame().RunCommand(AudioFileFrm::kFields);
    EXPECT_FALSE(AudioFileView::GroupVisible(AudioFileView::kFieldsGroup));
    EXPECT_FALSE(GetSettingBool("EditorShowFields"));
    EXPECT_EQ(Frame().CommandAction(AudioFileFrm::kFields)->text(), "Show Fields");
    EXPECT_FALSE(View().Control(1110)->isVisible());
    EXPECT_LT(slider->y(), sliderY);
    EXPECT_GT(View().WaveformHost()->height(), waveformHeight);
    Frame().RunCommand(AudioFileFrm::kFields);
    EXPECT_EQ(Frame().CommandAction(AudioFileFrm::kFields)->text(), "Hide Fields ");
    EXPECT_EQ(Frame().CommandAction(AudioFileFrm::kControls)->text(), "Hide Controls ");
    EXPECT_TRUE(GetSettingBool("EditorShowFields"));
    EXPECT_EQ(slider->y(), sliderY);
}

TEST_P(EditorWindow, NewFilesAreNumberedAndShowTheirTips) {
    PropertyBoxObj first, second;
    ASSERT_TRUE(first.NewFile(1, 8000, 2.0));
    ASSERT_TRUE(second.NewFile(2, 22050, 1.0));
    const int n = PropertyBoxObj::newFileCounter;
    EXPECT_EQ(first.Path(), "new" + std::to_string(n - 1) + ".wav");
    EXPECT_EQ(second.frame->windowTitle().toStdString(), "new" + std::to_string(n));
    EXPECT_EQ(second.frame->PaneText(2), "stereo");
    EXPECT_EQ(second.frame->PaneText(3), "16-bit PCM");
    EXPECT_EQ(second.frame->PaneText(4), "22050 Hz");
    // No clipboard: two tips.
    EXPECT_EQ(first.frame->Tip().Entries().size(), 2u);
    EXPECT_FALSE(first.frame->CommandAction(AudioFileFrm::kSave)->isEnabled());
    EXPECT_TRUE(first.frame->CommandAction(AudioFileFrm::kSaveAs)->isEnabled());
    EXPECT_FALSE(first.frame->CommandAction(AudioFileFrm::kRemove)->isEnabled());
}

TEST_P(EditorWindow, RemoveTakesTheFileOutOfMyTambrel) {
    const std::string path = Tone();
    Catalogue(path, false);
    Open(path);
    QAction* remove = Frame().CommandAction(AudioFileFrm::kRemove);
    ASSERT_TRUE(remove->isEnabled());
    remove->trigger();
    EXPECT_FALSE(theCatalogDb->IsInCatalog(path));
    EXPECT_FALSE(remove->isEnabled());
    EXPECT_EQ(Frame().windowTitle(), "tone.wav (not in MyTambrel)");
}

TEST_P(EditorWindow, FindSimilarAsksAboutLongSelectionsAndRefusesShortOnes) {
    Open(Sox("long.wav", "-r 8000 -c 1 -b 16", "synth 1 sine 440 pad 0 40"));
    struct Case {
        double length;
        std::vector<std::string> texts;
    };
    const Case cases[] = {
        {30.0,
         {"Sounds-Like Search works best using a short sound example (less than 30 seconds).  The "
          "example you selected has a duration of 30 seconds.\n\nWould you like to perform the "
          "search anyway?",
          "To select a shorter sound example, drag the mouse on the waveform display, then click "
          "on the \"sounds-like search\" button."}},
        {0.04, {"Select at least 0.05 seconds of audio data"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        seams.boxes.clear();
        Select(1.0, 1.0 + c.length);
        box->FindSimilar();
        ASSERT_EQ(seams.boxes.size(), c.texts.size());
        for (std::size_t i = 0; i < c.texts.size(); ++i)
            EXPECT_EQ(seams.boxes[i].text, c.texts[i]);
    }
    // Volume on silence says so and opens no dialog.
    Select(1.5, 3.0); // the padding is silent
    seams.boxes.clear();
    View().PressButton(Row(1044));
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].caption, "Cannot Change Volume");
    EXPECT_EQ(dialogsRun, 0);
}

INSTANTIATE_TEST_SUITE_P(Catalog, EditorWindow, testing::Values(Engine::SQLite), EngineName);

} // namespace

namespace {

using EditorWindowControls = EditorWindowTest;

TEST_P(EditorWindowControls, TheWaveformsMenuMarksTheFileModified) {
    Open(Tone());
    Select(0.25, 0.5);
    AnswerMenu(4); // Delete
    int px = box->app.waveform->TimeToX(0.3), py = 20;
    box->app.waveform->LocalToWindow(px, py);
    box->app.window->OnContextMenu(px, py);
    EXPECT_EQ(box->app.ShownTrack()->TotalFrames(), 6000);
    EXPECT_TRUE(box->modified);
    EXPECT_EQ(Frame().windowTitle(), "tone.wav* (not in MyTambrel)");
}

TEST_P(EditorWindowControls, PitchAndRecordingRules) {
    Open(Sox("tone22.wav", "-r 22050 -c 1 -b 16"));
    auto* edit = qobject_cast<QLineEdit*>(View().Control(1138));
    int lowest = 0, highest = 0;
    box->app.mixer->GetPitchRange(lowest, highest);
    edit->setText(QString::number(highest + 1));
    QTest::keyClick(edit, Qt::Key_Return);
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].text, "Pitch shift must be between " + std::to_string(lowest) +
                                       " and " + std::to_string(highest));
    EXPECT_EQ(box->app.mixer->Pitch(), 0.0);
    edit->setText("3");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(box->app.mixer->Pitch(), 3.0);
    EXPECT_EQ(qobject_cast<QSlider*>(View().Control(1137))->value(), 3);
    EXPECT_EQ(Frame().PaneText(4), std::to_string(box->app.mixer->rate) + " Hz");
    // Recording wants normal pitch, and says so without opening its dialog.
    seams.boxes.clear();
    View().PressButton(Row(1305));
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].text, "Pitch must be normal to record");
    EXPECT_EQ(seams.boxes[0].caption, "Cannot Record");
    EXPECT_EQ(dialogsRun, 0);
    EXPECT_NE(box->app.PlayerState(), CAI_AudioPlayer::kRecording);
}

TEST_P(EditorWindowControls, TypedSelectionTimes) {
    Open(Tone());
    auto* start = qobject_cast<QLineEdit*>(View().Control(1404));
    auto* end = qobject_cast<QLineEdit*>(View().Control(1405));
    auto* duration = qobject_cast<QLineEdit*>(View().Control(1406));
    struct Case {
        QLineEdit* edit;
        const char* text;
        double start, end;
    };
    Select(0.2, 0.6);
    const Case cases[] = {
        {start, "0.3", 0.3, 0.6},    {end, "0.5", 0.3, 0.5},
        {duration, "0.1", 0.3, 0.4}, {duration, "9", 0.3, 1.0}, // capped at the end of the file
        {start, "x", 0.3, 1.0},                                 // not a time: nothing changes
        {end, "0.2", 0.2, 0.2}, // not after the start: an empty selection there
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        c.edit->setFocus();
        c.edit->setText(c.text);
        QFocusEvent out(QEvent::FocusOut);
        QCoreApplication::sendEvent(c.edit, &out);
        EXPECT_NEAR(box->app.waveform->selectionStart, c.start, 1e-9);
        EXPECT_NEAR(box->app.waveform->selectionEnd, c.end, 1e-9);
    }
}

TEST_P(EditorWindowControls, AWindowClosedWhileSavingClosesWhenTheSaveEnds) {
    const std::string path = Tone();
    Open(path);
    Select(0.1, 0.2);
    View().PressButton(Row(1036));
    Frame().BeginBusy();
    Frame().close(); // remembered
    EXPECT_TRUE(Frame().isVisible());
    EXPECT_TRUE(Frame().ClosePending());
    Frame().EndBusy();
    seams.answers.push_back(MessageAnswer::No);
    QTRY_VERIFY(box->frame == nullptr || !box->frame->isVisible());
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].text, "Do you want to save the changes you made to\n" + path + "?");
}

INSTANTIATE_TEST_SUITE_P(Catalog, EditorWindowControls, testing::Values(Engine::SQLite),
                         EngineName);

} // namespace

namespace {

// The main window's list as the controller keeps it in step with the catalog.
class MainRows : public ResultsListLink {
public:
    SoundFileListObj& Rows() override { return rows; }
    void InsertRow(const SoundFileObj& record, const SoundVariantObj& variant, int score, int tag,
                   bool, bool) override {
        rows.Add(record, variant, score, tag, 0, 0);
    }
    void Refresh(int) override {}
    void ClearRows(bool) override { rows.Clear(); }
    int RemoveRow(const SoundFileObj& record, bool) override { return rows.RemoveFile(record); }
    void ShowPlayState(const std::string&, double, bool, bool) override {}
    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (int i = 0; i < rows.Count(); ++i)
            names.insert(QFileInfo(QString::fromStdString(rows.Entry(i).file.path)).fileName().toStdString());
        return names;
    }
    SoundFileListObj rows;
};

// With Bells chosen in the main window: Save As of a Bells sound under a new name in the same
// folder, then the editor's Remove, both by the toolbar. The main list keeps the file saved
// from and counts as the category does; the editor holds the new file's own entry.
TEST_P(EditorByInput, TheChosenCategorysListFollowsSaveAsAndRemove) {
    MainListFactory<MainRows> factory;
    theController->SetToolWindowFactory(&factory);
    theController->Startup();
    ASSERT_NE(factory.list, nullptr);
    std::vector<std::string> paths;
    for (const char* name : {"bell_a.wav", "bell_d.wav"}) {
        paths.push_back(Tone(name));
        Catalogue(paths.back(), false);
        SoundFileObj stored;
        ASSERT_TRUE(theCatalogDb->GetFileByPath(paths.back(), stored));
        stored.soundClass = 1;
        stored.category = "Bells";
        ASSERT_TRUE(theController->UpdateCatalogFile(stored, nullptr));
    }
    theController->ShowCategory(1, "Bells", {}, true);
    const int before = theSoundCategoryTree.FileCount(1, "Bells", {});
    ASSERT_EQ(factory.list->Names(), (std::set<std::string>{"bell_a.wav", "bell_d.wav"}));

    Open(paths[1]);
    ShowActive();
    const std::string half = folder.Path("bell_d_half.wav");
    seams.paths.push_back({half, 3});
    Click(ToolbarButton(AudioFileFrm::kSaveAs));
    ASSERT_TRUE(theCatalogDb->IsInCatalog(half));
    SoundFileObj stored;
    ASSERT_TRUE(theCatalogDb->GetFileByPath(half, stored));
    EXPECT_EQ(box->record.fileId, stored.fileId);
    EXPECT_EQ(factory.list->Names(),
              (std::set<std::string>{"bell_a.wav", "bell_d.wav", "bell_d_half.wav"}));
    EXPECT_EQ(theSoundCategoryTree.FileCount(1, "Bells", {}), before + 1);

    Click(ToolbarButton(AudioFileFrm::kRemove));
    EXPECT_FALSE(theCatalogDb->IsInCatalog(half));
    EXPECT_TRUE(theCatalogDb->IsInCatalog(paths[1]));
    EXPECT_EQ(factory.list->Names(), (std::set<std::string>{"bell_a.wav", "bell_d.wav"}));
    EXPECT_EQ(theSoundCategoryTree.FileCount(1, "Bells", {}), before);

    box.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // The files leave through the controller: the shared counts end as they began.
    for (const std::string& path : paths) {
        SoundFileObj file;
        if (theCatalogDb->GetFileByPath(path, file))
            theController->RemoveCatalogFile(file);
    }
    theController->ApplyCatalogChanges();
    theController->SetToolWindowFactory(nullptr);
}

TEST_P(EditorByInput, AnEditIsSavedByTheToolbarButtonAndByCtrlS) {
    enum Edit { kFadeButton, kDeleteButton, kDeleteKey };
    enum SaveBy { kToolbar, kCtrlS };
    const struct {
        const char* name;
        bool catalogued;
        Edit edit;
        SaveBy save;
    } cases[] = {
        {"fade, toolbar Save, in MyTambrel", true, kFadeButton, kToolbar},
        {"fade, Ctrl+S, in MyTambrel", true, kFadeButton, kCtrlS},
        {"Delete button, toolbar Save, not in MyTambrel", false, kDeleteButton, kToolbar},
        {"Delete key, Ctrl+S, not in MyTambrel", false, kDeleteKey, kCtrlS},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string name = "tone" + std::to_string(n++) + ".wav";
        const std::string path = Tone(name);
        if (c.catalogued)
            Catalogue(path, false);
        const auto bytes = Bytes(path);
        Open(path);
        ShowActive();
        DragSelect(0.2, 0.6);
        ASSERT_GT(box->app.SelectionFrameCount(false), 800);
        switch (c.edit) {
        case kFadeButton:
            answerDialog = [](QDialog& dialog) {
                static_cast<FadeDlg&>(dialog).SetLevels(100, 0);
                return int(QDialog::Accepted);
            };
            Click(View().Control(1039));
            break;
        case kDeleteButton:
            Click(View().Control(1036));
            break;
        case kDeleteKey:
            QTest::keyClick(Window(), Qt::Key_Delete);
            break;
        }
        ASSERT_TRUE(Frame().windowTitle().contains('*')) << Frame().windowTitle().toStdString();
        if (c.save == kToolbar)
            Click(ToolbarButton(AudioFileFrm::kSave));
        else
            QTest::keyClick(Window(), Qt::Key_S, Qt::ControlModifier);
        QCoreApplication::processEvents();
        EXPECT_NE(Bytes(path), bytes);
        EXPECT_FALSE(Frame().windowTitle().contains('*')) << Frame().windowTitle().toStdString();
        EXPECT_TRUE(seams.boxes.empty()) << seams.boxes.front().text;
        EXPECT_TRUE(theCatalogDb->IsInCatalog(path));
        box.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_P(EditorByInput, ATypedTempoIsKeptByEnterByLeavingTheFieldAndOnClose) {
    enum Finish { kEnter, kFocusOut, kNothing };
    const struct {
        const char* name;
        Finish finish;
    } cases[] = {{"Enter", kEnter}, {"click elsewhere", kFocusOut}, {"typed only", kNothing}};
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Tone("tempo" + std::to_string(n++) + ".wav");
        Catalogue(path, false);
        Open(path);
        ShowActive();
        EXPECT_EQ(box->record.bpm, -1);
        auto* tempo = qobject_cast<QComboBox*>(View().Control(1114));
        ASSERT_NE(tempo, nullptr);
        Click(tempo->lineEdit());
        tempo->lineEdit()->selectAll();
        for (const char ch : std::string("125"))
            QTest::keyClick(Window(), ch);
        if (c.finish == kEnter)
            QTest::keyClick(Window(), Qt::Key_Return);
        else if (c.finish == kFocusOut)
            Click(View().Control(1110));
        EXPECT_EQ(tempo->currentText(), "125");
        EXPECT_TRUE(View().FieldsChanged(box->record));
        SoundFileObj read = box->record;
        View().ReadFields(read);
        EXPECT_EQ(read.bpm, 125);
        // Closing asks to save; Yes stores the tempo in MyTambrel.
        seams.answers.push_back(MessageAnswer::Yes);
        Frame().close();
        QCoreApplication::processEvents();
        ASSERT_EQ(seams.boxes.size(), 1u);
        EXPECT_NE(seams.boxes[0].text.find("Do you want to save the changes"), std::string::npos);
        seams.boxes.clear();
        SoundFileObj stored;
        ASSERT_TRUE(theCatalogDb->GetFileByPath(path, stored));
        EXPECT_EQ(stored.bpm, 125);
        box.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_P(EditorByInput, TheCorrectDcChoiceOfTheRecordDialogIsKeptOnlyOnStart) {
    Open(Tone());
    ShowActive();
    const bool before = GetSettingBool("CorrectDC");
    const struct {
        const char* name;
        const char* button;
        bool kept;
    } cases[] = {{"Cancel", "Cancel", false}, {"Start Recording", "Start Recording", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        bool shown = false, clicked = false;
        answerDialog = [&](QDialog& dialog) {
            dialog.show();
            if (!QTest::qWaitForWindowExposed(&dialog))
                return int(QDialog::Rejected);
            QCoreApplication::processEvents(); // the meters start once the dialog runs
            auto* box = dialog.findChild<QCheckBox*>("1047");
            QPushButton* press = nullptr;
            for (QPushButton* b : dialog.findChildren<QPushButton*>())
                if (b->text() == c.button)
                    press = b;
            if (box == nullptr || press == nullptr)
                return int(QDialog::Rejected);
            shown = box->isChecked() == before;
            QWindow* window = dialog.windowHandle();
            QTest::mouseClick(window, Qt::LeftButton, {}, box->mapTo(&dialog, box->rect().center()));
            QTest::mouseClick(window, Qt::LeftButton, {},
                              press->mapTo(&dialog, press->rect().center()));
            clicked = box->isChecked() != before && !dialog.isVisible();
            return dialog.result();
        };
        Click(View().Control(1305));
        EXPECT_TRUE(shown);
        EXPECT_TRUE(clicked);
        EXPECT_EQ(GetSettingBool("CorrectDC"), c.kept ? !before : before);
        EXPECT_EQ(theController->CorrectDC, c.kept ? !before : before);
        EXPECT_EQ(box->app.PlayerState() == CAI_AudioPlayer::kRecording, c.kept);
    }
    box->app.Stop();
}

TEST_P(EditorByInput, AtItsSmallestSizeNothingOverlapsOrFloatsOutside) {
    Open(Tone());
    ShowActive();
    ASSERT_NE(Frame().Tip().Window(), nullptr);
    Frame().resize(1, 1);
    QCoreApplication::processEvents();
    EXPECT_GT(Frame().width(), 1);
    Frame().ShowProgress("Processing audio data:", 40);
    QCoreApplication::processEvents();
    Frame().grab().save("/tmp/looks_editor_smallest.png");

    // The status bar: the progress text and bar, then the five panes, none over another,
    // and each pane's text whole.
    QStatusBar* bar = Frame().statusBar();
    std::vector<std::pair<std::string, QRect>> parts;
    for (QWidget* child : bar->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child->isVisible() && (child->objectName().startsWith("pane") ||
                                   child->objectName().startsWith("progress")))
            parts.push_back({child->objectName().toStdString(), child->geometry()});
    ASSERT_GE(parts.size(), 7u); // five panes, the progress text and its bar
    for (std::size_t i = 0; i < parts.size(); ++i) {
        EXPECT_TRUE(bar->rect().contains(parts[i].second)) << parts[i].first;
        for (std::size_t j = i + 1; j < parts.size(); ++j)
            EXPECT_FALSE(parts[i].second.intersects(parts[j].second))
                << parts[i].first << " and " << parts[j].first;
    }
    for (int pane = 1; pane < AudioFileFrm::kPaneCount; ++pane) {
        auto* label = bar->findChild<QLabel*>(QString("pane%1").arg(pane));
        ASSERT_NE(label, nullptr);
        SCOPED_TRACE(label->text().toStdString());
        EXPECT_FALSE(label->text().isEmpty());
        EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()),
                  label->contentsRect().width());
    }
    // The form's controls stay whole inside the form, and the tip inside the window.
    for (QWidget* child : View().findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child->isVisible()) {
            EXPECT_TRUE(View().rect().contains(child->geometry()))
                << child->objectName().toStdString();
        }
    ASSERT_NE(Frame().Tip().Window(), nullptr);
    EXPECT_TRUE(QRect(Frame().mapToGlobal(QPoint(0, 0)), Frame().size())
                    .contains(Frame().Tip().Window()->geometry()));
    Frame().ShowProgress("", 100);
}

INSTANTIATE_TEST_SUITE_P(Catalog, EditorByInput, testing::Values(Engine::SQLite), EngineName);

} // namespace

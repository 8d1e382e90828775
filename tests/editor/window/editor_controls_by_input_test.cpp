// The editor's pitch slider and field, its Mix, Volume and Insert Silence dialogs, its undo
// keys and its Tab and Enter stops, pressed as the window system presses them: at the
// control's place in its top-level window.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <gtest/gtest.h>

#include "app/controls/icon_button.h"
#include "editor/dialogs/mix_dlg.h"
#include "tests/editor/window/editor_window_fixture.h"

namespace {

// The middle of a slider's handle, in the slider's own coordinates.
QPoint HandleCentre(const QSlider* slider) {
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->sliderPosition();
    option.sliderValue = slider->value();
    option.singleStep = slider->singleStep();
    option.pageStep = slider->pageStep();
    option.tickPosition = slider->tickPosition();
    option.tickInterval = slider->tickInterval();
    option.upsideDown = slider->orientation() == Qt::Horizontal
                            ? slider->invertedAppearance() != (option.direction == Qt::RightToLeft)
                            : !slider->invertedAppearance();
    return slider->style()
        ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider)
        .center();
}

void ClickAt(QWidget* widget, QPoint local) {
    ASSERT_NE(widget, nullptr);
    QWidget* top = widget->window();
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, {}, widget->mapTo(top, local));
    QCoreApplication::processEvents();
}

void ClickCentre(QWidget* widget) {
    ASSERT_NE(widget, nullptr);
    ClickAt(widget, widget->rect().center());
}

// One notch of the wheel over a widget: positive turns it away from the user.
void Wheel(QWidget* widget, QPoint local, int delta) {
    QWidget* top = widget->window();
    const QPointF at = widget->mapTo(top, local);
    QWheelEvent event(at, top->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(top->windowHandle(), &event);
    QCoreApplication::processEvents();
}

void Press(QWidget* window, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QTest::keyClick(window->windowHandle(), key, modifiers);
    QCoreApplication::processEvents();
}

QPushButton* DialogButton(QDialog& dialog, QDialogButtonBox::StandardButton which) {
    auto* buttons = dialog.findChild<QDialogButtonBox*>();
    return buttons != nullptr ? buttons->button(which) : nullptr;
}

bool ShowDialog(QDialog& dialog) {
    dialog.show();
    dialog.activateWindow();
    return QTest::qWaitForWindowActive(&dialog);
}

std::int64_t Frames(PropertyBoxObj& box) {
    return box.app.ShownTrack()->TotalFrames();
}

// The largest magnitude of the samples between two times.
float Peak(PropertyBoxObj& box, double from, double to) {
    box.app.SetCursor(from, to - from, 0);
    float low = 0.0f, high = 0.0f;
    box.app.history->MinMax(box.app.SelectionFrameCount(false), box.app.SelectionStartFrame(false),
                            -1, low, high);
    return std::max(std::fabs(low), std::fabs(high));
}

const char* const kKeyNames[13] = {"<Unknown>", "A", "A#", "B",  "C", "C#", "D",
                                   "D#",        "E", "F",  "F#", "G", "G#"};

using EditorControlsByInput = EditorByInput;

TEST_P(EditorControlsByInput, EveryFinishedMoveOfThePitchSliderPlaysItsPitch) {
    Open(Sox("tone22.wav", "-r 22050 -c 1 -b 16"));
    box->record.key = 4; // C
    View().ShowRecord(box->record, 0);
    ShowActive();
    auto* slider = qobject_cast<QSlider*>(View().Control(1137));
    auto* key = qobject_cast<QComboBox*>(View().Control(1116));
    auto* edit = qobject_cast<QLineEdit*>(View().Control(1138));
    ASSERT_NE(slider, nullptr);
    ASSERT_NE(key, nullptr);
    ASSERT_NE(edit, nullptr);
    ASSERT_GE(slider->maximum(), 3);
    ClickAt(slider, HandleCentre(slider)); // takes the focus, moves nothing
    ASSERT_TRUE(slider->hasFocus());
    ASSERT_EQ(slider->value(), 0);
    ASSERT_EQ(key->currentText(), "C");

    auto expectApplied = [&] {
        const int shown = slider->value();
        EXPECT_EQ(box->app.mixer->Pitch(), shown);
        EXPECT_EQ(edit->text(), QString::number(shown));
        EXPECT_EQ(key->currentText(), kKeyNames[((4 + shown + 47) % 12 + 12) % 12 + 1]);
        EXPECT_EQ(box->openMode == PropertyBoxObj::kAtPitch, shown != 0);
    };
    const struct {
        const char* name;
        std::function<void()> move;
    } moves[] = {
        {"Right", [&] { Press(&Frame(), Qt::Key_Right); }},
        {"Page Up", [&] { Press(&Frame(), Qt::Key_PageUp); }},
        {"the wheel towards the user", [&] { Wheel(slider, HandleCentre(slider), -120); }},
        {"a click on the groove at its left end",
         [&] { ClickAt(slider, QPoint(2, slider->height() / 2)); }},
        {"the wheel away from the user", [&] { Wheel(slider, HandleCentre(slider), 120); }},
    };
    for (const auto& m : moves) {
        SCOPED_TRACE(m.name);
        const int before = slider->value();
        m.move();
        ASSERT_NE(slider->value(), before);
        expectApplied();
    }
    // Back to normal pitch by keys alone: the sound follows, and Record may start.
    for (int guard = 0; slider->value() != 0 && guard < 100; ++guard)
        Press(&Frame(), slider->value() > 0 ? Qt::Key_Left : Qt::Key_Right);
    ASSERT_EQ(slider->value(), 0);
    expectApplied();
    Click(View().Control(1305));
    EXPECT_TRUE(seams.boxes.empty()) << seams.boxes.front().text;
    EXPECT_EQ(dialogsRun, 1); // the Record dialog opened (and was cancelled)
}

TEST_P(EditorControlsByInput, TheMixSlidersSetTheVolumesTheyShow) {
    // A tone for half a second, then half a second of silence.
    const std::string path = Sox("half.wav", "-r 8000 -c 1 -b 16", "synth 0.5 sine 440 pad 0 0.5");
    const struct {
        const char* name;
        Qt::Key clipboardKey, waveformKey; // Home: the top, 100 %; End: the bottom, 0 %
        bool heard;                        // the clipboard's tone in the silence after the mix
    } cases[] = {
        {"clipboard 100 %, waveform 0 %", Qt::Key_Home, Qt::Key_End, true},
        {"clipboard 0 %, waveform 100 %", Qt::Key_End, Qt::Key_Home, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Open(path);
        ShowActive();
        const float tone = Peak(*box, 0.1, 0.3);
        ASSERT_GT(tone, 0.5f);
        View().WaveformHost()->setFocus();
        Press(&Frame(), Qt::Key_C, Qt::ControlModifier);
        ASSERT_EQ(Peak(*box, 0.6, 0.8), 0.0f); // the part to mix over
        bool pressed = false;
        answerDialog = [&](QDialog& dialog) {
            if (!ShowDialog(dialog))
                return int(QDialog::Rejected);
            auto* clipboard = dialog.findChild<QSlider*>("1130");
            auto* waveform = dialog.findChild<QSlider*>("1131");
            QPushButton* ok = DialogButton(dialog, QDialogButtonBox::Ok);
            if (clipboard == nullptr || waveform == nullptr || ok == nullptr)
                return int(QDialog::Rejected);
            ClickAt(clipboard, HandleCentre(clipboard));
            Press(&dialog, c.clipboardKey);
            ClickAt(waveform, HandleCentre(waveform));
            Press(&dialog, c.waveformKey);
            // The handle is drawn where the volume label says.
            pressed = (HandleCentre(clipboard).y() < clipboard->height() / 2) ==
                      (c.clipboardKey == Qt::Key_Home);
            ClickCentre(ok);
            return dialog.result();
        };
        Click(View().Control(1086));
        EXPECT_TRUE(pressed);
        const float mixed = Peak(*box, 0.6, 0.8);
        if (c.heard)
            EXPECT_NEAR(mixed, tone, 0.02f);
        else
            EXPECT_EQ(mixed, 0.0f);
        box.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// The pixels of a slider drawn in the colour of its filled part.
int FilledPixels(QSlider* slider) {
    const QImage image = slider->grab().toImage();
    const QColor fill = slider->palette().color(QPalette::Highlight);
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.hsvSaturation() > 60 && std::abs(c.hsvHue() - fill.hsvHue()) < 25)
                ++n;
        }
    return n;
}

TEST_P(EditorControlsByInput, TheMixSlidersFillGrowsWithTheVolume) {
    Open(Tone());
    ShowActive();
    DragSelect(0.2, 0.6);
    Press(&Frame(), Qt::Key_C, Qt::ControlModifier); // Mix becomes possible
    std::vector<std::pair<int, int>> filled; // volume shown, pixels filled
    answerDialog = [&](QDialog& dialog) {
        if (!ShowDialog(dialog))
            return int(QDialog::Rejected);
        auto* slider = dialog.findChild<QSlider*>("1130");
        if (slider == nullptr)
            return int(QDialog::Rejected);
        ClickAt(slider, HandleCentre(slider));
        Press(&dialog, Qt::Key_End); // the bottom, 0 %
        auto volume = [&] {
            auto* mix = static_cast<MixDlg*>(&dialog);
            return 100 - mix->ClipboardSliderValue();
        };
        filled.push_back({volume(), FilledPixels(slider)});
        for (int step = 0; step < 3; ++step) {
            for (int i = 0; i < 3; ++i)
                Press(&dialog, Qt::Key_PageUp);
            filled.push_back({volume(), FilledPixels(slider)});
        }
        Press(&dialog, Qt::Key_Home); // the top, 100 %
        filled.push_back({volume(), FilledPixels(slider)});
        return int(QDialog::Rejected);
    };
    Click(View().Control(1086));
    ASSERT_EQ(filled.size(), 5u);
    EXPECT_EQ(filled.front().first, 0);
    EXPECT_EQ(filled.back().first, 100);
    EXPECT_LT(filled.front().second, filled.back().second / 10); // hardly any fill at 0 %
    for (size_t i = 1; i < filled.size(); ++i) {
        SCOPED_TRACE("at " + std::to_string(filled[i].first) + " %");
        EXPECT_GT(filled[i].first, filled[i - 1].first);
        EXPECT_GT(filled[i].second, filled[i - 1].second);
    }
}

TEST_P(EditorControlsByInput, InsertSilenceOffersTheLastLengthToTheMillisecond) {
    Open(Tone()); // 8000 frames a second
    ShowActive();
    box->app.SetCursor(0.5, 0.0, 0);
    std::vector<QString> offered;
    const char* typed = "0.125";
    answerDialog = [&](QDialog& dialog) {
        if (!ShowDialog(dialog))
            return int(QDialog::Rejected);
        auto* edit = dialog.findChild<QLineEdit*>("1088");
        QPushButton* ok = DialogButton(dialog, QDialogButtonBox::Ok);
        if (edit == nullptr || ok == nullptr)
            return int(QDialog::Rejected);
        offered.push_back(edit->text());
        if (typed != nullptr) {
            ClickCentre(edit);
            Press(&dialog, Qt::Key_A, Qt::ControlModifier);
            for (const char* ch = typed; *ch != 0; ++ch)
                QTest::keyClick(dialog.windowHandle(), *ch);
        }
        ClickCentre(ok);
        return dialog.result();
    };
    const std::int64_t before = Frames(*box);
    Click(View().Control(1045));
    EXPECT_EQ(Frames(*box), before + 1000);
    typed = nullptr; // OK on what it offers
    Click(View().Control(1045));
    ASSERT_EQ(offered.size(), 2u);
    EXPECT_EQ(offered[1], "0:00.125");
    EXPECT_EQ(Frames(*box), before + 2000);
}

TEST_P(EditorControlsByInput, CtrlShiftZRedoesAndAltBackspaceUndoes) {
    Open(Tone());
    ShowActive();
    DragSelect(0.2, 0.6);
    QWidget* wave = View().WaveformHost();
    ASSERT_TRUE(wave->hasFocus());
    const std::int64_t whole = Frames(*box);
    Press(&Frame(), Qt::Key_Delete);
    const std::int64_t cut = Frames(*box);
    ASSERT_LT(cut, whole);
    const struct {
        const char* name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        std::int64_t frames;
    } steps[] = {
        {"Alt+Backspace undoes", Qt::Key_Backspace, Qt::AltModifier, whole},
        {"Ctrl+Y redoes", Qt::Key_Y, Qt::ControlModifier, cut},
        {"Ctrl+Shift+Z with nothing to redo", Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier,
         cut},
        {"Ctrl+Z undoes", Qt::Key_Z, Qt::ControlModifier, whole},
        {"Ctrl+Shift+Z redoes", Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, cut},
        {"Alt+Backspace undoes again", Qt::Key_Backspace, Qt::AltModifier, whole},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.name);
        Press(&Frame(), s.key, s.modifiers);
        EXPECT_EQ(Frames(*box), s.frames);
    }
    // In a text field the key is the field's own: the cut is not redone.
    ClickCentre(View().Control(1110));
    ASSERT_FALSE(wave->hasFocus());
    Press(&Frame(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Frames(*box), whole);
}

TEST_P(EditorControlsByInput, TheVolumeSliderMovedByKeysGivesTheVolumeApplied) {
    Open(Sox("quiet.wav", "-r 8000 -c 1 -b 16", "synth 1 sine 440 vol 0.5"));
    ShowActive();
    const float before = Peak(*box, 0.1, 0.9);
    ASSERT_GT(before, 0.4f);
    int position = -1;
    QString shown;
    answerDialog = [&](QDialog& dialog) {
        if (!ShowDialog(dialog))
            return int(QDialog::Rejected);
        auto* slider = dialog.findChild<QSlider*>("1091");
        auto* edit = dialog.findChild<QLineEdit*>("1421");
        if (slider == nullptr || edit == nullptr)
            return int(QDialog::Rejected);
        ClickAt(slider, HandleCentre(slider)); // at 100 %: takes the focus, moves nothing
        for (int i = 0; i < 3; ++i)
            Press(&dialog, Qt::Key_Right);
        position = slider->value();
        shown = edit->text();
        Press(&dialog, Qt::Key_Return); // OK
        return dialog.result();
    };
    Click(View().Control(1044));
    // Three steps of 2.5 % above 100 %, the fraction dropped.
    EXPECT_EQ(position, 103);
    EXPECT_EQ(shown, "107");
    EXPECT_EQ(View().volumePercent, 107);
    EXPECT_NEAR(Peak(*box, 0.1, 0.9), before * 1.07f, 0.002f);
}

TEST_P(EditorControlsByInput, TabReachesEveryButtonThatCanBePressedAndThenTheWaveform) {
    Open(Tone());
    ShowActive();
    DragSelect(0.2, 0.6);
    Press(&Frame(), Qt::Key_C, Qt::ControlModifier); // Paste and Mix become possible too
    ClickCentre(View().Control(1406));               // the Duration edit, the last field
    ASSERT_TRUE(View().Control(1406)->hasFocus());
    // After the fields, Tab stops at every button that can be pressed, in the row's order,
    // and then at the waveform.
    std::vector<std::string> expected;
    for (int i = 0; i < kEditorButtonCount; ++i)
        if (View().Button(i)->isEnabled())
            expected.push_back(std::to_string(EditorButtonTable[i].control));
    ASSERT_GE(expected.size(), 15u);
    std::map<std::string, QImage> unfocused;
    for (const std::string& id : expected)
        unfocused[id] = View().Control(std::stoi(id))->grab().toImage();
    expected.push_back("waveform");
    for (const std::string& stop : expected) {
        SCOPED_TRACE(stop);
        Press(&Frame(), Qt::Key_Tab);
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        EXPECT_EQ(focus->objectName().toStdString(), stop);
        if (unfocused.count(stop) == 1) { // the button draws its focus
            EXPECT_NE(focus->grab().toImage(), unfocused[stop]);
        }
    }
    // Back by Shift+Tab to the Volume button; Space presses it.
    const auto volume = std::find(expected.begin(), expected.end(), "1044");
    ASSERT_NE(volume, expected.end());
    for (auto it = expected.end() - 1; it != volume; --it)
        Press(&Frame(), Qt::Key_Backtab, Qt::ShiftModifier);
    ASSERT_TRUE(View().Control(1044)->hasFocus());
    Press(&Frame(), Qt::Key_Space);
    EXPECT_EQ(dialogsRun, 1);
}

TEST_P(EditorControlsByInput, EnterOnASliderOrAChoiceGoesOnToTheWaveform) {
    Open(Tone());
    ShowActive();
    for (int id : {1137, 1465, 1294}) { // pitch, threshold, the checked "Effect"
        SCOPED_TRACE(id);
        QWidget* control = View().Control(id);
        if (auto* slider = qobject_cast<QSlider*>(control))
            ClickAt(slider, HandleCentre(slider)); // takes the focus, moves nothing
        else
            ClickCentre(control);
        ASSERT_TRUE(control->hasFocus());
        Press(&Frame(), Qt::Key_Return);
        EXPECT_TRUE(View().WaveformHost()->hasFocus());
    }
    EXPECT_EQ(box->app.mixer->Pitch(), 0.0);
    EXPECT_FALSE(box->modified);
}

TEST_P(EditorControlsByInput, TheWaveformReachedByTabShowsThatItHasTheFocus) {
    Open(Tone());
    ShowActive();
    QWidget* wave = View().WaveformHost();
    ClickCentre(View().Control(1406)); // the last field
    for (int guard = 0; !wave->hasFocus() && guard < 40; ++guard)
        Press(&Frame(), Qt::Key_Tab);
    ASSERT_TRUE(wave->hasFocus());
    const QImage focused = wave->grab().toImage();
    Press(&Frame(), Qt::Key_Backtab, Qt::ShiftModifier);
    ASSERT_FALSE(wave->hasFocus());
    const QImage left = wave->grab().toImage();
    ASSERT_EQ(focused.size(), left.size());
    // The edges of the picture change; the blinking cursor column is left out.
    const int cursor = box->app.waveform->TimeToX(box->app.waveform->cursorTime);
    int edge = 0, changed = 0;
    for (int y = 0; y < focused.height(); ++y)
        for (int x = 0; x < focused.width(); ++x) {
            const bool onEdge = x < 3 || y < 3 || x >= focused.width() - 3 ||
                                y >= focused.height() - 3;
            if (!onEdge || std::abs(x - cursor) <= 1)
                continue;
            ++edge;
            if (focused.pixel(x, y) != left.pixel(x, y))
                ++changed;
        }
    EXPECT_GT(changed, edge / 4) << changed << " of " << edge;
}

TEST_P(EditorControlsByInput, TheToolbarIsReachedByTabAndPressedBySpace) {
    Open(Tone());
    ShowActive();
    ASSERT_TRUE(View().WaveformHost()->hasFocus());
    // From the waveform, the last stop of the form, Tab goes round to the toolbar at the top;
    // "Remove" is off for a file that is not in MyTambrel.
    const struct {
        int command;
        const char* text;
    } stops[] = {{AudioFileFrm::kSave, "Save"},
                 {AudioFileFrm::kSaveAs, "Save As"},
                 {AudioFileFrm::kFields, "Hide Fields "}};
    std::map<int, QImage> unfocused;
    for (const auto& stop : stops)
        unfocused[stop.command] = ToolbarButton(stop.command)->grab().toImage();
    for (const auto& stop : stops) {
        SCOPED_TRACE(stop.text);
        Press(&Frame(), Qt::Key_Tab);
        QWidget* button = ToolbarButton(stop.command);
        EXPECT_EQ(QApplication::focusWidget(), button);
        EXPECT_NE(button->grab().toImage(), unfocused[stop.command]); // drawn with its focus
    }
    Press(&Frame(), Qt::Key_Space);
    EXPECT_FALSE(View().Control(1110)->isVisible());
    EXPECT_EQ(Frame().CommandAction(AudioFileFrm::kFields)->text(), "Show Fields");
    Press(&Frame(), Qt::Key_Backtab, Qt::ShiftModifier);
    ASSERT_EQ(QApplication::focusWidget(), ToolbarButton(AudioFileFrm::kSaveAs));
    Press(&Frame(), Qt::Key_Space);
    ASSERT_EQ(seams.dialogs.size(), 1u); // the save dialog, cancelled
    EXPECT_TRUE(seams.dialogs[0].save);
    AudioFileView::SetGroupVisible(AudioFileView::kFieldsGroup, true);
}

TEST_P(EditorControlsByInput, ATypedPitchLeftWithoutEnterShowsThePitchThatPlays) {
    Open(Sox("tone22.wav", "-r 22050 -c 1 -b 16"));
    ShowActive();
    auto* edit = qobject_cast<QLineEdit*>(View().Control(1138));
    auto* slider = qobject_cast<QSlider*>(View().Control(1137));
    ASSERT_NE(edit, nullptr);
    auto type = [&](const char* text) {
        ClickCentre(edit);
        Press(&Frame(), Qt::Key_A, Qt::ControlModifier);
        for (const char* ch = text; *ch != 0; ++ch)
            QTest::keyClick(Window(), *ch);
    };
    type("5");
    Press(&Frame(), Qt::Key_Return);
    ASSERT_EQ(box->app.mixer->Pitch(), 5.0);
    const struct {
        const char* name;
        std::function<void()> leave;
    } leaves[] = {
        {"Tab", [&] { Press(&Frame(), Qt::Key_Tab); }},
        {"a click on another field", [&] { ClickCentre(View().Control(1110)); }},
    };
    for (const auto& l : leaves) {
        SCOPED_TRACE(l.name);
        type("7");
        l.leave();
        EXPECT_FALSE(edit->hasFocus());
        EXPECT_EQ(box->app.mixer->Pitch(), 5.0);
        EXPECT_EQ(edit->text().toStdString(), "5");
        EXPECT_EQ(slider->value(), 5);
    }
}

TEST_P(EditorControlsByInput, TextTypedIntoTheListBoxesIsSavedAsTyped) {
    // Each typed text begins a longer choice of its box's list.
    const struct {
        const char* name;
        int box;
        const char* typed;
        std::function<std::string(const SoundFileObj&)> stored;
        const char* expected;
    } cases[] = {
        {"Category, beside Household", 1107, "House",
         [](const SoundFileObj& r) { return r.category; }, "House"},
        {"Sub-Category of Animals, beside Monkey", 1055, "Monk",
         [](const SoundFileObj& r) { return r.subcategory; }, "Monk"},
        {"Genre, beside Electronica", 1028, "Electro",
         [](const SoundFileObj& r) { return r.genre; }, "Electro"},
        {"Tempo, beside 120 bpm", 1114, "12",
         [](const SoundFileObj& r) { return std::to_string(r.bpm); }, "12"},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Tone("typed" + std::to_string(n++) + ".wav");
        Open(path);
        ShowActive();
        Click(View().Control(1294)); // Effect
        auto* category = qobject_cast<QComboBox*>(View().Control(1107));
        auto* target = qobject_cast<QComboBox*>(View().Control(c.box));
        ASSERT_NE(category, nullptr);
        ASSERT_NE(target, nullptr);
        // Animals, the first category, chosen from the list by keys: its sub-categories fill
        // the next box.
        ClickCentre(category->lineEdit());
        Press(&Frame(), Qt::Key_Down);
        Press(&Frame(), Qt::Key_Up);
        ASSERT_EQ(category->currentText(), "Animals");
        ASSERT_GE(target->findText(QString(c.typed), Qt::MatchStartsWith), 0);
        ClickCentre(target->lineEdit());
        Press(&Frame(), Qt::Key_A, Qt::ControlModifier);
        for (const char* ch = c.typed; *ch != 0; ++ch)
            QTest::keyClick(Window(), *ch);
        Press(&Frame(), Qt::Key_Tab);
        EXPECT_FALSE(target->lineEdit()->hasFocus());
        EXPECT_EQ(target->currentText().toStdString(), c.typed);
        Press(&Frame(), Qt::Key_S, Qt::ControlModifier);
        EXPECT_TRUE(seams.boxes.empty()) << seams.boxes.front().text;
        SoundFileObj stored;
        ASSERT_TRUE(theCatalogDb->GetFileByPath(path, stored));
        EXPECT_EQ(c.stored(stored), c.expected);
        box.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

INSTANTIATE_TEST_SUITE_P(Catalog, EditorControlsByInput, testing::Values(Engine::SQLite),
                         EngineName);

} // namespace

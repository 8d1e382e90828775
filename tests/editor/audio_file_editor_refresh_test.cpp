// The model's edits as a user meets them: what the display shows afterwards, the waveform's
// own menu, an edit that runs out of memory and a reopen that fails.
#include <QApplication>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

#include "editor/model/audio_file_editor.h"
#include "editor/toolkit/host_window.h"
#include "tests/app/fake_ui_seams.h"
#include "tests/audio/engine/hand_clock_fixture.h"
#include "tests/editor/failing_allocations.h"
#include "tests/editor/menu_answer.h"
#include "tests/support/sox_files.h"

namespace {

constexpr int kRate = 8000;

class MenuEditor : public EP_AudioFileEditor {
public:
    void OnContextCommand(int op) override { commands.push_back(op); }
    std::vector<int> commands;
};

// Every track's samples, to compare a file before and after.
std::vector<std::vector<float>> Samples(const EP_AudioFileEditor& editor) {
    std::vector<std::vector<float>> all;
    for (int t = 0; t < editor.mixer->TrackCount(); ++t) {
        CAP_SampleTrack* track = editor.mixer->Track(t);
        std::vector<float> samples(static_cast<std::size_t>(track->TotalFrames()));
        if (!samples.empty())
            track->ReadFrames(samples.data(), static_cast<int>(samples.size()), 0);
        all.push_back(std::move(samples));
    }
    return all;
}

class EditorRefreshTest : public HandClockTest {
protected:
    ~EditorRefreshTest() override { EP_AudioFileEditor::FreeClipboard(); }

    // A one-second stereo tone (two channels and the mix track) in a host 400 pixels wide.
    void OpenTone(double seconds = 1.0) {
        const std::string path = folder.Path("tone.wav");
        ASSERT_TRUE(RunSox("-n -r " + std::to_string(kRate) + " -c 2 -b 16 " + path + " synth " +
                           std::to_string(seconds) + " sine 440 sine 300"));
        ASSERT_TRUE(editor.Open(path)) << editor.errorText;
        host.resize(400, 200);
        ASSERT_TRUE(editor.Attach(&host, 400, 200, false, 1.0, nullptr, nullptr));
    }
    void Select(double start, double end) { editor.SetCursor(start, end - start, 0); }
    void ExpectAxisFollows() {
        const CGP_MultiTrackDisplayAxis* axis = editor.display->timeAxis;
        EXPECT_DOUBLE_EQ(axis->rangeEnd, editor.GetDuration());
        EXPECT_EQ(axis->width, editor.waveform->width);
        EXPECT_EQ(axis->x, editor.waveform->x);
    }

    TempFolder folder;
    FakeUiSeams seams;
    CGN_Wnd host;
    MenuEditor editor;
};

TEST_F(EditorRefreshTest, WaveformAndTimeAxisFollowEveryChangeOfLength) {
    struct Case {
        const char* name;
        void (*edit)(EP_AudioFileEditor&);
        double duration;
        int width; // the zoom (pixels per second) stays
    };
    const Case cases[] = {
        {"cut half", [](EP_AudioFileEditor& e) { e.SetCursor(0.0, 0.5, 0), e.Cut(); }, 0.5, 800},
        {"delete a quarter", [](EP_AudioFileEditor& e) { e.SetCursor(0.5, 0.25, 0), e.Delete(); },
         0.75, 1200},
        {"insert 2 s of silence", [](EP_AudioFileEditor& e) { e.InsertSilence(2.0); }, 3.0, 4800},
        {"trim to a tenth", [](EP_AudioFileEditor& e) { e.SetCursor(0.2, 0.1, 0), e.Trim(); }, 0.1,
         400},
        {"undo a cut", [](EP_AudioFileEditor& e) { e.SetCursor(0.0, 0.5, 0), e.Cut(), e.Undo(); },
         1.0, 1600},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EP_AudioFileEditor::FreeClipboard();
        editor.Teardown();
        OpenTone();
        editor.ZoomIn();
        editor.ZoomIn();
        ASSERT_EQ(editor.waveform->width, 1600);
        c.edit(editor);
        EXPECT_NEAR(editor.GetDuration(), c.duration, 1e-9);
        EXPECT_EQ(editor.waveform->width, c.width);
        ExpectAxisFollows();
    }
}

TEST_F(EditorRefreshTest, GrowingWhileRecordingKeepsThePixelWidthAndTheAxisFollows) {
    OpenTone();
    editor.SetCursor(0.9, 0.0, 0);
    editor.Record(0.0f, 0.0f);
    ASSERT_EQ(editor.PlayerState(), CAI_AudioPlayer::kRecording);
    editor.Grow();
    EXPECT_NEAR(editor.GetDuration(), 2.0, 1e-9);
    EXPECT_EQ(editor.waveform->width, 400);
    ExpectAxisFollows();
    editor.Stop();
}

TEST_F(EditorRefreshTest, AnEmptiedFileShowsNothingAndStillAnswers) {
    OpenTone();
    editor.SetCursor(0.0, editor.GetDuration(), 0);
    editor.Delete();
    EXPECT_EQ(editor.ShownTrack()->TotalFrames(), 0);
    EXPECT_DOUBLE_EQ(editor.display->timeAxis->rangeEnd, 0.0);
    editor.ZoomIn();
    editor.ZoomOut();
    editor.UpdateInfo();
    QImage image(400, 200, QImage::Format_RGB32);
    host.PaintBuffer(QRect(0, 0, 400, 200));
    EXPECT_FALSE(editor.IsOperationAllowed(kOpPlay));
    EXPECT_TRUE(editor.IsOperationAllowed(kOpUndo));
    editor.Undo();
    EXPECT_EQ(editor.ShownTrack()->TotalFrames(), kRate);
}

TEST_F(EditorRefreshTest, TheWaveformsMenuRunsItsCommandsAndTellsTheOwner) {
    OpenTone();
    // A clipboard at twice the rate: the menu's Paste converts it, as the button does.
    {
        MenuEditor other;
        other.CreateNew(1, 2 * kRate, 0.5);
        ASSERT_TRUE(other.Attach(nullptr, 400, 200, false, 1.0, nullptr, nullptr));
        other.SetCursor(0.0, 0.5, 0);
        other.Copy();
    }
    struct Case {
        int item;
        int op;
        std::int64_t frames; // of the shown track afterwards
    };
    const Case cases[] = {
        {4, kOpDelete, kRate - kRate / 4}, // delete 0.25 s
        {2, kOpPaste, kRate + kRate / 4},  // 0.25 s replaced by 0.5 s at half its rate
        {6, kOpSelectAll, kRate},
        {8, kOpZoomIn, kRate},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        Select(0.25, 0.5);
        editor.commands.clear();
        AnswerMenu(c.item);
        int px = editor.waveform->TimeToX(0.3), py = 20;
        editor.waveform->LocalToWindow(px, py);
        editor.window->OnContextMenu(px, py);
        EXPECT_EQ(editor.commands, std::vector<int>{c.op});
        EXPECT_EQ(editor.ShownTrack()->TotalFrames(), c.frames);
        if (c.op == kOpSelectAll) {
            EXPECT_DOUBLE_EQ(editor.waveform->selectionEnd, editor.GetDuration());
        }
        if (c.op == kOpZoomIn) {
            EXPECT_EQ(editor.waveform->width, 800);
        }
        while (editor.history->CanUndo())
            editor.Undo();
    }
    // Dismissing the menu runs nothing.
    editor.commands.clear();
    AnswerMenu(-1);
    editor.window->OnContextMenu(100, 20);
    EXPECT_TRUE(editor.commands.empty());
}

TEST_F(EditorRefreshTest, AnEditThatRunsOutOfMemoryLeavesTheFileAsItWas) {
    OpenTone(0.5);
    {
        MenuEditor other;
        other.CreateNew(2, 2 * kRate, 0.3);
        ASSERT_TRUE(other.Attach(nullptr, 400, 200, false, 1.0, nullptr, nullptr));
        other.SetCursor(0.0, 0.3, 0);
        other.Copy();
    }
    // An earlier edit stays undoable whatever happens to a later one.
    editor.AdjustVolume(0.5);
    struct Case {
        const char* name;
        void (*edit)(EP_AudioFileEditor&);
    };
    const Case cases[] = {
        {"paste with conversion", [](EP_AudioFileEditor& e) { e.Paste(true); }},
        {"mix", [](EP_AudioFileEditor& e) { e.Mix(true, 50, 50); }},
        {"fade", [](EP_AudioFileEditor& e) { e.Fade(0.0, 1.0); }},
        {"cut", [](EP_AudioFileEditor& e) { e.Cut(); }},
        {"insert silence", [](EP_AudioFileEditor& e) { e.InsertSilence(0.7); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int failures = 0;
        for (std::int64_t n = 0;; n += 1 + n / 8) {
            Select(0.1, 0.3);
            const auto before = Samples(editor);
            const std::size_t undoable = editor.history->undoList.size();
            seams.boxes.clear();
            FailAllocationAfter(n);
            c.edit(editor);
            const bool failed = AllocationFailed();
            FailAllocationAfter(-1);
            if (seams.boxes.empty()) {
                // The edit ran to its end (a failure it could do without, or none): take it
                // back for the next round.
                EXPECT_EQ(editor.history->undoList.size(), undoable + 1);
                editor.Undo();
                EXPECT_EQ(Samples(editor), before);
                if (!failed)
                    break;
                continue;
            }
            ++failures;
            SCOPED_TRACE(n);
            ASSERT_EQ(seams.boxes.size(), 1u);
            EXPECT_EQ(seams.boxes[0].caption, "Not Enough Memory");
            EXPECT_EQ(seams.boxes[0].icon, MessageIcon::Exclamation);
            ASSERT_EQ(Samples(editor), before);
            EXPECT_EQ(editor.history->undoList.size(), undoable);
            EXPECT_NEAR(editor.display->timeAxis->rangeEnd, editor.GetDuration(), 1e-9);
        }
        EXPECT_GT(failures, 3);
    }
    EXPECT_TRUE(editor.history->CanUndo());
}

TEST_F(EditorRefreshTest, AFailedReopenSaysSoAndLeavesNoHalfModel) {
    OpenTone();
    EXPECT_FALSE(editor.Reopen(folder.Path("gone.wav"), nullptr, nullptr));
    EXPECT_EQ(editor.errorText, "Could not reopen target file");
    EXPECT_EQ(editor.window, nullptr);
    EXPECT_EQ(editor.mixer, nullptr);
    for (int op : {kOpPlay, kOpCut, kOpPaste, kOpFade, kOpRecord, kOpFindSimilarSounds})
        EXPECT_FALSE(editor.IsOperationAllowed(op)) << op;
}

} // namespace

#include "editor/model/editor_canvas.h"

#include <gtest/gtest.h>
#include <map>
#include <vector>

#include "audio/general_helpers.h"
#include "editor/model/audio_file_editor.h"
#include "editor/model/editor_sample_mixer.h"
#include "tests/audio/engine/hand_clock_fixture.h"

namespace {

constexpr int kRate = 8000;

class ReportingEditor : public EP_AudioFileEditor {
public:
    void OnInfo(int kind, const std::string& text) override { info[kind] = text; }
    void OnChanged() override { ++changes; }
    std::map<int, std::string> info;
    int changes = 0;
};

class EditorCanvasTest : public HandClockTest {
protected:
    EditorCanvasTest() {
        editor.CreateNew(1, kRate, 1.0);
        EXPECT_TRUE(editor.Attach(nullptr, 400, 200, false, 1.0, nullptr, nullptr));
    }
    ~EditorCanvasTest() override { EP_AudioFileEditor::FreeClipboard(); }
    std::int64_t Frames() const { return editor.mixer->Track(0)->TotalFrames(); }
    // A left click on the waveform at the given time, in window coordinates.
    void ClickAt(double seconds) {
        int px = editor.waveform->TimeToX(seconds), py = 10;
        editor.waveform->LocalToWindow(px, py);
        editor.window->OnButtonDown(px, py, 0, false, false);
        editor.window->OnButtonUp(px, py, 0, false, false);
    }

    ReportingEditor editor;
};

TEST_F(EditorCanvasTest, TheEditorUsesTheCanvasAndItsOwnMixer) {
    EXPECT_NE(dynamic_cast<EP_Window*>(editor.window.get()), nullptr);
    EXPECT_NE(dynamic_cast<EP_SampleMixer*>(editor.mixer.get()), nullptr);
}

TEST_F(EditorCanvasTest, RecordingPastTheEndGrowsTheFileAndTheAxisFollows) {
    editor.SetCursor(0.9, 0.0, 0);
    editor.Record(0.0f, 0.0f);
    ASSERT_EQ(editor.PlayerState(), CAI_AudioPlayer::kRecording);
    devices.Advance(0.5);
    EXPECT_GT(Frames(), 1.4 * kRate);
    editor.window->OnTick();
    EXPECT_EQ(editor.display->timeAxis->rangeEnd, editor.GetDuration());
    EXPECT_EQ(editor.info[EP_AudioFileEditor::kInfoDuration],
              FormatSeconds(editor.GetDuration(), 3));
    EXPECT_NEAR(editor.waveform->cursorTime, editor.player->GetPosition(), 1e-9);
    EXPECT_EQ(editor.info[EP_AudioFileEditor::kInfoCursor],
              FormatSeconds(editor.waveform->cursorTime, 3));

    // The mouse is kept off the waveform while recording.
    editor.window->SetCursorKind(3);
    const double cursor = editor.waveform->cursorTime;
    ClickAt(editor.waveform->XToTime(-editor.waveform->x + 20)); // a visible place
    EXPECT_EQ(editor.waveform->cursorTime, cursor);
    EXPECT_EQ(editor.PlayerState(), CAI_AudioPlayer::kRecording);
    editor.window->OnTick();
    EXPECT_EQ(editor.window->cursorKind, 0);

    // The recording with its growth is taken back in one step.
    editor.Stop();
    editor.Undo();
    EXPECT_EQ(Frames(), kRate);
}

TEST_F(EditorCanvasTest, AWriteFarPastTheEndGrowsUntilItFits) {
    editor.SetCursor(0.5, 0.0, 0);
    editor.Record(0.0f, 0.0f);
    editor.player->Stop();
    const std::vector<float> frames(100, 0.25f);
    const std::int64_t at = 60 * kRate;
    editor.mixer->WriteFrames(frames.data(), 100, at);
    EXPECT_GE(Frames(), at + 100);
    float back[100] = {};
    editor.mixer->ReadFrames(back, 100, at);
    EXPECT_FLOAT_EQ(back[99], 0.25f);
    // All of the growth belongs to the recording's undo step.
    editor.Stop();
    editor.Undo();
    EXPECT_EQ(Frames(), kRate);
}

TEST_F(EditorCanvasTest, PlaybackThatEndsByItselfGoesBackToTheSelectionStart) {
    editor.SetCursor(0.25, 0.25, 0);
    editor.Play();
    ASSERT_EQ(editor.PlayerState(), CAI_AudioPlayer::kPlaying);
    devices.Advance(1.0);
    const int changes = editor.changes;
    editor.window->OnTick();
    EXPECT_EQ(editor.PlayerState(), CAI_AudioPlayer::kIdle);
    EXPECT_EQ(editor.waveform->cursorTime, 0.25);
    EXPECT_EQ(editor.changes, changes + 1);
}

TEST_F(EditorCanvasTest, AClickDuringPlaybackPlaysOnFromTheClickedPlace) {
    for (bool loop : {false, true}) {
        SCOPED_TRACE(loop ? "loop" : "play");
        editor.SetCursor(0.0, 0.0, 0);
        loop ? editor.PlayLoop() : editor.Play();
        devices.Advance(0.1);
        const int changes = editor.changes;
        ClickAt(0.6);
        EXPECT_EQ(editor.PlayerState(), CAI_AudioPlayer::kPlaying);
        EXPECT_EQ(editor.player->IsLooping(), loop);
        EXPECT_NEAR(editor.player->GetPosition(), 0.6, 0.01);
        EXPECT_FALSE(editor.pausedPlay || editor.pausedLoop);
        EXPECT_GT(editor.changes, changes);
        editor.Stop();
    }
}

TEST_F(EditorCanvasTest, ScrollBarMovesTheViewOnlyWhileIdle) {
    editor.ZoomIn();
    editor.ZoomIn();
    editor.window->SetScrollPosition(150, 0);
    EXPECT_EQ(editor.waveform->x, -150);
    EXPECT_EQ(editor.display->timeAxis->x, -150);

    editor.Play();
    editor.window->SetScrollPosition(300, 0);
    EXPECT_EQ(editor.window->horizontalPosition, 300);
    EXPECT_EQ(editor.waveform->x, -150);
    editor.Stop();
}

TEST_F(EditorCanvasTest, TheTimeAxisAndTheWaveformScrollTogether) {
    editor.ZoomIn();
    editor.ZoomIn();
    CGP_MultiTrackDisplayAxis* axis = editor.display->timeAxis;
    axis->Move(-120, axis->y);
    EXPECT_TRUE(editor.window->Notify(CGP_MultiTrackDisplay::kTimeAxisDragged, axis));
    EXPECT_EQ(editor.waveform->x, -120);
    EXPECT_EQ(editor.window->horizontalPosition, 120);

    editor.waveform->Move(-200, editor.waveform->y);
    EXPECT_TRUE(editor.window->Notify(CGP_TrackWaveform::kScrolledEvent, editor.waveform));
    EXPECT_EQ(axis->x, -200);
    EXPECT_EQ(editor.window->horizontalPosition, 200);
    EXPECT_FALSE(editor.window->Notify(99, editor.waveform));
}

} // namespace

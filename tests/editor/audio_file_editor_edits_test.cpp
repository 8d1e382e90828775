#include <cmath>
#include <gtest/gtest.h>
#include <vector>

#include "editor/model/audio_file_editor.h"
#include "tests/audio/engine/hand_clock_fixture.h"

namespace {

constexpr int kRate = 8000;

class EditorEditsTest : public HandClockTest {
protected:
    EditorEditsTest() {
        editor.CreateNew(1, kRate, 1.0);
        EXPECT_TRUE(editor.Attach(nullptr, 400, 200, false, 1.0, nullptr, nullptr));
    }
    ~EditorEditsTest() override { EP_AudioFileEditor::FreeClipboard(); }
    void Select(double start, double end) { editor.SetCursor(start, end - start, 0); }
    std::int64_t Frames() const { return editor.mixer->Track(0)->TotalFrames(); }

    EP_AudioFileEditor editor;
};

TEST_F(EditorEditsTest, CutPasteUndoAndRedoMoveTheSelectionAlong) {
    EXPECT_FALSE(editor.IsOperationAllowed(kOpUndo));
    Select(0.25, 0.5);
    editor.Cut();
    EXPECT_EQ(Frames(), 6000);
    EXPECT_EQ(editor.CursorFrame(), 2000);
    EXPECT_EQ(editor.SelectionFrameCount(false), 0);
    EXPECT_TRUE(editor.IsOperationAllowed(kOpUndo));
    EXPECT_FALSE(editor.IsOperationAllowed(kOpRedo));

    editor.Paste(false); // at the cursor
    EXPECT_EQ(Frames(), 8000);
    EXPECT_EQ(editor.CursorFrame(), 4000);

    editor.Undo();
    EXPECT_EQ(Frames(), 6000);
    editor.Undo();
    EXPECT_EQ(Frames(), 8000);
    // The selection from before the cut is back.
    EXPECT_EQ(editor.SelectionStartFrame(false), 2000);
    EXPECT_EQ(editor.SelectionFrameCount(false), 2000);
    EXPECT_FALSE(editor.history->IsModified());
    EXPECT_TRUE(editor.IsOperationAllowed(kOpRedo));
    editor.Redo();
    EXPECT_EQ(Frames(), 6000);
    EXPECT_EQ(editor.CursorFrame(), 2000);
}

TEST_F(EditorEditsTest, TrimKeepsTheSelectionAndSilenceGoesInAtTheCursor) {
    Select(0.25, 0.5);
    editor.Trim();
    EXPECT_EQ(Frames(), 2000);
    EXPECT_EQ(editor.SelectionFrameCount(false), 2000);
    editor.SetCursor(0.125, 0.0, 0);
    editor.InsertSilence(0.5);
    EXPECT_EQ(Frames(), 6000);
    EXPECT_EQ(editor.CursorFrame(), 5000);
}

TEST_F(EditorEditsTest, RecordingIsOneUndoStepWithItsGrowth) {
    Select(0.5, 0.75);
    editor.Record(0.0f, 0.0f);
    ASSERT_NE(editor.history, nullptr);
    EXPECT_EQ(editor.history->undoList.size(), 1u);
    ASSERT_EQ(editor.history->current->parts.size(), 1u);
    EXPECT_EQ(editor.history->current->parts.front()->start, 4000);
    EXPECT_EQ(editor.history->current->parts.front()->newLength, 2000);
    editor.Stop();
    editor.Grow();
    EXPECT_EQ(Frames(), 16000);
    editor.Undo();
    EXPECT_EQ(Frames(), 8000);
    EXPECT_FALSE(editor.history->CanUndo());
}

} // namespace

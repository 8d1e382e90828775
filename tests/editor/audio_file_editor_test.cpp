#include "editor/model/audio_file_editor.h"

#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <vector>

#include "audio/general_helpers.h"
#include "tests/audio/engine/hand_clock_fixture.h"
#include "tests/support/sox_files.h"

namespace {

constexpr int kRate = 8000;

// Keeps what the model reports, in order.
class RecordingEditor : public EP_AudioFileEditor {
public:
    void OnInfo(int kind, const std::string& text) override {
        kinds.push_back(kind);
        info[kind] = text;
    }
    std::vector<int> kinds;
    std::map<int, std::string> info;
};

class AudioFileEditorTest : public HandClockTest {
protected:
    ~AudioFileEditorTest() override { EP_AudioFileEditor::FreeClipboard(); }

    std::string SoxFile(const std::string& name, int channels, double seconds) {
        const std::string path = folder.Path(name);
        EXPECT_TRUE(RunSox("-n -r " + std::to_string(kRate) + " -c " + std::to_string(channels) +
                           " -b 16 " + path + " synth " + std::to_string(seconds) + " sine 440"));
        return path;
    }
    // A new mono file of the given length shown in a view of the given width.
    void NewFile(double seconds, int width) {
        editor.CreateNew(1, kRate, seconds);
        ASSERT_TRUE(editor.Attach(nullptr, width, 200, false, 1.0, nullptr, nullptr));
    }
    void Select(double start, double end) { editor.SetCursor(start, end - start, 0); }

    TempFolder folder;
    RecordingEditor editor;
};

TEST_F(AudioFileEditorTest, StereoFileShowsItsMixTrackAndReportsItsInformation) {
    const std::string path = SoxFile("tone.wav", 2, 1.0);
    ASSERT_TRUE(editor.Open(path)) << editor.errorText;
    std::vector<std::string> progress;
    auto callback = [](void* user, const char* text, int percent) {
        static_cast<std::vector<std::string>*>(user)->push_back(text + std::to_string(percent));
        return true;
    };
    ASSERT_TRUE(editor.Attach(nullptr, 400, 200, false, 1.0, callback, &progress));
    EXPECT_FALSE(progress.empty());
    ASSERT_EQ(editor.mixer->TrackCount(), 3);
    EXPECT_EQ(editor.shownTrack, 2);
    EXPECT_EQ(editor.waveform->track, editor.mixer->Track(2));
    EXPECT_EQ(editor.waveform->height, 178); // the room above the time axis
    EXPECT_EQ(editor.kinds, (std::vector<int>{1, 4, 3, 2, 6, 8, 9, 10, 5, 7}));
    EXPECT_EQ(editor.info[1], "1:20");
    EXPECT_EQ(editor.info[2], "stereo");
    EXPECT_EQ(editor.info[3], "16-bit");
    EXPECT_EQ(editor.info[4], "8000 Hz");
    EXPECT_EQ(editor.info[5], "Normal");
    EXPECT_EQ(editor.info[7], FormatSeconds(1.0, 3));
    EXPECT_EQ(editor.info[8], "");
    EXPECT_EQ(editor.window->horizontalTotal, 400);
    EXPECT_EQ(editor.window->horizontalLine, 40);

    Select(0.25, 0.5);
    EXPECT_EQ(editor.info[8], FormatSeconds(0.25, 3));
    EXPECT_EQ(editor.info[10], FormatSeconds(0.25, 3));
}

TEST_F(AudioFileEditorTest, OpenFailuresLeaveTheirText) {
    EXPECT_FALSE(editor.Open(folder.Path("missing.wav")));
    EXPECT_EQ(editor.errorText, "Could not open file");
    WriteFileBytes(folder.Path("junk.wav"), std::vector<std::uint8_t>(100, 7));
    EXPECT_FALSE(editor.Open(folder.Path("junk.wav")));
    EXPECT_FALSE(editor.errorText.empty());
}

TEST_F(AudioFileEditorTest, ZoomTextShowsHundredthsOnlyBelowTen) {
    struct Case {
        int width;
        const char* text;
    };
    for (const Case c :
         {Case{3200, "1:2.50"}, Case{645, "1:12"}, Case{2000, "1:4"}, Case{8000, "1:1"}}) {
        SCOPED_TRACE(c.width);
        RecordingEditor one;
        one.CreateNew(1, kRate, 1.0);
        ASSERT_TRUE(one.Attach(nullptr, c.width, 100, false, 1.0, nullptr, nullptr));
        EXPECT_EQ(one.info[1], c.text);
    }
}

TEST_F(AudioFileEditorTest, SelectionBecomesFrames) {
    NewFile(2.0, 500);
    editor.waveform->SetCursor(0.5, 0);
    EXPECT_EQ(editor.SelectionStartFrame(false), 4000);
    EXPECT_EQ(editor.SelectionStartFrame(true), 0);
    EXPECT_EQ(editor.SelectionFrameCount(false), 0);
    EXPECT_EQ(editor.SelectionFrameCount(true), 16000);
    Select(0.25, 1.0);
    EXPECT_EQ(editor.SelectionStartFrame(false), 2000);
    EXPECT_EQ(editor.SelectionFrameCount(false), 6000);
    EXPECT_EQ(editor.CursorFrame(), 2000);
    EXPECT_EQ(editor.GetViewState(), (std::array<std::int32_t, 4>{0, 500, 2000, 6000}));
}

TEST_F(AudioFileEditorTest, OperationsAllowedFollowSelectionZoomAndPlayer) {
    NewFile(1.0, 500);
    struct Case {
        int op;
        bool allowed;
    };
    auto check = [&](const char* when, std::initializer_list<Case> cases) {
        for (const Case& c : cases)
            EXPECT_EQ(editor.IsOperationAllowed(c.op), c.allowed) << when << ", op " << c.op;
    };
    check("no selection", {{kOpCut, false},
                           {kOpCopy, false},
                           {kOpTrim, false},
                           {kOpPaste, false},
                           {kOpZoomIn, true},
                           {kOpZoomOut, false},
                           {kOpPlay, true},
                           {kOpPause, false},
                           {kOpStop, false},
                           {kOpRecord, true},
                           {kOpUndo, false},
                           {kOpSearchForward, false},
                           {kOpShowMatches, true},
                           {kOpSelectAll, true},
                           {kOpAlways, true}});
    Select(0.25, 0.5);
    check("a selection",
          {{kOpCut, true}, {kOpCopy, true}, {kOpDelete, true}, {kOpTrim, true}, {kOpStop, false}});
    editor.waveform->SetCursor(0.4, 0);
    check("the cursor off the selection's start", {{kOpStop, true}});
    Select(0.0, 1.0);
    check("everything selected", {{kOpTrim, false}});
    for (int i = 0; i < 5; ++i)
        editor.ZoomIn();
    EXPECT_EQ(editor.waveform->width, 8000);
    check("a pixel a frame", {{kOpZoomIn, false}, {kOpZoomOut, true}});

    editor.Play();
    check("playing", {{kOpPlay, false},
                      {kOpPause, true},
                      {kOpStop, true},
                      {kOpCopy, false},
                      {kOpRecord, false},
                      {kOpSelectAll, true}});
    editor.Pause();
    check("play paused", {{kOpRecord, false}, {kOpPause, true}, {kOpPlay, true}});
    editor.Stop();
    editor.Record(0, 0);
    check("recording", {{kOpSelectAll, false}, {kOpSearchForward, false}, {kOpPause, true}});
    editor.Pause();
    check("recording paused", {{kOpPlay, false}, {kOpLoop, false}, {kOpRecord, true}});
    editor.Stop();
}

TEST_F(AudioFileEditorTest, ManyChannelsCannotBeRecordedInto) {
    ASSERT_TRUE(editor.Open(SoxFile("three.wav", 3, 0.5))) << editor.errorText;
    ASSERT_TRUE(editor.Attach(nullptr, 300, 100, false, 1.0, nullptr, nullptr));
    EXPECT_FALSE(editor.IsOperationAllowed(kOpRecord));
    EXPECT_TRUE(editor.IsOperationAllowed(kOpPlay));
}

TEST_F(AudioFileEditorTest, PlayRewindsNearTheEndAndASecondPlayStops) {
    NewFile(1.0, 500);
    editor.waveform->SetCursor(0.995, 0);
    editor.Play();
    EXPECT_EQ(editor.PlayerState(), CAI_AudioPlayer::kPlaying);
    EXPECT_EQ(editor.waveform->cursorTime, 0.0);
    EXPECT_FALSE(editor.waveform->cursorShown); // no blinking while playing
    editor.Play();
    EXPECT_EQ(editor.PlayerState(), CAI_AudioPlayer::kIdle);

    Select(0.25, 0.5);
    editor.waveform->SetCursor(0.495, 0);
    editor.Play();
    EXPECT_EQ(editor.waveform->cursorTime, 0.25); // back to the selection's start
    editor.Stop();
}

TEST_F(AudioFileEditorTest, PauseDuringALoopResumesTheLoop) {
    NewFile(1.0, 500);
    Select(0.25, 0.75);
    editor.PlayLoop();
    ASSERT_TRUE(editor.player->IsLooping());
    devices.Advance(0.1);
    editor.Pause();
    EXPECT_TRUE(editor.pausedLoop);
    EXPECT_FALSE(editor.pausedPlay);
    EXPECT_EQ(editor.PlayerState(), CAI_AudioPlayer::kIdle);
    EXPECT_NEAR(editor.waveform->cursorTime, editor.player->GetPosition(), 0.01);
    editor.Pause();
    EXPECT_EQ(editor.PlayerState(), CAI_AudioPlayer::kPlaying);
    EXPECT_TRUE(editor.player->IsLooping());
    EXPECT_FALSE(editor.pausedLoop);

    editor.Stop();
    EXPECT_EQ(editor.waveform->cursorTime, 0.25);
    EXPECT_EQ(editor.info[6], FormatSeconds(0.25, 3));
}

TEST_F(AudioFileEditorTest, AFailedDeviceLeavesTheEditorStopped) {
    NewFile(1.0, 500);
    devices.SetAbsent(true);
    Select(0.25, 0.5);
    editor.waveform->SetCursor(0.3, 0);
    editor.Play();
    EXPECT_EQ(editor.PlayerState(), CAI_AudioPlayer::kIdle);
    EXPECT_EQ(editor.waveform->cursorTime, 0.25);
    EXPECT_TRUE(editor.waveform->cursorShown);
}

TEST_F(AudioFileEditorTest, SearchesStepFromMatchToMatch) {
    NewFile(6.0, 600);
    // Noise with one burst at 1 s and the same burst at 4 s.
    std::vector<float> model(6 * kRate);
    unsigned seed = 7;
    for (float& s : model) {
        seed = seed * 1103515245u + 12345u;
        s = static_cast<float>((seed >> 16) % 2000) / 2000.0f * 0.6f - 0.3f;
    }
    for (int i = 0; i < kRate / 2; ++i)
        model[kRate + i] = model[4 * kRate + i] = static_cast<float>(std::sin(i * 0.35) * 0.7);
    CAP_SampleTrack* track = editor.ShownTrack();
    track->WriteFrames(model.data(), 6 * kRate, 0);
    track->RefreshRange(6 * kRate, 0);
    editor.waveform->Update();

    Select(1.0, 1.5);
    editor.ToggleMatches();
    EXPECT_EQ(editor.waveform->matchThreshold, 70);
    // Matches start on block boundaries: the found place lies on the burst's first block.
    editor.SearchForward();
    EXPECT_EQ(editor.info[0].rfind("Found match (", 0), 0u) << editor.info[0];
    const std::int64_t second = editor.CursorFrame();
    EXPECT_NEAR(second, 4 * kRate, kRate / 10);
    EXPECT_EQ(editor.SelectionFrameCount(false), 0);
    editor.SearchBackward();
    EXPECT_EQ(editor.CursorFrame(), second - 3 * kRate);
    editor.ToggleMatches();
    EXPECT_EQ(editor.waveform->matchThreshold, CGP_TrackWaveform::kNoMatches);
    editor.SearchForward();
    EXPECT_EQ(editor.info[0], "Match not found");
}

TEST_F(AudioFileEditorTest, SavesAndReopensTheSound) {
    ASSERT_TRUE(editor.Open(SoxFile("tone.wav", 1, 0.5))) << editor.errorText;
    ASSERT_TRUE(editor.Attach(nullptr, 300, 100, false, 1.0, nullptr, nullptr));
    const std::string target = folder.Path("saved.wav");
    std::vector<int> percents;
    auto callback = [](void* user, const char*, int percent) {
        static_cast<std::vector<int>*>(user)->push_back(percent);
        return true;
    };
    ASSERT_TRUE(editor.SaveTo(target, 1, kRate, 1, 0, callback, &percents)) << editor.errorText;
    ASSERT_FALSE(percents.empty());
    EXPECT_EQ(percents.back(), 100);
    std::vector<float> before(4000), after(4000);
    editor.mixer->ReadFrames(before.data(), 4000, 0);

    ASSERT_TRUE(editor.Reopen(target, nullptr, nullptr)) << editor.errorText;
    EXPECT_EQ(editor.path, target);
    EXPECT_EQ(editor.window->width, 300);
    ASSERT_EQ(editor.ShownTrack()->TotalFrames(), 4000);
    editor.mixer->ReadFrames(after.data(), 4000, 0);
    for (int i = 0; i < 4000; i += 97)
        EXPECT_NEAR(after[i], before[i], 1.0 / 32768) << i;

    // A save the writer refuses leaves the file that was there.
    const std::vector<std::uint8_t> saved = ReadFileBytes(target);
    EXPECT_FALSE(editor.SaveTo(target, 1, kRate, 99, 0, nullptr, nullptr));
    EXPECT_FALSE(editor.errorText.empty());
    EXPECT_EQ(ReadFileBytes(target), saved);

    // A folder that does not exist takes nothing and says where.
    const std::string nowhere = folder.Path("no/such/folder/x.wav");
    EXPECT_FALSE(editor.SaveTo(nowhere, 1, kRate, 1, 0, nullptr, nullptr));
    EXPECT_EQ(editor.errorText, "Couldn't write to file '" + nowhere + "'");

    // A reopening whose load is stopped is no success, and leaves no half-made model.
    auto stop = [](void*, const char*, int) { return false; };
    EXPECT_FALSE(editor.Reopen(target, stop, nullptr));
    EXPECT_EQ(editor.errorText, "Could not reopen target file");
    EXPECT_EQ(editor.waveform, nullptr);
}

TEST_F(AudioFileEditorTest, TheClipboardIsSharedAndFreed) {
    ASSERT_NE(theSampleClipboard, nullptr);
    CAP_SampleTrack** const shared = theSampleClipboard;
    RecordingEditor other;
    EXPECT_EQ(theSampleClipboard, shared); // one for every editor
    NewFile(1.0, 400);
    EXPECT_FALSE(editor.IsOperationAllowed(kOpPaste));
    theSampleClipboard[0] = new CAP_SampleTrack(kRate);
    EXPECT_TRUE(editor.IsOperationAllowed(kOpPaste));
    EXPECT_TRUE(editor.IsOperationAllowed(kOpMix));
    EP_AudioFileEditor::FreeClipboard();
    EXPECT_EQ(theSampleClipboard[0], nullptr);
}

} // namespace

#include "editor/widgets/multi_track_display.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

#include "tests/editor/click_listener.h"
#include "tests/editor/recording_node.h"

namespace {

constexpr int kRate = 8000;

// A stereo mixer of one second: two channel tracks and the mix-down track.
struct StereoScene {
    RecordingWindow window{600, 400};
    ClickListener root{&window, &window, 0, 0, 600, 400};
    CAP_SampleMixer mixer{2, kRate, true};
    CGP_MultiTrackDisplay* display = nullptr;

    explicit StereoScene(bool withAxes) {
        std::vector<float> frames(2 * kRate);
        for (int i = 0; i < kRate; ++i) {
            frames[2 * i] = static_cast<float>(std::sin(i * 0.3) * 0.8);
            frames[2 * i + 1] = static_cast<float>(std::sin(i * 0.05) * 0.4);
        }
        mixer.WriteFrames(frames.data(), kRate, 0);
        display = new CGP_MultiTrackDisplay(&root, &window, 0, 0, 540, 322, &mixer, withAxes);
    }
    ~StereoScene() { delete display; }
};

TEST(MultiTrackDisplay, StacksShownTracksAboveTheTimeAxis) {
    StereoScene scene(true);
    CGP_MultiTrackDisplay& d = *scene.display;
    ASSERT_EQ(scene.mixer.TrackCount(), 3);
    EXPECT_EQ(d.timeAxis->width, 500); // the visible width beside the 40-pixel axes
    EXPECT_EQ(d.axisHolder->x, 40);
    ASSERT_NE(d.corner, nullptr);
    d.ShowTrack(0, true);
    d.ShowTrack(2, true);
    d.ShowTrack(7, true); // the mixer has no such track
    EXPECT_EQ(d.GetTrackDisplay(7), nullptr);
    EXPECT_EQ(d.trackHeight, 150);
    EXPECT_EQ(d.GetTrackDisplay(0)->y, 0);
    EXPECT_EQ(d.GetTrackDisplay(2)->y, 150);
    EXPECT_EQ(d.tracks->height, 300);
    EXPECT_EQ(d.GetTrackDisplay(2)->axis->width, 40);
    EXPECT_EQ(d.GetWaveform(2)->VisibleWidth(), 500);

    // A taller display stacks its tracks again instead of stretching each by the change.
    d.Resize(540, 422);
    EXPECT_EQ(d.trackHeight, 200);
    EXPECT_EQ(d.GetTrackDisplay(2)->y, 200);
    EXPECT_EQ(d.GetTrackDisplay(2)->height, 200);
    EXPECT_EQ(d.GetWaveform(2)->height, 200);

    d.SetTrackHeight(80, false);
    EXPECT_EQ(d.GetTrackDisplay(2)->y, 80);
    EXPECT_EQ(d.tracks->height, 160);
    d.ShowTrack(0, false);
    EXPECT_EQ(d.GetTrackDisplay(0), nullptr);
    EXPECT_EQ(d.GetTrackDisplay(2)->y, 0);
}

TEST(MultiTrackDisplay, WithoutAxesTheWaveformsFillTheWidth) {
    StereoScene scene(false);
    CGP_MultiTrackDisplay& d = *scene.display;
    EXPECT_EQ(d.corner, nullptr);
    d.ShowTrack(1, true);
    EXPECT_EQ(d.GetTrackDisplay(1)->axis, nullptr);
    EXPECT_EQ(d.GetWaveform(1)->width, 540);
    EXPECT_EQ(d.timeAxis->width, 540);
}

TEST(MultiTrackDisplay, ZoomAndScrollKeepWaveformsAndTimeAxisTogether) {
    StereoScene scene(false);
    CGP_MultiTrackDisplay& d = *scene.display;
    d.ShowTrack(0, true);
    d.ShowTrack(1, true);
    CGP_TrackWaveform* first = d.GetWaveform(0);
    CGP_TrackWaveform* second = d.GetWaveform(1);
    first->SetSelection(0.5, 0.55);
    d.Zoom(4);
    EXPECT_EQ(first->width, 2160);
    EXPECT_EQ(second->width, 2160);
    EXPECT_EQ(second->x, first->x);
    EXPECT_EQ(d.timeAxis->width, 2160);
    EXPECT_EQ(d.timeAxis->x, first->x);

    d.ScrollTo(300);
    EXPECT_EQ(first->x, -300);
    EXPECT_EQ(second->x, -300);
    EXPECT_EQ(d.timeAxis->x, -300);

    d.Zoom(100); // no wider than a pixel per frame
    EXPECT_EQ(first->width, kRate);
    d.Zoom(0.001); // no narrower than the view
    EXPECT_EQ(first->width, 540);
    EXPECT_EQ(d.timeAxis->x, 0);
}

TEST(MultiTrackDisplay, ResizingATrackKeepsItsZoomAndPlace) {
    StereoScene scene(false);
    CGP_MultiTrackDisplay& d = *scene.display;
    d.ShowTrack(0, true);
    d.Zoom(2); // 1080 wide
    d.ScrollTo(270);
    d.Resize(270, 322);
    CGP_TrackWaveform* wave = d.GetWaveform(0);
    EXPECT_EQ(wave->VisibleWidth(), 270);
    EXPECT_EQ(wave->width, 540);
    EXPECT_EQ(wave->x, -135);
    EXPECT_EQ(d.timeAxis->width, 540);
}

TEST(MultiTrackDisplay, KnowsWhichTrackWasClickedAndTicksItsWaveforms) {
    StereoScene scene(false);
    CGP_MultiTrackDisplay& d = *scene.display;
    d.ShowTrack(0, true);
    d.ShowTrack(1, true);
    d.OnButtonDown(100, 200, 0, false, false);
    EXPECT_EQ(d.clickedTrack, 1);
    d.GetWaveform(1)->OnButtonUp(100, 50, 0, false, false);
    d.OnButtonDown(100, 310, 0, false, false); // the time axis
    EXPECT_EQ(d.clickedTrack, -1);
    d.timeAxis->OnButtonUp(100, 5, 0, false, false);

    d.GetWaveform(0)->nextBlink = 0;
    d.OnTick();
    EXPECT_FALSE(d.GetWaveform(0)->caretOn);
}

TEST(MultiTrackDisplay, AHiddenTrackNoLongerHearsItsTrack) {
    StereoScene scene(false);
    CGP_MultiTrackDisplay& d = *scene.display;
    d.ShowTrack(0, true);
    d.ShowTrack(0, false);
    // The deleted waveform must not be called when the track changes.
    std::vector<float> more(800, 0.25f);
    scene.mixer.Track(0)->InsertSamples(more.data(), 800, 0, 1);
    d.ShowTrack(0, true);
    EXPECT_EQ(d.GetWaveform(0)->track->TotalFrames(), kRate + 800);
}

} // namespace

#include "editor/widgets/track_waveform.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <vector>

#include "tests/editor/click_listener.h"
#include "tests/editor/recording_node.h"

namespace {

constexpr int kRate = 8000;
constexpr int kVisible = 100; // the clip's width
constexpr int kHeight = 60;
const QColor kUntouched(Qt::blue);

// A tone whose loudness swells and fades, so that every column differs from its neighbours.
std::vector<float> Swell(int frames) {
    std::vector<float> samples(frames);
    for (int i = 0; i < frames; ++i)
        samples[i] =
            static_cast<float>(std::sin(i * 0.37) * (0.2 + 0.7 * std::fabs(std::sin(i * 0.0011))));
    return samples;
}

QImage Paint(CGP_TrackWaveform& wave) {
    QImage image(kVisible, kHeight, QImage::Format_RGB32);
    image.fill(kUntouched);
    QPainter dc(&image);
    // Column -x of the waveform lands on the image's first column.
    wave.Draw(dc, -wave.x, 0, kVisible, kHeight, wave.x, 0);
    return image;
}

struct Scene {
    RecordingWindow window{400, 200};
    ClickListener clip{&window, &window, 10, 10, kVisible, kHeight};
    CAP_SampleTrack track{kRate};
    CGP_TrackWaveform* wave = nullptr;

    explicit Scene(int frames = 8000, int width = 800) {
        const auto samples = Swell(frames);
        track.InsertSamples(samples.data(), frames, 0, 1);
        MakeWave(width);
    }
    void MakeWave(int width) {
        delete wave;
        wave = new CGP_TrackWaveform(&clip, &window, 0, 0, width, kHeight, &track);
        track.AddViewer(wave);
        wave->InvalidateAll();
        wave->Update();
    }
    ~Scene() { delete wave; }
    // A new waveform of the same width and offset: what the picture must look like.
    QImage Fresh() {
        CGP_Graphic holder(nullptr, nullptr, 0, 0, kVisible, kHeight);
        CGP_TrackWaveform fresh(&holder, nullptr, 0, 0, wave->width, kHeight, &track);
        fresh.x = wave->x;
        fresh.InvalidateAll();
        fresh.Update();
        fresh.cursorX = wave->cursorX;
        fresh.caretOn = wave->caretOn;
        return Paint(fresh);
    }
    std::vector<int> Events() {
        std::vector<int> events;
        for (const auto& report : clip.reports)
            events.push_back(report.first);
        clip.reports.clear();
        return events;
    }
};

TEST(TrackWaveform, ValuesMapOntoRowsOneToHeightLessFour) {
    struct Case {
        float value;
        int row;
    };
    for (const Case c : {Case{1.0f, 1}, Case{-1.0f, 56}, Case{0.0f, 29}, Case{0.5f, 15},
                         Case{2.0f, 1}, Case{-3.0f, 56}}) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(CGP_TrackWaveform::ValueToRow(c.value, kHeight), c.row);
    }
}

TEST(TrackWaveform, ColumnsSpanTheirPeaksInTheBlockColourOrGrey) {
    Scene scene(8000, kVisible);
    std::vector<float> square(8000);
    for (int i = 0; i < 8000; ++i)
        square[i] = i % 2 == 0 ? 1.0f : -1.0f;
    scene.track.WriteFrames(square.data(), 8000, 0);
    scene.track.RefreshRange(8000, 0);
    scene.wave->Update();
    const QColor blockColour = ToQColor(scene.track.FirstBlock()->colour);
    scene.wave->caretOn = false;
    QImage image = Paint(*scene.wave);
    for (int x : {1, 50, 99}) {
        SCOPED_TRACE(x);
        EXPECT_EQ(image.pixelColor(x, 1), blockColour);
        EXPECT_EQ(image.pixelColor(x, kHeight - 4), blockColour);
        EXPECT_EQ(image.pixelColor(x, 0), kUntouched);
        EXPECT_EQ(image.pixelColor(x, kHeight - 3), kUntouched);
    }
    scene.wave->SetColored(false);
    image = Paint(*scene.wave);
    EXPECT_EQ(image.pixelColor(50, 20), QColor(0x80, 0x80, 0x80));
}

TEST(TrackWaveform, NeighbouringColumnsAlwaysTouch) {
    // One frame per column on a ramp: no column overlaps the next by itself.
    Scene scene(kVisible, kVisible);
    std::vector<float> ramp(kVisible);
    for (int i = 0; i < kVisible; ++i)
        ramp[i] = -0.9f + 0.018f * i;
    scene.track.WriteFrames(ramp.data(), kVisible, 0);
    scene.track.RefreshRange(kVisible, 0);
    scene.wave->Update();
    const auto& cache = scene.wave->columnCache;
    for (int c = 0; c + 1 < kVisible; ++c) {
        SCOPED_TRACE(c);
        EXPECT_EQ(cache[c].top, cache[c + 1].bottom); // rows grow downwards
    }
    // The first column is its own left neighbour: its bottom is its own value.
    EXPECT_EQ(cache[0].bottom, CGP_TrackWaveform::ValueToRow(ramp[0], kHeight));
}

TEST(TrackWaveform, ScrollingAndEditsLeaveThePictureAFreshWaveformWouldDraw) {
    Scene scene;
    scene.wave->caretOn = false;
    for (int offset : {-50, -130, -700, -20}) {
        SCOPED_TRACE(offset);
        scene.wave->Move(offset, 0);
        EXPECT_EQ(scene.wave->x, offset);
        EXPECT_EQ(Paint(*scene.wave), scene.Fresh());
    }
    scene.wave->Move(-5000, 0); // limited to the waveform
    EXPECT_EQ(scene.wave->x, kVisible - 800);

    scene.wave->Move(-300, 0);
    const auto inserted = Swell(4000);
    scene.track.InsertSamples(inserted.data(), 4000, 2000, 1);
    scene.wave->Update();
    EXPECT_EQ(scene.wave->width, 1200); // the scale stays
    EXPECT_EQ(Paint(*scene.wave), scene.Fresh());

    // A width pinned to the view changes the scale of every column, changed or not.
    scene.wave->Resize(150, kHeight);
    scene.wave->Move(0, 0);
    scene.track.DeleteSamples(6000, 6000);
    scene.wave->Update();
    EXPECT_EQ(scene.wave->width, kVisible);
    EXPECT_EQ(Paint(*scene.wave), scene.Fresh());

    // Deleting below the visible width pins it to the frames instead.
    scene.track.DeleteSamples(5950, 0);
    scene.wave->Update();
    EXPECT_EQ(scene.wave->width, 50);
    EXPECT_EQ(scene.wave->x, 0);
    EXPECT_EQ(Paint(*scene.wave), scene.Fresh());
}

TEST(TrackWaveform, NeverWiderThanTheTrackHasFrames) {
    Scene scene(300, 1000);
    EXPECT_EQ(scene.wave->width, 300);
    scene.wave->Resize(5000, kHeight);
    EXPECT_EQ(scene.wave->width, 300);
    scene.wave->Resize(150, kHeight);
    EXPECT_EQ(scene.wave->width, 150);
}

TEST(TrackWaveform, ZoomKeepsTheSelectionInView) {
    Scene scene(8000, 800);
    scene.wave->Move(-200, 0);
    scene.wave->SetSelection(0.25, 0.28); // pixels 200..224 of 800
    scene.wave->SetKeepView(true);
    scene.wave->Resize(1600, kHeight);
    EXPECT_EQ(scene.wave->x, -(400 - kVisible / 10)); // its start a tenth from the left

    scene.wave->SetSelection(0.25, 0.30);
    scene.wave->Resize(3200, kHeight); // 800..960: too wide for a tenth, centred
    EXPECT_EQ(scene.wave->x, -((800 + 960) / 2 - kVisible / 2));

    scene.wave->SetSelection(0.0, 0.0);
    scene.wave->cursorTime = 0.9; // out of view: the centre stays the centre
    const double centre = scene.wave->XToTime(-scene.wave->x + kVisible / 2);
    scene.wave->Resize(1600, kHeight);
    EXPECT_NEAR(scene.wave->XToTime(-scene.wave->x + kVisible / 2), centre, 0.001);
}

TEST(TrackWaveform, EnsureVisibleScrollsByMode) {
    struct Case {
        int mode;
        int cursor;
        int offset; // the offset afterwards, from 0
    };
    const Case cases[] = {
        {0, 500, 0}, {1, 500, -(500 - 99)}, {2, 500, -(500 - 89)}, {1, 0, 0}, {2, 5, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " at " << c.cursor);
        Scene scene;
        const bool still = scene.wave->EnsureVisible(c.cursor, c.mode);
        EXPECT_EQ(scene.wave->x, c.offset);
        EXPECT_EQ(still, c.offset == 0);
        EXPECT_EQ(scene.Events(), c.offset == 0 ? std::vector<int>{} : std::vector<int>{4});
    }
}

TEST(TrackWaveform, PlaybackTurnsPagesWithAGrowingMargin) {
    Scene scene;
    int margin = kVisible / 10;
    for (int turn = 0; turn < 60; ++turn) {
        const int view = -scene.wave->x;
        const int px = view + kVisible - margin + 5; // past the right margin
        scene.wave->SetCursor(scene.wave->XToTime(px), 3);
        ASSERT_EQ(-scene.wave->x, scene.wave->cursorX - (kVisible - 1 - margin)) << turn;
        margin = std::min(margin + 1, kVisible / 2);
        ASSERT_EQ(scene.wave->followMargin, margin);
    }
    EXPECT_EQ(margin, kVisible / 2);
}

TEST(TrackWaveform, ClickMovesTheCursorAndLeavesNoSelection) {
    Scene scene;
    scene.wave->OnButtonDown(40, 5, 0, false, false);
    EXPECT_EQ(scene.window.captureNode, scene.wave);
    scene.wave->OnMouseMove(42, 5, 0); // 2 pixels: still a click
    scene.wave->OnButtonUp(42, 5, 0, false, false);
    EXPECT_EQ(scene.window.captureNode, nullptr);
    EXPECT_EQ(scene.wave->cursorX, 40);
    EXPECT_EQ(scene.wave->selectionStart, scene.wave->selectionEnd);
    EXPECT_EQ(scene.Events(), (std::vector<int>{2, 2, 3}));
}

TEST(TrackWaveform, DragsSelectGrabEdgesAndExtendWithShift) {
    Scene scene;
    CGP_TrackWaveform& wave = *scene.wave;
    wave.OnButtonDown(60, 5, 0, false, false);
    wave.OnMouseMove(20, 5, 0);
    wave.OnButtonUp(20, 5, 0, false, false);
    EXPECT_EQ(wave.TimeToX(wave.selectionStart), 20);
    EXPECT_EQ(wave.TimeToX(wave.selectionEnd), 60);
    EXPECT_TRUE(wave.draggedLeftwards);
    EXPECT_EQ(wave.cursorX, 20); // the cursor goes to the start

    wave.OnMouseMove(62, 5, 0); // near an edge: the sizing cursor
    EXPECT_EQ(scene.window.cursorKind, 3);
    wave.OnButtonDown(62, 5, 0, false, false); // grabs the end; the start stays
    wave.OnMouseMove(80, 5, 0);
    wave.OnButtonUp(80, 5, 0, false, false);
    EXPECT_EQ(wave.TimeToX(wave.selectionStart), 20);
    EXPECT_EQ(wave.TimeToX(wave.selectionEnd), 80);

    wave.OnButtonDown(10, 5, 0, false, true); // shift, left of the middle: the end stays
    wave.OnButtonUp(10, 5, 0, false, true);
    EXPECT_EQ(wave.TimeToX(wave.selectionStart), 10);
    EXPECT_EQ(wave.TimeToX(wave.selectionEnd), 80);

    scene.Events();
    wave.OnButtonDown(50, 5, 0, true, false); // ctrl: the cursor alone, silently
    wave.OnMouseMove(55, 5, 0);
    wave.OnButtonUp(55, 5, 0, true, false);
    EXPECT_EQ(wave.cursorX, 55);
    EXPECT_EQ(wave.TimeToX(wave.selectionStart), 10);
    EXPECT_TRUE(scene.Events().empty());
    EXPECT_EQ(scene.window.captureNode, nullptr);
}

TEST(TrackWaveform, DraggingPastTheRightEdgeKeepsScrolling) {
    Scene scene;
    CGP_TrackWaveform& wave = *scene.wave;
    wave.OnButtonDown(50, 5, 0, false, false);
    wave.OnMouseMove(99, 5, 3); // right of the clip
    EXPECT_EQ(wave.autoScrollSpeed, -500);
    for (int tick = 1; tick <= 5; ++tick) {
        wave.OnMouseMove(99, 5, 3); // the same side: nothing else happens
        wave.OnTick();
        ASSERT_EQ(wave.x, -10 * tick);
        ASSERT_EQ(wave.TimeToX(wave.selectionEnd), -wave.x + kVisible - 1);
    }
    EXPECT_EQ(wave.TimeToX(wave.selectionStart), 50);
    const std::vector<int> events = scene.Events();
    EXPECT_EQ(std::count(events.begin(), events.end(), 4), 5); // the axis must follow
    wave.OnMouseMove(120, 5, 0);                               // back inside: scrolling stops
    wave.OnTick();
    EXPECT_EQ(wave.x, -50);
    wave.OnButtonUp(120, 5, 0, false, false);
    EXPECT_EQ(wave.TimeToX(wave.selectionEnd), 120);
}

TEST(TrackWaveform, CursorIsWhiteInsideTheSelectionAndBlinks) {
    Scene scene;
    CGP_TrackWaveform& wave = *scene.wave;
    wave.SetSelection(wave.XToTime(20), wave.XToTime(60));
    wave.SetCursor(wave.XToTime(30), 0);
    wave.caretOn = true;
    EXPECT_EQ(Paint(wave).pixelColor(30, 0), QColor(Qt::white));
    EXPECT_EQ(Paint(wave).pixelColor(29, 0), QColor(Qt::black)); // the selection band
    wave.SetCursor(wave.XToTime(70), 0);
    EXPECT_EQ(Paint(wave).pixelColor(70, 0), QColor(Qt::black));
    EXPECT_EQ(Paint(wave).pixelColor(70, 0), QColor(Qt::black));

    wave.nextBlink = 0;
    wave.OnTick();
    EXPECT_FALSE(wave.caretOn);
    EXPECT_EQ(Paint(wave).pixelColor(70, 0), kUntouched);
    EXPECT_GT(wave.nextBlink, CGP_TrackWaveform::ProcessClockMs());
    wave.MoveByPixel(false); // any cursor key brings the caret back
    EXPECT_TRUE(wave.caretOn);
}

TEST(TrackWaveform, MoveByPixelStepsTheCursorOrTheMovingEdge) {
    Scene scene;
    CGP_TrackWaveform& wave = *scene.wave;
    wave.SetCursor(wave.XToTime(30), 0);
    wave.MoveByPixel(true);
    EXPECT_EQ(wave.cursorX, 29);
    EXPECT_EQ(wave.selectionStart, wave.selectionEnd);
    wave.SetSelection(wave.XToTime(20), wave.XToTime(60));
    wave.draggedLeftwards = false;
    wave.MoveByPixel(false);
    EXPECT_EQ(wave.TimeToX(wave.selectionEnd), 61);
    wave.draggedLeftwards = true;
    wave.MoveByPixel(true);
    EXPECT_EQ(wave.TimeToX(wave.selectionStart), 19);
}

TEST(TrackWaveform, MatchMarksFollowTheThreshold) {
    // A burst repeated later in noise: ranking the first marks both.
    Scene scene(60000, 750); // 80 frames a pixel
    std::mt19937 random(3);
    std::uniform_real_distribution<float> noise(-0.3f, 0.3f);
    std::vector<float> model(60000);
    for (float& s : model)
        s = noise(random);
    for (int i = 0; i < 4000; ++i)
        model[8000 + i] = model[40000 + i] = static_cast<float>(std::sin(i * 0.35) * 0.7);
    scene.track.WriteFrames(model.data(), 60000, 0);
    scene.track.RefreshRange(60000, 0);
    scene.track.RankSimilarBlocks(4000, 8000);
    scene.wave->Update();
    CGP_TrackWaveform& wave = *scene.wave;
    wave.caretOn = false;
    const QColor red(255, 0, 0), azure(0, 128, 255);
    auto marked = [&](int offset, const QColor& colour) {
        wave.Move(offset, 0);
        const QImage image = Paint(wave);
        int count = 0;
        for (int c = 0; c < kVisible; ++c)
            if (image.pixelColor(c, 0) == colour && image.pixelColor(c, kHeight - 1) == colour)
                ++count;
        return count;
    };
    // The burst at 8000 lies at pixels 100..150, the one at 40000 at 500..550.
    EXPECT_EQ(marked(-80, red), 0); // no marks by default
    wave.SetMatchThreshold(100);
    EXPECT_GT(marked(-80, red), 40);
    EXPECT_EQ(marked(-80, azure), 0);
    EXPECT_GT(marked(-480, azure), 40);
    const QImage image = Paint(wave);
    EXPECT_EQ(image.pixelColor(20, 7), azure); // the tick at the run's start
    EXPECT_NE(image.pixelColor(25, 7), azure);
    wave.SetMatchThreshold(101);
    EXPECT_EQ(marked(-480, azure), 0);
}

} // namespace

// The editor's view of a sound: up to 32 track views stacked above a time axis. A track view
// is an optional amplitude axis beside a clip that holds the track's waveform; all waveforms
// share one zoom and one scroll offset, which the time axis follows.
#pragma once

#include "audio/engine/sample_mixer.h"
#include "editor/toolkit/graphic.h"
#include "editor/widgets/axis_bar.h"
#include "editor/widgets/textbox.h"
#include "editor/widgets/track_waveform.h"

class CGP_TrackDisplay : public CGP_Graphic {
public:
    // axisWidth 0 leaves the amplitude axis out. The waveform is registered with the track
    // and filled at once.
    CGP_TrackDisplay(CGP_Graphic* parent, CGI_Window* window, int x, int y, int width, int height,
                     int axisWidth, CAP_SampleTrack* track);
    ~CGP_TrackDisplay() override;

    // Keeps the zoom and the scroll position as fractions of the waveform.
    void Resize(int newWidth, int newHeight) override;

    CGP_TrackDisplayAxis* axis = nullptr; // children of this node
    CGP_Graphic* clip = nullptr;
    CGP_TrackWaveform* waveform = nullptr;
};

class CGP_MultiTrackDisplay : public CGP_Graphic {
public:
    static constexpr int kMaxTracks = CAP_SampleMixer::kMaxTracks;
    static constexpr int kTimeAxisHeight = 22;
    static constexpr int kAxisWidth = 40;
    // Sent up when the time axis was dragged.
    static constexpr int kTimeAxisDragged = 5;

    // No track is shown until ShowTrack. The mixer must outlive the display.
    CGP_MultiTrackDisplay(CGP_Graphic* parent, CGI_Window* window, int x, int y, int width,
                          int height, CAP_SampleMixer* mixer, bool withAxes = false);
    ~CGP_MultiTrackDisplay() override;

    void ShowTrack(int index, bool on);
    void SetTrackHeight(int newHeight, bool automatic);
    void Zoom(double factor);
    void ScrollTo(int offset);
    CGP_TrackDisplay* GetTrackDisplay(int index) const;
    CGP_TrackWaveform* GetWaveform(int index) const;
    // After the samples changed: every waveform takes in its track's change and the time
    // axis spans the mixer's new duration at the widest waveform's width.
    void FollowTracks();

    void Resize(int newWidth, int newHeight) override;
    void OnTick() override;
    void OnButtonDown(int px, int py, int button, bool ctrl, bool shift) override;

    CAP_SampleMixer* mixer; // not owned
    CGP_TrackDisplay* trackDisplays[kMaxTracks] = {};
    CGP_Graphic* clip = nullptr; // the nodes below are children of this display
    CGP_Graphic* tracks = nullptr;
    CGP_Textbox* corner = nullptr; // only with axes
    CGP_Graphic* axisHolder = nullptr;
    CGP_MultiTrackDisplayAxis* timeAxis = nullptr;
    int clickedTrack = -1;
    int trackAreaHeight = 0;
    bool automaticTrackHeight = true;
    int trackHeight = 0;
    int axisWidth = 0;

private:
    void Layout();
    // The time axis takes the widest waveform's width and the common offset.
    void FitTimeAxis();
};

#include "editor/widgets/multi_track_display.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "app/drawing.h"

namespace {
constexpr ColorRef kBlack = 0x000000;
} // namespace

CGP_TrackDisplay::CGP_TrackDisplay(CGP_Graphic* parentNode, CGI_Window* ownerWindow, int px, int py,
                                   int w, int h, int axisWidth, CAP_SampleTrack* sampleTrack)
    : CGP_Graphic(parentNode, ownerWindow, px, py, w, h) {
    if (axisWidth >= 1) {
        axis = new CGP_TrackDisplayAxis(this, ownerWindow, 0, 0, axisWidth, h, false);
        axis->SetAnchors(true, true, false, true);
        axis->SetRange(-32767, 32767, 0);
        axis->SetTicks(10000, 5000, false);
        axis->SetLabelFormat(0, 0);
        axis->SetColors(kBlack, GetButtonFaceColor());
    }
    const int clipX = std::max(axisWidth, 0);
    clip = new CGP_Graphic(this, ownerWindow, clipX, 0, w - clipX, h);
    clip->SetAnchors(true, true, true, true);
    waveform = new CGP_TrackWaveform(clip, ownerWindow, 0, 0, w - clipX, h, sampleTrack);
    waveform->SetAnchors(true, true, false, true);
    waveform->SetWantsTicks(true);
    if (sampleTrack != nullptr)
        sampleTrack->AddViewer(waveform);
    waveform->InvalidateAll();
    waveform->Update();
}

CGP_TrackDisplay::~CGP_TrackDisplay() {
    DeleteChildren();
}

void CGP_TrackDisplay::Resize(int newWidth, int newHeight) {
    const double ratio =
        std::max(1.0, static_cast<double>(waveform->width) / std::max(clip->width, 1));
    const double fraction =
        waveform->width > 0 ? static_cast<double>(waveform->x) / waveform->width : 0.0;
    CGP_Graphic::Resize(newWidth, newHeight);
    const std::int64_t frames = waveform->track != nullptr ? waveform->track->TotalFrames() : 0;
    const double wanted =
        std::min<double>(std::lround(clip->width * ratio), std::numeric_limits<int>::max());
    waveform->Resize(static_cast<int>(std::min<double>(static_cast<double>(frames), wanted)),
                     waveform->height);
    waveform->Move(static_cast<int>(std::lround(fraction * waveform->width)), waveform->y);
}

CGP_MultiTrackDisplay::CGP_MultiTrackDisplay(CGP_Graphic* parentNode, CGI_Window* ownerWindow,
                                             int px, int py, int w, int h,
                                             CAP_SampleMixer* sampleMixer, bool withAxes)
    : CGP_Graphic(parentNode, ownerWindow, px, py, w, h), mixer(sampleMixer),
      trackHeight(h - kTimeAxisHeight), axisWidth(withAxes ? kAxisWidth : 0) {
    clip = new CGP_Graphic(this, ownerWindow, 0, 0, w, h - kTimeAxisHeight);
    clip->SetAnchors(true, true, true, true);
    tracks = new CGP_Graphic(clip, ownerWindow, 0, 0, w, 0);
    tracks->SetAnchors(true, true, true, false);
    if (withAxes) {
        corner =
            new CGP_Textbox(this, ownerWindow, 0, h - kTimeAxisHeight, axisWidth, kTimeAxisHeight);
        corner->SetAnchors(true, false, false, true);
        corner->SetFont("Arial", 8, false, false, false);
        corner->SetColors(kBlack, GetButtonFaceColor(), kBlack);
        corner->SetText("");
    }
    axisHolder = new CGP_Graphic(this, ownerWindow, axisWidth, h - kTimeAxisHeight, w - axisWidth,
                                 kTimeAxisHeight);
    axisHolder->SetAnchors(true, false, true, true);
    const double duration = mixer != nullptr ? mixer->duration : 0.0;
    const double frames = mixer != nullptr ? std::lround(mixer->rate * duration) : 0.0;
    const int axisLength = static_cast<int>(std::min<double>(frames, w - axisWidth));
    timeAxis = new CGP_MultiTrackDisplayAxis(axisHolder, ownerWindow, 0, 0, axisLength,
                                             kTimeAxisHeight, true);
    timeAxis->SetAnchors(true, true, false, true);
    timeAxis->SetRange(0, duration, 0);
    timeAxis->SetTicks(10, 1, true);
    timeAxis->SetLabelFormat(1, 0);
    timeAxis->SetColors(kBlack, GetButtonFaceColor());
    timeAxis->SetDraggable(true);
    timeAxis->SetWantsTicks(true);
    Layout();
}

CGP_MultiTrackDisplay::~CGP_MultiTrackDisplay() {
    DeleteChildren();
}

CGP_TrackDisplay* CGP_MultiTrackDisplay::GetTrackDisplay(int index) const {
    return index >= 0 && index < kMaxTracks ? trackDisplays[index] : nullptr;
}

CGP_TrackWaveform* CGP_MultiTrackDisplay::GetWaveform(int index) const {
    CGP_TrackDisplay* display = GetTrackDisplay(index);
    return display != nullptr ? display->waveform : nullptr;
}

void CGP_MultiTrackDisplay::ShowTrack(int index, bool on) {
    if (index < 0 || index >= kMaxTracks)
        return;
    CGP_TrackDisplay*& slot = trackDisplays[index];
    if (on && slot == nullptr) {
        CAP_SampleTrack* track = mixer != nullptr ? mixer->Track(index) : nullptr;
        // A track the mixer does not have cannot be shown.
        if (track == nullptr)
            return;
        slot = new CGP_TrackDisplay(tracks, window, 0, 0, tracks->width, trackHeight, axisWidth,
                                    track);
        slot->SetAnchors(true, true, true, true);
    } else if (!on && slot != nullptr) {
        slot->Redraw();
        delete slot;
        slot = nullptr;
    }
    Layout();
}

void CGP_MultiTrackDisplay::SetTrackHeight(int newHeight, bool automatic) {
    trackHeight = newHeight;
    automaticTrackHeight = automatic;
    Layout();
}

void CGP_MultiTrackDisplay::Layout() {
    trackAreaHeight = height - kTimeAxisHeight;
    int shown = 0;
    for (CGP_TrackDisplay* display : trackDisplays)
        if (display != nullptr)
            ++shown;
    if (automaticTrackHeight)
        trackHeight = std::max(trackAreaHeight / std::max(shown, 1), 1);
    tracks->SetAnchors(true, true, true, automaticTrackHeight);
    int top = 0;
    for (CGP_TrackDisplay* display : trackDisplays) {
        if (display == nullptr)
            continue;
        if (display->y != top)
            display->Move(0, top);
        if (display->width != tracks->width || display->height != trackHeight)
            display->Resize(tracks->width, trackHeight);
        top += trackHeight;
    }
    // Resize would lay the displays out again by their anchors: set the height directly.
    tracks->Redraw();
    tracks->height = top;
    tracks->Redraw();
}

void CGP_MultiTrackDisplay::FollowTracks() {
    for (CGP_TrackDisplay* display : trackDisplays)
        if (display != nullptr)
            display->waveform->Update();
    if (timeAxis == nullptr)
        return;
    const double duration = mixer != nullptr ? mixer->duration : 0.0;
    timeAxis->SetRange(0, duration, timeAxis->tickOffset);
    FitTimeAxis();
    timeAxis->Redraw();
}

void CGP_MultiTrackDisplay::FitTimeAxis() {
    int widest = 0, offset = 0;
    for (CGP_TrackDisplay* display : trackDisplays) {
        if (display == nullptr)
            continue;
        widest = std::max(widest, display->waveform->width);
        offset = display->waveform->x;
    }
    if (widest == 0)
        return;
    if (timeAxis->width != widest)
        timeAxis->Resize(widest, timeAxis->height);
    if (timeAxis->x != offset)
        timeAxis->Move(offset, timeAxis->y);
}

void CGP_MultiTrackDisplay::Zoom(double factor) {
    int offset = 0;
    bool any = false;
    for (CGP_TrackDisplay* display : trackDisplays) {
        if (display == nullptr)
            continue;
        CGP_TrackWaveform* wave = display->waveform;
        const double wanted =
            std::min<double>(std::lround(wave->width * factor), std::numeric_limits<int>::max());
        wave->SetKeepView(true);
        wave->Resize(std::max(wave->VisibleWidth(), static_cast<int>(wanted)), wave->height);
        wave->SetKeepView(false);
        offset = wave->x;
        any = true;
    }
    if (!any)
        return;
    for (CGP_TrackDisplay* display : trackDisplays)
        if (display != nullptr)
            display->waveform->Move(offset, display->waveform->y);
    FitTimeAxis();
}

void CGP_MultiTrackDisplay::ScrollTo(int offset) {
    for (CGP_TrackDisplay* display : trackDisplays) {
        if (display == nullptr)
            continue;
        display->waveform->RestartBlink();
        display->waveform->Move(-offset, display->waveform->y);
    }
    FitTimeAxis();
}

void CGP_MultiTrackDisplay::Resize(int newWidth, int newHeight) {
    CGP_Graphic::Resize(newWidth, newHeight);
    // The anchors stretch every stacked display by the whole change: stack them again.
    Layout();
    FitTimeAxis();
}

void CGP_MultiTrackDisplay::OnTick() {
    for (CGP_TrackDisplay* display : trackDisplays)
        if (display != nullptr)
            display->waveform->OnTick();
}

void CGP_MultiTrackDisplay::OnButtonDown(int px, int py, int button, bool ctrl, bool shift) {
    CGP_Graphic::OnButtonDown(px, py, button, ctrl, shift);
    clickedTrack = -1;
    for (CGP_Graphic* node = FindDeepestChildAt(px, py); node != nullptr && node != this;
         node = node->parent)
        for (int i = 0; i < kMaxTracks; ++i)
            if (trackDisplays[i] == node) {
                clickedTrack = i;
                return;
            }
}

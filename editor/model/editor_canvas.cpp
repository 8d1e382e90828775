#include "editor/model/editor_canvas.h"

#include "audio/general_helpers.h"
#include "editor/model/audio_file_editor.h"

EP_Window::EP_Window(CGN_Wnd* hostWindow, int width, int height, EP_AudioFileEditor* editorIn)
    : CGI_Window(hostWindow, width, height), editor(editorIn) {}

bool EP_Window::Recording() const {
    return editor != nullptr && editor->PlayerState() == CAI_AudioPlayer::kRecording;
}

bool EP_Window::PlayingOrRecording() const {
    const int state = editor != nullptr ? editor->PlayerState() : CAI_AudioPlayer::kIdle;
    return state == CAI_AudioPlayer::kPlaying || state == CAI_AudioPlayer::kRecording;
}

void EP_Window::OnTick() {
    CGI_Window::OnTick();
    if (editor == nullptr || editor->player == nullptr || editor->waveform == nullptr ||
        editor->history == nullptr)
        return;
    CAI_AudioPlayer& player = *editor->player;
    CGP_TrackWaveform& waveform = *editor->waveform;
    const int before = player.GetState();
    player.StopIfFinished();
    const int state = player.GetState();
    if (before != CAI_AudioPlayer::kIdle && state == CAI_AudioPlayer::kIdle) {
        editor->Stop();
        editor->OnChanged();
    }
    if (state == CAI_AudioPlayer::kRecording) {
        const double duration = editor->GetDuration();
        CGP_MultiTrackDisplay* display = editor->display;
        if (display != nullptr && display->timeAxis != nullptr &&
            duration > display->timeAxis->rangeEnd) {
            display->timeAxis->SetRange(0, duration, display->timeAxis->tickOffset);
            display->timeAxis->Redraw();
            editor->OnInfo(EP_AudioFileEditor::kInfoDuration, FormatSeconds(duration, 3));
        }
        waveform.Update();
    }
    if (state == CAI_AudioPlayer::kPlaying || state == CAI_AudioPlayer::kRecording) {
        waveform.SetCursor(player.GetPosition(), 3);
        editor->OnInfo(EP_AudioFileEditor::kInfoCursor, FormatSeconds(waveform.cursorTime, 3));
        if (cursorKind != 0)
            SetCursorKind(0);
    }
}

bool EP_Window::Notify(int event, CGP_Graphic* sender) {
    if (editor == nullptr)
        return false;
    CGP_TrackWaveform* const waveform = editor->waveform;
    CGP_MultiTrackDisplay* const display = editor->display;
    switch (event) {
    case 0:
        editor->ShowContextMenu();
        return false;
    case CGP_TrackWaveform::kCursorOrSelectionEvent:
        editor->UpdateInfo();
        return true;
    case CGP_TrackWaveform::kDragReleasedEvent:
        editor->pausedPlay = false;
        editor->pausedRecord = false;
        if (editor->matchMode && editor->SelectionFrameCount(false) >= 1) {
            if (CAP_SampleTrack* track = editor->ShownTrack())
                track->RankSimilarBlocks(editor->SelectionFrameCount(false),
                                         editor->SelectionStartFrame(false));
            if (waveform != nullptr)
                waveform->Redraw();
        }
        editor->UpdateInfo();
        return true;
    case CGP_TrackWaveform::kScrolledEvent:
        if (display != nullptr && display->timeAxis != nullptr && waveform != nullptr)
            display->timeAxis->Move(waveform->x, display->timeAxis->y);
        editor->UpdateScrollBars();
        return true;
    case CGP_MultiTrackDisplay::kTimeAxisDragged:
        if (display != nullptr && display->timeAxis != nullptr)
            display->ScrollTo(-display->timeAxis->x);
        editor->UpdateScrollBars();
        return true;
    default:
        return false;
    }
}

void EP_Window::OnButtonDown(int px, int py, int button, bool ctrl, bool shift) {
    if (!Recording())
        CGI_Window::OnButtonDown(px, py, button, ctrl, shift);
}

void EP_Window::OnMouseMove(int px, int py, int outcode) {
    if (!Recording())
        CGI_Window::OnMouseMove(px, py, outcode);
}

void EP_Window::OnButtonUp(int px, int py, int button, bool ctrl, bool shift) {
    if (editor == nullptr) {
        CGI_Window::OnButtonUp(px, py, button, ctrl, shift);
        return;
    }
    if (Recording())
        return;
    const bool wasPlaying = editor->PlayerState() == CAI_AudioPlayer::kPlaying;
    const bool looping = wasPlaying && editor->player->IsLooping();
    if (wasPlaying)
        editor->Pause(); // the cursor goes to where playback was
    CGI_Window::OnButtonUp(px, py, button, ctrl, shift);
    if (wasPlaying) {
        if (looping)
            editor->PlayLoop();
        else
            editor->Play();
    }
    editor->OnChanged();
}

void EP_Window::Resize(int newWidth, int newHeight) {
    CGI_Window::Resize(newWidth, newHeight);
    if (editor == nullptr)
        return;
    editor->UpdateScrollBars();
    editor->UpdateInfo();
}

void EP_Window::SetScrollPosition(int horizontalPositionIn, int verticalPositionIn) {
    CGI_Window::SetScrollPosition(horizontalPositionIn, verticalPositionIn);
    if (editor == nullptr || editor->display == nullptr || PlayingOrRecording())
        return;
    editor->display->ScrollTo(horizontalPositionIn);
    editor->UpdateInfo();
}

// The editor's edits: each runs through the edit history on the shown waveform's selection,
// then moves the cursor and selection and brings the display up to date.
#include <algorithm>
#include <cmath>

#include "editor/model/audio_file_editor.h"

namespace {

// Silence is inserted from a short buffer taken again and again.
constexpr int kSilenceSamples = 1024;
const float kSilence[kSilenceSamples] = {};

} // namespace

void EP_AudioFileEditor::Refresh(std::int64_t length, std::int64_t start, int mode) {
    if (waveform == nullptr || mixer == nullptr)
        return;
    const double rate = mixer->rate;
    waveform->SetSelection(start / rate, (start + length) / rate);
    waveform->SetCursor(start / rate, mode);
    if (matchMode && HasSelection())
        RankMatches();
    waveform->Redraw();
    UpdateScrollBars();
    UpdateInfo();
}

void EP_AudioFileEditor::Cut() {
    if (history == nullptr)
        return;
    const EditViewState view = GetViewState();
    const std::int64_t start = SelectionStartFrame(false);
    history->Cut(SelectionFrameCount(false), start, -1, &view);
    Refresh(0, start, 0);
}

void EP_AudioFileEditor::Copy() {
    if (history != nullptr)
        history->Copy(SelectionFrameCount(false), SelectionStartFrame(false), -1);
}

void EP_AudioFileEditor::Paste(bool resample) {
    if (history == nullptr)
        return;
    const EditViewState view = GetViewState();
    const std::int64_t start = SelectionStartFrame(false);
    const std::int64_t n = history->InsertFromClipboard(SelectionFrameCount(false), start, -1, 0,
                                                        resample, 100, 0, &view);
    Refresh(0, start + n, 2);
}

void EP_AudioFileEditor::Mix(bool resample, int sourceLevel, int targetLevel) {
    if (history == nullptr || theSampleClipboard == nullptr || theSampleClipboard[0] == nullptr)
        return;
    const CAP_SampleTrack* clip = theSampleClipboard[0];
    const std::int64_t clipFrames = std::llround(static_cast<double>(clip->TotalFrames()) *
                                                 mixer->rate / std::max(clip->rate, 1));
    // A little beyond the clip, so that a converted clip is mixed whole.
    std::int64_t length = clipFrames + 100;
    if (HasSelection())
        length = std::min(SelectionFrameCount(false), length);
    const EditViewState view = GetViewState();
    const std::int64_t start = SelectionStartFrame(false);
    const std::int64_t n = history->InsertFromClipboard(length, start, -1, 1, resample, sourceLevel,
                                                        targetLevel, &view);
    Refresh(0, start + n, 2);
}

void EP_AudioFileEditor::Delete() {
    if (history == nullptr)
        return;
    const EditViewState view = GetViewState();
    const std::int64_t start = SelectionStartFrame(false);
    history->Delete(SelectionFrameCount(false), start, -1, &view);
    Refresh(0, start, 0);
}

void EP_AudioFileEditor::Trim() {
    if (history == nullptr)
        return;
    const EditViewState view = GetViewState();
    history->Trim(SelectionFrameCount(false), SelectionStartFrame(false), -1, &view);
    Refresh(std::llround(mixer->rate * GetDuration()), 0, 0);
}

void EP_AudioFileEditor::Fade(double startLevel, double endLevel) {
    if (history == nullptr)
        return;
    const EditViewState view = GetViewState();
    const std::int64_t length = SelectionFrameCount(true), start = SelectionStartFrame(true);
    const std::int64_t oldLength = SelectionFrameCount(false),
                       oldStart = SelectionStartFrame(false);
    history->Fade(length, start, -1, startLevel, endLevel, &view);
    Refresh(oldLength, oldStart, 0);
}

void EP_AudioFileEditor::AdjustVolume(double gain) {
    if (history == nullptr)
        return;
    const EditViewState view = GetViewState();
    const std::int64_t length = SelectionFrameCount(true), start = SelectionStartFrame(true);
    const std::int64_t oldLength = SelectionFrameCount(false),
                       oldStart = SelectionStartFrame(false);
    history->AdjustVolume(length, start, -1, gain, &view);
    Refresh(oldLength, oldStart, 0);
}

void EP_AudioFileEditor::InsertSilence(double seconds) {
    if (history == nullptr || seconds <= 0.0)
        return;
    const EditViewState view = GetViewState();
    const auto frames = static_cast<std::int64_t>(mixer->rate * seconds);
    const std::int64_t cursor = CursorFrame();
    history->InsertSamples(0, cursor, -1, kSilence, 0,
                           std::min<std::int64_t>(frames, kSilenceSamples), frames, &view);
    Refresh(0, frames + cursor, 0);
}

void EP_AudioFileEditor::Undo() {
    std::int64_t length = 0, start = 0;
    EditViewState view{};
    if (history == nullptr || !history->Undo(length, start, view))
        return;
    Refresh(view[3], view[2], 0);
    if (display != nullptr && waveform != nullptr && view[1] > 0 && waveform->width > 0) {
        display->Zoom(static_cast<double>(view[1]) / waveform->width);
        display->ScrollTo(-view[0]);
    }
    UpdateScrollBars();
    UpdateInfo();
}

void EP_AudioFileEditor::Redo() {
    std::int64_t length = 0, start = 0;
    if (history != nullptr && history->Redo(length, start))
        Refresh(0, start, 0);
}

void EP_AudioFileEditor::SetPitch(double semitones) {
    if (history == nullptr || waveform == nullptr)
        return;
    const double duration = GetDuration();
    const double selStart = duration > 0.0 ? waveform->selectionStart / duration : 0.0;
    const double selEnd = duration > 0.0 ? waveform->selectionEnd / duration : 0.0;
    const int visible = waveform->VisibleWidth();
    const double zoom = visible > 0 ? static_cast<double>(waveform->width) / visible : 1.0;
    const int room = waveform->width - visible;
    const double scroll = room > 0 ? static_cast<double>(-waveform->x) / room : 0.0;
    const EditViewState view = GetViewState();
    history->SetPitch(semitones, &view);
    const double now = GetDuration();
    waveform->SetSelection(selStart * now, selEnd * now);
    if (display != nullptr && waveform->width > 0) {
        const double wanted = zoom * waveform->VisibleWidth();
        display->Zoom(wanted / waveform->width);
        display->ScrollTo(
            static_cast<int>(std::lround(scroll * (waveform->width - waveform->VisibleWidth()))));
    }
    waveform->Redraw();
    UpdateScrollBars();
    UpdateInfo();
}

void EP_AudioFileEditor::Grow() {
    if (history == nullptr || waveform == nullptr)
        return;
    const int oldWidth = waveform->width;
    history->AppendSilence(-1);
    Refresh(0, std::llround(mixer->rate * GetDuration()), 0);
    // The waveform keeps its width in pixels as the file grows.
    if (display != nullptr && waveform->width > 0 && waveform->width != oldWidth)
        display->Zoom(static_cast<double>(oldWidth) / waveform->width);
}

// The editor's edits: each runs through the edit history on the shown waveform's selection,
// then moves the cursor and selection and brings the display up to date.
#include <algorithm>
#include <cmath>
#include <new>
#include <stdexcept>

#include "app/ui_seams.h"
#include "editor/model/audio_file_editor.h"
#include "editor/toolkit/host_window.h"

namespace {

// Silence is inserted from a short buffer taken again and again.
constexpr int kSilenceSamples = 1024;
const float kSilence[kSilenceSamples] = {};

} // namespace

template <typename Edit> bool EP_AudioFileEditor::Guarded(Edit edit, bool fillsClipboard) {
    const EditRecord* const before = history != nullptr ? history->current : nullptr;
    try {
        edit();
        return true;
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    TakeBackFailedEdit(before, fillsClipboard);
    return false;
}

void EP_AudioFileEditor::Refresh(std::int64_t length, std::int64_t start, int mode) {
    if (waveform == nullptr || mixer == nullptr)
        return;
    // The waveforms take in the change first: their widths and the axis follow the length.
    if (display != nullptr)
        display->FollowTracks();
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
    Guarded(
        [&] {
            if (history == nullptr)
                return;
            const EditViewState view = GetViewState();
            const std::int64_t start = SelectionStartFrame(false);
            history->Cut(SelectionFrameCount(false), start, -1, &view);
            Refresh(0, start, 0);
        },
        true);
}

void EP_AudioFileEditor::Copy() {
    Guarded(
        [&] {
            if (history != nullptr)
                history->Copy(SelectionFrameCount(false), SelectionStartFrame(false), -1);
        },
        true);
}

void EP_AudioFileEditor::Paste(bool resample) {
    Guarded([&] {
        if (history == nullptr)
            return;
        const EditViewState view = GetViewState();
        const std::int64_t start = SelectionStartFrame(false);
        const std::int64_t n = history->InsertFromClipboard(SelectionFrameCount(false), start, -1,
                                                            0, resample, 100, 0, &view);
        Refresh(0, start + n, 2);
    });
}

void EP_AudioFileEditor::Mix(bool resample, int sourceLevel, int targetLevel) {
    Guarded([&] {
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
        const std::int64_t n = history->InsertFromClipboard(length, start, -1, 1, resample,
                                                            sourceLevel, targetLevel, &view);
        Refresh(0, start + n, 2);
    });
}

void EP_AudioFileEditor::Delete() {
    Guarded([&] {
        if (history == nullptr)
            return;
        const EditViewState view = GetViewState();
        const std::int64_t start = SelectionStartFrame(false);
        history->Delete(SelectionFrameCount(false), start, -1, &view);
        Refresh(0, start, 0);
    });
}

void EP_AudioFileEditor::Trim() {
    Guarded([&] {
        if (history == nullptr)
            return;
        const EditViewState view = GetViewState();
        history->Trim(SelectionFrameCount(false), SelectionStartFrame(false), -1, &view);
        Refresh(std::llround(mixer->rate * GetDuration()), 0, 0);
    });
}

void EP_AudioFileEditor::Fade(double startLevel, double endLevel) {
    Guarded([&] {
        if (history == nullptr)
            return;
        const EditViewState view = GetViewState();
        const std::int64_t length = SelectionFrameCount(true), start = SelectionStartFrame(true);
        const std::int64_t oldLength = SelectionFrameCount(false),
                           oldStart = SelectionStartFrame(false);
        history->Fade(length, start, -1, startLevel, endLevel, &view);
        Refresh(oldLength, oldStart, 0);
    });
}

void EP_AudioFileEditor::AdjustVolume(double gain) {
    Guarded([&] {
        if (history == nullptr)
            return;
        const EditViewState view = GetViewState();
        const std::int64_t length = SelectionFrameCount(true), start = SelectionStartFrame(true);
        const std::int64_t oldLength = SelectionFrameCount(false),
                           oldStart = SelectionStartFrame(false);
        history->AdjustVolume(length, start, -1, gain, &view);
        Refresh(oldLength, oldStart, 0);
    });
}

void EP_AudioFileEditor::InsertSilence(double seconds) {
    Guarded([&] {
        if (history == nullptr || seconds <= 0.0)
            return;
        const EditViewState view = GetViewState();
        const auto frames = static_cast<std::int64_t>(mixer->rate * seconds);
        const std::int64_t cursor = CursorFrame();
        history->InsertSamples(0, cursor, -1, kSilence, 0,
                               std::min<std::int64_t>(frames, kSilenceSamples), frames, &view);
        Refresh(0, frames + cursor, 0);
    });
}

void EP_AudioFileEditor::Undo() {
    Guarded([&] {
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
    });
}

void EP_AudioFileEditor::Redo() {
    Guarded([&] {
        std::int64_t length = 0, start = 0;
        if (history != nullptr && history->Redo(length, start))
            Refresh(0, start, 0);
    });
}

void EP_AudioFileEditor::SetPitch(double semitones) {
    Guarded([&] {
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
            display->ScrollTo(static_cast<int>(
                std::lround(scroll * (waveform->width - waveform->VisibleWidth()))));
        }
        waveform->Redraw();
        UpdateScrollBars();
        UpdateInfo();
    });
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

void EP_AudioFileEditor::TakeBackFailedEdit(const EditRecord* before, bool fillsClipboard) {
    // Only a step this edit began is taken back; an older one stays undoable.
    if (history != nullptr && history->current != nullptr && history->current != before)
        history->RollBack();
    if (fillsClipboard && theSampleClipboard != nullptr) {
        // A half-made copy is no copy.
        for (int i = 0; i < kSampleClipboardSlots - 1; ++i) {
            delete theSampleClipboard[i];
            theSampleClipboard[i] = nullptr;
        }
    }
    if (waveform != nullptr && mixer != nullptr)
        Refresh(SelectionFrameCount(false), SelectionStartFrame(false), 0);
    ShowMessageBox(host != nullptr ? host->window() : nullptr,
                   "There is not enough memory to complete this change.\nThe audio was left as "
                   "it was before it.",
                   "Not Enough Memory", MessageButtons::Ok, MessageIcon::Exclamation);
}

void EP_AudioFileEditor::ShowContextMenu() {
    if (window == nullptr)
        return;
    static const std::string kTexts[10] = {"Cut", "Copy",       "Paste", "Mix",     "Delete",
                                           "",    "Select All", "",      "Zoom In", "Zoom Out"};
    static const int kOps[10] = {kOpCut, kOpCopy,      kOpPaste, kOpMix,    kOpDelete,
                                 -1,     kOpSelectAll, -1,       kOpZoomIn, kOpZoomOut};
    int flags[10];
    for (int i = 0; i < 10; ++i)
        flags[i] = kOps[i] < 0 ? 2 : (IsOperationAllowed(kOps[i]) ? 0 : 1);
    const int chosen = window->PopupMenu(10, kTexts, flags);
    if (chosen < 0 || chosen >= 10 || kOps[chosen] < 0 || !IsOperationAllowed(kOps[chosen]))
        return;
    // Paste and Mix convert a clipboard of another rate, as their buttons do.
    const bool resample = theSampleClipboard != nullptr && theSampleClipboard[0] != nullptr &&
                          mixer != nullptr && theSampleClipboard[0]->rate != mixer->rate;
    const int op = kOps[chosen];
    switch (op) {
    case kOpCut:
        Cut();
        break;
    case kOpCopy:
        Copy();
        break;
    case kOpPaste:
        Paste(resample);
        break;
    case kOpMix:
        Mix(resample, 50, 50);
        break;
    case kOpDelete:
        Delete();
        break;
    case kOpSelectAll:
        SetCursor(0, GetDuration(), 0);
        break;
    case kOpZoomIn:
        ZoomIn();
        break;
    default:
        ZoomOut();
        break;
    }
    OnContextCommand(op);
}

#include "editor/model/audio_file_editor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "audio/engine/audio_encoder.h"
#include "audio/engine/replacing_file.h"
#include "audio/general_helpers.h"
#include "audio/sound_error.h"
#include "editor/model/editor_canvas.h"
#include "editor/model/editor_sample_mixer.h"

namespace {

std::array<CAP_SampleTrack*, kSampleClipboardSlots> clipboardSlots{};

// Playing within this of the end starts again from the beginning.
constexpr double kRewindMargin = 0.01;
// Silence of a new file is made in pieces of this many frames.
constexpr std::int64_t kSilencePiece = 1000;
constexpr int kSaveFrames = 2048;

std::int64_t RoundFrames(double rate, double seconds) {
    return std::llround(rate * seconds);
}

std::string Printf(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string Printf(const char* format, long long value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

} // namespace

CAP_SampleTrack** theSampleClipboard = nullptr;

EP_AudioFileEditor::EP_AudioFileEditor() {
    if (theSampleClipboard == nullptr)
        theSampleClipboard = clipboardSlots.data();
}

EP_AudioFileEditor::~EP_AudioFileEditor() {
    Teardown();
}

void EP_AudioFileEditor::FreeClipboard() {
    if (theSampleClipboard == nullptr)
        return;
    for (int i = 0; i < kSampleClipboardSlots - 1; ++i) {
        delete theSampleClipboard[i];
        theSampleClipboard[i] = nullptr;
    }
}

void EP_AudioFileEditor::Teardown() {
    // The waveforms are viewers of the mixer's tracks and the player reads the mixer: both
    // go before it.
    if (window != nullptr)
        window->DeleteChildren();
    display = nullptr;
    waveform = nullptr;
    window.reset();
    player.reset();
    history.reset();
    mixer.reset();
    decoder.reset();
    tags.reset();
    inputStream.reset();
    fileBuffer.reset();
    fileBufferStorage_.reset();
}

bool EP_AudioFileEditor::Open(const std::string& filePath) {
    errorText.clear();
    fileBufferStorage_ = std::make_unique<char[]>(kFileBufferBytes);
    fileBuffer = std::make_unique<CUP_FileBuffer>(fileBufferStorage_.get(), kFileBufferBytes);
    inputStream = std::make_unique<std::istream>(fileBuffer.get());
    const std::string extension = GetFileExtension(filePath);
    const std::int64_t size = GetFileSize(filePath);
    if (!fileBuffer->Open(filePath.c_str(), std::ios::in | std::ios::binary)) {
        errorText = "Could not open file";
        return false;
    }
    decoder = std::make_unique<CAP_AudioDecoder>(inputStream.get(), size, extension.c_str(), true);
    if (!decoder->ErrorText().empty()) {
        errorText = decoder->ErrorText();
        return false;
    }
    path = filePath;
    mixer = std::make_unique<EP_SampleMixer>(decoder->channels, decoder->rate, this, true);
    tags = std::make_unique<AudioFileTags>();
    decoder->CopyChunksTo(*tags);
    return true;
}

void EP_AudioFileEditor::CreateNew(int channels, int sampleRate, double seconds) {
    mixer = std::make_unique<EP_SampleMixer>(channels, sampleRate, this, true);
    mixer->SetTrackCount(mixer->channels == 1 ? 1 : mixer->channels + 1);
    tags = std::make_unique<AudioFileTags>();
    newFileSeconds = seconds;
    decoder.reset();
}

bool EP_AudioFileEditor::Attach(CGN_Wnd* hostWindow, int width, int height, bool removeDcOffset,
                                double pitchRatio, CAP_ProgressCallback progress, void* userData) {
    if (mixer == nullptr)
        return false;
    host = hostWindow;
    mixer->SetRemoveDcOffset(removeDcOffset);
    mixer->SetPitch(mixer->PitchForRate(static_cast<int>(std::lround(mixer->rate * pitchRatio))));
    shownTrack = mixer->TrackCount() - 1;
    if (decoder != nullptr) {
        if (!mixer->LoadFrom(*decoder, progress, userData))
            return false;
    } else {
        const std::int64_t perTrack = RoundFrames(mixer->rate, newFileSeconds);
        const int count = mixer->TrackCount();
        const std::vector<float> zeros(kSilencePiece, 0.0f);
        for (int t = 0; t < count; ++t) {
            CAP_SampleTrack* track = mixer->Track(t);
            for (std::int64_t done = 0; done < perTrack;) {
                const std::int64_t piece = std::min(kSilencePiece, perTrack - done);
                track->InsertSamples(zeros.data(), piece, done, 1);
                done += piece;
                if (progress != nullptr)
                    progress(
                        userData, "Creating audio data:",
                        static_cast<int>(std::lround(100.0 * (done + perTrack * t) /
                                                     (static_cast<double>(perTrack) * count))));
            }
        }
    }
    history = std::make_unique<EditHistory>(mixer.get(), theSampleClipboard);
    player = std::make_unique<CAI_AudioPlayer>(mixer.get(), mixer.get());
    window = std::make_unique<EP_Window>(hostWindow, width, height, this);
    window->EnableTicks(true);
    display =
        new CGP_MultiTrackDisplay(window.get(), window.get(), 0, 0, width, height, mixer.get());
    display->SetAnchors(true, true, true, true);
    // One track fills the room above the time axis, and follows the window's size.
    display->SetTrackHeight(height - CGP_MultiTrackDisplay::kTimeAxisHeight, true);
    display->ShowTrack(shownTrack, true);
    waveform = display->GetWaveform(shownTrack);
    UpdateScrollBars();
    UpdateInfo();
    return true;
}

bool EP_AudioFileEditor::Reopen(const std::string& filePath, CAP_ProgressCallback progress,
                                void* userData) {
    CGN_Wnd* const keptHost = host;
    const int width = window != nullptr ? window->width : 0;
    const int height = window != nullptr ? window->height : 0;
    const bool removeDc = mixer != nullptr && mixer->RemovesDcOffset();
    Teardown();
    // A model left without its graphics is no success, whatever Open said.
    if (!Open(filePath) || !Attach(keptHost, width, height, removeDc, 1.0, progress, userData)) {
        Teardown();
        errorText = "Could not reopen target file";
        return false;
    }
    return true;
}

bool EP_AudioFileEditor::SaveTo(const std::string& filePath, int channels, int sampleRate,
                                int fileType, int compression, CAP_ProgressCallback progress,
                                void* userData) {
    errorText.clear();
    CAP_SampleTrack* track = ShownTrack();
    if (mixer == nullptr || track == nullptr) {
        errorText = "Error occured while writing audio data";
        return false;
    }
    ReplacingFile file;
    if (!file.Open(filePath)) {
        errorText = "Couldn't write to file '" + filePath + "'";
        return false;
    }
    std::ostream& stream = file.Stream();
    const std::int64_t total = track->TotalFrames();
    try {
        auto encoder = std::make_unique<CAP_AudioEncoder>(&stream, channels, sampleRate,
                                                          compression, fileType, track->duration,
                                                          mixer->channels, mixer->rate, tags.get());
        std::vector<float> frames(static_cast<std::size_t>(kSaveFrames) * mixer->channels);
        std::int64_t position = 0;
        while (stream.good()) {
            const int read = mixer->ReadFrames(frames.data(), kSaveFrames, position);
            if (read < 1)
                break;
            encoder->WriteFrames(frames.data(), read, position);
            position += read;
            if (progress != nullptr)
                progress(userData, "Saving audio data:",
                         static_cast<int>(
                             std::lround(100.0 * position / std::max<std::int64_t>(total, 1))));
        }
        encoder.reset();
    } catch (const SoundError& error) {
        // A writer that refuses the settings or the stream: the target stays as it was.
        errorText = error.what();
        file.Discard();
        return false;
    }
    if (progress != nullptr)
        progress(userData, "", 100);
    if (stream.fail() || !file.Commit()) {
        errorText = "Error occured while writing audio data";
        return false;
    }
    return true;
}

CAP_SampleTrack* EP_AudioFileEditor::ShownTrack() const {
    return mixer != nullptr ? mixer->Track(shownTrack) : nullptr;
}

int EP_AudioFileEditor::PlayerState() const {
    return player != nullptr ? player->GetState() : CAI_AudioPlayer::kIdle;
}

double EP_AudioFileEditor::GetDuration() const {
    return mixer != nullptr ? mixer->duration : 0.0;
}

bool EP_AudioFileEditor::HasSelection() const {
    return waveform != nullptr && waveform->selectionStart < waveform->selectionEnd;
}

std::int64_t EP_AudioFileEditor::SelectionStartFrame(bool wholeFileIfNone) const {
    if (waveform == nullptr || mixer == nullptr)
        return 0;
    if (HasSelection())
        return RoundFrames(mixer->rate, waveform->selectionStart);
    return wholeFileIfNone ? 0 : RoundFrames(mixer->rate, waveform->cursorTime);
}

std::int64_t EP_AudioFileEditor::SelectionFrameCount(bool wholeFileIfNone) const {
    if (waveform == nullptr || mixer == nullptr)
        return 0;
    const std::int64_t count = RoundFrames(mixer->rate, waveform->selectionEnd) -
                               RoundFrames(mixer->rate, waveform->selectionStart);
    if (count > 0)
        return count;
    return wholeFileIfNone ? RoundFrames(mixer->rate, GetDuration()) : 0;
}

std::int64_t EP_AudioFileEditor::CursorFrame() const {
    if (waveform == nullptr || mixer == nullptr)
        return 0;
    return RoundFrames(mixer->rate, waveform->cursorTime);
}

std::array<std::int32_t, 4> EP_AudioFileEditor::GetViewState() const {
    if (waveform == nullptr)
        return {0, 0, 0, 0};
    return {waveform->x, waveform->width, static_cast<std::int32_t>(SelectionStartFrame(false)),
            static_cast<std::int32_t>(SelectionFrameCount(false))};
}

bool EP_AudioFileEditor::IsWritableFormat() const {
    if (decoder == nullptr)
        return true;
    const int kind = decoder->compressionKind;
    return kind == 2 || kind == 3 || (kind >= 16 && kind <= 20);
}

bool EP_AudioFileEditor::IsOperationAllowed(int op) const {
    const int state = PlayerState();
    const bool idle = state == CAI_AudioPlayer::kIdle;
    const bool playing = state == CAI_AudioPlayer::kPlaying;
    const bool recording = state == CAI_AudioPlayer::kRecording;
    const bool writable = IsWritableFormat();
    const bool selection = HasSelection();
    const bool audio = waveform != nullptr && waveform->width >= 1;
    const CAP_SampleTrack* track = ShownTrack();
    const std::int64_t frames = track != nullptr ? track->TotalFrames() : 0;
    const bool paused = pausedPlay || pausedLoop || pausedRecord;
    const bool clipboard = theSampleClipboard != nullptr && theSampleClipboard[0] != nullptr;
    switch (op) {
    case kOpUndo:
        return idle && history != nullptr && history->CanUndo();
    case kOpRedo:
        return idle && history != nullptr && history->CanRedo();
    case kOpCut:
    case kOpDelete:
        return writable && idle && selection;
    case kOpCopy:
        return idle && selection;
    case kOpPaste:
    case kOpMix:
        return writable && idle && clipboard;
    case kOpTrim:
        return writable && idle && selection && SelectionFrameCount(false) < frames;
    case kOpShowMatches:
        return matchMode || idle;
    case kOpSearchBackward:
    case kOpSearchForward:
        return matchMode && !recording;
    case kOpZoomIn:
        return waveform != nullptr && waveform->width < frames;
    case kOpZoomOut:
        return waveform != nullptr && waveform->width > waveform->VisibleWidth();
    case kOpAlways:
        return true;
    case kOpMoveCursorByPixel:
    case kOp17:
    case kOpVolume:
    case kOpFade:
    case kOp20:
        return writable && idle && audio;
    case kOpInsertSilence:
        return writable && idle;
    case kOpPlay:
    case kOpLoop:
        return idle && audio && !pausedRecord;
    case kOpPause:
        return playing || recording || paused;
    case kOpStop:
        if (playing || recording || paused)
            return true;
        return selection && waveform->cursorTime != waveform->selectionStart;
    case kOpRecord:
        return writable && idle && audio && !pausedPlay && !pausedLoop &&
               (decoder == nullptr || decoder->channels <= 2);
    case kOpFindSimilarSounds:
        return idle && audio;
    default:
        return !recording;
    }
}

void EP_AudioFileEditor::ClearPauseFlags() {
    pausedPlay = pausedLoop = pausedRecord = false;
}

void EP_AudioFileEditor::EndPlayerControl() {
    if (waveform != nullptr)
        waveform->ShowCursor(PlayerState() == CAI_AudioPlayer::kIdle);
    ClearPauseFlags();
}

void EP_AudioFileEditor::Play() {
    if (waveform == nullptr || player == nullptr)
        return;
    if (PlayerState() == CAI_AudioPlayer::kPlaying) {
        player->Stop(); // a second Play stops
        EndPlayerControl();
        return;
    }
    double start, end;
    if (HasSelection()) {
        if (waveform->cursorTime > waveform->selectionEnd - kRewindMargin)
            SetCursor(0, 0, 1);
        const double cursor = waveform->cursorTime;
        const bool within = cursor >= waveform->selectionStart && cursor <= waveform->selectionEnd;
        start = within ? cursor : waveform->selectionStart;
        end = waveform->selectionEnd;
    } else {
        if (waveform->cursorTime > GetDuration() - kRewindMargin)
            SetCursor(0, 0, 1);
        start = waveform->cursorTime;
        end = ShownTrack()->duration;
    }
    if (PlayerState() == CAI_AudioPlayer::kIdle)
        player->Play(start, end);
    if (PlayerState() == CAI_AudioPlayer::kIdle) {
        Stop(); // the device did not open
        return;
    }
    EndPlayerControl();
}

void EP_AudioFileEditor::PlayLoop() {
    if (waveform == nullptr || player == nullptr)
        return;
    if (PlayerState() == CAI_AudioPlayer::kPlaying)
        Stop();
    if (HasSelection()) {
        if (waveform->cursorTime > waveform->selectionEnd - kRewindMargin)
            SetCursor(0, 0, 1);
        const double cursor = waveform->cursorTime;
        const bool within = cursor >= waveform->selectionStart && cursor <= waveform->selectionEnd;
        player->PlayLoop(within ? cursor : waveform->selectionStart, waveform->selectionStart,
                         waveform->selectionEnd);
    } else {
        if (waveform->cursorTime > GetDuration() - kRewindMargin)
            SetCursor(0, 0, 1);
        player->PlayLoop(waveform->cursorTime, 0, 0);
    }
    EndPlayerControl();
}

void EP_AudioFileEditor::Record(float dcOffsetLeft, float dcOffsetRight) {
    if (waveform == nullptr || player == nullptr)
        return;
    recordDcOffsetLeft = dcOffsetLeft;
    recordDcOffsetRight = dcOffsetRight;
    if (PlayerState() != CAI_AudioPlayer::kIdle)
        player->Stop();
    double start = waveform->cursorTime, end = 0.0;
    if (HasSelection()) {
        const bool within = start >= waveform->selectionStart && start <= waveform->selectionEnd;
        if (!within)
            start = waveform->selectionStart;
        end = waveform->selectionEnd;
    }
    if (history != nullptr) {
        const std::int64_t first = RoundFrames(mixer->rate, start);
        const std::int64_t last = RoundFrames(mixer->rate, end > 0.0 ? end : GetDuration());
        const EditViewState view = GetViewState();
        history->BeginRecording(std::max<std::int64_t>(last - first, 0), first, -1, &view);
    }
    player->SetDcOffsets(dcOffsetLeft, dcOffsetRight);
    player->Record(start, end);
    EndPlayerControl();
}

void EP_AudioFileEditor::Pause() {
    if (waveform == nullptr || player == nullptr)
        return;
    if (pausedPlay) {
        Play();
        return;
    }
    if (pausedLoop) {
        PlayLoop();
        return;
    }
    if (pausedRecord) {
        Record(recordDcOffsetLeft, recordDcOffsetRight);
        return;
    }
    const int state = PlayerState();
    const bool looping = player->IsLooping();
    waveform->SetCursor(player->GetPosition(), 0);
    player->Stop();
    if (state == CAI_AudioPlayer::kRecording)
        waveform->Update();
    waveform->ShowCursor(true);
    if (state == CAI_AudioPlayer::kRecording)
        pausedRecord = true;
    else if (looping)
        pausedLoop = true;
    else
        pausedPlay = true;
}

void EP_AudioFileEditor::Stop() {
    if (waveform == nullptr || player == nullptr)
        return;
    const bool wasRecording = PlayerState() == CAI_AudioPlayer::kRecording || pausedRecord;
    player->Stop();
    waveform->SetCursor(waveform->selectionStart, 2);
    if (wasRecording)
        waveform->Update();
    OnInfo(kInfoCursor, FormatSeconds(waveform->cursorTime, 3));
    waveform->ShowCursor(true);
    ClearPauseFlags();
}

void EP_AudioFileEditor::UpdateScrollBars() {
    if (window == nullptr || waveform == nullptr)
        return;
    const int visible = waveform->VisibleWidth();
    window->SetHorizontalScroll(-waveform->x, waveform->width, visible, visible / 10);
}

void EP_AudioFileEditor::UpdateInfo() {
    if (mixer == nullptr || waveform == nullptr)
        return;
    const CAP_SampleTrack* track = ShownTrack();
    const double ratio = static_cast<double>(track != nullptr ? track->TotalFrames() : 0) /
                         std::max(waveform->width, 1);
    const double whole = std::round(ratio);
    OnInfo(kInfoZoom, std::fabs(ratio - whole) > 0.005 && ratio < 10
                          ? Printf("1:%.2f", ratio)
                          : Printf("1:%lld", static_cast<long long>(whole)));
    OnInfo(kInfoSampleRate, Printf("%lld Hz", static_cast<long long>(mixer->RateForPitch(0))));
    OnInfo(kInfoSampleSize,
           Printf("%lld-bit", static_cast<long long>(decoder != nullptr ? decoder->bits : 16)));
    const int channels = mixer->channels;
    OnInfo(kInfoChannels, channels == 1   ? std::string("mono")
                          : channels == 2 ? std::string("stereo")
                                          : Printf("%lld-ch", static_cast<long long>(channels)));
    OnInfo(kInfoCursor, FormatSeconds(waveform->cursorTime, 3));
    const bool selection = HasSelection();
    const double low = std::min(waveform->selectionStart, waveform->selectionEnd);
    const double high = std::max(waveform->selectionStart, waveform->selectionEnd);
    OnInfo(kInfoSelectionStart, selection ? FormatSeconds(low, 3) : std::string());
    OnInfo(kInfoSelectionEnd, selection ? FormatSeconds(high, 3) : std::string());
    OnInfo(kInfoSelectionLength, selection ? FormatSeconds(high - low, 3) : std::string());
    const double pitch = mixer->Pitch();
    const long long magnitude = std::llround(std::fabs(pitch));
    OnInfo(kInfoPitch, pitch == 0.0
                           ? std::string("Normal")
                           : Printf(pitch > 0 ? "+%lld halftones" : "-%lld halftones", magnitude));
    OnInfo(kInfoDuration, FormatSeconds(GetDuration(), 3));
}

void EP_AudioFileEditor::ZoomIn() {
    if (display == nullptr)
        return;
    display->Zoom(2.0);
    UpdateScrollBars();
    UpdateInfo();
}

void EP_AudioFileEditor::ZoomOut() {
    if (display == nullptr)
        return;
    display->Zoom(0.5);
    UpdateScrollBars();
    UpdateInfo();
}

void EP_AudioFileEditor::MoveCursorByPixel(bool left) {
    if (waveform == nullptr)
        return;
    waveform->MoveByPixel(left);
    UpdateInfo();
}

void EP_AudioFileEditor::ToggleColour() {
    if (waveform == nullptr)
        return;
    waveform->SetColored(!waveform->coloured);
}

void EP_AudioFileEditor::RankMatches() {
    if (CAP_SampleTrack* track = ShownTrack())
        track->RankSimilarBlocks(SelectionFrameCount(false), SelectionStartFrame(false));
}

void EP_AudioFileEditor::SetCursor(double seconds, double lengthSeconds, int how) {
    if (waveform == nullptr)
        return;
    switch (how) {
    case 0:
        waveform->SetSelection(seconds, seconds + lengthSeconds);
        waveform->SetCursor(seconds, lengthSeconds != 0.0 ? 0 : 2);
        break;
    case 1:
        waveform->SetCursor(HasSelection() ? waveform->selectionStart : 0.0, 2);
        break;
    default:
        waveform->SetCursor(HasSelection() ? waveform->selectionEnd : GetDuration(), 2);
        break;
    }
    if (matchMode)
        RankMatches();
    waveform->Redraw();
    UpdateScrollBars();
    UpdateInfo();
}

void EP_AudioFileEditor::SetMatchThreshold(int percent) {
    matchThreshold = percent;
    if (matchMode && waveform != nullptr)
        waveform->SetMatchThreshold(percent);
}

void EP_AudioFileEditor::ToggleMatches() {
    matchMode = !matchMode;
    CAP_SampleTrack* track = ShownTrack();
    if (track == nullptr || waveform == nullptr)
        return;
    if (!matchMode) {
        track->RankSimilarBlocks(0, 0);
        waveform->SetMatchThreshold(CGP_TrackWaveform::kNoMatches);
    } else {
        RankMatches();
        waveform->SetMatchThreshold(matchThreshold);
    }
}

void EP_AudioFileEditor::Search(bool forward) {
    CAP_SampleTrack* track = ShownTrack();
    if (track == nullptr || waveform == nullptr || mixer == nullptr)
        return;
    std::int64_t at = forward ? SelectionFrameCount(false) + SelectionStartFrame(false) + 1
                              : SelectionStartFrame(false);
    float score = 0.0f;
    const bool found =
        forward ? track->FindNextMatch(static_cast<float>(matchThreshold), at, score)
                : track->FindPreviousMatch(static_cast<float>(matchThreshold), at, score);
    std::string message = "Match not found";
    if (found) {
        if (PlayerState() == CAI_AudioPlayer::kPlaying)
            Pause();
        const double seconds = static_cast<double>(at) / mixer->rate;
        waveform->SetSelection(seconds, seconds);
        waveform->SetCursor(seconds, 2);
        if (pausedPlay)
            Play();
        message = Printf("Found match (%.2f)", static_cast<double>(score));
    }
    UpdateScrollBars();
    UpdateInfo();
    OnInfo(kInfoStatus, message);
}

void EP_AudioFileEditor::SearchForward() {
    Search(true);
}

void EP_AudioFileEditor::SearchBackward() {
    Search(false);
}

// The model of one audio file open in an editor window: the decoded samples in a mixer with
// one track per channel plus a mix-down track, the player and recorder, the decoder and the
// tags of the source file, and the graphics that show the shown track. It turns the
// waveform's cursor and selection (seconds) into frame ranges, runs play, loop, record,
// pause and stop, says which operation may run now, formats the information fields,
// searches for passages like the selection and writes the samples out. It reports to its
// owner through four virtual operations.
#pragma once

#include <array>
#include <cstdint>
#include <istream>
#include <memory>
#include <string>

#include "audio/audio_file_tags.h"
#include "audio/engine/audio_decoder.h"
#include "audio/engine/audio_player.h"
#include "audio/engine/progress_callback.h"
#include "audio/engine/sample_mixer.h"
#include "audio/file_buffer.h"
#include "editor/model/edit_history.h"
#include "editor/toolkit/widget_window.h"
#include "editor/widgets/multi_track_display.h"

class CGN_Wnd;

enum EditorOp {
    kOpUndo = 0,
    kOpRedo = 1,
    kOpCut = 2,
    kOpCopy = 3,
    kOpPaste = 4,
    kOpMix = 5,
    kOpDelete = 6,
    kOpTrim = 7,
    kOpSelectAll = 8,
    kOpShowMatches = 9,
    kOpSearchBackward = 10,
    kOpSearchForward = 11,
    kOpZoomIn = 12,
    kOpZoomOut = 13,
    kOpAlways = 14,
    kOpMoveCursorByPixel = 15,
    kOpInsertSilence = 16,
    kOp17 = 17,
    kOpVolume = 18,
    kOpFade = 19,
    kOp20 = 20,
    kOpPlay = 21,
    kOpPause = 22,
    kOpStop = 23,
    kOpLoop = 24,
    kOpRecord = 25,
    kOpFindSimilarSounds = 26,
};

// The audio clipboard shared by every editor window: slots 0-31 hold one track copy per
// track of the last Copy or Cut (slot 0 set means it holds audio), slot 32 stays null. Null
// until the first editor is made.
inline constexpr int kSampleClipboardSlots = 33;
extern CAP_SampleTrack** theSampleClipboard;

class EP_AudioFileEditor {
public:
    // Information kinds of OnInfo.
    enum InfoKind {
        kInfoStatus = 0,
        kInfoZoom = 1,
        kInfoChannels = 2,
        kInfoSampleSize = 3,
        kInfoSampleRate = 4,
        kInfoPitch = 5,
        kInfoCursor = 6,
        kInfoDuration = 7,
        kInfoSelectionStart = 8,
        kInfoSelectionEnd = 9,
        kInfoSelectionLength = 10,
    };
    static constexpr int kInitialMatchThreshold = 70;
    static constexpr int kFileBufferBytes = 176400;

    EP_AudioFileEditor();
    virtual ~EP_AudioFileEditor();
    EP_AudioFileEditor(const EP_AudioFileEditor&) = delete;
    EP_AudioFileEditor& operator=(const EP_AudioFileEditor&) = delete;

    // Reports to the owner; the base ones do nothing.
    virtual void OnInfo(int kind, const std::string& text) {}
    virtual void OnChanged() {}
    virtual void UpdateScrollBars();
    virtual void UpdateInfo();
    // A command of the waveform's context menu ran (ops 2 to 6, 8, 12, 13).
    virtual void OnContextCommand(int op) {}

    bool Open(const std::string& filePath);
    void CreateNew(int channels, int sampleRate, double seconds);
    bool Attach(CGN_Wnd* hostWindow, int width, int height, bool removeDcOffset, double pitchRatio,
                CAP_ProgressCallback progress, void* userData);
    bool Reopen(const std::string& filePath, CAP_ProgressCallback progress, void* userData);
    // fileType 1 WAVE, 2 AU, 3 AIFF. The target is replaced only by a complete file.
    bool SaveTo(const std::string& filePath, int channels, int sampleRate, int fileType,
                int compression, CAP_ProgressCallback progress, void* userData);
    void Teardown();
    // Deletes the tracks the clipboard holds; the application calls it once at close-down.
    static void FreeClipboard();

    double GetDuration() const;
    std::int64_t SelectionStartFrame(bool wholeFileIfNone) const;
    std::int64_t SelectionFrameCount(bool wholeFileIfNone) const;
    std::int64_t CursorFrame() const;
    // Waveform x offset, waveform width, selection start frame and frame count.
    std::array<std::int32_t, 4> GetViewState() const;
    bool IsWritableFormat() const;
    bool IsOperationAllowed(int op) const;

    void Play();
    void PlayLoop();
    void Record(float dcOffsetLeft, float dcOffsetRight);
    void Pause();
    void Stop();

    void ZoomIn();
    void ZoomOut();
    void MoveCursorByPixel(bool left);
    void ToggleColour();
    // how 0: the cursor at seconds with [seconds, seconds + length] selected; 1: to the
    // selection start (0 without one); 2: to the selection end (the file's end without one).
    void SetCursor(double seconds, double lengthSeconds, int how);
    void SetMatchThreshold(int percent);
    void ToggleMatches();
    void SearchForward();
    void SearchBackward();

    // Edits of the selection (Fade and AdjustVolume: the whole file without one), each
    // undoable; levels and gains are fractions, Mix levels percent.
    void Cut();
    void Copy();
    void Paste(bool resample);
    void Mix(bool resample, int sourceLevel, int targetLevel);
    void Delete();
    void Trim();
    void Fade(double startLevel, double endLevel);
    void AdjustVolume(double gain);
    void InsertSilence(double seconds);
    void Undo();
    void Redo();
    void SetPitch(double semitones);
    // Called while recording when a write would end past the end: appends silence.
    void Grow();
    // The waveform's menu: Cut, Copy, Paste, Mix, Delete, Select All, Zoom In, Zoom Out.
    void ShowContextMenu();

    CAP_SampleTrack* ShownTrack() const;
    int PlayerState() const;

    // The graphics go first (their waveforms leave the tracks' viewers), then the rest.
    CGP_MultiTrackDisplay* display = nullptr; // owned through window's tree
    std::unique_ptr<CGI_Window> window;
    std::unique_ptr<CAP_SampleMixer> mixer;
    // Made by Attach; every change to the samples goes through it.
    std::unique_ptr<EditHistory> history;
    CGP_TrackWaveform* waveform = nullptr; // owned by display
    std::unique_ptr<CAI_AudioPlayer> player;
    std::unique_ptr<CAP_AudioDecoder> decoder;
    std::unique_ptr<AudioFileTags> tags;
    int shownTrack = -1;
    int matchThreshold = kInitialMatchThreshold;
    bool matchMode = false;
    bool pausedPlay = false, pausedLoop = false, pausedRecord = false;
    std::string errorText;
    std::string path;
    CGN_Wnd* host = nullptr;
    double newFileSeconds = 0.0;
    float recordDcOffsetLeft = 0.0f, recordDcOffsetRight = 0.0f;
    std::unique_ptr<CUP_FileBuffer> fileBuffer;
    std::unique_ptr<std::istream> inputStream;

private:
    bool HasSelection() const;
    void EndPlayerControl();
    void ClearPauseFlags();
    void RankMatches();
    void Search(bool forward);
    // After an edit: the cursor at start (in the cursor mode given), [start, start + length]
    // selected, the display and information brought up to date.
    void Refresh(std::int64_t length, std::int64_t start, int mode);
    // Runs one edit; when memory runs out inside it, what it changed is taken back, the
    // display shows the file as it was and the user is told. False then. An edit that fills
    // the clipboard leaves it empty when it fails.
    // (Defined beside the edits, its only users; it allocates nothing itself.)
    template <typename Edit> bool Guarded(Edit edit, bool fillsClipboard = false);
    void TakeBackFailedEdit(const EditRecord* before, bool fillsClipboard);
    std::unique_ptr<char[]> fileBufferStorage_;
};

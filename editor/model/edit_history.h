// Every change to the samples of an open file goes through the edit history, which keeps for
// each change a copy of the frames it replaced: at most five undo records and a redo list.
// It also fills and reads the audio clipboard shared by every editor window.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>

#include "audio/engine/sample_mixer.h"
#include "audio/engine/sample_track.h"

using EditViewState = std::array<std::int32_t, 4>; // x offset, width, selection start, count

// One changed range of one track: `saved` holds the frames that were replaced; newLength
// frames now stand at start in their place.
struct EditPart {
    std::unique_ptr<CAP_SampleTrack> saved;
    int track = 0;
    std::int64_t start = 0;
    std::int64_t newLength = 0;
    std::int64_t totalBefore = 0; // the track's frames when the part was taken
};

// One undoable step. Kind 0 changes samples; kind 1 changes the pitch, which is restored from
// sampleRate.
struct EditRecord {
    std::deque<std::unique_ptr<EditPart>> parts; // newest first
    int kind = 0;
    int sampleRate = 0;
    EditViewState viewState{};
};

class EditHistory {
public:
    static constexpr int kMaxUndo = 5;
    static constexpr int kResampleBufferSamples = 10112;

    EditHistory(CAP_SampleMixer* mixer, CAP_SampleTrack** clipboard);
    ~EditHistory();
    EditHistory(const EditHistory&) = delete;
    EditHistory& operator=(const EditHistory&) = delete;

    bool CanUndo() const { return !undoList.empty(); }
    bool CanRedo() const { return !redoList.empty(); }
    bool IsModified() const { return !undoList.empty() || truncated; }

    // Makes target frames [targetStart, targetStart + targetCount) become sourceCount frames
    // of source from sourceStart, mixed at newGain% over oldGain% of what was there where
    // both exist. A null source is a pure delete.
    void Replace(const CAP_SampleTrack* source, std::int64_t sourceCount, std::int64_t sourceStart,
                 CAP_SampleTrack* target, std::int64_t targetCount, std::int64_t targetStart,
                 int newGain, int oldGain);
    void NewRecord(int kind, const EditViewState* view, bool clearRedo);
    void AddPart(int track, std::int64_t length, std::int64_t start, std::int64_t newLength);

    // track -1 means every track of the mixer.
    void Copy(std::int64_t length, std::int64_t start, int track);
    void Delete(std::int64_t length, std::int64_t start, int track, const EditViewState* view);
    void Cut(std::int64_t length, std::int64_t start, int track, const EditViewState* view);
    void Trim(std::int64_t length, std::int64_t start, int track, const EditViewState* view);
    // mode 0 pastes over [start, start + length), mode 1 mixes into it; returns the frames
    // that now stand at start.
    std::int64_t InsertFromClipboard(std::int64_t length, std::int64_t start, int track, int mode,
                                     bool resample, int newGain, int oldGain,
                                     const EditViewState* view);
    // Replaces [start, start + length) with total frames taken from samples over and over (the
    // first pass from index first, each pass up to index count).
    void InsertSamples(std::int64_t length, std::int64_t start, int track, const float* samples,
                       std::int64_t first, std::int64_t count, std::int64_t total,
                       const EditViewState* view);
    void Fade(std::int64_t length, std::int64_t start, int track, double startLevel,
              double endLevel, const EditViewState* view);
    void AdjustVolume(std::int64_t length, std::int64_t start, int track, double gain,
                      const EditViewState* view);
    void SetPitch(double semitones, const EditViewState* view);
    void BeginRecording(std::int64_t length, std::int64_t start, int track,
                        const EditViewState* view);
    // Grows the tracks by a few seconds of silence inside the recording's record; returns the
    // seconds added.
    int AppendSilence(int track);
    void MinMax(std::int64_t length, std::int64_t start, int track, float& minimum,
                float& maximum) const;
    // False when there is nothing to take back; else the range the step touched and (Undo)
    // the view state from before the undone edit.
    bool Undo(std::int64_t& length, std::int64_t& start, EditViewState& view);
    bool Redo(std::int64_t& length, std::int64_t& start);
    // Takes back whatever the step being made (`current`) has changed so far and forgets
    // the step: for an edit that could not finish.
    void RollBack();

    // A copy of the track at another rate.
    static std::unique_ptr<CAP_SampleTrack> ResampledCopy(CAP_SampleTrack& track, int rate);

    CAP_SampleMixer* mixer;
    CAP_SampleTrack** clipboard;
    std::deque<std::unique_ptr<EditRecord>> undoList; // newest first
    std::deque<std::unique_ptr<EditRecord>> redoList; // newest first
    EditRecord* current = nullptr;
    bool truncated = false;
    std::int32_t growCount = 0;

private:
    // The tracks an operation works on: all of them for -1, else the one (when it exists).
    int FirstTrack(int track) const;
    int EndTrack(int track) const;
    // Calls f(index, track, length, start) for each track of the operation, with the range
    // cut to the frames that track holds.
    template <typename F>
    void ForEachRange(int track, std::int64_t length, std::int64_t start, F f) const;
    void ApplyRecord(EditRecord& record, std::int64_t& length, std::int64_t& start);
    int ClipboardCount() const;
};

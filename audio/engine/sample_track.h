// One channel of an edited or analysed sound, held as float samples in a doubly linked chain
// of blocks of about 0.1 s, so that inserting, deleting and pasting anywhere stay cheap. Each
// block carries its own signature and colour for the waveform display, and a min/max pyramid
// from which the peaks of any stretch are found without reading every sample. The per-block
// signatures also drive the search for passages similar to a selection.
#pragma once

#include <cstdint>
#include <vector>

#include "audio/engine/audio_container.h"
#include "audio/engine/progress_callback.h"
#include "audio/sound_signature.h"

struct SampleBlock {
    int frames = 0;
    SoundSignature signature{};
    std::uint32_t colour = 0; // 0x00BBGGRR
    float score = 0.0f;       // of the block's match run; 0 when none
    SampleBlock* previous = nullptr;
    SampleBlock* next = nullptr;
    SampleBlock* groupHead = nullptr; // first block of the match run; null when unmatched
    int groupLength = 0;              // blocks spanned by the block's own candidate match
    bool selected = false;            // part of the current search selection
    std::vector<float> samples;       // exactly `frames` samples
    // Levels 1 and up; level k holds ceil(frames / 8^k) entries, its minima then its maxima,
    // each entry summarising 8 entries of the level below (level 1 reads the samples).
    std::vector<float> pyramid;
};

class CAP_SampleTrack : public CAP_AudioContainer {
public:
    explicit CAP_SampleTrack(int rate);
    ~CAP_SampleTrack() override;

    // Re-blocks every sample for the new rate; the samples themselves stay as they are.
    void SetRate(int newRate);

    int ReadFrames(float* floats, int frames, std::int64_t startFrame) override;
    // Overwrites, extending the track past its end.
    int WriteFrames(const float* floats, int frames, std::int64_t startFrame) override;

    // A direct pointer into the block holding start and how much that block holds from there
    // (at most wanted); then the following blocks until the wanted frames are used up. Null
    // with count 0 when nothing is left. Any edit of the track ends the walk.
    const float* BeginBlockRead(std::int64_t start, int& count, std::int64_t wanted);
    const float* NextBlockRead(int& count);

    // step is the distance between successive input samples (2 reads one channel of stereo).
    // A position past the end inserts at the end.
    void InsertSamples(const float* samples, std::int64_t frames, std::int64_t at, int step);
    void InsertFromTrack(const CAP_SampleTrack& source, std::int64_t frames, std::int64_t at,
                         std::int64_t sourceStart);
    void DeleteSamples(std::int64_t frames, std::int64_t at);
    // Each sample becomes newGain% of the input plus oldGain% of what was there, clipped to
    // -1..1 (100 and 0 copy over); the input past the end is appended. A position past the
    // end is reached through silence first. Returns the frames used.
    std::int64_t MixSamples(const float* samples, std::int64_t frames, std::int64_t at, int step,
                            int newGain, int oldGain);
    // Recomputes signature, colour and pyramid of every block touching the range.
    void RefreshRange(std::int64_t frames, std::int64_t start);

    // Signature of a stretch; the callback hears "Processing audio data:" with the percentage
    // after each block and cannot stop the walk; its last answer is returned (true without
    // one).
    bool ComputeSignature(std::int64_t frames, std::int64_t start, SoundSignature* signatureOut,
                          std::uint32_t* colourOut, CAP_ProgressCallback callback, void* user);

    // Per display column (start and perColumn in seconds): the minimum and maximum of its
    // frames and the colour of the block where it begins. A column without frames gets 1.0
    // above -1.0 (drawn as nothing); columns past the end are left as they were. colours may
    // be null.
    void GetColumnPeaks(double start, double perColumn, int columns, float* minima, float* maxima,
                        std::uint32_t* colours);

    // Scores every block against the blocks of the selection and marks the best
    // non-overlapping runs as matches.
    void RankSimilarBlocks(std::int64_t frames, std::int64_t start);
    // Move cursor to the first frame of the next (previous) match run whose score reaches
    // threshold, wrapping around the track; score gets the found block's score (0 when none).
    bool FindNextMatch(float threshold, std::int64_t& cursor, float& score);
    bool FindPreviousMatch(float threshold, std::int64_t& cursor, float& score);

    // Told of every change, in registration order; not owned.
    void AddViewer(CAP_AudioViewer* viewer);
    // A viewer that goes away first leaves, or the next edit would call into freed memory.
    void RemoveViewer(CAP_AudioViewer* viewer);

    std::int64_t TotalFrames() const { return totalFrames_; }
    int BlockCapacity() const { return capacity_; }
    const SampleBlock* FirstBlock() const { return first_; }
    const SampleBlock* LastBlock() const { return last_; }

private:
    struct Location {
        SampleBlock* block = nullptr;
        std::int64_t offset = 0;     // within block
        std::int64_t blockStart = 0; // frame of the block's first sample
    };

    void SetLayout();
    Location Locate(std::int64_t frame);
    void StructureChanged();
    SampleBlock* NewBlock();
    void LinkAfter(SampleBlock* before, SampleBlock* block);
    void Unlink(SampleBlock* block);
    void Recompute(SampleBlock* block);
    void BuildPyramid(SampleBlock* block) const;
    void DissolveMarks(SampleBlock* block);
    void ClearAllMarks();
    void Split(SampleBlock* block, int offset);
    void MergeWithNext(SampleBlock* block);
    void Rebalance(SampleBlock* block);
    void DropNewBlocks(SampleBlock* before, SampleBlock* after);
    SampleBlock* SplitAt(std::int64_t frame);
    // Splits the block holding `at` so that new blocks go between before and after (either
    // is null at an end of the chain).
    void OpenGap(std::int64_t at, SampleBlock*& before, SampleBlock*& after);
    // Settles the blocks around new ones and tells the viewers of the inserted frames.
    void FinishInsert(SampleBlock* before, SampleBlock* lastNew, SampleBlock* after,
                      std::int64_t at, std::int64_t frames);
    void BlockPeaks(const SampleBlock& block, std::int64_t lo, std::int64_t hi, float& minimum,
                    float& maximum) const;
    void NotifyShift(double seconds);
    void NotifyChange(double start, double length);
    void UpdateDuration();

    SampleBlock* first_ = nullptr; // the track owns every block of the chain
    SampleBlock* last_ = nullptr;
    std::int64_t totalFrames_ = 0;
    int capacity_ = 0;
    int levels_ = 0; // pyramid levels above the samples

    // The last located block: sequential access and appending find their block without
    // walking the chain from its start.
    SampleBlock* hintBlock_ = nullptr;
    std::int64_t hintStart_ = 0;

    // The sequential read cursor of BeginBlockRead / NextBlockRead.
    SampleBlock* readBlock_ = nullptr;
    std::int64_t readWanted_ = 0;

    bool hasMarks_ = false;
    std::vector<CAP_AudioViewer*> viewers_;
};

// A sound of any length played or inspected while only a window of it is in memory: the
// source is decoded in blocks of 32768 frames on demand, the most recently used blocks are
// kept, and each block has a min/max pyramid for drawing. Transposing by whole semitones
// labels the same frames with another rate.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <unordered_map>
#include <vector>

#include "audio/engine/audio_container.h"
#include "audio/engine/progress_callback.h"
#include "audio/engine/rate_table.h"
#include "audio/sound_signature.h"

class CAP_SampleCache : public CAP_AudioContainer, public CAP_AudioViewer {
public:
    static constexpr int kBlockFrames = 32768;

    // The source is not owned and must outlive the cache. The first window is marked as
    // changed, so that the first Update loads it; nothing is read before.
    CAP_SampleCache(CAP_AudioContainer* source, double windowSeconds);
    ~CAP_SampleCache() override;

    // Reads load the blocks they need but never reorder the kept ones.
    int ReadFrames(float* floats, int frames, std::int64_t startFrame) override;
    // Into the kept blocks, up to the end of the sound; viewers hear of the change.
    int WriteFrames(const float* floats, int frames, std::int64_t startFrame) override;

    // Per display column (start and perColumn in seconds), over every channel; a column
    // without frames gets 0 for both.
    virtual void GetColumnPeaks(double start, double perColumn, int columns, float* minima,
                                float* maxima);
    virtual bool ComputeFileSignature(SoundSignature* signatureOut, std::uint32_t* colourOut,
                                      CAP_ProgressCallback callback, void* user);
    // Signature of frames start.. of the channels' average; the callback hears "Processing
    // audio data:" after each block and stops the walk by answering false.
    virtual bool ComputeSignature(std::int64_t start, std::int64_t frames,
                                  SoundSignature* signatureOut, std::uint32_t* colourOut,
                                  CAP_ProgressCallback callback, void* user);

    int PitchForRate(int rate) const { return rates_.PitchForRate(rate); }
    // Relabels the frames with the table's rate that many semitones from the source's rate
    // (clamped to the table).
    void SetPitch(int semitones);
    int Pitch() const { return pitch_; }

    // Drops the kept blocks of the changed range.
    void OnChange(double startSeconds, double lengthSeconds) override;
    void InvalidateAll() override;
    // Loads the blocks of the pending range, telling the callback "Loading audio data:";
    // false when it answered false.
    bool Update(CAP_ProgressCallback callback, void* user);
    bool Update() override { return Update(nullptr, nullptr); }

    void AddViewer(CAP_AudioViewer* viewer);

    int BlockLimit() const { return blockLimit_; }
    // Numbers of the kept blocks, most recently used first.
    std::vector<std::int64_t> UseOrder() const { return {useOrder_.begin(), useOrder_.end()}; }

private:
    struct Block;
    Block& GetBlock(std::int64_t index, bool touch);
    void BuildPyramid(Block& block) const;
    void BlockPeaks(const Block& block, int lo, int hi, float& minimum, float& maximum) const;
    void DropBlocks(std::int64_t firstFrame, std::int64_t endFrame);
    std::int64_t TotalFrames() const;

    CAP_AudioContainer* source_;
    int blockLimit_ = 2;
    int baseRate_ = 0;
    double sourceDuration_ = 0.0;
    double window_ = 0.0;
    double scaledWindow_ = 0.0;
    int pitch_ = 0;
    PitchRateTable rates_;
    // Kept blocks by number: a map, so that sounds of any length are covered.
    std::unordered_map<std::int64_t, std::unique_ptr<Block>> blocks_;
    std::list<std::int64_t> useOrder_;
    std::vector<CAP_AudioViewer*> viewers_;
};

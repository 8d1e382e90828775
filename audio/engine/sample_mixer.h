// The engine's in-memory sound: one or two channels whose frames live in up to 32 sample
// tracks. Writing routes each input channel into the tracks through an input gain matrix;
// reading mixes the tracks into the output channels through an output gain matrix. The whole
// sound can be re-rated a semitone step at a time to play higher or lower.
#pragma once

#include <memory>

#include "audio/engine/audio_container.h"
#include "audio/engine/progress_callback.h"
#include "audio/engine/rate_table.h"
#include "audio/engine/sample_track.h"

class CAP_SampleMixer : public CAP_AudioContainer, public CAP_AudioViewer {
public:
    static constexpr int kMaxTracks = 32;
    static constexpr int kMaxChannels = 2;

    // The mixer holds one or two channels: other counts are taken as the nearest of those
    // (LoadFrom folds a source of more channels into them). With createTracks a stereo
    // mixer gets a third track that mixes both channels down, analysed and drawn but not
    // heard.
    CAP_SampleMixer(int channels, int rate, bool createTracks);
    ~CAP_SampleMixer() override;

    // Deletes the tracks from n on; creates the missing ones at the mixer's rate.
    void SetTrackCount(int n);
    int TrackCount() const { return trackCount_; }
    CAP_SampleTrack* Track(int t) const {
        return t >= 0 && t < trackCount_ ? tracks_[t].get() : nullptr;
    }

    // Frames past a track's end read as silence in its channel. Read position = start + result.
    int ReadFrames(float* floats, int frames, std::int64_t startFrame) override;
    // Write position = start + frames.
    int WriteFrames(const float* floats, int frames, std::int64_t startFrame) override;

    // Fills the mixer from frame 0 with the source's frames, read from its read position in
    // 0.1 s chunks. The callback hears "Loading audio data:" with the percentage loaded and
    // stops the load by answering false; returns its last answer (true without one).
    bool LoadFrom(CAP_AudioContainer& source, CAP_ProgressCallback callback, void* user);
    void SetRemoveDcOffset(bool flag) { removeDc_ = flag; }
    bool RemovesDcOffset() const { return removeDc_; }

    void GetPitchRange(int& lowest, int& highest) const;
    int RateForPitch(double semitones) const { return rates_.RateForPitch(semitones); }
    int PitchForRate(int rate) const { return rates_.PitchForRate(rate); }
    // Re-rates every track to the table's rate for the pitch (clamped to the range).
    void SetPitch(double semitones);
    double Pitch() const { return pitch_; }
    const PitchRateTable& RateTable() const { return rates_; }

    // The mixer's duration follows its longest track.
    void OnShift(double deltaSeconds) override;

    float outputGains[kMaxTracks][kMaxChannels] = {}; // track t into output channel c
    float inputGains[kMaxChannels][kMaxTracks] = {};  // input channel c into track t
    double dcMeans[kMaxChannels] = {};                // from the first chunk of the last load

private:
    bool StraightOutput(int c) const;
    bool StraightInput(int t) const;
    // The frames' share of track t, written into it.
    void WriteTrack(int t, const float* in, int frames, std::int64_t start);

    bool removeDc_ = false;
    double pitch_ = 0.0;
    int trackCount_ = 0;
    std::unique_ptr<CAP_SampleTrack> tracks_[kMaxTracks];
    PitchRateTable rates_;
};

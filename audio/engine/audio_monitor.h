// A pass-through container in the recording path: every chunk going through is measured
// (a running mean per channel, the DC offset the recorder then removes, and a level per
// channel for the level meters) before it goes on to an optional downstream container.
#pragma once

#include <cstdint>
#include <deque>

#include "audio/engine/audio_container.h"

// What the monitor drives: one level meter per channel, drawn by the user interface.
class CAP_LevelMeter {
public:
    virtual ~CAP_LevelMeter() = default;
    // level: this chunk's peak distance from the mean; recentPeak: the highest level of the
    // last ten chunks; colour: the chunk's signature colour, 0x00BBGGRR.
    virtual void SetLevels(double level, double recentPeak, std::uint32_t colour) = 0;
    virtual void Redraw() = 0;
};

class CAP_AudioMonitor : public CAP_AudioContainer {
public:
    // Either meter may be null; neither is owned.
    CAP_AudioMonitor(int channels, int rate, CAP_LevelMeter* meter1, CAP_LevelMeter* meter2);

    // Reads are measured after the downstream filled the floats; writes before they go on.
    // Without a downstream the floats given are measured and the frame count is returned.
    int ReadFrames(float* floats, int frames, std::int64_t startFrame) override;
    int WriteFrames(const float* floats, int frames, std::int64_t startFrame) override;

    void SetReadDownstream(CAP_AudioContainer* downstream) { readDownstream_ = downstream; }
    void SetWriteDownstream(CAP_AudioContainer* downstream) { writeDownstream_ = downstream; }

    // The running means, handed to the recorder's SetDcOffsets.
    float channelMeans[2] = {0.0f, 0.0f};

private:
    void Measure(const float* floats, int frames);

    CAP_LevelMeter* meters_[2];
    CAP_AudioContainer* readDownstream_ = nullptr;
    CAP_AudioContainer* writeDownstream_ = nullptr;
    std::deque<double> levelHistories_[2];
    double channelSums_[2] = {0.0, 0.0};
    std::int64_t framesCounted_ = 0;
};

// Playable rates a semitone apart around a base rate, within 8000-96000 Hz: re-rating a
// sound by one of them transposes it by whole (or, between entries, fractional) semitones.
#pragma once

#include <vector>

class PitchRateTable {
public:
    explicit PitchRateTable(int baseRate = 44100) { Build(baseRate); }

    void Build(int baseRate);

    // Lowest and highest semitone offsets the table allows.
    int LowestPitch() const { return -baseIndex_; }
    int HighestPitch() const { return static_cast<int>(rates_.size()) - baseIndex_ - 1; }
    double ClampPitch(double semitones) const;

    // Whole semitones give the table's rate exactly; between them the rate is interpolated
    // linearly and truncated.
    int RateForPitch(double semitones) const;
    // The nearest entry (the lower one of two equally near), as semitones from the base.
    int PitchForRate(int rate) const;
    int RateAt(int semitones) const;

    int BaseRate() const { return baseRate_; }
    int BaseIndex() const { return baseIndex_; }
    int Size() const { return static_cast<int>(rates_.size()); }
    const std::vector<int>& Rates() const { return rates_; }

private:
    std::vector<int> rates_;
    int baseIndex_ = 0;
    int baseRate_ = 0;
};

#include "audio/engine/rate_table.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int kLowestRate = 8000;
constexpr int kHighestRate = 96000;

} // namespace

void PitchRateTable::Build(int baseRate) {
    baseRate_ = baseRate;
    rates_.clear();
    baseIndex_ = 0;
    if (baseRate < kLowestRate || baseRate > kHighestRate) {
        // Outside the playable span the sound can only keep its own rate.
        rates_.push_back(baseRate);
        return;
    }
    // Semitones as 12 x log2 so that octaves of the base (16000 -> 8000) land exactly.
    const int lowest =
        static_cast<int>(std::ceil(12.0 * std::log2(double(kLowestRate) / baseRate)));
    const int highest =
        static_cast<int>(std::floor(12.0 * std::log2(double(kHighestRate) / baseRate)));
    const double step = std::log(2.0) / 12.0;
    for (int k = lowest; k <= highest; ++k)
        rates_.push_back(static_cast<int>(std::floor(std::exp(k * step) * baseRate + 0.5)));
    baseIndex_ = -lowest;
}

double PitchRateTable::ClampPitch(double semitones) const {
    if (std::isnan(semitones))
        return 0.0;
    return std::clamp(semitones, static_cast<double>(LowestPitch()),
                      static_cast<double>(HighestPitch()));
}

int PitchRateTable::RateForPitch(double semitones) const {
    const double x = ClampPitch(semitones);
    const double whole = std::floor(x);
    const int i = baseIndex_ + static_cast<int>(whole);
    const int above = std::min(i + 1, Size() - 1);
    return static_cast<int>(rates_[above] * (x - whole) + rates_[i] * (whole + 1 - x));
}

int PitchRateTable::PitchForRate(int rate) const {
    int best = 0;
    long distance = kHighestRate;
    for (int i = 0; i < Size(); ++i) {
        const long d = std::labs(static_cast<long>(rate) - rates_[i]);
        if (d < distance) {
            distance = d;
            best = i;
        }
    }
    return best - baseIndex_;
}

int PitchRateTable::RateAt(int semitones) const {
    return rates_[baseIndex_ + static_cast<int>(ClampPitch(semitones))];
}

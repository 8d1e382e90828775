#include "audio/engine/audio_monitor.h"

#include <algorithm>
#include <cmath>

#include "audio/sound_signature.h"

namespace {

// The means settle over the first 100,000 frames (about 2 s) and then stay put, so that the
// offset removed from a recording does not drift with its content.
constexpr std::int64_t kMeanFrames = 100000;
constexpr std::size_t kLevelHistory = 10;

} // namespace

CAP_AudioMonitor::CAP_AudioMonitor(int channels, int rate, CAP_LevelMeter* meter1,
                                   CAP_LevelMeter* meter2)
    : meters_{meter1, meter2} {
    this->channels = channels;
    this->rate = rate;
}

int CAP_AudioMonitor::ReadFrames(float* floats, int frames, std::int64_t startFrame) {
    if (readDownstream_ == nullptr) {
        Measure(floats, frames);
        return frames;
    }
    const int got = readDownstream_->ReadFrames(floats, frames, startFrame);
    Measure(floats, std::max(got, 0));
    return got;
}

int CAP_AudioMonitor::WriteFrames(const float* floats, int frames, std::int64_t startFrame) {
    Measure(floats, frames);
    if (writeDownstream_ == nullptr) {
        return frames;
    }
    return writeDownstream_->WriteFrames(floats, frames, startFrame);
}

void CAP_AudioMonitor::Measure(const float* floats, int frames) {
    const int n = std::max(frames, 0);
    const int measured = std::min(channels, 2);
    if (channels <= 0) {
        return;
    }
    if (framesCounted_ < kMeanFrames && n > 0) {
        for (int c = 0; c < measured; ++c) {
            for (int f = 0; f < n; ++f) {
                channelSums_[c] += floats[static_cast<std::size_t>(f) * channels + c];
            }
            channelMeans[c] = static_cast<float>(channelSums_[c] / (framesCounted_ + n));
        }
        framesCounted_ += n;
    }
    bool coloured = false;
    std::uint32_t colour = 0;
    for (int c = 0; c < measured; ++c) {
        CAP_LevelMeter* meter = meters_[c];
        if (meter == nullptr) {
            continue;
        }
        if (!coloured) {
            SoundSignature signature{};
            ComputeSignatureOfFrames(floats, 0, n, channels, rate, 0.0f, &signature, &colour);
            coloured = true;
        }
        double level = 0.0;
        for (int f = 0; f < n; ++f) {
            const double s = floats[static_cast<std::size_t>(f) * channels + c];
            level = std::max(level, std::fabs(s - channelMeans[c]));
        }
        auto& history = levelHistories_[c];
        history.push_back(level);
        if (history.size() > kLevelHistory) {
            history.pop_front();
        }
        const double recentPeak = *std::max_element(history.begin(), history.end());
        meter->SetLevels(level, recentPeak, colour);
        meter->Redraw();
    }
}

#include "audio/engine/sample_mixer.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <thread>
#include <vector>

namespace {

// Whether column k holds full gain at row k and none at the other of the first `rows` rows.
template <typename Gains> bool UnitColumn(const Gains& gains, int k, int rows) {
    if (k >= rows || gains[k][k] != 1.0f)
        return false;
    for (int r = 0; r < rows; ++r)
        if (r != k && gains[r][k] != 0.0f)
            return false;
    return true;
}

} // namespace

CAP_SampleMixer::CAP_SampleMixer(int channels, int rate, bool createTracks) : rates_(rate) {
    this->channels = std::clamp(channels, 1, kMaxChannels);
    this->rate = rate;
    bits = 4;
    for (int c = 0; c < this->channels; ++c) {
        tracks_[c] = std::make_unique<CAP_SampleTrack>(rate);
        tracks_[c]->AddViewer(this);
        outputGains[c][c] = 1.0f;
        inputGains[c][c] = 1.0f;
    }
    trackCount_ = this->channels;
    if (createTracks && this->channels > 1) {
        SetTrackCount(this->channels + 1);
        for (int c = 0; c < this->channels; ++c)
            inputGains[c][this->channels] = 1.0f / static_cast<float>(this->channels);
    }
}

CAP_SampleMixer::~CAP_SampleMixer() = default;

void CAP_SampleMixer::SetTrackCount(int n) {
    n = std::clamp(n, 0, kMaxTracks);
    for (int t = n; t < trackCount_; ++t)
        tracks_[t].reset();
    for (int t = trackCount_; t < n; ++t) {
        tracks_[t] = std::make_unique<CAP_SampleTrack>(rate);
        tracks_[t]->AddViewer(this);
    }
    trackCount_ = n;
    OnShift(0.0);
}

bool CAP_SampleMixer::StraightOutput(int c) const {
    return UnitColumn(outputGains, c, trackCount_);
}

bool CAP_SampleMixer::StraightInput(int t) const {
    return UnitColumn(inputGains, t, channels);
}

int CAP_SampleMixer::ReadFrames(float* out, int frames, std::int64_t start) {
    if (!out || frames <= 0 || start < 0)
        return 0;
    int result = 0;
    std::vector<float> scratch;
    for (int c = 0; c < channels; ++c) {
        if (StraightOutput(c)) {
            // Straight from the track's blocks, no scratch copy.
            int done = 0;
            int count = 0;
            for (const float* p = tracks_[c]->BeginBlockRead(start, count, frames); p;
                 p = tracks_[c]->NextBlockRead(count)) {
                for (int i = 0; i < count; ++i)
                    out[static_cast<std::int64_t>(done + i) * channels + c] = p[i];
                done += count;
            }
            for (int i = done; i < frames; ++i)
                out[static_cast<std::int64_t>(i) * channels + c] = 0.0f;
            result = std::max(result, done);
            continue;
        }
        for (int i = 0; i < frames; ++i)
            out[static_cast<std::int64_t>(i) * channels + c] = 0.0f;
        for (int t = 0; t < trackCount_; ++t) {
            const float gain = outputGains[t][c];
            if (gain == 0.0f)
                continue;
            scratch.resize(static_cast<std::size_t>(frames));
            const int got = tracks_[t]->ReadFrames(scratch.data(), frames, start);
            for (int i = 0; i < got; ++i)
                out[static_cast<std::int64_t>(i) * channels + c] += gain * scratch[i];
            result = std::max(result, got);
        }
    }
    readPosition = start + result;
    return result;
}

namespace {

// Writes this long go to the tracks side by side, one thread each: every track builds its
// own blocks, pyramids and signatures, and nothing else is shared.
constexpr int kParallelFrames = 65536;

} // namespace

void CAP_SampleMixer::WriteTrack(int t, const float* in, int frames, std::int64_t start) {
    if (StraightInput(t)) {
        tracks_[t]->MixSamples(in + t, frames, start, channels, 100, 0);
        return;
    }
    std::vector<float> scratch(static_cast<std::size_t>(frames), 0.0f);
    for (int c = 0; c < channels; ++c) {
        const float gain = inputGains[c][t];
        if (gain == 0.0f)
            continue;
        for (int i = 0; i < frames; ++i)
            scratch[i] += gain * in[static_cast<std::int64_t>(i) * channels + c];
    }
    tracks_[t]->WriteFrames(scratch.data(), frames, start);
}

int CAP_SampleMixer::WriteFrames(const float* in, int frames, std::int64_t start) {
    if (!in || frames <= 0 || start < 0)
        return 0;
    if (trackCount_ > 1 && frames >= kParallelFrames) {
        std::vector<std::exception_ptr> failures(static_cast<std::size_t>(trackCount_));
        std::vector<std::thread> workers;
        auto run = [&](int t) {
            try {
                WriteTrack(t, in, frames, start);
            } catch (...) {
                failures[static_cast<std::size_t>(t)] = std::current_exception();
            }
        };
        for (int t = 1; t < trackCount_; ++t)
            workers.emplace_back(run, t);
        run(0);
        for (std::thread& worker : workers)
            worker.join();
        for (const std::exception_ptr& failure : failures)
            if (failure)
                std::rethrow_exception(failure);
    } else {
        for (int t = 0; t < trackCount_; ++t)
            WriteTrack(t, in, frames, start);
    }
    writePosition = start + frames;
    return frames;
}

namespace {

// A source frame folded into the mixer's channels: the same count is taken as it is, one
// channel is spread over two, and more channels than the mixer has are averaged into mono or
// give their first two (front left and right) to stereo.
void FoldChannels(const float* in, int inChannels, float* out, int outChannels, int frames) {
    for (int i = 0; i < frames; ++i) {
        const float* from = in + static_cast<std::int64_t>(i) * inChannels;
        float* to = out + static_cast<std::int64_t>(i) * outChannels;
        if (outChannels == 1) {
            double sum = 0.0;
            for (int c = 0; c < inChannels; ++c)
                sum += from[c];
            to[0] = static_cast<float>(sum / inChannels);
        } else {
            to[0] = from[0];
            to[1] = from[inChannels > 1 ? 1 : 0];
        }
    }
}

} // namespace

bool CAP_SampleMixer::LoadFrom(CAP_AudioContainer& source, CAP_ProgressCallback callback,
                               void* user) {
    static const char kText[] = "Loading audio data:";
    const int sourceChannels = std::max(1, source.channels);
    const double expectedFrames = std::floor(source.rate * source.duration + 0.5);
    const std::int64_t expected = static_cast<std::int64_t>(expectedFrames);
    const int chunk = std::max(2, static_cast<int>(std::floor(0.1 * source.rate + 0.5)) & ~1);
    // Each load has its own buffers, sized for the source's chunk: loads run on the indexer's
    // worker and on the user-interface thread at once.
    std::vector<float> buffer(static_cast<std::size_t>(chunk) * sourceChannels);
    std::vector<float> folded;
    const bool fold = sourceChannels != channels;
    if (fold)
        folded.resize(static_cast<std::size_t>(chunk) * channels);

    bool answer = true;
    if (callback && !(answer = callback(user, kText, 0)))
        return false;
    std::int64_t position = source.readPosition;
    std::int64_t loaded = 0;
    bool measured = false;
    // Chunks are gathered into batches before they reach the tracks, so that long sounds
    // are written to all tracks at once.
    std::vector<float> batch;
    std::int64_t batchStart = loaded;
    auto flush = [&] {
        const int n = static_cast<int>(batch.size() / static_cast<std::size_t>(channels));
        if (n > 0)
            WriteFrames(batch.data(), n, batchStart);
        batchStart += n;
        batch.clear();
    };
    for (;;) {
        const int got = source.ReadFrames(buffer.data(), chunk, position);
        if (got <= 0)
            break;
        position += got;
        float* frames = buffer.data();
        if (fold) {
            FoldChannels(buffer.data(), sourceChannels, folded.data(), channels, got);
            frames = folded.data();
        }
        if (removeDc_) {
            if (!measured) {
                for (int c = 0; c < channels; ++c) {
                    double sum = 0.0;
                    for (int i = 0; i < got; ++i)
                        sum += frames[static_cast<std::int64_t>(i) * channels + c];
                    dcMeans[c] = sum / got;
                }
                measured = true;
            }
            for (int i = 0; i < got; ++i)
                for (int c = 0; c < channels; ++c) {
                    float& x = frames[static_cast<std::int64_t>(i) * channels + c];
                    x = std::clamp(static_cast<float>(x - dcMeans[c]), -1.0f, 1.0f);
                }
        }
        batch.insert(batch.end(), frames, frames + static_cast<std::int64_t>(got) * channels);
        if (batch.size() >= static_cast<std::size_t>(kParallelFrames) * channels)
            flush();
        loaded += got;
        if (callback && expected > 0 &&
            !(answer = callback(user, kText, static_cast<int>(loaded * 100 / expected)))) {
            flush();
            return false;
        }
    }
    flush();
    if (callback && loaded < expected)
        answer = callback(user, "", 100);
    return answer;
}

void CAP_SampleMixer::GetPitchRange(int& lowest, int& highest) const {
    lowest = rates_.LowestPitch();
    highest = rates_.HighestPitch();
}

void CAP_SampleMixer::SetPitch(double semitones) {
    if (semitones == pitch_)
        return;
    pitch_ = rates_.ClampPitch(semitones);
    rate = rates_.RateForPitch(pitch_);
    for (int t = 0; t < trackCount_; ++t)
        tracks_[t]->SetRate(rate);
    OnShift(0.0);
}

void CAP_SampleMixer::OnShift(double) {
    double longest = 0.0;
    for (int t = 0; t < trackCount_; ++t)
        if (tracks_[t])
            longest = std::max(longest, tracks_[t]->duration);
    duration = longest;
}

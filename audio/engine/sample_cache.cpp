#include "audio/engine/sample_cache.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int kLevels = 5; // 4096, 512, 64, 8 and 1 entries per channel

std::int64_t RoundHalfAway(double x) {
    return static_cast<std::int64_t>(x >= 0 ? std::floor(x + 0.5) : std::ceil(x - 0.5));
}

int LevelEntries(int level) {
    return CAP_SampleCache::kBlockFrames >> (3 * level);
}

// Walks n frames from start in pieces that each stay within one block: the block's index,
// the offset in it, the frames done before the piece and the piece's length.
template <typename F> void ForEachSpan(std::int64_t start, std::int64_t n, F&& piece) {
    constexpr int kBlockFrames = CAP_SampleCache::kBlockFrames;
    for (std::int64_t done = 0; done < n;) {
        const std::int64_t frame = start + done;
        const std::int64_t offset = frame % kBlockFrames;
        const std::int64_t take = std::min<std::int64_t>(kBlockFrames - offset, n - done);
        piece(frame / kBlockFrames, offset, done, take);
        done += take;
    }
}

} // namespace

struct CAP_SampleCache::Block {
    std::vector<float> frames; // kBlockFrames interleaved frames, zeros past the source's end
    // Per level, per entry, per channel: a minimum and a maximum.
    std::vector<float> levels[kLevels];
    std::list<std::int64_t>::iterator use;
};

CAP_SampleCache::CAP_SampleCache(CAP_AudioContainer* source, double windowSeconds)
    : source_(source) {
    channels = source ? std::max(1, source->channels) : 1;
    rate = source ? source->rate : 0;
    duration = source ? source->duration : 0.0;
    bits = 16;
    compressionKind = 17;
    baseRate_ = rate;
    sourceDuration_ = duration;
    window_ = scaledWindow_ = windowSeconds;
    blockLimit_ = std::max(2, static_cast<int>(windowSeconds * baseRate_ / kBlockFrames + 2));
    rates_.Build(baseRate_);
    OnChange(0.0, windowSeconds);
}

CAP_SampleCache::~CAP_SampleCache() = default;

void CAP_SampleCache::AddViewer(CAP_AudioViewer* viewer) {
    if (viewer)
        viewers_.push_back(viewer);
}

std::int64_t CAP_SampleCache::TotalFrames() const {
    return std::max<std::int64_t>(0, RoundHalfAway(rate * duration));
}

void CAP_SampleCache::BuildPyramid(Block& block) const {
    const float* below = block.frames.data();
    int belowStride = 1; // floats per entry and channel below: samples have no maximum
    for (int level = 0; level < kLevels; ++level) {
        const int entries = LevelEntries(level + 1);
        std::vector<float>& out = block.levels[level];
        out.resize(static_cast<std::size_t>(entries) * channels * 2);
        for (int e = 0; e < entries; ++e)
            for (int c = 0; c < channels; ++c) {
                float lo = 1.0f;
                float hi = -1.0f;
                bool first = true;
                for (int j = e * 8; j < e * 8 + 8; ++j) {
                    const float* entry =
                        below + (static_cast<std::int64_t>(j) * channels + c) * belowStride;
                    const float entryMin = entry[0];
                    const float entryMax = entry[belowStride - 1];
                    lo = first ? entryMin : std::min(lo, entryMin);
                    hi = first ? entryMax : std::max(hi, entryMax);
                    first = false;
                }
                out[(static_cast<std::size_t>(e) * channels + c) * 2] = lo;
                out[(static_cast<std::size_t>(e) * channels + c) * 2 + 1] = hi;
            }
        below = out.data();
        belowStride = 2;
    }
}

CAP_SampleCache::Block& CAP_SampleCache::GetBlock(std::int64_t index, bool touch) {
    auto found = blocks_.find(index);
    if (found != blocks_.end()) {
        Block& block = *found->second;
        if (touch && block.use != useOrder_.begin())
            useOrder_.splice(useOrder_.begin(), useOrder_, block.use);
        return block;
    }
    auto block = std::make_unique<Block>();
    block->frames.assign(static_cast<std::size_t>(kBlockFrames) * channels, 0.0f);
    const std::int64_t first = index * kBlockFrames;
    const std::int64_t sourceFrames =
        source_ ? RoundHalfAway(source_->rate * source_->duration) : 0;
    if (source_ && first < sourceFrames && source_->channels == channels) {
        const int got = source_->ReadFrames(block->frames.data(), kBlockFrames, first);
        // Whatever the source did not give stays silent.
        if (got >= 0 && got < kBlockFrames)
            std::fill(block->frames.begin() + static_cast<std::int64_t>(got) * channels,
                      block->frames.end(), 0.0f);
    }
    BuildPyramid(*block);
    useOrder_.push_front(index);
    block->use = useOrder_.begin();
    Block& kept = *block;
    blocks_.emplace(index, std::move(block));
    if (static_cast<int>(blocks_.size()) > blockLimit_) {
        // The least recently used block goes; the one just loaded sits at the front.
        const std::int64_t oldest = useOrder_.back();
        useOrder_.pop_back();
        blocks_.erase(oldest);
    }
    return kept;
}

int CAP_SampleCache::ReadFrames(float* out, int frames, std::int64_t start) {
    if (!out || start < 0)
        return 0;
    const std::int64_t n = std::min<std::int64_t>(frames, TotalFrames() - start);
    if (n <= 0)
        return 0;
    ForEachSpan(start, n,
                [&](std::int64_t index, std::int64_t offset, std::int64_t done, std::int64_t take) {
                    const Block& block = GetBlock(index, false);
                    std::memcpy(out + done * channels, block.frames.data() + offset * channels,
                                static_cast<std::size_t>(take * channels) * sizeof(float));
                });
    return static_cast<int>(n);
}

int CAP_SampleCache::WriteFrames(const float* in, int frames, std::int64_t start) {
    if (!in || start < 0)
        return 0;
    const std::int64_t n = std::min<std::int64_t>(frames, TotalFrames() - start);
    if (n <= 0)
        return 0;
    ForEachSpan(start, n,
                [&](std::int64_t index, std::int64_t offset, std::int64_t done, std::int64_t take) {
                    Block& block = GetBlock(index, false);
                    std::memcpy(block.frames.data() + offset * channels, in + done * channels,
                                static_cast<std::size_t>(take * channels) * sizeof(float));
                    BuildPyramid(block);
                });
    for (CAP_AudioViewer* viewer : viewers_)
        viewer->OnChange(static_cast<double>(start) / rate, static_cast<double>(n) / rate);
    return static_cast<int>(n);
}

void CAP_SampleCache::BlockPeaks(const Block& block, int lo, int hi, float& minimum,
                                 float& maximum) const {
    const float* data = block.frames.data();
    int stride = 1; // level 0 holds samples: the minimum and the maximum are one value
    for (int level = 0;; ++level) {
        const int lo8 = (lo + 7) & ~7;
        const int hi8 = hi & ~7;
        auto scan = [&](int from, int to) {
            for (int e = from; e < to; ++e)
                for (int c = 0; c < channels; ++c) {
                    const float* entry =
                        data + (static_cast<std::int64_t>(e) * channels + c) * stride;
                    minimum = std::min(minimum, entry[0]);
                    maximum = std::max(maximum, entry[stride - 1]);
                }
        };
        if (level == kLevels || lo8 >= hi8) {
            scan(lo, hi);
            return;
        }
        scan(lo, lo8);
        scan(hi8, hi);
        lo = lo8 / 8;
        hi = hi8 / 8;
        data = block.levels[level].data();
        stride = 2;
    }
}

void CAP_SampleCache::GetColumnPeaks(double start, double perColumn, int columns, float* minima,
                                     float* maxima) {
    if (!minima || !maxima)
        return;
    const std::int64_t total = TotalFrames();
    for (int j = 0; j < columns; ++j) {
        // Frames past the end of the sound count as none: no block is made for them.
        const std::int64_t from =
            std::clamp<std::int64_t>(RoundHalfAway(rate * (start + j * perColumn)), 0, total);
        const std::int64_t to =
            std::clamp<std::int64_t>(RoundHalfAway(rate * (start + (j + 1) * perColumn)), 0, total);
        if (to <= from) {
            minima[j] = maxima[j] = 0.0f;
            continue;
        }
        minima[j] = 1.0f;
        maxima[j] = -1.0f;
        // Block by block, each touched as it is reached: a column spanning more blocks than
        // are kept never evicts one it still needs.
        for (std::int64_t frame = from; frame < to;) {
            const std::int64_t index = frame / kBlockFrames;
            const int offset = static_cast<int>(frame % kBlockFrames);
            const int end =
                static_cast<int>(std::min<std::int64_t>(kBlockFrames, offset + (to - frame)));
            BlockPeaks(GetBlock(index, true), offset, end, minima[j], maxima[j]);
            frame += end - offset;
        }
    }
}

bool CAP_SampleCache::ComputeSignature(std::int64_t start, std::int64_t frames,
                                       SoundSignature* signatureOut, std::uint32_t* colourOut,
                                       CAP_ProgressCallback callback, void* user) {
    static const char kText[] = "Processing audio data:";
    start = std::max<std::int64_t>(start, 0);
    const std::int64_t last = std::min(TotalFrames() - 1, start + frames - 1);
    SignatureAnalyzerPtr analyzer(CreateSignatureAnalyzer(rate));
    bool answer = true;
    if (callback)
        answer = callback(user, kText, 0);
    const std::int64_t count = last - start + 1;
    for (std::int64_t frame = start; frame <= last && answer;) {
        const std::int64_t index = frame / kBlockFrames;
        const std::int64_t offset = frame % kBlockFrames;
        const std::int64_t take = std::min<std::int64_t>(kBlockFrames - offset, last + 1 - frame);
        const float* in = GetBlock(index, true).frames.data() + offset * channels;
        for (std::int64_t i = 0; i < take; ++i) {
            double sum = 0.0;
            for (int c = 0; c < channels; ++c)
                sum += in[i * channels + c];
            AddSignatureSample(analyzer.get(), QuantizeSignatureSample(sum / channels));
        }
        frame += take;
        if (callback)
            answer = callback(user, kText,
                              static_cast<int>(RoundHalfAway(100.0 * (frame - start) / count)));
    }
    FinishSignature(analyzer.get(), signatureOut);
    if (colourOut && signatureOut)
        *colourOut = SignatureToColor(signatureOut);
    return answer;
}

bool CAP_SampleCache::ComputeFileSignature(SoundSignature* signatureOut, std::uint32_t* colourOut,
                                           CAP_ProgressCallback callback, void* user) {
    return ComputeSignature(0, TotalFrames(), signatureOut, colourOut, callback, user);
}

void CAP_SampleCache::SetPitch(int semitones) {
    if (baseRate_ <= 0)
        return; // a sound without a rate has nothing to transpose
    pitch_ = static_cast<int>(rates_.ClampPitch(semitones));
    const int newRate = rates_.RateAt(pitch_);
    const double factor = static_cast<double>(newRate) / baseRate_;
    // The pending range is in seconds at the rate it was noted at, which is the base rate
    // only before the first transposition.
    const double step = rate > 0 ? static_cast<double>(rate) / newRate : 1.0 / factor;
    rate = newRate;
    duration = sourceDuration_ / factor;
    scaledWindow_ = window_ / factor;
    pendingStart *= step;
    pendingLength *= step;
}

void CAP_SampleCache::DropBlocks(std::int64_t firstFrame, std::int64_t endFrame) {
    if (endFrame <= firstFrame || blocks_.empty())
        return;
    const std::int64_t firstBlock = std::max<std::int64_t>(0, firstFrame / kBlockFrames);
    const std::int64_t lastBlock = (endFrame - 1) / kBlockFrames;
    // Walk whichever is shorter: the kept blocks or the changed range.
    if (lastBlock - firstBlock + 1 > static_cast<std::int64_t>(blocks_.size())) {
        for (auto it = useOrder_.begin(); it != useOrder_.end();) {
            if (*it >= firstBlock && *it <= lastBlock) {
                blocks_.erase(*it);
                it = useOrder_.erase(it);
            } else {
                ++it;
            }
        }
        return;
    }
    for (std::int64_t i = firstBlock; i <= lastBlock; ++i) {
        auto found = blocks_.find(i);
        if (found != blocks_.end()) {
            useOrder_.erase(found->second->use);
            blocks_.erase(found);
        }
    }
}

void CAP_SampleCache::OnChange(double startSeconds, double lengthSeconds) {
    if (rate > 0 && lengthSeconds > 0)
        DropBlocks(static_cast<std::int64_t>(std::floor(startSeconds * rate)),
                   static_cast<std::int64_t>(std::ceil((startSeconds + lengthSeconds) * rate)));
    CAP_AudioViewer::OnChange(startSeconds, lengthSeconds);
}

void CAP_SampleCache::InvalidateAll() {
    OnChange(0.0, std::max(scaledWindow_, duration));
}

bool CAP_SampleCache::Update(CAP_ProgressCallback callback, void* user) {
    static const char kText[] = "Loading audio data:";
    const std::int64_t total = TotalFrames();
    const std::int64_t from =
        std::clamp<std::int64_t>(RoundHalfAway(pendingStart * rate), 0, total);
    const std::int64_t to =
        std::clamp<std::int64_t>(RoundHalfAway((pendingStart + pendingLength) * rate), 0, total);
    // Only the blocks that hold frames of the sound: none is made for the silence past it.
    const std::int64_t firstBlock = from / kBlockFrames;
    const std::int64_t count =
        pendingLength > 0 && to > from ? (to - 1) / kBlockFrames - firstBlock + 1 : 0;
    if (callback && !callback(user, kText, 0))
        return false;
    for (std::int64_t k = 0; k < count; ++k) {
        GetBlock(firstBlock + k, true);
        if (callback && !callback(user, kText, static_cast<int>(100 * (k + 1) / count)))
            return false;
    }
    return CAP_AudioViewer::Update();
}

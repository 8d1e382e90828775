#include "audio/engine/sample_track.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

namespace {

constexpr int kMaxPyramidLevels = 9;

std::int64_t RoundHalfAway(double x) {
    return static_cast<std::int64_t>(x >= 0 ? std::floor(x + 0.5) : std::ceil(x - 0.5));
}

std::int64_t LevelEntries(std::int64_t frames, int level) {
    const std::int64_t group = std::int64_t{1} << (3 * level);
    return (frames + group - 1) / group;
}

} // namespace

CAP_SampleTrack::CAP_SampleTrack(int rate) {
    channels = 1;
    this->rate = rate;
    SetLayout();
}

CAP_SampleTrack::~CAP_SampleTrack() {
    for (SampleBlock* block = first_; block;) {
        SampleBlock* next = block->next;
        delete block;
        block = next;
    }
}

void CAP_SampleTrack::SetLayout() {
    // 0.1 s with bit 0 cleared, so that half a block is a whole number of frames; never less
    // than 2 so that every block can take at least one frame.
    capacity_ = std::max<int>(2, static_cast<int>(RoundHalfAway(0.1 * rate)) & ~1);
    levels_ = 0;
    while (levels_ < kMaxPyramidLevels && (capacity_ >> (3 * (levels_ + 1))) > 0)
        ++levels_;
}

void CAP_SampleTrack::UpdateDuration() {
    duration = rate > 0 ? static_cast<double>(totalFrames_) / rate : 0.0;
}

void CAP_SampleTrack::NotifyShift(double seconds) {
    for (CAP_AudioViewer* viewer : viewers_)
        viewer->OnShift(seconds);
}

void CAP_SampleTrack::NotifyChange(double start, double length) {
    for (CAP_AudioViewer* viewer : viewers_)
        viewer->OnChange(start, length);
}

void CAP_SampleTrack::AddViewer(CAP_AudioViewer* viewer) {
    if (viewer)
        viewers_.push_back(viewer);
}

void CAP_SampleTrack::RemoveViewer(CAP_AudioViewer* viewer) {
    viewers_.erase(std::remove(viewers_.begin(), viewers_.end(), viewer), viewers_.end());
}

// --- the chain ---------------------------------------------------------------------------

CAP_SampleTrack::Location CAP_SampleTrack::Locate(std::int64_t frame) {
    Location at;
    if (!first_)
        return at;
    if (frame >= totalFrames_) {
        // The end of the last block when it still has room; else no block.
        if (last_->frames < capacity_) {
            at.block = last_;
            at.offset = last_->frames;
            at.blockStart = totalFrames_ - last_->frames;
        }
        return at;
    }
    frame = std::max<std::int64_t>(frame, 0);
    // Walk from whichever known block lies nearest: the first, the last or the last located.
    SampleBlock* block = first_;
    std::int64_t start = 0;
    std::int64_t distance = frame;
    const std::int64_t lastStart = totalFrames_ - last_->frames;
    if (std::abs(lastStart - frame) < distance) {
        block = last_;
        start = lastStart;
        distance = std::abs(lastStart - frame);
    }
    if (hintBlock_ && std::abs(hintStart_ - frame) < distance) {
        block = hintBlock_;
        start = hintStart_;
    }
    while (frame < start) {
        block = block->previous;
        start -= block->frames;
    }
    while (frame >= start + block->frames) {
        start += block->frames;
        block = block->next;
    }
    hintBlock_ = block;
    hintStart_ = start;
    at.block = block;
    at.offset = frame - start;
    at.blockStart = start;
    return at;
}

// Blocks were added, removed or resized: forget every position that named one.
void CAP_SampleTrack::StructureChanged() {
    hintBlock_ = nullptr;
    readBlock_ = nullptr;
    readWanted_ = 0;
}

// A block's samples take only the room they need: new blocks are half full, and an hour of
// sound would otherwise hold twice its size.
SampleBlock* CAP_SampleTrack::NewBlock() {
    return new SampleBlock;
}

void CAP_SampleTrack::LinkAfter(SampleBlock* before, SampleBlock* block) {
    block->previous = before;
    block->next = before ? before->next : first_;
    if (block->next)
        block->next->previous = block;
    else
        last_ = block;
    if (before)
        before->next = block;
    else
        first_ = block;
    StructureChanged();
}

void CAP_SampleTrack::Unlink(SampleBlock* block) {
    if (block->previous)
        block->previous->next = block->next;
    else
        first_ = block->next;
    if (block->next)
        block->next->previous = block->previous;
    else
        last_ = block->previous;
    block->previous = block->next = nullptr;
    StructureChanged();
}

void CAP_SampleTrack::BuildPyramid(SampleBlock* block) const {
    const std::int64_t frames = block->frames;
    std::int64_t size = 0;
    for (int level = 1; level <= levels_; ++level)
        size += 2 * LevelEntries(frames, level);
    // Built aside and swapped in: a block never holds a pyramid of another length.
    std::vector<float> pyramid(static_cast<std::size_t>(size));
    if (frames == 0) {
        block->pyramid.swap(pyramid);
        return;
    }
    float* out = pyramid.data();
    // Level 1 reads the samples for both its minima and its maxima.
    const float* lowMin = block->samples.data();
    const float* lowMax = block->samples.data();
    std::int64_t lowCount = frames;
    for (int level = 1; level <= levels_; ++level) {
        const std::int64_t count = LevelEntries(frames, level);
        float* mins = out;
        float* maxs = out + count;
        for (std::int64_t j = 0; j < count; ++j) {
            const std::int64_t end = std::min(lowCount, j * 8 + 8);
            float lo = lowMin[j * 8];
            float hi = lowMax[j * 8];
            for (std::int64_t i = j * 8 + 1; i < end; ++i) {
                lo = std::min(lo, lowMin[i]);
                hi = std::max(hi, lowMax[i]);
            }
            mins[j] = lo;
            maxs[j] = hi;
        }
        lowMin = mins;
        lowMax = maxs;
        lowCount = count;
        out += 2 * count;
    }
    block->pyramid.swap(pyramid);
}

void CAP_SampleTrack::ClearAllMarks() {
    for (SampleBlock* block = first_; block; block = block->next) {
        block->score = 0.0f;
        block->groupHead = nullptr;
        block->selected = false;
    }
    hasMarks_ = false;
}

void CAP_SampleTrack::DissolveMarks(SampleBlock* block) {
    if (!hasMarks_)
        return;
    if (!block || block->selected) {
        ClearAllMarks();
        return;
    }
    SampleBlock* head = block->groupHead;
    block->score = 0.0f;
    block->groupHead = nullptr;
    if (!head)
        return;
    for (SampleBlock* b = block->next; b && b->groupHead == head; b = b->next) {
        b->score = 0.0f;
        b->groupHead = nullptr;
    }
}

void CAP_SampleTrack::Recompute(SampleBlock* block) {
    DissolveMarks(block);
    BuildPyramid(block);
    ComputeSignatureOfFrames(block->samples.data(), 0, block->frames, 1, rate, 0.0f,
                             &block->signature, &block->colour);
}

void CAP_SampleTrack::Split(SampleBlock* block, int offset) {
    if (offset <= 0 || offset >= block->frames)
        return;
    std::unique_ptr<SampleBlock> made(NewBlock());
    made->samples.assign(block->samples.begin() + offset, block->samples.end());
    SampleBlock* tail = made.release();
    tail->frames = block->frames - offset;
    block->samples.resize(static_cast<std::size_t>(offset));
    block->frames = offset;
    LinkAfter(block, tail);
    Recompute(block);
    Recompute(tail);
}

void CAP_SampleTrack::MergeWithNext(SampleBlock* block) {
    SampleBlock* next = block->next;
    if (!next || block->frames + next->frames > capacity_)
        return;
    block->samples.insert(block->samples.end(), next->samples.begin(), next->samples.end());
    block->frames += next->frames;
    DissolveMarks(next);
    Unlink(next);
    delete next;
    Recompute(block);
}

void CAP_SampleTrack::Rebalance(SampleBlock* block) {
    const int half = capacity_ / 2;
    try {
        while (block && block->next && block->frames < half) {
            SampleBlock* next = block->next;
            if (block->frames + next->frames > capacity_)
                Split(next, next->frames - half);
            MergeWithNext(block);
        }
    } catch (const std::bad_alloc&) {
        // Balance only saves room: short blocks are as valid as full ones.
    }
}

// An insert that could not finish takes its new blocks out again, so the track holds what
// it held before.
void CAP_SampleTrack::DropNewBlocks(SampleBlock* before, SampleBlock* after) {
    SampleBlock* block = before ? before->next : first_;
    while (block && block != after) {
        SampleBlock* next = block->next;
        Unlink(block);
        delete block;
        block = next;
    }
}

// The block that starts at frame after splitting the one holding it; null at the end.
SampleBlock* CAP_SampleTrack::SplitAt(std::int64_t frame) {
    Location at = Locate(frame);
    if (!at.block || at.offset >= at.block->frames)
        return nullptr;
    if (at.offset == 0)
        return at.block;
    Split(at.block, static_cast<int>(at.offset));
    return at.block->next;
}

// --- reading -----------------------------------------------------------------------------

const float* CAP_SampleTrack::BeginBlockRead(std::int64_t start, int& count, std::int64_t wanted) {
    count = 0;
    readBlock_ = nullptr;
    readWanted_ = 0;
    if (start < 0 || wanted <= 0 || start >= totalFrames_)
        return nullptr;
    Location at = Locate(start);
    count = static_cast<int>(std::min<std::int64_t>(at.block->frames - at.offset, wanted));
    readBlock_ = at.block;
    readWanted_ = wanted - count;
    return at.block->samples.data() + at.offset;
}

const float* CAP_SampleTrack::NextBlockRead(int& count) {
    count = 0;
    if (!readBlock_ || readWanted_ <= 0 || !readBlock_->next) {
        readBlock_ = nullptr;
        return nullptr;
    }
    readBlock_ = readBlock_->next;
    count = static_cast<int>(std::min<std::int64_t>(readBlock_->frames, readWanted_));
    readWanted_ -= count;
    return readBlock_->samples.data();
}

int CAP_SampleTrack::ReadFrames(float* floats, int frames, std::int64_t startFrame) {
    if (!floats || frames <= 0 || startFrame < 0 || startFrame >= totalFrames_)
        return 0;
    Location at = Locate(startFrame);
    int done = 0;
    for (SampleBlock* block = at.block; block && done < frames; block = block->next) {
        const std::int64_t n = std::min<std::int64_t>(block->frames - at.offset, frames - done);
        std::memcpy(floats + done, block->samples.data() + at.offset,
                    static_cast<std::size_t>(n) * sizeof(float));
        done += static_cast<int>(n);
        at.offset = 0;
    }
    return done;
}

// --- editing -----------------------------------------------------------------------------

void CAP_SampleTrack::OpenGap(std::int64_t at, SampleBlock*& before, SampleBlock*& after) {
    Location where = Locate(at);
    if (!where.block) {
        before = last_;
        after = nullptr;
    } else if (where.offset == 0) {
        before = where.block->previous;
        after = where.block;
    } else {
        Split(where.block, static_cast<int>(where.offset));
        before = where.block;
        after = before->next;
    }
}

void CAP_SampleTrack::FinishInsert(SampleBlock* before, SampleBlock* lastNew, SampleBlock* after,
                                   std::int64_t at, std::int64_t frames) {
    // After, then the last new block, then before: each merge only ever frees a block that
    // follows the one being rebalanced.
    Rebalance(after);
    Rebalance(lastNew);
    Rebalance(before);
    totalFrames_ += frames;
    UpdateDuration();
    NotifyShift(static_cast<double>(frames) / rate);
    NotifyChange(static_cast<double>(at) / rate, static_cast<double>(totalFrames_ - at) / rate);
}

void CAP_SampleTrack::InsertSamples(const float* samples, std::int64_t frames, std::int64_t at,
                                    int step) {
    if (!samples || frames <= 0)
        return;
    at = std::clamp<std::int64_t>(at, 0, totalFrames_);
    step = std::max(step, 1);
    SampleBlock* before;
    SampleBlock* after;
    OpenGap(at, before, after);
    const int half = capacity_ / 2;
    SampleBlock* lastNew = before;
    try {
        for (std::int64_t done = 0; done < frames;) {
            const int n = static_cast<int>(std::min<std::int64_t>(frames - done, half));
            std::unique_ptr<SampleBlock> made(NewBlock());
            made->samples.resize(static_cast<std::size_t>(n));
            const float* in = samples + done * step;
            for (int i = 0; i < n; ++i)
                made->samples[i] = in[static_cast<std::int64_t>(i) * step];
            made->frames = n;
            SampleBlock* block = made.release();
            LinkAfter(lastNew, block);
            Recompute(block);
            lastNew = block;
            done += n;
        }
    } catch (...) {
        DropNewBlocks(before, after);
        throw;
    }
    FinishInsert(before, lastNew, after, at, frames);
}

void CAP_SampleTrack::InsertFromTrack(const CAP_SampleTrack& source, std::int64_t frames,
                                      std::int64_t at, std::int64_t sourceStart) {
    if (&source == this) {
        // Copy first: the source's blocks are about to change under the walk.
        std::vector<float> copy(static_cast<std::size_t>(std::max<std::int64_t>(
            0, std::min(frames, totalFrames_ - std::max<std::int64_t>(sourceStart, 0)))));
        const int got = ReadFrames(copy.data(), static_cast<int>(copy.size()), sourceStart);
        InsertSamples(copy.data(), got, at, 1);
        return;
    }
    if (sourceStart < 0 || sourceStart >= source.totalFrames_)
        return;
    frames = std::min(frames, source.totalFrames_ - sourceStart);
    if (frames <= 0)
        return;
    at = std::clamp<std::int64_t>(at, 0, totalFrames_);
    SampleBlock* before;
    SampleBlock* after;
    OpenGap(at, before, after);
    // Find the source block holding sourceStart without disturbing the source's cursors.
    const SampleBlock* from = source.first_;
    std::int64_t offset = sourceStart;
    while (offset >= from->frames) {
        offset -= from->frames;
        from = from->next;
    }
    const bool sameLayout = source.capacity_ == capacity_ && source.rate == rate;
    const int half = capacity_ / 2;
    SampleBlock* lastNew = before;
    try {
        for (std::int64_t done = 0; done < frames; from = from->next, offset = 0) {
            const std::int64_t take = std::min<std::int64_t>(from->frames - offset, frames - done);
            if (sameLayout && offset == 0 && take == from->frames) {
                // A whole block keeps its signature, colour and pyramid; not its match marks.
                std::unique_ptr<SampleBlock> made(NewBlock());
                made->frames = from->frames;
                made->samples = from->samples;
                made->pyramid = from->pyramid;
                made->signature = from->signature;
                made->colour = from->colour;
                SampleBlock* block = made.release();
                LinkAfter(lastNew, block);
                lastNew = block;
            } else {
                for (std::int64_t part = 0; part < take;) {
                    const int n = static_cast<int>(std::min<std::int64_t>(take - part, half));
                    std::unique_ptr<SampleBlock> made(NewBlock());
                    const auto first = from->samples.begin() + (offset + part);
                    made->samples.assign(first, first + n);
                    made->frames = n;
                    SampleBlock* block = made.release();
                    LinkAfter(lastNew, block);
                    Recompute(block);
                    lastNew = block;
                    part += n;
                }
            }
            done += take;
        }
    } catch (...) {
        DropNewBlocks(before, after);
        throw;
    }
    FinishInsert(before, lastNew, after, at, frames);
}

void CAP_SampleTrack::DeleteSamples(std::int64_t frames, std::int64_t at) {
    if (at < 0 || at >= totalFrames_ || frames <= 0)
        return;
    frames = std::min(frames, totalFrames_ - at);
    SampleBlock* doomed = SplitAt(at);
    SampleBlock* after = SplitAt(at + frames);
    SampleBlock* before = doomed->previous;
    while (doomed != after) {
        SampleBlock* next = doomed->next;
        DissolveMarks(doomed);
        Unlink(doomed);
        delete doomed;
        doomed = next;
    }
    // The two sides of the seam become one block whenever they fit one.
    if (before && after && before->frames + after->frames <= capacity_)
        MergeWithNext(before);
    Rebalance(before ? before : after);
    totalFrames_ -= frames;
    UpdateDuration();
    NotifyShift(-static_cast<double>(frames) / rate);
    NotifyChange(static_cast<double>(at) / rate, static_cast<double>(totalFrames_ - at) / rate);
}

std::int64_t CAP_SampleTrack::MixSamples(const float* samples, std::int64_t frames, std::int64_t at,
                                         int step, int newGain, int oldGain) {
    if (!samples || frames <= 0 || at < 0)
        return 0;
    step = std::max(step, 1);
    if (at > totalFrames_) {
        // Frames written past the end land where they were asked to, after silence.
        const std::vector<float> silence(static_cast<std::size_t>(at - totalFrames_), 0.0f);
        InsertSamples(silence.data(), at - totalFrames_, totalFrames_, 1);
    }
    const std::int64_t overlap = std::min(frames, totalFrames_ - at);
    if (overlap > 0) {
        Location where = Locate(at);
        std::int64_t done = 0;
        const bool copy = newGain == 100 && oldGain == 0;
        for (SampleBlock* block = where.block; block && done < overlap; block = block->next) {
            const std::int64_t n =
                std::min<std::int64_t>(block->frames - where.offset, overlap - done);
            float* out = block->samples.data() + where.offset;
            const float* in = samples + done * step;
            for (std::int64_t i = 0; i < n; ++i) {
                const float x = in[i * step];
                if (copy) {
                    out[i] = x;
                } else {
                    const float mixed = newGain * x / 100.0f + oldGain * out[i] / 100.0f;
                    out[i] = std::clamp(mixed, -1.0f, 1.0f);
                }
            }
            Recompute(block);
            done += n;
            where.offset = 0;
        }
    }
    if (frames > overlap)
        InsertSamples(samples + std::max<std::int64_t>(overlap, 0) * step,
                      frames - std::max<std::int64_t>(overlap, 0), totalFrames_, step);
    if (overlap > 0)
        NotifyChange(static_cast<double>(at) / rate, static_cast<double>(overlap) / rate);
    return frames;
}

int CAP_SampleTrack::WriteFrames(const float* floats, int frames, std::int64_t startFrame) {
    return static_cast<int>(MixSamples(floats, frames, startFrame, 1, 100, 0));
}

void CAP_SampleTrack::RefreshRange(std::int64_t frames, std::int64_t start) {
    if (start < 0 || start >= totalFrames_ || frames <= 0)
        return;
    Location at = Locate(start);
    std::int64_t covered = 0;
    for (SampleBlock* block = at.block; block && covered < frames; block = block->next) {
        Recompute(block);
        covered += block->frames - at.offset;
        at.offset = 0;
    }
    NotifyChange(static_cast<double>(start) / rate, static_cast<double>(covered) / rate);
}

void CAP_SampleTrack::SetRate(int newRate) {
    if (newRate <= 0 || newRate == rate)
        return;
    NotifyShift(-static_cast<double>(totalFrames_) / rate);
    NotifyChange(0.0, 0.0);
    SampleBlock* old = first_;
    first_ = last_ = nullptr;
    totalFrames_ = 0;
    hasMarks_ = false;
    StructureChanged();
    rate = newRate;
    SetLayout();
    UpdateDuration();
    while (old) {
        SampleBlock* next = old->next;
        InsertSamples(old->samples.data(), old->frames, totalFrames_, 1);
        delete old;
        old = next;
    }
}

// --- analysis ----------------------------------------------------------------------------

bool CAP_SampleTrack::ComputeSignature(std::int64_t frames, std::int64_t start,
                                       SoundSignature* signatureOut, std::uint32_t* colourOut,
                                       CAP_ProgressCallback callback, void* user) {
    static const char kText[] = "Processing audio data:";
    SignatureAnalyzerPtr analyzer(CreateSignatureAnalyzer(rate));
    bool answer = true;
    if (callback)
        answer = callback(user, kText, 0);
    if (start >= 0 && start < totalFrames_ && frames > 0) {
        Location at = Locate(start);
        std::int64_t done = 0;
        for (SampleBlock* block = at.block; block && done < frames; block = block->next) {
            const std::int64_t n = std::min<std::int64_t>(block->frames - at.offset, frames - done);
            const float* in = block->samples.data() + at.offset;
            for (std::int64_t i = 0; i < n; ++i)
                AddSignatureSample(analyzer.get(), QuantizeSignatureSample(in[i]));
            done += n;
            at.offset = 0;
            if (callback)
                answer =
                    callback(user, kText, static_cast<int>(RoundHalfAway(100.0 * done / frames)));
        }
    }
    FinishSignature(analyzer.get(), signatureOut);
    if (colourOut && signatureOut)
        *colourOut = SignatureToColor(signatureOut);
    return answer;
}

void CAP_SampleTrack::BlockPeaks(const SampleBlock& block, std::int64_t lo, std::int64_t hi,
                                 float& minimum, float& maximum) const {
    const float* mins = block.samples.data();
    const float* maxs = mins;
    const float* levelBase = block.pyramid.data();
    for (int level = 0;; ++level) {
        const std::int64_t lo8 = (lo + 7) & ~std::int64_t{7};
        const std::int64_t hi8 = hi & ~std::int64_t{7};
        if (level == levels_ || lo8 >= hi8) {
            for (std::int64_t i = lo; i < hi; ++i) {
                minimum = std::min(minimum, mins[i]);
                maximum = std::max(maximum, maxs[i]);
            }
            return;
        }
        // The unaligned head and tail at this level, the aligned middle one level up.
        for (std::int64_t i = lo; i < lo8; ++i) {
            minimum = std::min(minimum, mins[i]);
            maximum = std::max(maximum, maxs[i]);
        }
        for (std::int64_t i = hi8; i < hi; ++i) {
            minimum = std::min(minimum, mins[i]);
            maximum = std::max(maximum, maxs[i]);
        }
        lo = lo8 / 8;
        hi = hi8 / 8;
        const std::int64_t count = LevelEntries(block.frames, level + 1);
        mins = levelBase;
        maxs = levelBase + count;
        levelBase += 2 * count;
    }
}

void CAP_SampleTrack::GetColumnPeaks(double start, double perColumn, int columns, float* minima,
                                     float* maxima, std::uint32_t* colours) {
    if (!minima || !maxima)
        return;
    for (int i = 0; i < columns; ++i) {
        const std::int64_t from =
            std::max<std::int64_t>(0, RoundHalfAway(rate * (start + i * perColumn)));
        const std::int64_t to = RoundHalfAway(rate * (start + (i + 1) * perColumn));
        if (from >= totalFrames_)
            return; // the blocks ran out: the remaining columns stay as they were
        Location at = Locate(from);
        minima[i] = 1.0f;
        maxima[i] = -1.0f;
        if (colours)
            colours[i] = at.block->colour;
        std::int64_t position = from;
        for (SampleBlock* block = at.block; block && position < to; block = block->next) {
            const std::int64_t end =
                std::min<std::int64_t>(block->frames, at.offset + to - position);
            BlockPeaks(*block, at.offset, end, minima[i], maxima[i]);
            position += end - at.offset;
            at.offset = 0;
        }
    }
}

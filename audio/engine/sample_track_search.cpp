// The search for passages similar to a selection: every block is scored against the
// selected blocks laid side by side with it, and the best non-overlapping runs become
// matches that the editor steps through.
#include <algorithm>
#include <atomic>
#include <numeric>
#include <thread>

#include "audio/engine/packed_signature.h"
#include "audio/engine/sample_track.h"

namespace {

struct Candidates {
    std::vector<std::int64_t> frames;
    std::vector<PackedSignature> signatures;
    std::vector<std::int64_t> framesFrom; // frames of block i and all after it
    std::size_t firstSelected = 0;
    std::size_t lastSelected = 0;
    std::int64_t selectedFrames = 0;
};

struct Score {
    float score = 0.0f;
    int span = 1;
};

// The selected blocks and the blocks from q onward on one frame axis from 0: each pair
// that overlaps counts by the share of their joint span they have in common.
Score ScoreAgainstSelection(const Candidates& c, std::size_t q) {
    const std::size_t count = c.frames.size();
    if (c.framesFrom[q] < c.selectedFrames) {
        // The track ends before the selection does: the walk would score 0 after spanning
        // every remaining block.
        Score none;
        none.span = static_cast<int>(1 + count - q);
        return none;
    }
    double weights = 0.0;
    double sum = 0.0;
    int span = 1;
    std::size_t s = c.firstSelected;
    std::int64_t b = 0; // start of the selected block
    std::int64_t a = 0; // start of the candidate block
    while (s <= c.lastSelected) {
        if (q >= count) {
            sum = 0.0; // the track ended before the selection did
            break;
        }
        const std::int64_t selectedEnd = b + c.frames[s];
        const std::int64_t candidateEnd = a + c.frames[q];
        const float similarity = ComparePackedSignatures(c.signatures[s], c.signatures[q]);
        if (a == b && selectedEnd == candidateEnd) {
            // Blocks that cover each other exactly weigh exactly 1: no division needed.
            weights += 1.0;
            sum += similarity;
        } else {
            const double joint =
                static_cast<double>(std::max(selectedEnd, candidateEnd) - std::min(b, a));
            double weight =
                static_cast<double>(std::min(selectedEnd, candidateEnd) - std::max(b, a)) / joint;
            if (weight < 0.0)
                weight = 0.0;
            weights += weight;
            sum += weight * similarity;
        }
        if (candidateEnd >= selectedEnd) {
            b = selectedEnd;
            ++s;
        }
        if (selectedEnd >= candidateEnd) {
            a = candidateEnd;
            ++q;
            if (s <= c.lastSelected)
                ++span;
        }
    }
    Score result;
    result.score = static_cast<float>(weights < 0.01 ? sum / 0.01 : sum / weights);
    result.span = span;
    return result;
}

void ScoreAll(const Candidates& c, std::vector<Score>& scores) {
    const std::size_t count = c.frames.size();
    const std::size_t comparisons = count * (c.lastSelected - c.firstSelected + 1);
    unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    // Below a few hundred thousand comparisons a thread costs more than it saves.
    threads = static_cast<unsigned>(std::min<std::size_t>({threads, 8, comparisons / 200000 + 1}));
    // Candidates near the end cost nothing and those near the start the most, so the threads
    // take small batches in turn rather than one stretch each. Every score depends on its
    // own block alone: the results do not depend on who computed them.
    constexpr std::size_t kBatch = 64;
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (;;) {
            const std::size_t from = next.fetch_add(kBatch);
            if (from >= count)
                return;
            for (std::size_t q = from; q < std::min(count, from + kBatch); ++q)
                scores[q] = ScoreAgainstSelection(c, q);
        }
    };
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < threads; ++t)
        pool.emplace_back(work);
    work();
    for (std::thread& thread : pool)
        thread.join();
}

} // namespace

void CAP_SampleTrack::RankSimilarBlocks(std::int64_t frames, std::int64_t start) {
    ClearAllMarks();
    if (frames <= 0 || start < 0 || start >= totalFrames_)
        return; // nothing selected: nothing to compare with
    Candidates c;
    std::vector<SampleBlock*> blocks;
    const std::int64_t end = std::min(start + frames, totalFrames_);
    std::int64_t position = 0;
    bool inSelection = false;
    for (SampleBlock* block = first_; block; block = block->next) {
        const std::int64_t blockEnd = position + block->frames;
        if (blockEnd > start && position < end) {
            if (!inSelection)
                c.firstSelected = blocks.size();
            inSelection = true;
            c.lastSelected = blocks.size();
            block->selected = true;
        }
        blocks.push_back(block);
        c.frames.push_back(block->frames);
        if (block->selected)
            c.selectedFrames += block->frames;
        c.signatures.push_back(PackSignature(block->signature));
        position = blockEnd;
    }
    hasMarks_ = true;
    c.framesFrom.resize(blocks.size() + 1, 0);
    for (std::size_t i = blocks.size(); i-- > 0;)
        c.framesFrom[i] = c.framesFrom[i + 1] + c.frames[i];

    std::vector<Score> scores(blocks.size());
    ScoreAll(c, scores);

    // Highest score first; among equal scores the later block first.
    std::vector<std::size_t> order(blocks.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) {
        if (scores[x].score != scores[y].score)
            return scores[x].score > scores[y].score;
        return x > y;
    });
    std::vector<bool> claimed(blocks.size(), false);
    for (std::size_t q : order) {
        blocks[q]->groupLength = scores[q].span;
        const std::size_t runEnd =
            std::min(blocks.size(), q + static_cast<std::size_t>(scores[q].span));
        bool free = true;
        for (std::size_t i = q; i < runEnd && free; ++i)
            free = !claimed[i];
        if (!free)
            continue;
        for (std::size_t i = q; i < runEnd; ++i) {
            claimed[i] = true;
            blocks[i]->groupHead = blocks[q];
            blocks[i]->score = scores[q].score;
        }
    }
}

bool CAP_SampleTrack::FindNextMatch(float threshold, std::int64_t& cursor, float& score) {
    score = 0.0f;
    if (!first_)
        return false;
    Location at = Locate(std::min(std::max<std::int64_t>(cursor, 0), totalFrames_ - 1));
    SampleBlock* here = at.block;
    SampleBlock* found = nullptr;
    std::int64_t foundStart = 0;
    std::int64_t position = at.blockStart;
    for (SampleBlock* block = here; block; position += block->frames, block = block->next) {
        if (block->groupHead && block->groupHead != here->groupHead && block->score >= threshold) {
            found = block;
            foundStart = position;
            break;
        }
    }
    if (!found) {
        // Wrapped: any claimed block from the start up to the cursor's block counts.
        position = 0;
        for (SampleBlock* block = first_; block; position += block->frames, block = block->next) {
            if (block->groupHead && block->score >= threshold) {
                found = block;
                foundStart = position;
                break;
            }
            if (block == here)
                break;
        }
    }
    if (!found)
        return false;
    score = found->score;
    cursor = foundStart;
    return true;
}

bool CAP_SampleTrack::FindPreviousMatch(float threshold, std::int64_t& cursor, float& score) {
    score = 0.0f;
    if (!first_)
        return false;
    Location at = Locate(std::min(std::max<std::int64_t>(cursor, 0), totalFrames_ - 1));
    SampleBlock* here = at.block;
    auto heads = [threshold](const SampleBlock* block) {
        return block->groupHead == block && block->score >= threshold;
    };
    SampleBlock* found = nullptr;
    std::int64_t foundStart = 0;
    if (heads(here) && cursor > at.blockStart) {
        found = here;
        foundStart = at.blockStart;
    }
    std::int64_t position = at.blockStart;
    for (SampleBlock* block = here->previous; block && !found; block = block->previous) {
        position -= block->frames;
        if (heads(block)) {
            found = block;
            foundStart = position;
        }
    }
    if (!found) {
        // Wrapped: from the last block back to the cursor's block.
        position = totalFrames_;
        for (SampleBlock* block = last_; block; block = block->previous) {
            position -= block->frames;
            if (heads(block)) {
                found = block;
                foundStart = position;
                break;
            }
            if (block == here)
                break;
        }
    }
    if (!found)
        return false;
    score = found->score;
    cursor = foundStart;
    return true;
}

// The search for passages similar to a selection: every block is scored against the
// selected blocks laid side by side with it, and the best non-overlapping runs become
// matches that the editor steps through.
#include <algorithm>
#include <numeric>
#include <thread>

#include "audio/engine/packed_signature.h"
#include "audio/engine/sample_track.h"

namespace {

struct Candidates {
    std::vector<std::int64_t> frames;
    std::vector<PackedSignature> signatures;
    std::size_t firstSelected = 0;
    std::size_t lastSelected = 0;
};

struct Score {
    float score = 0.0f;
    int span = 1;
};

// The selected blocks and the blocks from q onward on one frame axis from 0: each pair
// that overlaps counts by the share of their joint span they have in common.
Score ScoreAgainstSelection(const Candidates& c, std::size_t q) {
    const std::size_t count = c.frames.size();
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
        const double joint =
            static_cast<double>(std::max(selectedEnd, candidateEnd) - std::min(b, a));
        double weight =
            static_cast<double>(std::min(selectedEnd, candidateEnd) - std::max(b, a)) / joint;
        if (weight < 0.0)
            weight = 0.0;
        weights += weight;
        sum += weight * ComparePackedSignatures(c.signatures[s], c.signatures[q]);
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
    const std::size_t work = count * (c.lastSelected - c.firstSelected + 1);
    unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    // Below a few hundred thousand comparisons a thread costs more than it saves.
    threads = static_cast<unsigned>(std::min<std::size_t>({threads, 8, work / 200000 + 1}));
    auto range = [&](std::size_t from, std::size_t to) {
        for (std::size_t q = from; q < to; ++q)
            scores[q] = ScoreAgainstSelection(c, q);
    };
    if (threads <= 1) {
        range(0, count);
        return;
    }
    std::vector<std::thread> pool;
    const std::size_t share = (count + threads - 1) / threads;
    for (unsigned t = 1; t < threads; ++t) {
        const std::size_t from = std::min(count, t * share);
        pool.emplace_back(range, from, std::min(count, from + share));
    }
    range(0, std::min(count, share));
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
        c.signatures.push_back(PackSignature(block->signature));
        position = blockEnd;
    }
    hasMarks_ = true;

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

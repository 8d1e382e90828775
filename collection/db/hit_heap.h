#pragma once
// Hits of a local search while they are gathered, and the bounded heap that keeps the best N
// hits of a similarity search whatever the order in which rows arrive.

#include <cstddef>
#include <cstdint>
#include <vector>

struct DB_scored_hit {
    int32_t fileId;
    int32_t sampleRate;
    float score;
};

// The order of similarity hits: negative when `a` comes before `b` (higher score first, then
// higher file id, then higher sample rate), positive when after, 0 for the same hit.
int DB_compare_hits(const DB_scored_hit& a, const DB_scored_hit& b);

// Keeps at most `limit` hits. The root is the worst kept hit, so a full heap decides on a new
// hit with one comparison and memory stays at `limit` hits however many rows match.
class DB_hit_heap {
public:
    explicit DB_hit_heap(size_t limit) : limit_(limit) { heap_.reserve(limit); }

    void Add(const DB_scored_hit& hit);
    // The kept hits, best first; the heap is empty afterwards.
    std::vector<DB_scored_hit> TakeSorted();
    size_t size() const { return heap_.size(); }

private:
    void Sink(size_t i);
    void Rise(size_t i);

    size_t limit_;
    std::vector<DB_scored_hit> heap_;
};

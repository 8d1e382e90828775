#include "collection/db/hit_heap.h"

#include <algorithm>
#include <utility>

int DB_compare_hits(const DB_scored_hit& a, const DB_scored_hit& b) {
    if (a.score != b.score) {
        return a.score > b.score ? -1 : 1;
    }
    if (a.fileId != b.fileId) {
        return a.fileId > b.fileId ? -1 : 1;
    }
    if (a.sampleRate != b.sampleRate) {
        return a.sampleRate > b.sampleRate ? -1 : 1;
    }
    return 0;
}

namespace {

bool Worse(const DB_scored_hit& a, const DB_scored_hit& b) {
    return DB_compare_hits(a, b) > 0;
}

} // namespace

void DB_hit_heap::Add(const DB_scored_hit& hit) {
    if (limit_ == 0) {
        return;
    }
    if (heap_.size() < limit_) {
        heap_.push_back(hit);
        Rise(heap_.size() - 1);
        return;
    }
    if (Worse(hit, heap_[0])) {
        return;
    }
    // The worst kept hit leaves; the new one takes its place and sinks to where it belongs.
    heap_[0] = hit;
    Sink(0);
}

void DB_hit_heap::Sink(size_t i) {
    const size_t n = heap_.size();
    for (;;) {
        size_t left = 2 * i + 1;
        if (left >= n) {
            return;
        }
        size_t worse = left;
        if (left + 1 < n && Worse(heap_[left + 1], heap_[left])) {
            worse = left + 1;
        }
        if (!Worse(heap_[worse], heap_[i])) {
            return;
        }
        std::swap(heap_[worse], heap_[i]);
        i = worse;
    }
}

void DB_hit_heap::Rise(size_t i) {
    while (i > 0) {
        size_t parent = (i - 1) / 2;
        if (!Worse(heap_[i], heap_[parent])) {
            return;
        }
        std::swap(heap_[i], heap_[parent]);
        i = parent;
    }
}

std::vector<DB_scored_hit> DB_hit_heap::TakeSorted() {
    std::vector<DB_scored_hit> hits = std::move(heap_);
    heap_.clear();
    std::sort(hits.begin(), hits.end(), [](const DB_scored_hit& a, const DB_scored_hit& b) {
        return DB_compare_hits(a, b) < 0;
    });
    return hits;
}

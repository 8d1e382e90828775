#include "collection/db/signature_cache.h"

#include <sqlext.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <thread>

#include "audio/sound_signature.h"
#include "collection/db/catalog_steps.h"
#include "collection/db/hit_heap.h"
#include "collection/db/records.h"
#include "collection/db/statement.h"
#include "collection/db/words.h"
#include "collection/search_criteria.h"

namespace {

constexpr const char* kCounterTable = "CATALOG_CHANGES";

// The range rule of the statement builder: 0 and 0 mean no condition, a 0 end is open.
inline bool InRange(int32_t value, int min, int max) {
    if (min == 0 && max == 0)
        return true;
    if (min == 0)
        return value <= max;
    if (max == 0)
        return value >= min;
    return value >= min && value <= max;
}

// The mask rule: bits 0-30 name the allowed values; no such bit, no condition.
inline bool InMask(int32_t value, int mask) {
    const unsigned bits = static_cast<unsigned>(mask) & 0x7FFFFFFFu;
    if (bits == 0)
        return true;
    return value >= 0 && value <= 30 && ((bits >> value) & 1u) != 0;
}

struct Filter {
    explicit Filter(const SearchCriteria& criteria) : c(criteria) {
        c.KnownBpmRange(&bpmMin, &bpmMax);
    }
    const SearchCriteria& c;
    int bpmMin = 0, bpmMax = 0;
    bool Columns(int32_t rate, int32_t duration, int32_t bpm, int32_t key) const {
        return InRange(rate, c.sampleRateMin, c.sampleRateMax) &&
               InRange(duration, c.durationMin, c.durationMax) &&
               InRange(bpm, bpmMin, bpmMax) && InMask(key, c.keyMask);
    }
    bool Ints(const std::array<int32_t, 10>& ints) const {
        for (int n = 0; n < SearchCriteria::kIntFields; ++n) {
            if (!InRange(ints[n], c.intMin[n], c.intMax[n]) || !InMask(ints[n], c.intMask[n]))
                return false;
        }
        return true;
    }
    // The score, or a negative value when the row is no hit.
    float Score(const SoundSignature& target, const uint8_t* bytes) const {
        SoundSignature signature;
        std::memcpy(signature.bytes, bytes, sizeof signature.bytes);
        const float score = CompareSignatures(&target, &signature);
        if (score < 0 || (c.scoreMin != 0 && score < c.scoreMin) ||
            (c.scoreMax != 0 && score > c.scoreMax))
            return -1.0f;
        return score;
    }
};

// The hits of one part of the rows: the best `limit`, or all of them without a limit.
struct PartHits {
    explicit PartHits(size_t limit) : limit(limit), heap(limit) {}
    void Add(const DB_scored_hit& hit) {
        if (limit > 0)
            heap.Add(hit);
        else
            all.push_back(hit);
    }
    size_t limit;
    DB_hit_heap heap;
    std::vector<DB_scored_hit> all;
};

} // namespace

DB_error DB_ensure_change_counter(DB_handle* h) {
    if (h->changeCounterReady)
        return std::nullopt;
    bool exists = false;
    DB_error err = DB_table_exists(h, kCounterTable, &exists);
    if (!err && !exists) {
        err = DB_run(h, "CREATE TABLE CATALOG_CHANGES (CHANGES INTEGER NOT NULL)", nullptr);
        if (!err)
            err = DB_run(h, "INSERT INTO CATALOG_CHANGES VALUES (0)", nullptr);
    }
    if (!err)
        h->changeCounterReady = true;
    return err;
}

DB_error DB_read_change_counter(DB_handle* h, int64_t* value) {
    int32_t counter = 0;
    bool found = false;
    DB_error err = DB_select_int(h, "SELECT CHANGES FROM CATALOG_CHANGES", nullptr, &counter, &found);
    *value = found ? counter : 0;
    return err;
}

DB_error DB_bump_change_counter(DB_handle* h) {
    DB_error err = DB_ensure_change_counter(h);
    return err ? err : DB_run(h, "UPDATE CATALOG_CHANGES SET CHANGES = CHANGES + 1", nullptr);
}

bool DB_signature_cache::Answers(const SearchCriteria& criteria) {
    return criteria.targetSignature != nullptr && !DB_has_words(criteria.keywords.c_str());
}

std::size_t DB_signature_cache::MemoryBytes() const {
    return files_.capacity() * sizeof(File) + sounds_.capacity() * sizeof(Sound) +
           fileIndex_.size() * (sizeof(int32_t) * 2 + sizeof(void*) * 2);
}

DB_error DB_signature_cache::Refresh(DB_handle* h, bool* usable) {
    *usable = false;
    DB_error err = DB_ensure_change_counter(h);
    int64_t counter = 0;
    if (!err)
        err = DB_read_change_counter(h, &counter);
    if (err)
        return err;
    if (!loaded_ || counter != counter_) {
        loaded_ = false;
        err = Load(h, &counter);
        if (err)
            return err;
        counter_ = counter;
    }
    *usable = loaded_ && !tooLarge_;
    return std::nullopt;
}

void DB_signature_cache::FileIndexed(const DB_file_sounds& fs) {
    if (!loaded_ || tooLarge_ || !fs.file)
        return;
    FileRemoved(fs.file->fileId);
    const DB_file& row = *fs.file;
    File file{};
    file.fileId = row.fileId;
    file.sampleRate = row.sampleRate;
    file.duration = row.duration;
    file.bpm = row.bpm;
    file.key = row.key;
    file.ints = row.ints;
    file.signature = row.signature;
    file.validSignature = true;
    file.live = true;
    const int32_t index = static_cast<int32_t>(files_.size());
    files_.push_back(file);
    fileIndex_[file.fileId] = index;
    for (const auto& s : fs.sounds) {
        if (!s)
            continue;
        Sound sound{};
        sound.file = index;
        sound.sampleRate = s->sampleRate;
        sound.duration = s->duration;
        sound.bpm = s->bpm;
        sound.key = s->key;
        std::memcpy(sound.signature, s->signature.data(), 16);
        sounds_.push_back(sound);
        ++liveSounds_;
    }
    if (liveSounds_ > maxSounds_)
        loaded_ = false; // reloads, and finds the catalog too large
}

void DB_signature_cache::FileRemoved(int32_t fileId) {
    if (!loaded_ || tooLarge_)
        return;
    auto it = fileIndex_.find(fileId);
    if (it == fileIndex_.end())
        return;
    const int32_t index = it->second;
    files_[index].live = false;
    fileIndex_.erase(it);
    for (Sound& sound : sounds_) {
        if (sound.file == index) {
            sound.file = -1;
            --liveSounds_;
            ++deadSounds_;
        }
    }
    if (deadSounds_ > sounds_.size() / 4)
        Compact();
}

void DB_signature_cache::Compact() {
    sounds_.erase(std::remove_if(sounds_.begin(), sounds_.end(),
                                 [](const Sound& s) { return s.file < 0; }),
                  sounds_.end());
    deadSounds_ = 0;
}

std::unique_ptr<DB_query_result> DB_signature_cache::Search(const SearchCriteria& criteria) const {
    const SoundSignature& target = *criteria.targetSignature;
    const size_t limit = criteria.maxResults > 0 ? static_cast<size_t>(criteria.maxResults) : 0;
    const Filter filter{criteria};
    const bool ownPitch = criteria.ownPitchOnly != 0;
    const size_t rows = ownPitch ? files_.size() : sounds_.size();

    // Large catalogs are scanned in parts on several threads; every part keeps its own best
    // hits, and the order of hits is total, so the merge gives the one-thread answer.
    const size_t minPart = 65536;
    size_t parts = std::min<size_t>(std::max(1u, std::thread::hardware_concurrency()),
                                    std::max<size_t>(1, rows / minPart));
    std::vector<PartHits> hits;
    hits.reserve(parts);
    for (size_t p = 0; p < parts; ++p)
        hits.emplace_back(limit);
    auto scan = [&](size_t part) {
        const size_t begin = rows * part / parts;
        const size_t end = rows * (part + 1) / parts;
        PartHits& out = hits[part];
        for (size_t i = begin; i < end; ++i) {
            if (ownPitch) {
                const File& f = files_[i];
                if (!f.live || !f.validSignature ||
                    !filter.Columns(f.sampleRate, f.duration, f.bpm, f.key) || !filter.Ints(f.ints))
                    continue;
                const float score = filter.Score(target, f.signature.data());
                if (score >= 0)
                    out.Add({f.fileId, f.sampleRate, score});
            } else {
                const Sound& s = sounds_[i];
                if (s.file < 0 || !filter.Columns(s.sampleRate, s.duration, s.bpm, s.key))
                    continue;
                const float score = filter.Score(target, s.signature);
                if (score < 0)
                    continue;
                const File& f = files_[s.file];
                if (!filter.Ints(f.ints))
                    continue;
                out.Add({f.fileId, s.sampleRate, score});
            }
        }
    };
    if (parts == 1) {
        scan(0);
    } else {
        std::vector<std::thread> threads;
        for (size_t p = 1; p < parts; ++p)
            threads.emplace_back(scan, p);
        scan(0);
        for (std::thread& t : threads)
            t.join();
    }

    std::vector<DB_scored_hit> merged;
    if (limit > 0) {
        DB_hit_heap best(limit);
        for (PartHits& part : hits)
            for (const DB_scored_hit& hit : part.heap.TakeSorted())
                best.Add(hit);
        merged = best.TakeSorted();
    } else {
        for (PartHits& part : hits)
            merged.insert(merged.end(), part.all.begin(), part.all.end());
        std::sort(merged.begin(), merged.end(), [](const DB_scored_hit& a, const DB_scored_hit& b) {
            return DB_compare_hits(a, b) < 0;
        });
    }
    auto result = std::make_unique<DB_query_result>();
    result->hits.reserve(merged.size());
    for (const DB_scored_hit& hit : merged)
        result->hits.push_back({hit.fileId, hit.sampleRate, static_cast<int32_t>(hit.score)});
    return result;
}

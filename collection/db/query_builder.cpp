#include "collection/db/query_builder.h"

#include <sqlext.h>

#include <algorithm>

#include "audio/sound_signature.h"
#include "collection/db/hit_heap.h"
#include "collection/db/signature_cache.h"
#include "collection/db/statement.h"
#include "collection/db/words.h"
#include "collection/search_criteria.h"

namespace {

void AddRange(std::string& sql, const std::string& column, int min, int max) {
    if (min == 0 && max == 0) {
        return;
    }
    sql += " AND " + column;
    if (min == 0) {
        sql += " <= " + std::to_string(max);
    } else if (max == 0) {
        sql += " >= " + std::to_string(min);
    } else if (min == max) {
        sql += " = " + std::to_string(min);
    } else {
        sql += " BETWEEN " + std::to_string(min) + " AND " + std::to_string(max);
    }
}

// " = x" for one value, " IN (x,y,...)" for several.
void AddList(std::string& sql, const std::string& column, const std::vector<std::string>& items) {
    if (items.empty()) {
        return;
    }
    sql += " AND " + column;
    if (items.size() == 1) {
        sql += " = " + items[0];
        return;
    }
    sql += " IN (";
    for (size_t i = 0; i < items.size(); ++i) {
        sql += (i ? "," : "") + items[i];
    }
    sql += ")";
}

void AddMask(std::string& sql, const std::string& column, int mask) {
    std::vector<std::string> values;
    // Bit 31 is never a value: masks are signed.
    for (int n = 0; n <= 30; ++n) {
        if ((mask & (1 << n)) != 0) {
            values.push_back(std::to_string(n));
        }
    }
    AddList(sql, column, values);
}

void AddWords(std::string& sql, const std::string& keywords) {
    std::vector<std::string> stems;
    std::string stem;
    int wordStart = -1;
    int wordEnd = -1;
    for (DB_next_word(keywords.c_str(), 0, &wordStart, &wordEnd, &stem); wordStart >= 0;
         DB_next_word(keywords.c_str(), wordEnd + 1, &wordStart, &wordEnd, &stem)) {
        stems.push_back("'" + stem + "'");
    }
    AddList(sql, "WORD_STEM", stems);
}

} // namespace

namespace {

void AddRowConditions(std::string& sql, const SearchCriteria& criteria, const std::string& p) {
    AddRange(sql, p + "_SAMPLE_RATE", criteria.sampleRateMin, criteria.sampleRateMax);
    AddRange(sql, p + "_DURATION", criteria.durationMin, criteria.durationMax);
    int bpmMin = 0, bpmMax = 0;
    criteria.KnownBpmRange(&bpmMin, &bpmMax);
    AddRange(sql, p + "_BPM", bpmMin, bpmMax);
    AddMask(sql, p + "_KEY", criteria.keyMask);
    for (int n = 0; n < SearchCriteria::kIntFields; ++n) {
        const std::string column = "INT" + std::to_string(n);
        AddRange(sql, column, criteria.intMin[n], criteria.intMax[n]);
        AddMask(sql, column, criteria.intMask[n]);
    }
}

// A keyword search starts from the few TERM rows of its words: they are counted per file
// first and the file and sound rows are then found by key. The count of a (file, rate) is the
// count of its file's matching words either way, so the rows and their order are those of
// joining all three tables and grouping; but joined and grouped, SQLite walks every
// AUDIO_FILE row and probes TERM for each. CROSS JOIN keeps SQLite to this order; PostgreSQL
// reads it as a plain join and plans it alike.
std::string KeywordQuery(const SearchCriteria& criteria, const std::string& p) {
    std::string sql = "SELECT A.FILE_ID, " + p +
                      "_SAMPLE_RATE, T.WORD_COUNT FROM (SELECT FILE_ID, COUNT(*) AS WORD_COUNT "
                      "FROM TERM WHERE 1=1";
    AddMask(sql, "TEXT_FIELD", criteria.textFieldMask);
    AddWords(sql, criteria.keywords);
    sql += " GROUP BY FILE_ID) T CROSS JOIN AUDIO_FILE A";
    sql += criteria.ownPitchOnly ? "" : " CROSS JOIN SOUND S";
    sql += " WHERE A.FILE_ID = T.FILE_ID";
    sql += criteria.ownPitchOnly ? "" : " AND S.FILE_ID = A.FILE_ID";
    AddRowConditions(sql, criteria, p);
    sql += " ORDER BY 3 DESC, 1 DESC, 2 DESC";
    // The search keeps the first hits only; asked for no more, the engine sorts only as far
    // as those and the driver turns no other row into text.
    if (criteria.maxResults > 0)
        sql += " LIMIT " + std::to_string(criteria.maxResults);
    return sql;
}

} // namespace

std::string DB_build_query(const SearchCriteria& criteria) {
    const std::string p = criteria.ownPitchOnly ? "FILE" : "SOUND";
    const bool w = DB_has_words(criteria.keywords.c_str());
    const bool s = criteria.targetSignature != nullptr;
    if (w && !s) {
        return KeywordQuery(criteria, p);
    }

    std::string sql = "SELECT A.FILE_ID, " + p + "_SAMPLE_RATE";
    if (s) {
        sql += ", " + p + "_SIGNATURE";
    }
    sql += " FROM AUDIO_FILE A";
    sql += criteria.ownPitchOnly ? "" : ", SOUND S";
    sql += " WHERE 1=1";
    sql += criteria.ownPitchOnly ? "" : " AND A.FILE_ID = S.FILE_ID";
    AddRowConditions(sql, criteria, p);

    if (w) {
        sql += " AND EXISTS (SELECT * FROM TERM T WHERE T.FILE_ID = A.FILE_ID";
        AddMask(sql, "TEXT_FIELD", criteria.textFieldMask);
        AddWords(sql, criteria.keywords);
        sql += ")";
    }
    if (!s) {
        sql += " ORDER BY 1 DESC, 2 DESC";
    }
    return sql;
}

DB_error DB_run_query(DB_handle* h, const SearchCriteria& criteria, const std::string& sql,
                      std::unique_ptr<DB_query_result>* out) {
    const SoundSignature* target = criteria.targetSignature.get();
    const size_t limit = criteria.maxResults > 0 ? static_cast<size_t>(criteria.maxResults) : 0;

    int32_t fileId = 0;
    int32_t sampleRate = 0;
    SoundSignature signature{};
    SQLLEN ind[3];

    std::vector<DB_scored_hit> hits;
    DB_hit_heap heap(limit);
    DB_error err = DB_select(
        h, sql.c_str(), nullptr,
        [&] {
            DB_error e = DB_bind_int_column(h, 1, &fileId, &ind[0]);
            if (!e) {
                e = DB_bind_int_column(h, 2, &sampleRate, &ind[1]);
            }
            if (!e && target != nullptr) {
                e = DB_bind_binary_column(h, 3, signature.bytes, sizeof signature.bytes, &ind[2]);
            }
            return e;
        },
        [&](bool* stop) {
            if (target == nullptr) {
                hits.push_back({fileId, sampleRate, 0.0f});
                *stop = limit > 0 && hits.size() >= limit;
                return DB_error();
            }
            // A stored signature of any other length is no signature at all.
            if (ind[2] != static_cast<SQLLEN>(sizeof signature.bytes)) {
                return DB_error();
            }
            float score = CompareSignatures(target, &signature);
            if (score < 0 || (criteria.scoreMin != 0 && score < criteria.scoreMin) ||
                (criteria.scoreMax != 0 && score > criteria.scoreMax)) {
                return DB_error();
            }
            DB_scored_hit hit{fileId, sampleRate, score};
            if (limit > 0) {
                heap.Add(hit);
            } else {
                hits.push_back(hit);
            }
            return DB_error();
        });
    if (err) {
        return err;
    }
    if (target != nullptr) {
        if (limit > 0) {
            hits = heap.TakeSorted();
        } else {
            std::sort(hits.begin(), hits.end(), [](const DB_scored_hit& a, const DB_scored_hit& b) {
                return DB_compare_hits(a, b) < 0;
            });
        }
    }
    auto result = std::make_unique<DB_query_result>();
    result->hits.reserve(hits.size());
    for (const DB_scored_hit& hit : hits) {
        result->hits.push_back({hit.fileId, hit.sampleRate, static_cast<int32_t>(hit.score)});
    }
    *out = std::move(result);
    return std::nullopt;
}

DB_error DB_process_query(DB_handle* h, const SearchCriteria* criteria,
                          std::unique_ptr<DB_query_result>* out) {
    if (h == nullptr || criteria == nullptr || out == nullptr) {
        return DB_invalid_argument("DB_process_query");
    }
    out->reset();
    if (h->signatureCacheEnabled && DB_signature_cache::Answers(*criteria)) {
        if (!h->changeCounterReady) {
            DB_set_access(h, false);
            DB_error err = DB_finish(h, DB_ensure_change_counter(h));
            if (err)
                return err;
        }
        if (!h->signatures)
            h->signatures = std::make_unique<DB_signature_cache>();
        DB_set_access(h, true);
        bool usable = false;
        DB_error err = DB_finish(h, h->signatures->Refresh(h, &usable));
        if (err)
            return err;
        if (usable) {
            *out = h->signatures->Search(*criteria);
            return std::nullopt;
        }
    }
    DB_set_access(h, true);
    std::unique_ptr<DB_query_result> result;
    DB_error err = DB_finish(h, DB_run_query(h, *criteria, DB_build_query(*criteria), &result));
    if (!err) {
        *out = std::move(result);
    }
    return err;
}

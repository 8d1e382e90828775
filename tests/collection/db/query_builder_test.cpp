#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>
#include <set>

#include "catalog_fixture.h"
#include "collection/db/hit_heap.h"
#include "collection/db/query_builder.h"
#include "collection/search_criteria.h"

namespace {

SoundSignature Signature(uint8_t level, uint8_t mark = ' ') {
    SoundSignature s{};
    for (int i = 0; i < 12; ++i) {
        s.bytes[i] = static_cast<uint8_t>(level + 7 * i);
    }
    s.bytes[12] = 40;
    s.bytes[15] = mark;
    return s;
}

} // namespace

TEST(BuildQuery, StatementsForEachKindOfSearch) {
    struct Case {
        const char* what;
        std::function<void(SearchCriteria&)> fill;
        const char* sql;
    };
    const Case cases[] = {
        {"keywords with a stop word", [](SearchCriteria& c) { c.keywords = "the dogs"; },
         "SELECT A.FILE_ID, SOUND_SAMPLE_RATE, T.WORD_COUNT FROM (SELECT FILE_ID, COUNT(*) AS "
         "WORD_COUNT FROM TERM WHERE 1=1 AND WORD_STEM = 'dog' GROUP BY FILE_ID) T CROSS JOIN "
         "AUDIO_FILE A CROSS JOIN SOUND S WHERE A.FILE_ID = T.FILE_ID AND S.FILE_ID = "
         "A.FILE_ID ORDER BY 3 DESC, 1 DESC, 2 DESC"},
        {"several words in some fields, own pitch",
         [](SearchCriteria& c) {
             c.keywords = "Barking dogs, barking!";
             c.textFieldMask = 0x101;
             c.ownPitchOnly = 1;
         },
         "SELECT A.FILE_ID, FILE_SAMPLE_RATE, T.WORD_COUNT FROM (SELECT FILE_ID, COUNT(*) AS "
         "WORD_COUNT FROM TERM WHERE 1=1 AND TEXT_FIELD IN (0,8) AND WORD_STEM IN "
         "('barking','dog','barking') GROUP BY FILE_ID) T CROSS JOIN AUDIO_FILE A WHERE "
         "A.FILE_ID = T.FILE_ID ORDER BY 3 DESC, 1 DESC, 2 DESC"},
        {"only stop words", [](SearchCriteria& c) { c.keywords = "the of and"; },
         "SELECT A.FILE_ID, SOUND_SAMPLE_RATE FROM AUDIO_FILE A, SOUND S WHERE 1=1 AND "
         "A.FILE_ID = S.FILE_ID ORDER BY 1 DESC, 2 DESC"},
        {"key mask, own pitch",
         [](SearchCriteria& c) {
             c.keyMask = (1 << 1) | (1 << 13);
             c.ownPitchOnly = 1;
         },
         "SELECT A.FILE_ID, FILE_SAMPLE_RATE FROM AUDIO_FILE A WHERE 1=1 AND FILE_KEY IN "
         "(1,13) ORDER BY 1 DESC, 2 DESC"},
        {"key mask, variants", [](SearchCriteria& c) { c.keyMask = (1 << 1) | (1 << 13); },
         "SELECT A.FILE_ID, SOUND_SAMPLE_RATE FROM AUDIO_FILE A, SOUND S WHERE 1=1 AND "
         "A.FILE_ID = S.FILE_ID AND SOUND_KEY IN (1,13) ORDER BY 1 DESC, 2 DESC"},
        {"ranges of every form",
         [](SearchCriteria& c) {
             c.durationMin = c.durationMax = 1000;
             c.sampleRateMin = 22050;
             c.bpmMax = 140;
             c.intMin[1] = 100;
             c.intMax[1] = 2000;
             c.intMask[0] = 1 << 4;
             c.intMask[9] = static_cast<int>(0x80000001u); // bit 31 is no value
         },
         "SELECT A.FILE_ID, SOUND_SAMPLE_RATE FROM AUDIO_FILE A, SOUND S WHERE 1=1 AND "
         "A.FILE_ID = S.FILE_ID AND SOUND_SAMPLE_RATE >= 22050 AND SOUND_DURATION = 1000 AND "
         "SOUND_BPM BETWEEN 1 AND 140 AND INT0 = 4 AND INT1 BETWEEN 100 AND 2000 AND INT9 = 0 ORDER BY 1 "
         "DESC, 2 DESC"},
        {"similarity",
         [](SearchCriteria& c) {
             c.SetTargetSignature(Signature(50));
             c.scoreMin = 40;
             c.scoreMax = 100;
             c.maxResults = 200;
         },
         "SELECT A.FILE_ID, SOUND_SAMPLE_RATE, SOUND_SIGNATURE FROM AUDIO_FILE A, SOUND S "
         "WHERE 1=1 AND A.FILE_ID = S.FILE_ID"},
        {"similarity with a word, own pitch",
         [](SearchCriteria& c) {
             c.SetTargetSignature(Signature(50));
             c.keywords = "bells";
             c.textFieldMask = 1;
             c.ownPitchOnly = 1;
         },
         "SELECT A.FILE_ID, FILE_SAMPLE_RATE, FILE_SIGNATURE FROM AUDIO_FILE A WHERE 1=1 AND "
         "EXISTS (SELECT * FROM TERM T WHERE T.FILE_ID = A.FILE_ID AND TEXT_FIELD = 0 AND "
         "WORD_STEM = 'bell')"},
        {"quotes in keywords stay out of the statement",
         [](SearchCriteria& c) { c.keywords = "x' OR '1'='1"; },
         "SELECT A.FILE_ID, SOUND_SAMPLE_RATE, T.WORD_COUNT FROM (SELECT FILE_ID, COUNT(*) AS "
         "WORD_COUNT FROM TERM WHERE 1=1 AND WORD_STEM IN ('x','1','1') GROUP BY FILE_ID) T "
         "CROSS JOIN AUDIO_FILE A CROSS JOIN SOUND S WHERE A.FILE_ID = T.FILE_ID AND "
         "S.FILE_ID = A.FILE_ID ORDER BY 3 DESC, 1 DESC, 2 DESC"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SearchCriteria criteria;
        c.fill(criteria);
        EXPECT_EQ(DB_build_query(criteria), c.sql);
    }
}

TEST(BuildQuery, LongCriteriaOutgrowAnyFixedBuffer) {
    SearchCriteria criteria;
    criteria.keyMask = 0x7FFFFFFF;
    for (int n = 0; n < 10; ++n) {
        criteria.intMin[n] = -2000000000;
        criteria.intMax[n] = 2000000000;
        criteria.intMask[n] = 0x7FFFFFFF;
    }
    // 250 characters of two-letter words, as many as the keyword box holds.
    for (int i = 0; criteria.keywords.size() + 3 <= 250; ++i) {
        criteria.keywords += " q" + std::to_string(i % 10);
    }
    std::string sql = DB_build_query(criteria);
    EXPECT_GT(sql.size(), 2048u);
    EXPECT_NE(sql.find("INT9 IN (0,1,2,"), std::string::npos);
    EXPECT_TRUE(sql.ends_with("ORDER BY 3 DESC, 1 DESC, 2 DESC"));
}

TEST(HitHeap, KeepsTheBestHitsWhateverTheArrivalOrder) {
    std::mt19937 random(1234);
    for (size_t limit : {1u, 7u, 200u, 1000u}) {
        SCOPED_TRACE(limit);
        std::vector<DB_scored_hit> all;
        for (int i = 0; i < 3000; ++i) {
            // Few distinct scores, so that ties on score and on file id are common.
            all.push_back({static_cast<int32_t>(random() % 500),
                           static_cast<int32_t>(8000 * (1 + random() % 6)),
                           static_cast<float>(random() % 20)});
        }
        std::sort(all.begin(), all.end(), [](const auto& a, const auto& b) {
            return std::tie(a.fileId, a.sampleRate) < std::tie(b.fileId, b.sampleRate);
        });
        all.erase(std::unique(all.begin(), all.end(),
                              [](const auto& a, const auto& b) {
                                  return a.fileId == b.fileId && a.sampleRate == b.sampleRate;
                              }),
                  all.end());
        std::shuffle(all.begin(), all.end(), random);
        DB_hit_heap heap(limit);
        for (const auto& hit : all) {
            heap.Add(hit);
            ASSERT_LE(heap.size(), limit);
        }
        std::vector<DB_scored_hit> kept = heap.TakeSorted();
        std::sort(all.begin(), all.end(),
                  [](const auto& a, const auto& b) { return DB_compare_hits(a, b) < 0; });
        all.resize(std::min(limit, all.size()));
        ASSERT_EQ(kept.size(), all.size());
        for (size_t i = 0; i < kept.size(); ++i) {
            EXPECT_EQ(DB_compare_hits(kept[i], all[i]), 0) << "at " << i;
        }
    }
}

using QueryTest = CatalogTest;

namespace {

int32_t Store(DB_handle* h, const std::string& path, const std::string& description, int key,
              const std::vector<SoundSignature>& variants) {
    auto fs = MakeFile(path, static_cast<int>(variants.size()));
    fs->file->texts[0] = description;
    fs->file->texts[2] = "Various";
    fs->file->key = key;
    fs->file->signature = {};
    std::copy(variants[0].bytes, variants[0].bytes + 16, fs->file->signature.begin());
    for (size_t i = 0; i < variants.size(); ++i) {
        std::copy(variants[i].bytes, variants[i].bytes + 16, fs->sounds[i]->signature.begin());
        fs->sounds[i]->key = key;
    }
    DB_error err = DB_index(h, fs.get(), 0);
    EXPECT_FALSE(err) << *err;
    return fs->file->fileId;
}

std::vector<std::pair<int, int>> Hits(const DB_query_result& result) {
    std::vector<std::pair<int, int>> hits;
    for (const DB_hit& hit : result.hits) {
        hits.emplace_back(hit.fileId, hit.sampleRate);
    }
    return hits;
}

} // namespace

TEST_P(QueryTest, KeywordAndPropertySearches) {
    const SoundSignature sig = Signature(50);
    int32_t dog = Store(h, "/s/dog.wav", "dog barking dog", 1, {sig, sig});
    int32_t dogs = Store(h, "/s/dogs.wav", "two dogs", 5, {sig});
    int32_t cat = Store(h, "/s/cat.wav", "cat purring", 13, {sig});

    SearchCriteria criteria;
    criteria.keywords = "the dogs";
    std::unique_ptr<DB_query_result> result;
    DB_error err = DB_process_query(h, &criteria, &result);
    ASSERT_FALSE(err) << *err;
    ASSERT_TRUE(result);
    // Most matching words first, then higher file id, then higher rate; one hit per variant.
    using P = std::vector<std::pair<int, int>>;
    EXPECT_EQ(Hits(*result), (P{{dog, 88200}, {dog, 44100}, {dogs, 44100}}));

    criteria.ownPitchOnly = 1;
    ASSERT_FALSE(DB_process_query(h, &criteria, &result));
    EXPECT_EQ(Hits(*result), (P{{dog, 44100}, {dogs, 44100}}));

    // Only stop words: every file the ranges allow, newest first.
    criteria.keywords = "the";
    criteria.keyMask = (1 << 1) | (1 << 13);
    ASSERT_FALSE(DB_process_query(h, &criteria, &result));
    EXPECT_EQ(Hits(*result), (P{{cat, 44100}, {dog, 44100}}));

    criteria.Init();
    criteria.maxResults = 2;
    criteria.durationMin = criteria.durationMax = 1500;
    ASSERT_FALSE(DB_process_query(h, &criteria, &result));
    EXPECT_EQ(Hits(*result), (P{{cat, 44100}, {dogs, 44100}}));

    // Accented stems travel inside the statement text and still meet the stored ones.
    int32_t cafe = Store(h, "/s/cafe.wav", "Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC", 13, {sig});
    criteria.Init();
    criteria.keywords = "CAF\xC3\x89";
    ASSERT_FALSE(DB_process_query(h, &criteria, &result));
    EXPECT_EQ(Hits(*result), (P{{cafe, 44100}}));
    criteria.keywords = "\xE6\x97\xA5\xE6\x9C\xAC";
    ASSERT_FALSE(DB_process_query(h, &criteria, &result));
    EXPECT_EQ(Hits(*result), (P{{cafe, 44100}}));

    criteria.Init();
    criteria.keywords = "x' OR '1'='1";
    ASSERT_FALSE(DB_process_query(h, &criteria, &result));
    EXPECT_EQ(result->count(), 0);
}

TEST_P(QueryTest, SimilaritySearchScoresLimitsAndOrders) {
    const SoundSignature target = Signature(50);
    const SoundSignature close = Signature(52);
    const SoundSignature far = Signature(200);
    int32_t a = Store(h, "/s/a.wav", "bell", 1, {target, close});
    int32_t b = Store(h, "/s/b.wav", "bell", 1, {target, far});
    // Without its validity mark a stored signature never matches, even an identical one.
    int32_t c = Store(h, "/s/c.wav", "gong", 1, {Signature(50, 0)});
    int32_t d = Store(h, "/s/d.wav", "gong", 1, {close});

    SearchCriteria criteria;
    criteria.SetTargetSignature(target);
    criteria.scoreMin = 40;
    criteria.scoreMax = 100;
    criteria.maxResults = 200;
    std::unique_ptr<DB_query_result> result;
    ASSERT_FALSE(DB_process_query(h, &criteria, &result));
    ASSERT_TRUE(result);
    std::vector<std::pair<int, int>> hits = Hits(*result);
    ASSERT_GE(hits.size(), 4u);
    // Equal scores: higher file id first.
    EXPECT_EQ(hits[0], std::make_pair(b, 44100));
    EXPECT_EQ(hits[1], std::make_pair(a, 44100));
    EXPECT_EQ(result->hits[0].score, 100);
    for (size_t i = 1; i < hits.size(); ++i) {
        EXPECT_GE(result->hits[i - 1].score, result->hits[i].score);
        EXPECT_NE(hits[i].first, c);
    }
    float closeScore = CompareSignatures(&target, &close);
    float farScore = CompareSignatures(&target, &far);
    ASSERT_GE(closeScore, 40);
    EXPECT_EQ(std::count(hits.begin(), hits.end(), std::make_pair(b, 88200)),
              farScore >= 40 ? 1 : 0);

    criteria.maxResults = 3;
    ASSERT_FALSE(DB_process_query(h, &criteria, &result));
    ASSERT_EQ(result->count(), 3);
    EXPECT_EQ(result->hits[2].fileId, d);
    EXPECT_EQ(result->hits[2].score, static_cast<int>(closeScore));

    // A word narrows the search; the score range still applies.
    criteria.maxResults = 0;
    criteria.keywords = "bells";
    criteria.scoreMin = 99;
    ASSERT_FALSE(DB_process_query(h, &criteria, &result));
    EXPECT_EQ(Hits(*result), (std::vector<std::pair<int, int>>{{b, 44100}, {a, 44100}}));
}

// An unknown tempo is stored as -1 (0 when typed in by hand); no tempo bound of any rule lets
// it through, whichever way the search is answered.
TEST_P(QueryTest, ATempoBoundNeverMatchesAnUnknownTempo) {
    std::map<int32_t, int> tempoOf;
    for (int bpm : {-1, 0, 1, 60, 120, 200, 240}) {
        auto fs = MakeFile("/t/" + std::to_string(bpm) + ".wav", 2);
        fs->file->bpm = bpm;
        for (auto& sound : fs->sounds)
            sound->bpm = bpm;
        DB_error err = DB_index(h, fs.get(), 0);
        ASSERT_FALSE(err) << *err;
        tempoOf[fs->file->fileId] = bpm;
    }
    struct Rule {
        const char* what;
        int min, max;
        std::set<int> tempos;
    };
    const Rule rules[] = {
        {"at least 60", 60, 0, {60, 120, 200, 240}},
        {"at least -5", -5, 0, {1, 60, 120, 200, 240}},
        {"at most 200", 0, 200, {1, 60, 120, 200}},
        {"at most 1", 0, 1, {1}},
        {"at most -1", 0, -1, {}},
        {"between 60 and 200", 60, 200, {60, 120, 200}},
        {"between -1 and 60", -1, 60, {1, 60}},
        {"exactly 120", 120, 120, {120}},
        {"exactly -1", -1, -1, {}},
        {"any", 0, 0, {-1, 0, 1, 60, 120, 200, 240}},
    };
    struct Kind {
        const char* what;
        std::function<void(SearchCriteria&)> fill;
        bool fromMemory;
    };
    const Kind kinds[] = {
        {"property search", [](SearchCriteria&) {}, false},
        {"keyword search", [](SearchCriteria& c) { c.keywords = "barking"; }, false},
        {"similarity search, statement",
         [](SearchCriteria& c) { c.SetTargetSignature(Signature(50)); }, false},
        {"similarity search, from memory",
         [](SearchCriteria& c) { c.SetTargetSignature(Signature(50)); }, true},
    };
    for (const Kind& kind : kinds) {
        for (int ownPitch : {0, 1}) {
            for (const Rule& rule : rules) {
                SCOPED_TRACE(std::string(kind.what) + (ownPitch ? ", own pitch, " : ", variants, ") +
                             rule.what);
                SearchCriteria criteria;
                kind.fill(criteria);
                criteria.ownPitchOnly = ownPitch;
                criteria.bpmMin = rule.min;
                criteria.bpmMax = rule.max;
                h->signatureCacheEnabled = kind.fromMemory;
                std::unique_ptr<DB_query_result> result;
                DB_error err = DB_process_query(h, &criteria, &result);
                h->signatureCacheEnabled = true;
                ASSERT_FALSE(err) << *err;
                std::set<int> found;
                for (const DB_hit& hit : result->hits)
                    found.insert(tempoOf.at(hit.fileId));
                EXPECT_EQ(found, rule.tempos);
                // Every pitch variant of a file that matches is a hit of its own.
                EXPECT_EQ(result->count(), static_cast<int>(rule.tempos.size()) * (ownPitch ? 1 : 2));
            }
        }
    }
}

TEST_P(QueryTest, FailedQueryLeavesNoResult) {
    SearchCriteria criteria;
    criteria.keywords = "dog";
    Exec("DROP TABLE TERM");
    auto result = std::make_unique<DB_query_result>();
    DB_error err = DB_process_query(h, &criteria, &result);
    ASSERT_TRUE(err);
    EXPECT_EQ(err->front(), '[');
    EXPECT_FALSE(result);
    err = DB_process_query(h, nullptr, &result);
    ASSERT_TRUE(err);
    EXPECT_EQ(*err, "invalid argument to DB_process_query");
}

INSTANTIATE_ON_BOTH_ENGINES(QueryTest);

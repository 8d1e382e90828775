// Keyword searches must give exactly the hits and order of the plain statement that joins the
// file, sound and word tables and groups them, whatever shape the query builder gives its own.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "collection/db/catalog.h"
#include "collection/db/query_builder.h"
#include "collection/search_criteria.h"
#include "tests/collection/db/catalog_fixture.h"

namespace {

// Words that are their own stems, so that the reference statement can name them as they are.
const char* const kWords[] = {"bark", "dog", "metal", "door", "wind", "rain",
                              "bell", "night", "city", "horn", "water", "engine"};
constexpr int kWordCount = sizeof kWords / sizeof kWords[0];
// The text fields the words go into.
const int kFields[] = {0, 1, 6};

class KeywordSearchTest : public CatalogTest {
protected:
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }

    // A few common words and many rare ones, repeated now and then, in three text fields.
    std::string Words(int count) {
        std::string text;
        for (int i = 0; i < count; ++i)
            text += std::string(kWords[Pick(0, 1) ? Pick(0, 2) : Pick(0, kWordCount - 1)]) + " ";
        return text;
    }

    void AddRandomFile(DB_handle* handle, int n) {
        auto fs = MakeFile("/words/f" + std::to_string(n) + ".wav", Pick(1, 3));
        DB_file& f = *fs->file;
        f.duration = 100 * Pick(1, 30);
        f.key = Pick(1, 13);
        f.ints[4] = Pick(1, 3);
        f.texts[0] = Words(Pick(0, 6));
        f.texts[1] = Words(Pick(0, 2));
        f.texts[6] = Words(Pick(0, 3));
        for (auto& s : fs->sounds)
            s->key = Pick(1, 13);
        DB_error err = DB_index(handle, fs.get(), 0);
        ASSERT_FALSE(err) << *err;
    }

    struct Search {
        SearchCriteria criteria;
        std::vector<std::string> stems;
    };

    Search RandomSearch() {
        Search s;
        SearchCriteria& c = s.criteria;
        const int words = Pick(1, 3);
        for (int i = 0; i < words; ++i) {
            s.stems.push_back(kWords[Pick(0, kWordCount - 1)]);
            c.keywords += s.stems.back() + " ";
        }
        if (Pick(0, 2) == 0)
            for (int field : kFields)
                c.textFieldMask |= Pick(0, 1) << field;
        if (Pick(0, 2) == 0)
            c.durationMax = 100 * Pick(1, 30);
        if (Pick(0, 3) == 0)
            c.keyMask = Pick(1, 0x3FFF) & ~1;
        if (Pick(0, 3) == 0)
            c.intMask[4] = 1 << Pick(1, 3);
        c.ownPitchOnly = Pick(0, 1);
        c.maxResults = Pick(0, 1) == 0 ? 0 : Pick(1, 30);
        return s;
    }

    // The plain join of all three tables, grouped per file and rate: the rows and order a
    // keyword search has always given.
    static std::string Reference(const Search& s) {
        SearchCriteria noWords(s.criteria);
        noWords.keywords.clear();
        const std::string plain = DB_build_query(noWords);
        const std::string p = s.criteria.ownPitchOnly ? "FILE" : "SOUND";
        // The row conditions of the statement without words: after its joins, before its order.
        const std::string joins = s.criteria.ownPitchOnly ? "WHERE 1=1"
                                                          : "WHERE 1=1 AND A.FILE_ID = S.FILE_ID";
        const std::size_t from = plain.find(joins) + joins.size();
        const std::string rows = plain.substr(from, plain.find(" ORDER BY") - from);
        std::string sql = "SELECT A.FILE_ID, " + p + "_SAMPLE_RATE, COUNT(*) FROM AUDIO_FILE A, " +
                          (s.criteria.ownPitchOnly ? "" : "SOUND S, ") + "TERM T WHERE " +
                          "A.FILE_ID = T.FILE_ID" +
                          (s.criteria.ownPitchOnly ? "" : " AND A.FILE_ID = S.FILE_ID") + rows;
        if (s.criteria.textFieldMask != 0) {
            std::string fields;
            for (int field = 0; field < 10; ++field)
                if (s.criteria.textFieldMask & (1 << field))
                    fields += (fields.empty() ? "" : ",") + std::to_string(field);
            sql += " AND TEXT_FIELD IN (" + fields + ")";
        }
        std::string stems;
        for (const std::string& stem : s.stems)
            stems += (stems.empty() ? "'" : ",'") + stem + "'";
        sql += " AND WORD_STEM IN (" + stems + ") GROUP BY A.FILE_ID, " + p +
               "_SAMPLE_RATE ORDER BY 3 DESC, 1 DESC, 2 DESC";
        return sql;
    }

    static std::vector<std::string> Texts(const DB_query_result& result) {
        std::vector<std::string> hits;
        for (const DB_hit& hit : result.hits)
            hits.push_back(std::to_string(hit.fileId) + "@" + std::to_string(hit.sampleRate) +
                           "=" + std::to_string(hit.score));
        return hits;
    }

    void ExpectReferenceHits(DB_handle* handle, int searches) {
        for (int i = 0; i < searches; ++i) {
            const Search s = RandomSearch();
            std::unique_ptr<DB_query_result> built;
            DB_error err = DB_process_query(handle, &s.criteria, &built);
            ASSERT_FALSE(err) << *err;
            std::unique_ptr<DB_query_result> reference;
            err = DB_finish(handle, DB_run_query(handle, s.criteria, Reference(s), &reference));
            ASSERT_FALSE(err) << Reference(s) << ": " << *err;
            ASSERT_EQ(Texts(*built), Texts(*reference))
                << "search " << i << ": " << s.criteria.keywords;
            answered_ += built->hits.empty() ? 0 : 1;
        }
    }

    std::mt19937 rng_{20261211};
    int answered_ = 0;
};

TEST_P(KeywordSearchTest, HitsAndOrderAreTheReferenceStatements) {
    for (int n = 0; n < 60; ++n)
        AddRandomFile(h, n);
    ExpectReferenceHits(h, 120);
    EXPECT_GT(answered_, 60) << "the random searches should mostly find something";
}

TEST_P(KeywordSearchTest, ACatalogChangedByAnotherConnectionBetweenSearches) {
    for (int n = 0; n < 30; ++n)
        AddRandomFile(h, n);
    ExpectReferenceHits(h, 20);
    DB_handle* other = nullptr;
    ASSERT_FALSE(DB_connect(dsn.c_str(), "", "", &other));
    for (int round = 0; round < 4; ++round) {
        for (int n = 0; n < 5; ++n)
            AddRandomFile(other, 100 + 10 * round + n);
        ASSERT_FALSE(DB_unindex(other, 1 + 3 * round));
        ExpectReferenceHits(h, 15);
        AddRandomFile(h, 200 + round);
        ExpectReferenceHits(other, 10);
    }
    EXPECT_FALSE(DB_disconnect(other));
}

INSTANTIATE_ON_BOTH_ENGINES(KeywordSearchTest);

} // namespace

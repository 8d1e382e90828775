// Similarity searches answered from the signatures held in memory must give exactly the hits,
// scores and order of the statement the query builder writes.

#include "collection/db/signature_cache.h"
#include "collection/db/statement.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "collection/db/catalog.h"
#include "collection/db/query_builder.h"
#include "collection/search_criteria.h"
#include "tests/collection/db/catalog_fixture.h"

namespace {

class SignatureCacheTest : public CatalogTest {
protected:
    std::array<uint8_t, 16> Signature() {
        std::array<uint8_t, 16> s{};
        // Few distinct band values, so that equal scores (and their tie-breaks) are common.
        for (int i = 0; i < 12; ++i)
            s[i] = static_cast<uint8_t>(100 + 20 * Pick(0, 6));
        s[12] = static_cast<uint8_t>(Pick(0, 40));
        s[15] = Pick(0, 20) == 0 ? 'x' : ' '; // now and then an invalid signature
        return s;
    }
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }

    // A file with random properties and one to four pitch variants, stored through `handle`.
    void AddRandomFile(DB_handle* handle, int n) {
        auto fs = MakeFile("/random/f" + std::to_string(n) + ".wav", 1);
        DB_file& f = *fs->file;
        f.sampleRate = 8000 * Pick(1, 6);
        f.duration = 100 * Pick(1, 30);
        f.bpm = Pick(0, 3) == 0 ? -1 : 60 + 10 * Pick(0, 10);
        f.key = Pick(1, 13);
        f.signature = Signature();
        for (int i = 0; i < 10; ++i)
            f.ints[i] = Pick(0, 5);
        fs->sounds.clear();
        const int variants = Pick(1, 4);
        for (int v = 0; v < variants; ++v) {
            auto s = std::make_unique<DB_sound>();
            s->sampleRate = f.sampleRate + 1000 * v;
            s->duration = f.duration - 10 * v;
            s->bpm = f.bpm;
            s->key = Pick(1, 13);
            s->signature = v == 0 ? f.signature : Signature();
            s->data = {1, 2, 3};
            fs->sounds.push_back(std::move(s));
        }
        DB_error err = DB_index(handle, fs.get(), 0);
        ASSERT_FALSE(err) << *err;
    }

    SearchCriteria RandomCriteria() {
        SearchCriteria c;
        auto range = [&](int& min, int& max, int low, int high) {
            switch (Pick(0, 3)) {
            case 0: break;
            case 1: min = Pick(low, high); break;
            case 2: max = Pick(low, high); break;
            default: min = Pick(low, high); max = Pick(min, high); break;
            }
        };
        auto mask = [&](int low, int high) {
            if (Pick(0, 2) != 0)
                return 0;
            int m = 0;
            for (int v = low; v <= high; ++v)
                if (Pick(0, 1))
                    m |= 1 << v;
            return m;
        };
        range(c.sampleRateMin, c.sampleRateMax, 8000, 50000);
        range(c.durationMin, c.durationMax, 100, 3000);
        range(c.bpmMin, c.bpmMax, 60, 160);
        c.keyMask = mask(1, 13);
        for (int n = 0; n < SearchCriteria::kIntFields; ++n) {
            if (Pick(0, 3) == 0)
                range(c.intMin[n], c.intMax[n], 0, 5);
            if (Pick(0, 5) == 0)
                c.intMask[n] = mask(0, 5);
        }
        SoundSignature target;
        const auto bytes = Signature();
        std::copy(bytes.begin(), bytes.end(), target.bytes);
        target.bytes[15] = ' ';
        c.SetTargetSignature(target);
        range(c.scoreMin, c.scoreMax, 0, 100);
        c.ownPitchOnly = Pick(0, 2) == 0;
        c.maxResults = Pick(0, 2) == 0 ? 0 : Pick(1, 40);
        return c;
    }

    static std::vector<std::string> Hits(DB_handle* handle, const SearchCriteria& c, bool cache) {
        handle->signatureCacheEnabled = cache;
        std::unique_ptr<DB_query_result> result;
        DB_error err = DB_process_query(handle, &c, &result);
        handle->signatureCacheEnabled = true;
        EXPECT_FALSE(err) << *err;
        std::vector<std::string> hits;
        if (result)
            for (const DB_hit& hit : result->hits)
                hits.push_back(std::to_string(hit.fileId) + "@" + std::to_string(hit.sampleRate) +
                               "=" + std::to_string(hit.score));
        return hits;
    }

    void ExpectSameAnswers(DB_handle* handle, int searches) {
        for (int i = 0; i < searches; ++i) {
            const SearchCriteria c = RandomCriteria();
            const auto fromSql = Hits(handle, c, false);
            const auto fromMemory = Hits(handle, c, true);
            ASSERT_EQ(fromMemory, fromSql) << "search " << i;
            answered_ += fromSql.empty() ? 0 : 1;
        }
    }

    std::mt19937 rng_{20261210};
    int answered_ = 0;
};

// Each engine's fast way in, and the driver's value-at-a-time reading that any engine has.
TEST_P(SignatureCacheTest, MemoryAndStatementGiveTheSameHits) {
    for (int n = 0; n < 80; ++n)
        AddRandomFile(h, n);
    for (bool fast : {true, false}) {
        SCOPED_TRACE(fast ? "fast read" : "through the driver");
        h->signatures = std::make_unique<DB_signature_cache>();
        h->signatures->SetFastRead(fast);
        ExpectSameAnswers(h, 100);
        ASSERT_TRUE(h->signatures->Loaded());
        const auto fastRoute = GetParam() == Engine::SQLite ? DB_signature_cache::Route::File
                                                            : DB_signature_cache::Route::Packed;
        EXPECT_EQ(h->signatures->LastRoute(), fast ? fastRoute : DB_signature_cache::Route::Driver);
    }
    EXPECT_GT(answered_, 70) << "the random searches should mostly find something";
}

// A load while another program is in the middle of a write: the held rows are the committed
// ones, and once the write is committed the next search sees it.
TEST_P(SignatureCacheTest, AWriteNotYetCommittedIsNotHeldUntilItIs) {
    for (int n = 0; n < 30; ++n)
        AddRandomFile(h, n);
    DB_handle* other = nullptr;
    ASSERT_FALSE(DB_connect(dsn.c_str(), "", "", &other));
    ASSERT_FALSE(DB_run(other, "UPDATE SOUND SET SOUND_KEY = 14 WHERE FILE_ID < 10", nullptr));
    ASSERT_FALSE(DB_run(other, "DELETE FROM SOUND WHERE FILE_ID > 25", nullptr));
    ASSERT_FALSE(DB_bump_change_counter(other));
    h->signatures = std::make_unique<DB_signature_cache>();
    ExpectSameAnswers(h, 20);
    const std::size_t before = h->signatures->SoundCount();
    EXPECT_EQ(before, static_cast<std::size_t>(CountRows("SELECT COUNT(*) FROM SOUND")));

    ASSERT_FALSE(DB_commit(other));
    ExpectSameAnswers(h, 20);
    EXPECT_LT(h->signatures->SoundCount(), before);
    EXPECT_FALSE(DB_disconnect(other));
}

TEST_P(SignatureCacheTest, WritesOfThisAndOfAnotherConnectionAreSeen) {
    for (int n = 0; n < 40; ++n)
        AddRandomFile(h, n);
    ExpectSameAnswers(h, 20);

    // This connection's own writes update the held rows in place.
    for (int n = 40; n < 50; ++n)
        AddRandomFile(h, n);
    ASSERT_FALSE(DB_unindex(h, 3));
    ASSERT_FALSE(DB_unindex(h, 7));
    ExpectSameAnswers(h, 40);

    // Another connection, as another program would.
    DB_handle* other = nullptr;
    ASSERT_FALSE(DB_connect(dsn.c_str(), "", "", &other));
    for (int n = 50; n < 60; ++n)
        AddRandomFile(other, n);
    ASSERT_FALSE(DB_unindex(other, 10));
    ExpectSameAnswers(h, 40);
    // And both ways at once.
    AddRandomFile(h, 60);
    AddRandomFile(other, 61);
    ExpectSameAnswers(h, 40);
    ExpectSameAnswers(other, 20);
    EXPECT_FALSE(DB_disconnect(other));
}

// Loaded a few rows per statement, the rows of every slice and none twice: files of one to
// four variants over slices of 1, 3 and 7 rows, and reloads after another program's writes.
TEST_P(SignatureCacheTest, ALoadInSlicesHoldsEveryRowOnce) {
    for (int n = 0; n < 30; ++n)
        AddRandomFile(h, n);
    DB_handle* other = nullptr;
    ASSERT_FALSE(DB_connect(dsn.c_str(), "", "", &other));
    for (int slice : {1, 3, 7}) {
        SCOPED_TRACE(slice);
        h->signatures = std::make_unique<DB_signature_cache>();
        h->signatures->SetSliceRows(slice);
        // Slices are how the engines without a file of their own are read.
        h->signatures->SetFastRead(GetParam() != Engine::SQLite);
        ExpectSameAnswers(h, 15);
        EXPECT_EQ(h->signatures->SoundCount(),
                  static_cast<std::size_t>(CountRows("SELECT COUNT(*) FROM SOUND")));
        AddRandomFile(other, 100 + slice);
        ASSERT_FALSE(DB_unindex(other, slice + 1));
        ExpectSameAnswers(h, 15);
    }
    EXPECT_FALSE(DB_disconnect(other));
}

TEST_P(SignatureCacheTest, ACatalogTooLargeToHoldTakesTheStatementPath) {
    for (int n = 0; n < 20; ++n)
        AddRandomFile(h, n);
    for (bool fast : {true, false}) {
        SCOPED_TRACE(fast ? "fast read" : "through the driver");
        h->signatures = std::make_unique<DB_signature_cache>();
        h->signatures->SetFastRead(fast);
        h->signatures->SetMaxSounds(5);
        ExpectSameAnswers(h, 20);
        EXPECT_EQ(h->signatures->SoundCount(), 0u);
    }
}

TEST_P(SignatureCacheTest, KeywordSearchesAreNotAnsweredFromMemory) {
    SearchCriteria c;
    c.SetTargetSignature(SoundSignature{});
    EXPECT_TRUE(DB_signature_cache::Answers(c));
    c.SetKeywords("dog");
    EXPECT_FALSE(DB_signature_cache::Answers(c));
    SearchCriteria plain;
    EXPECT_FALSE(DB_signature_cache::Answers(plain));
}

INSTANTIATE_ON_BOTH_ENGINES(SignatureCacheTest);

} // namespace

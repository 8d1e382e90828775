#include "collection/catalog_db.h"
#include "collection/catalog_message.h"
#include "collection/db/data_source.h"
#include "collection/sound_category_tree.h"

#include "db/catalog_fixture.h"
#include "db/catalog_test_env.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <set>
#include <tuple>

namespace {

std::vector<std::string> shownMessages;

void RecordMessage(const char* text) {
    shownMessages.emplace_back(text);
}

SoundVariantObj Variant(int rate, int duration) {
    SoundVariantObj v;
    v.sampleRate = rate;
    v.duration = duration;
    v.bpm = -1;
    v.key = 13;
    v.signature = {{10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120, 5, 0, 0, ' '}};
    const unsigned char points[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    v.SetData(points, sizeof points);
    return v;
}

SoundFileObj Record(const std::string& path) {
    SoundFileObj f;
    f.path = path;
    f.sampleRate = 44100;
    f.duration = 2000;
    f.format = 1, f.size = 352844, f.channels = 2, f.compression = 17;
    f.soundClass = 1, f.loop = 2;
    f.description = "Barking dog";
    f.category = "Animals", f.subcategory = "Dog", f.genre = "Ambient";
    f.source = "field", f.copyright = "(c) me", f.notes = "two barks";
    f.link = "http://example.invalid/dog";
    f.signature = {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 0, 0, ' '}};
    return f;
}

class CatalogDbTest : public CatalogTest {
protected:
    void SetUp() override {
        CatalogTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        previousHook = SetCatalogMessageHook(RecordMessage);
        shownMessages.clear();
        catalog = std::make_unique<CatalogDbObj>(dsn);
    }
    void TearDown() override {
        catalog.reset();
        if (previousHook)
            SetCatalogMessageHook(previousHook);
        CatalogTest::TearDown();
    }

    CatalogMessageHook previousHook = nullptr;
    std::unique_ptr<CatalogDbObj> catalog;
};

} // namespace

TEST_P(CatalogDbTest, AddedFileReadsBackWhole) {
    SoundFileObj f = Record("/sounds/dog.wav");
    ASSERT_TRUE(catalog->AddFile(f, {Variant(44100, 2000), Variant(88200, 1000)}));
    EXPECT_EQ(f.indexDate.size(), 19u);

    SoundFileObj back;
    ASSERT_TRUE(catalog->GetFileByPath("/sounds/dog.wav", back));
    EXPECT_TRUE(back.IsEqual(f));
    EXPECT_GT(back.fileId, 0);
    EXPECT_EQ(back.indexDate, f.indexDate);
    EXPECT_EQ(std::memcmp(back.signature.bytes, f.signature.bytes, 16), 0);
    EXPECT_TRUE(catalog->IsInCatalog("/sounds/dog.wav"));
    EXPECT_EQ(catalog->GetSoundCount("/sounds/dog.wav"), 2);

    SoundVariantObj v;
    ASSERT_TRUE(catalog->GetSound("/sounds/dog.wav", 88200, v));
    EXPECT_EQ(v.fileId, back.fileId);
    EXPECT_EQ(v.duration, 1000);
    EXPECT_EQ(v.DataLength(), 10);
    EXPECT_FALSE(catalog->GetSound("/sounds/dog.wav", 22050, v));

    // The link's words are never indexed; the path's are.
    EXPECT_EQ(CountRows("SELECT COUNT(*) FROM TERM WHERE TEXT_FIELD = 7"), 0);
    EXPECT_GT(CountRows("SELECT COUNT(*) FROM TERM WHERE TEXT_FIELD = 8"), 0);
    int files = 0, sounds = 0;
    ASSERT_TRUE(catalog->GetCounts(files, sounds));
    EXPECT_EQ(files, 1);
    EXPECT_EQ(sounds, 2);
    EXPECT_TRUE(shownMessages.empty());
}

TEST_P(CatalogDbTest, ReAddingAStoredPathReplacesIt) {
    SoundFileObj f = Record("/sounds/dog.wav");
    ASSERT_TRUE(catalog->AddFile(f, {Variant(44100, 2000)}));
    SoundFileObj first;
    ASSERT_TRUE(catalog->GetFileByPath(f.path, first));
    f.category = "Household";
    ASSERT_TRUE(catalog->AddFile(f, {Variant(44100, 2000), Variant(22050, 4000)}));
    SoundFileObj second;
    ASSERT_TRUE(catalog->GetFileByPath(f.path, second));
    EXPECT_NE(second.fileId, first.fileId);
    EXPECT_EQ(second.category, "Household");
    EXPECT_EQ(CountRows("SELECT COUNT(*) FROM AUDIO_FILE"), 1);
    EXPECT_EQ(catalog->GetSoundCount(f.path), 2);
    EXPECT_EQ(CatCount(1, "Animals", "Dog"), -1);
    EXPECT_EQ(CatCount(1, "Household", "Dog"), 1);
}

TEST_P(CatalogDbTest, UpdateMovesKeyAndTempoWithThePitchRatio) {
    SoundFileObj f = Record("/sounds/dog.wav");
    const int semitoneUp = static_cast<int>(std::lround(44100 * std::pow(2.0, 1.0 / 12)));
    ASSERT_TRUE(catalog->AddFile(f, {Variant(44100, 2000), Variant(88200, 1000),
                                     Variant(semitoneUp, 1888), Variant(22050, 4000)}));
    struct Expect {
        int rate, key, bpm;
    };
    struct Case {
        int key, bpm;
        Expect variants[4];
    };
    const Case cases[] = {
        {3, 100, {{44100, 3, 100}, {88200, 3, 200}, {semitoneUp, 4, 106}, {22050, 3, 50}}},
        {12, 90, {{44100, 12, 90}, {88200, 12, 180}, {semitoneUp, 1, 95}, {22050, 12, 45}}},
        {13, -7, {{44100, 13, -1}, {88200, 13, -1}, {semitoneUp, 13, -1}, {22050, 13, -1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        f.key = c.key;
        f.bpm = c.bpm;
        f.notes = "changed " + std::to_string(c.key);
        ASSERT_TRUE(catalog->UpdateFile(f));
        SoundFileObj back;
        ASSERT_TRUE(catalog->GetFileByPath(f.path, back));
        EXPECT_EQ(back.notes, f.notes);
        EXPECT_EQ(back.key, c.key);
        for (const Expect& e : c.variants) {
            SoundVariantObj v;
            ASSERT_TRUE(catalog->GetSound(f.path, e.rate, v)) << e.rate;
            EXPECT_EQ(v.key, e.key) << e.rate;
            EXPECT_EQ(v.bpm, e.bpm) << e.rate;
            EXPECT_EQ(v.DataLength(), 10);
        }
    }
    EXPECT_EQ(catalog->GetSoundCount(f.path), 4);

    // A new path moves the file, variants and all.
    const std::string moved = "/elsewhere/hound.wav";
    ASSERT_TRUE(catalog->UpdateFile(f, &moved));
    EXPECT_FALSE(catalog->IsInCatalog(f.path));
    EXPECT_EQ(catalog->GetSoundCount(moved), 4);
    EXPECT_EQ(CountRows("SELECT COUNT(*) FROM TERM WHERE WORD_STEM = 'hound'"), 1);

    // A record that is not catalogued changes nothing.
    SoundFileObj stranger = Record("/sounds/cat.wav");
    EXPECT_FALSE(catalog->UpdateFile(stranger));
    EXPECT_FALSE(catalog->IsInCatalog(stranger.path));
    EXPECT_TRUE(shownMessages.empty());
}

TEST_P(CatalogDbTest, RemoveFile) {
    SoundFileObj f = Record("/sounds/dog.wav");
    ASSERT_TRUE(catalog->AddFile(f, {Variant(44100, 2000)}));
    EXPECT_TRUE(catalog->RemoveFile(f.path));
    EXPECT_FALSE(catalog->IsInCatalog(f.path));
    EXPECT_FALSE(catalog->RemoveFile(f.path));
    SoundFileObj none;
    EXPECT_FALSE(catalog->GetFileByPath(f.path, none));
    EXPECT_EQ(catalog->GetSoundCount(f.path), 0);
    EXPECT_EQ(CountRows("SELECT COUNT(*) FROM SOUND"), 0);
    EXPECT_TRUE(shownMessages.empty());
}

TEST_P(CatalogDbTest, PathsLongerThanTheCatalogHolds) {
    const std::string longA = "/" + std::string(260, 'a') + "/one.wav";
    const std::string longB = "/" + std::string(260, 'a') + "/two.wav";
    SoundFileObj f = Record(longA);
    EXPECT_FALSE(catalog->AddFile(f, {Variant(44100, 2000)}));
    ASSERT_EQ(shownMessages.size(), 1u);
    EXPECT_EQ(shownMessages[0], "The path is too long to be stored in MyTambrel (at most 249 "
                                "bytes):\n" +
                                    longA);
    EXPECT_EQ(CountRows("SELECT COUNT(*) FROM AUDIO_FILE"), 0);

    // Looking one up answers "not catalogued" and shows nothing.
    shownMessages.clear();
    SoundFileObj out;
    SoundVariantObj v;
    EXPECT_FALSE(catalog->IsInCatalog(longB));
    EXPECT_FALSE(catalog->GetFileByPath(longB, out));
    EXPECT_FALSE(catalog->GetSound(longB, 44100, v));
    EXPECT_EQ(catalog->GetSoundCount(longB), 0);
    EXPECT_FALSE(catalog->RemoveFile(longB));
    EXPECT_TRUE(shownMessages.empty());

    // Moving a stored file to such a path is refused too.
    SoundFileObj g = Record("/sounds/dog.wav");
    ASSERT_TRUE(catalog->AddFile(g, {Variant(44100, 2000)}));
    EXPECT_FALSE(catalog->UpdateFile(g, &longA));
    EXPECT_EQ(shownMessages.size(), 1u);
    EXPECT_TRUE(catalog->IsInCatalog(g.path));

    // 249 bytes is stored whole.
    SoundFileObj edge = Record("/" + std::string(244, 'e') + ".wav");
    ASSERT_EQ(edge.path.size(), 249u);
    EXPECT_TRUE(catalog->AddFile(edge, {Variant(44100, 2000)}));
    EXPECT_TRUE(catalog->IsInCatalog(edge.path));
}

TEST_P(CatalogDbTest, LayerErrorsReachTheMessageHook) {
    SoundFileObj f = Record("/sounds/dog.wav");
    EXPECT_FALSE(catalog->AddFile(f, {}));
    ASSERT_EQ(shownMessages.size(), 1u);
    EXPECT_EQ(shownMessages[0], "invalid argument to DB_index");
    EXPECT_FALSE(catalog->IsInCatalog(f.path));

    // A summary too short for the catalog: the whole store is refused.
    shownMessages.clear();
    SoundVariantObj empty = Variant(44100, 2000);
    empty.SetData(nullptr, 0);
    EXPECT_FALSE(catalog->AddFile(f, {empty}));
    ASSERT_EQ(shownMessages.size(), 1u);
    EXPECT_EQ(shownMessages[0], "binary value is too short");

    // A driver error comes as "[SQLSTATE][native]message".
    shownMessages.clear();
    Exec("DROP TABLE SOUND");
    EXPECT_EQ(catalog->GetSoundCount(f.path), 0); // not stored: no call reaches SOUND
    ASSERT_TRUE(catalog->AddFile(f, {Variant(44100, 2000)}) == false);
    ASSERT_EQ(shownMessages.size(), 1u);
    EXPECT_EQ(shownMessages[0].substr(0, 1), "[");
    EXPECT_NE(shownMessages[0].find("]["), std::string::npos);
}

TEST_P(CatalogDbTest, CategoryCountsLoadIntoTheTaxonomy) {
    struct Stored {
        const char* path;
        int soundClass;
        const char* category;
        const char* subcategory;
        const char* genre;
    };
    const Stored stored[] = {
        {"/a.wav", 1, "Animals", "Dog", "Ambient"}, {"/b.wav", 1, "Animals", "Dog", "Polka"},
        {"/c.wav", 1, "Animals", "", ""},           {"/d.wav", 1, "", "", "Polka"},
        {"/e.wav", 3, "Foley", "Steps", "Zydeco"},  {"/f.wav", 2, "Brass", "Tuba", ""},
    };
    for (const Stored& s : stored) {
        SoundFileObj f = Record(s.path);
        f.soundClass = s.soundClass, f.category = s.category, f.subcategory = s.subcategory;
        f.genre = s.genre;
        ASSERT_TRUE(catalog->AddFile(f, {Variant(44100, 2000)}));
    }
    ASSERT_TRUE(catalog->BuildShadowTables(1));
    SoundCategoryTree tree;
    ASSERT_TRUE(tree.LoadCounts(*catalog));
    EXPECT_EQ(tree.FileCount(1, "", ""), 4);
    EXPECT_EQ(tree.FileCount(1, "Animals", ""), 3);
    EXPECT_EQ(tree.FileCount(1, "Animals", "Dog"), 2);
    EXPECT_EQ(tree.FileCount(2, "Brass", "Tuba"), 1);
    EXPECT_EQ(tree.FileCount(3, "Foley", "Steps"), 1);
    EXPECT_FALSE(tree.FindNode(3, "Foley", "")->predefined);
    EXPECT_EQ(tree.GenreCount(), 27); // Polka and Zydeco join; Ambient was there
    EXPECT_EQ(tree.GenreName(tree.GenreCount() - 1), "Zydeco");
    EXPECT_TRUE(shownMessages.empty());
}

TEST_P(CatalogDbTest, QueriesFetchTheirRows) {
    for (const char* path : {"/a/bark.wav", "/b/meow.wav", "/c/moo.wav"}) {
        SoundFileObj f = Record(path);
        ASSERT_TRUE(catalog->AddFile(f, {Variant(44100, 2000), Variant(88200, 1000)}));
    }
    SearchCriteria criteria;
    criteria.ownPitchOnly = 1;
    int count = -1;
    auto result = catalog->RunQuery(criteria, count);
    ASSERT_NE(result, nullptr);
    ASSERT_EQ(count, 3);
    // Highest file id first: the last one stored.
    SoundFileObj file;
    SoundVariantObj variant;
    int score = -1;
    ASSERT_TRUE(catalog->FetchRow(*result, 0, file, variant, score));
    EXPECT_EQ(file.path, "/c/moo.wav");
    EXPECT_EQ(variant.sampleRate, 44100);
    EXPECT_EQ(variant.fileId, file.fileId);
    EXPECT_EQ(score, 0);
    ASSERT_TRUE(catalog->FetchFile(*result, 2, file));
    EXPECT_EQ(file.path, "/a/bark.wav");
    EXPECT_FALSE(catalog->FetchRow(*result, 3, file, variant, score));
    CatalogDbObj::FreeQueryResult(result);
    EXPECT_EQ(result, nullptr);

    // A similarity search over every pitch variant scores each one.
    criteria.ownPitchOnly = 0;
    criteria.SetTargetSignature(Variant(44100, 2000).signature);
    criteria.scoreMin = 40, criteria.scoreMax = 100;
    result = catalog->RunQuery(criteria, count);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(count, 6);
    ASSERT_TRUE(catalog->FetchRow(*result, 0, file, variant, score));
    EXPECT_EQ(score, 100);
    EXPECT_TRUE(shownMessages.empty());

    // A failing query shows the driver's text and gives nothing.
    Exec("DROP TABLE TERM");
    criteria.SetKeywords("bark");
    criteria.targetSignature.reset();
    count = -1;
    EXPECT_EQ(catalog->RunQuery(criteria, count), nullptr);
    EXPECT_EQ(count, 0);
    ASSERT_EQ(shownMessages.size(), 1u);
    EXPECT_EQ(shownMessages[0].substr(0, 1), "[");
}

// The criteria of a branch of the category tree select on the class field, in every format,
// and narrow by the words of the category or the sub-category.
TEST_P(CatalogDbTest, CategoryCriteriaFindTheFilesOfTheirClassInEveryFormat) {
    struct Stored {
        const char* path;
        int format, soundClass;
        const char* category;
        const char* subcategory;
    };
    const Stored stored[] = {
        {"/bell.au", 2, 2, "Bells", "Hand"},
        {"/bell.wav", 1, 2, "Bells", "Tower"},
        {"/chime.wav", 1, 1, "Bells", ""},
        {"/door.aiff", 3, 1, "Doors", "Hand"},
    };
    for (const Stored& s : stored) {
        SoundFileObj f = Record(s.path);
        f.format = s.format, f.soundClass = s.soundClass;
        f.category = s.category, f.subcategory = s.subcategory;
        ASSERT_TRUE(catalog->AddFile(f, {Variant(44100, 2000), Variant(88200, 1000)}));
    }
    const struct {
        int soundClass;
        const char* category;
        const char* subcategory;
        std::set<std::string> paths;
    } cases[] = {
        {2, "Bells", "", {"/bell.au", "/bell.wav"}},
        {1, "Bells", "", {"/chime.wav"}},
        {2, "Bells", "Hand", {"/bell.au"}},
        {1, "", "", {"/chime.wav", "/door.aiff"}},
        {0, "", "", {"/bell.au", "/bell.wav", "/chime.wav", "/door.aiff"}},
        {3, "", "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.soundClass) + " " + c.category + " " + c.subcategory);
        int hits = -1;
        auto result = catalog->RunQuery(
            SearchCriteria::ForCategory(c.soundClass, c.category, c.subcategory), hits);
        std::vector<std::string> paths;
        for (int i = 0; result && i < hits; ++i) {
            SoundFileObj file;
            ASSERT_TRUE(catalog->FetchFile(*result, i, file));
            paths.push_back(file.path);
        }
        CatalogDbObj::FreeQueryResult(result);
        // One row a file: only the variant at the file's own pitch comes.
        EXPECT_EQ(paths.size(), c.paths.size());
        EXPECT_EQ(std::set<std::string>(paths.begin(), paths.end()), c.paths);
    }
    EXPECT_TRUE(shownMessages.empty());
}

namespace {

// Every field a catalog read fills, of a record and of a variant.
auto FileFields(const SoundFileObj& file) {
    DB_file row;
    file.ToFileRow(row);
    return std::make_tuple(row.fileId, row.fileName, row.sampleRate, row.duration, row.bpm, row.key,
                           row.signature, row.ints, row.texts, row.indexDate);
}

auto VariantFields(const SoundVariantObj& v) {
    return std::make_tuple(v.fileId, v.sampleRate, v.duration, v.bpm, v.key,
                           std::vector<unsigned char>(v.signature.bytes, v.signature.bytes + 16),
                           v.data);
}

} // namespace

// The batched read gives, hit by hit, what the one-hit read gives into fresh records; hits
// of files removed since the query are left out.
TEST_P(CatalogDbTest, BatchedRowsEqualRowsReadOneByOne) {
    const int rates[] = {44100, 22050, 88200, 48000};
    const char* categories[] = {"Animals", "Foley", "Weather"};
    for (unsigned seed : {1u, 2u, 3u}) {
        std::mt19937 random(seed);
        auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
        Exec("DELETE FROM SOUND");
        Exec("DELETE FROM AUDIO_FILE");
        std::vector<SoundFileObj> stored;
        for (int n = 0; n < 30; ++n) {
            SoundFileObj f =
                Record("/s" + std::to_string(seed) + "/f" + std::to_string(n) + ".wav");
            f.sampleRate = rates[pick(4)];
            f.soundClass = 1 + pick(3);
            f.category = categories[pick(3)];
            f.description = "sound " + std::to_string(pick(1000));
            f.bpm = pick(3) == 0 ? -1 : 60 + pick(100);
            f.key = 1 + pick(13);
            f.signature.bytes[0] = static_cast<unsigned char>(pick(256));
            // The file's own rate and up to two other pitches.
            std::vector<SoundVariantObj> variants{Variant(f.sampleRate, f.duration)};
            for (int extra = pick(3); extra > 0; --extra) {
                const int rate = f.sampleRate * (extra + 1);
                variants.push_back(Variant(rate, f.duration / (extra + 1)));
            }
            variants.front().data.resize(static_cast<std::size_t>(pick(400)), 7);
            ASSERT_TRUE(catalog->AddFile(f, variants));
            stored.push_back(f);
        }
        for (int ownPitch : {1, 0}) {
            SearchCriteria criteria;
            criteria.ownPitchOnly = ownPitch;
            int hits = 0;
            auto result = catalog->RunQuery(criteria, hits);
            ASSERT_NE(result, nullptr);
            ASSERT_GT(hits, 30 - ownPitch);
            // Files gone after the query, and a variant gone from a file that stays.
            SoundFileObj gone1, gone2;
            ASSERT_TRUE(catalog->GetFileByPath(
                stored[static_cast<std::size_t>(3 + seed + 3 * ownPitch)].path, gone1));
            ASSERT_TRUE(catalog->GetFileByPath(
                stored[static_cast<std::size_t>(20 + seed + 3 * ownPitch)].path, gone2));
            ASSERT_TRUE(catalog->RemoveFile(gone1.path));
            ASSERT_TRUE(catalog->RemoveFile(gone2.path));
            const int lostId = result->hits[5].fileId;
            Exec("DELETE FROM SOUND WHERE FILE_ID = " + std::to_string(lostId) +
                 " AND SOUND_SAMPLE_RATE = " + std::to_string(result->hits[5].sampleRate));

            struct Window {
                int first, count;
            };
            for (Window w : {Window{0, hits}, Window{0, 1}, Window{5, 17}, Window{-4, 10},
                             Window{hits - 3, 100}, Window{hits, 5}, Window{0, 0}}) {
                SCOPED_TRACE("seed " + std::to_string(seed) + " own pitch " +
                             std::to_string(ownPitch) + " window " + std::to_string(w.first) + "+" +
                             std::to_string(w.count));
                std::vector<FetchedRow> expected;
                for (int i = std::max(w.first, 0); i < std::min(w.first + w.count, hits); ++i) {
                    FetchedRow row;
                    row.index = i;
                    if (catalog->FetchRow(*result, i, row.file, row.variant, row.score) &&
                        row.file.fileId > 0)
                        expected.push_back(row);
                }
                std::vector<FetchedRow> batched{FetchedRow{}};
                ASSERT_TRUE(catalog->FetchRows(*result, w.first, w.count, batched));
                ASSERT_EQ(batched.size(), expected.size());
                for (std::size_t k = 0; k < expected.size(); ++k) {
                    EXPECT_EQ(batched[k].index, expected[k].index);
                    EXPECT_EQ(batched[k].score, expected[k].score);
                    EXPECT_EQ(FileFields(batched[k].file), FileFields(expected[k].file));
                    EXPECT_EQ(VariantFields(batched[k].variant),
                              VariantFields(expected[k].variant));
                }
            }
            // Two files gone: their hits (one per pitch) are missing from a full read.
            std::vector<FetchedRow> all;
            ASSERT_TRUE(catalog->FetchRows(*result, 0, hits, all));
            int goneHits = 0;
            for (const DB_hit& hit : result->hits)
                goneHits += hit.fileId == gone1.fileId || hit.fileId == gone2.fileId;
            EXPECT_GT(goneHits, 0);
            EXPECT_EQ(static_cast<int>(all.size()), hits - goneHits);

            // Statements of a few ids each read the same rows as one statement.
            std::vector<DB_file_sound_key> keys;
            for (const DB_hit& hit : result->hits)
                keys.push_back({hit.fileId, hit.sampleRate});
            keys.push_back({-1, 44100});
            keys.push_back({keys.front().fileId, 0});
            std::vector<std::unique_ptr<DB_file>> oneFiles, fewFiles;
            std::vector<std::unique_ptr<DB_sound>> oneSounds, fewSounds;
            ASSERT_FALSE(DB_get_files_and_sounds(catalog->Handle(), keys, &oneFiles, &oneSounds));
            ASSERT_FALSE(
                DB_get_files_and_sounds(catalog->Handle(), keys, &fewFiles, &fewSounds, 3));
            ASSERT_EQ(oneFiles.size(), keys.size());
            ASSERT_EQ(fewSounds.size(), keys.size());
            for (std::size_t k = 0; k < keys.size(); ++k) {
                ASSERT_EQ(oneFiles[k] != nullptr, fewFiles[k] != nullptr) << k;
                ASSERT_EQ(oneSounds[k] != nullptr, fewSounds[k] != nullptr) << k;
                if (oneFiles[k]) {
                    EXPECT_EQ(oneFiles[k]->fileName, fewFiles[k]->fileName);
                }
                if (oneSounds[k]) {
                    EXPECT_EQ(oneSounds[k]->data, fewSounds[k]->data);
                }
            }
            EXPECT_EQ(oneFiles[keys.size() - 2], nullptr);
            EXPECT_EQ(oneFiles[keys.size() - 1], nullptr);
            EXPECT_TRUE(shownMessages.empty());
        }
    }
}

TEST_P(CatalogDbTest, BatchedRowsShowAFailedReadOnce) {
    for (const char* path : {"/a/bark.wav", "/b/meow.wav"}) {
        SoundFileObj f = Record(path);
        ASSERT_TRUE(catalog->AddFile(f, {Variant(44100, 2000)}));
    }
    SearchCriteria criteria;
    criteria.ownPitchOnly = 1;
    int hits = 0;
    auto result = catalog->RunQuery(criteria, hits);
    ASSERT_NE(result, nullptr);
    Exec("DROP TABLE SOUND");
    std::vector<FetchedRow> rows{FetchedRow{}};
    EXPECT_FALSE(catalog->FetchRows(*result, 0, hits, rows));
    EXPECT_TRUE(rows.empty());
    ASSERT_EQ(shownMessages.size(), 1u);
    EXPECT_EQ(shownMessages[0].substr(0, 1), "[");
}

INSTANTIATE_ON_BOTH_ENGINES(CatalogDbTest);

TEST(CatalogDbConnect, FailureIsFatalWithTheDataSourceNamed) {
    CatalogTestEnv::Get(); // the test's own ODBC configuration, never the user's
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(CatalogDbObj("NoSuchTambrelSource"), testing::ExitedWithCode(255),
                "Could not connect to ODBC data source 'NoSuchTambrelSource'");
}

// A database folder that was removed: one message, which names the data source, its database,
// the missing folder and the driver's reason (each box marked, so that a second one shows).
TEST(CatalogDbConnect, AMissingDatabaseFolderIsNamedInOneMessage) {
    const CatalogTestEnv& env = CatalogTestEnv::Get();
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The child process makes an ODBC configuration of its own, in a folder of another name.
    const std::string expected = "^<box>Could not connect to ODBC data source '" +
                                 env.missingFolderDsn +
                                 "'\nDatabase: /[^<\n]+/removed/catalog\\.db\n"
                                 "The folder /[^<\n]+/removed does not exist\\.\n\\[[^<]+$";
    EXPECT_EXIT(
        {
            SetCatalogMessageHook([](const char* text) { std::fprintf(stderr, "<box>%s\n", text); });
            CatalogDbObj catalog(env.missingFolderDsn);
        },
        testing::ExitedWithCode(255), expected);
}

namespace {

// A server that ends the catalog's connection, as a restart or an administrator does, and
// that may refuse new ones for a while. The fixture's own connection stays.
class CatalogServerLossTest : public CatalogDbTest {
protected:
    void TearDown() override {
        if (refusing_)
            Refuse(false);
        CatalogDbTest::TearDown();
    }
    void EndOtherConnections() {
        const int ended = CountRows("SELECT CAST(COUNT(pg_terminate_backend(pid)) AS INTEGER) FROM "
                                    "pg_stat_activity WHERE datname = current_database() AND "
                                    "pid <> pg_backend_pid()");
        ASSERT_GE(ended, 1) << "the catalog's connection was not there to end";
    }
    // From another database: a database cannot refuse connections from inside.
    void Refuse(bool refuse) {
        refusing_ = refuse;
        const std::string command =
            "psql -q -h 127.0.0.1 -p " + DB_data_source_setting(dsn, "Port") +
            " -U postgres -d postgres -c 'ALTER DATABASE " +
            DB_data_source_setting(dsn, "Database") + " ALLOW_CONNECTIONS " +
            (refuse ? "false" : "true") + "' >/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    int Stored(const std::string& path) {
        return CountRows("SELECT CAST(COUNT(*) AS INTEGER) FROM AUDIO_FILE WHERE FILE_NAME = '" +
                         path + "'");
    }

    bool refusing_ = false;
};

} // namespace

TEST_P(CatalogServerLossTest, AConnectionEndedWhileIdleIsMadeAgainWithoutAWord) {
    SoundFileObj dog = Record("/sounds/dog.wav");
    ASSERT_TRUE(catalog->AddFile(dog, {Variant(44100, 2000)}));

    // Each first call after the server ended the connection: a read, and a store (which
    // reads first).
    EndOtherConnections();
    int files = 0, sounds = 0;
    EXPECT_TRUE(catalog->GetCounts(files, sounds));
    EXPECT_EQ(files, 1);
    EndOtherConnections();
    SoundFileObj cat = Record("/sounds/cat.wav");
    EXPECT_TRUE(catalog->AddFile(cat, {Variant(44100, 2000)}));
    EndOtherConnections();
    EXPECT_TRUE(catalog->UpdateFile(dog));

    EXPECT_TRUE(shownMessages.empty()) << shownMessages.front();
    EXPECT_FALSE(catalog->Unreachable());
    EXPECT_EQ(Stored(dog.path), 1);
    EXPECT_EQ(Stored(cat.path), 1);
}

TEST_P(CatalogServerLossTest, AnUnreachableServerIsToldOncePerActionAndTheNextActionGoesOn) {
    SoundFileObj dog = Record("/sounds/dog.wav");
    ASSERT_TRUE(catalog->AddFile(dog, {Variant(44100, 2000)}));
    Refuse(true);
    EndOtherConnections();

    // One action: its first call finds the server gone and says so; the rest fail at once.
    BeginCatalogUserAction();
    SoundFileObj bird = Record("/sounds/bird.wav");
    EXPECT_FALSE(catalog->AddFile(bird, {Variant(44100, 2000)}));
    EXPECT_TRUE(catalog->Unreachable());
    EXPECT_FALSE(catalog->IsInCatalog(dog.path));
    EXPECT_FALSE(catalog->RemoveFile(dog.path));
    int hits = -1;
    EXPECT_EQ(catalog->RunQuery(SearchCriteria::ForCategory(1, "Animals", {}), hits), nullptr);
    EXPECT_EQ(hits, 0);
    ASSERT_EQ(shownMessages.size(), 1u);
    EXPECT_NE(shownMessages[0].find("cannot be reached"), std::string::npos) << shownMessages[0];
    EXPECT_NE(shownMessages[0].find(dsn), std::string::npos) << shownMessages[0];
    // The driver's own words follow the program's.
    EXPECT_NE(shownMessages[0].find("\n\n["), std::string::npos) << shownMessages[0];

    // The next action tries again and says so again, once.
    BeginCatalogUserAction();
    int files = -1, sounds = -1;
    EXPECT_FALSE(catalog->GetCounts(files, sounds));
    EXPECT_FALSE(catalog->UpdateFile(dog));
    EXPECT_EQ(shownMessages.size(), 2u);

    // Back: the next action connects to the same data source and goes on.
    Refuse(false);
    BeginCatalogUserAction();
    EXPECT_TRUE(catalog->AddFile(bird, {Variant(44100, 2000)}));
    EXPECT_FALSE(catalog->Unreachable());
    EXPECT_TRUE(catalog->GetCounts(files, sounds));
    EXPECT_EQ(files, 2);
    EXPECT_EQ(shownMessages.size(), 2u);
    // Nothing of the cut action went in, and nothing went in twice.
    EXPECT_EQ(Stored(dog.path), 1);
    EXPECT_EQ(Stored(bird.path), 1);
}

INSTANTIATE_TEST_SUITE_P(Engines, CatalogServerLossTest, testing::Values(Engine::PostgreSQL),
                         EngineName);

#include <gtest/gtest.h>

#include "catalog_fixture.h"
#include "collection/db/statement.h"

#include <functional>

using CatalogWriteTest = CatalogTest;
using CatalogReadTest = CatalogTest;

namespace {

int32_t Index(DB_handle* h, DB_file_sounds& fs, int mask = 0) {
    DB_error err = DB_index(h, &fs, mask);
    EXPECT_FALSE(err) << *err;
    return fs.file->fileId;
}

} // namespace

TEST_P(CatalogWriteTest, StoresAndReadsBackEveryColumn) {
    auto fs = MakeFile("/sounds/dog bark.wav", 3);
    fs->file->texts[5] = "\xC2\xA9 Quillnest caf\xC3\xA9";
    fs->file->texts[0] = std::string(248, 'd') + "\xC3\xA9"; // 250 bytes, ending in a letter
    fs->sounds[1]->data.assign(500, 0xAB);
    int32_t id = Index(h, *fs);
    ASSERT_GT(id, 0);
    for (const auto& sound : fs->sounds) {
        EXPECT_EQ(sound->fileId, id);
    }

    std::unique_ptr<DB_file> file;
    DB_error err = DB_get_file(h, id, &file);
    ASSERT_FALSE(err) << *err;
    ASSERT_TRUE(file);
    EXPECT_EQ(file->fileId, id);
    EXPECT_EQ(file->fileName, fs->file->fileName);
    EXPECT_EQ(file->sampleRate, 44100);
    EXPECT_EQ(file->duration, 1500);
    EXPECT_EQ(file->bpm, -1);
    EXPECT_EQ(file->key, 13);
    EXPECT_EQ(file->signature, fs->file->signature);
    EXPECT_EQ(file->ints, fs->file->ints);
    EXPECT_EQ(file->texts, fs->file->texts);
    EXPECT_EQ(file->indexDate, "2024-01-02 03:04:05");

    std::unique_ptr<DB_file_sounds> metadata;
    err = DB_get_metadata(h, id, &metadata);
    ASSERT_FALSE(err) << *err;
    ASSERT_TRUE(metadata);
    ASSERT_EQ(metadata->sounds.size(), 3u);
    // Highest rate first.
    EXPECT_EQ(metadata->sounds[0]->sampleRate, 3 * 44100);
    EXPECT_EQ(metadata->sounds[1]->sampleRate, 2 * 44100);
    EXPECT_EQ(metadata->sounds[1]->data, fs->sounds[1]->data);
    EXPECT_EQ(metadata->sounds[2]->duration, 1500);
    EXPECT_EQ(metadata->sounds[2]->signature, fs->file->signature);

    std::unique_ptr<DB_sound> sound;
    err = DB_get_sound(h, id, 2 * 44100, &sound);
    ASSERT_FALSE(err) << *err;
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->data.size(), 500u);

    int count = 0;
    ASSERT_FALSE(DB_get_sound_count(h, id, &count));
    EXPECT_EQ(count, 3);
    int files = 0, sounds = 0;
    ASSERT_FALSE(DB_get_counts(h, &files, &sounds));
    EXPECT_EQ(files, 1);
    EXPECT_EQ(sounds, 3);
    int32_t found = 0;
    ASSERT_FALSE(DB_lookup(h, "/sounds/dog bark.wav", &found));
    EXPECT_EQ(found, id);
}

TEST_P(CatalogWriteTest, MissingRowsAreNoError) {
    std::unique_ptr<DB_file> file = std::make_unique<DB_file>();
    DB_error err = DB_get_file(h, 4711, &file);
    ASSERT_FALSE(err) << *err;
    EXPECT_FALSE(file);
    std::unique_ptr<DB_sound> sound;
    ASSERT_FALSE(DB_get_sound(h, 4711, 44100, &sound));
    EXPECT_FALSE(sound);
    std::unique_ptr<DB_file_sounds> metadata;
    ASSERT_FALSE(DB_get_metadata(h, 4711, &metadata));
    EXPECT_FALSE(metadata);
    int32_t id = 0;
    ASSERT_FALSE(DB_lookup(h, "/not/there.wav", &id));
    EXPECT_EQ(id, -1);
    int count = -1;
    ASSERT_FALSE(DB_get_sound_count(h, 4711, &count));
    EXPECT_EQ(count, 0);
    // Removing a file that is not stored changes nothing.
    ASSERT_FALSE(DB_unindex(h, 4711));
}

TEST_P(CatalogWriteTest, InvalidArgumentsNameTheOperation) {
    std::unique_ptr<DB_file> file;
    std::unique_ptr<DB_sound> sound;
    int n = 0;
    int32_t id = 0;
    auto fs = MakeFile("/a.wav", 1);
    auto noSounds = MakeFile("/b.wav", 0);
    const std::pair<DB_error, const char*> cases[] = {
        {DB_get_file(h, 0, &file), "DB_get_file"},
        {DB_get_file(nullptr, 1, &file), "DB_get_file"},
        {DB_get_sound(h, 1, 0, &sound), "DB_get_sound"},
        {DB_get_sound(h, -1, 44100, &sound), "DB_get_sound"},
        {DB_get_sound_count(h, 1, nullptr), "DB_get_sound_count"},
        {DB_lookup(h, nullptr, &id), "DB_lookup"},
        {DB_get_counts(h, &n, nullptr), "DB_get_counts"},
        {DB_unindex(h, 0), "DB_unindex"},
        {DB_index(h, fs.get(), 1024), "DB_index"},
        {DB_index(h, fs.get(), -1), "DB_index"},
        {DB_index(h, noSounds.get(), 0), "DB_index"},
        {DB_index(h, nullptr, 0), "DB_index"},
        {DB_get_cats(h, nullptr), "DB_get_cats"},
        {DB_get_genres(h, nullptr), "DB_get_genres"},
        {DB_build_shadow_tables(nullptr, 0), "DB_build_shadow_tables"},
    };
    for (const auto& [err, name] : cases) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(err);
        EXPECT_EQ(*err, std::string("invalid argument to ") + name);
    }
    EXPECT_EQ(CountRows("SELECT COUNT(*) FROM AUDIO_FILE"), 0);
}

TEST_P(CatalogWriteTest, ReindexingReplacesTheFileAndMovesTheRegisters) {
    auto first = MakeFile("/s/a.wav", 2, 1, "Animals", "Dogs", "Nature");
    auto other = MakeFile("/s/b.wav", 1, 1, "Animals", "Dogs", "Nature");
    int32_t oldId = Index(h, *first);
    Index(h, *other);
    EXPECT_EQ(CatCount(1, "Animals", "Dogs"), 2);

    // The same file, now filed elsewhere, stored again under its id.
    auto again = MakeFile("/s/a.wav", 1, 2, "Bells", "", "Rock");
    again->file->fileId = oldId;
    int32_t newId = Index(h, *again);
    EXPECT_NE(newId, oldId);
    EXPECT_GT(newId, 0);
    EXPECT_EQ(CatCount(1, "Animals", "Dogs"), 1);
    EXPECT_EQ(CatCount(2, "Bells", ""), 1);
    EXPECT_EQ(GenreCount("Nature"), 1);
    EXPECT_EQ(GenreCount("Rock"), 1);
    std::unique_ptr<DB_file> gone;
    ASSERT_FALSE(DB_get_file(h, oldId, &gone));
    EXPECT_FALSE(gone);
    EXPECT_EQ(CountRows("SELECT COUNT(*) FROM SOUND WHERE FILE_ID = " + std::to_string(oldId)), 0);
    EXPECT_EQ(CountRows("SELECT COUNT(*) FROM TERM WHERE FILE_ID = " + std::to_string(oldId)), 0);
    EXPECT_EQ(CountRows("SELECT COUNT(*) FROM SOUND"), 2);
}

TEST_P(CatalogWriteTest, NewRowsJoinTheNewFileEvenBesideAnOlderRowOfTheSamePath) {
    auto first = MakeFile("/s/same.wav", 1);
    int32_t older = Index(h, *first);
    // Stored again without naming the old id: the catalog now holds the path twice.
    auto second = MakeFile("/s/same.wav", 3);
    int32_t newer = Index(h, *second);
    ASSERT_GT(newer, older);
    EXPECT_EQ(CountRows("SELECT COUNT(*) FROM SOUND WHERE FILE_ID = " + std::to_string(older)), 1);
    EXPECT_EQ(CountRows("SELECT COUNT(*) FROM SOUND WHERE FILE_ID = " + std::to_string(newer)), 3);
}

TEST_P(CatalogWriteTest, LastFileOfCategoryLeavesAndReturns) {
    auto fs = MakeFile("/s/a.wav", 1, 3, "Misc", "Hum", "Drone");
    int32_t id = Index(h, *fs);
    EXPECT_EQ(CatCount(3, "Misc", "Hum"), 1);
    ASSERT_FALSE(DB_unindex(h, id));
    EXPECT_EQ(CatCount(3, "Misc", "Hum"), -1);
    EXPECT_EQ(GenreCount("Drone"), -1);
    EXPECT_EQ(CountRows("SELECT COUNT(*) FROM AUDIO_FILE"), 0);
    EXPECT_EQ(CountRows("SELECT COUNT(*) FROM TERM"), 0);
    fs->file->fileId = 0;
    Index(h, *fs);
    EXPECT_EQ(CatCount(3, "Misc", "Hum"), 1);
    EXPECT_EQ(GenreCount("Drone"), 1);
}

TEST_P(CatalogWriteTest, TextFieldMaskChoosesTheIndexedFields) {
    auto fs = MakeFile("/s/a.wav", 1);
    for (int n = 0; n < 10; ++n) {
        fs->file->texts[n] = "word" + std::string(1, static_cast<char>('a' + n));
    }
    struct Case {
        int mask;
        std::string fields;
    };
    const Case cases[] = {{0, "0,1,2,3,4,5,6,7,8,9"}, {0x37F, "0,1,2,3,4,5,6,8,9"}, {0x3, "0,1"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mask);
        int32_t id = Index(h, *fs, c.mask);
        std::string fields;
        for (int n = 0; n < 10; ++n) {
            int rows = CountRows("SELECT COUNT(*) FROM TERM WHERE FILE_ID = " + std::to_string(id) +
                                 " AND TEXT_FIELD = " + std::to_string(n) +
                                 " AND WORD_STEM = 'word" + std::string(1, 'a' + n) + "'");
            if (rows == 1) {
                fields += (fields.empty() ? "" : ",") + std::to_string(n);
            }
        }
        EXPECT_EQ(fields, c.fields);
    }
    // A word twice in one field gives two rows.
    fs->file->texts[0] = "dog dogs DOG";
    int32_t id = Index(h, *fs, 1);
    EXPECT_EQ(CountRows("SELECT COUNT(*) FROM TERM WHERE FILE_ID = " + std::to_string(id)), 3);
}

TEST_P(CatalogWriteTest, FailedWriteLeavesTheCatalogAsItWas) {
    auto stored = MakeFile("/s/a.wav", 2, 1, "Animals", "Dogs", "Nature");
    int32_t id = Index(h, *stored);
    const int terms = CountRows("SELECT COUNT(*) FROM TERM");

    struct Case {
        const char* what;
        std::function<void(DB_file_sounds&)> spoil;
        const char* error; // null: any driver error
    };
    const Case cases[] = {
        {"empty summary on the last variant",
         [](DB_file_sounds& fs) { fs.sounds.back()->data.clear(); }, "binary value is too short"},
        {"text of 251 bytes", [](DB_file_sounds& fs) { fs.file->texts[6] = std::string(251, 'n'); },
         "text value is too long"},
        {"two variants at one rate",
         [](DB_file_sounds& fs) { fs.sounds[1]->sampleRate = fs.sounds[0]->sampleRate; }, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // A replacement of the stored file that fails half-way.
        auto fs = MakeFile("/s/a.wav", 3, 2, "Bells", "Small", "Rock");
        fs->file->fileId = id;
        c.spoil(*fs);
        DB_error err = DB_index(h, fs.get(), 0);
        ASSERT_TRUE(err);
        if (c.error != nullptr) {
            EXPECT_EQ(*err, c.error);
        }
        std::unique_ptr<DB_file> file;
        ASSERT_FALSE(DB_get_file(h, id, &file));
        ASSERT_TRUE(file);
        EXPECT_EQ(file->texts[1], "Animals");
        EXPECT_EQ(CountRows("SELECT COUNT(*) FROM AUDIO_FILE"), 1);
        EXPECT_EQ(CountRows("SELECT COUNT(*) FROM SOUND"), 2);
        EXPECT_EQ(CountRows("SELECT COUNT(*) FROM TERM"), terms);
        EXPECT_EQ(CatCount(1, "Animals", "Dogs"), 1);
        EXPECT_EQ(CatCount(2, "Bells", "Small"), -1);
        EXPECT_EQ(GenreCount("Rock"), -1);
        EXPECT_EQ(GenreCount("Nature"), 1);
    }
}

TEST_P(CatalogReadTest, TooManySoundsForOneFile) {
    auto fs = MakeFile("/s/many.wav", 1001);
    int32_t id = Index(h, *fs);
    std::unique_ptr<DB_file_sounds> metadata;
    DB_error err = DB_get_metadata(h, id, &metadata);
    ASSERT_TRUE(err);
    EXPECT_EQ(*err, "too many sounds for file");
    EXPECT_FALSE(metadata);
}

TEST_P(CatalogReadTest, CategoryTreeFoldsCaseVariantsOnEveryEngine) {
    // Rows as a register may hold them; the byte order of the engine would put "bells" far
    // from "Bells".
    Exec("DELETE FROM CATREGISTER");
    const char* rows[] = {
        "1, 'Bells', 'Big', 2",
        "1, 'Drums', '', 4",
        "1, 'bells', 'big', 3",
        "1, 'bells', 'Tiny', 1",
        "1, '   ', 'x', 5",
        "2, 'Piano', 'Grand', 6",
        "0, 'Lost', 'Lost', 7",
        "3, '\xC3\x89t\xC3\xA9', 'x', 1",
        "3, '\xC3\xA9t\xC3\xA9', 'X', 1",
    };
    for (const char* row : rows) {
        Exec(std::string("INSERT INTO CATREGISTER VALUES (") + row + ")");
    }
    std::unique_ptr<DB_cats> cats;
    DB_error err = DB_get_cats(h, &cats);
    ASSERT_FALSE(err) << *err;
    ASSERT_TRUE(cats);
    EXPECT_EQ(cats->total, 30);
    const DB_supercat& effects = cats->supercats[0];
    EXPECT_STREQ(effects.name, "Effects");
    EXPECT_EQ(effects.total, 15);
    ASSERT_EQ(effects.cats.count(), 2);
    DB_cat_node* bells = effects.cats.head();
    EXPECT_EQ(bells->name, "Bells");
    EXPECT_EQ(bells->count, 6);
    ASSERT_EQ(bells->subcats.count(), 2);
    EXPECT_EQ(bells->subcats.head()->name, "Big");
    EXPECT_EQ(bells->subcats.head()->count, 5);
    EXPECT_EQ(bells->subcats.tail()->name, "Tiny");
    DB_cat_node* drums = effects.cats.tail();
    EXPECT_EQ(drums->name, "Drums");
    EXPECT_EQ(drums->count, 4);
    EXPECT_EQ(drums->subcats.count(), 0);
    EXPECT_EQ(cats->supercats[1].total, 6);
    const DB_supercat& other = cats->supercats[2];
    EXPECT_STREQ(other.name, "Other");
    ASSERT_EQ(other.cats.count(), 1);
    EXPECT_EQ(other.cats.head()->name, "\xC3\x89t\xC3\xA9");
    EXPECT_EQ(other.cats.head()->count, 2);
    EXPECT_EQ(other.cats.head()->subcats.count(), 1);
}

TEST_P(CatalogReadTest, ShadowTablesKeptOrRebuilt) {
    auto a = MakeFile("/s/a.wav", 1, 1, "Animals", "Dogs", "Nature");
    auto b = MakeFile("/s/b.wav", 1, 1, "Animals", "Dogs", "   ");
    auto c = MakeFile("/s/c.wav", 1, 2, "Piano", "", "");
    Index(h, *a);
    Index(h, *b);
    Index(h, *c);
    // Counts the upkeep never wrote: flag 0 keeps them, flag 1 rebuilds from the files.
    Exec("UPDATE CATREGISTER SET CATCOUNT = 99");
    ASSERT_FALSE(DB_build_shadow_tables(h, 0));
    EXPECT_EQ(CatCount(1, "Animals", "Dogs"), 99);
    ASSERT_FALSE(DB_build_shadow_tables(h, 1));
    EXPECT_EQ(CatCount(1, "Animals", "Dogs"), 2);
    EXPECT_EQ(CatCount(2, "Piano", ""), 1);
    // Blank genres are left out by the rebuild as by the upkeep.
    EXPECT_EQ(CountRows("SELECT COUNT(*) FROM GENREGISTER"), 1);
    EXPECT_EQ(GenreCount("Nature"), 1);
    DB_genre_list genres;
    ASSERT_FALSE(DB_get_genres(h, &genres));
    ASSERT_EQ(genres.count(), 1);
    EXPECT_EQ(genres.At(0)->name, "Nature");

    // Missing tables are made and filled.
    Exec("DROP TABLE GENREGISTER");
    ASSERT_FALSE(DB_build_shadow_tables(h, 0));
    EXPECT_EQ(GenreCount("Nature"), 1);
}

TEST_P(CatalogReadTest, OverlongStoredTextIsCutOnACharacterBoundary) {
    auto fs = MakeFile("/s/a.wav", 1);
    int32_t id = Index(h, *fs);
    // 249 letters and a two-byte one: 250 characters, 251 bytes, written past the layer.
    Exec("UPDATE AUDIO_FILE SET TEXT0 = '" + std::string(249, 'a') + "\xC3\xA9'");
    std::unique_ptr<DB_file> file;
    ASSERT_FALSE(DB_get_file(h, id, &file));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->texts[0], std::string(249, 'a'));
}

INSTANTIATE_ON_BOTH_ENGINES(CatalogWriteTest);
INSTANTIATE_ON_BOTH_ENGINES(CatalogReadTest);

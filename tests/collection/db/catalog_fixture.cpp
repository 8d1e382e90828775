#include "catalog_fixture.h"

#include "catalog_test_env.h"
#include "collection/db/schema.h"
#include "collection/db/statement.h"

std::string EngineName(const testing::TestParamInfo<Engine>& info) {
    return info.param == Engine::SQLite ? "SQLite" : "PostgreSQL";
}

void CatalogTest::SetUp() {
    CatalogTestEnv& env = CatalogTestEnv::Get();
    if (GetParam() == Engine::PostgreSQL) {
        const std::string& reason = CatalogTestEnv::PostgresSkipReason();
        if (!reason.empty()) {
            GTEST_SKIP() << "PostgreSQL not available: " << reason;
        }
        dsn = env.postgresDsn;
    } else {
        dsn = env.sqliteDsn;
    }
    DB_error err = DB_connect(dsn.c_str(), "", "", &h);
    ASSERT_FALSE(err) << *err;
    for (const char* table : {"TERM", "SOUND", "AUDIO_FILE", "CATREGISTER", "GENREGISTER"}) {
        Exec(std::string("DROP TABLE IF EXISTS ") + table);
    }
    DB_engine engine;
    std::string name;
    err = DB_detect_engine(h, &engine, &name);
    ASSERT_FALSE(err) << *err;
    std::vector<std::string> created;
    err = DB_create_catalog_tables(h, engine, &created);
    ASSERT_FALSE(err) << *err;
    err = DB_build_shadow_tables(h, 0);
    ASSERT_FALSE(err) << *err;
}

void CatalogTest::TearDown() {
    if (h != nullptr) {
        DB_error err = DB_disconnect(h);
        EXPECT_FALSE(err) << *err;
    }
}

void CatalogTest::Exec(const std::string& sql) {
    DB_error err = DB_finish(h, DB_run(h, sql.c_str(), nullptr));
    ASSERT_FALSE(err) << sql << ": " << *err;
}

int CatalogTest::CountRows(const std::string& sql) {
    int32_t value = -1;
    SQLLEN ind;
    DB_error err = DB_select(
        h, sql.c_str(), nullptr, [&] { return DB_bind_int_column(h, 1, &value, &ind); },
        [&](bool* stop) {
            *stop = true;
            return DB_error();
        });
    err = DB_finish(h, std::move(err));
    EXPECT_FALSE(err) << sql << ": " << *err;
    return value;
}

namespace {

std::string Quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        out += c;
        if (c == '\'') {
            out += '\'';
        }
    }
    return out + "'";
}

} // namespace

int CatalogTest::CatCount(int supercat, const std::string& cat, const std::string& subcat) {
    return CountRows(
        "SELECT CATCOUNT FROM CATREGISTER WHERE SUPERCAT = " + std::to_string(supercat) +
        " AND CAT = " + Quote(cat) + " AND SUBCAT = " + Quote(subcat));
}

int CatalogTest::GenreCount(const std::string& genre) {
    return CountRows("SELECT GENCOUNT FROM GENREGISTER WHERE GENRE = " + Quote(genre));
}

std::unique_ptr<DB_file_sounds> MakeFile(const std::string& path, int variants, int supercat,
                                         const std::string& cat, const std::string& subcat,
                                         const std::string& genre) {
    auto fs = std::make_unique<DB_file_sounds>();
    fs->file = std::make_unique<DB_file>();
    DB_file& f = *fs->file;
    f.fileName = path;
    f.sampleRate = 44100;
    f.duration = 1500;
    f.bpm = -1;
    f.key = 13;
    f.signature = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120, 5, 0, 0, ' '};
    f.ints = {1, 12345, 2, 17, supercat, 2, 0, 0, 0, 0};
    f.texts[0] = "Barking dogs";
    f.texts[1] = cat;
    f.texts[2] = subcat;
    f.texts[3] = genre;
    f.texts[8] = path;
    f.indexDate = "2024-01-02 03:04:05";
    for (int i = 0; i < variants; ++i) {
        auto s = std::make_unique<DB_sound>();
        s->sampleRate = 44100 * (i + 1);
        s->duration = 1500 / (i + 1);
        s->bpm = -1;
        s->key = 13;
        s->signature = f.signature;
        s->data = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
        fs->sounds.push_back(std::move(s));
    }
    return fs;
}

#pragma once
// A catalog on each engine, emptied and made anew for every test.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "collection/db/catalog.h"
#include "collection/db/connection.h"
#include "collection/db/records.h"

enum class Engine { SQLite, PostgreSQL };

std::string EngineName(const testing::TestParamInfo<Engine>& info);

class CatalogTest : public testing::TestWithParam<Engine> {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs a statement in a transaction of its own; fails the test on error.
    void Exec(const std::string& sql);
    int CountRows(const std::string& sql);
    // CATREGISTER count of one key, GENREGISTER count of one genre; -1 when there is no row.
    int CatCount(int supercat, const std::string& cat, const std::string& subcat);
    int GenreCount(const std::string& genre);

    DB_handle* h = nullptr;
    std::string dsn;
};

// A file row with `variants` pitch variants (rates 44100, 44100*2, ...), a valid signature
// and a two-point waveform summary.
std::unique_ptr<DB_file_sounds> MakeFile(const std::string& path, int variants = 1,
                                         int supercat = 1, const std::string& cat = "Animals",
                                         const std::string& subcat = "Dogs",
                                         const std::string& genre = "Nature");

#define INSTANTIATE_ON_BOTH_ENGINES(Suite)                                                         \
    INSTANTIATE_TEST_SUITE_P(Engines, Suite, testing::Values(Engine::SQLite, Engine::PostgreSQL),  \
                             EngineName)

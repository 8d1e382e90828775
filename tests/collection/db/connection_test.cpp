#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sqlext.h>

#include "catalog_fixture.h"
#include "collection/db/statement.h"

using ConnectionTest = CatalogTest;

TEST_P(ConnectionTest, ConnectsWithEmptyUserAndRefusesNullArguments) {
    DB_handle* other = nullptr;
    DB_error err = DB_connect(dsn.c_str(), nullptr, "", &other);
    ASSERT_TRUE(err);
    EXPECT_EQ(*err, "invalid argument to DB_connect");
    EXPECT_EQ(other, nullptr);
    err = DB_disconnect(nullptr);
    ASSERT_TRUE(err);
    EXPECT_EQ(*err, "invalid argument to DB_disconnect");
    // The fixture itself connected with an empty user name and password.
    EXPECT_NE(h, nullptr);
    err = DB_connect("NoSuchDataSource", "", "", &other);
    ASSERT_TRUE(err);
    EXPECT_THAT(*err, testing::StartsWith("[IM002]"));
    EXPECT_EQ(other, nullptr);
}

TEST_P(ConnectionTest, DriverErrorIsStateNativeAndMessage) {
    DB_error err = DB_finish(h, DB_run(h, "SELECT * FROM NO_SUCH_TABLE", nullptr));
    ASSERT_TRUE(err);
    // Drivers word their messages differently: only the bracketed prefix is pinned.
    EXPECT_THAT(*err, testing::MatchesRegex(R"(\[[0-9A-Z]{5}\]\[-?[0-9]+\].+)"));
    // The connection stays usable after the failure.
    int files = -1, sounds = -1;
    err = DB_get_counts(h, &files, &sounds);
    ASSERT_FALSE(err) << *err;
    EXPECT_EQ(files, 0);
}

INSTANTIATE_ON_BOTH_ENGINES(ConnectionTest);

TEST(OdbcErrorText, EveryReturnCodeHasItsText) {
    struct Case {
        SQLRETURN rc;
        const char* text;
    };
    const Case cases[] = {
        {SQL_STILL_EXECUTING, "still executing"},
        {SQL_NEED_DATA, "need data"},
        {SQL_NO_DATA, "no data"},
        {SQL_INVALID_HANDLE, "invalid ODBC handle"},
        {SQL_ERROR, "unknown ODBC error"},
        {7, "unknown ODBC return code"},
        {-3, "unknown ODBC return code"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rc);
        // A null handle has no diagnostic record to read.
        DB_error err = DB_odbc_error(c.rc, SQL_HANDLE_STMT, SQL_NULL_HSTMT);
        ASSERT_TRUE(err);
        EXPECT_EQ(*err, c.text);
    }
    EXPECT_FALSE(DB_odbc_error(SQL_SUCCESS, SQL_HANDLE_STMT, SQL_NULL_HSTMT));
    EXPECT_FALSE(DB_odbc_error(SQL_SUCCESS_WITH_INFO, SQL_HANDLE_STMT, SQL_NULL_HSTMT));
}

TEST_P(ConnectionTest, TextAndBinaryParameterLimits) {
    const std::string text250(250, 'g');
    const std::string text251(251, 'g');
    SQLLEN ind;
    DB_error err = DB_finish(h, DB_run(h, "INSERT INTO GENREGISTER VALUES (?,1)", [&] {
                                 return DB_bind_text_param(h, 1, text250.c_str(), &ind);
                             }));
    ASSERT_FALSE(err) << *err;
    err = DB_finish(h, DB_run(h, "INSERT INTO GENREGISTER VALUES (?,1)",
                              [&] { return DB_bind_text_param(h, 1, text251.c_str(), &ind); }));
    ASSERT_TRUE(err);
    EXPECT_EQ(*err, "text value is too long");
    EXPECT_EQ(CountRows("SELECT COUNT(*) FROM GENREGISTER"), 1);

    std::vector<uint8_t> bytes(501, 7);
    int32_t id = 1;
    auto insert = [&](SQLLEN length, int32_t rate) {
        SQLLEN sigLength = 16;
        return DB_finish(h, DB_run(h, "INSERT INTO SOUND VALUES (?,?,?,?,?,?,?)", [&] {
                             DB_error e;
                             for (int n = 1; n <= 5 && !e; ++n) {
                                 e = DB_bind_int_param(h, n, n == 2 ? &rate : &id);
                             }
                             if (!e) {
                                 e = DB_bind_binary_param(h, 6, bytes.data(), &sigLength);
                             }
                             return e ? e : DB_bind_binary_param(h, 7, bytes.data(), &length);
                         }));
    };
    err = insert(500, 1);
    ASSERT_FALSE(err) << *err;
    err = insert(0, 2);
    ASSERT_TRUE(err);
    EXPECT_EQ(*err, "binary value is too short");
    err = insert(501, 3);
    ASSERT_TRUE(err);
    EXPECT_EQ(*err, "binary value is too long");
    EXPECT_EQ(CountRows("SELECT COUNT(*) FROM SOUND"), 1);
    std::unique_ptr<DB_sound> sound;
    err = DB_get_sound(h, 1, 1, &sound);
    ASSERT_FALSE(err) << *err;
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->data.size(), 500u);
}

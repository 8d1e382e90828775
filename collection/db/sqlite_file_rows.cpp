#include "collection/db/sqlite_file_rows.h"

#include <sqlext.h>
#include <sqlite3.h>

#include <filesystem>
#include <vector>

namespace {

// Long enough for another program's commit to end; a file still locked after it is read
// through the driver instead.
constexpr int kBusyMs = 5000;

} // namespace

std::unique_ptr<DB_sqlite_file> DB_sqlite_file::Open(DB_handle* h) {
    char dbms[64] = {};
    char name[4096] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetInfo(h->dbc, SQL_DBMS_NAME, dbms, sizeof dbms, &length)) ||
        std::string(dbms).rfind("SQLite", 0) != 0 ||
        !SQL_SUCCEEDED(SQLGetInfo(h->dbc, SQL_DATABASE_NAME, name, sizeof name, &length)))
        return nullptr;
    // Only a file of its own: an in-memory database or a name the driver reads otherwise is
    // not the same database when opened here.
    std::error_code ec;
    if (name[0] == '\0' || !std::filesystem::is_regular_file(name, ec))
        return nullptr;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(name, &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, kBusyMs);
    if (sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return nullptr;
    }
    return std::unique_ptr<DB_sqlite_file>(new DB_sqlite_file(db));
}

DB_sqlite_file::~DB_sqlite_file() {
    sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db_);
}

DB_error DB_sqlite_file::Error(const char* what) const {
    return std::string(what) + ": " + sqlite3_errmsg(db_);
}

DB_error DB_sqlite_file::Select(const std::string& sql, int ints, int binaryBytes,
                                const Row& onRow) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
        return Error("reading the catalog file");
    std::vector<int32_t> values(static_cast<std::size_t>(ints));
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        for (int n = 0; n < ints; ++n)
            values[n] = sqlite3_column_int(stmt, n);
        // The blob first, then its length, as SQLite's documentation orders the two calls.
        const void* blob = sqlite3_column_blob(stmt, ints);
        const bool sized = blob != nullptr && sqlite3_column_bytes(stmt, ints) == binaryBytes;
        onRow(values.data(), sized ? static_cast<const uint8_t*>(blob) : nullptr);
    }
    sqlite3_finalize(stmt);
    return rc == SQLITE_DONE ? DB_error() : Error("reading the catalog file");
}

DB_error DB_sqlite_file::SelectInt(const std::string& sql, int64_t* value) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
        return Error("reading the catalog file");
    const int rc = sqlite3_step(stmt);
    *value = rc == SQLITE_ROW ? sqlite3_column_int64(stmt, 0) : 0;
    sqlite3_finalize(stmt);
    return rc == SQLITE_ROW || rc == SQLITE_DONE ? DB_error() : Error("reading the catalog file");
}

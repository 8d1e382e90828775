#pragma once
// The held signatures' rows read straight from the SQLite file behind a connection.
//
// The SQLite driver asks the engine for every value as text and the engine's own conversion
// of integers and blobs to text is what a load of millions of rows spends most of its time
// on. Read through SQLite's library, the same rows come as they are stored: several times
// faster, and from one consistent snapshot. Read-only, in a read transaction of its own; the
// process's SQLite library is the driver's own, so the two connections share their locks.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "collection/db/connection.h"

struct sqlite3;

class DB_sqlite_file {
public:
    // The file behind `h`, opened read-only inside a read transaction; null when `h` is not
    // connected to a SQLite file that can be opened so.
    static std::unique_ptr<DB_sqlite_file> Open(DB_handle* h);
    ~DB_sqlite_file();
    DB_sqlite_file(const DB_sqlite_file&) = delete;
    DB_sqlite_file& operator=(const DB_sqlite_file&) = delete;

    // One row: its integer columns in the order asked; `binary` null when the binary column
    // is not `binaryBytes` long.
    using Row = std::function<void(const int32_t* ints, const uint8_t* binary)>;

    // `sql` selects `ints` integer columns, then one binary column.
    DB_error Select(const std::string& sql, int ints, int binaryBytes, const Row& onRow);
    DB_error SelectInt(const std::string& sql, int64_t* value);

private:
    explicit DB_sqlite_file(sqlite3* db) : db_(db) {}
    DB_error Error(const char* what) const;

    sqlite3* db_;
};

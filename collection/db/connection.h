#pragma once
// The connection to the catalog's ODBC data source and the error texts of every DB_ operation.

#include <memory>
#include <optional>
#include <string>

#include <sql.h>

// Null (no value) on success; otherwise a text the caller shows as it is.
using DB_error = std::optional<std::string>;

class DB_signature_cache;

struct DB_handle {
    DB_handle();
    ~DB_handle();
    DB_handle(const DB_handle&) = delete;
    DB_handle& operator=(const DB_handle&) = delete;

    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    // One statement handle serves every statement of every operation.
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    // What the connection was opened with: a long read may open more of the same.
    std::string dataSource, userName, password;
    // The catalog's change counter table is known to exist.
    bool changeCounterReady = false;
    // Similarity searches scan the signatures held here; off, they take the SQL path.
    bool signatureCacheEnabled = true;
    std::unique_ptr<DB_signature_cache> signatures;
};

// Allocates *out on success; the handle is released only by DB_disconnect.
DB_error DB_connect(const char* dataSource, const char* userName, const char* password,
                    DB_handle** out);
// Closes the connection and frees the handle whatever the disconnect answered.
DB_error DB_disconnect(DB_handle* handle);
// Drops the handle's connection (whatever state it is in) and opens it again to the data
// source it was opened with, keeping the handle. On failure the handle stays without a
// connection, ready for another try or for DB_disconnect.
DB_error DB_reconnect(DB_handle* handle);

// True when an error text says the connection to the database server is gone or could not
// be made: the SQLSTATE classes 08 (connection exception) and the server's shutdown states
// 57P01 to 57P03. Such an error says nothing about the catalog's rows.
bool DB_is_connection_lost(const std::string& error);

// The one rule that turns an ODBC return code into an error text; the diagnostic record is
// read from the handle the failing call used.
DB_error DB_odbc_error(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle);

DB_error DB_invalid_argument(const char* operation);

DB_error DB_commit(DB_handle* handle);
void DB_rollback(DB_handle* handle);
// Read-only for pure reads, read-write for writes.
void DB_set_access(DB_handle* handle, bool readOnly);

// Ends an operation: commits on success, rolls back and keeps the first error otherwise.
DB_error DB_finish(DB_handle* handle, DB_error result);

#pragma once
// The statement steps every DB_ operation is built from. Each returns an error text or null.
// Bound buffers belong to the caller and must live until the statement has run or the last
// row has been fetched.

#include <cstdint>
#include <functional>
#include <string>

#include <sql.h>

#include "collection/db/connection.h"

// Longest catalog text in bytes; a text column is read into one byte more.
constexpr int DB_TEXT_MAX = 250;
constexpr int DB_TEXT_COLUMN = DB_TEXT_MAX + 1;
constexpr int DB_BINARY_MAX = 500;
constexpr int DB_SIGNATURE_BYTES = 16;

DB_error DB_reset_params(DB_handle* h);
DB_error DB_bind_int_param(DB_handle* h, int n, const int32_t* value);
// The text must stay null-terminated; `indicator` must outlive the execute.
DB_error DB_bind_text_param(DB_handle* h, int n, const char* text, SQLLEN* indicator);
// `length` is the byte count and serves as the length indicator.
DB_error DB_bind_binary_param(DB_handle* h, int n, const uint8_t* bytes, SQLLEN* length);
// "No data" (an update or delete that touched no row) counts as success.
DB_error DB_execute(DB_handle* h, const char* sql);

DB_error DB_unbind_columns(DB_handle* h);
DB_error DB_bind_int_column(DB_handle* h, int n, int32_t* target, SQLLEN* indicator);
// `target` holds DB_TEXT_COLUMN bytes.
DB_error DB_bind_text_column(DB_handle* h, int n, char* target, SQLLEN* indicator);
DB_error DB_bind_binary_column(DB_handle* h, int n, uint8_t* target, SQLLEN capacity,
                               SQLLEN* indicator);
// *gotRow false at the end of the rows, which is no error.
DB_error DB_fetch(DB_handle* h, bool* gotRow);
DB_error DB_close_cursor(DB_handle* h);

// A fetched text column as an owned string: null becomes empty, and a value the driver had
// to cut is cut again on a character boundary.
std::string DB_column_text(const char* target, SQLLEN indicator);

using DB_step = std::function<DB_error()>;
// Called for each fetched row; set *stop to end the rows early.
using DB_row_step = std::function<DB_error(bool* stop)>;

// Resets the parameters, binds them and executes `sql`.
DB_error DB_run(DB_handle* h, const char* sql, const DB_step& bindParams);
// DB_run, then binds the columns and hands each row to `onRow`; the cursor is closed
// whatever happened, and a close error counts only when all else went well.
DB_error DB_select(DB_handle* h, const char* sql, const DB_step& bindParams,
                   const DB_step& bindColumns, const DB_row_step& onRow);
// DB_select of one integer column, first row only; *value is left alone when no row came.
DB_error DB_select_int(DB_handle* h, const char* sql, const DB_step& bindParams, int32_t* value,
                       bool* found);

#include "collection/db/statement.h"

#include <sqlext.h>

#include <cstring>

#include "collection/db/utf8_text.h"

namespace {

DB_error StatementError(DB_handle* h, SQLRETURN rc) {
    return DB_odbc_error(rc, SQL_HANDLE_STMT, h->stmt);
}

} // namespace

DB_error DB_reset_params(DB_handle* h) {
    return StatementError(h, SQLFreeStmt(h->stmt, SQL_RESET_PARAMS));
}

DB_error DB_bind_int_param(DB_handle* h, int n, const int32_t* value) {
    SQLRETURN rc = SQLBindParameter(h->stmt, n, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0,
                                    const_cast<int32_t*>(value), 0, nullptr);
    return StatementError(h, rc);
}

DB_error DB_bind_text_param(DB_handle* h, int n, const char* text, SQLLEN* indicator) {
    size_t length = std::strlen(text);
    if (length > DB_TEXT_MAX) {
        return std::string("text value is too long");
    }
    *indicator = SQL_NTS;
    SQLRETURN rc =
        SQLBindParameter(h->stmt, n, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, length + 1, 0,
                         const_cast<char*>(text), static_cast<SQLLEN>(length + 1), indicator);
    return StatementError(h, rc);
}

DB_error DB_bind_binary_param(DB_handle* h, int n, const uint8_t* bytes, SQLLEN* length) {
    if (*length <= 0) {
        return std::string("binary value is too short");
    }
    if (*length > DB_BINARY_MAX) {
        return std::string("binary value is too long");
    }
    SQLRETURN rc = SQLBindParameter(h->stmt, n, SQL_PARAM_INPUT, SQL_C_BINARY, SQL_LONGVARBINARY,
                                    *length, 0, const_cast<uint8_t*>(bytes), *length, length);
    return StatementError(h, rc);
}

DB_error DB_execute(DB_handle* h, const char* sql) {
    SQLRETURN rc = SQLExecDirect(h->stmt, (SQLCHAR*)sql, SQL_NTS);
    if (rc == SQL_NO_DATA) {
        return std::nullopt;
    }
    return StatementError(h, rc);
}

DB_error DB_unbind_columns(DB_handle* h) {
    return StatementError(h, SQLFreeStmt(h->stmt, SQL_UNBIND));
}

DB_error DB_bind_int_column(DB_handle* h, int n, int32_t* target, SQLLEN* indicator) {
    return StatementError(h, SQLBindCol(h->stmt, n, SQL_C_SLONG, target, 0, indicator));
}

DB_error DB_bind_text_column(DB_handle* h, int n, char* target, SQLLEN* indicator) {
    return StatementError(h, SQLBindCol(h->stmt, n, SQL_C_CHAR, target, DB_TEXT_COLUMN, indicator));
}

DB_error DB_bind_binary_column(DB_handle* h, int n, uint8_t* target, SQLLEN capacity,
                               SQLLEN* indicator) {
    return StatementError(h, SQLBindCol(h->stmt, n, SQL_C_BINARY, target, capacity, indicator));
}

DB_error DB_fetch(DB_handle* h, bool* gotRow) {
    SQLRETURN rc = SQLFetch(h->stmt);
    *gotRow = SQL_SUCCEEDED(rc);
    if (rc == SQL_NO_DATA) {
        return std::nullopt;
    }
    return StatementError(h, rc);
}

DB_error DB_close_cursor(DB_handle* h) {
    return StatementError(h, SQLCloseCursor(h->stmt));
}

std::string DB_column_text(const char* target, SQLLEN indicator) {
    if (indicator == SQL_NULL_DATA) {
        return std::string();
    }
    std::string text(target, strnlen(target, DB_TEXT_COLUMN - 1));
    // A value longer than the buffer arrives cut at a byte count, perhaps inside a character.
    if (indicator == SQL_NO_TOTAL || indicator >= DB_TEXT_COLUMN) {
        DropCutCharacter(text);
    }
    return text;
}

DB_error DB_run(DB_handle* h, const char* sql, const DB_step& bindParams) {
    DB_error err = DB_reset_params(h);
    if (!err && bindParams) {
        err = bindParams();
    }
    if (!err) {
        err = DB_execute(h, sql);
    }
    return err;
}

DB_error DB_select(DB_handle* h, const char* sql, const DB_step& bindParams,
                   const DB_step& bindColumns, const DB_row_step& onRow) {
    // Columns still bound to an earlier query's buffers are let go before anything runs.
    DB_error err = DB_unbind_columns(h);
    if (!err) {
        err = DB_run(h, sql, bindParams);
    }
    if (err) {
        // A failed execute may still leave a cursor behind on some drivers.
        SQLFreeStmt(h->stmt, SQL_CLOSE);
        return err;
    }
    err = bindColumns();
    bool stop = false;
    while (!err && !stop) {
        bool gotRow = false;
        err = DB_fetch(h, &gotRow);
        if (err || !gotRow) {
            break;
        }
        err = onRow(&stop);
    }
    DB_error closeErr = DB_close_cursor(h);
    // Columns stay bound to buffers that are about to go away.
    SQLFreeStmt(h->stmt, SQL_UNBIND);
    return err ? err : closeErr;
}

DB_error DB_select_int(DB_handle* h, const char* sql, const DB_step& bindParams, int32_t* value,
                       bool* found) {
    int32_t column = 0;
    SQLLEN ind = 0;
    *found = false;
    return DB_select(
        h, sql, bindParams, [&] { return DB_bind_int_column(h, 1, &column, &ind); },
        [&](bool* stop) {
            *value = column;
            *found = true;
            *stop = true;
            return DB_error();
        });
}

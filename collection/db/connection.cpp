#include "collection/db/connection.h"

#include "collection/db/signature_cache.h"

#include <sqlext.h>

#include <cstdio>

DB_error DB_invalid_argument(const char* operation) {
    return std::string("invalid argument to ") + operation;
}

DB_error DB_odbc_error(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle) {
    switch (rc) {
    case SQL_SUCCESS:
    case SQL_SUCCESS_WITH_INFO:
        return std::nullopt;
    case SQL_STILL_EXECUTING:
        return std::string("still executing");
    case SQL_NEED_DATA:
        return std::string("need data");
    case SQL_NO_DATA:
        return std::string("no data");
    case SQL_INVALID_HANDLE:
        return std::string("invalid ODBC handle");
    case SQL_ERROR:
        break;
    default:
        return std::string("unknown ODBC return code");
    }
    SQLCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLCHAR message[512] = {};
    SQLSMALLINT length = 0;
    SQLRETURN drc =
        SQLGetDiagRec(handleType, handle, 1, state, &native, message, sizeof message, &length);
    if (drc != SQL_SUCCESS && drc != SQL_SUCCESS_WITH_INFO) {
        return std::string("unknown ODBC error");
    }
    char text[600];
    std::snprintf(text, sizeof text, "[%s][%d]%s", reinterpret_cast<char*>(state),
                  static_cast<int>(native), reinterpret_cast<char*>(message));
    return std::string(text);
}

DB_error DB_connect(const char* dataSource, const char* userName, const char* password,
                    DB_handle** out) {
    if (dataSource == nullptr || userName == nullptr || password == nullptr || out == nullptr) {
        return DB_invalid_argument("DB_connect");
    }
    // Pooling is a process-wide wish; a driver manager without it still connects.
    SQLSetEnvAttr(SQL_NULL_HENV, SQL_ATTR_CONNECTION_POOLING,
                  reinterpret_cast<SQLPOINTER>(SQL_CP_ONE_PER_DRIVER), SQL_IS_UINTEGER);

    auto* h = new DB_handle;
    SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &h->env);
    if (!SQL_SUCCEEDED(rc)) {
        delete h;
        return std::string("unable to allocate ODBC environment handle");
    }
    rc = SQLSetEnvAttr(h->env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3),
                       SQL_IS_UINTEGER);
    if (SQL_SUCCEEDED(rc)) {
        SQLSetEnvAttr(h->env, SQL_ATTR_CP_MATCH, reinterpret_cast<SQLPOINTER>(SQL_CP_RELAXED_MATCH),
                      SQL_IS_UINTEGER);
        rc = SQLAllocHandle(SQL_HANDLE_DBC, h->env, &h->dbc);
    }
    if (!SQL_SUCCEEDED(rc)) {
        DB_error err = DB_odbc_error(rc, SQL_HANDLE_ENV, h->env);
        SQLFreeHandle(SQL_HANDLE_ENV, h->env);
        delete h;
        return err;
    }
    // The driver must never open a dialog: there may be no display at all.
    SQLSetConnectAttr(h->dbc, SQL_ATTR_QUIET_MODE, nullptr, SQL_IS_POINTER);
    rc = SQLSetConnectAttr(h->dbc, SQL_ATTR_AUTOCOMMIT,
                           reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), SQL_IS_UINTEGER);
    if (SQL_SUCCEEDED(rc)) {
        rc = SQLConnect(h->dbc, (SQLCHAR*)dataSource, SQL_NTS, (SQLCHAR*)userName, SQL_NTS,
                        (SQLCHAR*)password, SQL_NTS);
    }
    if (!SQL_SUCCEEDED(rc)) {
        DB_error err = DB_odbc_error(rc, SQL_HANDLE_DBC, h->dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, h->dbc);
        SQLFreeHandle(SQL_HANDLE_ENV, h->env);
        delete h;
        return err;
    }
    rc = SQLAllocHandle(SQL_HANDLE_STMT, h->dbc, &h->stmt);
    if (!SQL_SUCCEEDED(rc)) {
        DB_error err = DB_odbc_error(rc, SQL_HANDLE_DBC, h->dbc);
        h->stmt = SQL_NULL_HSTMT;
        DB_disconnect(h);
        return err;
    }
    h->dataSource = dataSource;
    h->userName = userName;
    h->password = password;
    *out = h;
    return std::nullopt;
}

namespace {

constexpr int kReconnectSeconds = 10;

} // namespace

DB_error DB_reconnect(DB_handle* h) {
    if (h == nullptr || h->dbc == SQL_NULL_HDBC || h->dataSource.empty()) {
        return DB_invalid_argument("DB_reconnect");
    }
    if (h->stmt != SQL_NULL_HSTMT) {
        SQLFreeHandle(SQL_HANDLE_STMT, h->stmt);
        h->stmt = SQL_NULL_HSTMT;
    }
    // The old connection's answers are of no use: a dead one cannot even roll back.
    SQLEndTran(SQL_HANDLE_DBC, h->dbc, SQL_ROLLBACK);
    SQLDisconnect(h->dbc);
    // A fresh connection handle: a driver that could not let go of the dead connection would
    // refuse a new one on the old handle.
    SQLHDBC fresh = SQL_NULL_HDBC;
    if (SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, h->env, &fresh))) {
        SQLFreeHandle(SQL_HANDLE_DBC, h->dbc);
        h->dbc = fresh;
    }
    h->changeCounterReady = false;
    SQLSetConnectAttr(h->dbc, SQL_ATTR_QUIET_MODE, nullptr, SQL_IS_POINTER);
    // A server behind a cut network answers no connection attempt at all: the user waits a
    // few seconds for the message, not the system's minutes.
    SQLSetConnectAttr(h->dbc, SQL_ATTR_LOGIN_TIMEOUT,
                      reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(kReconnectSeconds)),
                      SQL_IS_UINTEGER);
    SQLRETURN rc =
        SQLSetConnectAttr(h->dbc, SQL_ATTR_AUTOCOMMIT,
                          reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), SQL_IS_UINTEGER);
    if (SQL_SUCCEEDED(rc)) {
        rc = SQLConnect(h->dbc, (SQLCHAR*)h->dataSource.c_str(), SQL_NTS,
                        (SQLCHAR*)h->userName.c_str(), SQL_NTS, (SQLCHAR*)h->password.c_str(),
                        SQL_NTS);
    }
    if (!SQL_SUCCEEDED(rc)) {
        return DB_odbc_error(rc, SQL_HANDLE_DBC, h->dbc);
    }
    rc = SQLAllocHandle(SQL_HANDLE_STMT, h->dbc, &h->stmt);
    if (!SQL_SUCCEEDED(rc)) {
        DB_error err = DB_odbc_error(rc, SQL_HANDLE_DBC, h->dbc);
        h->stmt = SQL_NULL_HSTMT;
        SQLDisconnect(h->dbc);
        return err;
    }
    return std::nullopt;
}

bool DB_is_connection_lost(const std::string& error) {
    // "[SSSSS][native]message", as DB_odbc_error writes it.
    if (error.size() < 7 || error[0] != '[' || error[6] != ']') {
        return false;
    }
    const std::string state = error.substr(1, 5);
    return state.compare(0, 2, "08") == 0 || state == "57P01" || state == "57P02" ||
           state == "57P03";
}

DB_handle::DB_handle() = default;
DB_handle::~DB_handle() = default;

DB_error DB_disconnect(DB_handle* handle) {
    if (handle == nullptr) {
        return DB_invalid_argument("DB_disconnect");
    }
    if (handle->stmt != SQL_NULL_HSTMT) {
        SQLFreeHandle(SQL_HANDLE_STMT, handle->stmt);
    }
    // An open transaction would make the disconnect fail; nothing uncommitted is wanted.
    SQLEndTran(SQL_HANDLE_DBC, handle->dbc, SQL_ROLLBACK);
    SQLRETURN rc = SQLDisconnect(handle->dbc);
    DB_error err = DB_odbc_error(rc, SQL_HANDLE_DBC, handle->dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, handle->dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, handle->env);
    delete handle;
    return err;
}

DB_error DB_commit(DB_handle* handle) {
    SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, handle->dbc, SQL_COMMIT);
    return DB_odbc_error(rc, SQL_HANDLE_DBC, handle->dbc);
}

void DB_rollback(DB_handle* handle) {
    // The rollback's own error is dropped: the first error is the one worth showing.
    SQLEndTran(SQL_HANDLE_DBC, handle->dbc, SQL_ROLLBACK);
}

void DB_set_access(DB_handle* handle, bool readOnly) {
    // Drivers that cannot switch modes inside a connection keep working read-write.
    SQLSetConnectAttr(
        handle->dbc, SQL_ATTR_ACCESS_MODE,
        reinterpret_cast<SQLPOINTER>(readOnly ? SQL_MODE_READ_ONLY : SQL_MODE_READ_WRITE),
        SQL_IS_UINTEGER);
}

DB_error DB_finish(DB_handle* handle, DB_error result) {
    if (result) {
        DB_rollback(handle);
        return result;
    }
    return DB_commit(handle);
}

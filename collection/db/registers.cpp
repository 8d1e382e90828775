#include <cstdio>

#include "collection/db/catalog.h"
#include "collection/db/catalog_steps.h"
#include "collection/db/statement.h"
#include "collection/db/utf8_text.h"

namespace {

struct RegisterStatements {
    const char* select;
    const char* insert;
    const char* increment;
    const char* decrement;
    const char* remove;
};

DB_error UpdateRegister(DB_handle* h, const RegisterStatements& sql, const DB_step& bindKey,
                        bool add) {
    int32_t count = -1; // stays -1 when the row does not exist
    bool found = false;
    DB_error err = DB_select_int(h, sql.select, bindKey, &count, &found);
    if (err) {
        return err;
    }
    if (add) {
        return DB_run(h, count < 0 ? sql.insert : sql.increment, bindKey);
    }
    if (count < 0) {
        return std::nullopt;
    }
    return DB_run(h, count > 1 ? sql.decrement : sql.remove, bindKey);
}

} // namespace

DB_error DB_register_category(DB_handle* h, int32_t supercat, const std::string& cat,
                              const std::string& subcat, bool add) {
    static const RegisterStatements kSql = {
        "SELECT CATCOUNT FROM CATREGISTER WHERE SUPERCAT = ? AND CAT = ? AND SUBCAT = ?",
        "INSERT INTO CATREGISTER VALUES (?,?,?,1)",
        "UPDATE CATREGISTER SET CATCOUNT = CATCOUNT + 1 WHERE SUPERCAT = ? AND CAT = ? AND "
        "SUBCAT = ?",
        "UPDATE CATREGISTER SET CATCOUNT = CATCOUNT - 1 WHERE SUPERCAT = ? AND CAT = ? AND "
        "SUBCAT = ?",
        "DELETE FROM CATREGISTER WHERE SUPERCAT = ? AND CAT = ? AND SUBCAT = ?"};
    SQLLEN ind[2];
    return UpdateRegister(
        h, kSql,
        [&] {
            DB_error e = DB_bind_int_param(h, 1, &supercat);
            if (!e) {
                e = DB_bind_text_param(h, 2, cat.c_str(), &ind[0]);
            }
            return e ? e : DB_bind_text_param(h, 3, subcat.c_str(), &ind[1]);
        },
        add);
}

DB_error DB_register_genre(DB_handle* h, const std::string& genre, bool add) {
    if (IsBlank(genre)) {
        return std::nullopt;
    }
    static const RegisterStatements kSql = {
        "SELECT GENCOUNT FROM GENREGISTER WHERE GENRE = ?", "INSERT INTO GENREGISTER VALUES (?,1)",
        "UPDATE GENREGISTER SET GENCOUNT = GENCOUNT + 1 WHERE GENRE = ?",
        "UPDATE GENREGISTER SET GENCOUNT = GENCOUNT - 1 WHERE GENRE = ?",
        "DELETE FROM GENREGISTER WHERE GENRE = ?"};
    SQLLEN ind;
    return UpdateRegister(
        h, kSql, [&] { return DB_bind_text_param(h, 1, genre.c_str(), &ind); }, add);
}

namespace {

struct ShadowTable {
    const char* name;
    const char* create;
    const char* fill;
};

// A genre of blanks only is left out here as the upkeep leaves it out, so that a rebuilt
// register equals one kept up to date file by file.
const ShadowTable kShadowTables[] = {
    {"CATREGISTER",
     "CREATE TABLE CATREGISTER(SUPERCAT INTEGER      NOT NULL, CAT      VARCHAR(250) NOT NULL, "
     "SUBCAT   VARCHAR(250) NOT NULL, CATCOUNT INTEGER      NOT NULL, PRIMARY KEY (SUPERCAT, "
     "CAT, SUBCAT))",
     "INSERT INTO CATREGISTER(SUPERCAT, CAT, SUBCAT, CATCOUNT) SELECT INT4, TEXT1, TEXT2, "
     "COUNT(*) FROM AUDIO_FILE GROUP BY INT4, TEXT1, TEXT2"},
    {"GENREGISTER",
     "CREATE TABLE GENREGISTER(GENRE    VARCHAR(250) NOT NULL PRIMARY KEY, GENCOUNT INTEGER      "
     "NOT NULL)",
     "INSERT INTO GENREGISTER(GENRE, GENCOUNT) SELECT TEXT3, COUNT(*) FROM AUDIO_FILE WHERE "
     "TRIM(TEXT3) <> '' GROUP BY TEXT3"},
};

} // namespace

DB_error DB_table_exists(DB_handle* h, const char* name, bool* exists) {
    *exists = false;
    SQLRETURN rc = SQLTables(h->stmt, nullptr, 0, nullptr, 0, (SQLCHAR*)name, SQL_NTS,
                             (SQLCHAR*)"TABLE", SQL_NTS);
    if (!SQL_SUCCEEDED(rc)) {
        DB_error err = DB_odbc_error(rc, SQL_HANDLE_STMT, h->stmt);
        SQLFreeStmt(h->stmt, SQL_CLOSE);
        return err;
    }
    bool gotRow = false;
    DB_error err = DB_fetch(h, &gotRow);
    *exists = gotRow;
    DB_error closeErr = DB_close_cursor(h);
    return err ? err : closeErr;
}

DB_error DB_build_shadow_tables(DB_handle* h, int rebuild) {
    if (h == nullptr) {
        return DB_invalid_argument("DB_build_shadow_tables");
    }
    DB_set_access(h, false);
    DB_error err;
    for (const ShadowTable& table : kShadowTables) {
        bool exists = false;
        err = DB_unbind_columns(h);
        if (!err) {
            err = DB_table_exists(h, table.name, &exists);
        }
        if (err) {
            break;
        }
        if (exists && rebuild == 0) {
            continue;
        }
        if (exists) {
            char sql[64];
            std::snprintf(sql, sizeof sql, "DROP TABLE %s", table.name);
            err = DB_run(h, sql, nullptr);
        }
        if (!err) {
            err = DB_run(h, table.create, nullptr);
        }
        if (!err) {
            err = DB_run(h, table.fill, nullptr);
        }
        if (err) {
            break;
        }
    }
    return DB_finish(h, std::move(err));
}

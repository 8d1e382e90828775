#include "collection/db/schema.h"

#include <sqlext.h>

#include <strings.h>

#include "collection/db/catalog_steps.h"
#include "collection/db/statement.h"

namespace {

struct TableDdl {
    const char* name;
    std::vector<std::string> statements;
};

// Columns in the order the layer reads them by position. No SOUND or TERM column but FILE_ID
// shares a name with an AUDIO_FILE column: the query builder writes column names bare.
// Both engines hold the same layout; they differ only in how the file id is declared and in
// the name of the binary type. File ids come from the engine and are never reused, so a
// re-indexed file gets a new one.
std::vector<TableDdl> CatalogTables(DB_engine engine) {
    const bool sqlite = engine == DB_engine::SQLite;
    const std::string fileKey = sqlite ? "INTEGER PRIMARY KEY AUTOINCREMENT" : "SERIAL PRIMARY KEY";
    const std::string binary = sqlite ? "BLOB" : "BYTEA";
    std::string audioFile = "CREATE TABLE AUDIO_FILE (FILE_ID " + fileKey + ", ";
    audioFile +=
        "FILE_NAME VARCHAR(250) NOT NULL, FILE_SAMPLE_RATE INTEGER NOT NULL, "
        "FILE_DURATION INTEGER NOT NULL, FILE_BPM INTEGER NOT NULL, FILE_KEY INTEGER NOT NULL, "
        "FILE_SIGNATURE ";
    audioFile += binary;
    audioFile += " NOT NULL, ";
    for (int i = 0; i < 10; ++i)
        audioFile += "INT" + std::to_string(i) + " INTEGER NOT NULL, ";
    for (int i = 0; i < 10; ++i)
        audioFile += "TEXT" + std::to_string(i) + " VARCHAR(250) NOT NULL, ";
    audioFile += "INDEX_DATE VARCHAR(250) NOT NULL)";
    std::string sound = "CREATE TABLE SOUND (FILE_ID INTEGER NOT NULL, SOUND_SAMPLE_RATE INTEGER "
                        "NOT NULL, SOUND_DURATION INTEGER NOT NULL, SOUND_BPM INTEGER NOT NULL, "
                        "SOUND_KEY INTEGER NOT NULL, SOUND_SIGNATURE ";
    sound += binary + " NOT NULL, SOUND_DATA " + binary + " NOT NULL, ";
    sound += "PRIMARY KEY (FILE_ID, SOUND_SAMPLE_RATE))";
    return {
        {"AUDIO_FILE", {audioFile, "CREATE INDEX AUDIO_FILE_BY_NAME ON AUDIO_FILE (FILE_NAME)"}},
        {"SOUND", {sound}},
        {"TERM",
         {"CREATE TABLE TERM (FILE_ID INTEGER NOT NULL, TEXT_FIELD INTEGER NOT NULL, "
          "WORD_STEM VARCHAR(25) NOT NULL)",
          "CREATE INDEX TERM_BY_STEM ON TERM (WORD_STEM, FILE_ID)",
          "CREATE INDEX TERM_BY_FILE ON TERM (FILE_ID)"}},
        // Bumped by every catalog write, so that a program holding the signatures in memory
        // sees the writes of every other.
        {"CATALOG_CHANGES",
         {"CREATE TABLE CATALOG_CHANGES (CHANGES INTEGER NOT NULL)",
          "INSERT INTO CATALOG_CHANGES VALUES (0)"}},
    };
}

} // namespace

DB_error DB_detect_engine(DB_handle* h, DB_engine* engine, std::string* dbmsName) {
    if (h == nullptr || engine == nullptr || dbmsName == nullptr) {
        return DB_invalid_argument("DB_detect_engine");
    }
    char name[256] = {};
    SQLSMALLINT length = 0;
    SQLRETURN rc = SQLGetInfo(h->dbc, SQL_DBMS_NAME, name, sizeof name, &length);
    if (!SQL_SUCCEEDED(rc)) {
        return DB_odbc_error(rc, SQL_HANDLE_DBC, h->dbc);
    }
    *dbmsName = name;
    if (strncasecmp(name, "SQLite", 6) == 0) {
        *engine = DB_engine::SQLite;
    } else if (strncasecmp(name, "PostgreSQL", 10) == 0) {
        *engine = DB_engine::PostgreSQL;
    } else {
        return "unsupported database engine '" + *dbmsName + "'";
    }
    return std::nullopt;
}

DB_error DB_create_catalog_tables(DB_handle* h, DB_engine engine,
                                  std::vector<std::string>* created) {
    if (h == nullptr || created == nullptr) {
        return DB_invalid_argument("DB_create_catalog_tables");
    }
    DB_set_access(h, false);
    const std::vector<TableDdl> tables = CatalogTables(engine);
    std::vector<std::string> made;
    DB_error err;
    for (const TableDdl& table : tables) {
        bool exists = false;
        err = DB_table_exists(h, table.name, &exists);
        if (err) {
            break;
        }
        if (exists) {
            continue;
        }
        for (const std::string& sql : table.statements) {
            err = DB_run(h, sql.c_str(), nullptr);
            if (err) {
                break;
            }
        }
        if (err) {
            break;
        }
        made.push_back(table.name);
    }
    err = DB_finish(h, std::move(err));
    if (!err) {
        *created = std::move(made);
    }
    return err;
}

#pragma once
// The ODBC configuration of the catalog tests: an odbcinst.ini and an odbc.ini of the test
// process's own (ODBCSYSINI, ODBCINI), one SQLite data source on a file in a temporary folder
// and, where a PostgreSQL server can be had, one data source on a database of this process in
// the throw-away cluster that ctest starts (or that this process starts when run alone).

#include <string>

struct CatalogTestEnv {
    std::string folder;
    std::string sqliteDsn = "TambrelTestSqlite";
    // A second SQLite catalog, for a server that answers from a collection of its own.
    std::string secondSqliteDsn = "TambrelTestSqliteSecond";
    // A SQLite data source whose database folder does not exist (<folder>/removed/catalog.db).
    std::string missingFolderDsn = "TambrelTestSqliteMissingFolder";
    std::string postgresDsn = "TambrelTestPostgres";
    std::string postgresSkipReason;

    // Set up once per process, before the first ODBC call.
    static CatalogTestEnv& Get();
    // Empty when PostgreSQL is available (its database is made on the first call); otherwise
    // why its cases are skipped.
    static const std::string& PostgresSkipReason();
};

#pragma once
// The benchmarks' ODBC configuration: one SQLite data source of the benchmark's own in its
// folder, found through ODBCSYSINI/ODBCINI so that no user's or system's set-up is touched.

#include <cstdlib>
#include <fstream>
#include <string>

inline void UseBenchDataSource(const std::string& folder, const std::string& dsn) {
    std::ofstream(folder + "/odbcinst.ini") << "[SQLite3]\nDriver=libsqlite3odbc.so\n";
    std::ofstream(folder + "/odbc.ini") << "[" << dsn << "]\nDriver=SQLite3\nDatabase=" << folder
                                        << "/catalog.db\nNoTXN=0\nJournalMode=WAL\n";
    setenv("ODBCSYSINI", folder.c_str(), 1);
    setenv("ODBCINI", (folder + "/odbc.ini").c_str(), 1);
}

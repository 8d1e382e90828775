#include "catalog_test_env.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

struct PostgresCluster {
    std::string stateFile;
    bool ownCluster = false;
    std::string port;
    std::string database;
    bool created = false;

    // Reads "<folder> <port>" or "skip <reason>"; false when the file is missing.
    bool ReadState(std::string* reason) {
        std::ifstream in(stateFile);
        std::string first;
        if (!(in >> first)) {
            return false;
        }
        std::string rest;
        std::getline(in, rest);
        if (first == "skip") {
            *reason = rest.empty() ? std::string("no reason given") : rest.substr(1);
        } else {
            port = rest.substr(rest.find_first_not_of(' '));
        }
        return true;
    }

    bool Psql(const std::string& sql) {
        std::string command = "psql -q -h 127.0.0.1 -p " + port + " -U postgres -d postgres -c \"" +
                              sql + "\" >/dev/null 2>&1";
        return std::system(command.c_str()) == 0;
    }

    // Finds the cluster to use and its port; the database is made on first use only, so that
    // a process that runs SQLite cases alone never waits for PostgreSQL.
    std::string Start(const std::string& folder) {
        // The cluster ctest starts for the whole run, when there is one.
        std::string reason;
        stateFile = TAMBREL_BINARY_DIR "/catalog-postgres.state";
        if (ReadState(&reason)) {
            database = "tambrel_test_" + std::to_string(getpid());
            return reason;
        }
        // Run alone (not under ctest): start a cluster of our own.
        stateFile = folder + "/postgres.state";
        ownCluster = true;
        std::string command = "bash '" TAMBREL_SOURCE_DIR "/scripts/test-postgres.sh' start '" +
                              stateFile + "' >/dev/null 2>&1";
        std::system(command.c_str());
        reason.clear();
        if (!ReadState(&reason)) {
            return "the cluster script left no state";
        }
        database = "tambrel_test_" + std::to_string(getpid());
        return reason;
    }

    std::string CreateDatabase() {
        if (!Psql("SELECT 1")) {
            return "the cluster on port " + port + " does not answer";
        }
        Psql("DROP DATABASE IF EXISTS " + database);
        if (!Psql("CREATE DATABASE " + database)) {
            return "psql could not create database " + database + " on port " + port;
        }
        created = true;
        return std::string();
    }

    void Stop() {
        if (created) {
            Psql("DROP DATABASE IF EXISTS " + database + " WITH (FORCE)");
        }
        if (ownCluster) {
            std::string command = "bash '" TAMBREL_SOURCE_DIR "/scripts/test-postgres.sh' stop '" +
                                  stateFile + "' >/dev/null 2>&1";
            std::system(command.c_str());
            ownCluster = false;
        }
        created = false;
    }
};

struct Holder {
    CatalogTestEnv env;
    PostgresCluster cluster;
    bool postgresChecked = false;

    Holder() {
        // The SQLite3 driver loads and unloads libodbcinst by itself; kept loaded, the leaks it
        // leaves carry its name and meet their suppression.
        dlopen("libodbcinst.so.2", RTLD_NOW | RTLD_NODELETE);
        char pattern[] = "/tmp/tambrel-catalog-test.XXXXXX";
        env.folder = mkdtemp(pattern);
        env.postgresSkipReason = cluster.Start(env.folder);
        // Drivers stay loaded to the end, so that a leak report can name the library.
        std::ofstream(env.folder + "/odbcinst.ini") << "[SQLite3]\n"
                                                       "Driver=libsqlite3odbc.so\n"
                                                       "DontDLClose=1\n"
                                                       "[PostgreSQL Unicode]\n"
                                                       "Driver=psqlodbcw.so\n"
                                                       "DontDLClose=1\n";
        std::ofstream ini(env.folder + "/odbc.ini");
        ini << "[" << env.sqliteDsn << "]\n"
            << "Driver=SQLite3\n"
            << "Database=" << env.folder << "/catalog.db\n"
            << "NoTXN=0\n"
            << "JournalMode=WAL\n"
            << "[" << env.secondSqliteDsn << "]\n"
            << "Driver=SQLite3\n"
            << "Database=" << env.folder << "/second.db\n"
            << "NoTXN=0\n"
            << "JournalMode=WAL\n"
            << "[" << env.missingFolderDsn << "]\n"
            << "Driver=SQLite3\n"
            << "Database=" << env.folder << "/removed/catalog.db\n"
            << "NoTXN=0\n";
        if (env.postgresSkipReason.empty()) {
            ini << "[" << env.postgresDsn << "]\n"
                << "Driver=PostgreSQL Unicode\n"
                << "Servername=127.0.0.1\n"
                << "Port=" << cluster.port << "\n"
                << "Database=" << cluster.database << "\n"
                << "Username=postgres\n"
                << "ConnSettings=SET client_encoding TO 'UTF8'\n"
                << "UseDeclareFetch=1\n";
        }
        ini.close();
        setenv("ODBCSYSINI", env.folder.c_str(), 1);
        setenv("ODBCINI", (env.folder + "/odbc.ini").c_str(), 1);
    }

    ~Holder() {
        cluster.Stop();
        std::error_code ec;
        std::filesystem::remove_all(env.folder, ec);
    }
};

Holder& TheHolder() {
    static Holder holder;
    return holder;
}

} // namespace

CatalogTestEnv& CatalogTestEnv::Get() {
    return TheHolder().env;
}

const std::string& CatalogTestEnv::PostgresSkipReason() {
    Holder& holder = TheHolder();
    if (!holder.postgresChecked) {
        holder.postgresChecked = true;
        if (holder.env.postgresSkipReason.empty()) {
            holder.env.postgresSkipReason = holder.cluster.CreateDatabase();
        }
    }
    return holder.env.postgresSkipReason;
}

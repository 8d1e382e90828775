// Prepares an ODBC data source for the catalog: connects to it by name, finds out which
// engine answers, and creates the tables AUDIO_FILE, SOUND and TERM where they are missing.
// Existing tables and their rows are never touched. For the SQLite data source that
// scripts/prepare-catalog.sh makes, a database folder that was removed is made again (the
// driver then creates an empty database file in it); the data source itself is never changed.
//
//   tambrel-catalog-setup [data source name]     (default "Quillnest")

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "collection/db/connection.h"
#include "collection/db/data_source.h"
#include "collection/db/schema.h"

namespace {

// The description scripts/prepare-catalog.sh gives the data source it makes. Only that one has
// its folder made again: another data source's folder may be a disk that is not mounted.
constexpr const char* kPreparedDescription = "Corvessa Tambrel catalog (MyTambrel)";

// False when the folder was missing and could not be made (the reason has been printed).
bool RecreateMissingFolder(const char* dsn) {
    if (DB_data_source_setting(dsn, "Driver") != "SQLite3" ||
        DB_data_source_setting(dsn, "Description") != kPreparedDescription)
        return true;
    const std::string database = DB_data_source_setting(dsn, "Database");
    const std::filesystem::path folder = std::filesystem::path(database).parent_path();
    std::error_code ec;
    if (database.empty() || folder.empty() || std::filesystem::is_directory(folder, ec))
        return true;
    if (!std::filesystem::create_directories(folder, ec) && ec) {
        std::fprintf(stderr, "Could not make the folder %s of ODBC data source '%s': %s\n",
                     folder.c_str(), dsn, ec.message().c_str());
        return false;
    }
    std::printf("ODBC data source '%s': made its missing folder %s again.\n", dsn, folder.c_str());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 2 ||
        (argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0))) {
        std::fprintf(stderr, "usage: %s [ODBC data source name]\n", argv[0]);
        return 2;
    }
    const char* dsn = argc == 2 ? argv[1] : "Quillnest";

    if (!RecreateMissingFolder(dsn))
        return 1;
    DB_handle* h = nullptr;
    DB_error err = DB_connect(dsn, "", "", &h);
    if (err) {
        std::fprintf(stderr, "%s\n", DB_connect_failure_text(dsn, *err).c_str());
        return 1;
    }
    DB_engine engine;
    std::string dbms;
    std::vector<std::string> created;
    err = DB_detect_engine(h, &engine, &dbms);
    if (!err) {
        err = DB_create_catalog_tables(h, engine, &created);
    }
    DB_error closeErr = DB_disconnect(h);
    if (err) {
        std::fprintf(stderr, "Could not prepare ODBC data source '%s': %s\n", dsn, err->c_str());
        return 1;
    }
    std::printf("ODBC data source '%s' (%s): ", dsn, dbms.c_str());
    if (created.empty()) {
        std::printf("the catalog tables exist; nothing changed.\n");
    } else {
        std::printf("created");
        for (size_t i = 0; i < created.size(); ++i) {
            std::printf("%s %s", i == 0 ? "" : ",", created[i].c_str());
        }
        std::printf(".\n");
    }
    if (closeErr) {
        std::fprintf(stderr, "Closing the connection failed: %s\n", closeErr->c_str());
    }
    return 0;
}

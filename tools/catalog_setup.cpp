// Prepares an ODBC data source for the catalog: connects to it by name, finds out which
// engine answers, and creates the tables AUDIO_FILE, SOUND and TERM where they are missing.
// Existing tables and their rows are never touched.
//
//   tambrel-catalog-setup [data source name]     (default "Quillnest")

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "collection/db/connection.h"
#include "collection/db/schema.h"

int main(int argc, char** argv) {
    if (argc > 2 ||
        (argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0))) {
        std::fprintf(stderr, "usage: %s [ODBC data source name]\n", argv[0]);
        return 2;
    }
    const char* dsn = argc == 2 ? argv[1] : "Quillnest";

    DB_handle* h = nullptr;
    DB_error err = DB_connect(dsn, "", "", &h);
    if (err) {
        std::fprintf(stderr, "Could not connect to ODBC data source '%s': %s\n", dsn, err->c_str());
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

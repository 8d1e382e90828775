#pragma once
// An ODBC configuration of the screenshot program's own: one SQLite catalog "TambrelShot" in
// the folder, with the catalog's tables.

#include <dlfcn.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "collection/db/catalog.h"
#include "collection/db/connection.h"
#include "collection/db/schema.h"

inline bool MakeScreenshotCatalog(const std::string& dir) {
    // Kept loaded to the end, so that a leak report names the library and meets its
    // suppression.
    dlopen("libodbcinst.so.2", RTLD_NOW | RTLD_NODELETE);
    std::ofstream(dir + "/odbcinst.ini") << "[SQLite3]\nDriver=libsqlite3odbc.so\nDontDLClose=1\n";
    std::ofstream(dir + "/odbc.ini") << "[TambrelShot]\nDriver=SQLite3\nDatabase=" << dir
                                     << "/catalog.db\nNoTXN=0\n";
    setenv("ODBCSYSINI", dir.c_str(), 1);
    setenv("ODBCINI", (dir + "/odbc.ini").c_str(), 1);
    DB_handle* h = nullptr;
    if (DB_connect("TambrelShot", "", "", &h))
        return false;
    DB_engine engine;
    std::string name;
    std::vector<std::string> created;
    const bool made = !DB_detect_engine(h, &engine, &name) &&
                      !DB_create_catalog_tables(h, engine, &created) &&
                      !DB_build_shadow_tables(h, 0);
    DB_disconnect(h);
    return made;
}

#pragma once
// The catalog tables AUDIO_FILE, SOUND and TERM as each supported engine spells them. The
// program itself never creates them; the set-up tool and the tests do.

#include <string>
#include <vector>

#include "collection/db/connection.h"

enum class DB_engine { SQLite, PostgreSQL };

// Finds out which engine is behind the connection from the driver's DBMS name.
DB_error DB_detect_engine(DB_handle* h, DB_engine* engine, std::string* dbmsName);

// Creates each of the three tables (with its indexes) that is missing, in one transaction;
// `created` receives the names of the tables made.
DB_error DB_create_catalog_tables(DB_handle* h, DB_engine engine,
                                  std::vector<std::string>* created);

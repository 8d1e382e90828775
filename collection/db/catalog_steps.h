#pragma once
// Steps shared by the catalog operations, run inside an operation's transaction.

#include <cstdint>
#include <string>

#include "collection/db/connection.h"

// With `newest`, the highest id stored under the path: ids only grow, so that is the row
// just inserted even where an older row carries the same name.
DB_error DB_lookup_in_transaction(DB_handle* h, const char* path, int32_t* fileId,
                                  bool newest = false);

// Counts one file in or out of CATREGISTER.
DB_error DB_register_category(DB_handle* h, int32_t supercat, const std::string& cat,
                              const std::string& subcat, bool add);
// Counts one file in or out of GENREGISTER; blank genres are not registered.
DB_error DB_register_genre(DB_handle* h, const std::string& genre, bool add);

// Asks the driver's table list whether a table of that name exists.
DB_error DB_table_exists(DB_handle* h, const char* name, bool* exists);

#pragma once
// What the ODBC configuration says about a data source, read without connecting: a connection
// that failed still has its database named to the user.

#include <string>

// The value of `key` in the data source's section (user data sources, then the system's);
// empty when the data source or the key is missing.
std::string DB_data_source_setting(const std::string& dataSource, const char* key);

// The text shown when connecting failed: "Could not connect to ODBC data source '<name>'",
// then the database the data source names (and that its folder is missing, where it is), then
// the driver's reason.
std::string DB_connect_failure_text(const std::string& dataSource, const std::string& reason);

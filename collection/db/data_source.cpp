#include "collection/db/data_source.h"

#include <odbcinst.h>

#include <filesystem>
#include <system_error>
#include <vector>

std::string DB_data_source_setting(const std::string& dataSource, const char* key) {
    if (dataSource.empty() || key == nullptr)
        return {};
    std::vector<char> value(4096, '\0');
    const int length = SQLGetPrivateProfileString(dataSource.c_str(), key, "", value.data(),
                                                  static_cast<int>(value.size()), "odbc.ini");
    if (length <= 0)
        return {};
    return std::string(value.data());
}

std::string DB_connect_failure_text(const std::string& dataSource, const std::string& reason) {
    std::string text = "Could not connect to ODBC data source '" + dataSource + "'";
    const std::string database = DB_data_source_setting(dataSource, "Database");
    if (!database.empty()) {
        text += "\nDatabase: " + database;
        // A file database whose folder is gone is the common case and the driver never says so.
        const std::filesystem::path folder = std::filesystem::path(database).parent_path();
        std::error_code ec;
        if (database.find('/') != std::string::npos && !folder.empty() &&
            !std::filesystem::is_directory(folder, ec))
            text += "\nThe folder " + folder.string() + " does not exist.";
    }
    if (!reason.empty())
        text += "\n" + reason;
    return text;
}

#pragma once
// Many rows of integer columns and one binary column, read as a single text the engine packs.
//
// psqlODBC handles each value of each row as it comes; for the millions of rows the held
// signatures are loaded from, that costs several times the server's own work. Asked to join
// a slice of rows into one text, the server writes them at its own speed and the driver
// handles one value per slice.
//
// A packed row: the integers in decimal and the binary value in hexadecimal, separated by
// commas; rows are separated by semicolons.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "collection/db/connection.h"

struct DB_packed_query {
    static constexpr std::size_t kMaxInts = 32;
    // Integer column names (at most kMaxInts), then the binary column.
    std::vector<std::string> ints;
    std::string binary;
    // What follows FROM: a table with its conditions, or a subquery with its alias.
    std::string from;
    // An integer column whose largest value in the slice is asked for too; empty, none.
    std::string maxOf;
};

// One unpacked row: `ints` holds as many values as the query named; `binary` is null when
// the stored value is not `binaryBytes` long.
using DB_packed_row = std::function<void(const int32_t* ints, const uint8_t* binary)>;

struct DB_packed_slice {
    int64_t rows = 0; // rows the engine counted, each handed on once
    int64_t max = 0;  // the largest value of `maxOf`, 0 without rows
};

// The PostgreSQL statement that packs a slice.
std::string DB_packed_sql(const DB_packed_query& query);

// Runs the packing statement and hands each row to `onRow`. A value that does not hold as
// many whole rows as the engine counted (cut by the driver, say) is an error, so that no row
// goes missing unnoticed.
DB_error DB_read_packed(DB_handle* h, const DB_packed_query& query, std::size_t binaryBytes,
                        const DB_packed_row& onRow, DB_packed_slice* slice);

// Unpacks one slice; false when it is not `rows` whole rows of 32-bit integers and hex.
bool DB_unpack_rows(const std::string& packed, std::size_t ints,
                    std::size_t binaryBytes, int64_t rows, const DB_packed_row& onRow);

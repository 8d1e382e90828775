#include "collection/db/packed_rows.h"

#include <sqlext.h>

#include <charconv>
#include <cstring>

#include "collection/db/statement.h"
#include "collection/hex_digit.h"

namespace {

constexpr char kFieldSeparator = ',';
constexpr char kRowSeparator = ';';

// Reads a text column of the current row whole, however long, a piece at a time.
DB_error ReadLongText(DB_handle* h, SQLUSMALLINT column, std::string* out) {
    out->clear();
    constexpr std::size_t kPiece = 1 << 20;
    for (;;) {
        const std::size_t at = out->size();
        out->resize(at + kPiece);
        SQLLEN indicator = 0;
        SQLRETURN rc = SQLGetData(h->stmt, column, SQL_C_CHAR, out->data() + at,
                                  static_cast<SQLLEN>(kPiece), &indicator);
        if (rc == SQL_NO_DATA || indicator == SQL_NULL_DATA) {
            out->resize(at);
            return std::nullopt;
        }
        if (!SQL_SUCCEEDED(rc)) {
            out->resize(at);
            return DB_odbc_error(rc, SQL_HANDLE_STMT, h->stmt);
        }
        // A piece that fits is the last; one that did not ends in the terminator.
        if (indicator != SQL_NO_TOTAL && indicator < static_cast<SQLLEN>(kPiece)) {
            out->resize(at + static_cast<std::size_t>(indicator));
            return std::nullopt;
        }
        out->resize(at + kPiece - 1);
        if (rc == SQL_SUCCESS)
            return std::nullopt;
    }
}

DB_error ReadBigInt(DB_handle* h, SQLUSMALLINT column, int64_t* value) {
    SQLBIGINT number = 0;
    SQLLEN indicator = 0;
    SQLRETURN rc = SQLGetData(h->stmt, column, SQL_C_SBIGINT, &number, 0, &indicator);
    if (!SQL_SUCCEEDED(rc))
        return DB_odbc_error(rc, SQL_HANDLE_STMT, h->stmt);
    *value = indicator == SQL_NULL_DATA ? 0 : number;
    return std::nullopt;
}

} // namespace

// The server's own text of integers is cheaper than any binary form it can build per row.
std::string DB_packed_sql(const DB_packed_query& query) {
    std::string row = "concat_ws('" + std::string(1, kFieldSeparator) + "'";
    for (const std::string& column : query.ints)
        row += ", " + column;
    row += ", encode(" + query.binary + ", 'hex'))";
    const std::string max = query.maxOf.empty() ? "0" : "MAX(" + query.maxOf + ")";
    return "SELECT string_agg(" + row + ", '" + kRowSeparator + "'), COUNT(*), " + max +
           " FROM " + query.from;
}

bool DB_unpack_rows(const std::string& packed, std::size_t ints, std::size_t binaryBytes,
                    int64_t rows, const DB_packed_row& onRow) {
    int32_t values[DB_packed_query::kMaxInts];
    std::vector<uint8_t> binary(binaryBytes);
    if (ints > DB_packed_query::kMaxInts)
        return false;
    const char* p = packed.data();
    const char* const end = p + packed.size();
    int64_t seen = 0;
    while (p < end) {
        for (std::size_t n = 0; n < ints; ++n) {
            const auto [next, ec] = std::from_chars(p, end, values[n]);
            if (ec != std::errc() || next == end || *next != kFieldSeparator)
                return false;
            p = next + 1;
        }
        const char* rowEnd = static_cast<const char*>(std::memchr(p, kRowSeparator, end - p));
        if (rowEnd == nullptr)
            rowEnd = end;
        const bool sized = static_cast<std::size_t>(rowEnd - p) == 2 * binaryBytes;
        for (const char* h = p; h < rowEnd; h += 2) {
            const int high = HexDigitValue(h[0]);
            const int low = h + 1 < rowEnd ? HexDigitValue(h[1]) : -1;
            if (high < 0 || low < 0)
                return false;
            if (sized)
                binary[(h - p) / 2] = static_cast<uint8_t>(high << 4 | low);
        }
        onRow(values, sized ? binary.data() : nullptr);
        ++seen;
        p = rowEnd == end ? end : rowEnd + 1;
    }
    return seen == rows;
}

DB_error DB_read_packed(DB_handle* h, const DB_packed_query& query, std::size_t binaryBytes,
                        const DB_packed_row& onRow, DB_packed_slice* slice) {
    *slice = DB_packed_slice{};
    std::string packed;
    bool gotRow = false;
    const std::string sql = DB_packed_sql(query);
    DB_error err = DB_unbind_columns(h);
    if (!err)
        err = DB_run(h, sql.c_str(), nullptr);
    if (err)
        return err;
    err = DB_fetch(h, &gotRow);
    if (!err && gotRow)
        err = ReadLongText(h, 1, &packed);
    if (!err && gotRow)
        err = ReadBigInt(h, 2, &slice->rows);
    if (!err && gotRow)
        err = ReadBigInt(h, 3, &slice->max);
    DB_error closeErr = DB_close_cursor(h);
    if (err)
        return err;
    if (closeErr)
        return closeErr;
    if (!DB_unpack_rows(packed, query.ints.size(), binaryBytes, slice->rows, onRow))
        return std::string("the signatures read from the catalog are not whole: a slice of ") +
               std::to_string(slice->rows) + " rows came cut";
    return std::nullopt;
}

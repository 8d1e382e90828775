// Rows the server packed into one text come back whole and exactly, or not at all.

#include "collection/db/packed_rows.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Unpacked {
    bool whole = false;
    std::vector<std::string> rows; // "a,b|hex" or "a,b|-" for a signature of another size
};

Unpacked Unpack(const std::string& text, int64_t rows) {
    Unpacked out;
    out.whole = DB_unpack_rows(text, 2, 2, rows, [&](const int32_t* v, const uint8_t* binary) {
        std::string row = std::to_string(v[0]) + "," + std::to_string(v[1]) + "|";
        if (binary) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "%02x%02x", binary[0], binary[1]);
            row += hex;
        } else {
            row += "-";
        }
        out.rows.push_back(row);
    });
    return out;
}

TEST(PackedRowsTest, UnpacksWholeRowsAndRefusesCutOrMalformedOnes) {
    const struct {
        const char* text;
        int64_t rows;
        bool whole;
        std::vector<std::string> seen;
    } cases[] = {
        {"", 0, true, {}},
        {"1,44100,00ff;-1,2147483647,A0b1", 2, true, {"1,44100|00ff", "-1,2147483647|a0b1"}},
        // A value of another length is handed on without its bytes, as never a hit.
        {"7,8,abcdef;9,10,", 2, true, {"7,8|-", "9,10|-"}},
        // The driver cut the text: fewer rows than the server counted.
        {"1,2,0000;3,4,00", 3, false, {"1,2|0000", "3,4|-"}},
        {"1,2,0000;3,4", 2, false, {"1,2|0000"}},
        // Not numbers, not hexadecimal, or past 32 bits.
        {"x,2,0000", 1, false, {}},
        {"1,2,00zz", 1, false, {}},
        {"1,2147483648,0000", 1, false, {}},
        {"1,2,000", 1, false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const Unpacked got = Unpack(c.text, c.rows);
        EXPECT_EQ(got.whole, c.whole);
        EXPECT_EQ(got.rows, c.seen);
    }
}

} // namespace

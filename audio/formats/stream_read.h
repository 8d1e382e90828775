#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <vector>

// Reads up to count bytes, fewer at the end of the stream. The buffer grows only as bytes
// arrive, so a size field that lies cannot cause a large allocation.
std::vector<std::uint8_t> ReadUpTo(std::istream& in, std::uint64_t count);

// Reads up to length bytes but never past the remaining bytes of a chunk, and takes what came
// off remaining.
int ReadWithin(std::istream& in, std::uint8_t* buffer, int length, std::int64_t& remaining);

// A note about a malformed file that does not stop reading; it never reaches the user.
void FormatDiagnostic(const char* text);

// Four letters as the big-endian integer that chunk ids are compared by.
constexpr std::uint32_t FourCc(const char (&id)[5]) {
    return (std::uint32_t{static_cast<unsigned char>(id[0])} << 24) |
           (std::uint32_t{static_cast<unsigned char>(id[1])} << 16) |
           (std::uint32_t{static_cast<unsigned char>(id[2])} << 8) |
           std::uint32_t{static_cast<unsigned char>(id[3])};
}

// A metadata item and the id of the text chunk a format stores it in.
struct ItemChunkId {
    int itemCode;
    std::uint32_t id;
};

// The item code kept under the chunk id, or 0 when the table has none.
template <std::size_t N>
constexpr int ItemCodeOfChunkId(const ItemChunkId (&table)[N], std::uint32_t id) {
    for (const ItemChunkId& entry : table) {
        if (entry.id == id) {
            return entry.itemCode;
        }
    }
    return 0;
}

// The chunk id that keeps the item, or 0 when the table has none.
template <std::size_t N>
constexpr std::uint32_t ChunkIdOfItemCode(const ItemChunkId (&table)[N], int code) {
    for (const ItemChunkId& entry : table) {
        if (entry.itemCode == code) {
            return entry.id;
        }
    }
    return 0;
}

#pragma once

#include <cstdint>
#include <iosfwd>

// Integers of 1 to 4 bytes in either byte order. Any other size reads 0 or writes nothing.
// Bytes missing at the end of a stream read as 0; the caller checks the stream's state.
std::uint32_t ReadIntMsb(std::istream& in, int size);
std::uint32_t ReadIntLsb(std::istream& in, int size);
std::uint32_t BytesToIntMsb(const std::uint8_t* bytes, int size);
std::uint32_t BytesToIntLsb(const std::uint8_t* bytes, int size);
void WriteIntMsb(std::ostream& out, std::uint32_t value, int size);
void WriteIntLsb(std::ostream& out, std::uint32_t value, int size);

// Drops count bytes, stopping early at the end of the stream or when it fails.
void SkipBytes(std::istream& in, std::int64_t count);

#include "audio/byte_order.h"

#include <istream>
#include <ostream>

namespace {

bool ValidSize(int size) {
    return size >= 1 && size <= 4;
}

int ReadRaw(std::istream& in, std::uint8_t* bytes, int size) {
    in.read(reinterpret_cast<char*>(bytes), size);
    return static_cast<int>(in.gcount());
}

} // namespace

std::uint32_t BytesToIntMsb(const std::uint8_t* bytes, int size) {
    if (!ValidSize(size)) {
        return 0;
    }
    std::uint32_t value = 0;
    for (int i = 0; i < size; ++i) {
        value = (value << 8) | bytes[i];
    }
    return value;
}

std::uint32_t BytesToIntLsb(const std::uint8_t* bytes, int size) {
    if (!ValidSize(size)) {
        return 0;
    }
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = (value << 8) | bytes[i];
    }
    return value;
}

std::uint32_t ReadIntMsb(std::istream& in, int size) {
    if (!ValidSize(size)) {
        return 0;
    }
    std::uint8_t bytes[4] = {};
    ReadRaw(in, bytes, size);
    return BytesToIntMsb(bytes, size);
}

std::uint32_t ReadIntLsb(std::istream& in, int size) {
    if (!ValidSize(size)) {
        return 0;
    }
    std::uint8_t bytes[4] = {};
    ReadRaw(in, bytes, size);
    return BytesToIntLsb(bytes, size);
}

void WriteIntMsb(std::ostream& out, std::uint32_t value, int size) {
    if (!ValidSize(size)) {
        return;
    }
    char bytes[4];
    for (int i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(value >> (8 * (size - 1 - i)));
    }
    out.write(bytes, size);
}

void WriteIntLsb(std::ostream& out, std::uint32_t value, int size) {
    if (!ValidSize(size)) {
        return;
    }
    char bytes[4];
    for (int i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(value >> (8 * i));
    }
    out.write(bytes, size);
}

void SkipBytes(std::istream& in, std::int64_t count) {
    if (count > 0 && in.good()) {
        in.ignore(static_cast<std::streamsize>(count));
    }
}

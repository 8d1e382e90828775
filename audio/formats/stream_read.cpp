#include "audio/formats/stream_read.h"

#include <algorithm>
#include <iostream>
#include <istream>

namespace {

constexpr std::uint64_t kReadStep = 1 << 16;

} // namespace

std::vector<std::uint8_t> ReadUpTo(std::istream& in, std::uint64_t count) {
    std::vector<std::uint8_t> bytes;
    while (bytes.size() < count && in.good()) {
        const std::size_t done = bytes.size();
        const auto step =
            static_cast<std::size_t>(std::min<std::uint64_t>(count - done, kReadStep));
        bytes.resize(done + step);
        in.read(reinterpret_cast<char*>(bytes.data() + done), static_cast<std::streamsize>(step));
        bytes.resize(done + static_cast<std::size_t>(in.gcount()));
    }
    return bytes;
}

int ReadWithin(std::istream& in, std::uint8_t* buffer, int length, std::int64_t& remaining) {
    const auto n = static_cast<std::streamsize>(std::min<std::int64_t>(length, remaining));
    if (n <= 0) {
        return 0;
    }
    in.read(reinterpret_cast<char*>(buffer), n);
    const auto got = static_cast<int>(in.gcount());
    remaining -= got;
    return got;
}

void FormatDiagnostic(const char* text) {
    std::clog << text;
}

#include "tests/support/byte_stages.h"

#include <algorithm>
#include <cstring>

int ByteSource::ReadBytes(std::uint8_t* buffer, int length) {
    const auto size = static_cast<std::int64_t>(bytes.size());
    if (position >= size || length <= 0) {
        return 0;
    }
    const int n = static_cast<int>(std::min<std::int64_t>({length, maxRead, size - position}));
    std::memcpy(buffer, bytes.data() + position, static_cast<std::size_t>(n));
    position += n;
    return n;
}

int ByteSink::WriteBytes(const std::uint8_t* buffer, int length) {
    const std::size_t room = limit - std::min(limit, bytes.size());
    const int n = static_cast<int>(std::min<std::size_t>(room, static_cast<std::size_t>(length)));
    bytes.insert(bytes.end(), buffer, buffer + n);
    return n;
}

#include "tests/support/chunk_builder.h"

#include <cstring>

void PutInt(Bytes& out, std::uint32_t value, int size, ByteOrder order) {
    for (int i = 0; i < size; ++i) {
        const int shift = order == ByteOrder::Little ? 8 * i : 8 * (size - 1 - i);
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

Bytes Le(std::uint32_t value, int size) {
    Bytes out;
    PutInt(out, value, size, ByteOrder::Little);
    return out;
}

Bytes Be(std::uint32_t value, int size) {
    Bytes out;
    PutInt(out, value, size, ByteOrder::Big);
    return out;
}

Bytes Text(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

Bytes ChunkWithSize(ByteOrder order, const char* id, std::uint32_t size, const Bytes& body) {
    Bytes out(id, id + 4);
    PutInt(out, size, 4, order);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

Bytes Chunk(ByteOrder order, const char* id, const Bytes& body) {
    Bytes out = ChunkWithSize(order, id, static_cast<std::uint32_t>(body.size()), body);
    if (body.size() % 2 != 0) {
        out.push_back(0);
    }
    return out;
}

Bytes Container(ByteOrder order, const char* id, const char* type, const Bytes& children) {
    return Chunk(order, id, Cat({Text(std::string(type, 4)), children}));
}

Bytes WaveFmt(int tag, int channels, int rate, int bits, const Bytes& extra) {
    const int blockAlign = channels * ((bits + 7) / 8);
    return Cat({Le(tag, 2), Le(channels, 2), Le(rate, 4), Le(rate * blockAlign, 4),
                Le(blockAlign, 2), Le(bits, 2), extra});
}

Bytes RiffWave(const Bytes& chunks) {
    return Container(ByteOrder::Little, "RIFF", "WAVE", chunks);
}

namespace {

// The 80-bit extended value of a positive integer rate.
Bytes Extended(std::uint32_t rate) {
    if (rate == 0) {
        return Bytes(10, 0);
    }
    int top = 31;
    while ((rate >> top) == 0) {
        --top;
    }
    const std::uint64_t mantissa = std::uint64_t{rate} << (63 - top);
    Bytes out = Be(16383 + top, 2);
    PutInt(out, static_cast<std::uint32_t>(mantissa >> 32), 4, ByteOrder::Big);
    PutInt(out, static_cast<std::uint32_t>(mantissa), 4, ByteOrder::Big);
    return out;
}

} // namespace

Bytes AiffComm(int channels, std::uint32_t frames, int bits, int rate, const char* compression) {
    Bytes body = Cat({Be(channels, 2), Be(frames, 4), Be(bits, 2), Extended(rate)});
    if (compression != nullptr) {
        body.insert(body.end(), compression, compression + 4);
    }
    return body;
}

Bytes FormAiff(const char* type, const Bytes& chunks) {
    return Container(ByteOrder::Big, "FORM", type, chunks);
}

Bytes Ssnd(const Bytes& samples) {
    return Chunk(ByteOrder::Big, "SSND", Cat({Be(0, 4), Be(0, 4), samples}));
}

Bytes AuHeader(std::uint32_t headerSize, std::uint32_t dataSize, std::uint32_t encoding,
               std::uint32_t rate, std::uint32_t channels) {
    Bytes out = Cat({Text(".snd"), Be(headerSize, 4), Be(dataSize, 4), Be(encoding, 4), Be(rate, 4),
                     Be(channels, 4)});
    if (headerSize > out.size() && headerSize < 4096) {
        out.resize(headerSize, 0);
    }
    return out;
}

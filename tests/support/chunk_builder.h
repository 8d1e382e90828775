#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

// Hand-made RIFF (little-endian sizes) and IFF (big-endian sizes) files for reader tests.
using Bytes = std::vector<std::uint8_t>;

enum class ByteOrder { Little, Big };

void PutInt(Bytes& out, std::uint32_t value, int size, ByteOrder order);
Bytes Le(std::uint32_t value, int size);
Bytes Be(std::uint32_t value, int size);
Bytes Text(const std::string& text);
Bytes Cat(std::initializer_list<Bytes> parts);

// id, size, body and a zero pad byte when the body is odd.
Bytes Chunk(ByteOrder order, const char* id, const Bytes& body);
// A chunk with a size field that differs from the body it holds (no pad byte).
Bytes ChunkWithSize(ByteOrder order, const char* id, std::uint32_t size, const Bytes& body);
// RIFF/LIST or FORM: id, size, the type and the children.
Bytes Container(ByteOrder order, const char* id, const char* type, const Bytes& children);

// A WAVE fmt body of 16 bytes (plus extra bytes after the bits field).
Bytes WaveFmt(int tag, int channels, int rate, int bits, const Bytes& extra = {});
// RIFF WAVE with the given chunks.
Bytes RiffWave(const Bytes& chunks);

// The AIFF COMM body (18 bytes, or 22 with the compression type).
Bytes AiffComm(int channels, std::uint32_t frames, int bits, int rate,
               const char* compression = nullptr);
Bytes FormAiff(const char* type, const Bytes& chunks);
// SSND with zero offset and block size.
Bytes Ssnd(const Bytes& samples);

// The AU header: magic, header size, data size, encoding, rate, channels, then annotation
// bytes up to the header size.
Bytes AuHeader(std::uint32_t headerSize, std::uint32_t dataSize, std::uint32_t encoding,
               std::uint32_t rate, std::uint32_t channels);

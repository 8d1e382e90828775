#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Builds a Creative Voice file block by block, little-endian as the format has it.
class VocFileBuilder {
public:
    // headerSize above 26 adds padding bytes after the standard header.
    explicit VocFileBuilder(int headerSize = 26);

    VocFileBuilder& Block(int type, const std::vector<std::uint8_t>& body);
    VocFileBuilder& Sound(int timeConstant, const std::vector<std::uint8_t>& data, int pack = 0);
    VocFileBuilder& Continued(const std::vector<std::uint8_t>& data);
    VocFileBuilder& Silence(int length, int timeConstant);
    VocFileBuilder& Marker(int number);
    VocFileBuilder& Text(const std::string& text);
    VocFileBuilder& RepeatStart(int count);
    VocFileBuilder& RepeatEnd();
    VocFileBuilder& Extended(int timeConstant, int pack, int mode);
    VocFileBuilder& NewFormat(std::uint32_t rate, int bits, int channels, int format,
                              const std::vector<std::uint8_t>& data);
    VocFileBuilder& Terminator();

    const std::vector<std::uint8_t>& Bytes() const { return bytes; }

private:
    std::vector<std::uint8_t> bytes;
};

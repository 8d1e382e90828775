#include "tests/support/voc_file_builder.h"

#include "tests/support/chunk_builder.h"

#include <cstring>

VocFileBuilder::VocFileBuilder(int headerSize) {
    const char* signature = "Creative Voice File\x1A";
    bytes.assign(signature, signature + 20);
    PutInt(bytes, static_cast<std::uint32_t>(headerSize), 2, ByteOrder::Little);
    PutInt(bytes, 0x010A, 2, ByteOrder::Little); // version 1.10
    PutInt(bytes, 0x1129, 2, ByteOrder::Little); // its check code
    for (int i = 26; i < headerSize; ++i) {
        bytes.push_back(0xEE);
    }
}

VocFileBuilder& VocFileBuilder::Block(int type, const std::vector<std::uint8_t>& body) {
    bytes.push_back(static_cast<std::uint8_t>(type));
    PutInt(bytes, static_cast<std::uint32_t>(body.size()), 3, ByteOrder::Little);
    bytes.insert(bytes.end(), body.begin(), body.end());
    return *this;
}

VocFileBuilder& VocFileBuilder::Sound(int timeConstant, const std::vector<std::uint8_t>& data,
                                      int pack) {
    std::vector<std::uint8_t> body{static_cast<std::uint8_t>(timeConstant),
                                   static_cast<std::uint8_t>(pack)};
    body.insert(body.end(), data.begin(), data.end());
    return Block(1, body);
}

VocFileBuilder& VocFileBuilder::Continued(const std::vector<std::uint8_t>& data) {
    return Block(2, data);
}

VocFileBuilder& VocFileBuilder::Silence(int length, int timeConstant) {
    std::vector<std::uint8_t> body;
    PutInt(body, static_cast<std::uint32_t>(length), 2, ByteOrder::Little);
    body.push_back(static_cast<std::uint8_t>(timeConstant));
    return Block(3, body);
}

VocFileBuilder& VocFileBuilder::Marker(int number) {
    std::vector<std::uint8_t> body;
    PutInt(body, static_cast<std::uint32_t>(number), 2, ByteOrder::Little);
    return Block(4, body);
}

VocFileBuilder& VocFileBuilder::Text(const std::string& text) {
    std::vector<std::uint8_t> body(text.begin(), text.end());
    body.push_back(0);
    return Block(5, body);
}

VocFileBuilder& VocFileBuilder::RepeatStart(int count) {
    std::vector<std::uint8_t> body;
    PutInt(body, static_cast<std::uint32_t>(count), 2, ByteOrder::Little);
    return Block(6, body);
}

VocFileBuilder& VocFileBuilder::RepeatEnd() {
    return Block(7, {});
}

VocFileBuilder& VocFileBuilder::Extended(int timeConstant, int pack, int mode) {
    std::vector<std::uint8_t> body;
    PutInt(body, static_cast<std::uint32_t>(timeConstant), 2, ByteOrder::Little);
    body.push_back(static_cast<std::uint8_t>(pack));
    body.push_back(static_cast<std::uint8_t>(mode));
    return Block(8, body);
}

VocFileBuilder& VocFileBuilder::NewFormat(std::uint32_t rate, int bits, int channels, int format,
                                          const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> body;
    PutInt(body, rate, 4, ByteOrder::Little);
    body.push_back(static_cast<std::uint8_t>(bits));
    body.push_back(static_cast<std::uint8_t>(channels));
    PutInt(body, static_cast<std::uint32_t>(format), 2, ByteOrder::Little);
    PutInt(body, 0, 4, ByteOrder::Little);
    body.insert(body.end(), data.begin(), data.end());
    return Block(9, body);
}

VocFileBuilder& VocFileBuilder::Terminator() {
    bytes.push_back(0);
    return *this;
}

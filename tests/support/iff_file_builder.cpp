#include "tests/support/iff_file_builder.h"

#include "tests/support/chunk_builder.h"

IffFileBuilder::IffFileBuilder(const std::string& formType) : formType(formType) {}

IffFileBuilder& IffFileBuilder::Chunk(const std::string& id,
                                      const std::vector<std::uint8_t>& body) {
    chunks.insert(chunks.end(), id.begin(), id.begin() + 4);
    PutInt(chunks, static_cast<std::uint32_t>(body.size()), 4, ByteOrder::Big);
    chunks.insert(chunks.end(), body.begin(), body.end());
    if (body.size() % 2 != 0) {
        chunks.push_back(0);
    }
    return *this;
}

IffFileBuilder& IffFileBuilder::Vhdr(std::uint32_t oneShotSamples, int rate, int compression) {
    std::vector<std::uint8_t> body;
    PutInt(body, oneShotSamples, 4, ByteOrder::Big);
    PutInt(body, 0, 4, ByteOrder::Big); // repeat samples
    PutInt(body, 0, 4, ByteOrder::Big); // samples per cycle
    PutInt(body, static_cast<std::uint32_t>(rate), 2, ByteOrder::Big);
    body.push_back(1); // octaves
    body.push_back(static_cast<std::uint8_t>(compression));
    PutInt(body, 0x10000, 4, ByteOrder::Big); // full volume
    return Chunk("VHDR", body);
}

IffFileBuilder& IffFileBuilder::Body(const std::vector<std::uint8_t>& data) {
    return Chunk("BODY", data);
}

std::vector<std::uint8_t> IffFileBuilder::Bytes(std::int64_t formSize) const {
    std::vector<std::uint8_t> out{'F', 'O', 'R', 'M'};
    PutInt(out,
           static_cast<std::uint32_t>(formSize >= 0 ? formSize
                                                    : static_cast<std::int64_t>(chunks.size()) + 4),
           4, ByteOrder::Big);
    out.insert(out.end(), formType.begin(), formType.begin() + 4);
    out.insert(out.end(), chunks.begin(), chunks.end());
    return out;
}

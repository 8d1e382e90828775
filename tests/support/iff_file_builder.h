#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Builds an IFF FORM of the given type, chunk by chunk, big-endian with odd chunks padded.
class IffFileBuilder {
public:
    explicit IffFileBuilder(const std::string& formType = "8SVX");

    IffFileBuilder& Chunk(const std::string& id, const std::vector<std::uint8_t>& body);
    IffFileBuilder& Vhdr(std::uint32_t oneShotSamples, int rate, int compression);
    IffFileBuilder& Body(const std::vector<std::uint8_t>& data);

    // The whole FORM; a formSize of -1 writes the true size.
    std::vector<std::uint8_t> Bytes(std::int64_t formSize = -1) const;

private:
    std::string formType;
    std::vector<std::uint8_t> chunks;
};

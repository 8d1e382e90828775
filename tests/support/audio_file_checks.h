#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "audio/audio_abstract.h"
#include "tests/support/chunk_builder.h"

// A reader over bytes in memory, with the stream it reads kept alive beside it.
template <class Reader> struct ReaderOver {
    template <class... Args>
    explicit ReaderOver(const Bytes& bytes, Args... args)
        : stream(std::string(bytes.begin(), bytes.end())),
          reader(std::make_unique<Reader>(stream, args...)) {}
    std::istringstream stream;
    std::unique_ptr<Reader> reader;
};

// Negotiates rate and channels, then pulls samples in pieces of `piece` until the reader
// gives none or limit samples have come.
std::vector<float> ReadAll(AudioAbstract& reader, int piece = 1000,
                           std::size_t limit = std::size_t{1} << 24);

// Deterministic damage done to valid files: flipped bytes, truncations, 32-bit fields set to
// extreme values, and plain noise. Calls check with each damaged file, `rounds` in all.
void ForEachMutation(const std::vector<Bytes>& seeds, int rounds,
                     const std::function<void(const Bytes&)>& check);

// The file as sox decodes it, as 32-bit floats; empty when sox failed.
std::vector<float> SoxFloats(const std::string& path);

// Interleaved test samples as floats (16-bit values scaled by 2^-15).
std::vector<float> TestFloats(int frames, int channels);

// The bytes of the reader's metadata item as text; "<none>" when it has no such item.
std::string ItemText(AudioAbstract& reader, int code);

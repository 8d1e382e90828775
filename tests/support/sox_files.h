#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// A temporary folder removed with its contents when the object goes.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string Path(const std::string& name) const { return (path / name).string(); }

private:
    std::filesystem::path path;
};

// Runs sox with the arguments (quiet, no dither); true when it succeeded.
bool RunSox(const std::string& arguments);

std::vector<std::uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

// 16-bit little-endian samples to and from bytes.
std::vector<std::uint8_t> Int16Bytes(const std::vector<std::int16_t>& samples);
std::vector<std::int16_t> Int16Samples(const std::vector<std::uint8_t>& bytes);

// The body of the first chunk with the id directly inside a RIFF WAVE file; empty if none.
std::vector<std::uint8_t> RiffChunkBody(const std::vector<std::uint8_t>& file, const char* id);

// A deterministic test signal of interleaved 16-bit samples: tones, noise, silence and
// full-scale stretches, so that codecs meet quiet, loud and clipping input.
std::vector<std::int16_t> TestSignal(int frames, int channels);

// A WAVE file that sox encoded from 16-bit samples at 8000 Hz, and sox's own decoding of it.
struct SoxEncoded {
    bool ok = false;
    std::vector<std::uint8_t> fmt;  // body of the fmt chunk
    std::vector<std::uint8_t> data; // body of the data chunk
    std::vector<std::int16_t> decoded;
};

// encoding is a sox encoding name: "ima-adpcm", "ms-adpcm", "a-law", ...
SoxEncoded EncodeWithSox(const std::vector<std::int16_t>& samples, int channels,
                         const std::string& encoding);

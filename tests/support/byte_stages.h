#pragma once

#include <cstdint>
#include <vector>

#include "audio/audio_abstract.h"

// A head stage that serves fixed bytes to a decoder, at most maxRead bytes per call.
class ByteSource : public AudioAbstract {
public:
    explicit ByteSource(std::vector<std::uint8_t> bytes, int maxRead = 1 << 30)
        : bytes(std::move(bytes)), maxRead(maxRead) {}
    int GetSamples(float*, int) override { return 0; }
    int PutSamples(const float*, int) override { return 0; }
    int ReadBytes(std::uint8_t* buffer, int length) override;
    // Moves to a byte offset, as a reader does after asking its decoder where to go.
    void SetPosition(std::int64_t offset) { position = offset; }
    std::int64_t Position() const { return position; }

private:
    std::vector<std::uint8_t> bytes;
    int maxRead;
    std::int64_t position = 0;
};

// A tail stage that collects the bytes an encoder writes, refusing beyond limit.
class ByteSink : public AudioAbstract {
public:
    explicit ByteSink(std::size_t limit = SIZE_MAX) : limit(limit) {}
    int GetSamples(float*, int) override { return 0; }
    int PutSamples(const float*, int) override { return 0; }
    int WriteBytes(const std::uint8_t* buffer, int length) override;

    std::vector<std::uint8_t> bytes;

private:
    std::size_t limit;
};

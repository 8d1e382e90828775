#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>

#include "audio/audio_abstract.h"
#include "audio/codecs/codec.h"
#include "audio/sound_error.h"

// What the WAVE, AIFF and AU writers share: the header is written up front for a frame count
// known in advance, samples go through an encoder into the data area, and the data is
// completed to its announced size before the writer goes.
//
// Writes never run past the announced data size (the header would then lie and the chunks
// written after the data would be lost), and the completion starts from the furthest byte
// written, so a seek back before the end never blanks what was written after it.
class AudioFileWriter : public AudioAbstract {
public:
    int GetSamples(float*, int) override { return 0; }
    int PutSamples(const float* buffer, int count) override;
    int WriteBytes(const std::uint8_t* buffer, int length) override;
    bool Seek(std::int64_t sampleIndex) override;

protected:
    // Negotiates the channel count within 1..2; frames below 0 count as 0.
    AudioFileWriter(std::ostream& stream, std::int64_t frames, int channels, int rate,
                    int compressionCode, int bits);

    virtual std::unique_ptr<AbstractCompressor> MakeCompressor() = 0;
    // Data bytes for the frames; throws when the file format's 32-bit size fields cannot hold
    // them with the headerBytes around them.
    std::int64_t DataBytesFor(std::int64_t headerBytes) const;
    // Call once the header is written: the data starts here.
    void MarkDataStart();
    // Zero samples up to the announced size, then a zero pad byte when padToEven and the size
    // is odd; the stream is left after the data. Called by the destructors, so it never throws.
    void FinishData(bool padToEven) noexcept;

    std::ostream& stream;
    std::int64_t frames;
    int compressionCode;
    int bits;
    std::int64_t dataStart = 0;
    std::int64_t dataBytes = 0;
    std::unique_ptr<AbstractCompressor> compressor;

private:
    AbstractCompressor& Compressor();

    std::int64_t position = 0; // next data byte, from dataStart
    std::int64_t furthest = 0; // end of what was written, from dataStart
};

// An encoder of the given type over the writer: what the writers' encoding tables hold.
template <class Encoder> std::unique_ptr<AbstractCompressor> MakeEncoder(AudioAbstract* writer) {
    return std::make_unique<Encoder>(writer);
}

// The entry of a writer's encoding table for the compression code; throws when the file
// format cannot store that code.
template <class Encoding, std::size_t N>
const Encoding& EncodingOf(const Encoding (&table)[N], int code) {
    for (const Encoding& encoding : table) {
        if (encoding.code == code) {
            return encoding;
        }
    }
    throw SoundError("Compression type not supported for output");
}

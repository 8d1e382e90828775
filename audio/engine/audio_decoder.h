#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>

#include "audio/engine/audio_container.h"

class AudioAbstract;
class AudioFileTags;

// A sound file as a read-only container of float frames, read at random. It never throws:
// a failure leaves an error text, after which the decoder stays unusable and reads give 0.
class CAP_AudioDecoder : public CAP_AudioContainer {
public:
    // The stream is the caller's and must outlive the decoder.
    CAP_AudioDecoder(std::istream* stream, std::int64_t byteLength, const char* extension,
                     bool readTrailingChunks);
    // Takes over a reader that is already open (and deletes it with the decoder).
    explicit CAP_AudioDecoder(AudioAbstract* reader);
    ~CAP_AudioDecoder() override;

    int ReadFrames(float* floats, int frames, std::int64_t startFrame) override;

    void CopyChunksTo(AudioFileTags& tags) const;

    // Empty while the decoder is healthy; otherwise the text to show the user.
    const std::string& ErrorText() const { return errorText; }
    // Set by a read that came back short; cleared by a read that names another start frame.
    bool AtEnd() const { return endFlag; }

private:
    void Attach(AudioAbstract* opened);
    // Frames in the file, or -1 when the reader does not know its length.
    std::int64_t TotalFrames() const;

    std::string errorText;
    bool endFlag = false;
    struct ChainDeleter {
        void operator()(AudioAbstract* stage) const;
    };
    std::unique_ptr<AudioAbstract, ChainDeleter> reader;
    std::istream* stream = nullptr;
};

#pragma once

#include <cstddef>

#include "audio/audio_chunk_list.h"

// The text tags of one file by tag kind, as the user interface numbers them:
// 0 artist, 1 comment, 2 copyright, 3 genre, 4 title, 5 source, 6 URL, 7 tempo, 8 key.
class AudioFileTags {
public:
    static int TagItemCode(int tagKind, int defaultCode);
    // Whether a file of the format can store the tag kind.
    static bool IsTagWritable(int fileFormat, int tagKind);

    // Copies the item's text into the buffer, always NUL-terminated; false (and an empty
    // buffer) when there is no item.
    bool GetText(int tagKind, char* buffer, std::size_t bufferSize) const;
    // True when the stored text changed, which callers take to mean the file needs saving.
    // With a format other than -1, a kind the format cannot carry is refused.
    bool SetText(int tagKind, const char* text, int fileFormat = -1);

    AudioChunkList* Chunks() { return &list; }
    const AudioChunkList* Chunks() const { return &list; }

private:
    AudioChunkList list;
};

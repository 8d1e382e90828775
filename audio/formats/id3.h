#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

#include "audio/audio_chunk_list.h"

// Reads an ID3v2 tag that starts at the stream's current position (the start of the file)
// into metadata items and leaves the stream just after the tag. byteLength is the file's
// length (0 or less when unknown). Versions 2.2 and 2.3 are parsed; other versions are
// skipped unread. Returns the tag's size in bytes, its 10-byte header included.
std::int64_t ReadId3Tag(std::istream& in, std::int64_t byteLength, AudioChunkList& chunks);

// The name of an ID3v1 genre number, or null outside 0..147.
const char* Id3GenreName(int number);

// A key text ("F#m", "Bb", "C") as the semitone counted from A: 1 for A to 12 for G#/Ab;
// 0 when the text names no key.
int Id3KeyNumber(const std::string& text);

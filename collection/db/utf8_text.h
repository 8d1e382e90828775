#pragma once
// UTF-8 helpers of the catalog layer: catalog texts are UTF-8 and are cut by bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Decodes the character at `pos`; *length receives its byte count (at least 1). A byte that
// does not start a well-formed character decodes as one byte with *valid false.
char32_t DecodeUtf8(std::string_view text, size_t pos, size_t* length, bool* valid);

// Removes a character whose last bytes are missing from the end of `text`, as left by a
// driver that cut a value to fit a buffer.
void DropCutCharacter(std::string& text);

// Lower-cases A-Z and the capitals U+00C0-U+00DE (U+00D7 excepted); for comparing names.
std::string FoldCase(std::string_view text);

// True for an empty text or one of spaces only.
bool IsBlank(std::string_view text);

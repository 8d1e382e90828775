#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The longest prefix of a UTF-8 text that fits in maxBytes without splitting a character.
// Catalog columns and fixed record fields hold a number of bytes, never half a character.
std::string CutText(std::string_view text, std::size_t maxBytes);

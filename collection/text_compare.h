#pragma once

#include <string_view>

// Byte-wise comparison with ASCII letters folded to lower case: negative, zero or positive.
int CompareNoCase(std::string_view a, std::string_view b);
inline bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

#include "windows/search/number_run.h"

#include <cctype>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool InNumber(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-';
}

} // namespace

bool SplitNumberRun(const std::string& text, NumberRun& out) {
    std::size_t b = 0, e = text.size();
    while (b < e && IsBlank(text[b]))
        ++b;
    while (e > b && IsBlank(text[e - 1]))
        --e;
    std::size_t n = b;
    while (n < e && InNumber(text[n]))
        ++n;
    if (n == b)
        return false;
    std::size_t r = n;
    while (r < e && IsBlank(text[r]))
        ++r;
    out.number = text.substr(b, n - b);
    out.rest = text.substr(r, e - r);
    return true;
}

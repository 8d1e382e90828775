#include "audio/equals_no_case.h"

namespace {

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

bool EqualsNoCase(const char* a, const char* b) {
    if (a == nullptr || b == nullptr) {
        return a == b;
    }
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        if (LowerAscii(*a) != LowerAscii(*b)) {
            return false;
        }
    }
    return *a == *b;
}

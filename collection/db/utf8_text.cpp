#include "collection/db/utf8_text.h"

char32_t DecodeUtf8(std::string_view text, size_t pos, size_t* length, bool* valid) {
    auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
    uint8_t lead = byte(pos);
    *length = 1;
    *valid = true;
    if (lead < 0x80) {
        return lead;
    }
    size_t count;
    char32_t cp;
    char32_t minimum;
    if (lead >= 0xC2 && lead <= 0xDF) {
        count = 2, cp = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        count = 3, cp = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        count = 4, cp = lead & 0x07, minimum = 0x10000;
    } else {
        *valid = false;
        return lead;
    }
    if (pos + count > text.size()) {
        *valid = false;
        return lead;
    }
    for (size_t i = 1; i < count; ++i) {
        uint8_t b = byte(pos + i);
        if ((b & 0xC0) != 0x80) {
            *valid = false;
            return lead;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        *valid = false;
        return lead;
    }
    *length = count;
    return cp;
}

void DropCutCharacter(std::string& text) {
    // The start of the last character: at most three continuation bytes back.
    size_t start = text.size();
    for (int back = 0; back < 4 && start > 0; ++back) {
        --start;
        if ((static_cast<uint8_t>(text[start]) & 0xC0) != 0x80) {
            break;
        }
    }
    if (start == text.size()) {
        return;
    }
    size_t length;
    bool valid;
    DecodeUtf8(text, start, &length, &valid);
    if (!valid && static_cast<uint8_t>(text[start]) >= 0xC2) {
        text.resize(start);
    }
}

std::string FoldCase(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t pos = 0; pos < text.size();) {
        size_t length;
        bool valid;
        char32_t cp = DecodeUtf8(text, pos, &length, &valid);
        if (valid && cp >= 'A' && cp <= 'Z') {
            out.push_back(static_cast<char>(cp + 32));
        } else if (valid && cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) {
            char32_t lower = cp + 32;
            out.push_back(static_cast<char>(0xC0 | (lower >> 6)));
            out.push_back(static_cast<char>(0x80 | (lower & 0x3F)));
        } else {
            out.append(text.substr(pos, length));
        }
        pos += length;
    }
    return out;
}

bool IsBlank(std::string_view text) {
    return text.find_first_not_of(' ') == std::string_view::npos;
}

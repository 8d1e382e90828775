#include "collection/db/metadata_record.h"

#include <array>
#include <climits>

#include "collection/db/utf8_text.h"

namespace {

bool EqualsNoCaseAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') {
            x = static_cast<char>(x - 32);
        }
        if (y >= 'a' && y <= 'z') {
            y = static_cast<char>(y - 32);
        }
        if (x != y) {
            return false;
        }
    }
    return true;
}

constexpr std::array<std::string_view, 12> kKeyNames = {"A",  "A#", "B", "C",  "C#", "D",
                                                        "D#", "E",  "F", "F#", "G",  "G#"};

int32_t TempoOf(std::string_view value) {
    if (value.empty()) {
        return -1;
    }
    long long number = 0;
    for (char c : value) {
        if (c < '0' || c > '9') {
            return -1;
        }
        number = number * 10 + (c - '0');
        if (number > INT_MAX) {
            return -1; // no tempo is that fast; the digits are no number we can hold
        }
    }
    return number > 0 ? static_cast<int32_t>(number) : -1;
}

} // namespace

bool DB_metadata_split_line(std::string_view line, std::string* keyword, std::string* value) {
    std::string clean;
    clean.reserve(line.size());
    for (size_t pos = 0; pos < line.size();) {
        size_t length;
        bool valid;
        char32_t cp = DecodeUtf8(line, pos, &length, &valid);
        if (!valid || cp < 0x20 || (cp >= 0x7F && cp <= 0xA0)) {
            clean.push_back(' ');
        } else {
            clean.append(line.substr(pos, length));
        }
        pos += length;
    }
    size_t begin = clean.find_first_not_of(' ');
    if (begin == std::string::npos) {
        return false;
    }
    size_t end = clean.find_last_not_of(' ') + 1;
    size_t keywordEnd = clean.find(' ', begin);
    if (keywordEnd == std::string::npos || keywordEnd > end) {
        keywordEnd = end;
    }
    *keyword = clean.substr(begin, keywordEnd - begin);
    size_t valueBegin = clean.find_first_not_of(' ', keywordEnd);
    *value = valueBegin == std::string::npos || valueBegin >= end
                 ? std::string()
                 : clean.substr(valueBegin, end - valueBegin);
    return true;
}

void DB_metadata_set_field(DB_metadata_rec* rec, std::string_view keyword, std::string_view value) {
    if (rec == nullptr) {
        return;
    }
    struct TextField {
        std::string_view keyword;
        std::string DB_metadata_rec::*field;
    };
    static const TextField kTextFields[] = {
        {"CATEGORY", &DB_metadata_rec::category},
        {"SUBCATEGORY", &DB_metadata_rec::subcategory},
        {"DESCRIPTION", &DB_metadata_rec::description},
        {"GENRE", &DB_metadata_rec::genre},
        {"SOURCE", &DB_metadata_rec::source},
        {"COPYRIGHT", &DB_metadata_rec::copyright},
        {"NOTES", &DB_metadata_rec::notes},
        {"LINK", &DB_metadata_rec::link},
    };
    for (const TextField& text : kTextFields) {
        if (EqualsNoCaseAscii(keyword, text.keyword)) {
            rec->*text.field = std::string(value);
            return;
        }
    }
    if (EqualsNoCaseAscii(keyword, "CLASS")) {
        if (EqualsNoCaseAscii(value, "EFFECT") || EqualsNoCaseAscii(value, "EFFECTS")) {
            rec->supercat = 1;
        } else if (EqualsNoCaseAscii(value, "INSTRUMENT") ||
                   EqualsNoCaseAscii(value, "INSTRUMENTS")) {
            rec->supercat = 2;
        } else {
            rec->supercat = 3;
        }
    } else if (EqualsNoCaseAscii(keyword, "KEY")) {
        rec->key = 13;
        for (size_t i = 0; i < kKeyNames.size(); ++i) {
            if (EqualsNoCaseAscii(value, kKeyNames[i])) {
                rec->key = static_cast<int32_t>(i + 1);
            }
        }
    } else if (EqualsNoCaseAscii(keyword, "TEMPO")) {
        rec->tempo = TempoOf(value);
    } else if (EqualsNoCaseAscii(keyword, "LOOP")) {
        rec->loop = EqualsNoCaseAscii(value, "YES") ? 1 : 2;
    }
}

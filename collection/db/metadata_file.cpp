#include "collection/db/metadata_file.h"

#include <fstream>
#include <iterator>
#include <sstream>

#include "collection/db/utf8_text.h"

namespace {

bool IsValidUtf8(std::string_view text) {
    for (size_t pos = 0; pos < text.size();) {
        size_t length;
        bool valid;
        DecodeUtf8(text, pos, &length, &valid);
        if (!valid) {
            return false;
        }
        pos += length;
    }
    return true;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// A single-byte line: only 32-126 and 161-255 are characters, every other byte a blank;
// 161-255 are the same letters in Windows-1252 and Latin-1.
std::string FromSingleByte(std::string_view line) {
    std::string out;
    out.reserve(line.size() + line.size() / 4);
    for (char ch : line) {
        unsigned char b = static_cast<unsigned char>(ch);
        if (b >= 32 && b <= 126) {
            out.push_back(ch);
        } else if (b >= 161) {
            AppendUtf8(out, b);
        } else {
            out.push_back(' ');
        }
    }
    return out;
}

bool EqualsNoCaseAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
        if (x != y) {
            return false;
        }
    }
    return true;
}

// A line's encoding is decided on its own: one file name in Latin-1 must not turn the UTF-8
// of every other line into other letters.
std::string DecodeLine(std::string_view raw) {
    return IsValidUtf8(raw) ? std::string(raw) : FromSingleByte(raw);
}

// The value that the line "keyword value" gives back when it is read.
std::string ReadBack(std::string_view keyword, std::string_view value) {
    std::string line(keyword);
    line += ' ';
    line += value;
    std::string readKeyword, readValue;
    DB_metadata_split_line(DecodeLine(line), &readKeyword, &readValue);
    return readValue;
}

bool IsFieldKey(std::string_view keyword) {
    static constexpr const char* kFieldKeys[] = {"CLASS", "CATEGORY", "SUBCATEGORY", "GENRE",
                                                 "DESCRIPTION", "NOTES", "COPYRIGHT", "LINK",
                                                 "SOURCE", "KEY", "LOOP", "TEMPO"};
    for (const char* key : kFieldKeys) {
        if (EqualsNoCaseAscii(keyword, key)) {
            return true;
        }
    }
    return false;
}

constexpr const char* kKeyNames[12] = {"A", "A#", "B", "C", "C#", "D",
                                       "D#", "E", "F", "F#", "G", "G#"};

} // namespace

DB_error DB_read_metadata_text(std::string_view text, DB_metadata_list& list) {
    list.Clear();
    bool headerSeen = false;
    DB_metadata_list records;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view raw = text.substr(pos, end - pos);
        pos = end + 1;
        std::string line = DecodeLine(raw);
        std::string keyword, value;
        if (DB_metadata_split_line(line, &keyword, &value)) {
            if (!headerSeen) {
                if (!EqualsNoCaseAscii(keyword, "TAMBREL") || !EqualsNoCaseAscii(value, "METADATA")) {
                    break;
                }
                headerSeen = true;
            } else if (EqualsNoCaseAscii(keyword, "FILENAME")) {
                if (value.empty()) {
                    return "filename missing from metadata";
                }
                auto rec = std::make_unique<DB_metadata_rec>();
                rec->fileName = value; // each record starts from the defaults
                records.Append(std::move(rec));
            } else if (records.tail() != nullptr) {
                DB_metadata_set_field(records.tail(), keyword, value);
            } else if (IsFieldKey(keyword)) {
                return "filename missing from metadata";
            }
            // A key the reader does not know is passed over, before the first record too.
        }
        if (end == text.size()) {
            break;
        }
    }
    if (!headerSeen) {
        return "not a metadata file";
    }
    for (DB_metadata_rec* rec = records.head(); rec; rec = rec->next) {
        if (rec->category.empty()) {
            rec->subcategory.clear();
        }
    }
    list = std::move(records);
    return std::nullopt;
}

DB_error DB_read_metadata_file(const std::string& path, DB_metadata_list& list) {
    list.Clear();
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return "unable to open metadata file";
    }
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        return "unable to open metadata file";
    }
    return DB_read_metadata_text(text, list);
}

bool WriteMetadataBlock(std::ostream& out, const MetadataBlock& block) {
    // An empty file name stops the whole import; any other that reads back changed would name
    // another file.
    if (block.path.empty() || ReadBack("FILENAME", block.path) != block.path) {
        return false;
    }
    auto text = [&out](const char* key, const std::string& value) {
        const std::string written = ReadBack(key, value);
        if (!written.empty()) {
            out << key << ' ' << written << '\n';
        }
    };
    out << "FILENAME " << block.path << '\n';
    if (block.supercat == 1) {
        out << "CLASS EFFECT\n";
    } else if (block.supercat == 2) {
        out << "CLASS INSTRUMENT\n";
    }
    text("CATEGORY", block.category);
    text("SUBCATEGORY", block.subcategory);
    text("GENRE", block.genre);
    text("DESCRIPTION", block.description);
    text("NOTES", block.notes);
    text("COPYRIGHT", block.copyright);
    text("LINK", block.link);
    if (block.key >= 1 && block.key <= 12) {
        out << "KEY " << kKeyNames[block.key - 1] << '\n';
    }
    if (block.loop == 1) {
        out << "LOOP YES\n";
    }
    if (block.tempo != -1) {
        out << "TEMPO " << block.tempo << '\n';
    }
    out << '\n';
    return true;
}

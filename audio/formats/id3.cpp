#include "audio/formats/id3.h"

#include <array>
#include <cstring>
#include <istream>
#include <string_view>
#include <vector>

#include "audio/byte_order.h"
#include "audio/sound_error.h"

namespace {

// The published ID3v1 genre list with its Winamp extensions; "(n)" genres index it.
constexpr std::array<const char*, 148> kGenres = {
    "Blues",
    "Classic Rock",
    "Country",
    "Dance",
    "Disco",
    "Funk",
    "Grunge",
    "Hip-Hop",
    "Jazz",
    "Metal",
    "New Age",
    "Oldies",
    "Other",
    "Pop",
    "R&B",
    "Rap",
    "Reggae",
    "Rock",
    "Techno",
    "Industrial",
    "Alternative",
    "Ska",
    "Death Metal",
    "Pranks",
    "Soundtrack",
    "Euro-Techno",
    "Ambient",
    "Trip-Hop",
    "Vocal",
    "Jazz+Funk",
    "Fusion",
    "Trance",
    "Classical",
    "Instrumental",
    "Acid",
    "House",
    "Game",
    "Sound Clip",
    "Gospel",
    "Noise",
    "AlternRock",
    "Bass",
    "Soul",
    "Punk",
    "Space",
    "Meditative",
    "Instrumental Pop",
    "Instrumental Rock",
    "Ethnic",
    "Gothic",
    "Darkwave",
    "Techno-Industrial",
    "Electronic",
    "Pop-Folk",
    "Eurodance",
    "Dream",
    "Southern Rock",
    "Comedy",
    "Cult",
    "Gangsta",
    "Top 40",
    "Christian Rap",
    "Pop/Funk",
    "Jungle",
    "Native American",
    "Cabaret",
    "New Wave",
    "Psychadelic",
    "Rave",
    "Showtunes",
    "Trailer",
    "Lo-Fi",
    "Tribal",
    "Acid Punk",
    "Acid Jazz",
    "Polka",
    "Retro",
    "Musical",
    "Rock & Roll",
    "Hard Rock",
    "Folk",
    "Folk-Rock",
    "National Folk",
    "Swing",
    "Fast Fusion",
    "Bebob",
    "Latin",
    "Revival",
    "Celtic",
    "Bluegrass",
    "Avantgarde",
    "Gothic Rock",
    "Progressive Rock",
    "Psychedelic Rock",
    "Symphonic Rock",
    "Slow Rock",
    "Big Band",
    "Chorus",
    "Easy Listening",
    "Acoustic",
    "Humour",
    "Speech",
    "Chanson",
    "Opera",
    "Chamber Music",
    "Sonata",
    "Symphony",
    "Booty Bass",
    "Primus",
    "Porn Groove",
    "Satire",
    "Slow Jam",
    "Club",
    "Tango",
    "Samba",
    "Folklore",
    "Ballad",
    "Power Ballad",
    "Rhythmic Soul",
    "Freestyle",
    "Duet",
    "Punk Rock",
    "Drum Solo",
    "A capella",
    "Euro-House",
    "Dance Hall",
    "Goa",
    "Drum & Bass",
    "Club-House",
    "Hardcore",
    "Terror",
    "Indie",
    "BritPop",
    "Negerpunk",
    "Polsk Punk",
    "Beat",
    "Christian Gangsta Rap",
    "Heavy Metal",
    "Black Metal",
    "Crossover",
    "Contemporary Christian",
    "Christian Rock",
    "Merengue",
    "Salsa",
    "Thrash Metal",
    "Anime",
    "JPop",
    "Synthpop",
};

struct KeyName {
    const char* name;
    int number;
};

// Sharps and flats are recognised by two letters, so they come before the naturals.
constexpr KeyName kKeys[] = {
    {"A#", 2},  {"Bb", 2},  {"C#", 5},  {"Db", 5},  {"D#", 7}, {"Eb", 7},
    {"F#", 10}, {"Gb", 10}, {"G#", 12}, {"Ab", 12}, {"A", 1},  {"B", 3},
    {"C", 4},   {"D", 6},   {"E", 8},   {"F", 9},   {"G", 11},
};

// Frames larger than this carry pictures and the like, never the texts kept here.
constexpr std::uint32_t kLargestReadFrame = 1023;

struct FrameItem {
    const char* id3; // version 2.3 id
    const char* id2; // version 2.2 id
    int itemCode;
};

constexpr FrameItem kPlainTexts[] = {
    {"TIT2", "TT2", ItemTitle},
    {"TPE1", "TP1", ItemArtist},
    {"TCOP", "TCR", ItemCopyright},
    {"TBPM", "TBP", ItemTempo},
};

bool IdIs(const std::string& id, const char* id3, const char* id2) {
    return id == id3 || id == id2;
}

// Tag texts are ISO-8859-1; the program keeps UTF-8.
std::string Latin1ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

// The text up to its first NUL or the end of the bytes.
std::string_view UpToNul(std::string_view bytes) {
    return bytes.substr(0, bytes.find('\0'));
}

void StoreText(AudioChunkList& chunks, int itemCode, const std::string& text) {
    if (!text.empty()) {
        chunks.SetItem(itemCode, text.c_str(), text.size() + 1);
    }
}

std::string GenreText(const std::string& text) {
    // "(n)" refers to the ID3v1 list; "(RX)", "(CR)" and plain names stay as written.
    if (text.size() >= 3 && text[0] == '(') {
        const std::size_t close = text.find(')');
        if (close != std::string::npos && close > 1 && close <= 4) {
            int number = 0;
            bool digits = true;
            for (std::size_t i = 1; i < close; ++i) {
                if (text[i] < '0' || text[i] > '9') {
                    digits = false;
                    break;
                }
                number = number * 10 + (text[i] - '0');
            }
            if (digits && Id3GenreName(number) != nullptr) {
                return Id3GenreName(number);
            }
        }
    }
    return text;
}

// Description, NUL, then the rest: the NUL after the description is required; the text
// after it may or may not end in one.
bool SplitDescription(std::string_view body, std::string_view& description,
                      std::string_view& rest) {
    const std::size_t nul = body.find('\0');
    if (nul == std::string_view::npos) {
        return false;
    }
    description = body.substr(0, nul);
    rest = UpToNul(body.substr(nul + 1));
    return true;
}

void ParseFrame(const std::string& id, std::string_view body, AudioChunkList& chunks) {
    if (body.empty() || body[0] != 0) {
        return; // only ISO-8859-1 texts are kept
    }
    const std::string_view content = body.substr(1);
    for (const FrameItem& item : kPlainTexts) {
        if (IdIs(id, item.id3, item.id2)) {
            StoreText(chunks, item.itemCode, Latin1ToUtf8(UpToNul(content)));
            return;
        }
    }
    if (IdIs(id, "TCON", "TCO")) {
        StoreText(chunks, ItemGenre, Latin1ToUtf8(GenreText(std::string(UpToNul(content)))));
    } else if (IdIs(id, "TKEY", "TKE")) {
        const int key = Id3KeyNumber(std::string(UpToNul(content)));
        if (key != 0) {
            StoreText(chunks, ItemKey, std::to_string(key));
        }
    } else if (IdIs(id, "WXXX", "WXX")) {
        std::string_view description;
        std::string_view url;
        if (!SplitDescription(content, description, url)) {
            throw SoundError("Malformed ID3 Tag");
        }
        StoreText(chunks, ItemUrl, Latin1ToUtf8(url));
    } else if (IdIs(id, "COMM", "COM")) {
        std::string_view description;
        std::string_view text;
        if (content.size() < 3 || !SplitDescription(content.substr(3), description, text)) {
            throw SoundError("Malformed ID3 Tag");
        }
        std::string comment(description);
        if (!comment.empty()) {
            comment += ' ';
        }
        comment += text;
        for (char& c : comment) {
            if (c == '\n') {
                c = ' ';
            }
        }
        StoreText(chunks, ItemComment, Latin1ToUtf8(comment));
    }
}

std::uint32_t SyncSafe(const std::uint8_t* b) {
    return (std::uint32_t{b[0] & 0x7Fu} << 21) | (std::uint32_t{b[1] & 0x7Fu} << 14) |
           (std::uint32_t{b[2] & 0x7Fu} << 7) | (b[3] & 0x7Fu);
}

bool ReadExactly(std::istream& in, void* buffer, std::size_t length) {
    in.read(static_cast<char*>(buffer), static_cast<std::streamsize>(length));
    return static_cast<std::size_t>(in.gcount()) == length;
}

} // namespace

const char* Id3GenreName(int number) {
    return number >= 0 && number < static_cast<int>(kGenres.size()) ? kGenres[number] : nullptr;
}

int Id3KeyNumber(const std::string& text) {
    for (const KeyName& key : kKeys) {
        if (text.compare(0, std::strlen(key.name), key.name) == 0) {
            return key.number;
        }
    }
    return 0;
}

std::int64_t ReadId3Tag(std::istream& in, std::int64_t byteLength, AudioChunkList& chunks) {
    const std::streampos start = in.tellg();
    std::uint8_t header[10];
    if (!ReadExactly(in, header, sizeof header) || std::memcmp(header, "ID3", 3) != 0) {
        throw SoundError("Error reading in ID3 tag");
    }
    const int version = header[3];
    // Flag 0x40 is an extended header in version 2.3, a compressed tag in version 2.2.
    const bool extended = (header[5] & 0x40) != 0;
    const std::int64_t tagSize = std::int64_t{SyncSafe(header + 6)} + 10;
    if (byteLength > 0 && tagSize > byteLength) {
        throw SoundError("Error, ID3 tag size too big");
    }

    if (version == 3 || (version == 2 && !extended)) {
        std::int64_t remaining = tagSize - 10;
        if (extended) {
            const std::uint32_t size = ReadIntMsb(in, 4);
            // The stored size counts what follows it: flags, padding size and any CRC.
            if (!in || size > remaining - 4) {
                throw SoundError("Error reading in ID3 tag");
            }
            SkipBytes(in, size);
            remaining -= std::int64_t{size} + 4;
        }
        const int idLength = version == 3 ? 4 : 3;
        const int headerLength = version == 3 ? 10 : 6;
        std::vector<char> body;
        while (remaining > 10) {
            std::uint8_t frameHeader[10];
            if (!ReadExactly(in, frameHeader, headerLength)) {
                throw SoundError("Error reading in ID3 tag");
            }
            if (frameHeader[0] == 0) {
                break; // padding fills the rest of the tag
            }
            const std::string id(reinterpret_cast<const char*>(frameHeader), idLength);
            const std::uint32_t size = BytesToIntMsb(frameHeader + idLength, idLength);
            if (byteLength > 0 && size > byteLength) {
                throw SoundError("Error, ID3 frame size too big");
            }
            remaining -= headerLength + std::int64_t{size};
            if (size > kLargestReadFrame || remaining < 0) {
                // Large or overlong frames are not read; the walk ends at the tag's end.
                if (remaining < 0) {
                    break;
                }
                SkipBytes(in, size);
                continue;
            }
            body.resize(size);
            if (!ReadExactly(in, body.data(), size)) {
                throw SoundError("Error reading in ID3 tag");
            }
            ParseFrame(id, std::string_view(body.data(), body.size()), chunks);
        }
    }

    in.clear();
    in.seekg(start + static_cast<std::streamoff>(tagSize));
    if (!in) {
        throw SoundError("Error reading in ID3 tag");
    }
    return tagSize;
}

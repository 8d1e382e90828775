#include "audio/formats/id3.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "audio/sound_error.h"

namespace {

using namespace std::string_literals;

std::string BigEndian(std::uint32_t value, int size) {
    std::string out;
    for (int i = size - 1; i >= 0; --i) {
        out.push_back(static_cast<char>(value >> (8 * i)));
    }
    return out;
}

// A version 2.3 frame (4-letter id, 4-byte size, two flag bytes) or 2.2 frame (3 and 3).
std::string Frame(const std::string& id, const std::string& body) {
    if (id.size() == 3) {
        return id + BigEndian(static_cast<std::uint32_t>(body.size()), 3) + body;
    }
    return id + BigEndian(static_cast<std::uint32_t>(body.size()), 4) + "\0\0"s + body;
}

std::string Tag(int version, const std::string& frames, int padding = 16, int flags = 0) {
    const std::uint32_t size = static_cast<std::uint32_t>(frames.size() + padding);
    std::string out = "ID3"s + static_cast<char>(version) + '\0' + static_cast<char>(flags);
    for (int shift = 21; shift >= 0; shift -= 7) {
        out.push_back(static_cast<char>((size >> shift) & 0x7F));
    }
    return out + frames + std::string(padding, '\0');
}

// The tag followed by some bytes of sound, as in a file.
struct Parsed {
    AudioChunkList chunks;
    std::int64_t tagSize = 0;
    std::int64_t positionAfter = 0;
};

Parsed Parse(const std::string& tag) {
    std::istringstream in(tag + "\xFF\xFB\x90\x44"s, std::ios::binary);
    Parsed parsed;
    parsed.tagSize = ReadId3Tag(in, static_cast<std::int64_t>(tag.size() + 4), parsed.chunks);
    parsed.positionAfter = static_cast<std::int64_t>(in.tellg());
    return parsed;
}

std::string Item(const AudioChunkList& chunks, int code) {
    std::size_t size = 0;
    const std::uint8_t* data = chunks.FindItem(code, size);
    if (data == nullptr) {
        return "<none>";
    }
    // Texts are stored with their NUL.
    EXPECT_EQ(data[size - 1], 0);
    return std::string(reinterpret_cast<const char*>(data), size - 1);
}

struct TagCase {
    const char* name;
    std::string tag;
    int itemCode;
    const char* expected;
};

class Id3ItemTest : public ::testing::TestWithParam<TagCase> {};

TEST_P(Id3ItemTest, StoresTheItem) {
    const TagCase& c = GetParam();
    const Parsed parsed = Parse(c.tag);
    EXPECT_EQ(Item(parsed.chunks, c.itemCode), c.expected);
    EXPECT_EQ(parsed.tagSize, static_cast<std::int64_t>(c.tag.size()));
    EXPECT_EQ(parsed.positionAfter, parsed.tagSize);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, Id3ItemTest,
    ::testing::Values(
        TagCase{"Title", Tag(3, Frame("TIT2", "\0Bells"s)), ItemTitle, "Bells"},
        TagCase{"TitleEndingInNul", Tag(3, Frame("TIT2", "\0Bells\0"s)), ItemTitle, "Bells"},
        TagCase{"ArtistV22", Tag(2, Frame("TP1", "\0Someone"s)), ItemArtist, "Someone"},
        TagCase{"Copyright",
                Tag(3, Frame("TCOP", "\0"
                                     "2001 Me"s)),
                ItemCopyright, "2001 Me"},
        TagCase{"Tempo",
                Tag(2, Frame("TBP", "\0"
                                    "120"s)),
                ItemTempo, "120"},
        TagCase{"Latin1BecomesUtf8", Tag(3, Frame("TIT2", "\0Caf\xE9"s)), ItemTitle, "Caf\xC3\xA9"},
        TagCase{"Utf16IsNotKept",
                Tag(3, Frame("TIT2", "\1\xFF\xFE"
                                     "B\0"s)),
                ItemTitle, "<none>"},
        TagCase{"GenreNumber", Tag(3, Frame("TCON", "\0(17)"s)), ItemGenre, "Rock"},
        TagCase{"LastGenreNumber", Tag(2, Frame("TCO", "\0(147)"s)), ItemGenre, "Synthpop"},
        TagCase{"GenreNumberOutsideTheList", Tag(3, Frame("TCON", "\0(148)"s)), ItemGenre, "(148)"},
        TagCase{"GenreName", Tag(3, Frame("TCON", "\0Field Recording"s)), ItemGenre,
                "Field Recording"},
        TagCase{"KeySharpMinor", Tag(3, Frame("TKEY", "\0F#m"s)), ItemKey, "10"},
        TagCase{"KeyFlat",
                Tag(2, Frame("TKE", "\0"
                                    "Bb"s)),
                ItemKey, "2"},
        TagCase{"KeyNaturalMinor",
                Tag(3, Frame("TKEY", "\0"
                                     "Am"s)),
                ItemKey, "1"},
        TagCase{"KeyAFlat",
                Tag(3, Frame("TKEY", "\0"
                                     "Ab"s)),
                ItemKey, "12"},
        TagCase{"KeyG", Tag(3, Frame("TKEY", "\0G"s)), ItemKey, "11"},
        TagCase{"KeyOffKeyIsNotKept", Tag(3, Frame("TKEY", "\0o"s)), ItemKey, "<none>"},
        TagCase{"CommentWithoutClosingNul", Tag(3, Frame("COMM", "\0eng\0A quiet bell"s)),
                ItemComment, "A quiet bell"},
        TagCase{"CommentWithDescription", Tag(3, Frame("COMM", "\0engMood\0soft\nslow\0"s)),
                ItemComment, "Mood soft slow"},
        TagCase{"CommentV22", Tag(2, Frame("COM", "\0eng\0short"s)), ItemComment, "short"},
        TagCase{"Url", Tag(3, Frame("WXXX", "\0home\0http://example.org/a"s)), ItemUrl,
                "http://example.org/a"},
        TagCase{"LargeFrameSkippedNextRead",
                Tag(3, Frame("APIC", std::string(1024, 'x')) + Frame("TIT2", "\0After"s)),
                ItemTitle, "After"},
        TagCase{
            "ExtendedHeaderSkipped",
            Tag(3, BigEndian(10, 4) + std::string(10, '\x01') + Frame("TIT2", "\0Ext"s), 16, 0x40),
            ItemTitle, "Ext"},
        TagCase{"CompressedVersion22IsSkipped", Tag(2, Frame("TT2", "\0Bells"s), 16, 0x40),
                ItemTitle, "<none>"},
        TagCase{"Version24IsSkipped", Tag(4, Frame("TIT2", "\0Bells"s)), ItemTitle, "<none>"},
        TagCase{"FrameLongerThanTheTagEndsTheWalk",
                Tag(3, Frame("TIT2", "\0Kept"s) + "TPE1" + BigEndian(40, 4) + "\0\0\0X"s, 0),
                ItemTitle, "Kept"}),
    [](const ::testing::TestParamInfo<TagCase>& info) { return std::string(info.param.name); });

TEST(Id3Test, MalformedTagsThrowTheirErrors) {
    struct ErrorCase {
        const char* name;
        std::string bytes;
        std::int64_t byteLength;
        const char* message;
    };
    const std::string comment = Tag(3, Frame("COMM", "\0engNo nul anywhere"s));
    const ErrorCase cases[] = {
        {"TagLargerThanFile", Tag(3, Frame("TIT2", "\0A"s)), 20, "Error, ID3 tag size too big"},
        {"FrameLargerThanFile", Tag(3, "TIT2" + BigEndian(5000, 4) + "\0\0\0A"s), 200,
         "Error, ID3 frame size too big"},
        {"CommentWithoutAnyNul", comment, 200, "Malformed ID3 Tag"},
        {"UrlWithoutDescriptionNul", Tag(3, Frame("WXXX", "\0http"s)), 200, "Malformed ID3 Tag"},
        {"Truncated", Tag(3, Frame("TIT2", "\0Bells"s)).substr(0, 16), 0,
         "Error reading in ID3 tag"},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::istringstream in(c.bytes, std::ios::binary);
        AudioChunkList chunks;
        try {
            ReadId3Tag(in, c.byteLength, chunks);
            ADD_FAILURE() << "no error";
        } catch (const SoundError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

TEST(Id3Test, GenreListAndKeyNumbers) {
    EXPECT_STREQ(Id3GenreName(0), "Blues");
    EXPECT_STREQ(Id3GenreName(80), "Folk");
    EXPECT_STREQ(Id3GenreName(147), "Synthpop");
    EXPECT_EQ(Id3GenreName(148), nullptr);
    EXPECT_EQ(Id3GenreName(-1), nullptr);
    const char* keys[] = {"A", "A#", "B", "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#"};
    for (int i = 0; i < 12; ++i) {
        SCOPED_TRACE(keys[i]);
        EXPECT_EQ(Id3KeyNumber(keys[i]), i + 1);
    }
    EXPECT_EQ(Id3KeyNumber("Gb"), 10);
    EXPECT_EQ(Id3KeyNumber("Db"), 5);
    EXPECT_EQ(Id3KeyNumber("Eb"), 7);
    EXPECT_EQ(Id3KeyNumber(""), 0);
    EXPECT_EQ(Id3KeyNumber("H"), 0);
}

} // namespace

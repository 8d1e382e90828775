#include "collection/sound_file.h"

#include "audio/audio_file_tags.h"
#include "collection/db/records.h"
#include "collection/web_result_row.h"

#include <gtest/gtest.h>

namespace {

struct FieldCase {
    int kind;
    void (*set)(SoundFileObj&);
    const char* text;
};

} // namespace

TEST(SoundFileObj, DefaultsOfANewRecord) {
    SoundFileObj f;
    EXPECT_EQ(f.fileId, -1);
    for (auto b : f.signature.bytes)
        EXPECT_EQ(b, 0);
    EXPECT_EQ(f.key, 13);
    EXPECT_EQ(f.loop, 2);
    EXPECT_EQ(f.soundClass, 3);
    for (int v : {f.channels, f.compression, f.duration, f.format, f.sampleRate, f.size, f.bpm})
        EXPECT_EQ(v, -1);
    f.description = "kept";
    f.key = 4;
    f.SetDefaults();
    EXPECT_EQ(f.description, "kept");
    EXPECT_EQ(f.key, 13);
}

TEST(SoundFileObj, FieldTexts) {
    const FieldCase cases[] = {
        {0, [](SoundFileObj& f) { f.channels = 1; }, "mono"},
        {0, [](SoundFileObj& f) { f.channels = 2; }, "stereo"},
        {0, [](SoundFileObj& f) { f.channels = 3; }, "Unsupported"},
        {1, [](SoundFileObj& f) { f.compression = 17; }, "16-bit PCM"},
        {1, [](SoundFileObj& f) { f.compression = 20; }, "32-bit PCM IEEE"},
        {1, [](SoundFileObj& f) { f.compression = 8; }, "Apple ADPCM"},
        {1, [](SoundFileObj& f) { f.compression = 12; }, "Unsupported"},
        {2, [](SoundFileObj& f) { f.duration = 65432; }, "1:05.4"},
        {2, [](SoundFileObj& f) { f.duration = 59950; }, "1:00.0"},
        {2, [](SoundFileObj& f) { f.duration = 49; }, "0:00.0"},
        {2, [](SoundFileObj& f) { f.duration = 50; }, "0:00.1"},
        {2, [](SoundFileObj& f) { f.duration = 3600000; }, "60:00.0"},
        {2, [](SoundFileObj& f) { f.duration = -1; }, "0:00.0"},
        {3, [](SoundFileObj& f) { f.format = 1; }, "wav"},
        {3, [](SoundFileObj& f) { f.format = 2; }, "au"},
        {3, [](SoundFileObj& f) { f.format = 3; }, "aiff"},
        {3, [](SoundFileObj& f) { f.format = 4; }, "mp3"},
        {3, [](SoundFileObj& f) { f.format = 5; }, "Unsupported"},
        {4, [](SoundFileObj& f) { f.key = 1; }, "A"},
        {4, [](SoundFileObj& f) { f.key = 12; }, "G#"},
        {4, [](SoundFileObj& f) { f.key = 13; }, ""},
        {5, [](SoundFileObj& f) { f.loop = 1; }, "Loop"},
        {5, [](SoundFileObj& f) { f.loop = 2; }, "Not a loop"},
        {6, [](SoundFileObj& f) { f.sampleRate = 7999; }, "Unsupported"},
        {6, [](SoundFileObj& f) { f.sampleRate = 8000; }, "8000 Hz"},
        {6, [](SoundFileObj& f) { f.sampleRate = 96000; }, "96000 Hz"},
        {6, [](SoundFileObj& f) { f.sampleRate = 96001; }, "Unsupported"},
        {7, [](SoundFileObj& f) { f.size = 511; }, "0k"},
        {7, [](SoundFileObj& f) { f.size = 512; }, "1k"},
        {7, [](SoundFileObj& f) { f.size = 2147483647; }, "2097152k"},
        {8, [](SoundFileObj& f) { f.soundClass = 1; }, "Effect"},
        {8, [](SoundFileObj& f) { f.soundClass = 2; }, "Instrument"},
        {8, [](SoundFileObj& f) { f.soundClass = 0; }, "Other"},
        {9, [](SoundFileObj& f) { f.bpm = 120; }, "120 bpm"},
        {9, [](SoundFileObj& f) { f.bpm = 0; }, ""},
        {10, [](SoundFileObj&) {}, ""},
    };
    for (const FieldCase& c : cases) {
        SoundFileObj f;
        c.set(f);
        SCOPED_TRACE(testing::Message() << "kind " << c.kind << " -> " << c.text);
        EXPECT_EQ(f.FieldText(c.kind), c.text);
    }
}

TEST(SoundFileObj, SetFieldTextChangesOnlyItsField) {
    struct Case {
        int kind;
        const char* text;
        int SoundFileObj::*field;
        int before, after;
    };
    const Case cases[] = {
        {0, "STEREO", &SoundFileObj::channels, 1, 2},
        {0, "mono", &SoundFileObj::channels, 2, 1},
        {0, "quad", &SoundFileObj::channels, 2, 2},
        {3, "Snd", &SoundFileObj::format, 1, 2},
        {3, "aif", &SoundFileObj::format, 1, 3},
        {3, "MP3", &SoundFileObj::format, 1, 4},
        {3, "wave", &SoundFileObj::format, 2, 1},
        {3, "ogg", &SoundFileObj::format, 2, 2},
        {4, "c#", &SoundFileObj::key, 1, 5},
        {4, "G#", &SoundFileObj::key, 1, 12},
        {4, "H", &SoundFileObj::key, 1, 13}, // cleared first, then no name matches
        {5, "yes", &SoundFileObj::loop, 2, 1},
        {5, "not a loop", &SoundFileObj::loop, 1, 2},
        {5, "maybe", &SoundFileObj::loop, 1, 1},
        {8, "Effect", &SoundFileObj::soundClass, 3, 1},
        {8, "instrument", &SoundFileObj::soundClass, 3, 2},
        {8, "Other", &SoundFileObj::soundClass, 1, 3},
        {9, "<Unknown>", &SoundFileObj::bpm, 90, -1},
        {9, "<unknown>", &SoundFileObj::bpm, 90, 90},
        {9, " 128 bpm", &SoundFileObj::bpm, 90, 128},
        {9, "fast", &SoundFileObj::bpm, 90, 90},
        {9, "99999999999", &SoundFileObj::bpm, 90, 90},
        {1, "16-bit PCM", &SoundFileObj::compression, 7, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << c.kind << " '" << c.text << "'");
        SoundFileObj f;
        f.*c.field = c.before;
        SoundFileObj expected = f;
        expected.*c.field = c.after;
        f.SetFieldText(c.kind, c.text);
        EXPECT_EQ(f.*c.field, c.after);
        EXPECT_TRUE(f.IsEqual(expected)); // nothing else moved
    }
}

TEST(SoundFileObj, IsEqualIgnoresIdSignatureDateAndError) {
    SoundFileObj a;
    a.path = "/snd/dog.wav";
    a.description = "bark";
    SoundFileObj b = a;
    b.fileId = 7;
    b.signature.bytes[0] = 1;
    b.indexDate = "2024-01-01 00:00:00";
    b.errorText = "failed";
    EXPECT_TRUE(a.IsEqual(b));

    void (*changes[])(SoundFileObj&) = {
        [](SoundFileObj& f) { f.path = "/snd/Dog.wav"; },
        [](SoundFileObj& f) { f.category = "x"; },
        [](SoundFileObj& f) { f.copyright = "x"; },
        [](SoundFileObj& f) { f.genre = "x"; },
        [](SoundFileObj& f) { f.description = "Bark"; },
        [](SoundFileObj& f) { f.link = "x"; },
        [](SoundFileObj& f) { f.notes = "x"; },
        [](SoundFileObj& f) { f.source = "x"; },
        [](SoundFileObj& f) { f.subcategory = "x"; },
        [](SoundFileObj& f) { f.channels = 1; },
        [](SoundFileObj& f) { f.compression = 1; },
        [](SoundFileObj& f) { f.duration = 1; },
        [](SoundFileObj& f) { f.format = 1; },
        [](SoundFileObj& f) { f.key = 1; },
        [](SoundFileObj& f) { f.loop = 1; },
        [](SoundFileObj& f) { f.sampleRate = 1; },
        [](SoundFileObj& f) { f.size = 1; },
        [](SoundFileObj& f) { f.soundClass = 1; },
        [](SoundFileObj& f) { f.bpm = 1; },
    };
    for (std::size_t i = 0; i < std::size(changes); ++i) {
        SCOPED_TRACE(i);
        SoundFileObj c = a;
        changes[i](c);
        EXPECT_FALSE(a.IsEqual(c));
    }
}

TEST(SoundFileObj, CheckFormat) {
    SoundFileObj f;
    for (int format : {0, 1, 4, 5}) {
        f.format = format;
        std::string error;
        const bool ok = format >= 1 && format <= 4;
        EXPECT_EQ(f.CheckFormat(error), ok) << format;
        EXPECT_EQ(error, ok ? "" : "Format must be Aiff, Au, Mpeg or Wave");
    }
}

TEST(SoundVariantObj, DataIsOwnedAndCopied) {
    SoundVariantObj v;
    EXPECT_EQ(v.DataLength(), 0);
    const unsigned char points[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    v.SetData(points, 10);
    SoundVariantObj copy = v;
    v.SetData(points, 0);
    EXPECT_EQ(v.DataLength(), 0);
    EXPECT_EQ(copy.DataLength(), 10);
    EXPECT_EQ(copy.data[9], 10);
    v.SetData(nullptr, 5);
    EXPECT_EQ(v.DataLength(), 0);
}

TEST(SoundVariantObj, FieldTexts) {
    SoundVariantObj v;
    v.duration = 65432, v.key = 2, v.sampleRate = 88200, v.bpm = 240;
    EXPECT_EQ(v.FieldText(0), "1:05.4");
    EXPECT_EQ(v.FieldText(1), "A#");
    EXPECT_EQ(v.FieldText(2), "88200 Hz"); // no range check on a variant's rate
    EXPECT_EQ(v.FieldText(3), "240 bpm");
    EXPECT_EQ(v.FieldText(4), "");
    v.bpm = -1, v.key = 13;
    EXPECT_EQ(v.FieldText(1), "");
    EXPECT_EQ(v.FieldText(3), "");
}

TEST(SoundFileObj, SetTextTagsBlanksControlCharactersAndCutsLongTexts) {
    AudioFileTags tags;
    tags.SetText(4, "Big\tdog\r\nbark");
    tags.SetText(3, "Rock");
    tags.SetText(2, "(c) 2024");
    tags.SetText(5, (std::string(250, 's') + "\xC3\xA9").c_str()); // é ends at byte 252
    tags.SetText(1, "note");
    SoundFileObj f;
    f.link = "untouched";
    f.SetTextTags(tags);
    EXPECT_EQ(f.description, "Big dog  bark");
    EXPECT_EQ(f.genre, "Rock");
    EXPECT_EQ(f.copyright, "(c) 2024");
    EXPECT_EQ(f.source, std::string(250, 's'));
    EXPECT_EQ(f.notes, "note");
    EXPECT_EQ(f.link, "untouched");

    AudioFileTags none;
    f.SetTextTags(none);
    EXPECT_EQ(f.description, "");
}

TEST(SoundFileObj, FromWebRowKeepsKeyDateAndError) {
    WebResultRow row;
    row.url = "http://example.invalid/s/dog.wav";
    row.fileSampleRate = 22050;
    for (int i = 0; i < 10; ++i) {
        row.ints[i] = 100 + i;
        row.texts[i] = "T" + std::to_string(i);
    }
    row.sound = {77, 44100, 1500, 120, 4, {{9, 9, 9}}, {1, 2, 3, 4, 5}};
    row.score = 88;

    SoundFileObj f;
    f.key = 7;
    f.indexDate = "2024-01-01 00:00:00";
    f.errorText = "earlier";
    f.FromWebRow(row);
    EXPECT_EQ(f.path, row.url);
    EXPECT_EQ(f.fileId, 77);
    EXPECT_EQ(f.duration, 1500);
    EXPECT_EQ(f.bpm, 120);
    EXPECT_EQ(f.signature.bytes[2], 9);
    EXPECT_EQ(f.sampleRate, 22050);
    const std::string texts[8] = {f.description, f.category,  f.subcategory, f.genre,
                                  f.source,      f.copyright, f.notes,       f.link};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(texts[i], "T" + std::to_string(i));
    const int ints[6] = {f.format, f.size, f.channels, f.compression, f.soundClass, f.loop};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(ints[i], 100 + i);
    EXPECT_EQ(f.key, 7);
    EXPECT_EQ(f.indexDate, "2024-01-01 00:00:00");
    EXPECT_EQ(f.errorText, "earlier");

    SoundVariantObj v;
    v.FromWebRow(row);
    EXPECT_EQ(v.fileId, 77);
    EXPECT_EQ(v.sampleRate, 44100);
    EXPECT_EQ(v.key, 4);
    EXPECT_EQ(v.DataLength(), 5);
}

TEST(SoundFileObj, FileRowRoundTripAndCuts) {
    SoundFileObj f;
    f.fileId = 12;
    f.signature.bytes[15] = ' ';
    f.path = "/" + std::string(299, 'p');               // 300 bytes
    f.description = std::string(248, 'd') + "\xC3\xA9"; // é straddles byte 249
    f.category = "Animals", f.subcategory = "Dog", f.genre = "Rock", f.source = "s";
    f.copyright = "c", f.notes = "n", f.link = "l";
    f.indexDate = "2024-05-06 07:08:09";
    f.sampleRate = 44100, f.duration = 1234, f.bpm = 120, f.key = 5;
    f.format = 1, f.size = 2, f.channels = 3, f.compression = 4, f.soundClass = 2, f.loop = 1;

    DB_file row;
    row.ints.fill(99);
    row.texts[9] = "stale";
    f.ToFileRow(row);
    EXPECT_EQ(row.fileName, f.path.substr(0, 249));
    EXPECT_EQ(row.texts[8], row.fileName);
    EXPECT_EQ(row.texts[0], std::string(248, 'd'));
    EXPECT_EQ(row.texts[9], "");
    EXPECT_EQ(row.ints, (std::array<int32_t, 10>{1, 2, 3, 4, 2, 1, 0, 0, 0, 0}));
    const std::string texts[8] = {"", "Animals", "Dog", "Rock", "s", "c", "n", "l"};
    for (int i = 1; i < 8; ++i)
        EXPECT_EQ(row.texts[i], texts[i]) << i;
    EXPECT_EQ(row.signature[15], ' ');

    SoundFileObj back;
    back.FromFileRow(row);
    EXPECT_EQ(back.fileId, 12);
    EXPECT_EQ(back.path, row.fileName);
    EXPECT_EQ(back.indexDate, f.indexDate);
    EXPECT_EQ(back.signature.bytes[15], ' ');
    back.path = f.path;
    back.description = f.description;
    EXPECT_TRUE(back.IsEqual(f));
}

TEST(SoundVariantObj, RowCopiesAndTheSummaryLimit) {
    SoundVariantObj v;
    v.fileId = 3, v.sampleRate = 22050, v.duration = 4000, v.bpm = 60, v.key = 2;
    v.signature.bytes[0] = 7;
    // A remote summary can be of any length: the catalog row keeps its first 100 points.
    std::vector<unsigned char> big(1200);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<unsigned char>(i);
    v.SetData(big.data(), static_cast<int>(big.size()));
    DB_sound row;
    v.CopyTo(row);
    ASSERT_EQ(row.data.size(), 500u);
    EXPECT_TRUE(std::equal(row.data.begin(), row.data.end(), big.begin()));
    EXPECT_EQ(row.sampleRate, 22050);
    EXPECT_EQ(row.signature[0], 7);

    v.SetData(big.data(), 500);
    v.CopyTo(row);
    EXPECT_EQ(row.data.size(), 500u);
    v.SetData(big.data(), 15);
    v.CopyTo(row);
    EXPECT_EQ(row.data.size(), 15u);

    SoundVariantObj back;
    back.CopyFromRow(row);
    EXPECT_EQ(back.fileId, 3);
    EXPECT_EQ(back.duration, 4000);
    EXPECT_EQ(back.bpm, 60);
    EXPECT_EQ(back.key, 2);
    EXPECT_EQ(back.data, v.data);
}

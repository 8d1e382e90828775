#include "audio/formats/wave.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>

#include "audio/file_buffer.h"
#include "audio/format_codes.h"
#include "audio/sound_error.h"
#include "tests/support/audio_file_checks.h"
#include "tests/support/chunk_builder.h"
#include "tests/support/sox_files.h"

namespace {

constexpr ByteOrder kLe = ByteOrder::Little;

Bytes Pcm16Fmt(int channels = 1, int rate = 8000) {
    return Chunk(kLe, "fmt ", WaveFmt(1, channels, rate, 16));
}

// Four 16-bit samples: 0, 16384, -16384, 32767.
const Bytes kFourSamples = Cat({Le(0, 2), Le(0x4000, 2), Le(0xC000, 2), Le(0x7FFF, 2)});

Bytes Info(std::initializer_list<Bytes> items) {
    return Container(kLe, "LIST", "INFO", Cat(items));
}

struct WalkCase {
    const char* name;
    Bytes file;
    bool trailing;
    std::int64_t byteLength; // -1: the file's own length
    const char* error;       // nullptr: the file opens
    std::int64_t dataLength;
    const char* title; // the INAM item, or "<none>"
};

TEST(WaveReadTest, ChunkWalkCases) {
    const Bytes data = Chunk(kLe, "data", kFourSamples);
    const Bytes title = Info({Chunk(kLe, "INAM", Text("abc"))});
    const WalkCase cases[] = {
        {"plain", RiffWave(Cat({Pcm16Fmt(), data})), false, -1, nullptr, 16, "<none>"},
        {"odd chunk then its pad byte",
         RiffWave(Cat({Chunk(kLe, "junk", Text("xyz")), Pcm16Fmt(), title, data})), false, -1,
         nullptr, 16, "abc"},
        {"fmt after data, walked", RiffWave(Cat({data, Pcm16Fmt()})), true, -1, nullptr, 16,
         "<none>"},
        {"fmt after data, not walked", RiffWave(Cat({data, Pcm16Fmt()})), false, -1,
         "fmt chunk not found", 0, ""},
        {"INFO after data, walked", RiffWave(Cat({Pcm16Fmt(), data, title})), true, -1, nullptr, 16,
         "abc"},
        {"INFO after data, not walked", RiffWave(Cat({Pcm16Fmt(), data, title})), false, -1,
         nullptr, 16, "<none>"},
        {"DISP before INFO keeps the walk in step",
         RiffWave(Cat({Pcm16Fmt(), Chunk(kLe, "DISP", Text("12345")), title, data})), false, -1,
         nullptr, 16, "abc"},
        {"truncated trailing chunk",
         RiffWave(Cat({Pcm16Fmt(), data, ChunkWithSize(kLe, "LIST", 5000, Text("INFOINAM"))})),
         true, -1, nullptr, 16, "<none>"},
        {"streamed header, length known",
         Cat({Text("RIFF"), Le(0x7FFFF024, 4), Text("WAVE"), Pcm16Fmt(),
              ChunkWithSize(kLe, "data", 0x7FFFF000, kFourSamples)}),
         false, -1, "Corrupted chunk size in wav file", 0, ""},
        {"chunk size of 2 GB", RiffWave(Cat({ChunkWithSize(kLe, "junk", 0x80000000, {}), data})),
         false, 0, "Corrupted chunk size in wav file", 0, ""},
        {"second fmt larger than the first",
         RiffWave(Cat({Pcm16Fmt(), Chunk(kLe, "fmt ", WaveFmt(1, 1, 8000, 16, Le(0, 4))), data})),
         false, -1, "Corrupted WAVE file\n", 0, ""},
        {"fmt shorter than its fields", RiffWave(Cat({Chunk(kLe, "fmt ", Le(1, 4)), data})), false,
         -1, "Corrupted WAVE file\n", 0, ""},
        {"six nested chunks",
         RiffWave(Container(
             kLe, "LIST", "a   ",
             Container(kLe, "LIST", "b   ",
                       Container(kLe, "LIST", "c   ",
                                 Container(kLe, "LIST", "d   ", Chunk(kLe, "INAM", Text("x"))))))),
         false, -1, "Chunks nested too deeply in WAVE file", 0, ""},
        {"not RIFF", Container(kLe, "RIFX", "WAVE", data), false, -1, "RIFF chunk not found", 0,
         ""},
        {"RIFF of another type", Container(kLe, "RIFF", "AVI ", data), false, -1,
         "Unexpected chunk in WAVE file", 0, ""},
        {"RIFF inside a LIST", RiffWave(Container(kLe, "LIST", "INFO", RiffWave(data))), false, -1,
         "RIFF chunk found at wrong level", 0, ""},
        {"fmt inside a LIST", RiffWave(Cat({Container(kLe, "LIST", "INFO", Pcm16Fmt()), data})),
         false, -1, "FMT chunk found at wrong level", 0, ""},
        {"fmt of 513 bytes", RiffWave(Cat({Chunk(kLe, "fmt ", Bytes(513, 0)), data})), false, -1,
         "Corrupted WAVE file\n", 0, ""},
        {"no data", RiffWave(Pcm16Fmt()), false, -1, "Sound data not found", 0, ""},
        {"24-bit, 300 bytes, no fact",
         RiffWave(Cat({Chunk(kLe, "fmt ", WaveFmt(1, 1, 8000, 24)),
                       Chunk(kLe, "data", Cat({Le(0, 3), Le(0x400000, 3), Bytes(294)}))})),
         false, -1, nullptr, 400, "<none>"},
        {"fact shorter than the data",
         RiffWave(Cat({Pcm16Fmt(), Chunk(kLe, "fact", Le(3, 4)), data})), false, -1, nullptr, 12,
         "<none>"},
        {"data longer than the file",
         RiffWave(Cat({Pcm16Fmt(), ChunkWithSize(kLe, "data", 50, kFourSamples)})), false, -1,
         nullptr, 16, "<none>"},
    };
    for (const WalkCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::int64_t length =
            c.byteLength < 0 ? static_cast<std::int64_t>(c.file.size()) : c.byteLength;
        try {
            ReaderOver<WaveRead> open(c.file, length, c.trailing);
            ASSERT_EQ(c.error, nullptr);
            EXPECT_EQ(open.reader->DataLength(), c.dataLength);
            EXPECT_EQ(ItemText(*open.reader, ItemTitle).c_str(), std::string(c.title));
            // The walk leaves the stream at the first sample, whatever came after the data.
            const std::vector<float> samples = ReadAll(*open.reader);
            ASSERT_GE(samples.size(), 2u);
            EXPECT_EQ(samples[0], 0.0f);
            EXPECT_EQ(samples[1], 0.5f);
        } catch (const SoundError& e) {
            ASSERT_NE(c.error, nullptr) << e.what();
            EXPECT_EQ(std::string(e.what()), c.error);
        }
    }
}

struct FmtCase {
    const char* name;
    Bytes fmt;
    const char* error; // nullptr: opens
    int compression;
};

TEST(WaveReadTest, DecoderFromFmt) {
    const Bytes adpcmExtra = Cat({Le(2, 2), Le(1012, 2)});
    const Bytes msCoefficients = Cat({Le(256, 2), Le(0, 2), Le(512, 2), Le(0xFF00, 2)});
    const FmtCase cases[] = {
        {"8-bit", WaveFmt(1, 1, 8000, 8), nullptr, CompressionPcm8},
        {"12-bit", WaveFmt(1, 1, 8000, 12), nullptr, CompressionPcm16},
        {"20-bit", WaveFmt(1, 1, 8000, 20), nullptr, CompressionPcm24},
        {"32-bit", WaveFmt(1, 1, 8000, 32), nullptr, CompressionPcm32},
        {"float", WaveFmt(3, 1, 8000, 32), nullptr, CompressionFloat32},
        {"A-law", WaveFmt(6, 1, 8000, 8), nullptr, CompressionALaw},
        {"mu-law", WaveFmt(7, 1, 8000, 8), nullptr, CompressionMuLaw},
        {"extensible PCM 16",
         WaveFmt(0xFFFE, 2, 8000, 16, Cat({Le(22, 2), Le(16, 2), Le(3, 4), Le(1, 4), Bytes(12)})),
         nullptr, CompressionPcm16},
        {"extensible float",
         WaveFmt(0xFFFE, 1, 8000, 32, Cat({Le(22, 2), Le(32, 2), Le(4, 4), Le(3, 4), Bytes(12)})),
         nullptr, CompressionFloat32},
        {"extensible other",
         WaveFmt(0xFFFE, 1, 8000, 16, Cat({Le(22, 2), Le(16, 2), Le(4, 4), Le(2, 4), Bytes(12)})),
         "Unsupported WAVE compression type: 65534", 0},
        {"extensible cut short", WaveFmt(0xFFFE, 1, 8000, 16, Le(22, 2)), "Corrupted WAVE file\n",
         0},
        {"PCM of 0 bits", WaveFmt(1, 1, 8000, 0), "Unsupported WAVE compression type: 1", 0},
        {"40 bits", WaveFmt(1, 1, 8000, 40), "Unsupported resolution: 40", 0},
        {"MPEG without a frame", WaveFmt(85, 1, 8000, 0), "MP3 Frame header not found", 0},
        {"no channels", WaveFmt(1, 0, 8000, 16), "Corrupted WAVE file\n", 0},
        {"rate 0", WaveFmt(1, 1, 0, 16), "Corrupted WAVE file\n", 0},
        {"IMA", Cat({WaveFmt(17, 1, 8000, 4), Le(2, 2), Le(505, 2)}), nullptr,
         CompressionImaAdpcmWave},
        {"IMA of 3 bits", Cat({WaveFmt(17, 1, 8000, 3), Le(2, 2), Le(505, 2)}),
         "IMA ADPCM requires 4 bits per sample, not 3", 0},
        {"IMA without block size", WaveFmt(17, 1, 8000, 4),
         "IMA ADPCM requires additional decompression data.", 0},
        {"MS ADPCM", Cat({WaveFmt(2, 1, 8000, 4), adpcmExtra, Le(2, 2), msCoefficients}), nullptr,
         CompressionMsAdpcm},
        {"MS ADPCM of 8 bits", Cat({WaveFmt(2, 1, 8000, 8), adpcmExtra, Le(2, 2), msCoefficients}),
         "MSADPCM requires 4 bits per sample, not 8", 0},
        {"MS ADPCM without block size", WaveFmt(2, 1, 8000, 4),
         "MSADPCM requires additional decompression data", 0},
        {"MS ADPCM coefficients past the fmt",
         Cat({WaveFmt(2, 1, 8000, 4), adpcmExtra, Le(3, 2), msCoefficients}),
         "MSADPCM requires additional decompression data", 0},
        {"MS ADPCM of 300 coefficients",
         Cat({WaveFmt(2, 1, 8000, 4), adpcmExtra, Le(300, 2), msCoefficients}),
         "Bad coefficient count in MSADPCM data: 300", 0},
    };
    for (const FmtCase& c : cases) {
        SCOPED_TRACE(c.name);
        // MS ADPCM needs blocks of 1012 samples in 512 bytes: the fmt above says so.
        Bytes fmt = c.fmt;
        if (fmt[0] == 2 && fmt.size() >= 14) {
            fmt[12] = 0x00;
            fmt[13] = 0x02;
        }
        const Bytes file = RiffWave(Cat({Chunk(kLe, "fmt ", fmt), Chunk(kLe, "data", Bytes(64))}));
        try {
            ReaderOver<WaveRead> open(file, static_cast<std::int64_t>(file.size()), false);
            ASSERT_EQ(c.error, nullptr);
            EXPECT_EQ(open.reader->CompressionKind(), c.compression);
            EXPECT_EQ(open.reader->FileFormat(), FileFormatWave);
        } catch (const SoundError& e) {
            ASSERT_NE(c.error, nullptr) << e.what();
            EXPECT_EQ(std::string(e.what()), c.error);
            EXPECT_EQ(e.unsupported, std::string(c.error).rfind("Unsupported", 0) == 0);
        }
    }
}

TEST(WaveReadTest, SeekThenReadEqualsSequentialRead) {
    std::vector<std::uint8_t> pcm;
    for (int i = 0; i < 3000; ++i) {
        const Bytes s = Le(static_cast<std::uint32_t>(i * 7), 2);
        pcm.insert(pcm.end(), s.begin(), s.end());
    }
    const Bytes file = RiffWave(
        Cat({Pcm16Fmt(2), Chunk(kLe, "data", pcm), Info({Chunk(kLe, "ICMT", Text("after"))})}));
    for (bool trailing : {false, true}) {
        ReaderOver<WaveRead> open(file, static_cast<std::int64_t>(file.size()), trailing);
        const std::vector<float> all = ReadAll(*open.reader);
        ASSERT_EQ(all.size(), 3000u);
        for (std::int64_t index : {2000, 0, 2998, 3000, 10}) {
            SCOPED_TRACE(index);
            ASSERT_TRUE(open.reader->Seek(index));
            const std::vector<float> rest = ReadAll(*open.reader);
            ASSERT_EQ(rest.size(), all.size() - index);
            EXPECT_TRUE(std::equal(rest.begin(), rest.end(), all.begin() + index));
        }
    }
}

// Files that sox writes decode to sox's own samples.
TEST(WaveReadTest, DecodesWhatSoxWrites) {
    struct Encoding {
        const char* name;
        const char* arguments;
        float tolerance;
    };
    const Encoding encodings[] = {
        {"u8", "-e unsigned-integer -b 8", 0},
        {"s16", "-e signed-integer -b 16", 0},
        {"s24", "-e signed-integer -b 24", 0},
        {"s32", "-e signed-integer -b 32", 1e-7f},
        {"float", "-e floating-point -b 32", 0},
        {"alaw", "-e a-law", 0},
        // The table rule gives every mu-law value the other sign, and differs from sox's in
        // magnitude by up to 4 steps.
        {"ulaw", "-e mu-law", 512.0f / 32768},
        {"ima", "-e ima-adpcm", 0},
        {"msadpcm", "-e ms-adpcm", 0},
    };
    TempFolder folder;
    for (int channels : {1, 2}) {
        const std::string raw = folder.Path("in.raw");
        WriteFileBytes(raw, Int16Bytes(TestSignal(7001, channels)));
        for (const Encoding& e : encodings) {
            SCOPED_TRACE(std::string(e.name) + " " + std::to_string(channels));
            const std::string path = folder.Path(std::string(e.name) + ".wav");
            ASSERT_TRUE(RunSox("-t raw -r 22050 -e signed-integer -b 16 -c " +
                               std::to_string(channels) + " " + raw + " " + e.arguments + " " +
                               path));
            const std::vector<float> expected = SoxFloats(path);
            ASSERT_FALSE(expected.empty());
            const Bytes file = ReadFileBytes(path);
            ReaderOver<WaveRead> open(file, static_cast<std::int64_t>(file.size()), true);
            EXPECT_EQ(open.reader->SamplingRate(), 22050);
            EXPECT_EQ(open.reader->Channels(), channels);
            const std::vector<float> samples = ReadAll(*open.reader, 777);
            ASSERT_EQ(samples.size(), expected.size());
            // ADPCM decodes its last block whole; the fact chunk gives the true length.
            EXPECT_EQ(open.reader->DataLength(), 7001 * channels * 4);
            const float sign = std::string(e.name) == "ulaw" ? -1.0f : 1.0f;
            for (std::size_t i = 0; i < samples.size(); ++i) {
                ASSERT_NEAR(samples[i], sign * expected[i], e.tolerance) << i;
            }
        }
    }
}

struct WriterCase {
    int code;
    int formatTag;
    int bits;
};

float Tolerance(int code, float x) {
    switch (code) {
    case CompressionPcm8:
        return 1.0f / 128;
    case CompressionPcm16:
        return 1.0f / 32768;
    case CompressionPcm24:
    case CompressionPcm32:
        return 1e-6f;
    case CompressionFloat32:
        return 0;
    default: // G.711: a step of 1/16 of the value at most, and the top of the scale cut off
        return std::fabs(x) / 16 + 64.0f / 32768;
    }
}

TEST(WaveWriteTest, RoundTripsEveryCode) {
    const WriterCase cases[] = {
        {CompressionMuLaw, 7, 8},    {CompressionALaw, 6, 8},   {CompressionPcm8, 1, 8},
        {CompressionPcm16, 1, 16},   {CompressionPcm24, 1, 24}, {CompressionPcm32, 1, 32},
        {CompressionFloat32, 3, 32},
    };
    constexpr int kFrames = 1001;
    AudioChunkList tags;
    tags.SetItem(ItemTitle, "Rain\0", 5);
    tags.SetItem(ItemUrl, "http://x\0", 9); // WAVE has no place for it
    tags.SetForeignChunk(FileFormatWave, static_cast<std::int32_t>(0x44495350), "disp", 4);
    for (const WriterCase& c : cases) {
        for (int channels : {1, 2}) {
            SCOPED_TRACE(std::to_string(c.code) + " " + std::to_string(channels));
            const bool g711 = c.code <= CompressionALaw;
            const std::vector<float> input = TestFloats(kFrames, channels);
            std::ostringstream out;
            {
                WaveWrite writer(out, kFrames, channels, 44100, c.code, &tags);
                ASSERT_EQ(writer.PutSamples(input.data(), static_cast<int>(input.size())),
                          static_cast<int>(input.size()));
            }
            const std::string text = out.str();
            const Bytes file(text.begin(), text.end());
            const std::uint32_t dataBytes = c.bits / 8 * kFrames * channels;
            const std::uint32_t padded = dataBytes + (dataBytes & 1);
            const Bytes list = Info({Chunk(kLe, "INAM", Text(std::string("Rain\0", 5)))});
            const Bytes disp = Chunk(kLe, "DISP", Text("disp"));
            const Bytes fmtFields = WaveFmt(c.formatTag, channels, 44100, c.bits);
            const Bytes header = Cat({
                Text("RIFF"),
                Le(static_cast<std::uint32_t>(4 + (g711 ? 26 + 12 : 24) + 8 + padded + list.size() +
                                              disp.size()),
                   4),
                Text("WAVE"),
                Text("fmt "),
                Le(g711 ? 18 : 16, 4),
                fmtFields,
                g711 ? Cat({Le(0, 2), Text("fact"), Le(4, 4), Le(kFrames, 4)}) : Bytes{},
                Text("data"),
                Le(dataBytes, 4),
            });
            ASSERT_EQ(file.size(), header.size() + padded + list.size() + disp.size());
            EXPECT_EQ(Bytes(file.begin(), file.begin() + static_cast<long>(header.size())), header);
            EXPECT_EQ(Bytes(file.end() - static_cast<long>(list.size() + disp.size()), file.end()),
                      Cat({list, disp}));

            ReaderOver<WaveRead> open(file, static_cast<std::int64_t>(file.size()), true);
            EXPECT_EQ(open.reader->CompressionKind(), c.code);
            EXPECT_EQ(ItemText(*open.reader, ItemTitle), std::string("Rain\0", 5));
            const std::vector<float> output = ReadAll(*open.reader);
            ASSERT_EQ(output.size(), input.size());
            for (std::size_t i = 0; i < input.size(); ++i) {
                ASSERT_NEAR(output[i], input[i], Tolerance(c.code, input[i])) << i;
            }
        }
    }
}

TEST(WaveWriteTest, CompletesTheDataToItsAnnouncedSize) {
    const std::vector<float> ones(200, 0.5f);
    struct Case {
        const char* name;
        int code;
        int written;     // frames put
        int seekBack;    // frame sought to after writing, -1 none
        int writtenThen; // frames put after the seek
    };
    const Case cases[] = {
        {"60 of 100 frames, 8-bit", CompressionPcm8, 60, -1, 0},
        {"no samples at all, 24-bit", CompressionPcm24, 0, -1, 0},
        {"odd 24-bit mono", CompressionPcm24, 101, -1, 0},
        {"more than announced", CompressionPcm16, 200, -1, 0},
        {"seek back before the end", CompressionPcm16, 80, 10, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int frames = c.code == CompressionPcm24 ? 101 : 100;
        AudioChunkList tags;
        tags.SetItem(ItemComment, "kept\0", 5);
        std::ostringstream out;
        {
            WaveWrite writer(out, frames, 1, 8000, c.code, &tags);
            const int put = writer.PutSamples(ones.data(), c.written);
            EXPECT_EQ(put, std::min(c.written, frames));
            if (c.seekBack >= 0) {
                ASSERT_TRUE(writer.Seek(c.seekBack));
                writer.PutSamples(ones.data(), c.writtenThen);
            }
        }
        const std::string text = out.str();
        const Bytes file(text.begin(), text.end());
        ReaderOver<WaveRead> open(file, static_cast<std::int64_t>(file.size()), true);
        EXPECT_EQ(ItemText(*open.reader, ItemComment), std::string("kept\0", 5));
        const std::vector<float> samples = ReadAll(*open.reader);
        ASSERT_EQ(samples.size(), static_cast<std::size_t>(frames));
        const int loud = std::min(std::max(c.written, c.seekBack + c.writtenThen), frames);
        for (int i = 0; i < frames; ++i) {
            ASSERT_NEAR(samples[i], i < loud ? 0.5f : 0.0f, 1e-6f) << i;
        }
    }
}

TEST(WaveWriteTest, CarriesTheMetadataOfAReader) {
    // INFO items, an INFO id the program has no item for, and a DISP chunk, on both sides of
    // the data; most of odd size.
    const Bytes source = RiffWave(Cat({
        Info({Chunk(kLe, "INAM", Text("abc")), Chunk(kLe, "ISFT", Text("tools"))}),
        Chunk(kLe, "DISP", Cat({Le(1, 4), Text("x")})),
        Pcm16Fmt(),
        Chunk(kLe, "data", kFourSamples),
        Info({Chunk(kLe, "ICMT", Text("late"))}),
    }));
    ReaderOver<WaveRead> read(source, static_cast<std::int64_t>(source.size()), true);
    std::ostringstream out;
    {
        WaveWrite writer(out, 4, 1, 8000, CompressionPcm16, read.reader->Chunks());
        const std::vector<float> samples = ReadAll(*read.reader);
        writer.PutSamples(samples.data(), static_cast<int>(samples.size()));
    }
    const std::string text = out.str();
    const Bytes expected = RiffWave(Cat({
        Pcm16Fmt(),
        Chunk(kLe, "data", kFourSamples),
        Info({Chunk(kLe, "INAM", Text("abc")), Chunk(kLe, "ISFT", Text("tools")),
              Chunk(kLe, "ICMT", Text("late"))}),
        Chunk(kLe, "DISP", Cat({Le(1, 4), Text("x")})),
    }));
    EXPECT_EQ(Bytes(text.begin(), text.end()), expected);
}

// Writer and reader over files on disk, as the program uses them: the writer patches nothing
// after the fact, the reader walks past the data with relative seeks and comes back.
TEST(WaveWriteTest, FileOnDiskRoundTrip) {
    TempFolder folder;
    const std::string path = folder.Path("44100-2-16.wav");
    const std::vector<float> input = TestFloats(5001, 2);
    AudioChunkList tags;
    tags.SetItem(ItemArtist, "someone\0", 8);
    std::vector<char> storage(176400);
    {
        CUP_FileBuffer buffer(storage.data(), static_cast<int>(storage.size()));
        ASSERT_TRUE(buffer.Open(path.c_str(), std::ios::out | std::ios::binary));
        std::ostream out(&buffer);
        WaveWrite writer(out, 5001, 2, 44100, CompressionPcm16, &tags);
        writer.PutSamples(input.data(), static_cast<int>(input.size()));
    }
    EXPECT_EQ(SoxFloats(path), input);
    CUP_FileBuffer buffer(storage.data(), static_cast<int>(storage.size()));
    ASSERT_TRUE(buffer.Open(path.c_str(), std::ios::in | std::ios::binary));
    std::istream in(&buffer);
    WaveRead reader(in, static_cast<std::int64_t>(std::filesystem::file_size(path)), true);
    EXPECT_EQ(ItemText(reader, ItemArtist), std::string("someone\0", 8));
    EXPECT_EQ(ReadAll(reader, 4096), input);
    ASSERT_TRUE(reader.Seek(9000));
    EXPECT_EQ(ReadAll(reader), std::vector<float>(input.begin() + 9000, input.end()));
}

TEST(WaveWriteTest, RefusesCodesWithoutAnEncoderBeforeWriting) {
    for (int code : {0, 7, 9, 21}) {
        std::ostringstream out;
        EXPECT_THROW(WaveWrite(out, 10, 1, 8000, code, nullptr), SoundError) << code;
        EXPECT_TRUE(out.str().empty());
    }
}

TEST(WaveReadTest, MalformedInputEndsInAnErrorOrACleanRead) {
    TempFolder folder;
    WriteFileBytes(folder.Path("in.raw"), Int16Bytes(TestSignal(600, 2)));
    std::vector<Bytes> seeds;
    for (const char* arguments : {"-e signed-integer -b 16", "-e ima-adpcm", "-e ms-adpcm",
                                  "-e mu-law -c 1", "-e floating-point -b 32 -c 1"}) {
        const std::string path = folder.Path("seed.wav");
        ASSERT_TRUE(RunSox("-t raw -r 8000 -e signed-integer -b 16 -c 2 " + folder.Path("in.raw") +
                           " " + arguments + " " + path));
        seeds.push_back(ReadFileBytes(path));
    }
    // Metadata on both sides of the data.
    seeds.push_back(RiffWave(
        Cat({Pcm16Fmt(), Info({Chunk(kLe, "INAM", Text("t"))}), Chunk(kLe, "DISP", Text("abc")),
             Chunk(kLe, "data", kFourSamples), Info({Chunk(kLe, "ICMT", Text("comment"))})})));
    int opened = 0;
    ForEachMutation(seeds, 3000, [&](const Bytes& bytes) {
        for (bool trailing : {false, true}) {
            try {
                const auto length = static_cast<std::int64_t>(trailing ? bytes.size() : 0);
                ReaderOver<WaveRead> open(bytes, length, trailing);
                ReadAll(*open.reader);
                open.reader->Seek(5);
                ReadAll(*open.reader);
                ++opened;
            } catch (const SoundError&) {
            }
        }
    });
    // The damage must leave enough files readable to reach the sample paths.
    EXPECT_GT(opened, 1000);
}

} // namespace

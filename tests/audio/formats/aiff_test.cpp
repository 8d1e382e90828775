#include "audio/formats/aiff.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <sstream>

#include "audio/codecs/ima_adpcm.h"
#include "audio/format_codes.h"
#include "audio/sound_error.h"
#include "tests/support/audio_file_checks.h"
#include "tests/support/byte_stages.h"
#include "tests/support/chunk_builder.h"
#include "tests/support/sox_files.h"

namespace {

constexpr ByteOrder kBe = ByteOrder::Big;

// Diagnostics about damaged files are expected here; keep them off the test log.
class QuietDiagnostics {
public:
    QuietDiagnostics() : saved(std::clog.rdbuf(sink.rdbuf())) {}
    ~QuietDiagnostics() { std::clog.rdbuf(saved); }

private:
    std::ostringstream sink;
    std::streambuf* saved;
};

const Bytes kFourSamples = Cat({Be(0, 2), Be(0x4000, 2), Be(0xC000, 2), Be(0x7FFF, 2)});

Bytes Comm(const Bytes& body) {
    return Chunk(kBe, "COMM", body);
}

Bytes Fver(std::uint32_t version = 0xA2805140) {
    return Chunk(kBe, "FVER", Be(version, 4));
}

TEST(AiffRateTest, MatchesSoxBothWays) {
    TempFolder folder;
    for (int rate : {8000, 11025, 16000, 22050, 32000, 37800, 44056, 44100, 47250, 48000, 88200,
                     96000, 176400, 192000}) {
        SCOPED_TRACE(rate);
        const std::string path = folder.Path("r.aiff");
        ASSERT_TRUE(RunSox("-n -r " + std::to_string(rate) + " -b 16 -c 1 " + path +
                           " synth 0.001 sine 100"));
        const Bytes file = ReadFileBytes(path);
        const auto comm =
            std::search(file.begin(), file.end(), std::begin("COMM"), std::begin("COMM") + 4);
        ASSERT_NE(comm, file.end());
        const Bytes soxBytes(comm + 16, comm + 26);
        std::uint8_t ours[10];
        EncodeAiffRate(rate, ours);
        EXPECT_EQ(Bytes(ours, ours + 10), soxBytes);
        EXPECT_EQ(DecodeAiffRate(soxBytes.data()), rate);
    }
    // The sign and the fraction are ignored; nonsense exponents give no rate or a small one.
    const std::uint8_t negative[10] = {0xC0, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(DecodeAiffRate(negative), 44100);
    const std::uint8_t fraction[10] = {0x40, 0x0E, 0xAC, 0x44, 0x80, 0, 0, 0, 0, 0};
    EXPECT_EQ(DecodeAiffRate(fraction), 44100);
    const std::uint8_t zero[10] = {};
    EXPECT_EQ(DecodeAiffRate(zero), 0);
    std::uint8_t encoded[10];
    EncodeAiffRate(0, encoded);
    EXPECT_EQ(Bytes(encoded, encoded + 10), Bytes(10, 0));
}

struct AiffCase {
    const char* name;
    Bytes file;
    const char* error; // nullptr: opens
    int compression;
    std::int64_t dataLength;
    const char* title;
};

TEST(AiffReadTest, ChunkWalkAndCommCases) {
    QuietDiagnostics quiet;
    const Bytes mono16 = Comm(AiffComm(1, 1000, 16, 44100));
    const Bytes data = Ssnd(kFourSamples);
    const AiffCase cases[] = {
        {"44100 mono 16-bit", FormAiff("AIFF", Cat({mono16, data})), nullptr, CompressionPcm16,
         4000, "<none>"},
        {"text chunks, odd with pad byte",
         FormAiff("AIFF", Cat({Chunk(kBe, "NAME", Text("Rainy")), mono16,
                               Chunk(kBe, "ANNO", Text("ok")), data})),
         nullptr, CompressionPcm16, 4000, "Rainy"},
        {"AIFC of 18-byte COMM is NONE", FormAiff("AIFC", Cat({Fver(), mono16, data})), nullptr,
         CompressionPcm16, 4000, "<none>"},
        {"AIFC ulaw", FormAiff("AIFC", Cat({Fver(), Comm(AiffComm(2, 10, 8, 8000, "ulaw")), data})),
         nullptr, CompressionMuLaw, 80, "<none>"},
        {"AIFC alaw", FormAiff("AIFC", Cat({Fver(), Comm(AiffComm(1, 10, 8, 8000, "alaw")), data})),
         nullptr, CompressionALaw, 40, "<none>"},
        {"AIFC ima4", FormAiff("AIFC", Cat({Fver(), Comm(AiffComm(2, 3, 16, 8000, "ima4")), data})),
         nullptr, CompressionImaAdpcmApple, 1536, "<none>"},
        {"8-bit", FormAiff("AIFF", Cat({Comm(AiffComm(1, 8, 8, 8000)), data})), nullptr,
         CompressionPcm8, 32, "<none>"},
        {"24-bit", FormAiff("AIFF", Cat({Comm(AiffComm(1, 2, 24, 8000)), data})), nullptr,
         CompressionPcm24, 8, "<none>"},
        {"little-endian AIFC",
         FormAiff("AIFC", Cat({Fver(), Comm(AiffComm(1, 4, 16, 8000, "sowt")), data})),
         "Unsupported AIFF-C compression type sowt", 0, 0, ""},
        {"32-bit", FormAiff("AIFF", Cat({Comm(AiffComm(1, 2, 32, 8000)), data})),
         "Unsupported AIFF-C compression type NONE", 0, 0, ""},
        {"wrong version", FormAiff("AIFC", Cat({Fver(1), mono16, data})),
         "Unrecognized AIFC file format", 0, 0, ""},
        {"no COMM", FormAiff("AIFF", data), "COMM chunk not found", 0, 0, ""},
        {"COMM after SSND", FormAiff("AIFF", Cat({data, mono16})), "COMM chunk not found", 0, 0,
         ""},
        {"no SSND", FormAiff("AIFF", mono16), "No audio data in AIFF file", 0, 0, ""},
        {"COMM of 10 bytes", FormAiff("AIFF", Cat({Comm(Bytes(10)), data})),
         "Corrupted COMM chunk in AIFF file", 0, 0, ""},
        {"COMM of 1 MB", FormAiff("AIFF", Cat({ChunkWithSize(kBe, "COMM", 1 << 20, Bytes(18))})),
         "Corrupted COMM chunk in AIFF file", 0, 0, ""},
        {"no channels", FormAiff("AIFF", Cat({Comm(AiffComm(0, 4, 16, 8000)), data})),
         "Corrupted COMM chunk in AIFF file", 0, 0, ""},
        {"rate 0", FormAiff("AIFF", Cat({Comm(AiffComm(1, 4, 16, 0)), data})),
         "Corrupted COMM chunk in AIFF file", 0, 0, ""},
        {"8SVX", FormAiff("8SVX", Cat({mono16, data})), "Unexpected chunk in AIFF file", 0, 0, ""},
        {"not FORM", Container(kBe, "RIFF", "AIFF", Cat({mono16, data})),
         "Unexpected chunk in AIFF file", 0, 0, ""},
        {"chunk size of 2 GB",
         FormAiff("AIFF", Cat({mono16, ChunkWithSize(kBe, "SSND", 0x80000000, {})})),
         "Corrupted chunk size in IFF file", 0, 0, ""},
        {"six nested FORMs",
         FormAiff("AIFF",
                  FormAiff("AIFF", FormAiff("AIFF", FormAiff("AIFF", FormAiff("AIFF", mono16))))),
         "Chunks nested too deeply in IFF file", 0, 0, ""},
        {"streamed sizes",
         Cat({Text("FORM"), Be(0x7F000050, 4), Text("AIFF"), mono16,
              ChunkWithSize(kBe, "SSND", 0x7F000008, Cat({Be(0, 4), Be(0, 4), kFourSamples}))}),
         nullptr, CompressionPcm16, 4000, "<none>"},
        {"SSND longer than its FORM", Cat({Text("FORM"), Be(46, 4), Text("AIFF"), mono16, data}),
         nullptr, CompressionPcm16, 4000, "<none>"},
    };
    for (const AiffCase& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            ReaderOver<AiffRead> open(c.file, static_cast<std::int64_t>(c.file.size()));
            ASSERT_EQ(c.error, nullptr);
            EXPECT_EQ(open.reader->FileFormat(), FileFormatAiff);
            EXPECT_EQ(open.reader->CompressionKind(), c.compression);
            EXPECT_EQ(open.reader->DataLength(), c.dataLength);
            if (std::string(c.title) != "<none>") {
                EXPECT_EQ(ItemText(*open.reader, ItemTitle), std::string(c.title) + '\0');
                EXPECT_EQ(ItemText(*open.reader, ItemComment), std::string("ok\0", 3));
            } else {
                EXPECT_EQ(ItemText(*open.reader, ItemTitle), "<none>");
            }
            if (c.compression == CompressionPcm16) {
                const std::vector<float> samples = ReadAll(*open.reader);
                EXPECT_EQ(samples, (std::vector<float>{0.0f, 0.5f, -0.5f, 32767.0f / 32768}));
            }
        } catch (const SoundError& e) {
            ASSERT_NE(c.error, nullptr) << e.what();
            EXPECT_EQ(std::string(e.what()), c.error);
        }
    }
}

TEST(AiffReadTest, Ima4PacketsDecodeAsTheDecoderDoes) {
    Bytes packets;
    for (int p = 0; p < 6; ++p) {
        packets.push_back(static_cast<std::uint8_t>(p * 16));
        packets.push_back(static_cast<std::uint8_t>(20 + p));
        for (int i = 0; i < 32; ++i) {
            packets.push_back(static_cast<std::uint8_t>(i * 37 + p));
        }
    }
    const Bytes file =
        FormAiff("AIFC", Cat({Fver(), Comm(AiffComm(2, 3, 16, 8000, "ima4")), Ssnd(packets)}));
    ReaderOver<AiffRead> open(file, static_cast<std::int64_t>(file.size()));
    EXPECT_EQ(open.reader->BitsPerSample(), 4);
    const std::vector<float> samples = ReadAll(*open.reader, 100);
    ByteSource source(packets);
    DecompressImaAdpcmApple decoder(&source, 2);
    std::vector<float> expected(384);
    ASSERT_EQ(decoder.GetSamples(expected.data(), 384), 384);
    EXPECT_EQ(samples, expected);
    // Seeking inside the second packet group reads on as a sequential read does.
    ASSERT_TRUE(open.reader->Seek(200));
    const std::vector<float> rest = ReadAll(*open.reader, 50);
    EXPECT_EQ(rest, std::vector<float>(expected.begin() + 200, expected.end()));
}

TEST(AiffReadTest, DecodesWhatSoxWrites) {
    TempFolder folder;
    for (int channels : {1, 2}) {
        WriteFileBytes(folder.Path("in.raw"), Int16Bytes(TestSignal(3001, channels)));
        for (const char* target : {"-b 8 x.aiff", "-b 16 x.aiff", "-b 24 x.aiff", "-b 16 x.aifc"}) {
            SCOPED_TRACE(std::string(target) + " " + std::to_string(channels));
            const std::string path = folder.Path(std::string(target).substr(6));
            ASSERT_TRUE(RunSox("-t raw -r 11025 -e signed-integer -b 16 -c " +
                               std::to_string(channels) + " " + folder.Path("in.raw") + " " +
                               std::string(target).substr(0, 5) + " " + path));
            const std::vector<float> expected = SoxFloats(path);
            ASSERT_EQ(expected.size(), 3001u * channels);
            const Bytes file = ReadFileBytes(path);
            ReaderOver<AiffRead> open(file, static_cast<std::int64_t>(file.size()));
            EXPECT_EQ(open.reader->SamplingRate(), 11025);
            EXPECT_EQ(open.reader->DataLength(), 3001 * channels * 4);
            EXPECT_EQ(ReadAll(*open.reader, 333), expected);
        }
    }
}

struct AiffWriterCase {
    int code;
    int bits;
    const char* compression; // nullptr: AIFF
};

TEST(AiffWriteTest, RoundTripsEveryCode) {
    const AiffWriterCase cases[] = {
        {CompressionMuLaw, 8, "ulaw"},   {CompressionALaw, 8, "alaw"},
        {CompressionPcm8, 8, nullptr},   {CompressionPcm16, 16, nullptr},
        {CompressionPcm24, 24, nullptr},
    };
    constexpr int kFrames = 1001;
    AudioChunkList tags;
    tags.SetItem(ItemTitle, "Rain\0\0", 6); // trailing NULs are dropped: size 4, no pad
    tags.SetItem(ItemArtist, "Rainy", 5);   // odd: size 6, a space at the end
    tags.SetItem(ItemGenre, "Jazz", 4);     // no AIFF text id
    tags.SetForeignChunk(FileFormatWave, 0x44495350, "disp", 4); // a WAVE chunk stays out
    TempFolder folder;
    for (const AiffWriterCase& c : cases) {
        for (int channels : {1, 2}) {
            SCOPED_TRACE(std::to_string(c.code) + " " + std::to_string(channels));
            const std::vector<float> input = TestFloats(kFrames, channels);
            std::ostringstream out;
            {
                AiffWrite writer(out, kFrames, channels, 22050, c.code, &tags);
                ASSERT_EQ(writer.PutSamples(input.data(), static_cast<int>(input.size())),
                          static_cast<int>(input.size()));
            }
            const std::string text = out.str();
            const Bytes file(text.begin(), text.end());
            const std::uint32_t dataBytes = c.bits / 8 * kFrames * channels;
            const Bytes texts =
                Cat({Chunk(kBe, "NAME", Text("Rain")), Chunk(kBe, "AUTH", Text("Rainy "))});
            const Bytes header = Cat({
                Text("FORM"),
                Be(dataBytes + (dataBytes & 1) + static_cast<std::uint32_t>(texts.size()) +
                       (c.compression ? 62 : 46),
                   4),
                Text(c.compression ? "AIFC" : "AIFF"),
                c.compression ? Fver() : Bytes{},
                Comm(AiffComm(channels, kFrames, c.bits, 22050, c.compression)),
                texts,
                Text("SSND"),
                Be(dataBytes + 8, 4),
                Be(0, 4),
                Be(0, 4),
            });
            ASSERT_EQ(file.size(), header.size() + dataBytes + (dataBytes & 1));
            EXPECT_EQ(Bytes(file.begin(), file.begin() + static_cast<long>(header.size())), header);

            ReaderOver<AiffRead> open(file, static_cast<std::int64_t>(file.size()));
            EXPECT_EQ(open.reader->CompressionKind(), c.code);
            EXPECT_EQ(ItemText(*open.reader, ItemTitle), std::string("Rain\0", 5));
            EXPECT_EQ(ItemText(*open.reader, ItemArtist), std::string("Rainy \0", 7));
            const std::vector<float> output = ReadAll(*open.reader);
            ASSERT_EQ(output.size(), input.size());
            const float step = c.bits == 8 ? 1.0f / 128 : c.bits == 16 ? 1.0f / 32768 : 1e-6f;
            for (std::size_t i = 0; i < input.size(); ++i) {
                const float tolerance =
                    c.compression ? std::fabs(input[i]) / 16 + 64.0f / 32768 : step;
                ASSERT_NEAR(output[i], input[i], tolerance) << i;
            }
            // sox reads the plain AIFF files the same way (it reads no G.711 AIFF-C).
            if (c.compression == nullptr) {
                const std::string path = folder.Path("w.aiff");
                WriteFileBytes(path, file);
                EXPECT_EQ(SoxFloats(path), output);
            }
        }
    }
}

TEST(AiffWriteTest, PadsOddDataAndRefusesCodesWithoutAnEncoder) {
    for (int code : {CompressionPcm8, CompressionPcm24}) {
        std::ostringstream out;
        {
            AiffWrite writer(out, 5, 1, 8000, code, nullptr);
            const float half[2] = {0.5f, 0.5f};
            writer.PutSamples(half, 2);
        }
        const std::string text = out.str();
        const Bytes file(text.begin(), text.end());
        const std::size_t dataBytes = code == CompressionPcm8 ? 5 : 15;
        ASSERT_EQ(file.size(), 54 + dataBytes + 1);
        EXPECT_EQ(file.back(), 0);
        ReaderOver<AiffRead> open(file, static_cast<std::int64_t>(file.size()));
        EXPECT_EQ(ReadAll(*open.reader), (std::vector<float>{0.5f, 0.5f, 0, 0, 0}));
    }
    for (int code : {0, 7, 8, 19, 20}) {
        std::ostringstream out;
        try {
            AiffWrite writer(out, 10, 1, 8000, code, nullptr);
            ADD_FAILURE() << code;
        } catch (const SoundError& e) {
            EXPECT_EQ(std::string(e.what()), "Compression type not supported for output");
        }
        EXPECT_TRUE(out.str().empty());
    }
}

TEST(AiffReadTest, MalformedInputEndsInAnErrorOrACleanRead) {
    QuietDiagnostics quiet;
    TempFolder folder;
    WriteFileBytes(folder.Path("in.raw"), Int16Bytes(TestSignal(500, 2)));
    std::vector<Bytes> seeds;
    for (const char* target : {"-b 16 s.aiff", "-b 8 s.aiff", "-b 24 s.aifc"}) {
        const std::string path = folder.Path(std::string(target).substr(6));
        ASSERT_TRUE(RunSox("-t raw -r 8000 -e signed-integer -b 16 -c 2 " + folder.Path("in.raw") +
                           " " + std::string(target).substr(0, 5) + " " + path));
        seeds.push_back(ReadFileBytes(path));
    }
    AudioChunkList tags;
    tags.SetItem(ItemTitle, "abc", 3);
    tags.SetItem(ItemComment, "comment", 7);
    std::ostringstream out;
    { AiffWrite writer(out, 300, 2, 8000, CompressionMuLaw, &tags); }
    const std::string written = out.str();
    seeds.emplace_back(written.begin(), written.end());
    seeds.push_back(FormAiff(
        "AIFC", Cat({Fver(), Comm(AiffComm(2, 2, 16, 8000, "ima4")), Ssnd(Bytes(4 * 34, 0x11))})));
    int opened = 0;
    ForEachMutation(seeds, 3000, [&](const Bytes& bytes) {
        try {
            ReaderOver<AiffRead> open(bytes, static_cast<std::int64_t>(bytes.size()));
            ReadAll(*open.reader);
            open.reader->Seek(3);
            ReadAll(*open.reader);
            ++opened;
        } catch (const SoundError&) {
        }
    });
    EXPECT_GT(opened, 1000);
}

} // namespace

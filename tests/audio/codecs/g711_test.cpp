#include "audio/codecs/g711.h"
#include "audio/codecs/pcm.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>
#include <vector>

#include "tests/support/byte_stages.h"
#include "tests/support/sox_files.h"

namespace {

int Decoded(const float* table, int byte) {
    return static_cast<int>(table[byte] * 32768.0f);
}

TEST(G711Test, TablesFollowTheirRules) {
    const float* mu = MuLawTable();
    const float* a = ALawTable();
    EXPECT_EQ(Decoded(mu, 0xFF), 4); // the mu-law rule's own value for this byte
    EXPECT_EQ(Decoded(mu, 0x7F), -4);
    EXPECT_EQ(Decoded(mu, 0x00), 31612);
    EXPECT_EQ(Decoded(mu, 0x80), -31612);
    EXPECT_EQ(Decoded(a, 0xD5), 8);
    EXPECT_EQ(Decoded(a, 0x55), -8);
    EXPECT_EQ(Decoded(a, 0xAA), 32256);
    EXPECT_EQ(Decoded(a, 0x2A), -32256);
}

TEST(G711Test, EncodersInvertTheirTables) {
    for (int b = 0; b < 256; ++b) {
        SCOPED_TRACE(b);
        EXPECT_EQ(LinearToALaw(Decoded(ALawTable(), b)), b);
        // The two mu-law bytes with a negative magnitude (-4) have no preimage.
        if ((b & 0x7F) != 0x7F) {
            EXPECT_EQ(LinearToMuLaw(Decoded(MuLawTable(), b)), b);
        }
    }
    EXPECT_EQ(LinearToMuLaw(32767), 0x00);
    EXPECT_EQ(LinearToMuLaw(-32768), 0x80);
    EXPECT_EQ(LinearToALaw(32767), 0xAA);
    EXPECT_EQ(LinearToALaw(-32768), 0x2A);
    // Every 16-bit value comes back within its quantisation step and with its sign.
    for (int s = -32768; s <= 32767; ++s) {
        const int mu = Decoded(MuLawTable(), LinearToMuLaw(s));
        const int a = Decoded(ALawTable(), LinearToALaw(s));
        const int step = std::abs(s) / 16 + 16;
        ASSERT_LE(std::abs(mu - s), step + (std::abs(s) >= 32636 ? 4096 : 0)) << s;
        ASSERT_LE(std::abs(a - s), step + (std::abs(s) >= 32256 ? 512 : 0)) << s;
    }
}

TEST(G711Test, ALawDecodingMatchesSox) {
    TempFolder folder;
    std::vector<std::int16_t> ramp;
    for (int s = -32768; s <= 32767; s += 3) {
        ramp.push_back(static_cast<std::int16_t>(s));
    }
    WriteFileBytes(folder.Path("in.raw"), Int16Bytes(ramp));
    ASSERT_TRUE(RunSox("-t raw -r 8000 -e signed-integer -b 16 -c 1 " + folder.Path("in.raw") +
                       " -e a-law " + folder.Path("alaw.wav")));
    ASSERT_TRUE(RunSox(folder.Path("alaw.wav") + " -t raw -e signed-integer -b 16 " +
                       folder.Path("out.raw")));
    const auto data = RiffChunkBody(ReadFileBytes(folder.Path("alaw.wav")), "data");
    const auto expected = Int16Samples(ReadFileBytes(folder.Path("out.raw")));
    ASSERT_EQ(data.size(), ramp.size());
    ASSERT_EQ(expected.size(), ramp.size());

    ByteSource source(data, 1000);
    DecompressG711ALaw decoder(&source);
    std::vector<float> output(data.size());
    ASSERT_EQ(decoder.GetSamples(output.data(), static_cast<int>(output.size())),
              static_cast<int>(output.size()));
    for (std::size_t i = 0; i < output.size(); ++i) {
        ASSERT_EQ(static_cast<int>(output[i] * 32768.0f), expected[i]) << i;
    }
}

TEST(G711Test, CompressorsWriteRunsAndStopWhenTheWriterDoes) {
    std::vector<float> input(10000);
    for (std::size_t i = 0; i < input.size(); ++i) {
        input[i] = static_cast<float>(static_cast<int>(i % 2001) - 1000) / 1000.0f;
    }
    ByteSink sink;
    CompressG711MuLaw mu(&sink);
    EXPECT_EQ(mu.BitsPerSample(), 0);
    ASSERT_EQ(mu.PutSamples(input.data(), 10000), 10000);
    ASSERT_EQ(sink.bytes.size(), 10000u);
    for (std::size_t i = 0; i < input.size(); ++i) {
        ASSERT_EQ(sink.bytes[i], LinearToMuLaw(Pcm16Value(input[i]))) << i;
    }
    ByteSink small(5000);
    CompressG711ALaw a(&small);
    EXPECT_EQ(a.PutSamples(input.data(), 10000), 5000);
}

TEST(G711Test, TablesAreBuiltOnceAcrossThreads) {
    std::vector<const float*> seen(8);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < seen.size(); ++i) {
        threads.emplace_back([&seen, i] { seen[i] = i % 2 ? MuLawTable() : ALawTable(); });
    }
    for (auto& t : threads) {
        t.join();
    }
    for (std::size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i], i % 2 ? MuLawTable() : ALawTable());
    }
}

} // namespace

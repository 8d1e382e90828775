#include "audio/engine/sample_cache.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "tests/audio/engine/memory_source.h"

namespace {

constexpr int kBlock = CAP_SampleCache::kBlockFrames;

std::int64_t RoundHalfAway(double x) {
    return static_cast<std::int64_t>(x >= 0 ? std::floor(x + 0.5) : std::ceil(x - 0.5));
}

std::vector<float> Noise(std::size_t n, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> sample(-0.9f, 0.9f);
    std::vector<float> out(n);
    for (float& x : out)
        x = sample(random);
    return out;
}

// Frames made up on request, so that hours of sound need no memory.
class GeneratedSource : public CAP_AudioContainer {
public:
    GeneratedSource(int rate, double seconds) {
        channels = 1;
        this->rate = rate;
        duration = seconds;
    }
    static float Sample(std::int64_t frame) {
        return static_cast<float>(frame % 2001) / 2000.0f - 0.5f;
    }
    int ReadFrames(float* floats, int frames, std::int64_t start) override {
        const std::int64_t total = RoundHalfAway(rate * duration);
        const int got = static_cast<int>(std::clamp<std::int64_t>(total - start, 0, frames));
        for (int i = 0; i < got; ++i)
            floats[i] = Sample(start + i);
        ++reads;
        return got;
    }
    int reads = 0;
};

TEST(SampleCache, KeepsTheMostRecentlyUsedBlocks) {
    MemorySource source(1, 44100, Noise(20 * kBlock, 1));
    CAP_SampleCache cache(&source, 10.0);
    EXPECT_EQ(cache.BlockLimit(), 15);
    EXPECT_EQ(cache.bits, 16);
    EXPECT_EQ(cache.compressionKind, 17);
    EXPECT_TRUE(source.requests.empty()); // nothing is read before the first access
    float sample = 0;
    for (int i = 0; i < 15; ++i)
        cache.ReadFrames(&sample, 1, static_cast<std::int64_t>(i) * kBlock);
    // Reads load without reordering; peaks and signatures touch.
    cache.ReadFrames(&sample, 1, 3 * kBlock);
    float lo = 0;
    float hi = 0;
    cache.GetColumnPeaks(0.0, 0.01, 1, &lo, &hi); // block 0
    SoundSignature signature{};
    cache.ComputeSignature(2 * kBlock, 10, &signature, nullptr, nullptr, nullptr);
    std::vector<std::int64_t> expected = {2, 0, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 1};
    EXPECT_EQ(cache.UseOrder(), expected);
    // The 16th block evicts the least recently used one.
    cache.ReadFrames(&sample, 1, 15 * kBlock);
    expected.insert(expected.begin(), 15);
    expected.pop_back();
    EXPECT_EQ(cache.UseOrder(), expected);
    EXPECT_EQ(source.requests.size(), 16u);
    // A block read again after eviction comes back from the source.
    cache.ReadFrames(&sample, 1, kBlock + 5);
    EXPECT_EQ(sample, source.samples[kBlock + 5]);
    EXPECT_EQ(source.requests.size(), 17u);
}

TEST(SampleCache, ReadsAcrossBlocksAndStopAtTheEnd) {
    const std::int64_t frames = 2 * kBlock + 1000;
    MemorySource source(2, 22050, Noise(2 * frames, 2));
    CAP_SampleCache cache(&source, 1.0);
    std::vector<float> out(2 * 5000);
    ASSERT_EQ(cache.ReadFrames(out.data(), 5000, kBlock - 2500), 5000);
    EXPECT_EQ(std::memcmp(out.data(), source.samples.data() + 2 * (kBlock - 2500),
                          out.size() * sizeof(float)),
              0);
    EXPECT_EQ(cache.UseOrder(), (std::vector<std::int64_t>{1, 0}));
    // Reads stop at the end of the sound; the block past it is silent.
    ASSERT_EQ(cache.ReadFrames(out.data(), 5000, frames - 10), 10);
    EXPECT_EQ(cache.ReadFrames(out.data(), 5000, frames), 0);
    float lo[2];
    float hi[2];
    cache.GetColumnPeaks(static_cast<double>(frames - 10) / 22050, 10.0 / 22050, 2, lo, hi);
    EXPECT_LT(lo[0], 0.0f);
    EXPECT_EQ(lo[1], 0.0f); // past the end: no frames
    EXPECT_EQ(hi[1], 0.0f);
}

TEST(SampleCache, ShortSourceHasASilentTail) {
    MemorySource source(1, 8000, Noise(1000, 3));
    CAP_SampleCache cache(&source, 10.0);
    std::vector<float> out(2000, 5.0f);
    EXPECT_EQ(cache.ReadFrames(out.data(), 2000, 0), 1000);
    EXPECT_EQ(out[999], source.samples[999]);
    EXPECT_EQ(out[1000], 5.0f);
    EXPECT_EQ(source.requests, (std::vector<std::int64_t>{0}));
}

TEST(SampleCache, PeaksAcrossSeamsMatchAScan) {
    const std::int64_t frames = 5 * kBlock + 123;
    std::vector<float> samples = Noise(2 * frames, 4);
    MemorySource source(2, 44100, samples);
    CAP_SampleCache cache(&source, 2.0); // fewer blocks kept than a column may span
    std::mt19937 random(5);
    std::uniform_int_distribution<std::int64_t> startFrame(0, frames);
    std::uniform_int_distribution<int> width(0, 3 * kBlock);
    for (int trial = 0; trial < 40; ++trial) {
        const double start = startFrame(random) / 44100.0;
        const double per = (width(random) + 0.31) / 44100.0;
        constexpr int kColumns = 6;
        float lo[kColumns];
        float hi[kColumns];
        cache.GetColumnPeaks(start, per, kColumns, lo, hi);
        for (int j = 0; j < kColumns; ++j) {
            const std::int64_t from = std::min(frames, RoundHalfAway(44100 * (start + j * per)));
            const std::int64_t to =
                std::min(frames, RoundHalfAway(44100 * (start + (j + 1) * per)));
            float expectedLo = to > from ? 1.0f : 0.0f;
            float expectedHi = to > from ? -1.0f : 0.0f;
            for (std::int64_t i = 2 * from; i < 2 * to; ++i) {
                expectedLo = std::min(expectedLo, samples[i]);
                expectedHi = std::max(expectedHi, samples[i]);
            }
            ASSERT_EQ(lo[j], expectedLo) << "trial " << trial << " column " << j;
            ASSERT_EQ(hi[j], expectedHi) << "trial " << trial << " column " << j;
        }
        ASSERT_LE(static_cast<int>(cache.UseOrder().size()), cache.BlockLimit());
    }
}

TEST(SampleCache, SignatureAveragesTheChannels) {
    const std::int64_t frames = 3 * kBlock;
    std::vector<float> samples = Noise(2 * frames, 6);
    for (std::int64_t i = 0; i < frames; ++i)
        samples[2 * i] += 0.05f * static_cast<float>(std::sin(i * 0.2));
    MemorySource source(2, 44100, samples);
    CAP_SampleCache cache(&source, 1.0);
    SoundSignature expected{};
    std::uint32_t expectedColour = 0;
    ComputeSignatureOfFrames(samples.data(), 1000, frames, 2, 44100, 0.0f, &expected,
                             &expectedColour);
    std::vector<int> percents;
    auto callback = [](void* user, const char* text, int percent) {
        EXPECT_STREQ(text, "Processing audio data:");
        static_cast<std::vector<int>*>(user)->push_back(percent);
        return true;
    };
    SoundSignature signature{};
    std::uint32_t colour = 0;
    EXPECT_TRUE(cache.ComputeSignature(1000, frames, &signature, &colour, callback, &percents));
    EXPECT_EQ(std::memcmp(signature.bytes, expected.bytes, 16), 0);
    EXPECT_EQ(colour, expectedColour);
    const double count = frames - 1000;
    EXPECT_EQ(percents,
              (std::vector<int>{0, static_cast<int>(RoundHalfAway((kBlock - 1000) / count * 100)),
                                static_cast<int>(RoundHalfAway((2 * kBlock - 1000) / count * 100)),
                                100}));
    // A false answer stops the walk after the block it follows.
    auto stop = [](void* user, const char*, int percent) {
        static_cast<std::vector<int>*>(user)->push_back(percent);
        return percent == 0;
    };
    percents.clear();
    EXPECT_FALSE(cache.ComputeFileSignature(&signature, &colour, stop, &percents));
    EXPECT_EQ(percents.size(), 2u);
}

TEST(SampleCache, SemitonesRelabelTheSameFrames) {
    MemorySource source(1, 22050, Noise(22050, 7));
    CAP_SampleCache cache(&source, 4.0);
    cache.SetPitch(12);
    EXPECT_EQ(cache.rate, 44100);
    EXPECT_DOUBLE_EQ(cache.duration, 0.5);
    EXPECT_DOUBLE_EQ(cache.pendingLength, 2.0); // the first window, rescaled
    std::vector<float> out(30000);
    EXPECT_EQ(cache.ReadFrames(out.data(), 30000, 0), 22050);
    EXPECT_EQ(out[22049], source.samples[22049]);
    cache.SetPitch(12); // again: the same labels
    EXPECT_DOUBLE_EQ(cache.pendingLength, 2.0);
    cache.SetPitch(0);
    EXPECT_DOUBLE_EQ(cache.pendingLength, 4.0);
    cache.SetPitch(100);
    const PitchRateTable table(22050);
    EXPECT_EQ(cache.Pitch(), table.HighestPitch());
    EXPECT_EQ(cache.rate, table.Rates().back());
    EXPECT_EQ(cache.PitchForRate(44100), 12);
    cache.SetPitch(-100);
    EXPECT_EQ(cache.rate, table.Rates().front());
}

struct Changes : CAP_AudioViewer {
    std::vector<std::pair<double, double>> seen;
    void OnChange(double start, double length) override { seen.emplace_back(start, length); }
};

TEST(SampleCache, UpdateLoadsThePendingRangeAndChangesDropBlocks) {
    MemorySource source(1, 32768, Noise(10 * kBlock, 8));
    CAP_SampleCache cache(&source, 3.0); // the first three seconds: blocks 0, 1, 2
    std::vector<int> percents;
    auto callback = [](void* user, const char* text, int percent) {
        EXPECT_STREQ(text, "Loading audio data:");
        static_cast<std::vector<int>*>(user)->push_back(percent);
        return true;
    };
    EXPECT_TRUE(cache.Update(callback, &percents));
    EXPECT_EQ(percents, (std::vector<int>{0, 33, 66, 100}));
    EXPECT_EQ(cache.UseOrder(), (std::vector<std::int64_t>{2, 1, 0}));
    EXPECT_EQ(cache.pendingLength, 0.0);

    // A false answer leaves the range pending.
    cache.OnChange(5.0, 1.0);
    auto refuse = [](void*, const char*, int percent) { return percent == 0; };
    EXPECT_FALSE(cache.Update(refuse, nullptr));
    EXPECT_EQ(cache.pendingLength, 1.0);
    EXPECT_EQ(cache.UseOrder().front(), 5);

    // Writing changes the kept frames and tells the viewers; a change drops the blocks.
    Changes viewer;
    cache.AddViewer(&viewer);
    const std::vector<float> ones(100, 1.0f);
    EXPECT_EQ(cache.WriteFrames(ones.data(), 100, kBlock - 50), 100);
    EXPECT_EQ(cache.WriteFrames(ones.data(), 100, 10 * kBlock - 10), 10);
    ASSERT_EQ(viewer.seen.size(), 2u);
    EXPECT_DOUBLE_EQ(viewer.seen[0].first, (kBlock - 50) / 32768.0);
    EXPECT_DOUBLE_EQ(viewer.seen[0].second, 100 / 32768.0);
    float lo = 0;
    float hi = 0;
    cache.GetColumnPeaks(1.0, 0.001, 1, &lo, &hi);
    EXPECT_EQ(hi, 1.0f);
    float sample = 0;
    cache.OnChange(0.5, 1.0); // blocks 0 and 1
    cache.ReadFrames(&sample, 1, kBlock);
    EXPECT_EQ(sample, source.samples[kBlock]);
    cache.InvalidateAll();
    EXPECT_TRUE(cache.UseOrder().empty());
}

TEST(SampleCache, TwoHourSourceReadsEndToEnd) {
    GeneratedSource source(44100, 7200.0); // 9690 blocks
    CAP_SampleCache cache(&source, 10.0);
    const std::int64_t total = 44100LL * 7200;
    std::vector<float> chunk(65536);
    std::int64_t position = 0;
    std::int64_t mismatches = 0;
    while (position < total) {
        const int got = cache.ReadFrames(chunk.data(), 65536, position);
        ASSERT_GT(got, 0) << position;
        for (int i = 0; i < got; ++i)
            mismatches += chunk[i] != GeneratedSource::Sample(position + i);
        position += got;
    }
    EXPECT_EQ(position, total);
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(source.reads, (total + kBlock - 1) / kBlock);
    EXPECT_EQ(static_cast<int>(cache.UseOrder().size()), cache.BlockLimit());
    float lo = 0;
    float hi = 0;
    cache.GetColumnPeaks(7199.0, 0.5, 1, &lo, &hi); // near the end, through the pyramid
    EXPECT_EQ(lo, -0.5f);
    EXPECT_EQ(hi, 0.5f);
}

} // namespace

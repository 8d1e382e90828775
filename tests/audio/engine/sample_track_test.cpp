#include "audio/engine/sample_track.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace {

std::int64_t RoundHalfAway(double x) {
    return static_cast<std::int64_t>(x >= 0 ? std::floor(x + 0.5) : std::ceil(x - 0.5));
}

std::vector<float> Noise(std::size_t n, std::mt19937& random, float scale = 0.8f) {
    std::uniform_real_distribution<float> sample(-scale, scale);
    std::vector<float> out(n);
    for (float& x : out)
        x = sample(random);
    return out;
}

std::vector<float> ReadAll(CAP_SampleTrack& track) {
    std::vector<float> out(static_cast<std::size_t>(track.TotalFrames()));
    EXPECT_EQ(track.ReadFrames(out.data(), static_cast<int>(out.size()), 0),
              static_cast<int>(out.size()));
    return out;
}

std::vector<int> BlockSizes(const CAP_SampleTrack& track) {
    std::vector<int> sizes;
    for (const SampleBlock* b = track.FirstBlock(); b; b = b->next)
        sizes.push_back(b->frames);
    return sizes;
}

// Everything a track keeps about its samples agrees with a plain copy of them.
void ExpectConsistent(CAP_SampleTrack& track, const std::vector<float>& model,
                      std::mt19937& random) {
    ASSERT_EQ(track.TotalFrames(), static_cast<std::int64_t>(model.size()));
    ASSERT_EQ(ReadAll(track), model);
    EXPECT_DOUBLE_EQ(track.duration, static_cast<double>(model.size()) / track.rate);

    std::int64_t position = 0;
    const SampleBlock* previous = nullptr;
    for (const SampleBlock* b = track.FirstBlock(); b; previous = b, b = b->next) {
        ASSERT_EQ(b->previous, previous);
        ASSERT_GE(b->frames, 1);
        ASSERT_LE(b->frames, track.BlockCapacity());
        SoundSignature expected{};
        std::uint32_t colour = 0;
        ComputeSignatureOfFrames(model.data(), position, position + b->frames, 1, track.rate, 0.0f,
                                 &expected, &colour);
        ASSERT_EQ(std::memcmp(b->signature.bytes, expected.bytes, 16), 0) << "at " << position;
        ASSERT_EQ(b->colour, colour);
        position += b->frames;
    }
    EXPECT_EQ(track.LastBlock(), previous);
    EXPECT_EQ(position, track.TotalFrames());

    // Columns of random widths, from one frame to many blocks, against a scan of the model.
    if (model.empty())
        return;
    const double rate = track.rate;
    std::uniform_int_distribution<std::int64_t> startFrame(0, model.size() - 1);
    std::uniform_int_distribution<int> width(0, 3 * track.BlockCapacity());
    for (int trial = 0; trial < 4; ++trial) {
        const double start = startFrame(random) / rate;
        const double per = width(random) / rate + 0.37 / rate;
        constexpr int kColumns = 12;
        float minima[kColumns];
        float maxima[kColumns];
        std::fill(std::begin(minima), std::end(minima), 7.0f);
        std::fill(std::begin(maxima), std::end(maxima), 7.0f);
        track.GetColumnPeaks(start, per, kColumns, minima, maxima, nullptr);
        for (int i = 0; i < kColumns; ++i) {
            const std::int64_t from = RoundHalfAway(rate * (start + i * per));
            const std::int64_t to =
                std::min<std::int64_t>(RoundHalfAway(rate * (start + (i + 1) * per)), model.size());
            if (from >= static_cast<std::int64_t>(model.size())) {
                EXPECT_EQ(minima[i], 7.0f); // past the end: left alone
                continue;
            }
            float lo = 1.0f;
            float hi = -1.0f;
            for (std::int64_t f = from; f < to; ++f) {
                lo = std::min(lo, model[f]);
                hi = std::max(hi, model[f]);
            }
            ASSERT_EQ(minima[i], lo) << "column " << i << " frames " << from << ".." << to;
            ASSERT_EQ(maxima[i], hi) << "column " << i << " frames " << from << ".." << to;
        }
    }
}

TEST(SampleTrack, RandomEditsAgreeWithAPlainCopy) {
    std::mt19937 random(20261210);
    CAP_SampleTrack track(8000); // blocks of 800 frames keep the walk quick
    CAP_SampleTrack other(8000);
    std::vector<float> otherModel = Noise(5000, random);
    other.InsertSamples(otherModel.data(), 5000, 0, 1);
    std::vector<float> model;
    std::uniform_int_distribution<int> operation(0, 5);
    std::uniform_int_distribution<int> length(1, 2500);
    for (int step = 0; step < 150; ++step) {
        const auto size = static_cast<std::int64_t>(model.size());
        const std::int64_t at = std::uniform_int_distribution<std::int64_t>(0, size)(random);
        const int n = length(random);
        const int kind = model.size() < 200 ? 0 : operation(random);
        SCOPED_TRACE(testing::Message() << "step " << step << " kind " << kind << " at " << at
                                        << " n " << n << " size " << size);
        if (kind == 0) {
            // Every other sample of an interleaved pair.
            std::vector<float> stereo = Noise(2 * n, random);
            track.InsertSamples(stereo.data() + 1, n, at, 2);
            for (int i = 0; i < n; ++i)
                model.insert(model.begin() + at + i, stereo[2 * i + 1]);
        } else if (kind == 1) {
            track.DeleteSamples(n, at);
            model.erase(model.begin() + at, model.begin() + std::min<std::int64_t>(size, at + n));
        } else if (kind == 2) {
            std::vector<float> in = Noise(n, random, 1.0f);
            const int gains[][2] = {{100, 0}, {50, 50}, {100, 100}, {30, 80}};
            const auto* g = gains[std::uniform_int_distribution<int>(0, 3)(random)];
            EXPECT_EQ(track.MixSamples(in.data(), n, at, 1, g[0], g[1]), n);
            for (int i = 0; i < n; ++i) {
                if (at + i < size) {
                    float& old = model[at + i];
                    old =
                        (g[0] == 100 && g[1] == 0)
                            ? in[i]
                            : std::clamp(g[0] * in[i] / 100.0f + g[1] * old / 100.0f, -1.0f, 1.0f);
                } else {
                    model.push_back(in[i]);
                }
            }
        } else if (kind == 3) {
            const std::int64_t from = std::uniform_int_distribution<int>(0, 4999)(random);
            track.InsertFromTrack(other, n, at, from);
            const auto end = otherModel.begin() + std::min<std::int64_t>(5000, from + n);
            model.insert(model.begin() + at, otherModel.begin() + from, end);
        } else if (kind == 4) {
            // A whole copy of the other track: whole blocks are taken over as they are.
            track.InsertFromTrack(other, 5000, at, 0);
            model.insert(model.begin() + at, otherModel.begin(), otherModel.end());
        } else {
            // A stretch of the track itself, read before its blocks change.
            const std::int64_t from =
                std::uniform_int_distribution<std::int64_t>(0, size - 1)(random);
            track.InsertFromTrack(track, n, at, from);
            const std::vector<float> copy(model.begin() + from,
                                          model.begin() + std::min<std::int64_t>(size, from + n));
            model.insert(model.begin() + at, copy.begin(), copy.end());
        }
        ExpectConsistent(track, model, random);
        if (HasFatalFailure())
            return;
    }
}

TEST(SampleTrack, InsertIntoEmptyTrackMakesHalfBlocks) {
    CAP_SampleTrack track(44100);
    EXPECT_EQ(track.BlockCapacity(), 4410);
    std::vector<float> in(10000, 0.25f);
    track.InsertSamples(in.data(), 10000, 0, 1);
    EXPECT_EQ(BlockSizes(track), (std::vector<int>{2205, 2205, 2205, 2205, 1180}));
    EXPECT_EQ(CAP_SampleTrack(48000).BlockCapacity(), 4800);
    EXPECT_EQ(CAP_SampleTrack(8000).BlockCapacity(), 800);
    EXPECT_EQ(CAP_SampleTrack(11025).BlockCapacity(), 1102);
}

TEST(SampleTrack, DeleteInsideOneBlockLeavesOneBlock) {
    CAP_SampleTrack track(8000);
    std::vector<float> in(400);
    for (int i = 0; i < 400; ++i)
        in[i] = i / 1000.0f;
    track.InsertSamples(in.data(), 400, 0, 1);
    track.InsertSamples(in.data(), 350, 400, 1);
    ASSERT_EQ(BlockSizes(track), (std::vector<int>{400, 350}));
    track.DeleteSamples(100, 500);
    track.DeleteSamples(50, 100);
    EXPECT_EQ(BlockSizes(track), (std::vector<int>{600}));
    std::vector<float> out = ReadAll(track);
    EXPECT_EQ(out[99], in[99]);
    EXPECT_EQ(out[100], in[150]);
    EXPECT_EQ(out[450], in[200]); // the second copy lost in[100..199]
    // A delete running past the end stops there.
    track.DeleteSamples(1000, 590);
    EXPECT_EQ(track.TotalFrames(), 590);
}

TEST(SampleTrack, MixGainsClipAndOverwriteExtends) {
    struct Case {
        int newGain, oldGain;
        float in, old, expected;
    } cases[] = {
        {50, 50, 1.0f, 1.0f, 1.0f},   {50, 50, -1.0f, -1.0f, -1.0f},
        {100, 100, 0.8f, 0.7f, 1.0f}, {100, 100, -0.8f, -0.7f, -1.0f},
        {100, 0, 0.3f, -0.9f, 0.3f},  {0, 100, 0.3f, -0.9f, -0.9f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.newGain << "/" << c.oldGain);
        CAP_SampleTrack track(8000);
        std::vector<float> old(100, c.old);
        std::vector<float> in(100, c.in);
        track.InsertSamples(old.data(), 100, 0, 1);
        EXPECT_EQ(track.MixSamples(in.data(), 100, 0, 1, c.newGain, c.oldGain), 100);
        EXPECT_EQ(ReadAll(track), std::vector<float>(100, c.expected));
    }
    // Writing 100 frames 50 before the end overwrites 50 and appends the other 50.
    CAP_SampleTrack track(8000);
    std::vector<float> old(1000, 0.0f);
    track.InsertSamples(old.data(), 1000, 0, 1);
    std::vector<float> in(100);
    for (int i = 0; i < 100; ++i)
        in[i] = i / 100.0f;
    EXPECT_EQ(track.WriteFrames(in.data(), 100, 950), 100);
    std::vector<float> out = ReadAll(track);
    ASSERT_EQ(out.size(), 1050u);
    EXPECT_EQ(out[949], 0.0f);
    EXPECT_TRUE(std::equal(in.begin(), in.end(), out.begin() + 950));
    // A write beyond the end lands at its frame, after silence.
    EXPECT_EQ(track.WriteFrames(in.data(), 10, 1100), 10);
    out = ReadAll(track);
    ASSERT_EQ(out.size(), 1110u);
    EXPECT_EQ(out[1075], 0.0f);
    EXPECT_EQ(out[1101], in[1]);
}

struct RecordingViewer : CAP_AudioViewer {
    std::vector<std::string> log;
    void OnShift(double delta) override { log.push_back("shift " + std::to_string(delta)); }
    void OnChange(double start, double length) override {
        log.push_back("change " + std::to_string(start) + " " + std::to_string(length));
    }
};

TEST(SampleTrack, ViewersHearEveryEditInOrder) {
    CAP_SampleTrack track(8000);
    RecordingViewer a;
    RecordingViewer b;
    track.AddViewer(&a);
    track.AddViewer(&b);
    std::vector<float> in(8000, 0.5f);
    track.InsertSamples(in.data(), 8000, 0, 1);
    track.InsertSamples(in.data(), 4000, 4000, 1);
    track.DeleteSamples(2000, 10000);
    track.MixSamples(in.data(), 800, 9200, 1, 100, 0);  // 800 over, 0 appended
    track.MixSamples(in.data(), 1600, 9200, 1, 100, 0); // 800 over, 800 appended
    track.RefreshRange(100, 0);
    EXPECT_EQ(a.log, (std::vector<std::string>{
                         "shift 1.000000", "change 0.000000 1.000000", "shift 0.500000",
                         "change 0.500000 1.000000", "shift -0.250000", "change 1.250000 0.000000",
                         "change 1.150000 0.100000", "shift 0.100000", "change 1.250000 0.100000",
                         "change 1.150000 0.100000", "change 0.000000 0.050000"}));
    EXPECT_EQ(a.log, b.log);
}

TEST(SampleTrack, SetRateReblocksSameSamples) {
    std::mt19937 random(7);
    CAP_SampleTrack track(44100);
    std::vector<float> model = Noise(30000, random);
    track.InsertSamples(model.data(), 30000, 0, 1);
    RecordingViewer viewer;
    track.AddViewer(&viewer);
    track.SetRate(22050);
    EXPECT_EQ(track.rate, 22050);
    EXPECT_EQ(track.BlockCapacity(), 2204);
    EXPECT_DOUBLE_EQ(track.duration, 30000.0 / 22050);
    ASSERT_GE(viewer.log.size(), 2u);
    EXPECT_EQ(viewer.log[0], "shift " + std::to_string(-30000.0 / 44100));
    EXPECT_EQ(viewer.log[1], "change 0.000000 0.000000");
    ExpectConsistent(track, model, random);
}

TEST(SampleTrack, BlockReadsWalkTheChain) {
    CAP_SampleTrack track(8000);
    std::vector<float> in(2000);
    for (int i = 0; i < 2000; ++i)
        in[i] = i / 2000.0f;
    track.InsertSamples(in.data(), 2000, 0, 1); // blocks of 400
    int count = 0;
    const float* p = track.BeginBlockRead(350, count, 500);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(count, 50);
    EXPECT_EQ(p[0], in[350]);
    p = track.NextBlockRead(count);
    EXPECT_EQ(count, 400);
    EXPECT_EQ(p[0], in[400]);
    p = track.NextBlockRead(count);
    EXPECT_EQ(count, 50);
    EXPECT_EQ(track.NextBlockRead(count), nullptr);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(track.BeginBlockRead(2000, count, 10), nullptr);
    float out[16];
    EXPECT_EQ(track.ReadFrames(out, 16, 1990), 10);
    EXPECT_EQ(track.ReadFrames(out, 16, 2000), 0);
}

TEST(SampleTrack, ComputeSignatureOfAStretchAndItsProgress) {
    std::mt19937 random(3);
    CAP_SampleTrack track(8000);
    std::vector<float> model = Noise(3000, random);
    track.InsertSamples(model.data(), 3000, 0, 1); // blocks of 400
    SoundSignature expected{};
    std::uint32_t expectedColour = 0;
    ComputeSignatureOfFrames(model.data(), 250, 1250, 1, 8000, 0.0f, &expected, &expectedColour);
    struct Progress {
        std::vector<int> percents;
        int calls = 0;
    } progress;
    auto callback = [](void* user, const char* text, int percent) {
        auto* p = static_cast<Progress*>(user);
        EXPECT_STREQ(text, "Processing audio data:");
        p->percents.push_back(percent);
        return ++p->calls == 2; // only the second answer is true
    };
    SoundSignature signature{};
    std::uint32_t colour = 0;
    EXPECT_FALSE(track.ComputeSignature(1000, 250, &signature, &colour, callback, &progress));
    EXPECT_EQ(std::memcmp(signature.bytes, expected.bytes, 16), 0);
    EXPECT_EQ(colour, expectedColour);
    // 150, 550, 950 and 1000 frames done: the false answer does not stop the walk.
    EXPECT_EQ(progress.percents, (std::vector<int>{0, 15, 55, 95, 100}));
}

TEST(SampleTrack, ColumnsTakeTheColourOfTheirFirstBlock) {
    std::mt19937 random(11);
    CAP_SampleTrack track(8000);
    std::vector<float> model = Noise(1200, random, 0.1f);
    for (int i = 400; i < 800; ++i)
        model[i] = std::sin(i * 2 * M_PI * 1000 / 8000) * 0.9f;
    track.InsertSamples(model.data(), 1200, 0, 1);
    const SampleBlock* second = track.FirstBlock()->next;
    ASSERT_NE(second->colour, track.FirstBlock()->colour);
    float minima[3];
    float maxima[3];
    std::uint32_t colours[3];
    track.GetColumnPeaks(0.0, 0.05, 3, minima, maxima, colours); // 400 frames each
    EXPECT_EQ(colours[0], track.FirstBlock()->colour);
    EXPECT_EQ(colours[1], second->colour);
    EXPECT_EQ(colours[2], track.LastBlock()->colour);
    track.GetColumnPeaks(0.0, 0.0, 1, minima, maxima, colours); // no frames
    EXPECT_EQ(minima[0], 1.0f);
    EXPECT_EQ(maxima[0], -1.0f);
}

// Noise with two identical tone bursts of ten blocks at frames 8000 and 40000.
struct BurstTrack {
    CAP_SampleTrack track{8000};
    std::vector<float> model;
    static constexpr std::int64_t kFirst = 8000;
    static constexpr std::int64_t kSecond = 40000;
    static constexpr std::int64_t kLength = 4000;
    BurstTrack() {
        std::mt19937 random(5);
        model = Noise(60000, random, 0.3f);
        for (std::int64_t i = 0; i < kLength; ++i) {
            const float tone = static_cast<float>(std::sin(i * 2 * M_PI * 440 / 8000) * 0.7);
            model[kFirst + i] = tone;
            model[kSecond + i] = tone;
        }
        track.InsertSamples(model.data(), 60000, 0, 1);
    }
};

TEST(SampleTrack, RankingFindsTheRepeatedBurst) {
    BurstTrack t;
    t.track.RankSimilarBlocks(BurstTrack::kLength, BurstTrack::kFirst);
    std::int64_t cursor = BurstTrack::kFirst;
    float score = 0;
    ASSERT_TRUE(t.track.FindNextMatch(90.0f, cursor, score));
    EXPECT_EQ(cursor, BurstTrack::kSecond);
    EXPECT_FLOAT_EQ(score, 100.0f);
    // Past the last block the search wraps to the selection itself.
    ASSERT_TRUE(t.track.FindNextMatch(90.0f, cursor, score));
    EXPECT_EQ(cursor, BurstTrack::kFirst);
    // Backward from inside the second burst: its own head first, then the first burst.
    cursor = BurstTrack::kSecond + 1234;
    ASSERT_TRUE(t.track.FindPreviousMatch(90.0f, cursor, score));
    EXPECT_EQ(cursor, BurstTrack::kSecond);
    ASSERT_TRUE(t.track.FindPreviousMatch(90.0f, cursor, score));
    EXPECT_EQ(cursor, BurstTrack::kFirst);
    ASSERT_TRUE(t.track.FindPreviousMatch(90.0f, cursor, score)); // wraps to the last run
    EXPECT_EQ(cursor, BurstTrack::kSecond);
    // Nothing reaches the threshold: the cursor stays.
    cursor = 123;
    EXPECT_FALSE(t.track.FindNextMatch(100.5f, cursor, score));
    EXPECT_FALSE(t.track.FindPreviousMatch(100.5f, cursor, score));
    EXPECT_EQ(cursor, 123);

    // Each block of the selection is selected and heads or joins a run of ten blocks.
    int selected = 0;
    for (const SampleBlock* b = t.track.FirstBlock(); b; b = b->next)
        selected += b->selected;
    EXPECT_EQ(selected, 10);
    // An edit inside the selection dissolves every mark.
    std::vector<float> one(1, 0.1f);
    t.track.MixSamples(one.data(), 1, BurstTrack::kFirst + 5, 1, 100, 0);
    cursor = 0;
    EXPECT_FALSE(t.track.FindNextMatch(1.0f, cursor, score));
}

TEST(SampleTrack, RankingWithTheSelectionAtTheEnd) {
    BurstTrack t;
    const std::int64_t total = t.track.TotalFrames();
    t.track.RankSimilarBlocks(4000, total - 4000); // the last ten blocks
    // Candidates too close to the end run out of blocks before the selection does.
    std::vector<const SampleBlock*> blocks;
    for (const SampleBlock* b = t.track.FirstBlock(); b; b = b->next)
        blocks.push_back(b);
    const SampleBlock* last = blocks.back();
    EXPECT_EQ(last->groupHead, blocks[blocks.size() - 10]); // the selection matches itself
    EXPECT_FLOAT_EQ(last->score, 100.0f);
    for (std::size_t i = blocks.size() - 9; i < blocks.size(); ++i)
        EXPECT_EQ(blocks[i]->groupHead, blocks[blocks.size() - 10]);
}

} // namespace

namespace {

// The ranking worked out plainly from the chain: every block scored against the selection
// with CompareSignatures, then runs claimed from the highest score down.
struct ReferenceRun {
    const SampleBlock* head;
    float score;
    int span; // of the block's own comparison
};

std::vector<ReferenceRun> ReferenceRanking(const CAP_SampleTrack& track) {
    std::vector<const SampleBlock*> blocks;
    std::vector<const SampleBlock*> selection;
    for (const SampleBlock* b = track.FirstBlock(); b; b = b->next) {
        blocks.push_back(b);
        if (b->selected)
            selection.push_back(b);
    }
    const std::size_t n = blocks.size();
    std::vector<float> scores(n);
    std::vector<int> spans(n);
    for (std::size_t q = 0; q < n; ++q) {
        double weights = 0;
        double sum = 0;
        int span = 1;
        std::size_t s = 0;
        std::size_t c = q;
        std::int64_t a = 0;
        std::int64_t b = 0;
        while (s < selection.size()) {
            if (c >= n) {
                sum = 0;
                break;
            }
            const std::int64_t selectedEnd = b + selection[s]->frames;
            const std::int64_t candidateEnd = a + blocks[c]->frames;
            double w = double(std::min(selectedEnd, candidateEnd) - std::max(a, b)) /
                       double(std::max(selectedEnd, candidateEnd) - std::min(a, b));
            w = std::max(w, 0.0);
            weights += w;
            sum += w * CompareSignatures(&selection[s]->signature, &blocks[c]->signature);
            const bool nextSelected = candidateEnd >= selectedEnd;
            const bool nextCandidate = selectedEnd >= candidateEnd;
            if (nextSelected) {
                b = selectedEnd;
                ++s;
            }
            if (nextCandidate) {
                a = candidateEnd;
                ++c;
                if (s < selection.size())
                    ++span;
            }
        }
        scores[q] = static_cast<float>(weights < 0.01 ? sum / 0.01 : sum / weights);
        spans[q] = span;
    }
    std::vector<std::size_t> order(n);
    for (std::size_t i = 0; i < n; ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t x, std::size_t y) { return scores[x] < scores[y]; });
    std::vector<ReferenceRun> runs(n, ReferenceRun{nullptr, 0.0f, 0});
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        const std::size_t q = *it;
        const std::size_t end = std::min(n, q + spans[q]);
        bool free = true;
        for (std::size_t i = q; i < end; ++i)
            free = free && runs[i].head == nullptr;
        if (free)
            for (std::size_t i = q; i < end; ++i)
                runs[i] = {blocks[q], scores[q], 0};
    }
    for (std::size_t q = 0; q < n; ++q)
        runs[q].span = spans[q];
    return runs;
}

TEST(SampleTrack, RankingAgreesWithAPlainWalk) {
    std::mt19937 random(17);
    CAP_SampleTrack track(8000);
    // Uneven blocks: pieces inserted at random places, some repeated.
    std::vector<float> piece = Noise(3000, random, 0.6f);
    for (int i = 0; i < 60; ++i) {
        const int n = std::uniform_int_distribution<int>(50, 3000)(random);
        const std::int64_t at =
            std::uniform_int_distribution<std::int64_t>(0, track.TotalFrames())(random);
        if (i % 3 == 0)
            track.InsertSamples(piece.data(), n, at, 1);
        else
            track.InsertSamples(Noise(n, random, 0.6f).data(), n, at, 1);
    }
    const std::int64_t total = track.TotalFrames();
    const std::pair<std::int64_t, std::int64_t> selections[] = {
        {2000, 1000}, {1, total - 1}, {total / 3, total / 2}, {total - 1500, 1500}, {5000, 0}};
    for (const auto& [start, frames] : selections) {
        SCOPED_TRACE(testing::Message() << "selection " << start << "+" << frames);
        track.RankSimilarBlocks(frames, start);
        const std::vector<ReferenceRun> expected = ReferenceRanking(track);
        std::size_t i = 0;
        for (const SampleBlock* b = track.FirstBlock(); b; b = b->next, ++i) {
            if (frames == 0) {
                ASSERT_EQ(b->groupHead, nullptr); // nothing selected, nothing marked
                continue;
            }
            ASSERT_EQ(b->groupHead, expected[i].head) << "block " << i;
            ASSERT_EQ(b->score, expected[i].score) << "block " << i;
            ASSERT_EQ(b->groupLength, expected[i].span) << "block " << i;
        }
    }
}

} // namespace

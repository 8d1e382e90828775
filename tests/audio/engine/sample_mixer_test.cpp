#include "audio/engine/sample_mixer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <thread>

#include "tests/audio/engine/memory_source.h"

namespace {

std::vector<float> Ramp(std::size_t n, float scale) {
    std::vector<float> out(n);
    for (std::size_t i = 0; i < n; ++i)
        out[i] = scale * static_cast<float>(std::sin(i * 0.01));
    return out;
}

TEST(PitchRateTable, SemitonesAroundTheBaseRate) {
    struct Case {
        int base, size, baseIndex, first, last;
    } cases[] = {
        {44100, 43, 29, 8259, 93445}, {48000, 44, 31, 8009, 96000}, {16000, 44, 12, 8000, 95892},
        {8000, 44, 0, 8000, 95892},   {96000, 44, 43, 8009, 96000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.base);
        PitchRateTable table(c.base);
        EXPECT_EQ(table.Size(), c.size);
        EXPECT_EQ(table.BaseIndex(), c.baseIndex);
        EXPECT_EQ(table.Rates().front(), c.first);
        EXPECT_EQ(table.Rates().back(), c.last);
        EXPECT_EQ(table.Rates()[c.baseIndex], c.base);
        EXPECT_EQ(table.LowestPitch(), -c.baseIndex);
        EXPECT_EQ(table.HighestPitch(), c.size - c.baseIndex - 1);
        for (int k = table.LowestPitch(); k <= table.HighestPitch(); ++k)
            ASSERT_EQ(table.RateForPitch(k), table.Rates()[c.baseIndex + k]);
    }
    PitchRateTable table(44100);
    EXPECT_EQ(table.Rates()[1], 8751);
    EXPECT_EQ(table.Rates()[2], 9271);
    EXPECT_EQ(table.Rates()[41], 88200);
    EXPECT_EQ(table.RateForPitch(0.5), (44100 + 46722) / 2);
    EXPECT_EQ(table.RateForPitch(-100), 8259);
    EXPECT_EQ(table.RateForPitch(100), 93445);
    // A rate the table cannot reach keeps only itself.
    PitchRateTable odd(4000);
    EXPECT_EQ(odd.Size(), 1);
    EXPECT_EQ(odd.RateForPitch(5), 4000);
}

TEST(PitchRateTable, NearestEntryWinsAndTiesGoLow) {
    PitchRateTable table(48000);
    EXPECT_EQ(table.PitchForRate(44100), -1); // 45306 is nearer than 42763
    EXPECT_EQ(table.PitchForRate(48000), 0);
    EXPECT_EQ(table.PitchForRate(1), -31);
    EXPECT_EQ(table.PitchForRate(500000), -31); // nothing within reach: the lowest entry
    // 8247 lies as near 8009 as 8485: the lower entry wins.
    EXPECT_EQ(table.PitchForRate(8247), -31);
    EXPECT_EQ(table.PitchForRate(8248), -30);
}

TEST(SampleMixer, StereoMixesDownIntoAThirdTrack) {
    CAP_SampleMixer mono(1, 44100, true);
    EXPECT_EQ(mono.TrackCount(), 1);
    EXPECT_EQ(mono.bits, 4);

    CAP_SampleMixer mixer(2, 44100, true);
    ASSERT_EQ(mixer.TrackCount(), 3);
    std::vector<float> in = Ramp(2 * 5000, 0.9f);
    for (std::size_t i = 1; i < in.size(); i += 2)
        in[i] = -0.5f * in[i];
    EXPECT_EQ(mixer.WriteFrames(in.data(), 5000, 0), 5000);
    EXPECT_EQ(mixer.writePosition, 5000);
    EXPECT_DOUBLE_EQ(mixer.duration, 5000.0 / 44100);
    std::vector<float> out(in.size());
    EXPECT_EQ(mixer.ReadFrames(out.data(), 5000, 0), 5000);
    EXPECT_EQ(out, in);
    EXPECT_EQ(mixer.readPosition, 5000);
    std::vector<float> down(5000);
    ASSERT_EQ(mixer.Track(2)->ReadFrames(down.data(), 5000, 0), 5000);
    for (int i = 0; i < 5000; ++i)
        ASSERT_EQ(down[i], (in[2 * i] + in[2 * i + 1]) / 2) << i;
}

TEST(SampleMixer, GainsRouteAndShortTracksReadAsSilence) {
    CAP_SampleMixer mixer(2, 8000, false);
    std::vector<float> left(300, 0.5f);
    std::vector<float> right(100, -0.25f);
    mixer.Track(0)->InsertSamples(left.data(), 300, 0, 1);
    mixer.Track(1)->InsertSamples(right.data(), 100, 0, 1);
    EXPECT_DOUBLE_EQ(mixer.duration, 300.0 / 8000);
    std::vector<float> out(2 * 400, 9.0f);
    EXPECT_EQ(mixer.ReadFrames(out.data(), 400, 0), 300);
    EXPECT_EQ(out[2 * 50 + 1], -0.25f);
    EXPECT_EQ(out[2 * 150 + 1], 0.0f); // past the right track's end
    // Swapped and mixed: the left output takes both tracks at half gain.
    mixer.outputGains[0][0] = 0.5f;
    mixer.outputGains[1][0] = 0.5f;
    mixer.outputGains[1][1] = 0.0f;
    mixer.outputGains[0][1] = 1.0f;
    EXPECT_EQ(mixer.ReadFrames(out.data(), 400, 0), 300);
    EXPECT_FLOAT_EQ(out[2 * 50], 0.125f);
    EXPECT_EQ(out[2 * 50 + 1], 0.5f);
    EXPECT_EQ(out[2 * 200], 0.25f);
}

TEST(SampleMixer, LoadsInTenthSecondChunks) {
    const int frames = 134505; // 3.05 s at 44100 Hz
    MemorySource source(1, 44100, Ramp(frames, 0.5f));
    CAP_SampleMixer mixer(1, 44100, true);
    struct Progress {
        std::vector<int> percents;
        std::vector<std::string> texts;
    } progress;
    auto callback = [](void* user, const char* text, int percent) {
        auto* p = static_cast<Progress*>(user);
        p->texts.push_back(text);
        p->percents.push_back(percent);
        return true;
    };
    EXPECT_TRUE(mixer.LoadFrom(source, callback, &progress));
    std::vector<int> expected(30, 4410);
    expected.push_back(2205);
    expected.push_back(0);
    EXPECT_EQ(source.results, expected);
    EXPECT_EQ(mixer.Track(0)->TotalFrames(), frames);
    std::vector<float> out(frames);
    EXPECT_EQ(mixer.ReadFrames(out.data(), frames, 0), frames);
    EXPECT_EQ(out, source.samples);
    ASSERT_EQ(progress.percents.size(), 32u);
    EXPECT_EQ(progress.percents[0], 0);
    EXPECT_EQ(progress.percents[1], 4410 * 100 / frames);
    EXPECT_EQ(progress.percents.back(), 100);
    EXPECT_EQ(progress.texts.back(), "Loading audio data:");

    // A source that ends early gets one more call with an empty text.
    MemorySource shortSource(1, 44100, Ramp(1000, 0.5f));
    shortSource.duration = 1.0;
    progress = {};
    CAP_SampleMixer other(1, 44100, false);
    EXPECT_TRUE(other.LoadFrom(shortSource, callback, &progress));
    EXPECT_EQ(progress.texts.back(), "");
    EXPECT_EQ(progress.percents.back(), 100);

    // Answering false stops at once: to the first call nothing is loaded.
    for (int stopAt : {1, 3}) {
        SCOPED_TRACE(stopAt);
        MemorySource again(1, 44100, Ramp(frames, 0.5f));
        CAP_SampleMixer stopped(1, 44100, false);
        struct Stop {
            int calls = 0;
            int stopAt = 0;
        } stop{0, stopAt};
        auto stopper = [](void* user, const char*, int) {
            auto* s = static_cast<Stop*>(user);
            return ++s->calls < s->stopAt;
        };
        EXPECT_FALSE(stopped.LoadFrom(again, stopper, &stop));
        EXPECT_EQ(stop.calls, stopAt);
        EXPECT_EQ(stopped.Track(0)->TotalFrames(), (stopAt - 1) * 4410);
    }
}

TEST(SampleMixer, RemovesTheOffsetOfTheFirstChunk) {
    std::vector<float> samples(2 * 9000);
    for (int i = 0; i < 9000; ++i) {
        samples[2 * i] = 0.25f + (i % 2 ? 0.5f : -0.5f);
        samples[2 * i + 1] = i % 2 ? 0.1f : -0.1f;
    }
    samples[2 * 8000] = -0.9f; // in the second chunk, below the offset: clipped
    MemorySource source(2, 44100, samples);
    CAP_SampleMixer mixer(2, 44100, false);
    mixer.SetRemoveDcOffset(true);
    EXPECT_TRUE(mixer.LoadFrom(source, nullptr, nullptr));
    EXPECT_DOUBLE_EQ(mixer.dcMeans[0], 0.25);
    EXPECT_DOUBLE_EQ(mixer.dcMeans[1], 0.0);
    std::vector<float> out(2 * 9000);
    ASSERT_EQ(mixer.ReadFrames(out.data(), 9000, 0), 9000);
    EXPECT_EQ(out[0], -0.5f);
    EXPECT_EQ(out[2 * 7001], 0.5f);
    EXPECT_EQ(out[2 * 8000], -1.0f);
    EXPECT_EQ(out[2 * 8000 + 1], -0.1f);
}

TEST(SampleMixer, FoldsSourcesOfOtherChannelCounts) {
    std::vector<float> six(6 * 5000);
    for (std::size_t i = 0; i < six.size(); ++i)
        six[i] = static_cast<float>(i % 6) / 10.0f;
    struct Case {
        int channels;
        std::vector<float> frame;
    } cases[] = {{1, {0.25f}}, {2, {0.0f, 0.1f}}, {7, {0.0f, 0.1f}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.channels);
        MemorySource source(6, 8000, six);
        CAP_SampleMixer mixer(c.channels, 8000, true);
        ASSERT_EQ(mixer.channels, static_cast<int>(c.frame.size()));
        EXPECT_TRUE(mixer.LoadFrom(source, nullptr, nullptr));
        std::vector<float> out(5000 * c.frame.size());
        ASSERT_EQ(mixer.ReadFrames(out.data(), 5000, 0), 5000);
        for (std::size_t k = 0; k < c.frame.size(); ++k)
            EXPECT_FLOAT_EQ(out[4999 * c.frame.size() + k], c.frame[k]);
    }
    // A mono source fills both channels of a stereo mixer.
    MemorySource mono(1, 8000, Ramp(500, 0.5f));
    CAP_SampleMixer stereo(2, 8000, false);
    EXPECT_TRUE(stereo.LoadFrom(mono, nullptr, nullptr));
    std::vector<float> out(1000);
    ASSERT_EQ(stereo.ReadFrames(out.data(), 500, 0), 500);
    EXPECT_EQ(out[2 * 321], mono.samples[321]);
    EXPECT_EQ(out[2 * 321 + 1], mono.samples[321]);
}

TEST(SampleMixer, LoadsOnTwoThreadsAtOnceStayApart) {
    // Two sources of different rates and channel counts loading side by side, repeatedly.
    std::vector<float> a = Ramp(2 * 96000, 0.7f);
    std::vector<float> b = Ramp(44100, -0.3f);
    for (int round = 0; round < 4; ++round) {
        MemorySource sourceA(2, 96000, a);
        MemorySource sourceB(1, 44100, b);
        CAP_SampleMixer mixerA(2, 96000, true);
        CAP_SampleMixer mixerB(1, 44100, true);
        std::thread worker([&] { mixerA.LoadFrom(sourceA, nullptr, nullptr); });
        mixerB.LoadFrom(sourceB, nullptr, nullptr);
        worker.join();
        std::vector<float> outA(a.size());
        std::vector<float> outB(b.size());
        ASSERT_EQ(mixerA.ReadFrames(outA.data(), 96000, 0), 96000);
        ASSERT_EQ(mixerB.ReadFrames(outB.data(), 44100, 0), 44100);
        ASSERT_EQ(outA, a);
        ASSERT_EQ(outB, b);
    }
}

TEST(SampleMixer, PitchReratesEveryTrack) {
    CAP_SampleMixer mixer(2, 44100, true);
    std::vector<float> in = Ramp(2 * 20000, 0.6f);
    mixer.WriteFrames(in.data(), 20000, 0);
    int lowest = 0;
    int highest = 0;
    mixer.GetPitchRange(lowest, highest);
    EXPECT_EQ(lowest, -29);
    EXPECT_EQ(highest, 13);
    mixer.SetPitch(-40);
    EXPECT_EQ(mixer.Pitch(), -29);
    EXPECT_EQ(mixer.rate, 8259);
    for (int t = 0; t < 3; ++t)
        EXPECT_EQ(mixer.Track(t)->rate, 8259);
    EXPECT_DOUBLE_EQ(mixer.duration, 20000.0 / 8259);
    mixer.SetPitch(12);
    EXPECT_EQ(mixer.rate, 88200);
    std::vector<float> out(in.size());
    ASSERT_EQ(mixer.ReadFrames(out.data(), 20000, 0), 20000);
    EXPECT_EQ(out, in);
    EXPECT_EQ(mixer.PitchForRate(88200), 12);
}

} // namespace

namespace {

// Every track's samples, block signatures and colours, as a user's display and search see them.
struct TrackPicture {
    std::vector<float> samples;
    std::vector<std::uint32_t> colours;
    std::vector<SoundSignature> signatures;
    bool operator==(const TrackPicture& other) const {
        if (samples != other.samples || colours != other.colours ||
            signatures.size() != other.signatures.size())
            return false;
        for (std::size_t i = 0; i < signatures.size(); ++i)
            if (std::memcmp(signatures[i].bytes, other.signatures[i].bytes,
                            sizeof signatures[i].bytes) != 0)
                return false;
        return true;
    }
};

TrackPicture Picture(CAP_SampleTrack& track) {
    TrackPicture p;
    p.samples.resize(static_cast<std::size_t>(track.TotalFrames()));
    track.ReadFrames(p.samples.data(), static_cast<int>(p.samples.size()), 0);
    for (std::int64_t at = 0; at < track.TotalFrames(); at += 22050) {
        SoundSignature signature{};
        std::uint32_t colour = 0;
        track.ComputeSignature(std::min<std::int64_t>(22050, track.TotalFrames() - at), at,
                               &signature, &colour, nullptr, nullptr);
        p.signatures.push_back(signature);
        p.colours.push_back(colour);
    }
    return p;
}

} // namespace

TEST(SampleMixer, ALongLoadFillsEveryTrackAsShortWritesDo) {
    // Long enough for the tracks to be written side by side, with a short tail.
    const int frames = 3 * 65536 + 1234;
    std::vector<float> stereo(static_cast<std::size_t>(frames) * 2);
    std::mt19937 random(5);
    std::uniform_real_distribution<float> noise(-0.3f, 0.3f);
    for (int i = 0; i < frames; ++i) {
        stereo[2 * i] = 0.5f * static_cast<float>(std::sin(i * 0.02)) + noise(random);
        stereo[2 * i + 1] = 0.4f * static_cast<float>(std::sin(i * 0.005));
    }
    MemorySource source(2, 44100, stereo);
    CAP_SampleMixer loaded(2, 44100, true);
    ASSERT_TRUE(loaded.LoadFrom(source, nullptr, nullptr));
    CAP_SampleMixer written(2, 44100, true);
    for (int at = 0; at < frames; at += 4410) {
        const int n = std::min(4410, frames - at);
        written.WriteFrames(stereo.data() + static_cast<std::size_t>(at) * 2, n, at);
    }
    ASSERT_EQ(loaded.TrackCount(), 3);
    for (int t = 0; t < 3; ++t) {
        SCOPED_TRACE(t);
        EXPECT_EQ(loaded.Track(t)->TotalFrames(), frames);
        EXPECT_TRUE(Picture(*loaded.Track(t)) == Picture(*written.Track(t)));
    }
}

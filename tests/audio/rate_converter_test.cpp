#include "audio/rate_converter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// Converts a whole interleaved signal, in blocks of the given sizes taken in turn, and
// flushes the tail.
std::vector<float> Convert(RateConverter& rc, const std::vector<float>& in,
                           std::vector<int> blocks = {4096}) {
    const int ch = rc.Channels();
    const int frames = static_cast<int>(in.size()) / ch;
    const double factor = rc.State().factor;
    std::vector<float> out;
    size_t next = 0;
    for (int done = 0; done < frames;) {
        const int n = std::min(blocks[next++ % blocks.size()], frames - done);
        std::vector<float> buf((static_cast<size_t>(n * factor) + 1) * ch);
        const int got = rc.Process(in.data() + size_t(done) * ch, n, buf.data());
        EXPECT_LE(static_cast<size_t>(got) * ch, buf.size());
        out.insert(out.end(), buf.begin(), buf.begin() + size_t(got) * ch);
        done += n;
    }
    std::vector<float> tail(size_t(rc.FlushLength()) * ch);
    const int got = rc.Flush(tail.data());
    EXPECT_EQ(static_cast<size_t>(got) * ch, tail.size());
    out.insert(out.end(), tail.begin(), tail.end());
    return out;
}

std::vector<float> Sine(double hz, int rate, int frames, double amp = 0.5) {
    std::vector<float> v(frames);
    for (int i = 0; i < frames; ++i)
        v[i] = static_cast<float>(amp * std::sin(2 * M_PI * hz * i / rate));
    return v;
}

// Largest error against the exact signal at the output rate, away from both ends where the
// filter sees the silence before and after the input.
template <typename Exact> double MaxError(const std::vector<float>& out, int edge, Exact exact) {
    double worst = 0;
    for (int i = edge; i + edge < static_cast<int>(out.size()); ++i)
        worst = std::max(worst, std::abs(out[i] - exact(i)));
    return worst;
}

double Rms(const std::vector<float>& v, int edge) {
    double sum = 0;
    int n = 0;
    for (int i = edge; i + edge < static_cast<int>(v.size()); ++i, ++n)
        sum += double(v[i]) * v[i];
    return std::sqrt(sum / n);
}

TEST(RateConverterTest, ParametersFollowTheRatio) {
    struct Case {
        int in, out;
        bool exact;
        int nq, a, b, dhb, nWing, xh;
    } cases[] = {
        {22050, 44100, true, 2, 1, 2, 0, 47, 23},
        {44100, 22050, false, 128, 2, 1, 4194304, 2945, 46},
        {44100, 48000, true, 160, 147, 160, 0, 3681, 23},
        {48000, 44100, false, 128, 160, 147, 7707034, 2945, 25},
        // 23 b + 1 table entries would exceed the table limit: fractional mode instead.
        {10000, 44700, false, 128, 100, 447, 8388608, 2945, 23},
        {8000, 96000, true, 12, 1, 12, 0, 277, 23},
        {96000, 8000, false, 128, 12, 1, 699051, 2945, 276},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.in) + " -> " + std::to_string(c.out));
        RateConverter rc(1, c.in, c.out);
        ASSERT_TRUE(rc.IsReady());
        const ResampleState& s = rc.State();
        EXPECT_EQ(s.exact, c.exact);
        EXPECT_EQ(s.nq, c.nq);
        EXPECT_EQ(s.a, c.a);
        EXPECT_EQ(s.b, c.b);
        if (!c.exact) {
            EXPECT_EQ(s.dhb, c.dhb);
        }
        EXPECT_EQ(s.nWing, c.nWing);
        EXPECT_EQ(s.xh, c.xh);
        EXPECT_EQ(s.xoff, c.xh + 10);
        EXPECT_DOUBLE_EQ(s.factor, double(c.out) / c.in);

        // The half filter: guard entries, unity gain at whole-sample spacing, and a tail of
        // zeros up to the guard after it.
        ASSERT_EQ(s.impulse.size(), size_t(s.nWing) + 2);
        const double* h = s.impulse.data() + 1;
        EXPECT_EQ(s.impulse[0], h[1]);
        EXPECT_EQ(h[s.nWing], 0.0);
        EXPECT_EQ(h[s.nWing - 1], 0.0);
        double gain = h[0];
        for (int i = s.nq; i < s.nWing; i += s.nq)
            gain += 2 * h[i];
        EXPECT_NEAR(gain, 1.0, 1e-12);
        EXPECT_NEAR(h[0], 0.8, 1e-3);
    }
}

TEST(RateConverterTest, ImpossibleSetUpsAreRefused) {
    struct Case {
        int channels, in, out;
    } cases[] = {{1, 1, 100000}, {1, 100000, 1}, {1, 0, 44100}, {1, 44100, -1}, {0, 22050, 44100}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.channels) + " " + std::to_string(c.in) + " -> " +
                     std::to_string(c.out));
        RateConverter rc(c.channels, c.in, c.out);
        EXPECT_FALSE(rc.IsReady());
        std::vector<float> in(64, 0.25f), out(64);
        EXPECT_EQ(rc.Process(in.data(), 64, out.data()), 0);
        EXPECT_EQ(rc.FlushLength(), 0);
        EXPECT_EQ(rc.Flush(out.data()), 0);
    }
}

TEST(RateConverterTest, EqualRatesCopyTheInput) {
    RateConverter rc(2, 44100, 44100);
    ASSERT_TRUE(rc.IsReady());
    std::vector<float> in = {0.1f, -0.2f, 0.3f, -0.4f, 1.0f, -1.0f};
    std::vector<float> out(6);
    EXPECT_EQ(rc.Process(in.data(), 3, out.data()), 3);
    EXPECT_EQ(out, in);
    EXPECT_EQ(rc.FlushLength(), 0);
    EXPECT_EQ(rc.Flush(out.data()), 0);
}

// Every ratio the program meets: up and down, exact and fractional, and the extremes of the
// decodable rates.
class RateConverterRatio : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(RateConverterRatio, KeepsTheBandAndItsLevel) {
    const auto [inRate, outRate] = GetParam();
    const int frames = inRate / 4; // a quarter of a second
    const int edge = static_cast<int>(60 * std::max(1.0, double(outRate) / inRate));
    const int low = std::min(inRate, outRate);

    {
        SCOPED_TRACE("constant level");
        RateConverter rc(1, inRate, outRate);
        const auto out = Convert(rc, std::vector<float>(frames, 0.5f));
        EXPECT_LT(MaxError(out, edge, [](int) { return 0.5; }), 5e-6);
    }
    // The filter is flat to 1e-5 up to 0.1 of the lower rate and still within 1e-4 at 0.3,
    // where its roll-off begins.
    for (const auto& [relative, tolerance] : {std::pair{0.1, 1e-5}, std::pair{0.3, 5e-5}}) {
        SCOPED_TRACE("tone in the pass band at " + std::to_string(relative));
        RateConverter rc(1, inRate, outRate);
        const double hz = relative * low;
        const auto out = Convert(rc, Sine(hz, inRate, frames));
        EXPECT_LT(
            MaxError(out, edge, [&](int i) { return 0.5 * std::sin(2 * M_PI * hz * i / outRate); }),
            tolerance);
    }
    if (0.75 * outRate < 0.45 * inRate) {
        SCOPED_TRACE("tone above the new Nyquist frequency");
        RateConverter rc(1, inRate, outRate);
        const auto out = Convert(rc, Sine(0.75 * outRate, inRate, frames));
        EXPECT_LT(Rms(out, edge), 1e-7);
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, RateConverterRatio,
                         ::testing::Values(std::pair{22050, 44100}, std::pair{44100, 22050},
                                           std::pair{44100, 48000}, std::pair{48000, 44100},
                                           std::pair{10000, 44700}, std::pair{44100, 52444},
                                           std::pair{96000, 8000}, std::pair{8000, 96000},
                                           std::pair{44100, 44099}, std::pair{48000, 44099}),
                         [](const auto& info) {
                             return std::to_string(info.param.first) + "_to_" +
                                    std::to_string(info.param.second);
                         });

TEST(RateConverterTest, LengthAndSamplesDoNotDependOnTheBlocks) {
    const std::pair<int, int> ratios[] = {{44100, 48000}, {48000, 44100}, {10000, 44700}};
    for (const auto& [inRate, outRate] : ratios) {
        SCOPED_TRACE(std::to_string(inRate) + " -> " + std::to_string(outRate));
        const std::vector<float> in = Sine(440, inRate, 20011);
        RateConverter whole(1, inRate, outRate);
        const auto one = Convert(whole, in, {1 << 20});
        const int64_t expected = (int64_t(in.size()) * outRate + inRate - 1) / inRate;
        EXPECT_EQ(int64_t(one.size()), expected);
        // The same converter serves a second stream after the flush.
        EXPECT_EQ(Convert(whole, in, {1, 7, 300, 8191, 9000, 64}), one);
    }
}

TEST(RateConverterTest, ChannelsAreConvertedIndependently) {
    const int frames = 9000;
    // An exact ratio, a long fractional one and a fractional one below unity: each of the
    // converter's ways to weigh the taps.
    const std::pair<int, int> ratios[] = {{44100, 48000}, {44100, 52444}, {48000, 44099}};
    for (const auto& [inRate, outRate] : ratios) {
        for (int channels : {2, 6}) {
            SCOPED_TRACE(std::to_string(inRate) + " -> " + std::to_string(outRate) + ", " +
                         std::to_string(channels) + " channels");
            // Channel c carries a tone of its own; channel 1 is silent.
            std::vector<float> in(size_t(frames) * channels);
            for (int c = 0; c < channels; ++c) {
                if (c == 1)
                    continue;
                const auto tone = Sine(300.0 * (c + 1), inRate, frames);
                for (int i = 0; i < frames; ++i)
                    in[size_t(i) * channels + c] = tone[i];
            }
            RateConverter rc(channels, inRate, outRate);
            const auto out = Convert(rc, in, {1000, 333});
            const size_t outFrames = out.size() / channels;
            for (int c = 0; c < channels; ++c) {
                SCOPED_TRACE(c);
                RateConverter mono(1, inRate, outRate);
                std::vector<float> alone(frames);
                for (int i = 0; i < frames; ++i)
                    alone[i] = in[size_t(i) * channels + c];
                const auto expected = Convert(mono, alone);
                ASSERT_EQ(expected.size(), outFrames);
                for (size_t i = 0; i < outFrames; ++i)
                    ASSERT_EQ(out[i * channels + c], expected[i]) << "frame " << i;
            }
        }
    }
}

TEST(RateConverterTest, FlushDeliversTheTail) {
    // A slow sine makes every output frame distinct: the last ones must continue it.
    RateConverter rc(1, 22050, 44100);
    std::vector<float> in(1000);
    for (size_t i = 0; i < in.size(); ++i)
        in[i] = 0.5f * std::sin(0.01 * i);
    std::vector<float> out(2001);
    const int got = rc.Process(in.data(), 1000, out.data());
    EXPECT_LT(got, 2000);
    const int tail = rc.FlushLength();
    EXPECT_EQ(got + tail, 2000);
    EXPECT_EQ(rc.Flush(out.data() + got), tail);
    EXPECT_EQ(rc.FlushLength(), 0);
    // Output 2k lies on input k, which this exact ratio reproduces up to the filter's error
    // (away from the end, where the silence after the input begins to weigh in).
    for (int k = 900; k < 970; ++k)
        EXPECT_NEAR(out[2 * k], in[k], 1e-5) << k;
}

} // namespace

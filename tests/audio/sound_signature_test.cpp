#include "audio/sound_signature.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace {

using Bands = std::array<int, kSignatureBands>;

SoundSignature MakeSignature(const Bands& bands, int spread = 0) {
    SoundSignature s{};
    for (int k = 0; k < kSignatureBands; ++k)
        s.bytes[k] = static_cast<std::uint8_t>(bands[k]);
    s.bytes[kSignatureSpreadByte] = static_cast<std::uint8_t>(spread);
    s.bytes[kSignatureMarkByte] = kSignatureMark;
    return s;
}

Bands Neutral() {
    Bands b;
    b.fill(85);
    return b;
}

Bands NeutralExcept(int band, int value) {
    Bands b = Neutral();
    b[band] = value;
    return b;
}

SoundSignature Analyze(int rate, const std::vector<int>& samples) {
    SignatureAnalyzerPtr analyzer(CreateSignatureAnalyzer(rate));
    EXPECT_NE(analyzer, nullptr);
    for (int s : samples)
        AddSignatureSample(analyzer.get(), s);
    SoundSignature out{};
    FinishSignature(analyzer.get(), &out);
    return out;
}

std::vector<int> Generate(int count, const std::function<int(int)>& sample) {
    std::vector<int> v(count);
    for (int i = 0; i < count; ++i)
        v[i] = sample(i);
    return v;
}

void ExpectSignature(const SoundSignature& s, const Bands& bands, int spread) {
    for (int k = 0; k < kSignatureBands; ++k)
        EXPECT_EQ(s.bytes[k], bands[k]) << "band " << k;
    EXPECT_EQ(s.bytes[kSignatureSpreadByte], spread);
    EXPECT_EQ(s.bytes[13], 0);
    EXPECT_EQ(s.bytes[14], 0);
    EXPECT_EQ(s.bytes[kSignatureMarkByte], 32);
}

struct LagCase {
    int rate;
    int decimation;
    Bands lags;
};

void PrintTo(const LagCase& c, std::ostream* os) {
    *os << c.rate << " Hz";
}

class SoundSignatureLags : public ::testing::TestWithParam<LagCase> {};

TEST_P(SoundSignatureLags, DecimationAndLagsPerRate) {
    const LagCase& c = GetParam();
    SignatureAnalyzerPtr analyzer(CreateSignatureAnalyzer(c.rate));
    ASSERT_NE(analyzer, nullptr);
    EXPECT_EQ(analyzer->decimation, c.decimation);
    for (int k = 0; k < kSignatureBands; ++k)
        EXPECT_EQ(analyzer->lag[k], c.lags[k]) << "band " << k;
}

constexpr Bands kLags8000 = {2, 3, 4, 5, 6, 8, 10, 13, 16, 20, 25, 32};
constexpr Bands kLags11025 = {3, 4, 6, 7, 9, 11, 14, 18, 22, 28, 35, 44};

INSTANTIATE_TEST_SUITE_P(
    Rates, SoundSignatureLags,
    ::testing::Values(LagCase{8000, 1, kLags8000}, LagCase{16000, 2, kLags8000},
                      LagCase{32000, 4, kLags8000}, LagCase{48000, 6, kLags8000},
                      LagCase{96000, 12, kLags8000}, LagCase{11025, 1, kLags11025},
                      LagCase{22050, 2, kLags11025},
                      LagCase{44100, 5, {2, 3, 4, 6, 7, 9, 11, 14, 18, 22, 28, 35}},
                      LagCase{15999, 1, {4, 6, 8, 10, 13, 16, 20, 25, 32, 40, 51, 64}}),
    [](const auto& info) { return std::to_string(info.param.rate); });

TEST(SoundSignature, RatesBelow8000HaveNoAnalyzerAndMissingAnalyzersAreHarmless) {
    for (int rate : {7999, 0, -44100})
        EXPECT_EQ(CreateSignatureAnalyzer(rate), nullptr) << rate;
    AddSignatureSample(nullptr, 100);
    SoundSignature untouched{};
    untouched.bytes[0] = 42;
    FinishSignature(nullptr, &untouched);
    EXPECT_EQ(untouched.bytes[0], 42);
    FreeSignatureAnalyzer(nullptr);
    SignatureAnalyzerPtr analyzer(CreateSignatureAnalyzer(8000));
    FinishSignature(analyzer.get(), nullptr);
}

TEST(SoundSignature, At44100EveryFifthSampleIsKept) {
    SignatureAnalyzerPtr analyzer(CreateSignatureAnalyzer(44100));
    for (int i = 1; i <= 4; ++i)
        AddSignatureSample(analyzer.get(), i);
    EXPECT_EQ(analyzer->keptCount, 0);
    AddSignatureSample(analyzer.get(), -5);
    ASSERT_EQ(analyzer->keptCount, 1);
    EXPECT_EQ(analyzer->ring[0].sign, 255);
    EXPECT_EQ(analyzer->ring[0].magnitude, 5);
    for (int i = 6; i <= 10; ++i)
        AddSignatureSample(analyzer.get(), i);
    ASSERT_EQ(analyzer->keptCount, 2);
    EXPECT_EQ(analyzer->ring[1].magnitude, 10);
    EXPECT_EQ(analyzer->magnitudeSum, 15.0);
    EXPECT_EQ(analyzer->squareSum, 125.0);
}

TEST(SoundSignature, QuantisationBoundaries) {
    const double halfStep = 0.5 / 32768; // exactly representable
    const struct {
        double x;
        int value;
    } cases[] = {
        {0.0, 0},
        {-0.0, 0},
        {1.0, 32767}, // capped
        {2.5, 32767},
        {INFINITY, 32767},
        {-1.0, -32768},
        {-1.0 - 1e-6, -32768}, // floored
        {-INFINITY, -32768},
        {halfStep, 1},
        {-halfStep, -1},
        // Just below half a step: double precision keeps it at 0 (float would round up).
        {std::nextafter(static_cast<float>(halfStep), 0.0f), 0},
        {-std::nextafter(static_cast<float>(halfStep), 0.0f), 0},
        {0.5, 16384},
        {-0.5, -16384},
        {32766.5 / 32768, 32767},
        {-32767.5 / 32768, -32768},
        {NAN, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.x);
        EXPECT_EQ(QuantizeSignatureSample(c.x), c.value);
    }
}

struct VectorCase {
    const char* name;
    int rate;
    std::vector<int> samples;
    Bands bands;
    int spread;
};

TEST(SoundSignature, HandWorkedVectors) {
    Bands allFull;
    allFull.fill(255);
    Bands allZero;
    allZero.fill(0);
    auto constant = [](int i) { return 1000; };
    const VectorCase cases[] = {
        {"silence", 8000, std::vector<int>(200, 0), Neutral(), 0},
        {"constant", 8000, Generate(200, constant), allFull, 0},
        {"constant negative at 44100", 44100, Generate(1000, [](int) { return -3000; }), allFull,
         0},
        // Even lags compare equal signs, odd lags opposite ones.
        {"alternating",
         8000,
         Generate(200, [](int i) { return i % 2 ? -1000 : 1000; }),
         {255, 0, 255, 0, 255, 255, 255, 0, 255, 255, 0, 255},
         0},
        // An impulse never meets a sample of its own sign; its amplitude is all peak.
        {"impulse", 8000, Generate(200, [](int i) { return i == 100 ? 5000 : 0; }), allZero, 255},
        // A pulse every 4th sample: lags that are multiples of 4 line up. 16 of 64 samples
        // carry the energy: c = 1 - ln 16 / ln 64 = 1/3, spread trunc(170 + 0.5).
        {"pulse every fourth",
         8000,
         Generate(64, [](int i) { return i % 4 ? 0 : 1000; }),
         {0, 0, 255, 0, 0, 255, 0, 0, 255, 255, 0, 255},
         170},
        // Bands whose lag leaves fewer than 30 compared pairs stay neutral.
        {"31 samples", 8000, Generate(31, constant), Neutral(), 0},
        {"32 samples", 8000, Generate(32, constant), NeutralExcept(0, 255), 0},
        {"40 samples",
         8000,
         Generate(40, constant),
         {255, 255, 255, 255, 255, 255, 255, 85, 85, 85, 85, 85},
         0},
        // At 44100 Hz every 5th sample is kept: 155 give 31 kept, 160 give 32.
        {"155 samples at 44100", 44100, Generate(155, constant), Neutral(), 0},
        {"160 samples at 44100", 44100, Generate(160, constant), NeutralExcept(0, 255), 0},
        {"2 samples", 8000, Generate(2, constant), Neutral(), 0},
        {"1 sample", 8000, Generate(1, constant), Neutral(), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectSignature(Analyze(c.rate, c.samples), c.bands, c.spread);
    }
}

TEST(SoundSignature, BandValuesAbove255KeepTheirLowBits) {
    // 62 samples at 8000 Hz; band 11 (lag 32) compares samples 0-29 with 32-61, all 1000,
    // while the two samples in between lower the mean: 1000 / (60200 / 62) x 255 + 0.5 =
    // 263.12, stored as 263 - 256 = 7.
    auto samples = Generate(62, [](int i) { return i == 30 || i == 31 ? 100 : 1000; });
    EXPECT_EQ(Analyze(8000, samples).bytes[11], 7);
}

TEST(SoundSignature, FinishingLeavesTheAnalysisRunning) {
    SignatureAnalyzerPtr analyzer(CreateSignatureAnalyzer(8000));
    for (int i = 0; i < 31; ++i)
        AddSignatureSample(analyzer.get(), 1000);
    SoundSignature first{}, again{};
    FinishSignature(analyzer.get(), &first);
    FinishSignature(analyzer.get(), &again);
    EXPECT_EQ(std::vector<int>(first.bytes, first.bytes + 16),
              std::vector<int>(again.bytes, again.bytes + 16));
    AddSignatureSample(analyzer.get(), 1000);
    FinishSignature(analyzer.get(), &again);
    EXPECT_EQ(again.bytes[0], 255); // the 32nd sample completes band 0
}

// Pins the exact bytes for a fixed pseudo-random input at the common rates: stored catalogs
// and the remote collection hold signatures made this way.
TEST(SoundSignature, FixedNoiseGivesTheSameBytes) {
    struct Case {
        int rate;
        std::array<int, 16> bytes;
    };
    const Case cases[] = {
        {8000, {219, 217, 214, 211, 207, 197, 187, 170, 153, 131, 105, 72, 12, 0, 0, 32}},
        // Band 11 has lag 64 here: it must read the oldest ring entry before it is replaced.
        {15999, {214, 207, 197, 187, 170, 153, 131, 105, 72, 41, 12, 1, 12, 0, 0, 32}},
        {22050, {207, 197, 176, 165, 142, 121, 91, 56, 29, 5, 5, 50, 13, 0, 0, 32}},
        {44100, {187, 159, 131, 81, 60, 26, 6, 5, 57, 155, 162, 16, 14, 0, 0, 32}},
        {48000, {176, 142, 110, 81, 56, 19, 2, 19, 83, 209, 109, 2, 14, 0, 0, 32}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rate);
        std::uint32_t state = 12345;
        auto samples = Generate(20000, [&](int i) {
            state = state * 1664525u + 1013904223u;
            int noise = static_cast<int>(state >> 20) - 2048; // -2048..2047
            return static_cast<int>(8000 * std::sin(i * 0.05)) + noise;
        });
        SoundSignature s = Analyze(c.rate, samples);
        for (int b = 0; b < 16; ++b)
            EXPECT_EQ(s.bytes[b], c.bytes[b]) << "byte " << b;
    }
}

constexpr Bands kAlternatingBands = {255, 0, 255, 0, 255, 255, 255, 0, 255, 255, 0, 255};

TEST(SoundSignature, FramesAreAveragedShiftedAndQuantised) {
    // Every case holds alternating +0.5 / -0.5 after averaging and the offset, inside frames
    // 10..209 of 220; the frames outside are loud and must not count.
    auto frame = [](int i) { return i < 10 || i >= 210 ? 0.9f : (i % 2 ? -0.5f : 0.5f); };
    const struct {
        const char* name;
        int channels;
        float offset;
        std::function<std::vector<float>(float)> frameSamples;
    } cases[] = {
        {"mono", 1, 0.0f, [](float x) { return std::vector<float>{x}; }},
        {"mono with offset", 1, 0.25f, [](float x) { return std::vector<float>{x + 0.25f}; }},
        {"stereo averaged", 2, 0.0f,
         [](float x) {
             return std::vector<float>{x + 0.25f, x - 0.25f};
         }},
        {"stereo averaged before the offset", 2, -0.125f,
         [](float x) {
             return std::vector<float>{x - 0.5f, x + 0.25f};
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<float> frames;
        for (int i = 0; i < 220; ++i) {
            auto samples = c.frameSamples(frame(i));
            frames.insert(frames.end(), samples.begin(), samples.end());
        }
        SoundSignature signature{};
        std::uint32_t colour = 0;
        ComputeSignatureOfFrames(frames.data(), 10, 210, c.channels, 8000, c.offset, &signature,
                                 &colour);
        ExpectSignature(signature, kAlternatingBands, 0);
        EXPECT_EQ(colour, SignatureToColor(&signature));

        // Asking for the colour alone gives the same colour.
        std::uint32_t colourOnly = 0;
        ComputeSignatureOfFrames(frames.data(), 10, 210, c.channels, 8000, c.offset, nullptr,
                                 &colourOnly);
        EXPECT_EQ(colourOnly, colour);
    }
}

TEST(SoundSignature, FramesOfAnEmptyRangeOrALowRateLeaveTheSignature) {
    std::vector<float> frames(400, 0.5f);
    SoundSignature signature = MakeSignature(NeutralExcept(0, 255));
    std::uint32_t colour = 0xDEADBEEF;
    ComputeSignatureOfFrames(frames.data(), 50, 50, 1, 44100, 0.0f, &signature, &colour);
    ComputeSignatureOfFrames(frames.data(), 60, 50, 1, 44100, 0.0f, &signature, &colour);
    EXPECT_EQ(colour, 0xDEADBEEFu);
    EXPECT_EQ(signature.bytes[0], 255);
    // Below 8000 Hz there is no analysis: the signature stays and the colour is its own.
    ComputeSignatureOfFrames(frames.data(), 0, 400, 1, 4000, 0.0f, &signature, &colour);
    EXPECT_EQ(signature.bytes[0], 255);
    EXPECT_EQ(colour, SignatureToColor(&signature));
}

struct ScoreCase {
    const char* name;
    SoundSignature a;
    SoundSignature b;
    float score;
};

std::vector<ScoreCase> ScoreCases() {
    SoundSignature invalid = MakeSignature(Neutral());
    invalid.bytes[kSignatureMarkByte] = 0;
    Bands mixed = {170, 0, 255, 40, 85, 130, 99, 12, 200, 85, 60, 254};
    return {
        {"example 66.14", MakeSignature(NeutralExcept(0, 170)),
         MakeSignature(NeutralExcept(0, 127)), static_cast<float>(200.0 * 42 / 127)},
        {"opposite sides", MakeSignature(NeutralExcept(3, 255)), MakeSignature(NeutralExcept(3, 0)),
         0.0f},
        {"both below neutral", MakeSignature(NeutralExcept(5, 40)),
         MakeSignature(NeutralExcept(5, 60)), static_cast<float>(200.0 * 25 / 70)},
        {"85 counts as the upper side", MakeSignature(NeutralExcept(1, 85)),
         MakeSignature(NeutralExcept(1, 40)), 0.0f},
        {"neutral against another", MakeSignature(Neutral()), MakeSignature(mixed), 0.0f},
        {"identical", MakeSignature(mixed, 77), MakeSignature(mixed, 77), 100.0f},
        {"two neutral, spreads 10 apart", MakeSignature(Neutral(), 0), MakeSignature(Neutral(), 10),
         95.0f},
        {"spread difference 199", MakeSignature(mixed, 0), MakeSignature(mixed, 199), 0.5f},
        {"spread difference 200", MakeSignature(mixed, 0), MakeSignature(mixed, 200), 0.0f},
        {"spread difference 201", MakeSignature(mixed, 255), MakeSignature(mixed, 54), 0.0f},
        {"example less spread", MakeSignature(NeutralExcept(0, 170), 100),
         MakeSignature(NeutralExcept(0, 127), 103), static_cast<float>(200.0 * 42 / 127 - 1.5)},
        {"invalid mark", invalid, MakeSignature(Neutral()), -1.0f},
        {"invalid mark second", MakeSignature(Neutral()), invalid, -1.0f},
    };
}

TEST(SoundSignature, CompareSignaturesScores) {
    for (const auto& c : ScoreCases()) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CompareSignatures(&c.a, &c.b), c.score);
        EXPECT_EQ(CompareSignatures(&c.b, &c.a), c.score); // symmetric
    }
    SoundSignature s = MakeSignature(Neutral());
    EXPECT_EQ(CompareSignatures(nullptr, &s), -1.0f);
    EXPECT_EQ(CompareSignatures(&s, nullptr), -1.0f);
    EXPECT_NEAR(CompareSignatures(&ScoreCases()[0].a, &ScoreCases()[0].b), 66.14f, 0.005f);
}

TEST(SoundSignature, Colours) {
    SoundSignature invalid = MakeSignature(NeutralExcept(0, 255));
    invalid.bytes[kSignatureMarkByte] = 'x';
    const struct {
        const char* name;
        SoundSignature signature;
        std::array<int, 3> rgb;
    } cases[] = {
        {"neutral grey", MakeSignature(Neutral(), 200), {170, 170, 170}},
        {"full 4000 Hz band", MakeSignature(NeutralExcept(0, 255)), {0, 170, 170}},
        {"low bands take no part", MakeSignature(NeutralExcept(9, 0)), {170, 170, 170}},
        // Weighted by distance from neutral: (255 x 170 + 0 x 85) / 255 = 170 -> 85, and
        // (255 x 340) / 425 = 204 -> 51 in the other two groups.
        {"alternating input",
         MakeSignature({255, 0, 255, 0, 255, 255, 255, 0, 255, 255, 0, 255}),
         {85, 51, 51}},
        // Red: (86 x 1 + 88 x 3) / 4 = 87.5 rounds up to 88.
        {"rounding half up",
         MakeSignature({86, 88, 85, 85, 30, 85, 85, 85, 85, 85, 85, 85}),
         {255 - 88, 255 - 30, 170}},
        {"invalid", invalid, {0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::uint8_t rgb[3] = {1, 2, 3};
        SignatureToColor(&c.signature, rgb);
        EXPECT_EQ(rgb[0], c.rgb[0]);
        EXPECT_EQ(rgb[1], c.rgb[1]);
        EXPECT_EQ(rgb[2], c.rgb[2]);
        EXPECT_EQ(SignatureToColor(&c.signature),
                  static_cast<std::uint32_t>(c.rgb[0] | c.rgb[1] << 8 | c.rgb[2] << 16));
    }
    std::uint8_t rgb[3] = {1, 2, 3};
    SignatureToColor(nullptr, rgb);
    EXPECT_EQ(rgb[0] + rgb[1] + rgb[2], 0);
    SignatureToColor(&cases[0].signature, nullptr); // nothing to write to
}

} // namespace

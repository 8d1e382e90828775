#include "collection/analysis/pitch_variants.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "audio/engine/sample_mixer.h"
#include "audio/general_helpers.h"
#include "audio/sound_signature.h"
#include "collection/analysis/waveform_summary.h"
#include "collection/audio_file_util.h"
#include "collection/sound_file.h"

namespace {

// A tone whose loudness and pitch drift, with a little noise and a silent stretch, so that
// neighbouring summary points differ in height and colour.
std::vector<float> DriftingTone(int rate, double seconds) {
    const auto frames = static_cast<std::size_t>(std::llround(rate * seconds));
    std::vector<float> samples(frames);
    std::uint32_t noise = 12345;
    double phase = 0.0;
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        phase += 2.0 * M_PI * (200.0 + 900.0 * t / seconds) / rate;
        noise = noise * 1664525u + 1013904223u;
        const double hiss = (static_cast<double>(noise >> 8) / 16777216.0 - 0.5) * 0.1;
        const double loudness = (t > 0.8 && t < 1.0) ? 0.0 : 0.2 + 0.7 * std::fabs(std::sin(t * 3));
        samples[i] = static_cast<float>(loudness * std::sin(phase) + (loudness > 0 ? hiss : 0));
    }
    return samples;
}

struct MonoSound {
    std::vector<float> samples;
    CAP_SampleMixer mixer;
    MonoSound(int rate, double seconds)
        : samples(DriftingTone(rate, seconds)), mixer(1, rate, true) {
        mixer.WriteFrames(samples.data(), static_cast<int>(samples.size()), 0);
        // Compared with what the track holds, whatever its write did to the values.
        mixer.Track(0)->ReadFrames(samples.data(), static_cast<int>(samples.size()), 0);
    }
};

// The summary computed straight from the sample array, block by block.
std::vector<unsigned char> BruteForceSummary(const std::vector<float>& samples, int rate,
                                             double seconds, int shift) {
    const double ratio = HalftonesToRatio(shift);
    const int points = std::min(100, static_cast<int>(std::trunc(seconds * 10 / ratio + 0.99999)));
    const double perPoint = rate * ratio / 10;
    const int analysisRate = static_cast<int>(std::lround(rate * ratio));
    std::vector<unsigned char> bytes;
    for (int j = 1; j <= points; ++j) {
        const auto begin = static_cast<std::size_t>(std::llround((j - 1) * perPoint));
        const auto end =
            std::min(samples.size(), static_cast<std::size_t>(std::llround(j * perPoint)));
        float lo = 1.0f;
        float hi = -1.0f;
        SignatureAnalyzerPtr analyzer(CreateSignatureAnalyzer(analysisRate));
        for (std::size_t i = begin; i < end; ++i) {
            lo = std::min(lo, samples[i]);
            hi = std::max(hi, samples[i]);
            AddSignatureSample(analyzer.get(), QuantizeSignatureSample(samples[i]));
        }
        SoundSignature signature{};
        FinishSignature(analyzer.get(), &signature);
        std::uint8_t rgb[3];
        SignatureToColor(&signature, rgb);
        const auto level = [](float x) {
            return static_cast<unsigned char>(
                std::clamp(std::trunc(128.0 * (1.0 + x)), 0.0, 255.0));
        };
        bytes.insert(bytes.end(), {level(lo), level(hi), rgb[0], rgb[1], rgb[2]});
    }
    return bytes;
}

TEST(PitchVariants, SummariesAndSignaturesMatchAStraightPassOverTheSamples) {
    MonoSound sound(22050, 6.03); // longer than the summaries of the lower shifts cover
    SoundFileObj file;
    file.signature.bytes[0] = 77; // the unshifted variant takes the record's own signature
    std::vector<SoundVariantObj> variants;
    ASSERT_TRUE(
        AudioFileUtil::BuildPitchVariants(sound.mixer, file, variants, 2, nullptr, nullptr));
    int lowest = 0;
    int highest = 0;
    sound.mixer.GetPitchRange(lowest, highest);
    ASSERT_EQ(variants.size(), static_cast<std::size_t>(highest - lowest + 1));

    for (int shift : {lowest, -7, -1, 0, 5, highest}) {
        SCOPED_TRACE(shift);
        const SoundVariantObj& variant = variants[static_cast<std::size_t>(shift - lowest)];
        EXPECT_EQ(variant.data, BruteForceSummary(sound.samples, 22050, 6.03, shift));
        if (shift == 0) {
            EXPECT_EQ(0, std::memcmp(variant.signature.bytes, file.signature.bytes, 16));
            continue;
        }
        SoundSignature whole{};
        const int rate = static_cast<int>(std::lround(22050 * HalftonesToRatio(shift)));
        ComputeSignatureOfFrames(sound.samples.data(), 0,
                                 static_cast<std::int64_t>(sound.samples.size()), 1, rate, 0.0f,
                                 &whole, nullptr);
        EXPECT_EQ(0, std::memcmp(variant.signature.bytes, whole.bytes, 16));
    }
    // The points really differ: a summary of identical points would pass the checks above
    // only if the brute force shared the fault.
    const std::vector<unsigned char>& base = variants[static_cast<std::size_t>(-lowest)].data;
    EXPECT_NE(0, std::memcmp(base.data(), base.data() + 5 * 12, 5));
}

struct RangeCase {
    const char* name;
    int rate;
    double seconds;
    int mode;
    int expectedCount;
    int shift; // the variant checked
    int expectedRate;
    int expectedDuration;
    int expectedPoints;
};

TEST(PitchVariants, RangesRatesDurationsAndPointCounts) {
    const RangeCase cases[] = {
        {"one variant in mode 0", 44100, 2.5, 0, 1, 0, 44100, 2500, 25},
        {"an octave up", 44100, 2.5, 1, 25, 12, 88200, 1250, 13},
        {"an octave down", 44100, 2.5, 1, 25, -12, 22050, 5000, 50},
        {"whole range, lowest", 44100, 2.5, 7, 43, -29, 8259, 13348, 100},
        {"whole range, highest", 44100, 2.5, -1, 43, 13, 93445, 1180, 12},
        {"mode 1 clamps to the table", 48000, 0.3, 1, 25, 12, 96000, 150, 2},
        {"the cap of 100 points", 44100, 30.0, 0, 1, 0, 44100, 30000, 100},
    };
    for (const RangeCase& c : cases) {
        SCOPED_TRACE(c.name);
        MonoSound sound(c.rate, c.seconds);
        SoundFileObj file;
        std::vector<SoundVariantObj> variants;
        ASSERT_TRUE(AudioFileUtil::BuildPitchVariants(sound.mixer, file, variants, c.mode, nullptr,
                                                      nullptr));
        ASSERT_EQ(static_cast<int>(variants.size()), c.expectedCount);
        int lowest = 0;
        int highest = 0;
        sound.mixer.GetPitchRange(lowest, highest);
        const int first = c.mode == 0 ? 0 : c.mode == 1 ? std::max(lowest, -12) : lowest;
        const SoundVariantObj& v = variants[static_cast<std::size_t>(c.shift - first)];
        EXPECT_EQ(v.sampleRate, c.expectedRate);
        EXPECT_EQ(v.duration, c.expectedDuration);
        EXPECT_EQ(v.DataLength(), 5 * c.expectedPoints);
    }
}

TEST(PitchVariants, KeyAndTempoFollowTheShift) {
    struct Case {
        int key, bpm, shift, expectedKey, expectedBpm;
    } const cases[] = {
        {12, 120, 1, 1, 127},  // G# up a semitone is A
        {1, 120, -1, 12, 113}, // A down a semitone is G#
        {4, 120, 12, 4, 240},  // an octave keeps the key, doubles the tempo
        {4, 120, -12, 4, 60},  {5, 90, -29, 12, 17}, {13, -1, 7, 13, -1}, // unknown stays unknown
        {0, 0, 3, 13, -1}, // out-of-range values count as unknown
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "key " << c.key << " shift " << c.shift);
        EXPECT_EQ(ShiftedKey(c.key, c.shift), c.expectedKey);
        EXPECT_EQ(ShiftedBpm(c.bpm, HalftonesToRatio(c.shift)), c.expectedBpm);
    }
    // The record's id, key and tempo reach every variant.
    MonoSound sound(44100, 0.2);
    SoundFileObj file;
    file.fileId = 31;
    file.key = 12;
    file.bpm = 120;
    std::vector<SoundVariantObj> variants;
    ASSERT_TRUE(
        AudioFileUtil::BuildPitchVariants(sound.mixer, file, variants, 1, nullptr, nullptr));
    ASSERT_EQ(variants.size(), 25u);
    EXPECT_EQ(variants[13].key, 1);
    EXPECT_EQ(variants[24].bpm, 240);
    for (const SoundVariantObj& v : variants)
        EXPECT_EQ(v.fileId, 31);
}

TEST(PitchVariants, ARateTheAnalyzerRefusesLeavesAnInvalidSignatureAndBlackPoints) {
    MonoSound sound(11025, 0.4);
    VariantSource source{sound.mixer.Track(0), 11025, sound.mixer.duration};
    SoundFileObj file;
    std::vector<SoundVariantObj> variants;
    ASSERT_TRUE(BuildVariantsOfSource(source, -12, -12, file, variants, nullptr, nullptr));
    ASSERT_EQ(variants.size(), 1u);
    const SoundVariantObj& v = variants[0];
    EXPECT_EQ(v.sampleRate, 5513);
    EXPECT_EQ(CompareSignatures(&v.signature, &v.signature), -1.0f);
    for (unsigned char byte : v.signature.bytes)
        EXPECT_EQ(byte, 0);
    ASSERT_EQ(v.DataLength(), 40);
    for (int p = 0; p < 8; ++p) {
        EXPECT_LT(v.data[5 * p], v.data[5 * p + 1]); // heights are still measured
        EXPECT_EQ(v.data[5 * p + 2] | v.data[5 * p + 3] | v.data[5 * p + 4], 0);
    }
}

struct Reports {
    std::vector<int> percents;
    int stopAfter = 1 << 30;
    static bool Take(void* user, const char* text, int percent) {
        auto* self = static_cast<Reports*>(user);
        EXPECT_STREQ(text, "Indexing: ");
        self->percents.push_back(percent);
        return static_cast<int>(self->percents.size()) < self->stopAfter;
    }
};

TEST(PitchVariants, ProgressRunsToAHundredAndAStopKeepsWhatWasBuilt) {
    MonoSound sound(44100, 0.3);
    SoundFileObj file;
    {
        Reports reports;
        std::vector<SoundVariantObj> variants;
        EXPECT_TRUE(AudioFileUtil::BuildPitchVariants(sound.mixer, file, variants, 1,
                                                      &Reports::Take, &reports));
        ASSERT_EQ(reports.percents.size(), 26u);
        EXPECT_EQ(reports.percents.front(), 0);
        EXPECT_EQ(reports.percents[1], 4); // 1 of 25
        EXPECT_EQ(reports.percents[13], 52);
        EXPECT_EQ(reports.percents.back(), 100);
    }
    {
        Reports reports;
        reports.stopAfter = 4; // the opening report and three variants
        std::vector<SoundVariantObj> variants;
        EXPECT_FALSE(AudioFileUtil::BuildPitchVariants(sound.mixer, file, variants, 1,
                                                       &Reports::Take, &reports));
        EXPECT_EQ(variants.size(), 3u);
        AudioFileUtil::FreeVariants(variants);
        EXPECT_TRUE(variants.empty());
    }
    {
        // Mode 0 is one step: no progress is reported.
        Reports reports;
        std::vector<SoundVariantObj> variants;
        EXPECT_TRUE(AudioFileUtil::BuildPitchVariants(sound.mixer, file, variants, 0,
                                                      &Reports::Take, &reports));
        EXPECT_TRUE(reports.percents.empty());
    }
}

} // namespace

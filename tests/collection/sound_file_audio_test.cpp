#include "collection/sound_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "audio/engine/sample_track.h"

namespace {

std::vector<float> Chirp(int frames, int rate) {
    std::vector<float> samples(static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        samples[static_cast<std::size_t>(i)] =
            static_cast<float>(0.7 * std::sin(2 * M_PI * (300 + 800 * t) * t));
    }
    return samples;
}

bool CountReport(void* user, const char* text, int) {
    EXPECT_STREQ(text, "Processing audio data:");
    ++*static_cast<int*>(user);
    return true;
}

TEST(SoundFileFromAudio, TakesRateLengthAndSignatureOfTheWholeTrack) {
    CAP_SampleTrack track(8000);
    const std::vector<float> samples = Chirp(2004, 8000);
    track.WriteFrames(samples.data(), static_cast<int>(samples.size()), 0);
    std::vector<float> held(samples.size());
    track.ReadFrames(held.data(), static_cast<int>(held.size()), 0);

    SoundFileObj file;
    int reports = 0;
    EXPECT_TRUE(file.SetFromAudio(track, &CountReport, &reports));
    EXPECT_GT(reports, 0);
    EXPECT_EQ(file.sampleRate, 8000);
    EXPECT_EQ(file.duration, 251); // 250.5 ms rounds away from zero
    SoundSignature expected{};
    ComputeSignatureOfFrames(held.data(), 0, static_cast<std::int64_t>(held.size()), 1, 8000, 0.0f,
                             &expected, nullptr);
    EXPECT_EQ(0, std::memcmp(file.signature.bytes, expected.bytes, 16));
    EXPECT_EQ(file.indexDate.size(), std::string("2000-01-01 00:00:00").size());
}

TEST(SoundFileFromAudio, ARateTooLowForASignatureLeavesItInvalidNotStale) {
    CAP_SampleTrack track(6000);
    const std::vector<float> samples = Chirp(3000, 6000);
    track.WriteFrames(samples.data(), static_cast<int>(samples.size()), 0);
    SoundFileObj file;
    std::memset(file.signature.bytes, 'x', 16);
    file.SetFromAudio(track, nullptr, nullptr);
    EXPECT_EQ(file.duration, 500);
    for (unsigned char byte : file.signature.bytes)
        EXPECT_EQ(byte, 0);
}

} // namespace

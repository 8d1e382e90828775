// A WAVE file through the decoder into a mixer and a cache: both hold the file's samples.
#include <gtest/gtest.h>

#include <sstream>

#include "audio/engine/audio_decoder.h"
#include "audio/engine/sample_cache.h"
#include "audio/engine/sample_mixer.h"
#include "tests/support/chunk_builder.h"
#include "tests/support/sox_files.h"

namespace {

TEST(DecodedSound, FillsMixerAndCache) {
    const int frames = 50000;
    const std::vector<std::int16_t> samples = TestSignal(frames, 2);
    const Bytes file = RiffWave(Cat({Chunk(ByteOrder::Little, "fmt ", WaveFmt(1, 2, 22050, 16)),
                                     Chunk(ByteOrder::Little, "data", Int16Bytes(samples))}));
    const std::string text(file.begin(), file.end());
    std::istringstream forMixer(text);
    std::istringstream forCache(text);
    CAP_AudioDecoder mixerSource(&forMixer, static_cast<std::int64_t>(text.size()), ".wav", false);
    CAP_AudioDecoder cacheSource(&forCache, static_cast<std::int64_t>(text.size()), ".wav", false);
    ASSERT_EQ(mixerSource.ErrorText(), "");
    ASSERT_EQ(cacheSource.ErrorText(), "");

    CAP_SampleMixer mixer(mixerSource.channels, mixerSource.rate, true);
    EXPECT_TRUE(mixer.LoadFrom(mixerSource, nullptr, nullptr));
    CAP_SampleCache cache(&cacheSource, 1.0);
    EXPECT_TRUE(cache.Update(nullptr, nullptr));

    std::vector<float> fromMixer(2 * frames);
    std::vector<float> fromCache(2 * frames);
    ASSERT_EQ(mixer.ReadFrames(fromMixer.data(), frames, 0), frames);
    ASSERT_EQ(cache.ReadFrames(fromCache.data(), frames, 0), frames);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        ASSERT_EQ(fromMixer[i], samples[i] / 32768.0f) << i;
        ASSERT_EQ(fromCache[i], samples[i] / 32768.0f) << i;
    }
    EXPECT_DOUBLE_EQ(mixer.duration, static_cast<double>(frames) / 22050);
}

} // namespace

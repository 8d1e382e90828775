#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "audio/codecs/dpcm8svx.h"
#include "audio/codecs/ima_adpcm.h"
#include "audio/codecs/ms_adpcm.h"
#include "audio/sound_error.h"
#include "tests/support/byte_stages.h"

namespace {

// Geometry and bytes as a hostile file could give them: every decoder either decodes or
// throws SoundError, and the sanitizers watch every access.
TEST(MalformedBlocksTest, RandomGeometryAndBytesDecodeOrFailCleanly) {
    std::mt19937 random(20261210);
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<std::int16_t> coef1(256), coef2(256);
    for (int i = 0; i < 256; ++i) {
        coef1[i] = static_cast<std::int16_t>(byte(random) * 256 - 32768);
        coef2[i] = static_cast<std::int16_t>(byte(random) * 256 - 32768);
    }
    int decodedRuns = 0;
    for (int run = 0; run < 400; ++run) {
        std::vector<std::uint8_t> bytes(std::uniform_int_distribution<int>(0, 3000)(random));
        for (auto& b : bytes) {
            // Mostly small values, so that headers often pass their checks.
            b = static_cast<std::uint8_t>(run % 2 ? byte(random) : byte(random) % 2);
        }
        // Every fourth run takes any geometry; the others mostly a plausible one.
        const bool wild = run % 4 == 0;
        const int channels =
            std::uniform_int_distribution<int>(wild ? -1 : 1, wild ? 3 : 2)(random);
        const int samplesPerBlock = wild
                                        ? std::uniform_int_distribution<int>(-2, 600)(random)
                                        : 8 * std::uniform_int_distribution<int>(0, 70)(random) + 1;
        const int blockAlign = std::uniform_int_distribution<int>(-2, 700)(random);
        const int coefficients = std::uniform_int_distribution<int>(-1, 258)(random);
        ByteSource source(bytes, std::uniform_int_distribution<int>(1, 500)(random));
        std::vector<float> out(997);
        try {
            std::unique_ptr<AbstractDecompressor> decoder;
            switch (run % 5) {
            case 0:
                decoder =
                    std::make_unique<DecompressImaAdpcmMs>(&source, samplesPerBlock, channels);
                break;
            case 1:
                decoder = std::make_unique<DecompressImaAdpcmApple>(&source, channels);
                break;
            case 2:
            case 3:
                decoder = std::make_unique<DecompressMsAdpcm>(&source, samplesPerBlock, channels,
                                                              blockAlign, coefficients,
                                                              coef1.data(), coef2.data());
                break;
            default:
                decoder = std::make_unique<DecompressDpcmExponential>(&source);
                break;
            }
            while (decoder->GetSamples(out.data(), static_cast<int>(out.size())) > 0) {
                for (float x : out) {
                    ASSERT_GE(x, -1.0f);
                    ASSERT_LT(x, 1.0f);
                }
            }
            source.SetPosition(decoder->PrepareSeek(samplesPerBlock * 3 + 1));
            decoder->GetSamples(out.data(), static_cast<int>(out.size()));
            ++decodedRuns;
        } catch (const SoundError&) {
        }
    }
    // The loop must reach the decoding paths, not only the constructors' checks.
    EXPECT_GT(decodedRuns, 100);
}

} // namespace

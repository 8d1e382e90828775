#include "audio/codecs/dpcm8svx.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/byte_stages.h"
#include "tests/support/decoder_checks.h"

namespace {

std::unique_ptr<AbstractDecompressor> Fibonacci(AudioAbstract* s) {
    return std::make_unique<DecompressDpcmFibonacci>(s);
}

std::unique_ptr<AbstractDecompressor> Exponential(AudioAbstract* s) {
    return std::make_unique<DecompressDpcmExponential>(s);
}

TEST(Dpcm8svxTest, DecodesHandBuiltDeltasHighNibbleFirst) {
    struct Case {
        const char* name;
        DecoderFactory make;
        std::vector<std::uint8_t> bytes;
        std::vector<std::int16_t> expected;
    };
    const Case cases[] = {
        // 8 adds nothing, F adds 21 x 256, 0 takes 34 x 256.
        {"fibonacci", Fibonacci, {0x8F, 0x00}, {0, 5376, -3328, -12032}},
        // 64 x 256 per F: the accumulator wraps around at 16 bits.
        {"exponential wraps",
         Exponential,
         {0xFF, 0xFF, 0x09},
         {16384, -32768, -16384, 0, -32768, -32512}},
        {"exponential down", Exponential, {0x07}, {-32768, -33024 + 65536}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(AsInt16(DecodeAll(c.make, c.bytes, 3)), c.expected);
    }
}

TEST(Dpcm8svxTest, OddRequestsAndSeeksMatchTheSequentialRead) {
    std::vector<std::uint8_t> bytes(10000);
    std::uint32_t noise = 7;
    for (auto& b : bytes) {
        noise = noise * 1664525u + 1013904223u;
        b = static_cast<std::uint8_t>(noise >> 24);
    }
    for (const auto& make : {DecoderFactory(Fibonacci), DecoderFactory(Exponential)}) {
        // One sample at a time gives what large reads give.
        const auto whole = DecodeAll(make, bytes, 4096);
        ASSERT_EQ(whole.size(), 20000u);
        EXPECT_EQ(DecodeAll(make, bytes, 1, 333), whole);
        ExpectSeeksMatchSequentialRead(make, bytes, {8193, 3, 4, 19999, 12000, 20000, 0});
    }
}

} // namespace

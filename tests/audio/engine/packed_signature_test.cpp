#include "audio/engine/packed_signature.h"

#include <gtest/gtest.h>

#include <random>

namespace {

TEST(PackedSignature, ScoresExactlyAsCompareSignatures) {
    std::mt19937 random(99);
    // Bytes near the neutral value and at the extremes decide the side rules.
    const std::uint8_t edges[] = {0, 1, 84, 85, 86, 170, 254, 255};
    std::uniform_int_distribution<int> anyByte(0, 255);
    std::uniform_int_distribution<int> pick(0, 9);
    auto make = [&] {
        SoundSignature s{};
        for (int k = 0; k < 13; ++k) {
            const int p = pick(random);
            s.bytes[k] = p < 8 ? edges[p] : static_cast<std::uint8_t>(anyByte(random));
        }
        s.bytes[kSignatureMarkByte] = pick(random) == 0 ? 0 : kSignatureMark;
        return s;
    };
    for (int trial = 0; trial < 20000; ++trial) {
        const SoundSignature a = make();
        const SoundSignature b = trial % 7 == 0 ? a : make();
        const float expected = CompareSignatures(&a, &b);
        const float got = ComparePackedSignatures(PackSignature(a), PackSignature(b));
        ASSERT_EQ(got, expected) << "trial " << trial;
    }
}

} // namespace

// A signature laid out for comparing against many others quickly. The similar-passage search
// compares every block of a track with every selected block, so the comparison runs without
// branches over bytes prepared once per block, and gives exactly the score of
// CompareSignatures.
#pragma once

#include <cstdint>
#include <cstdlib>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "audio/sound_signature.h"

struct PackedSignature {
    // Per band: how far above the neutral value (bytes 0-11) and how far below it (16-27).
    // Two bands agree by the smaller of their upper parts plus the smaller of their lower
    // parts, which is the smaller deviation when both lie on one side and 0 otherwise.
    alignas(16) std::uint8_t parts[32];
    int deviation; // sum of the band deviations from neutral
    int spread;
    bool valid;
};

PackedSignature PackSignature(const SoundSignature& signature);

// The summed agreement of the bands. Inline with the comparison below: the search calls them
// millions of times in one loop.
inline int PackedSignatureAgreement(const PackedSignature& a, const PackedSignature& b) {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i* pa = reinterpret_cast<const __m128i*>(a.parts);
    const __m128i* pb = reinterpret_cast<const __m128i*>(b.parts);
    const __m128i sums = _mm_add_epi64(_mm_sad_epu8(_mm_min_epu8(pa[0], pb[0]), zero),
                                       _mm_sad_epu8(_mm_min_epu8(pa[1], pb[1]), zero));
    return _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_srli_si128(sums, 8));
#else
    int agreement = 0;
    for (int i = 0; i < 32; ++i)
        agreement += a.parts[i] < b.parts[i] ? a.parts[i] : b.parts[i];
    return agreement;
#endif
}

// Bit for bit the score CompareSignatures gives for the two unpacked signatures.
inline float ComparePackedSignatures(const PackedSignature& a, const PackedSignature& b) {
    if (!a.valid || !b.valid)
        return -1.0f;
    const int total = a.deviation + b.deviation;
    const int agreement = PackedSignatureAgreement(a, b);
    // The same expression, in the same precision, as CompareSignatures.
    const double base = total == 0 ? 100.0 : 200.0 * agreement / total;
    const int spreadDifference = std::abs(a.spread - b.spread);
    const float score = static_cast<float>(base - 0.5 * spreadDifference);
    return score < 0.0f ? 0.0f : score;
}

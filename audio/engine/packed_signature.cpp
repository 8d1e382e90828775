#include "audio/engine/packed_signature.h"

#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

PackedSignature PackSignature(const SoundSignature& signature) {
    PackedSignature packed;
    std::memset(&packed, 0, sizeof packed);
    packed.valid = signature.bytes[kSignatureMarkByte] == kSignatureMark;
    packed.spread = signature.bytes[kSignatureSpreadByte];
    for (int k = 0; k < kSignatureBands; ++k) {
        const int d = signature.bytes[k] - kSignatureNeutral;
        packed.parts[k] = static_cast<std::uint8_t>(d > 0 ? d : 0);
        packed.parts[16 + k] = static_cast<std::uint8_t>(d < 0 ? -d : 0);
        packed.deviation += std::abs(d);
    }
    return packed;
}

namespace {

int Agreement(const PackedSignature& a, const PackedSignature& b) {
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

} // namespace

float ComparePackedSignatures(const PackedSignature& a, const PackedSignature& b) {
    if (!a.valid || !b.valid)
        return -1.0f;
    const int total = a.deviation + b.deviation;
    const int agreement = Agreement(a, b);
    // The same expression, in the same precision, as CompareSignatures.
    const double base = total == 0 ? 100.0 : 200.0 * agreement / total;
    const int spreadDifference = std::abs(a.spread - b.spread);
    const float score = static_cast<float>(base - 0.5 * spreadDifference);
    return score < 0.0f ? 0.0f : score;
}

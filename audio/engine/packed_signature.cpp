#include "audio/engine/packed_signature.h"

#include <cstdlib>
#include <cstring>

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

// A signature laid out for comparing against many others quickly. The similar-passage search
// compares every block of a track with every selected block, so the comparison runs without
// branches over bytes prepared once per block, and gives exactly the score of
// CompareSignatures.
#pragma once

#include <cstdint>

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

// Bit for bit the score CompareSignatures gives for the two unpacked signatures.
float ComparePackedSignatures(const PackedSignature& a, const PackedSignature& b);

// Pitch variants of an analysed sound: the same samples heard a whole number of semitones
// higher or lower, each with its own rate, length, key, tempo, signature and summary.
#pragma once

#include <vector>

#include "audio/engine/progress_callback.h"

class CAP_SampleTrack;
class SoundFileObj;
class SoundVariantObj;

// The sound as the variants see it: its rate and length, and the one track they analyse.
struct VariantSource {
    CAP_SampleTrack* track = nullptr;
    int rate = 0;          // of the whole sound
    double duration = 0.0; // seconds
};

// Appends one variant per shift from lowest to highest; false exactly when the callback asked
// to stop (the variants built so far stay).
bool BuildVariantsOfSource(const VariantSource& source, int lowest, int highest,
                           const SoundFileObj& file, std::vector<SoundVariantObj>& variants,
                           CAP_ProgressCallback callback, void* user);

// The key a shift gives: 1-12 move round the twelve keys, anything else stays unknown (13).
int ShiftedKey(int key, int semitones);
// The tempo a ratio gives; -1 for an unknown tempo.
int ShiftedBpm(int bpm, double ratio);

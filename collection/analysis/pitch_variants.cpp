#include "collection/analysis/pitch_variants.h"

#include <cmath>

#include "audio/engine/sample_track.h"
#include "audio/general_helpers.h"
#include "collection/analysis/waveform_summary.h"
#include "collection/sound_file.h"

namespace {

constexpr char kIndexingText[] = "Indexing: ";

// Whole numbers from the analysis are rounded half away from zero, as every stored variant
// was.
int RoundToInt(double value) {
    return static_cast<int>(std::lround(value));
}

// The summary and, for a shifted variant, the signature of all frames, in one pass.
void AnalyzeVariant(const VariantSource& source, double ratio, bool wantsSignature,
                    SoundVariantObj& variant) {
    CAP_SampleTrack& track = *source.track;
    const int analysisRate = RoundToInt(track.rate * ratio);
    const int points = static_cast<int>(
        std::min<double>(kMaxWaveformPoints, std::trunc(source.duration * 10.0 / ratio + 0.99999)));
    const double framesPerPoint = track.rate * ratio / 10.0;

    BlockAnalysis summary(framesPerPoint, points, analysisRate);
    SignatureAnalyzerPtr whole(wantsSignature ? CreateSignatureAnalyzer(analysisRate) : nullptr);
    int count = 0;
    const float* run = track.BeginBlockRead(0, count, track.TotalFrames());
    while (run != nullptr && count > 0) {
        if (summary.WantsMore()) {
            const std::int64_t before = summary.Position();
            summary.Add(run, count, whole.get());
            const std::int64_t taken = summary.Position() - before;
            run += taken;
            count -= static_cast<int>(taken);
        }
        if (!summary.WantsMore()) {
            if (whole == nullptr)
                break;
            for (int i = 0; i < count; ++i)
                AddSignatureSample(whole.get(), QuantizeSignatureSample(run[i]));
        }
        run = track.NextBlockRead(count);
    }
    const std::vector<unsigned char> bytes = SummaryBytes(summary.Finish());
    variant.SetData(bytes.data(), static_cast<int>(bytes.size()));
    // Below the analyzer's lowest rate there is no analyzer: the signature stays all zero,
    // which every reader takes as invalid.
    if (wantsSignature)
        FinishSignature(whole.get(), &variant.signature);
}

} // namespace

int ShiftedKey(int key, int semitones) {
    if (key < 1 || key > 12)
        return 13;
    const int moved = (key + 47 + semitones) % 12;
    return (moved < 0 ? moved + 12 : moved) + 1;
}

int ShiftedBpm(int bpm, double ratio) {
    return bpm >= 1 ? RoundToInt(bpm * ratio) : -1;
}

bool BuildVariantsOfSource(const VariantSource& source, int lowest, int highest,
                           const SoundFileObj& file, std::vector<SoundVariantObj>& variants,
                           CAP_ProgressCallback callback, void* user) {
    const bool reports = callback != nullptr && !(lowest == 0 && highest == 0);
    if (reports && !callback(user, kIndexingText, 0))
        return false;
    const int span = highest - lowest + 1;
    for (int shift = lowest; shift <= highest; ++shift) {
        const double ratio = HalftonesToRatio(shift);
        SoundVariantObj variant;
        variant.fileId = file.fileId;
        variant.sampleRate = RoundToInt(source.rate * ratio);
        variant.duration = RoundToInt(source.duration / ratio * 1000.0);
        variant.key = ShiftedKey(file.key, shift);
        variant.bpm = ShiftedBpm(file.bpm, ratio);
        if (shift == 0)
            variant.signature = file.signature;
        if (source.track != nullptr)
            AnalyzeVariant(source, ratio, shift != 0, variant);
        variants.push_back(std::move(variant));
        if (reports &&
            !callback(user, kIndexingText, RoundToInt((shift - lowest + 1) * 100.0 / span)))
            return false;
    }
    return true;
}

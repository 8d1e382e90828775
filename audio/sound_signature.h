// The 16-byte sound signature: twelve band values saying how strongly a sound repeats itself
// at periods between 1/4000 s and 1/250 s, and one byte saying how peaky its amplitude is.
// Signatures are stored in the catalog and exchanged with the remote collection, so their
// computation is fixed to the bit.
#pragma once

#include <cstdint>
#include <memory>

inline constexpr int kSignatureBands = 12;
inline constexpr int kSignatureSpreadByte = 12;
inline constexpr int kSignatureMarkByte = 15;
inline constexpr std::uint8_t kSignatureMark = 32;    // a space: the signature is valid
inline constexpr std::uint8_t kSignatureNeutral = 85; // no periodicity, too short, silence

// Bytes 0-11 band values (highest frequency first), 12 spread, 13-14 zero, 15 the mark.
// Stored byte for byte in the catalog and on the wire.
struct SoundSignature {
    std::uint8_t bytes[16];
};
static_assert(sizeof(SoundSignature) == 16);

// The state of one incremental analysis of one channel. Create with CreateSignatureAnalyzer,
// free with FreeSignatureAnalyzer (or hold it in a SignatureAnalyzerPtr).
struct SignatureAnalyzer {
    std::int16_t decimation; // only every decimation-th sample is kept
    std::int16_t phase;      // samples given since the last kept one
    std::int16_t lag[kSignatureBands];
    std::int64_t keptCount;
    struct RingEntry {
        std::uint8_t sign; // 1 positive, 255 negative, 0 zero
        std::int32_t magnitude;
    } ring[64];
    double bandSum[kSignatureBands];
    double magnitudeSum;
    double squareSum;
};

// A new analyzer for samples at rate Hz; null when the rate is below 8000 Hz or memory runs
// out.
SignatureAnalyzer* CreateSignatureAnalyzer(int rate);

// Feeds one sample in the 16-bit range (-32768..32767). Nothing happens when analyzer is null.
void AddSignatureSample(SignatureAnalyzer* analyzer, int sample);

// Writes the signature of the samples given so far; the analyzer is unchanged, so this may be
// called again after more samples. Nothing happens when either pointer is null.
void FinishSignature(const SignatureAnalyzer* analyzer, SoundSignature* out);

void FreeSignatureAnalyzer(SignatureAnalyzer* analyzer);

struct SignatureAnalyzerDeleter {
    void operator()(SignatureAnalyzer* analyzer) const { FreeSignatureAnalyzer(analyzer); }
};
using SignatureAnalyzerPtr = std::unique_ptr<SignatureAnalyzer, SignatureAnalyzerDeleter>;

// The one rule by which a float sample (full scale -1..1) becomes a 16-bit value for the
// analysis: scaled by 32768, rounded half away from zero, limited to -32768..32767.
int QuantizeSignatureSample(double x);

// Similarity score 0..100, or -1 when either signature is null or lacks the validity mark.
float CompareSignatures(const SoundSignature* a, const SoundSignature* b);

// Writes red, green, blue into out[0..2] (nothing when out is null); black for a null or
// invalid signature, grey 170 for a neutral one.
void SignatureToColor(const SoundSignature* signature, std::uint8_t* out);

// The same colour packed as 0x00BBGGRR (red in the low 8 bits).
std::uint32_t SignatureToColor(const SoundSignature* signature);

// The whole analysis over interleaved float frames first..end-1 with 1 or 2 channels (two
// are averaged; of more, the first is taken), offset subtracted from every sample. Writes the
// signature and its colour (0x00BBGGRR); either output may be null. Nothing happens when end <=
// first; below 8000 Hz the signature is left as it was and the colour is taken from it.
void ComputeSignatureOfFrames(const float* frames, std::int64_t first, std::int64_t end,
                              int channels, int rate, float offset, SoundSignature* signatureOut,
                              std::uint32_t* colourOut);

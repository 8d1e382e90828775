#include "audio/sound_signature.h"

#include <cmath>
#include <cstdlib>
#include <new>

// Precision: every stored signature depends on the exact operations below, so they must not
// be reordered or "simplified". The band frequencies stay single-precision constants (their
// float values decide the lags at every rate); all other arithmetic is double, the sums are
// exact in double for any realistic length, and only the similarity score is narrowed to
// float, as its callers compare it with 100 exactly.

namespace {

constexpr float kBandFrequency[kSignatureBands] = {4000.0f,   2828.427f, 2000.0f,  1587.401f,
                                                   1259.921f, 1000.0f,   793.701f, 629.961f,
                                                   500.0f,    396.85f,   314.98f,  250.0f};

// Colour channel of each band (red, green, blue); the four lowest bands take no part.
constexpr int kColourGroup[kSignatureBands] = {0, 0, 1, 1, 1, 2, 2, 2, -1, -1, -1, -1};

constexpr int kMinimumRate = 8000;
constexpr std::int64_t kMinimumPairs = 30; // fewer compared pairs give the neutral value

bool IsValid(const SoundSignature* signature) {
    return signature && signature->bytes[kSignatureMarkByte] == kSignatureMark;
}

} // namespace

SignatureAnalyzer* CreateSignatureAnalyzer(int rate) {
    if (rate < kMinimumRate)
        return nullptr;
    auto* analyzer = new (std::nothrow) SignatureAnalyzer{};
    if (!analyzer)
        return nullptr;
    int decimation = rate / kMinimumRate;
    // Beyond this the decimation no longer fits its 16 bits; no real rate comes near it.
    if (decimation > 32767) {
        delete analyzer;
        return nullptr;
    }
    analyzer->decimation = static_cast<std::int16_t>(decimation);
    double keptRate = static_cast<double>(rate) / decimation;
    for (int k = 0; k < kSignatureBands; ++k) {
        double lag = std::trunc(keptRate / static_cast<double>(kBandFrequency[k]) + 0.5);
        analyzer->lag[k] = static_cast<std::int16_t>(lag);
    }
    return analyzer;
}

namespace {

// One band's comparison. Adding 0.0 when the signs differ leaves the sum bit for bit as it
// was, so the update needs no branch that noise would mispredict.
inline void CompareWithLag(SignatureAnalyzer* analyzer, int k, std::int64_t kept, std::uint8_t sign,
                           std::int32_t magnitude) {
    const SignatureAnalyzer::RingEntry& entry = analyzer->ring[(kept - analyzer->lag[k]) & 63];
    std::int32_t smaller = magnitude < entry.magnitude ? magnitude : entry.magnitude;
    std::int32_t sameSign = -static_cast<std::int32_t>(entry.sign == sign); // all ones or 0
    analyzer->bandSum[k] += static_cast<double>(smaller & sameSign);
}

} // namespace

void AddSignatureSample(SignatureAnalyzer* analyzer, int sample) {
    if (!analyzer)
        return;
    analyzer->phase = static_cast<std::int16_t>(analyzer->phase + 1);
    if (analyzer->phase < analyzer->decimation)
        return;
    analyzer->phase = 0;

    std::uint8_t sign = sample < 0 ? 255 : (sample > 0 ? 1 : 0);
    std::int32_t magnitude = sample < 0 ? -sample : sample;
    std::int64_t kept = analyzer->keptCount;
    // Every lag is at most 64, so the entry read has not been overwritten yet; once 64
    // samples are kept every band takes part.
    if (kept >= 64) {
        for (int k = 0; k < kSignatureBands; ++k)
            CompareWithLag(analyzer, k, kept, sign, magnitude);
    } else {
        for (int k = 0; k < kSignatureBands && analyzer->lag[k] <= kept; ++k) // lags rise with k
            CompareWithLag(analyzer, k, kept, sign, magnitude);
    }
    analyzer->magnitudeSum += magnitude;
    analyzer->squareSum += static_cast<double>(sample) * sample;
    analyzer->ring[kept & 63] = {sign, magnitude};
    analyzer->keptCount = kept + 1;
}

void FinishSignature(const SignatureAnalyzer* analyzer, SoundSignature* out) {
    if (!analyzer || !out)
        return;
    const std::int64_t n = analyzer->keptCount;
    const double mean = n > 0 ? analyzer->magnitudeSum / static_cast<double>(n) : 0.0;
    for (int k = 0; k < kSignatureBands; ++k) {
        std::int64_t pairs = n - analyzer->lag[k];
        if (pairs < kMinimumPairs || mean == 0.0) {
            out->bytes[k] = kSignatureNeutral;
            continue;
        }
        double v =
            std::trunc(analyzer->bandSum[k] / static_cast<double>(pairs) / mean * 255.0 + 0.5);
        // Not clamped: short or strongly rising sounds exceed 255 and keep their low 8 bits,
        // as every stored signature does.
        out->bytes[k] = static_cast<std::uint8_t>(std::fmod(v, 256.0)); // exact
    }

    std::uint8_t spread = 0;
    if (analyzer->magnitudeSum != 0.0 && n >= 2) {
        double c = (std::log(analyzer->squareSum) - 2.0 * std::log(analyzer->magnitudeSum)) /
                       std::log(static_cast<double>(n)) +
                   1.0;
        if (c > 0.5)
            spread = 255;
        else if (c > 0.0) // c is never below 0 but for rounding
            spread = static_cast<std::uint8_t>(std::trunc(c * 510.0 + 0.5));
    }
    out->bytes[kSignatureSpreadByte] = spread;
    out->bytes[13] = 0;
    out->bytes[14] = 0;
    out->bytes[kSignatureMarkByte] = kSignatureMark;
}

void FreeSignatureAnalyzer(SignatureAnalyzer* analyzer) {
    delete analyzer;
}

int QuantizeSignatureSample(double x) {
    // Double precision: in float, x x 32768 + 0.5 rounds up values just below one half step.
    // Half a step towards the sign, limit, then truncate: the same as rounding half away from
    // zero and capping, without a branch on the sign (-0.0 gives 0 either way).
    if (std::isnan(x))
        return 0;
    double v = x * 32768.0 + std::copysign(0.5, x);
    return static_cast<int>(std::fmin(std::fmax(v, -32768.0), 32767.0));
}

float CompareSignatures(const SoundSignature* a, const SoundSignature* b) {
    if (!IsValid(a) || !IsValid(b))
        return -1.0f;
    int total = 0;
    int agreement = 0;
    for (int k = 0; k < kSignatureBands; ++k) {
        int da = a->bytes[k] - kSignatureNeutral;
        int db = b->bytes[k] - kSignatureNeutral;
        int absA = std::abs(da);
        int absB = std::abs(db);
        total += absA + absB;
        // A byte of exactly 85 counts as the upper side and adds 0.
        if ((da >= 0) == (db >= 0))
            agreement += absA < absB ? absA : absB;
    }
    double base = total == 0 ? 100.0 : 200.0 * agreement / total;
    int spreadDifference =
        std::abs(a->bytes[kSignatureSpreadByte] - b->bytes[kSignatureSpreadByte]);
    float score = static_cast<float>(base - 0.5 * spreadDifference);
    return score < 0.0f ? 0.0f : score;
}

void SignatureToColor(const SoundSignature* signature, std::uint8_t* out) {
    if (!out)
        return;
    if (!IsValid(signature)) {
        out[0] = out[1] = out[2] = 0;
        return;
    }
    int weighted[3] = {0, 0, 0};
    int weight[3] = {0, 0, 0};
    for (int k = 0; k < kSignatureBands; ++k) {
        int g = kColourGroup[k];
        if (g < 0)
            continue;
        int byte = signature->bytes[k];
        int w = std::abs(byte - kSignatureNeutral);
        weighted[g] += byte * w;
        weight[g] += w;
    }
    for (int g = 0; g < 3; ++g) {
        int average =
            weight[g] == 0
                ? kSignatureNeutral
                : static_cast<int>(std::trunc(static_cast<double>(weighted[g]) / weight[g] + 0.5));
        out[g] = static_cast<std::uint8_t>(255 - average);
    }
}

std::uint32_t SignatureToColor(const SoundSignature* signature) {
    std::uint8_t rgb[3];
    SignatureToColor(signature, rgb);
    return static_cast<std::uint32_t>(rgb[0]) | static_cast<std::uint32_t>(rgb[1]) << 8 |
           static_cast<std::uint32_t>(rgb[2]) << 16;
}

void ComputeSignatureOfFrames(const float* frames, std::int64_t first, std::int64_t end,
                              int channels, int rate, float offset, SoundSignature* signatureOut,
                              std::uint32_t* colourOut) {
    if (end <= first || !frames || channels < 1)
        return;
    // A caller that wants only the colour still needs a signature to take it from.
    SoundSignature local{};
    SoundSignature* signature = signatureOut ? signatureOut : &local;
    SignatureAnalyzerPtr analyzer(CreateSignatureAnalyzer(rate));
    if (analyzer) {
        // Double precision throughout: the two channels are summed exactly before halving.
        const double shift = offset;
        if (channels == 2) {
            for (std::int64_t i = first; i < end; ++i) {
                const float* frame = frames + i * 2;
                double x = (static_cast<double>(frame[1]) + frame[0]) * 0.5 - shift;
                AddSignatureSample(analyzer.get(), QuantizeSignatureSample(x));
            }
        } else {
            for (std::int64_t i = first; i < end; ++i) {
                double x = static_cast<double>(frames[i * channels]) - shift;
                AddSignatureSample(analyzer.get(), QuantizeSignatureSample(x));
            }
        }
        FinishSignature(analyzer.get(), signature);
    }
    if (colourOut)
        *colourOut = SignatureToColor(signature);
}

#include "collection/analysis/waveform_summary.h"

#include <algorithm>
#include <cmath>

BlockAnalysis::BlockAnalysis(double framesPerBlock, int blockCount, int rate)
    : framesPerBlock_(framesPerBlock), rate_(rate),
      results_(static_cast<std::size_t>(std::max(blockCount, 0))) {
    if (WantsMore())
        OpenBlock();
}

BlockAnalysis::~BlockAnalysis() {
    FreeSignatureAnalyzer(analyzer_);
}

void BlockAnalysis::OpenBlock() {
    // Block ends are rounded from the real-valued block length, half away from zero, so
    // that 0.1 s of a shifted sound never drifts over a hundred blocks.
    blockEnd_ = std::llround(static_cast<double>(current_ + 1) * framesPerBlock_);
    analyzer_ = CreateSignatureAnalyzer(rate_);
}

void BlockAnalysis::CloseBlock() {
    FinishSignature(analyzer_, &results_[static_cast<std::size_t>(current_)].signature);
    FreeSignatureAnalyzer(analyzer_);
    analyzer_ = nullptr;
    ++current_;
    if (WantsMore())
        OpenBlock();
}

void BlockAnalysis::Add(const float* samples, std::int64_t count, SignatureAnalyzer* companion) {
    while (count > 0 && WantsMore()) {
        if (position_ >= blockEnd_) {
            CloseBlock();
            continue;
        }
        const std::int64_t n = std::min(count, blockEnd_ - position_);
        BlockResult& block = results_[static_cast<std::size_t>(current_)];
        float minimum = block.minimum;
        float maximum = block.maximum;
        // Each sample is quantised once for both analyses: the analysis is most of the
        // indexer's work, and a variant's whole sound is read in this same pass.
        if (companion != nullptr) {
            for (std::int64_t i = 0; i < n; ++i) {
                const float x = samples[i];
                minimum = std::min(minimum, x);
                maximum = std::max(maximum, x);
                const int quantised = QuantizeSignatureSample(x);
                AddSignatureSample(analyzer_, quantised);
                AddSignatureSample(companion, quantised);
            }
        } else {
            for (std::int64_t i = 0; i < n; ++i) {
                const float x = samples[i];
                minimum = std::min(minimum, x);
                maximum = std::max(maximum, x);
                AddSignatureSample(analyzer_, QuantizeSignatureSample(x));
            }
        }
        block.minimum = minimum;
        block.maximum = maximum;
        samples += n;
        count -= n;
        position_ += n;
    }
}

const std::vector<BlockResult>& BlockAnalysis::Finish() {
    if (!finished_) {
        while (WantsMore())
            CloseBlock();
        finished_ = true;
    }
    return results_;
}

std::uint8_t SummaryLevel(float sample) {
    const double level = std::trunc(128.0 * (1.0 + static_cast<double>(sample)));
    if (!(level > 0.0)) // NaN as well
        return 0;
    return static_cast<std::uint8_t>(std::min(level, 255.0));
}

std::vector<unsigned char> SummaryBytes(const std::vector<BlockResult>& blocks) {
    std::vector<unsigned char> bytes;
    bytes.reserve(blocks.size() * sizeof(WaveformPoint));
    for (const BlockResult& block : blocks) {
        std::uint8_t colour[3];
        SignatureToColor(&block.signature, colour);
        const WaveformPoint point{SummaryLevel(block.minimum), SummaryLevel(block.maximum),
                                  colour[0], colour[1], colour[2]};
        const auto* raw = reinterpret_cast<const unsigned char*>(&point);
        bytes.insert(bytes.end(), raw, raw + sizeof point);
    }
    return bytes;
}

// The per-block half of a file's analysis: a mono sound cut into blocks, each with its
// smallest and largest sample and the signature of its own samples, from which the coloured
// waveform summaries of the result rows are drawn.
#pragma once

#include <cstdint>
#include <vector>

#include "audio/sound_signature.h"

// One point of a waveform summary as the catalog and the wire store it.
struct WaveformPoint {
    std::uint8_t minimum; // trunc(128 x (1 + sample)), 0-255; 128 is silence
    std::uint8_t maximum;
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
};
static_assert(sizeof(WaveformPoint) == 5);

inline constexpr int kMaxWaveformPoints = 100;

struct BlockResult {
    float minimum = 1.0f; // a block without samples keeps these start values
    float maximum = -1.0f;
    SoundSignature signature{}; // all zero (invalid) when the rate is below the analyzer's
};

// Cuts a stream of mono samples into blockCount blocks, block j (from 1) ending before frame
// round(j x framesPerBlock), and analyses each at rate. Samples past the last block are
// ignored; blocks the samples do not reach keep their start values.
class BlockAnalysis {
public:
    BlockAnalysis(double framesPerBlock, int blockCount, int rate);
    ~BlockAnalysis();
    BlockAnalysis(const BlockAnalysis&) = delete;
    BlockAnalysis& operator=(const BlockAnalysis&) = delete;

    // A companion analyzer, when given, is fed the same quantised samples (those the blocks
    // take; the caller feeds it any others).
    void Add(const float* samples, std::int64_t count, SignatureAnalyzer* companion = nullptr);
    // Samples taken so far.
    std::int64_t Position() const { return position_; }
    // Closes the open block and every block not reached; the results, blockCount of them.
    const std::vector<BlockResult>& Finish();
    // False once every block is closed: further samples would be ignored.
    bool WantsMore() const { return current_ < static_cast<int>(results_.size()); }

private:
    void OpenBlock();
    void CloseBlock();

    double framesPerBlock_;
    int rate_;
    std::vector<BlockResult> results_;
    int current_ = 0;           // index of the open block
    std::int64_t position_ = 0; // frames taken so far
    std::int64_t blockEnd_ = 0; // first frame after the open block
    SignatureAnalyzer* analyzer_ = nullptr;
    bool finished_ = false;
};

// trunc(128 x (1 + sample)) limited to 0-255.
std::uint8_t SummaryLevel(float sample);

// Five bytes per block: minimum, maximum and the colour of the block's signature.
std::vector<unsigned char> SummaryBytes(const std::vector<BlockResult>& blocks);

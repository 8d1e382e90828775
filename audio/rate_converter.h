#pragma once

#include <cstdint>
#include <vector>

// The fixed design of the band-limited interpolation filter and the position of one
// converter in the stream. The filter is shared by every channel (it depends only on the
// two rates); the position is the same for every channel because each one sees the same
// number of frames.
struct ResampleState {
    int32_t inRate = 0;
    int32_t outRate = 0;
    double factor = 1.0;         // outRate / inRate
    double rolloff = 0.8;        // cut-off as a fraction of the lower Nyquist frequency
    double beta = 16.0;          // Kaiser window; 2 or less selects the Nuttall window
    bool exact = false;          // rational polyphase table, no interpolation
    int32_t nMult = 45;          // filter length in zero-crossings (odd)
    int32_t nq = 128;            // table entries per zero-crossing
    int32_t nWing = 0;           // length of one half of the filter table
    std::vector<double> impulse; // nWing + 2 entries: guard, half filter, guard
    int32_t a = 1, b = 1;        // inRate and outRate divided by their gcd
    int32_t xh = 0;              // half width of the filter in input samples
    int32_t xoff = 0;            // input samples kept before and after the current position
    int32_t dhb = 0;             // table step per input sample in 1/65536 units (fractional mode)

    // Position of the next output: input index xp plus phase / b of an input sample. The
    // position is kept as an exact fraction in both modes so that no rounding drifts over
    // a long file and the number of outputs is exactly known.
    int32_t xp = 0;
    int32_t phase = 0;
    int32_t xread = 0; // next free entry of each channel's input buffer
};

// Changes the sampling rate of interleaved float frames by band-limited interpolation with a
// windowed-sinc impulse response. All filtering is done in double.
class RateConverter {
public:
    RateConverter(int channels, int inRate, int outRate);
    ~RateConverter();
    RateConverter(const RateConverter&) = delete;
    RateConverter& operator=(const RateConverter&) = delete;

    // Converts frames of interleaved input and returns the frames written to output, which
    // must hold at least frames x outRate / inRate + 1 frames. Output lags the input by the
    // filter's look-ahead; Flush delivers the rest. Returns 0 when set-up failed.
    int Process(const float* input, int frames, float* output);

    // Frames that Flush will write: the outputs that belong to input already given.
    int FlushLength() const;

    // Ends the stream: writes the last FlushLength() frames (the input is taken as silent
    // beyond its end) and makes the converter ready for a new stream.
    int Flush(float* output);

    // False when the rates cannot be converted (a rate not above 0, a ratio too extreme
    // for the work buffer) or the channel count is below 1.
    bool IsReady() const { return ready_; }

    const ResampleState& State() const { return state_; }
    int Channels() const { return channels_; }

private:
    bool SetUp();
    bool MakeFilter();
    void BuildTables();
    void Reset();
    int Produce(int32_t limit, float* output);
    int32_t Compact();
    void Weigh(double q0, double* row) const;

    int channels_;
    bool ready_ = false;
    ResampleState state_;

    // Precomputed weights over one window of 2K input samples (padded to a multiple of
    // eight), from xp - K + 1 to xp + K. One row per phase in exact mode and wherever the
    // ratio has few phases; else, with a whole number of table entries per input sample, one
    // row per table node, the weights between two nodes being the linear blend of their
    // rows; else the weights are computed for each output.
    enum class Kind { Polyphase, Blend, Direct };
    Kind kind_ = Kind::Direct;
    int32_t k_ = 0;            // taps per wing at most
    int32_t span_ = 0;         // padded window length
    double step_ = 0.0;        // table entries per input sample
    int32_t m_ = 0;            // taps of the half filter; the table is zero from here on
    std::vector<double> rows_; // Polyphase: b rows; Blend: step + 1 rows
    std::vector<double> scratch_;

    int32_t advInt_ = 0, advFrac_ = 0; // a = advInt_ x b + advFrac_
    int64_t framesIn_ = 0, framesOut_ = 0;
    std::vector<std::vector<double>> buffers_; // one input buffer per channel
    std::vector<double*> inputs_;              // their data, for the inner loops
};

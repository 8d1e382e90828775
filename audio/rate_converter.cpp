#include "audio/rate_converter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

namespace {

constexpr int32_t kBufferSize = 8192;  // work buffer of one channel, in doubles
constexpr int32_t kMaxWing = 10240;    // largest half-filter table
constexpr int32_t kFractionalNq = 128; // table entries per zero-crossing in fractional mode
constexpr int32_t kUnity = 1 << 23;    // dhb of a unit step: 128 entries in 1/65536 units
constexpr int32_t kLane = 8;           // window lengths are padded to this many taps
// Largest per-phase weight table for a fractional ratio (doubles); beyond it the weights are
// blended from table nodes or computed per output, which keeps the working set in cache.
constexpr int64_t kMaxPhaseTable = 32768;

double BesselI0(double x) {
    double sum = 1.0, term = 1.0;
    const double half = x / 2.0;
    for (int k = 1; k < 1000; ++k) {
        term *= half / k;
        const double t2 = term * term;
        sum += t2;
        if (t2 < 1e-21 * sum)
            break;
    }
    return sum;
}

// The dot products run on GCC vector types: two doubles wide for the baseline processor, four
// wide with fused multiply-add where the processor has them. Both keep eight partial sums, one
// per tap lane, added up in one fixed order. The helpers are always inlined, so the calling
// convention of a 32-byte vector never matters.
#pragma GCC diagnostic ignored "-Wpsabi"
using Vec2 = double __attribute__((vector_size(16)));
using Vec4 = double __attribute__((vector_size(32)));

template <typename V> [[gnu::always_inline]] inline V Load(const double* p) {
    V v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <typename V> struct Lanes {
    static constexpr int32_t width = sizeof(V) / sizeof(double);
    static constexpr int32_t count = kLane / width;
    V s[count] = {};

    [[gnu::always_inline]] void Add(const double* x, const double* h) {
        for (int32_t j = 0; j < count; ++j)
            s[j] += Load<V>(x + j * width) * Load<V>(h + j * width);
    }
    // Two sums over the same inputs, which are loaded once.
    [[gnu::always_inline]] static void Add2(Lanes& a, Lanes& b, const double* x, const double* h,
                                            const double* h2) {
        for (int32_t j = 0; j < count; ++j) {
            const V v = Load<V>(x + j * width);
            a.s[j] += v * Load<V>(h + j * width);
            b.s[j] += v * Load<V>(h2 + j * width);
        }
    }
    // ((lane 0 + lane 4) + (lane 1 + lane 5)) + ((lane 2 + lane 6) + (lane 3 + lane 7))
    [[gnu::always_inline]] double Total() const {
        if constexpr (count == 2) {
            const V t = s[0] + s[1];
            return (t[0] + t[1]) + (t[2] + t[3]);
        } else {
            const V a = s[0] + s[2], b = s[1] + s[3];
            return (a[0] + a[1]) + (b[0] + b[1]);
        }
    }
};

// Window lengths are multiples of kLane.
template <typename V>
[[gnu::always_inline]] inline double Dot(const double* x, const double* h, int32_t n) {
    Lanes<V> s;
    for (int32_t i = 0; i < n; i += kLane)
        s.Add(x + i, h + i);
    return s.Total();
}

// Position of the next output and its step, shared by all channels.
struct Walk {
    int32_t xp, phase;
    int32_t advInt, advFrac, b;

    void Advance() {
        phase += advFrac;
        const int32_t carry = phase >= b;
        phase -= carry * b;
        xp += advInt + carry;
    }
};

struct Window {
    double* const* in; // one input buffer per channel
    int32_t channels;
    const double* rows;
    int32_t span;
    int32_t back; // taps before the current input
};

// One weight row per phase. The walk is kept in locals so that the stores to the output
// cannot be taken to change it.
template <typename V>
[[gnu::always_inline]] inline int Polyphase(const Window& win, Walk& walk, int32_t limit,
                                            float* out) {
    double* const* in = win.in;
    const int32_t channels = win.channels, span = win.span, back = win.back;
    const double* rows = win.rows;
    Walk w = walk;
    int n = 0;
    for (; w.xp < limit; ++n, w.Advance()) {
        const double* h = rows + size_t(w.phase) * span;
        for (int32_t c = 0; c < channels; ++c)
            out[size_t(n) * channels + c] =
                static_cast<float>(Dot<V>(in[c] + w.xp - back, h, span));
    }
    walk = w;
    return n;
}

// One weight row per table node: an output between two nodes takes the linear blend of the
// two rows' sums, which equals reading every tap from the table by linear interpolation.
template <typename V>
[[gnu::always_inline]] inline int Blend(const Window& win, double nodesPerPhase, Walk& walk,
                                        int32_t limit, float* out) {
    double* const* in = win.in;
    const int32_t channels = win.channels, span = win.span, back = win.back;
    const double* rows = win.rows;
    Walk w = walk;
    int n = 0;
    for (; w.xp < limit; ++n, w.Advance()) {
        const double q = w.phase * nodesPerPhase;
        const auto node = static_cast<int32_t>(q);
        const double blend = q - node;
        const double* h = rows + size_t(node) * span;
        const double* h2 = h + span;
        for (int32_t c = 0; c < channels; ++c) {
            const double* x = in[c] + w.xp - back;
            Lanes<V> lo, hi;
            for (int32_t i = 0; i < span; i += kLane)
                Lanes<V>::Add2(lo, hi, x + i, h + i, h2 + i);
            const double p = lo.Total();
            out[size_t(n) * channels + c] = static_cast<float>(p + blend * (hi.Total() - p));
        }
    }
    walk = w;
    return n;
}

int PolyphaseNarrow(const Window& win, Walk& w, int32_t limit, float* out) {
    return Polyphase<Vec2>(win, w, limit, out);
}

int BlendNarrow(const Window& win, double nodesPerPhase, Walk& w, int32_t limit, float* out) {
    return Blend<Vec2>(win, nodesPerPhase, w, limit, out);
}

#if defined(__x86_64__)
__attribute__((target("avx2,fma"))) int PolyphaseWide(const Window& win, Walk& w, int32_t limit,
                                                      float* out) {
    return Polyphase<Vec4>(win, w, limit, out);
}

__attribute__((target("avx2,fma"))) int BlendWide(const Window& win, double nodesPerPhase, Walk& w,
                                                  int32_t limit, float* out) {
    return Blend<Vec4>(win, nodesPerPhase, w, limit, out);
}

const bool kWide = [] {
    __builtin_cpu_init(); // this may run before the run-time library has probed the processor
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
}();
#else
int (*const PolyphaseWide)(const Window&, Walk&, int32_t, float*) = PolyphaseNarrow;
int (*const BlendWide)(const Window&, double, Walk&, int32_t, float*) = BlendNarrow;
const bool kWide = false;
#endif

} // namespace

RateConverter::RateConverter(int channels, int inRate, int outRate) : channels_(channels) {
    state_.inRate = inRate;
    state_.outRate = outRate;
    ready_ = channels >= 1 && inRate > 0 && outRate > 0 && SetUp();
    if (!ready_)
        return;
    if (inRate != outRate) {
        buffers_.assign(channels, std::vector<double>(kBufferSize, 0.0));
        for (auto& buffer : buffers_)
            inputs_.push_back(buffer.data());
    }
}

RateConverter::~RateConverter() = default;

bool RateConverter::SetUp() {
    ResampleState& s = state_;
    s.rolloff = 0.8;
    s.beta = 16.0;
    s.nMult = 45;
    s.exact = false;
    s.factor = static_cast<double>(s.outRate) / s.inRate;
    const int32_t g = std::gcd(s.inRate, s.outRate);
    s.a = s.inRate / g;
    s.b = s.outRate / g;
    if (s.inRate == s.outRate)
        return true;

    // The exact table needs 23 b + 1 entries; above the table limit the fractional mode
    // converts the same ratio instead of failing.
    const int32_t zeroCrossings = s.nMult / 2 + 1;
    s.exact = s.b >= s.a && s.b < 512 && s.b * zeroCrossings + 1 <= kMaxWing;
    s.nq = s.exact ? s.b : kFractionalNq;
    s.nWing = s.nq * zeroCrossings + 1;
    if (!MakeFilter())
        return false;

    if (s.exact) {
        s.xh = s.nWing / s.b;
        step_ = s.b;
    } else {
        s.dhb = s.factor < 1.0 ? static_cast<int32_t>(std::lround(s.factor * kUnity)) : kUnity;
        if (s.dhb <= 0)
            return false;
        const int64_t xh = (static_cast<int64_t>(s.nWing) * 65536) / s.dhb;
        if (xh > kBufferSize)
            return false;
        s.xh = static_cast<int32_t>(xh);
        step_ = s.dhb / 65536.0;
    }
    s.xoff = s.xh + 10;
    // A ratio whose outputs or inputs per sample outgrow the free work buffer is refused.
    const double m = kBufferSize - 2.0 * s.xoff;
    if (s.factor + 1.0 / s.factor > m)
        return false;

    advInt_ = s.a / s.b;
    advFrac_ = s.a % s.b;
    BuildTables();
    Reset();
    return true;
}

bool RateConverter::MakeFilter() {
    ResampleState& s = state_;
    if (s.nWing > kMaxWing || !(s.rolloff > 0.0 && s.rolloff <= 1.0))
        return false;
    const double zc = s.nq / s.rolloff; // table entries per zero-crossing of the sinc
    const int32_t m = static_cast<int32_t>(std::lround(std::floor(s.nWing / zc) * zc));
    if (m <= 0)
        return false;

    std::vector<double> c(m);
    c[0] = s.rolloff;
    for (int32_t i = 1; i < m; ++i)
        c[i] = std::sin(i * M_PI * s.rolloff / s.nq) / (i * M_PI / s.nq);
    if (s.beta > 2.0) {
        const double ibeta = BesselI0(s.beta);
        for (int32_t i = 1; i < m; ++i) {
            const double r = static_cast<double>(i) / m;
            c[i] *= BesselI0(s.beta * std::sqrt(1.0 - r * r)) / ibeta;
        }
    } else {
        for (int32_t i = 1; i < m; ++i) {
            const double x = i * M_PI / m;
            c[i] *= 0.36335819 + 0.4891775 * std::cos(x) + 0.1365995 * std::cos(2 * x) +
                    0.0106411 * std::cos(3 * x);
        }
    }
    // Unity gain for a constant signal at whole-sample positions.
    double gain = c[0];
    for (int32_t i = s.nq; i < m; i += s.nq)
        gain += 2.0 * c[i];
    for (double& v : c)
        v /= gain;

    // impulse[0] is the guard before the table, impulse[1 + i] the table entry i; entries
    // from m to nWing (the last one being the guard after) stay zero.
    s.impulse.assign(s.nWing + 2, 0.0);
    std::copy(c.begin(), c.end(), s.impulse.begin() + 1);
    s.impulse[0] = s.impulse[2];
    m_ = m;
    return true;
}

// Weights of the window for an output q0 table entries past input xp: input xp - k lies
// q0 + k step entries away, input xp + 1 + k lies step - q0 + k step away, and the table is
// read with linear interpolation between neighbouring entries. Below unity the weights are
// scaled by the factor, which keeps the gain of a constant signal at 1.
void RateConverter::Weigh(double q0, double* row) const {
    const double* table = state_.impulse.data() + 1;
    const double scale = state_.factor < 1.0 ? state_.factor : 1.0;
    auto tap = [this, table](double pos) {
        const auto i = static_cast<int32_t>(pos);
        if (i >= m_)
            return 0.0;
        const double f = pos - i;
        return table[i] + f * (table[i + 1] - table[i]);
    };
    std::fill(row, row + span_, 0.0);
    for (int32_t k = 0; k < k_; ++k) {
        row[k_ - 1 - k] = scale * tap(q0 + k * step_);
        row[k_ + k] = scale * tap(step_ - q0 + k * step_);
    }
}

void RateConverter::BuildTables() {
    const ResampleState& s = state_;
    k_ = static_cast<int32_t>(std::ceil(m_ / step_));
    span_ = (2 * k_ + kLane - 1) / kLane * kLane;

    const bool wholeStep = !s.exact && s.dhb % 65536 == 0;
    if (s.exact || static_cast<int64_t>(s.b) * span_ <= kMaxPhaseTable) {
        kind_ = Kind::Polyphase;
        rows_.assign(static_cast<size_t>(s.b) * span_, 0.0);
        for (int32_t p = 0; p < s.b; ++p)
            Weigh(s.exact ? p : static_cast<double>(p) * step_ / s.b, &rows_[size_t(p) * span_]);
    } else if (wholeStep) {
        kind_ = Kind::Blend;
        const auto nodes = static_cast<int32_t>(step_);
        rows_.assign(static_cast<size_t>(nodes + 1) * span_, 0.0);
        for (int32_t p = 0; p <= nodes; ++p)
            Weigh(p, &rows_[size_t(p) * span_]);
    } else {
        kind_ = Kind::Direct;
        scratch_.assign(span_, 0.0);
    }
}

void RateConverter::Reset() {
    state_.xp = state_.xread = state_.xoff;
    state_.phase = 0;
    framesIn_ = framesOut_ = 0;
    for (auto& buffer : buffers_)
        std::fill(buffer.begin(), buffer.end(), 0.0);
}

int RateConverter::Produce(int32_t limit, float* output) {
    ResampleState& s = state_;
    Walk w{s.xp, s.phase, advInt_, advFrac_, s.b};
    const Window win{inputs_.data(), channels_, rows_.data(), span_, k_ - 1};
    int n = 0;
    switch (kind_) {
    case Kind::Polyphase:
        n = kWide ? PolyphaseWide(win, w, limit, output) : PolyphaseNarrow(win, w, limit, output);
        break;
    case Kind::Blend: {
        const double nodesPerPhase = step_ / s.b;
        n = kWide ? BlendWide(win, nodesPerPhase, w, limit, output)
                  : BlendNarrow(win, nodesPerPhase, w, limit, output);
        break;
    }
    case Kind::Direct:
        for (; w.xp < limit; ++n, w.Advance()) {
            Weigh(static_cast<double>(w.phase) * step_ / s.b, scratch_.data());
            for (int32_t c = 0; c < channels_; ++c)
                output[size_t(n) * channels_ + c] = static_cast<float>(
                    Dot<Vec2>(inputs_[c] + w.xp - win.back, scratch_.data(), span_));
        }
        break;
    }
    s.xp = w.xp;
    s.phase = w.phase;
    framesOut_ += n;
    return n;
}

int32_t RateConverter::Compact() {
    ResampleState& s = state_;
    const int32_t shift = s.xp - s.xoff;
    if (shift <= 0)
        return 0;
    for (auto& buffer : buffers_)
        std::memmove(buffer.data(), buffer.data() + shift, sizeof(double) * (s.xread - shift));
    s.xread -= shift;
    s.xp -= shift;
    return shift;
}

int RateConverter::Process(const float* input, int frames, float* output) {
    if (!ready_ || frames <= 0)
        return 0;
    ResampleState& s = state_;
    if (s.inRate == s.outRate) {
        std::memmove(output, input, sizeof(float) * size_t(frames) * channels_);
        framesIn_ += frames;
        framesOut_ += frames;
        return frames;
    }
    int produced = 0;
    for (int done = 0; done < frames;) {
        const int32_t n = std::min(frames - done, kBufferSize - s.xread);
        for (int32_t c = 0; c < channels_; ++c) {
            double* x = buffers_[c].data() + s.xread;
            const float* in = input + size_t(done) * channels_ + c;
            for (int32_t i = 0; i < n; ++i)
                x[i] = in[size_t(i) * channels_];
        }
        s.xread += n;
        done += n;
        framesIn_ += n;
        produced += Produce(s.xread - s.xoff, output + size_t(produced) * channels_);
        Compact();
    }
    return produced;
}

int RateConverter::FlushLength() const {
    if (!ready_ || state_.inRate == state_.outRate)
        return 0;
    // Output n lies at input position n a / b; those before the end of the input are due.
    const int64_t due = (framesIn_ * state_.b + state_.a - 1) / state_.a;
    return static_cast<int>(std::max<int64_t>(0, due - framesOut_));
}

int RateConverter::Flush(float* output) {
    if (!ready_)
        return 0;
    ResampleState& s = state_;
    int produced = 0;
    if (s.inRate != s.outRate) {
        // The input is taken as silent past its end, so outputs up to the end see the
        // whole filter.
        int32_t end = s.xread;
        while (s.xp < end) {
            for (auto& buffer : buffers_)
                std::fill(buffer.begin() + s.xread, buffer.end(), 0.0);
            s.xread = kBufferSize;
            produced +=
                Produce(std::min(end, s.xread - s.xoff), output + size_t(produced) * channels_);
            end -= Compact();
        }
    }
    Reset();
    return produced;
}

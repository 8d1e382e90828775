#include "audio/engine/audio_container.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// Integer samples move through a float scratch of this many samples: 8192 stereo frames, and
// fewer frames per block when a container has more channels.
constexpr int kScratchSamples = 16384;
constexpr int kMaxBlockFrames = 8192;

double PcmScale(int bits) {
    switch (bits) {
    case 8:
        return 128.0;
    case 16:
        return 32768.0;
    case 24:
        return 8388608.0;
    default:
        return 0.0;
    }
}

float PcmToFloat(const unsigned char* in, int bits) {
    switch (bits) {
    case 8:
        return static_cast<float>(static_cast<signed char>(in[0]) / 128.0);
    case 16: {
        std::int16_t v;
        std::memcpy(&v, in, sizeof v);
        return static_cast<float>(v / 32768.0);
    }
    default: {
        std::int32_t v = (in[0] << 16) | (in[1] << 8) | in[2];
        if (v & 0x800000) {
            v -= 0x1000000;
        }
        return static_cast<float>(v / 8388608.0);
    }
    }
}

void StorePcm(unsigned char* out, int value, int bits) {
    switch (bits) {
    case 8:
        out[0] = static_cast<unsigned char>(static_cast<signed char>(value));
        break;
    case 16: {
        const auto v = static_cast<std::int16_t>(value);
        std::memcpy(out, &v, sizeof v);
        break;
    }
    default: {
        const auto v = static_cast<std::uint32_t>(value);
        out[0] = static_cast<unsigned char>(v >> 16);
        out[1] = static_cast<unsigned char>(v >> 8);
        out[2] = static_cast<unsigned char>(v);
        break;
    }
    }
}

int BlockFrames(int channels) {
    return std::min(kMaxBlockFrames, kScratchSamples / channels);
}

} // namespace

int FloatToPcm(float sample, int bits) {
    const double scale = PcmScale(bits);
    const double x = sample * scale;
    if (std::isnan(x)) {
        return 0;
    }
    const double rounded = x >= 0 ? std::trunc(x + 0.5) : std::trunc(x - 0.5);
    return static_cast<int>(std::clamp(rounded, -scale, scale - 1.0));
}

int CAP_AudioContainer::ReadPcm(void* buffer, int bits, int frames, std::int64_t startFrame) {
    if (PcmScale(bits) == 0.0 || channels <= 0 || frames <= 0) {
        return 0;
    }
    std::vector<float> scratch(kScratchSamples);
    auto* out = static_cast<unsigned char*>(buffer);
    const int bytesPerSample = bits / 8;
    const int blockFrames = BlockFrames(channels);
    int done = 0;
    while (done < frames) {
        const int want = std::min(blockFrames, frames - done);
        const int got = ReadFrames(scratch.data(), want, startFrame + done);
        if (got <= 0) {
            break;
        }
        unsigned char* block = out + static_cast<std::size_t>(done) * channels * bytesPerSample;
        for (int i = 0; i < got * channels; ++i) {
            StorePcm(block + static_cast<std::size_t>(i) * bytesPerSample,
                     FloatToPcm(scratch[i], bits), bits);
        }
        done += got;
    }
    return done;
}

int CAP_AudioContainer::ReadFrames(float*, int, std::int64_t) {
    return 0;
}

int CAP_AudioContainer::WritePcm(const void* buffer, int bits, int frames,
                                 std::int64_t startFrame) {
    if (PcmScale(bits) == 0.0 || channels <= 0 || frames <= 0) {
        return 0;
    }
    std::vector<float> scratch(kScratchSamples);
    const auto* in = static_cast<const unsigned char*>(buffer);
    const int bytesPerSample = bits / 8;
    const int blockFrames = BlockFrames(channels);
    int done = 0;
    while (done < frames) {
        const int count = std::min(blockFrames, frames - done);
        const unsigned char* block =
            in + static_cast<std::size_t>(done) * channels * bytesPerSample;
        for (int i = 0; i < count * channels; ++i) {
            scratch[i] = PcmToFloat(block + static_cast<std::size_t>(i) * bytesPerSample, bits);
        }
        const int written = WriteFrames(scratch.data(), count, startFrame + done);
        if (written <= 0) {
            break;
        }
        done += written;
    }
    return done;
}

int CAP_AudioContainer::WriteFrames(const float*, int, std::int64_t) {
    return 0;
}

std::int64_t CAP_AudioContainer::SecondsToFrames(double seconds) const {
    const double frames = std::trunc(rate * seconds);
    if (std::isnan(frames)) {
        return 0;
    }
    return static_cast<std::int64_t>(std::clamp(frames, -9.0e18, 9.0e18));
}

double CAP_AudioContainer::FramesToSeconds(std::int64_t frames) const {
    return rate > 0 ? static_cast<double>(frames) / rate : 0.0;
}

void CAP_AudioViewer::OnShift(double deltaSeconds) {
    pendingShift += deltaSeconds;
    if (std::fabs(pendingShift) < 0.00001) {
        pendingShift = 0.0;
    }
}

void CAP_AudioViewer::OnChange(double startSeconds, double lengthSeconds) {
    if (pendingLength == 0.0) {
        pendingStart = startSeconds;
        pendingLength = lengthSeconds;
        return;
    }
    const double begin = std::min(pendingStart, startSeconds);
    const double end = std::max(pendingStart + pendingLength, startSeconds + lengthSeconds);
    pendingStart = begin;
    pendingLength = end - begin;
}

bool CAP_AudioViewer::Update() {
    pendingStart = 0.0;
    pendingLength = 0.0;
    pendingShift = 0.0;
    return true;
}

#include "audio/engine/audio_player.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>

#include "audio/sound_signature.h"

namespace {

// How long Stop waits for the device to hand its buffers back. A device that never does
// (a stuck driver) must not freeze the program: it is closed regardless.
constexpr std::chrono::milliseconds kStopWait{2000};

constexpr std::int64_t kNoEnd = std::numeric_limits<std::int64_t>::max();

// Seconds to frames, rounded half away from zero; what is not a number counts as 0.
std::int64_t RoundFrames(double rate, double seconds) {
    const double frames = std::round(rate * seconds);
    if (std::isnan(frames)) {
        return 0;
    }
    return static_cast<std::int64_t>(std::clamp(frames, -9.0e18, 9.0e18));
}

} // namespace

CAI_AudioPlayer::CAI_AudioPlayer(CAP_AudioContainer* source, CAP_AudioContainer* recordTarget)
    : source_(source), recordTarget_(recordTarget) {
    // Every buffer lives as long as the player: nothing is allocated while sound moves.
    for (auto& buffer : playBuffers_) {
        buffer = std::make_unique<float[]>(kPlayBufferBytes / sizeof(float));
    }
    for (auto& buffer : recordBuffers_) {
        buffer = std::make_unique<float[]>(kRecordBufferBytes / sizeof(float));
    }
}

CAI_AudioPlayer::~CAI_AudioPlayer() {
    Stop();
}

void CAI_AudioPlayer::PlayLoop(double start, double loopStart, double end) {
    if (source_ == nullptr || state_ != kIdle) {
        return;
    }
    loop_ = true;
    loopStartFrame_ = std::max<std::int64_t>(0, source_->SecondsToFrames(loopStart));
    Play(start, end);
}

void CAI_AudioPlayer::Play(double start, double end) {
    if (source_ == nullptr || state_ != kIdle) {
        return;
    }
    state_ = kBusy;
    const int rate = source_->rate;
    const int channels = source_->channels;
    startFrame_ = std::max<std::int64_t>(0, RoundFrames(rate, start));
    endFrame_ = end <= 0 ? RoundFrames(rate, source_->duration) : RoundFrames(rate, end);
    playCursor_ = startFrame_;
    dataEnded_ = false;
    playEnded_ = false;
    if (rate <= 0 || channels <= 0 || startFrame_ >= endFrame_) {
        BackToIdle();
        return;
    }
    playFloat_ = CanPlayFormat(rate, channels, 32, true);
    playBits_ = playFloat_ ? 32 : 16;
    playChannels_ = channels;

    outputDevice_ = GetAudioSystem().CreateDevice(AudioDirection::kOutput, this);
    AudioDevice& device = *outputDevice_;
    bool ok = DeviceCall(device, device.Open({rate, channels, playBits_, playFloat_}, false));
    ok = ok && DeviceCall(device, device.Pause());
    for (int i = 0; ok && i < kPlayBuffers; ++i) {
        AudioDeviceBuffer& header = playHeaders_[i];
        header = {};
        header.data = reinterpret_cast<char*>(playBuffers_[i].get());
        header.user = this;
        header.length = FillPlayBuffer(header);
        if (header.length == 0) {
            header.done = true;
        } else {
            ok = DeviceCall(device, device.Queue(&header));
        }
    }
    ok = ok && DeviceCall(device, device.Start());
    if (!ok) {
        // A device opened before a later step failed is closed, or the card stays busy.
        const std::string reason = errorText_; // the step that failed, not the close
        CloseDevice(outputDevice_, playHeaders_.data(), kPlayBuffers);
        errorText_ = reason;
        BackToIdle();
        return;
    }
    state_ = kPlaying;
}

std::size_t CAI_AudioPlayer::FillPlayBuffer(AudioDeviceBuffer& header) {
    if (dataEnded_) {
        return 0;
    }
    const int channels = playChannels_;
    const std::size_t frameBytes = static_cast<std::size_t>(channels) * playBits_ / 8;
    // One second per buffer, but never more than the buffer holds: a source with more than
    // two channels gets fewer frames.
    const std::int64_t capacity =
        std::min<std::int64_t>(source_->rate, kPlayBufferBytes / frameBytes);
    // A loop start at or past the end would never yield a frame: such a loop plays once.
    const bool loops = loop_ && loopStartFrame_ < endFrame_;
    std::int64_t filled = 0;
    while (filled < capacity) {
        if (playCursor_ >= endFrame_) {
            if (!loops) {
                dataEnded_ = true;
                break;
            }
            playCursor_ = loopStartFrame_;
        }
        const int want = static_cast<int>(std::min(capacity - filled, endFrame_ - playCursor_));
        char* at = header.data + filled * frameBytes;
        const int got = playFloat_
                            ? source_->ReadFrames(reinterpret_cast<float*>(at), want, playCursor_)
                            : source_->ReadPcm(at, 16, want, playCursor_);
        if (got <= 0) {
            dataEnded_ = true;
            break;
        }
        playCursor_ += std::min(got, want);
        filled += std::min(got, want);
    }
    return static_cast<std::size_t>(filled) * frameBytes;
}

void CAI_AudioPlayer::OnBufferDone(AudioDeviceBuffer* header) {
    if (state_ != kPlaying) {
        header->length = 0;
        return;
    }
    // A buffer that is not written again stays with the player, done and empty.
    const std::size_t bytes = FillPlayBuffer(*header);
    header->length = bytes;
    if (bytes == 0 || !DeviceCall(*outputDevice_, outputDevice_->Queue(header))) {
        header->length = 0;
        header->done = true;
    }
    playEnded_ = std::all_of(playHeaders_.begin(), playHeaders_.end(),
                             [](const AudioDeviceBuffer& h) { return h.done; });
}

void CAI_AudioPlayer::Record(double start, double end) {
    if (recordTarget_ == nullptr || state_ != kIdle) {
        return;
    }
    state_ = kBusy;
    const int rate = recordTarget_->rate;
    const int channels = recordTarget_->channels;
    startFrame_ = std::max<std::int64_t>(0, RoundFrames(rate, start));
    endFrame_ = RoundFrames(rate, end);
    if (endFrame_ < 1) {
        endFrame_ = kNoEnd;
    }
    recordCursor_ = startFrame_;
    dataEnded_ = false;
    if (rate <= 0 || channels <= 0 || startFrame_ >= endFrame_) {
        BackToIdle();
        return;
    }
    recordFloat_ = CanRecordFormat(rate, channels, 32, true);
    recordBits_ = recordFloat_ ? 32 : 16;
    recordChannels_ = channels;

    // 50 ms rounded to the buffer sizes devices like, never beyond the buffer, whole frames.
    const std::size_t frameBytes = static_cast<std::size_t>(channels) * recordBits_ / 8;
    const std::size_t wanted = static_cast<std::size_t>(RoundFrames(rate, 0.05)) * frameBytes;
    std::size_t length = 512;
    if (wanted > 1024) {
        std::size_t v = 512;
        while (4 * v < wanted) {
            v *= 2;
        }
        length = 2 * v;
    }
    length = std::min(length, kRecordBufferBytes) / frameBytes * frameBytes;
    if (length == 0) {
        length = kRecordBufferBytes / frameBytes * frameBytes;
    }

    inputDevice_ = GetAudioSystem().CreateDevice(AudioDirection::kInput, this);
    AudioDevice& device = *inputDevice_;
    bool ok = length > 0 &&
              DeviceCall(device, device.Open({rate, channels, recordBits_, recordFloat_}, false));
    for (int i = 0; ok && i < kRecordBuffers; ++i) {
        AudioDeviceBuffer& header = recordHeaders_[i];
        header = {};
        header.data = reinterpret_cast<char*>(recordBuffers_[i].get());
        header.length = length;
        header.user = this;
        ok = DeviceCall(device, device.Queue(&header));
    }
    ok = ok && DeviceCall(device, device.Start());
    if (!ok) {
        const std::string reason = errorText_; // the step that failed, not the close
        CloseDevice(inputDevice_, recordHeaders_.data(), kRecordBuffers);
        errorText_ = reason;
        BackToIdle();
        return;
    }
    state_ = kRecording;
}

void CAI_AudioPlayer::OnDataReady(AudioDeviceBuffer* header) {
    if (state_ != kRecording || dataEnded_) {
        header->length = 0;
        return;
    }
    const std::size_t frameBytes = static_cast<std::size_t>(recordChannels_) * recordBits_ / 8;
    std::int64_t frames = static_cast<std::int64_t>(header->bytesRecorded / frameBytes);
    RemoveDcOffsets(header->data, frames);
    frames = std::min(frames, endFrame_ - recordCursor_);
    const int count = static_cast<int>(std::max<std::int64_t>(0, frames));
    const int written =
        recordFloat_ ? recordTarget_->WriteFrames(reinterpret_cast<const float*>(header->data),
                                                  count, recordCursor_)
                     : recordTarget_->WritePcm(header->data, 16, count, recordCursor_);
    recordCursor_ += std::max(written, 0);
    dataEnded_ = written <= 0;
    DeviceCall(*inputDevice_, inputDevice_->Queue(header));
}

void CAI_AudioPlayer::RemoveDcOffsets(char* data, std::int64_t frames) {
    const int channels = recordChannels_;
    for (int c = 0; c < std::min(channels, 2); ++c) {
        const float offset = dcOffsets_[c];
        if (offset == 0.0f) {
            continue;
        }
        if (recordFloat_) {
            auto* samples = reinterpret_cast<float*>(data);
            for (std::int64_t f = 0; f < frames; ++f) {
                float& s = samples[f * channels + c];
                s = std::clamp(s - offset, -1.0f, 1.0f);
            }
        } else {
            const int q = QuantizeSignatureSample(offset);
            for (std::int64_t f = 0; f < frames; ++f) {
                char* at = data + (f * channels + c) * 2;
                std::int16_t s;
                std::memcpy(&s, at, sizeof s);
                s = static_cast<std::int16_t>(std::clamp(s - q, -32767, 32767));
                std::memcpy(at, &s, sizeof s);
            }
        }
    }
}

void CAI_AudioPlayer::Stop() {
    if (state_ != kPlaying && state_ != kRecording) {
        return;
    }
    position_ = GetPosition();
    if (state_ == kPlaying) {
        state_ = kBusy;
        DeviceCall(*outputDevice_, outputDevice_->Reset());
        WaitForBuffers(*outputDevice_, playHeaders_.data(), kPlayBuffers);
        CloseDevice(outputDevice_, playHeaders_.data(), kPlayBuffers);
    } else {
        state_ = kBusy;
        DeviceCall(*inputDevice_, inputDevice_->Reset());
        WaitForBuffers(*inputDevice_, recordHeaders_.data(), kRecordBuffers);
        CloseDevice(inputDevice_, recordHeaders_.data(), kRecordBuffers);
    }
    BackToIdle();
}

void CAI_AudioPlayer::WaitForBuffers(AudioDevice& device, AudioDeviceBuffer* headers, int count) {
    // Only this device's notices are handled meanwhile, as they arrive. The wait is for the
    // buffers the device still holds: one already handed back and not written again (the
    // end of a sound) will not come back a second time.
    const auto deadline = std::chrono::steady_clock::now() + kStopWait;
    for (;;) {
        device.DeliverNotices();
        if (std::all_of(headers, headers + count, [](auto& h) { return h.done; })) {
            return;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !device.WaitForNotice(left)) {
            return;
        }
    }
}

void CAI_AudioPlayer::CloseDevice(std::unique_ptr<AudioDevice>& device, AudioDeviceBuffer* headers,
                                  int count) {
    if (device) {
        DeviceCall(*device, device->Close());
        device.reset();
    }
    // A closed device has forgotten every buffer, including any it never handed back.
    for (int i = 0; i < count; ++i) {
        headers[i].length = 0;
        headers[i].done = true;
    }
}

void CAI_AudioPlayer::BackToIdle() {
    state_ = kIdle;
    loop_ = false;
    dataEnded_ = false;
    playEnded_ = false;
}

void CAI_AudioPlayer::StopIfFinished() {
    if ((state_ == kRecording && dataEnded_) || (state_ == kPlaying && playEnded_)) {
        Stop();
    }
}

double CAI_AudioPlayer::GetPosition() {
    std::int64_t played = 0;
    if (state_ == kPlaying && outputDevice_ &&
        DeviceCall(*outputDevice_, outputDevice_->GetPosition(played))) {
        std::int64_t frame = startFrame_ + played;
        // Before the loop start the position runs on as in a plain play.
        if (loop_ && loopStartFrame_ < endFrame_ && frame >= loopStartFrame_) {
            frame = loopStartFrame_ + (frame - loopStartFrame_) % (endFrame_ - loopStartFrame_);
        }
        frame = std::max<std::int64_t>(0, std::min(frame, endFrame_ - 1));
        position_ = source_->FramesToSeconds(frame);
    } else if (state_ == kRecording && inputDevice_ &&
               DeviceCall(*inputDevice_, inputDevice_->GetPosition(played))) {
        std::int64_t frame = startFrame_ + played;
        frame = std::max<std::int64_t>(0, std::min(frame, endFrame_ - 1));
        position_ = recordTarget_->FramesToSeconds(frame);
    }
    return position_;
}

void CAI_AudioPlayer::SetDcOffsets(float offset0, float offset1) {
    dcOffsets_[0] = offset0;
    dcOffsets_[1] = offset1;
}

bool CAI_AudioPlayer::CanPlayFormat(int rate, int channels, int bits, bool isFloat) {
    return FormatOpens(AudioDirection::kOutput, rate, channels, bits, isFloat);
}

bool CAI_AudioPlayer::CanRecordFormat(int rate, int channels, int bits, bool isFloat) {
    return FormatOpens(AudioDirection::kInput, rate, channels, bits, isFloat);
}

bool CAI_AudioPlayer::FormatOpens(AudioDirection direction, int rate, int channels, int bits,
                                  bool isFloat) {
    auto device = GetAudioSystem().CreateDevice(direction, nullptr);
    return device && device->Open({rate, channels, bits, isFloat}, true);
}

bool CAI_AudioPlayer::DeviceCall(AudioDevice& device, bool succeeded) {
    if (!succeeded) {
        errorText_ = device.ErrorText().substr(0, 255);
    }
    return succeeded;
}

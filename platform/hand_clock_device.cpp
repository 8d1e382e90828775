#include "platform/hand_clock_device.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <deque>

class HandClockAudioDevice : public AudioDevice {
public:
    HandClockAudioDevice(HandClockAudioSystem& system, AudioDirection direction,
                         AudioDeviceListener* listener)
        : AudioDevice(direction, listener, false), system_(system) {
        system_.devices_.push_back(this);
    }

    ~HandClockAudioDevice() override {
        Close();
        std::erase(system_.devices_, this);
    }

    bool IsOpen() const { return open_; }

    bool Open(const AudioDeviceFormat& format, bool queryOnly) override {
        ClearError();
        if (system_.absent_) {
            return Fail(kNoAudioDeviceText);
        }
        if (open_) {
            return Fail("The audio device is already open");
        }
        const bool supported = (format.bits == 16 && !format.isFloat) ||
                               (format.bits == 32 && format.isFloat && !system_.refusesFloat_);
        if (format.rate <= 0 || format.channels <= 0 || !supported) {
            return Fail(kAudioFormatRefusedText);
        }
        if (queryOnly) {
            return true;
        }
        format_ = format;
        open_ = true;
        running_ = false;
        queue_.clear();
        offset_ = 0;
        position_ = 0;
        runNanos_ = 0;
        clockFrames_ = 0;
        ++system_.openCalls_;
        if (Direction() == AudioDirection::kOutput) {
            system_.played_.clear();
        }
        system_.lastFormat_[Direction() == AudioDirection::kOutput ? 0 : 1] = format;
        return true;
    }

    bool Queue(AudioDeviceBuffer* buffer) override {
        ClearError();
        if (!open_) {
            return Fail(kAudioDeviceNotOpenText);
        }
        if (buffer == nullptr || buffer->data == nullptr ||
            buffer->length < static_cast<std::size_t>(format_.FrameBytes())) {
            return Fail("The audio buffer is empty");
        }
        buffer->done = false;
        buffer->bytesRecorded = 0;
        queue_.push_back(buffer);
        return true;
    }

    bool Pause() override { return SetRunning(false); }
    bool Start() override {
        if (system_.failsToStart_ && open_) {
            return Fail(kHandClockStartFailure);
        }
        return SetRunning(true);
    }

    bool Reset() override {
        ClearError();
        if (!open_) {
            return Fail(kAudioDeviceNotOpenText);
        }
        running_ = false;
        position_ = 0;
        if (system_.returnsBuffersOnReset_) {
            for (std::size_t i = 0; i < queue_.size(); ++i) {
                queue_[i]->bytesRecorded =
                    (i == 0 && Direction() == AudioDirection::kInput) ? offset_ : 0;
                Notify(queue_[i]);
            }
            queue_.clear();
            offset_ = 0;
        }
        return true;
    }

    bool GetPosition(std::int64_t& frames) override {
        ClearError();
        if (!open_) {
            return Fail(kAudioDeviceNotOpenText);
        }
        frames = position_;
        return true;
    }

    bool Close() override {
        ClearError();
        if (!open_) {
            return true;
        }
        open_ = false;
        running_ = false;
        DiscardNotices();
        const bool held = !queue_.empty();
        queue_.clear();
        offset_ = 0;
        return held ? Fail("The audio device still held buffers when it was closed") : true;
    }

    // Time stands still between two Advance calls: nothing more will arrive by waiting.
    bool WaitForNotice(std::chrono::milliseconds) override {
        const bool waiting = AudioDevice::WaitForNotice(std::chrono::milliseconds(0));
        system_.idleWaits_ += waiting ? 0 : 1;
        return waiting;
    }

    void Advance(std::int64_t nanos) {
        if (!open_ || !running_) {
            return;
        }
        runNanos_ += nanos;
        // 64 bits hold a day of running time at the highest rate.
        const std::int64_t target = runNanos_ * format_.rate / 1000000000;
        std::int64_t due = target - clockFrames_;
        clockFrames_ = target;
        const std::size_t frameBytes = static_cast<std::size_t>(format_.FrameBytes());
        // A listener may queue the buffer again, or stop the device, from within a notice.
        while (due > 0 && open_ && running_ && !queue_.empty()) {
            AudioDeviceBuffer* buffer = queue_.front();
            const std::size_t whole = buffer->length / frameBytes * frameBytes;
            const auto left = static_cast<std::int64_t>((whole - offset_) / frameBytes);
            const std::int64_t n = std::min(due, left);
            char* at = buffer->data + offset_;
            const std::size_t bytes = static_cast<std::size_t>(n) * frameBytes;
            if (Direction() == AudioDirection::kInput) {
                Record(at, n);
            } else if (system_.keepsPlayed_) {
                system_.played_.insert(system_.played_.end(), at, at + bytes);
            }
            offset_ += bytes;
            position_ += n;
            due -= n;
            if (offset_ >= whole) {
                queue_.pop_front();
                buffer->bytesRecorded = offset_;
                offset_ = 0;
                Notify(buffer);
                DeliverNotices();
            }
        }
    }

private:
    bool SetRunning(bool running) {
        ClearError();
        if (!open_) {
            return Fail(kAudioDeviceNotOpenText);
        }
        running_ = running;
        return true;
    }

    void Record(char* out, std::int64_t frames) {
        for (std::int64_t f = 0; f < frames; ++f) {
            for (int c = 0; c < format_.channels; ++c) {
                const double x = system_.signal_ ? system_.signal_(position_ + f, c) : 0.0;
                if (format_.isFloat) {
                    const float v = static_cast<float>(x);
                    std::memcpy(out, &v, sizeof v);
                    out += sizeof v;
                } else {
                    const double scaled = std::clamp(std::round(x * 32768.0), -32768.0, 32767.0);
                    const auto v = static_cast<std::int16_t>(scaled);
                    std::memcpy(out, &v, sizeof v);
                    out += sizeof v;
                }
            }
        }
    }

    HandClockAudioSystem& system_;
    AudioDeviceFormat format_;
    bool open_ = false;
    bool running_ = false;
    std::deque<AudioDeviceBuffer*> queue_;
    std::size_t offset_ = 0;
    std::int64_t position_ = 0;
    std::int64_t runNanos_ = 0;
    std::int64_t clockFrames_ = 0;
};

HandClockAudioSystem::HandClockAudioSystem() = default;
HandClockAudioSystem::~HandClockAudioSystem() = default;

std::unique_ptr<AudioDevice> HandClockAudioSystem::CreateDevice(AudioDirection direction,
                                                                AudioDeviceListener* listener) {
    return std::make_unique<HandClockAudioDevice>(*this, direction, listener);
}

void HandClockAudioSystem::Advance(double seconds) {
    const auto nanos = static_cast<std::int64_t>(std::llround(seconds * 1e9));
    const auto snapshot = devices_;
    for (HandClockAudioDevice* device : snapshot) {
        // A notice may have deleted a later device of the snapshot.
        if (std::find(devices_.begin(), devices_.end(), device) != devices_.end()) {
            device->Advance(nanos);
        }
    }
}

int HandClockAudioSystem::OpenDevices() const {
    return static_cast<int>(std::count_if(devices_.begin(), devices_.end(),
                                          [](auto* device) { return device->IsOpen(); }));
}

#include "platform/null_device.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "platform/streaming_device.h"

namespace {

using Clock = std::chrono::steady_clock;

class PacedNullBackend : public StreamBackend {
public:
    bool Open(AudioDirection direction, const AudioDeviceFormat& format, bool queryOnly,
              std::string& error) override {
        direction_ = direction;
        format_ = format;
        anchored_ = false;
        return true;
    }

    long Transfer(char* data, long frames, std::string& error) override {
        // Frames are due on a timeline anchored at the first transfer; a gap longer than a
        // moment (the queue ran dry) starts a new timeline instead of rushing to catch up.
        const auto now = Clock::now();
        if (!anchored_ || now > Due(anchorFrames_) + std::chrono::milliseconds(50)) {
            anchor_ = now;
            anchorFrames_ = 0;
            anchored_ = true;
        }
        if (direction_ == AudioDirection::kInput) {
            std::memset(data, 0, static_cast<std::size_t>(frames) * format_.FrameBytes());
        }
        anchorFrames_ += frames;
        std::this_thread::sleep_until(Due(anchorFrames_));
        return frames;
    }

    void Drop() override { anchored_ = false; }
    long Delay() override { return 0; }
    void Close() override {}

private:
    Clock::time_point Due(std::int64_t frames) const {
        return anchor_ + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                             static_cast<double>(frames) / format_.rate));
    }

    AudioDirection direction_ = AudioDirection::kOutput;
    AudioDeviceFormat format_;
    bool anchored_ = false;
    Clock::time_point anchor_;
    std::int64_t anchorFrames_ = 0;
};

} // namespace

std::unique_ptr<AudioDevice> PacedNullAudioSystem::CreateDevice(AudioDirection direction,
                                                                AudioDeviceListener* listener) {
    return std::make_unique<StreamingAudioDevice>(direction, listener,
                                                  std::make_unique<PacedNullBackend>());
}

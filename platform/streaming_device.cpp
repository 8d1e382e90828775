#include "platform/streaming_device.h"

#include <algorithm>

namespace {

// The device thread moves at most this much at a time, so that a pause or a reset is
// honoured within about 10 ms.
long ChunkFrames(const AudioDeviceFormat& format) {
    return std::max(1, format.rate / 100);
}

// How long Reset waits for the device thread to hand the buffers back.
constexpr std::chrono::seconds kResetWait{2};

// How often the device thread looks whether written frames have been heard.
constexpr std::chrono::milliseconds kDrainPoll{10};

} // namespace

StreamingAudioDevice::StreamingAudioDevice(AudioDirection direction, AudioDeviceListener* listener,
                                           std::unique_ptr<StreamBackend> backend)
    : AudioDevice(direction, listener, true), backend_(std::move(backend)) {}

StreamingAudioDevice::~StreamingAudioDevice() {
    Close();
}

bool StreamingAudioDevice::Open(const AudioDeviceFormat& format, bool queryOnly) {
    ClearError();
    if (open_) {
        return Fail("The audio device is already open");
    }
    if (format.rate <= 0 || format.channels <= 0 ||
        !((format.bits == 16 && !format.isFloat) || (format.bits == 32 && format.isFloat))) {
        return Fail(kAudioFormatRefusedText);
    }
    std::string error;
    if (!backend_->Open(Direction(), format, queryOnly, error)) {
        return Fail(error);
    }
    if (queryOnly) {
        return true;
    }
    format_ = format;
    open_ = true;
    {
        std::lock_guard lock(mutex_);
        queue_.clear();
        draining_.clear();
        offset_ = 0;
        running_ = false;
        quit_ = false;
        resetPending_ = false;
        moved_ = 0;
        delay_ = 0;
        threadError_.clear();
    }
    thread_ = std::thread([this] { Run(); });
    return true;
}

bool StreamingAudioDevice::Queue(AudioDeviceBuffer* buffer) {
    ClearError();
    if (!open_) {
        return Fail(kAudioDeviceNotOpenText);
    }
    const std::size_t frameBytes = static_cast<std::size_t>(format_.FrameBytes());
    if (buffer == nullptr || buffer->data == nullptr || buffer->length < frameBytes) {
        return Fail("The audio buffer is empty");
    }
    buffer->done = false;
    buffer->bytesRecorded = 0;
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(buffer);
    }
    changed_.notify_all();
    return true;
}

bool StreamingAudioDevice::Pause() {
    ClearError();
    if (!open_) {
        return Fail(kAudioDeviceNotOpenText);
    }
    std::lock_guard lock(mutex_);
    running_ = false;
    return true;
}

bool StreamingAudioDevice::Start() {
    ClearError();
    if (!open_) {
        return Fail(kAudioDeviceNotOpenText);
    }
    {
        std::lock_guard lock(mutex_);
        running_ = true;
    }
    changed_.notify_all();
    return true;
}

bool StreamingAudioDevice::Reset() {
    ClearError();
    if (!open_) {
        return Fail(kAudioDeviceNotOpenText);
    }
    std::unique_lock lock(mutex_);
    running_ = false;
    resetPending_ = true;
    changed_.notify_all();
    if (!changed_.wait_for(lock, kResetWait, [this] { return !resetPending_; })) {
        return Fail("The audio device did not stop");
    }
    return true;
}

bool StreamingAudioDevice::GetPosition(std::int64_t& frames) {
    ClearError();
    if (!open_) {
        return Fail(kAudioDeviceNotOpenText);
    }
    std::lock_guard lock(mutex_);
    frames = Direction() == AudioDirection::kOutput ? std::max<std::int64_t>(0, moved_ - delay_)
                                                    : moved_;
    return true;
}

bool StreamingAudioDevice::Close() {
    ClearError();
    if (!open_) {
        return true;
    }
    StopThread();
    backend_->Close();
    open_ = false;
    DiscardNotices();
    bool heldBuffers = false;
    {
        std::lock_guard lock(mutex_);
        heldBuffers = !queue_.empty() || !draining_.empty();
        queue_.clear();
        draining_.clear();
    }
    if (heldBuffers) {
        return Fail("The audio device still held buffers when it was closed");
    }
    return true;
}

void StreamingAudioDevice::StopThread() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void StreamingAudioDevice::HandBackAll() {
    // Called with the lock held by the device thread, oldest buffer first.
    for (auto& entry : draining_) {
        Notify(entry.buffer);
    }
    draining_.clear();
    for (std::size_t i = 0; i < queue_.size(); ++i) {
        AudioDeviceBuffer* buffer = queue_[i];
        buffer->bytesRecorded = (i == 0 && Direction() == AudioDirection::kInput) ? offset_ : 0;
        Notify(buffer);
    }
    queue_.clear();
    offset_ = 0;
}

void StreamingAudioDevice::HandBackHeard() {
    while (!draining_.empty() && moved_ - delay_ >= draining_.front().endFrame) {
        Notify(draining_.front().buffer);
        draining_.pop_front();
    }
}

void StreamingAudioDevice::Run() {
    const long chunk = ChunkFrames(format_);
    const std::size_t frameBytes = static_cast<std::size_t>(format_.FrameBytes());
    auto ready = [this] { return quit_ || resetPending_ || (running_ && !queue_.empty()); };
    std::unique_lock lock(mutex_);
    for (;;) {
        if (draining_.empty()) {
            changed_.wait(lock, ready);
        } else if (!changed_.wait_for(lock, kDrainPoll, ready)) {
            lock.unlock();
            const long delay = backend_->Delay();
            lock.lock();
            delay_ = delay;
            HandBackHeard();
            continue;
        }
        if (quit_) {
            return;
        }
        if (resetPending_) {
            lock.unlock();
            backend_->Drop();
            lock.lock();
            HandBackAll();
            moved_ = 0;
            delay_ = 0;
            resetPending_ = false;
            changed_.notify_all();
            continue;
        }
        AudioDeviceBuffer* buffer = queue_.front();
        const std::size_t whole = buffer->length / frameBytes * frameBytes;
        const long frames =
            std::min<long>(chunk, static_cast<long>((whole - offset_) / frameBytes));
        char* data = buffer->data + offset_;
        lock.unlock();
        std::string error;
        long got = frames > 0 ? backend_->Transfer(data, frames, error) : 0;
        const long delay = got >= 0 ? backend_->Delay() : 0;
        lock.lock();
        if (got < 0) {
            // A failing backend is retried, but not in a busy loop.
            threadError_ = error;
            got = 0;
            changed_.wait_for(lock, kDrainPoll);
        }
        offset_ += static_cast<std::size_t>(got) * frameBytes;
        moved_ += got;
        delay_ = delay;
        if (offset_ >= whole) {
            buffer->bytesRecorded = offset_;
            queue_.pop_front();
            offset_ = 0;
            if (Direction() == AudioDirection::kOutput) {
                // Played means heard: the buffer goes back once the backend has sounded it.
                draining_.push_back({buffer, moved_});
            } else {
                Notify(buffer);
            }
        }
        HandBackHeard();
    }
}

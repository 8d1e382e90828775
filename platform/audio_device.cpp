#include "platform/audio_device.h"

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>

#include "platform/alsa_device.h"
#include "platform/null_device.h"
#include "platform/ui_dispatcher.h"

struct AudioDevice::NoticeQueue : std::enable_shared_from_this<NoticeQueue> {
    std::mutex mutex;
    std::condition_variable arrived;
    std::deque<AudioDeviceBuffer*> pending;
    AudioDirection direction;
    AudioDeviceListener* listener;
    bool post;
    UiDispatcher* dispatcher;

    int Deliver() {
        int delivered = 0;
        for (;;) {
            AudioDeviceBuffer* buffer = nullptr;
            {
                std::lock_guard lock(mutex);
                if (pending.empty()) {
                    return delivered;
                }
                buffer = pending.front();
                pending.pop_front();
            }
            // The done flag is only ever written here, on the listener's thread.
            buffer->done = true;
            ++delivered;
            if (listener == nullptr) {
                continue;
            }
            if (direction == AudioDirection::kOutput) {
                listener->OnBufferDone(buffer);
            } else {
                listener->OnDataReady(buffer);
            }
        }
    }
};

AudioDevice::AudioDevice(AudioDirection direction, AudioDeviceListener* listener, bool postNotices)
    : direction_(direction), notices_(std::make_shared<NoticeQueue>()) {
    notices_->direction = direction;
    notices_->listener = listener;
    notices_->post = postNotices;
    notices_->dispatcher = postNotices ? &GetUiDispatcher() : nullptr;
}

AudioDevice::~AudioDevice() {
    // A task already posted may still run: it finds the queue gone (it holds a weak pointer).
    notices_->listener = nullptr;
}

int AudioDevice::DeliverNotices() {
    return notices_->Deliver();
}

bool AudioDevice::WaitForNotice(std::chrono::milliseconds timeout) {
    std::unique_lock lock(notices_->mutex);
    return notices_->arrived.wait_for(lock, timeout, [this] { return !notices_->pending.empty(); });
}

void AudioDevice::Notify(AudioDeviceBuffer* buffer) {
    {
        std::lock_guard lock(notices_->mutex);
        notices_->pending.push_back(buffer);
    }
    notices_->arrived.notify_all();
    if (notices_->post) {
        std::weak_ptr<NoticeQueue> queue = notices_;
        notices_->dispatcher->Post([queue] {
            if (auto alive = queue.lock()) {
                alive->Deliver();
            }
        });
    }
}

void AudioDevice::DiscardNotices() {
    std::lock_guard lock(notices_->mutex);
    notices_->pending.clear();
}

bool AudioDevice::Fail(std::string text) {
    errorText_ = std::move(text);
    return false;
}

namespace {

std::atomic<AudioSystem*> boundSystem{nullptr};

} // namespace

AudioSystem& GetAudioSystem() {
    if (AudioSystem* bound = boundSystem.load()) {
        return *bound;
    }
    static std::unique_ptr<AudioSystem> chosen = ChooseAudioSystem();
    return *chosen;
}

AudioSystem* SetAudioSystem(AudioSystem* system) {
    return boundSystem.exchange(system);
}

std::unique_ptr<AudioSystem> ChooseAudioSystem() {
    const char* forced = std::getenv(kAudioDeviceVariable);
    if (forced != nullptr && std::strcmp(forced, "null") == 0) {
        return std::make_unique<PacedNullAudioSystem>();
    }
    if (AlsaCardAvailable()) {
        return std::make_unique<AlsaAudioSystem>();
    }
    return std::make_unique<PacedNullAudioSystem>();
}

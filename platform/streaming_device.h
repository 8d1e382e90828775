// The part shared by the devices that move bytes on a thread of their own (ALSA and the
// paced null device): the queue of lent buffers, pausing, resetting, the position, and the
// notices, while a backend moves the frames.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/audio_device.h"

class StreamBackend {
public:
    virtual ~StreamBackend() = default;
    // User-interface thread. queryOnly: tell whether format would open, keep nothing open.
    virtual bool Open(AudioDirection direction, const AudioDeviceFormat& format, bool queryOnly,
                      std::string& error) = 0;
    // Device thread: plays or records up to frames frames at data, waiting a short while at
    // most; returns the frames moved (0 when the backend was not ready), -1 on a failure.
    virtual long Transfer(char* data, long frames, std::string& error) = 0;
    // Device thread: discards what the backend holds, ready to move frames again.
    virtual void Drop() = 0;
    // Device thread: frames moved but not yet heard (output) or read (input).
    virtual long Delay() = 0;
    // User-interface thread, after the device thread has ended.
    virtual void Close() = 0;
};

class StreamingAudioDevice : public AudioDevice {
public:
    StreamingAudioDevice(AudioDirection direction, AudioDeviceListener* listener,
                         std::unique_ptr<StreamBackend> backend);
    ~StreamingAudioDevice() override;

    bool Open(const AudioDeviceFormat& format, bool queryOnly) override;
    bool Queue(AudioDeviceBuffer* buffer) override;
    bool Pause() override;
    bool Start() override;
    bool Reset() override;
    bool GetPosition(std::int64_t& frames) override;
    bool Close() override;

private:
    void Run();
    void HandBackAll();
    void HandBackHeard();
    void StopThread();

    std::unique_ptr<StreamBackend> backend_;
    AudioDeviceFormat format_;
    bool open_ = false;
    std::thread thread_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<AudioDeviceBuffer*> queue_; // buffers lent and not yet handed back
    std::size_t offset_ = 0;               // bytes of the front buffer already moved
    struct Draining {
        AudioDeviceBuffer* buffer;
        std::int64_t endFrame; // heard once the position reaches it
    };
    std::deque<Draining> draining_; // output written to the backend, not yet heard
    bool running_ = false;
    bool quit_ = false;
    bool resetPending_ = false;
    std::int64_t moved_ = 0; // frames moved since opening or the last reset
    long delay_ = 0;
    std::string threadError_;
};

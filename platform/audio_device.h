// The wave devices of the program: an output that plays buffers lent to it and an input that
// fills them, each reporting every buffer it hands back. Those reports ("buffer done" for
// output, "data ready" for input) reach the listener on the user-interface thread, through
// the bound UiDispatcher; no audio thread of the engine ever sees them.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

enum class AudioDirection { kOutput, kInput };

// Interleaved frames: 16-bit signed PCM in native order, or 32-bit float.
struct AudioDeviceFormat {
    int rate = 0;
    int channels = 0;
    int bits = 16;
    bool isFloat = false;

    int FrameBytes() const { return channels * bits / 8; }
};

// A buffer lent to a device. The caller owns the bytes and must not touch them, nor free
// them, between Queue and the notice that hands the buffer back (or Close).
struct AudioDeviceBuffer {
    char* data = nullptr;
    std::size_t length = 0;        // output: bytes to play; input: room to fill
    std::size_t bytesRecorded = 0; // input: bytes filled when handed back
    bool done = false;             // set when the buffer has been handed back
    void* user = nullptr;
};

class AudioDeviceListener {
public:
    virtual ~AudioDeviceListener() = default;
    // An output buffer has been played, or handed back by Reset.
    virtual void OnBufferDone(AudioDeviceBuffer* buffer) = 0;
    // An input buffer has been filled, or handed back part-filled by Reset.
    virtual void OnDataReady(AudioDeviceBuffer* buffer) = 0;
};

// One device of one direction. Every operation is called on the user-interface thread; a
// failing one returns false and leaves its reason in ErrorText.
class AudioDevice {
public:
    AudioDevice(AudioDirection direction, AudioDeviceListener* listener, bool postNotices);
    virtual ~AudioDevice();
    AudioDevice(const AudioDevice&) = delete;
    AudioDevice& operator=(const AudioDevice&) = delete;

    AudioDirection Direction() const { return direction_; }

    // Opens the device for format. With queryOnly it only tells whether the format would
    // open and leaves the device closed.
    virtual bool Open(const AudioDeviceFormat& format, bool queryOnly) = 0;
    // Appends buffer to the device's queue (to play, or to be filled); clears its done flag.
    virtual bool Queue(AudioDeviceBuffer* buffer) = 0;
    // Holds output; queued buffers wait.
    virtual bool Pause() = 0;
    // Starts input, or restarts paused output.
    virtual bool Start() = 0;
    // Stops, sets the position back to 0 and hands back every queued buffer: their notices
    // follow. The device stays open and paused (output) or stopped (input).
    virtual bool Reset() = 0;
    // Frames played or recorded since opening or the last Reset.
    virtual bool GetPosition(std::int64_t& frames) = 0;
    // Closes the device. Buffers it still holds are never touched again; it answers false
    // when there were any, but is closed all the same.
    virtual bool Close() = 0;

    const std::string& ErrorText() const { return errorText_; }

    // Hands the notices that have arrived to the listener, now, on the calling thread.
    int DeliverNotices();
    // Waits up to timeout for a notice to arrive; true when one is waiting.
    virtual bool WaitForNotice(std::chrono::milliseconds timeout);

protected:
    // Called by the device, from any thread, for a buffer it hands back.
    void Notify(AudioDeviceBuffer* buffer);
    // Drops notices not yet delivered (after Close nobody may touch their buffers).
    void DiscardNotices();
    bool Fail(std::string text);
    void ClearError() { errorText_.clear(); }

private:
    struct NoticeQueue;
    AudioDirection direction_;
    std::shared_ptr<NoticeQueue> notices_;
    std::string errorText_;
};

// A kind of device: ALSA, the paced null device, the hand-driven test device.
class AudioSystem {
public:
    virtual ~AudioSystem() = default;
    virtual std::string Name() const = 0;
    virtual std::unique_ptr<AudioDevice> CreateDevice(AudioDirection direction,
                                                      AudioDeviceListener* listener) = 0;
};

// Texts shared by the devices.
inline constexpr const char* kNoAudioDeviceText = "No audio device is available";
inline constexpr const char* kAudioDeviceNotOpenText = "The audio device is not open";
inline constexpr const char* kAudioFormatRefusedText =
    "The audio device does not support this format";

// Setting TAMBREL_AUDIO_DEVICE=null forces the null device even when a card opens.
inline constexpr const char* kAudioDeviceVariable = "TAMBREL_AUDIO_DEVICE";

// The system in force: the one bound with SetAudioSystem, else the one ChooseAudioSystem
// picks on first use.
AudioSystem& GetAudioSystem();
// Binds system (null returns to the chosen one) and returns the previous binding.
AudioSystem* SetAudioSystem(AudioSystem* system);
// ALSA when a sound card opens, else the null device paced by the real clock.
std::unique_ptr<AudioSystem> ChooseAudioSystem();

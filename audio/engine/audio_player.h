// Plays a container through the output device, optionally looping a stretch, and records
// from the input device into a container. It has no thread of its own: the device hands its
// buffers back on the user-interface thread, where they are refilled or stored. Callers poll
// StopIfFinished and GetPosition from their timers.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "audio/engine/audio_container.h"
#include "platform/audio_device.h"

class CAI_AudioPlayer : private AudioDeviceListener {
public:
    enum State { kIdle = 0, kPlaying = 1, kRecording = 3, kBusy = 4 };

    static constexpr int kPlayBuffers = 2;
    static constexpr int kRecordBuffers = 20;
    // One second of 96000 Hz stereo float, and 50 ms of it.
    static constexpr std::size_t kPlayBufferBytes = 768000;
    static constexpr std::size_t kRecordBufferBytes = 38400;

    // Either container may be null; neither is owned.
    CAI_AudioPlayer(CAP_AudioContainer* source, CAP_AudioContainer* recordTarget);
    ~CAI_AudioPlayer() override;
    CAI_AudioPlayer(const CAI_AudioPlayer&) = delete;
    CAI_AudioPlayer& operator=(const CAI_AudioPlayer&) = delete;

    // end <= 0: to the end of the source.
    void Play(double start, double end);
    void PlayLoop(double start, double loopStart, double end);
    // An end under one frame records until Stop.
    void Record(double start, double end);
    void Stop();
    // Stops a recording whose target took no more, or a play whose buffers have all come back.
    void StopIfFinished();
    double GetPosition();
    // Subtracted from recorded channels 0 and 1.
    void SetDcOffsets(float offset0, float offset1);
    bool CanPlayFormat(int rate, int channels, int bits, bool isFloat);
    bool CanRecordFormat(int rate, int channels, int bits, bool isFloat);

    virtual bool ExtendRecording(double seconds) { return false; }

    int GetState() const { return state_; }
    bool IsLooping() const { return loop_; }
    const std::string& ErrorText() const { return errorText_; }
    // The format the devices were last opened with.
    int PlayBits() const { return playBits_; }
    int RecordBits() const { return recordBits_; }

private:
    void OnBufferDone(AudioDeviceBuffer* buffer) override;
    void OnDataReady(AudioDeviceBuffer* buffer) override;

    std::size_t FillPlayBuffer(AudioDeviceBuffer& header);
    void RemoveDcOffsets(char* data, std::int64_t frames);
    bool DeviceCall(AudioDevice& device, bool succeeded);
    void WaitForBuffers(AudioDevice& device, AudioDeviceBuffer* headers, int count);
    void CloseDevice(std::unique_ptr<AudioDevice>& device, AudioDeviceBuffer* headers, int count);
    void BackToIdle();
    bool FormatOpens(AudioDirection direction, int rate, int channels, int bits, bool isFloat);

    CAP_AudioContainer* source_;
    CAP_AudioContainer* recordTarget_;
    int state_ = kIdle;
    bool loop_ = false;
    std::string errorText_;
    std::array<AudioDeviceBuffer, kPlayBuffers> playHeaders_{};
    std::array<AudioDeviceBuffer, kRecordBuffers> recordHeaders_{};
    float dcOffsets_[2] = {0.0f, 0.0f};
    double position_ = 0.0;
    std::int64_t playCursor_ = 0;
    std::int64_t recordCursor_ = 0;
    bool dataEnded_ = false;
    bool playEnded_ = false;
    // Held as floats so that float frames are aligned; 16-bit frames use the same bytes.
    std::array<std::unique_ptr<float[]>, kPlayBuffers> playBuffers_;
    std::array<std::unique_ptr<float[]>, kRecordBuffers> recordBuffers_;
    std::unique_ptr<AudioDevice> inputDevice_;
    std::unique_ptr<AudioDevice> outputDevice_;
    std::int64_t startFrame_ = 0;
    std::int64_t endFrame_ = 0;
    std::int64_t loopStartFrame_ = 0;
    bool playFloat_ = false;
    bool recordFloat_ = false;
    int recordBits_ = 16;
    int playBits_ = 16;
    int playChannels_ = 0;
    int recordChannels_ = 0;
};

// The engine's common face for anything that holds or passes interleaved float frames (full
// scale -1..1), read or written at a named frame, and the listener half that gathers notices
// of changed and shifted stretches until it next updates.
#pragma once

#include <cstdint>

class CAP_AudioContainer {
public:
    CAP_AudioContainer() = default;
    virtual ~CAP_AudioContainer() = default;
    CAP_AudioContainer(const CAP_AudioContainer&) = delete;
    CAP_AudioContainer& operator=(const CAP_AudioContainer&) = delete;

    // Integer samples of 8, 16 or 24 bits (24-bit most significant byte first), moved in
    // blocks through ReadFrames / WriteFrames; the frames done. Other widths move nothing.
    virtual int ReadPcm(void* buffer, int bits, int frames, std::int64_t startFrame);
    virtual int ReadFrames(float* floats, int frames, std::int64_t startFrame);
    virtual int WritePcm(const void* buffer, int bits, int frames, std::int64_t startFrame);
    virtual int WriteFrames(const float* floats, int frames, std::int64_t startFrame);

    // At the read or write position; neither moves it (each kind advances its own).
    int ReadNext(float* floats, int frames) { return ReadFrames(floats, frames, readPosition); }
    int WriteNext(const float* floats, int frames) {
        return WriteFrames(floats, frames, writePosition);
    }

    // Truncated toward zero.
    std::int64_t SecondsToFrames(double seconds) const;
    double FramesToSeconds(std::int64_t frames) const;

    int channels = 0;
    int bits = 0; // of the underlying file, information only
    int rate = 0;
    double duration = 0.0; // seconds
    int compressionKind = 0;
    int bitRate = 0;
    std::int64_t readPosition = 0;
    std::int64_t writePosition = 0;
    int fileFormat = 0;
};

// Float to integer of the given width: scaled, rounded half away from zero, clipped to the
// signed range of the width (a NaN gives 0).
int FloatToPcm(float sample, int bits);

class CAP_AudioViewer {
public:
    virtual ~CAP_AudioViewer() = default;

    // Later frames moved by delta seconds; sums that cancel to within 0.00001 s become 0.
    virtual void OnShift(double deltaSeconds);
    // The pending range grows to cover the changed one.
    virtual void OnChange(double startSeconds, double lengthSeconds);
    virtual void InvalidateAll() {}
    // Acts on the pending values and clears them.
    virtual bool Update();

    double pendingStart = 0.0;
    double pendingLength = 0.0; // 0: nothing pending
    double pendingShift = 0.0;
};

// Plays one sound file at a time for preview: decoded through a sample cache that keeps only
// a window of it in memory, transposed by a rate factor rounded to whole semitones, once or
// in a loop. A 50 ms tick notices the end of the sound and tears the preview down.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "audio/engine/audio_container.h"
#include "audio/engine/audio_player.h"
#include "platform/ui_dispatcher.h"

// The check button of the row being previewed; unchecked when the preview stops. The
// auditioner holds it weakly, so a button deleted meanwhile is never touched.
class PN_CheckButton {
public:
    virtual ~PN_CheckButton() = default;
    virtual void SetCheck(bool checked) = 0;
};

// One file opened for preview: its decoder and, once accepted, the sample cache over it.
// Destroying it frees the cache, then the decoder, then the file and its buffer.
class PN_PreviewFile {
public:
    virtual ~PN_PreviewFile() = default;
    virtual CAP_AudioContainer& Decoder() = 0;
    // Empty while the decoder is healthy; else the text to show.
    virtual std::string DecoderError() const = 0;
    // Makes the cache over the decoder, keeping about windowSeconds of the sound in memory.
    virtual CAP_AudioContainer& MakeCache(double windowSeconds) = 0;
    // Nearest whole semitone of the cache's rate table to rate, and re-rating the cache by
    // it (clamped to the table).
    virtual int PitchForRate(int rate) = 0;
    virtual void SetPitch(int semitones) = 0;
};

// Opens path for binary reading and decodes it; null when it cannot be opened.
using PN_PreviewFileOpener = std::function<std::unique_ptr<PN_PreviewFile>(const std::string&)>;

class PN_Auditioner {
public:
    static constexpr int kTickMilliseconds = 50;
    static constexpr double kCacheWindowSeconds = 10.0;

    // Plays files from disk.
    PN_Auditioner();
    explicit PN_Auditioner(PN_PreviewFileOpener opener);
    virtual ~PN_Auditioner();
    PN_Auditioner(const PN_Auditioner&) = delete;
    PN_Auditioner& operator=(const PN_Auditioner&) = delete;

    // True when playing started. The button (or null) is unchecked when the preview stops.
    bool Play(const std::string& path, bool loop, const std::shared_ptr<PN_CheckButton>& button);
    void Stop();
    void SetRateFactor(double factor) { rateFactor_ = factor; }
    bool IsPlaying() const;
    bool IsLooping() const;
    const std::string& Path() const { return path_; }

    // Called with the decoder of each file about to play; false refuses the file.
    virtual bool AcceptDecoder(CAP_AudioContainer* decoder) { return true; }

private:
    void Tick();

    PN_PreviewFileOpener opener_;
    std::string path_;
    std::unique_ptr<CAI_AudioPlayer> player_;
    std::unique_ptr<PN_PreviewFile> file_;
    std::weak_ptr<PN_CheckButton> button_;
    double rateFactor_ = 1.0;
    std::unique_ptr<UiTimer> timer_;
};

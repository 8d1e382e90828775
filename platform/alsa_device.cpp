#include "platform/alsa_device.h"

#include <alsa/asoundlib.h>

#include <cstdarg>
#include <mutex>

#include "platform/streaming_device.h"

namespace {

// ALSA prints its diagnostics itself unless a handler takes them; the program reports
// failures through the error texts of its calls instead.
void IgnoreAlsaDiagnostic(const char*, int, const char*, int, const char*, ...) {}

constexpr const char* kAlsaDeviceName = "default";
// Latency asked of ALSA: long enough not to starve between two 10 ms transfers.
constexpr unsigned kAlsaLatencyMicroseconds = 100000;
constexpr int kAlsaWaitMilliseconds = 100;

std::string AlsaText(int code) {
    return snd_strerror(code);
}

class AlsaBackend : public StreamBackend {
public:
    ~AlsaBackend() override { Close(); }

    bool Open(AudioDirection direction, const AudioDeviceFormat& format, bool queryOnly,
              std::string& error) override {
        SilenceAlsaDiagnostics();
        direction_ = direction;
        format_ = format;
        const snd_pcm_stream_t stream =
            direction == AudioDirection::kOutput ? SND_PCM_STREAM_PLAYBACK : SND_PCM_STREAM_CAPTURE;
        snd_pcm_t* pcm = nullptr;
        int code = snd_pcm_open(&pcm, kAlsaDeviceName, stream, SND_PCM_NONBLOCK);
        if (code < 0) {
            error = AlsaText(code);
            return false;
        }
        const snd_pcm_format_t sampleFormat =
            format.isFloat ? SND_PCM_FORMAT_FLOAT : SND_PCM_FORMAT_S16;
        // ALSA may convert the rate and the sample format for the card, as a wave mapper
        // would; a format it cannot convert is refused and the caller falls back.
        code = snd_pcm_set_params(pcm, sampleFormat, SND_PCM_ACCESS_RW_INTERLEAVED,
                                  static_cast<unsigned>(format.channels),
                                  static_cast<unsigned>(format.rate), 1, kAlsaLatencyMicroseconds);
        if (code < 0) {
            error = AlsaText(code);
            snd_pcm_close(pcm);
            return false;
        }
        if (queryOnly) {
            snd_pcm_close(pcm);
            return true;
        }
        pcm_ = pcm;
        return true;
    }

    long Transfer(char* data, long frames, std::string& error) override {
        if (direction_ == AudioDirection::kInput && snd_pcm_state(pcm_) == SND_PCM_STATE_PREPARED) {
            snd_pcm_start(pcm_);
        }
        const int ready = snd_pcm_wait(pcm_, kAlsaWaitMilliseconds);
        if (ready == 0) {
            return 0;
        }
        snd_pcm_sframes_t moved =
            ready < 0 ? ready
            : direction_ == AudioDirection::kOutput
                ? snd_pcm_writei(pcm_, data, static_cast<snd_pcm_uframes_t>(frames))
                : snd_pcm_readi(pcm_, data, static_cast<snd_pcm_uframes_t>(frames));
        if (moved == -EAGAIN) {
            return 0;
        }
        if (moved < 0) {
            // An underrun or overrun after a pause is routine: prepare and go on.
            const int recovered = snd_pcm_recover(pcm_, static_cast<int>(moved), 1);
            if (recovered < 0) {
                error = AlsaText(recovered);
                return -1;
            }
            return 0;
        }
        if (direction_ == AudioDirection::kOutput &&
            snd_pcm_state(pcm_) == SND_PCM_STATE_PREPARED) {
            // A sound shorter than ALSA's start threshold would otherwise never start.
            snd_pcm_start(pcm_);
        }
        return static_cast<long>(moved);
    }

    void Drop() override {
        snd_pcm_drop(pcm_);
        snd_pcm_prepare(pcm_);
    }

    long Delay() override {
        if (direction_ != AudioDirection::kOutput) {
            return 0;
        }
        snd_pcm_sframes_t delay = 0;
        if (snd_pcm_delay(pcm_, &delay) < 0 || delay < 0) {
            return 0;
        }
        return static_cast<long>(delay);
    }

    void Close() override {
        if (pcm_ != nullptr) {
            snd_pcm_drop(pcm_);
            snd_pcm_close(pcm_);
            pcm_ = nullptr;
        }
    }

private:
    AudioDirection direction_ = AudioDirection::kOutput;
    AudioDeviceFormat format_;
    snd_pcm_t* pcm_ = nullptr;
};

} // namespace

void SilenceAlsaDiagnostics() {
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(IgnoreAlsaDiagnostic); });
}

bool AlsaCardAvailable() {
    SilenceAlsaDiagnostics();
    int card = -1;
    if (snd_card_next(&card) < 0 || card < 0) {
        return false;
    }
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, kAlsaDeviceName, SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) {
        return false;
    }
    snd_pcm_close(pcm);
    return true;
}

std::unique_ptr<AudioDevice> AlsaAudioSystem::CreateDevice(AudioDirection direction,
                                                           AudioDeviceListener* listener) {
    return std::make_unique<StreamingAudioDevice>(direction, listener,
                                                  std::make_unique<AlsaBackend>());
}

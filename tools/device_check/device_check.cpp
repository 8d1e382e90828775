// tambrel-device-check FILE.wav
//
// Plays a WAV file through the audio device the program would choose (ALSA when a card
// opens, else the null device paced by the real clock; set TAMBREL_AUDIO_DEVICE=null to
// force the latter) and prints the position as it goes, so that a person can hear the path.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "audio/engine/audio_player.h"
#include "audio/formats/wave.h"
#include "audio/sound_error.h"
#include "platform/ui_dispatcher.h"

namespace {

// The whole file decoded into memory; enough for a check by ear.
class WavInMemory : public CAP_AudioContainer {
public:
    bool Load(const std::string& path, std::string& error) {
        std::error_code sizeError;
        const auto size = std::filesystem::file_size(path, sizeError);
        std::ifstream in(path, std::ios::binary);
        if (sizeError || !in) {
            error = "cannot open the file";
            return false;
        }
        try {
            WaveRead reader(in, static_cast<std::int64_t>(size), false);
            rate = reader.SamplingRate();
            channels = reader.Channels();
            if (channels < 1 || rate < 8000 || rate > 96000) {
                error = "Sample rate out of bounds";
                return false;
            }
            std::vector<float> piece(8192 * channels);
            for (;;) {
                const int got = reader.GetSamples(piece.data(), static_cast<int>(piece.size()));
                if (got <= 0) {
                    break;
                }
                samples_.insert(samples_.end(), piece.begin(), piece.begin() + got);
            }
        } catch (const SoundError& failure) {
            error = failure.what();
            return false;
        }
        samples_.resize(samples_.size() / channels * channels);
        duration = static_cast<double>(samples_.size() / channels) / rate;
        return true;
    }

    int ReadFrames(float* floats, int frames, std::int64_t start) override {
        const std::int64_t total = static_cast<std::int64_t>(samples_.size()) / channels;
        const std::int64_t n = std::min<std::int64_t>(frames, total - start);
        if (n <= 0 || start < 0) {
            return 0;
        }
        std::memcpy(floats, samples_.data() + start * channels, n * channels * sizeof(float));
        return static_cast<int>(n);
    }

private:
    std::vector<float> samples_;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE.wav\n", argv[0]);
        return 2;
    }
    WavInMemory sound;
    std::string error;
    if (!sound.Load(argv[1], error)) {
        std::fprintf(stderr, "%s: %s\n", argv[1], error.c_str());
        return 1;
    }
    QueuedUiDispatcher dispatcher;
    SetUiDispatcher(&dispatcher);
    std::printf("device: %s\n", GetAudioSystem().Name().c_str());
    std::printf("sound: %d Hz, %d channels, %.3f s\n", sound.rate, sound.channels, sound.duration);

    int status = 0;
    {
        CAI_AudioPlayer player(&sound, nullptr);
        player.Play(0, 0);
        if (player.GetState() != CAI_AudioPlayer::kPlaying) {
            std::fprintf(stderr, "cannot play: %s\n", player.ErrorText().c_str());
            status = 1;
        } else {
            std::printf("format: %d-bit %s\n", player.PlayBits(),
                        player.PlayBits() == 32 ? "float" : "PCM");
            // A device that stops handing buffers back must not hang the check.
            const int limitTicks = static_cast<int>(sound.duration * 10) + 50;
            for (int tick = 0; player.GetState() == CAI_AudioPlayer::kPlaying; ++tick) {
                dispatcher.RunFor(std::chrono::milliseconds(100));
                std::printf("position: %.2f s\n", player.GetPosition());
                std::fflush(stdout);
                player.StopIfFinished();
                if (tick > limitTicks) {
                    std::fprintf(stderr, "the device stopped handing buffers back\n");
                    player.Stop();
                    status = 1;
                }
            }
        }
    }
    SetUiDispatcher(nullptr);
    return status;
}

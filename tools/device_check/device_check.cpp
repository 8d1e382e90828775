// tambrel-device-check FILE.wav
//
// Plays a 16-bit PCM or 32-bit float WAV file through the audio device the program would
// choose (ALSA when a card opens, else the null device paced by the real clock; set
// TAMBREL_AUDIO_DEVICE=null to force the latter) and prints the position as it goes.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "audio/engine/audio_player.h"
#include "platform/ui_dispatcher.h"

namespace {

std::uint32_t Le32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t Le16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

// The whole file as float frames in memory; enough for a check by ear.
class WavInMemory : public CAP_AudioContainer {
public:
    bool Load(const std::string& path, std::string& error) {
        std::ifstream in(path, std::ios::binary);
        const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), {});
        if (!in.good() && !in.eof()) {
            error = "cannot read " + path;
            return false;
        }
        if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
            std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
            error = "not a WAV file";
            return false;
        }
        int format = 0, sampleBits = 0;
        std::size_t at = 12;
        while (at + 8 <= bytes.size()) {
            const std::size_t size = Le32(&bytes[at + 4]);
            const std::size_t body = at + 8;
            if (size > bytes.size() - body) {
                error = "truncated chunk";
                return false;
            }
            if (std::memcmp(&bytes[at], "fmt ", 4) == 0 && size >= 16) {
                format = Le16(&bytes[body]);
                channels = Le16(&bytes[body + 2]);
                rate = static_cast<int>(Le32(&bytes[body + 4]));
                sampleBits = Le16(&bytes[body + 14]);
            } else if (std::memcmp(&bytes[at], "data", 4) == 0) {
                return Decode(&bytes[body], size, format, sampleBits, error);
            }
            at = body + size + (size & 1);
        }
        error = "no data chunk";
        return false;
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
    bool Decode(const unsigned char* data, std::size_t size, int format, int sampleBits,
                std::string& error) {
        const bool pcm16 = format == 1 && sampleBits == 16;
        const bool float32 = format == 3 && sampleBits == 32;
        if (!(pcm16 || float32) || channels < 1 || rate < 8000 || rate > 96000) {
            error = "only 16-bit PCM or 32-bit float files of 8000-96000 Hz are played";
            return false;
        }
        const std::size_t count = size / (sampleBits / 8) / channels * channels;
        samples_.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            if (pcm16) {
                samples_[i] = static_cast<std::int16_t>(Le16(data + 2 * i)) / 32768.0f;
            } else {
                std::memcpy(&samples_[i], data + 4 * i, 4);
            }
        }
        duration = static_cast<double>(count / channels) / rate;
        return true;
    }

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

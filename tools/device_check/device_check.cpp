// tambrel-device-check FILE
//
// Plays a sound file (WAV, or any other format the program reads) through the audio device
// the program would choose (ALSA when a card opens, else the null device paced by the real
// clock; set TAMBREL_AUDIO_DEVICE=null to force the latter) and prints the position as it
// goes, so that a person can hear the path.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "audio/engine/audio_decoder.h"
#include "audio/engine/audio_player.h"
#include "audio/general_helpers.h"
#include "platform/ui_dispatcher.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    const std::string path = argv[1];
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "%s: cannot open the file\n", path.c_str());
        return 1;
    }
    CAP_AudioDecoder sound(&in, GetFileSize(path), GetFileExtension(path).c_str(), false);
    if (!sound.ErrorText().empty()) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), sound.ErrorText().c_str());
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

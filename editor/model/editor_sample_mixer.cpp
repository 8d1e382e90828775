#include "editor/model/editor_sample_mixer.h"

#include <cmath>

#include "editor/model/audio_file_editor.h"

EP_SampleMixer::EP_SampleMixer(int channels, int rate, EP_AudioFileEditor* editorIn,
                               bool createTracks)
    : CAP_SampleMixer(channels, rate, createTracks), editor(editorIn) {}

int EP_SampleMixer::WriteFrames(const float* floats, int frames, std::int64_t startFrame) {
    if (editor != nullptr && frames > 0) {
        // One growth step may fall short of a write that ends far past the end; grow until
        // the write fits, and stop when a step adds nothing (no history to grow inside).
        for (;;) {
            const std::int64_t end = std::llround(rate * duration);
            if (end >= frames + startFrame)
                break;
            editor->Grow();
            if (std::llround(rate * duration) <= end)
                break;
        }
    }
    return CAP_SampleMixer::WriteFrames(floats, frames, startFrame);
}

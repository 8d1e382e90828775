// The editor's sample mixer: a recording that writes past the end of the file makes the
// editor grow the file first, so the recording keeps going and stays one undoable step.
#pragma once

#include "audio/engine/sample_mixer.h"

class EP_AudioFileEditor;

class EP_SampleMixer : public CAP_SampleMixer {
public:
    EP_SampleMixer(int channels, int rate, EP_AudioFileEditor* editorIn, bool createTracks);

    int WriteFrames(const float* floats, int frames, std::int64_t startFrame) override;

    EP_AudioFileEditor* editor; // not owned
};

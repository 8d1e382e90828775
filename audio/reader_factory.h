#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>

#include "audio/audio_abstract.h"

// The one place that decides what kind of sound file a stream holds: each reader's probe
// runs in a fixed order and the first that accepts builds its reader.
//
// stream: open in binary mode, positioned anywhere; the factory repositions it.
// byteLength: the file's length in bytes, 0 or less when unknown; passed to the reader.
// extension: the file's extension with its dot (".wav"), compared without regard to case;
//            null or empty when there is none.
// readTrailingChunks: passed to the WAVE reader, which then also reads metadata stored after
//            the sound data.
// Returns null when no probe accepts (or memory runs out); a SoundError from the chosen
// reader's constructor reaches the caller, and no later probe runs.
std::unique_ptr<AudioAbstract> OpenAudioReader(std::istream& stream, std::int64_t byteLength,
                                               const char* extension, bool readTrailingChunks);

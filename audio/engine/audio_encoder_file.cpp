#include <ostream>

#include "audio/audio_file_tags.h"
#include "audio/engine/audio_encoder.h"
#include "audio/format_codes.h"
#include "audio/formats/aiff.h"
#include "audio/formats/au.h"
#include "audio/formats/wave.h"
#include "audio/sound_error.h"

AudioAbstract* CAP_AudioEncoder::MakeWriter(std::ostream* stream, int fileType, std::int64_t frames,
                                            int channels, int rate, int kind, AudioFileTags* tags) {
    if (stream == nullptr) {
        throw SoundError("Could not create audio file writer");
    }
    const AudioChunkList* chunks = tags != nullptr ? tags->Chunks() : nullptr;
    switch (fileType) {
    case FileFormatWave:
        return new WaveWrite(*stream, frames, channels, rate, kind, chunks);
    case FileFormatAu:
        return new AuWrite(*stream, frames, channels, rate, kind);
    case FileFormatAiff:
        return new AiffWrite(*stream, frames, channels, rate, kind, chunks);
    default:
        throw SoundError("Unsupported output file type: ", fileType, true);
    }
}

CAP_AudioEncoder::CAP_AudioEncoder(std::ostream* out, int channelCount, int fileRate, int kind,
                                   int fileType, double durationSeconds, int sourceChannelCount,
                                   int sourceFrameRate, AudioFileTags* tags)
    // Everything is checked before the writer puts a header into the stream.
    : CAP_AudioEncoder((CheckSettings(channelCount, fileRate, sourceChannelCount, sourceFrameRate),
                        MakeWriter(out, fileType, FramesFor(fileRate, durationSeconds),
                                   channelCount, fileRate, KeptKind(kind), tags)),
                       channelCount, fileRate, kind, durationSeconds, sourceChannelCount,
                       sourceFrameRate) {
    stream = out;
    fileFormat = fileType;
}

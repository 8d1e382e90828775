#include "collection/sound_file.h"

#include <cmath>

#include "audio/engine/audio_decoder.h"
#include "audio/engine/sample_track.h"
#include "collection/audio_file_util.h"

namespace {

int Milliseconds(double seconds) {
    return static_cast<int>(std::lround(seconds * 1000.0));
}

} // namespace

void SoundFileObj::SetFromDecoder(const CAP_AudioDecoder& decoder) {
    sampleRate = decoder.rate;
    duration = Milliseconds(decoder.duration);
    channels = decoder.channels;
    format = decoder.fileFormat;
    compression = AudioFileUtil::CompressionCode(decoder.compressionKind, decoder.bits);
}

bool SoundFileObj::SetFromAudio(CAP_SampleTrack& source, CAP_ProgressCallback callback,
                                void* user) {
    sampleRate = source.rate;
    duration = Milliseconds(source.duration);
    // A sound the analyzer refuses keeps an all-zero, invalid signature rather than the one
    // the record held before.
    signature = SoundSignature{};
    const bool answer =
        source.ComputeSignature(source.TotalFrames(), 0, &signature, nullptr, callback, user);
    indexDate = AudioFileUtil::CurrentTimestamp();
    return answer;
}

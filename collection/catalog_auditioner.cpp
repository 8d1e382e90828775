#include "collection/catalog_auditioner.h"

#include <string>

#include "audio/engine/audio_decoder.h"
#include "collection/audio_file_util.h"

bool AI_Auditioner::AcceptDecoder(CAP_AudioContainer* decoder) {
    // The format check reads what the file's header said; other containers have no header.
    const auto* fileDecoder = dynamic_cast<const CAP_AudioDecoder*>(decoder);
    std::string unused;
    return fileDecoder != nullptr && AudioFileUtil::CheckFormat(*fileDecoder, unused);
}

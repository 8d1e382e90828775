// The preview player's files as they are on disk: read through a buffered file stream,
// decoded, and played from a sample cache that keeps only a window of the sound in memory.
#pragma once

#include <memory>
#include <string>

#include "audio/engine/auditioner.h"

// Opens path for binary reading and starts decoding it; null when the file cannot be opened.
// A file that opens but does not decode is returned with its decoder's error text.
std::unique_ptr<PN_PreviewFile> OpenPreviewFile(const std::string& path);

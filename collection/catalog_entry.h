#pragma once

#include <string>
#include <vector>

#include "collection/sound_file.h"

// The stored file with all its sounds, read before an entry is replaced so that it can be
// put back should the new one not go in. False when the catalog holds no such entry.
bool ReadCatalogEntry(const std::string& path, SoundFileObj& file,
                      std::vector<SoundVariantObj>& variants);

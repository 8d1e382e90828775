#include "collection/catalog_entry.h"

#include <memory>

#include "collection/catalog_db.h"
#include "collection/db/catalog.h"

bool ReadCatalogEntry(const std::string& path, SoundFileObj& file,
                      std::vector<SoundVariantObj>& variants) {
    if (theCatalogDb == nullptr || !theCatalogDb->GetFileByPath(path, file))
        return false;
    std::unique_ptr<DB_file_sounds> stored;
    if (!theCatalogDb->GetMetadata(file.fileId, stored) || !stored)
        return false;
    for (const auto& sound : stored->sounds) {
        variants.emplace_back();
        variants.back().CopyFromRow(*sound);
    }
    return !variants.empty();
}

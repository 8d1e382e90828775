#include "collection/catalog_db.h"

std::unique_ptr<DB_query_result> CatalogDbObj::RunQuery(const SearchCriteria& criteria,
                                                        int& hitCount) {
    std::unique_ptr<DB_query_result> result;
    hitCount = 0;
    if (!ShowError(DB_process_query(handle, &criteria, &result)) || !result)
        return nullptr;
    hitCount = result->count();
    return result;
}

bool CatalogDbObj::FetchFile(const DB_query_result& result, int index, SoundFileObj& file) {
    if (index < 0 || index >= result.count())
        return false;
    std::unique_ptr<DB_file> row;
    if (!ShowError(DB_get_file(handle, result.hits[static_cast<std::size_t>(index)].fileId, &row)))
        return false;
    if (row)
        file.FromFileRow(*row);
    return row != nullptr;
}

bool CatalogDbObj::FetchRow(const DB_query_result& result, int index, SoundFileObj& file,
                            SoundVariantObj& variant, int& score) {
    if (index < 0 || index >= result.count())
        return false;
    const DB_hit& hit = result.hits[static_cast<std::size_t>(index)];
    std::unique_ptr<DB_file> fileRow;
    std::unique_ptr<DB_sound> soundRow;
    if (!ShowError(DB_get_file(handle, hit.fileId, &fileRow)) ||
        !ShowError(DB_get_sound(handle, hit.fileId, hit.sampleRate, &soundRow)))
        return false;
    if (fileRow)
        file.FromFileRow(*fileRow);
    if (soundRow)
        variant.CopyFromRow(*soundRow);
    score = hit.score;
    return true;
}

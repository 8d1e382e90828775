#include "collection/catalog_db.h"

#include <algorithm>

std::unique_ptr<DB_query_result> CatalogDbObj::RunQuery(const SearchCriteria& criteria,
                                                        int& hitCount) {
    std::unique_ptr<DB_query_result> result;
    hitCount = 0;
    if (!Call([&](DB_handle* h) { return DB_process_query(h, &criteria, &result); }) || !result)
        return nullptr;
    hitCount = result->count();
    return result;
}

bool CatalogDbObj::FetchFile(const DB_query_result& result, int index, SoundFileObj& file) {
    if (index < 0 || index >= result.count())
        return false;
    std::unique_ptr<DB_file> row;
    if (!Call([&](DB_handle* h) {
            return DB_get_file(h, result.hits[static_cast<std::size_t>(index)].fileId, &row);
        }))
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
    if (!Call([&](DB_handle* h) { return DB_get_file(h, hit.fileId, &fileRow); }) ||
        !Call([&](DB_handle* h) { return DB_get_sound(h, hit.fileId, hit.sampleRate, &soundRow); }))
        return false;
    if (fileRow)
        file.FromFileRow(*fileRow);
    if (soundRow)
        variant.CopyFromRow(*soundRow);
    score = hit.score;
    return true;
}

bool CatalogDbObj::FetchRows(const DB_query_result& result, int first, int count,
                             std::vector<FetchedRow>& out) {
    out.clear();
    const int begin = std::max(first, 0);
    const int end = static_cast<int>(
        std::min<long long>(static_cast<long long>(first) + count, result.count()));
    if (begin >= end)
        return true;
    std::vector<DB_file_sound_key> keys;
    keys.reserve(static_cast<std::size_t>(end - begin));
    for (int i = begin; i < end; ++i) {
        const DB_hit& hit = result.hits[static_cast<std::size_t>(i)];
        keys.push_back({hit.fileId, hit.sampleRate});
    }
    std::vector<std::unique_ptr<DB_file>> files;
    std::vector<std::unique_ptr<DB_sound>> sounds;
    if (!Call([&](DB_handle* h) { return DB_get_files_and_sounds(h, keys, &files, &sounds); }))
        return false;
    out.reserve(keys.size());
    for (std::size_t k = 0; k < keys.size(); ++k) {
        if (!files[k])
            continue;
        FetchedRow& row = out.emplace_back();
        row.index = begin + static_cast<int>(k);
        row.file.FromFileRow(*files[k]);
        if (sounds[k])
            row.variant.CopyFromRow(*sounds[k]);
        row.score = result.hits[static_cast<std::size_t>(row.index)].score;
    }
    return true;
}

#include <sqlext.h>

#include <algorithm>
#include <cstdio>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "collection/db/catalog.h"
#include "collection/db/catalog_steps.h"
#include "collection/db/row_buffers.h"
#include "collection/db/utf8_text.h"

namespace {

constexpr int kMaxSoundsPerFile = 1000;

DB_error LookupInTransaction(DB_handle* h, const char* path, int32_t* fileId, bool newest) {
    SQLLEN ind;
    bool found = false;
    int32_t id = -1;
    DB_error err = DB_select_int(
        h,
        newest ? "SELECT FILE_ID FROM AUDIO_FILE WHERE FILE_NAME = ? ORDER BY 1 DESC"
               : "SELECT FILE_ID FROM AUDIO_FILE WHERE FILE_NAME = ?",
        [&] { return DB_bind_text_param(h, 1, path, &ind); }, &id, &found);
    *fileId = found ? id : -1;
    return err;
}

DB_error GetFileInTransaction(DB_handle* h, int32_t fileId, std::unique_ptr<DB_file>* out) {
    auto buffer = std::make_unique<DB_file_buffer>();
    return DB_select(
        h, "SELECT * FROM AUDIO_FILE WHERE FILE_ID = ?",
        [&] { return DB_bind_int_param(h, 1, &fileId); }, [&] { return buffer->Bind(h); },
        [&](bool* stop) {
            *out = buffer->ToRow();
            *stop = true;
            return DB_error();
        });
}

DB_error CountRows(DB_handle* h, const char* table, int* count) {
    char sql[64];
    std::snprintf(sql, sizeof sql, "SELECT COUNT(*) FROM %s", table);
    bool found = false;
    int32_t value = 0;
    DB_error err = DB_select_int(h, sql, nullptr, &value, &found);
    if (!err && !found) {
        return std::string("unable to get row count from ") + table;
    }
    *count = value;
    return err;
}

} // namespace

DB_error DB_lookup_in_transaction(DB_handle* h, const char* path, int32_t* fileId, bool newest) {
    return LookupInTransaction(h, path, fileId, newest);
}

DB_error DB_lookup(DB_handle* h, const char* path, int32_t* fileId) {
    if (h == nullptr || path == nullptr || fileId == nullptr) {
        return DB_invalid_argument("DB_lookup");
    }
    DB_set_access(h, true);
    return DB_finish(h, LookupInTransaction(h, path, fileId, false));
}

DB_error DB_get_counts(DB_handle* h, int* files, int* sounds) {
    if (h == nullptr || files == nullptr || sounds == nullptr) {
        return DB_invalid_argument("DB_get_counts");
    }
    DB_set_access(h, true);
    DB_error err = CountRows(h, "AUDIO_FILE", files);
    if (!err) {
        err = CountRows(h, "SOUND", sounds);
    }
    return DB_finish(h, std::move(err));
}

DB_error DB_get_file(DB_handle* h, int32_t fileId, std::unique_ptr<DB_file>* out) {
    if (h == nullptr || fileId <= 0 || out == nullptr) {
        return DB_invalid_argument("DB_get_file");
    }
    DB_set_access(h, true);
    out->reset();
    DB_error err = DB_finish(h, GetFileInTransaction(h, fileId, out));
    if (err) {
        out->reset();
    }
    return err;
}

DB_error DB_get_sound(DB_handle* h, int32_t fileId, int32_t sampleRate,
                      std::unique_ptr<DB_sound>* out) {
    if (h == nullptr || fileId <= 0 || sampleRate <= 0 || out == nullptr) {
        return DB_invalid_argument("DB_get_sound");
    }
    DB_set_access(h, true);
    out->reset();
    auto buffer = std::make_unique<DB_sound_buffer>();
    DB_error err = DB_select(
        h, "SELECT * FROM SOUND WHERE FILE_ID = ? AND SOUND_SAMPLE_RATE = ?",
        [&] {
            DB_error e = DB_bind_int_param(h, 1, &fileId);
            return e ? e : DB_bind_int_param(h, 2, &sampleRate);
        },
        [&] { return buffer->Bind(h); },
        [&](bool* stop) {
            *out = buffer->ToRow();
            *stop = true;
            return DB_error();
        });
    err = DB_finish(h, std::move(err));
    if (err) {
        out->reset();
    }
    return err;
}

namespace {

// Ids and rates are numbers the program made, so they go into the statement as literals:
// one text per batch instead of hundreds of bound parameters.
std::string NumberList(std::vector<int32_t>::const_iterator first,
                       std::vector<int32_t>::const_iterator last) {
    std::string text;
    for (auto it = first; it != last; ++it) {
        if (!text.empty()) {
            text += ',';
        }
        text += std::to_string(*it);
    }
    return text;
}

uint64_t SoundKey(int32_t fileId, int32_t sampleRate) {
    return (static_cast<uint64_t>(static_cast<uint32_t>(fileId)) << 32) |
           static_cast<uint32_t>(sampleRate);
}

} // namespace

DB_error DB_get_files_and_sounds(DB_handle* h, const std::vector<DB_file_sound_key>& keys,
                                 std::vector<std::unique_ptr<DB_file>>* files,
                                 std::vector<std::unique_ptr<DB_sound>>* sounds,
                                 int idsPerStatement) {
    if (h == nullptr || files == nullptr || sounds == nullptr || idsPerStatement <= 0) {
        return DB_invalid_argument("DB_get_files_and_sounds");
    }
    files->clear();
    files->resize(keys.size());
    sounds->clear();
    sounds->resize(keys.size());
    // The wanted (id, rate) pairs in id order; a batch of ids takes the pairs of its ids.
    std::vector<std::pair<int32_t, int32_t>> pairs;
    pairs.reserve(keys.size());
    for (const DB_file_sound_key& key : keys) {
        if (key.fileId > 0 && key.sampleRate > 0) {
            pairs.emplace_back(key.fileId, key.sampleRate);
        }
    }
    std::sort(pairs.begin(), pairs.end());
    pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());
    std::vector<int32_t> ids;
    ids.reserve(pairs.size());
    for (const auto& pair : pairs) {
        if (ids.empty() || ids.back() != pair.first) {
            ids.push_back(pair.first);
        }
    }
    if (ids.empty()) {
        return std::nullopt;
    }

    DB_set_access(h, true);
    std::unordered_map<int32_t, std::unique_ptr<DB_file>> fileRows;
    std::unordered_map<uint64_t, std::unique_ptr<DB_sound>> soundRows;
    auto fileBuffer = std::make_unique<DB_file_buffer>();
    auto soundBuffer = std::make_unique<DB_sound_buffer>();
    DB_error err;
    const std::size_t step = static_cast<std::size_t>(idsPerStatement);
    for (std::size_t start = 0; start < ids.size() && !err; start += step) {
        const auto first = ids.begin() + static_cast<std::ptrdiff_t>(start);
        const auto last =
            ids.begin() + static_cast<std::ptrdiff_t>(std::min(ids.size(), start + step));
        const std::string idList = NumberList(first, last);
        const std::string fileSql = "SELECT * FROM AUDIO_FILE WHERE FILE_ID IN (" + idList + ")";
        err = DB_select(
            h, fileSql.c_str(), nullptr, [&] { return fileBuffer->Bind(h); },
            [&](bool*) {
                std::unique_ptr<DB_file> row = fileBuffer->ToRow();
                const int32_t id = row->fileId;
                fileRows[id] = std::move(row);
                return DB_error();
            });
        if (err) {
            break;
        }
        // Each file at only the rates it was asked at: hits of a similarity search are mostly
        // one pitch of a file, and every rate of the batch for every file would read each
        // file's every variant, waveform and all. Each term is a range of the table's key.
        std::string soundSql = "SELECT * FROM SOUND WHERE ";
        auto pair = std::lower_bound(pairs.begin(), pairs.end(), std::make_pair(*first, 0));
        for (auto id = first; id != last; ++id) {
            std::vector<int32_t> rates;
            for (; pair != pairs.end() && pair->first == *id; ++pair) {
                rates.push_back(pair->second);
            }
            soundSql.append(id == first ? "(FILE_ID = " : " OR (FILE_ID = ")
                .append(std::to_string(*id))
                .append(" AND SOUND_SAMPLE_RATE IN (")
                .append(NumberList(rates.begin(), rates.end()))
                .append("))");
        }
        err = DB_select(
            h, soundSql.c_str(), nullptr, [&] { return soundBuffer->Bind(h); },
            [&](bool*) {
                std::unique_ptr<DB_sound> row = soundBuffer->ToRow();
                const uint64_t key = SoundKey(row->fileId, row->sampleRate);
                soundRows[key] = std::move(row);
                return DB_error();
            });
    }
    err = DB_finish(h, std::move(err));
    if (err) {
        return err;
    }
    // A row wanted once (every file of a list at its own pitch) is moved, not copied.
    std::unordered_map<int32_t, int> fileUses;
    std::unordered_map<uint64_t, int> soundUses;
    for (const DB_file_sound_key& key : keys) {
        if (key.fileId > 0 && key.sampleRate > 0) {
            ++fileUses[key.fileId];
            ++soundUses[SoundKey(key.fileId, key.sampleRate)];
        }
    }
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const DB_file_sound_key& key = keys[i];
        if (key.fileId <= 0 || key.sampleRate <= 0) {
            continue;
        }
        if (auto it = fileRows.find(key.fileId); it != fileRows.end()) {
            (*files)[i] = --fileUses[key.fileId] == 0 ? std::move(it->second)
                                                      : std::make_unique<DB_file>(*it->second);
        }
        const uint64_t soundKey = SoundKey(key.fileId, key.sampleRate);
        if (auto it = soundRows.find(soundKey); it != soundRows.end()) {
            (*sounds)[i] = --soundUses[soundKey] == 0 ? std::move(it->second)
                                                      : std::make_unique<DB_sound>(*it->second);
        }
    }
    return std::nullopt;
}

DB_error DB_get_metadata(DB_handle* h, int32_t fileId, std::unique_ptr<DB_file_sounds>* out) {
    if (h == nullptr || fileId <= 0 || out == nullptr) {
        return DB_invalid_argument("DB_get_metadata");
    }
    DB_set_access(h, true);
    out->reset();
    auto result = std::make_unique<DB_file_sounds>();
    DB_error err = GetFileInTransaction(h, fileId, &result->file);
    if (!err && result->file) {
        auto buffer = std::make_unique<DB_sound_buffer>();
        err = DB_select(
            h, "SELECT * FROM SOUND WHERE FILE_ID = ? ORDER BY 2 DESC",
            [&] { return DB_bind_int_param(h, 1, &fileId); }, [&] { return buffer->Bind(h); },
            [&](bool*) -> DB_error {
                if (result->sounds.size() >= kMaxSoundsPerFile) {
                    return std::string("too many sounds for file");
                }
                result->sounds.push_back(buffer->ToRow());
                return std::nullopt;
            });
    }
    err = DB_finish(h, std::move(err));
    if (!err && result->file) {
        *out = std::move(result);
    }
    return err;
}

DB_error DB_get_sound_count(DB_handle* h, int32_t fileId, int* count) {
    if (h == nullptr || fileId <= 0 || count == nullptr) {
        return DB_invalid_argument("DB_get_sound_count");
    }
    DB_set_access(h, true);
    bool found = false;
    int32_t value = 0;
    DB_error err = DB_select_int(
        h, "SELECT COUNT(*) FROM SOUND WHERE FILE_ID = ?",
        [&] { return DB_bind_int_param(h, 1, &fileId); }, &value, &found);
    if (!err && !found) {
        err = std::string("unable to get row count from SOUND");
    }
    if (!err) {
        *count = value;
    }
    return DB_finish(h, std::move(err));
}

namespace {

struct CategoryRow {
    int32_t supercat;
    std::string cat;
    std::string subcat;
    int32_t count;
    std::string catKey;
    std::string subcatKey;
};

// Merges the count into the last node when the names differ only in case; the node keeps
// the byte-wise smallest spelling, so that every engine gives the same name.
template <typename Node>
Node* FoldInto(DB_list<Node>& list, const std::string& name, const std::string& key, int count) {
    Node* last = list.tail();
    if (last != nullptr && FoldCase(last->name) == key) {
        last->count += count;
        if (name < last->name) {
            last->name = name;
        }
        return last;
    }
    auto node = std::make_unique<Node>();
    node->name = name;
    node->count = count;
    return list.Append(std::move(node));
}

void FoldCategories(std::vector<CategoryRow>& rows, DB_cats* cats) {
    // The engines order text differently (bytes, or a locale), so the rows are put in one
    // order here: case variants of a name meet whatever the engine's collation.
    for (auto& row : rows) {
        row.catKey = FoldCase(row.cat);
        row.subcatKey = FoldCase(row.subcat);
    }
    std::sort(rows.begin(), rows.end(), [](const CategoryRow& a, const CategoryRow& b) {
        return std::tie(a.supercat, a.catKey, a.subcatKey, a.cat, a.subcat) <
               std::tie(b.supercat, b.catKey, b.subcatKey, b.cat, b.subcat);
    });
    for (const auto& row : rows) {
        cats->total += row.count;
        if (row.supercat < 1 || row.supercat > 3) {
            continue;
        }
        DB_supercat& super = cats->supercats[row.supercat - 1];
        super.total += row.count;
        if (IsBlank(row.cat)) {
            continue;
        }
        DB_cat_node* cat = FoldInto(super.cats, row.cat, row.catKey, row.count);
        if (IsBlank(row.subcat)) {
            continue;
        }
        FoldInto(cat->subcats, row.subcat, row.subcatKey, row.count);
    }
}

} // namespace

DB_error DB_get_cats(DB_handle* h, std::unique_ptr<DB_cats>* out) {
    if (h == nullptr || out == nullptr) {
        return DB_invalid_argument("DB_get_cats");
    }
    DB_set_access(h, true);
    out->reset();
    std::vector<CategoryRow> rows;
    int32_t supercat = 0;
    int32_t count = 0;
    char cat[DB_TEXT_COLUMN];
    char subcat[DB_TEXT_COLUMN];
    SQLLEN ind[4];
    DB_error err = DB_select(
        h, "SELECT SUPERCAT, CAT, SUBCAT, CATCOUNT FROM CATREGISTER ORDER BY 1,2,3", nullptr,
        [&] {
            DB_error e = DB_bind_int_column(h, 1, &supercat, &ind[0]);
            if (!e) {
                e = DB_bind_text_column(h, 2, cat, &ind[1]);
            }
            if (!e) {
                e = DB_bind_text_column(h, 3, subcat, &ind[2]);
            }
            return e ? e : DB_bind_int_column(h, 4, &count, &ind[3]);
        },
        [&](bool*) {
            rows.push_back({supercat,
                            DB_column_text(cat, ind[1]),
                            DB_column_text(subcat, ind[2]),
                            count,
                            {},
                            {}});
            return DB_error();
        });
    err = DB_finish(h, std::move(err));
    if (!err) {
        auto cats = std::make_unique<DB_cats>();
        FoldCategories(rows, cats.get());
        *out = std::move(cats);
    }
    return err;
}

DB_error DB_get_genres(DB_handle* h, DB_genre_list* out) {
    if (h == nullptr || out == nullptr) {
        return DB_invalid_argument("DB_get_genres");
    }
    DB_set_access(h, true);
    DB_genre_list genres;
    char genre[DB_TEXT_COLUMN];
    SQLLEN ind;
    DB_error err = DB_select(
        h, "SELECT GENRE FROM GENREGISTER ORDER BY 1", nullptr,
        [&] { return DB_bind_text_column(h, 1, genre, &ind); },
        [&](bool*) {
            auto node = std::make_unique<DB_genre_node>();
            node->name = DB_column_text(genre, ind);
            genres.Append(std::move(node));
            return DB_error();
        });
    err = DB_finish(h, std::move(err));
    if (!err) {
        *out = std::move(genres);
    }
    return err;
}

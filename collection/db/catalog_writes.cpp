#include <sqlext.h>

#include <cstring>

#include "collection/db/catalog.h"
#include "collection/db/catalog_steps.h"
#include "collection/db/signature_cache.h"
#include "collection/db/statement.h"
#include "collection/db/words.h"
#include "collection/search_criteria.h"

namespace {

DB_error RemoveFile(DB_handle* h, int32_t fileId) {
    int32_t supercat = 0;
    char cat[DB_TEXT_COLUMN];
    char subcat[DB_TEXT_COLUMN];
    char genre[DB_TEXT_COLUMN];
    SQLLEN ind[4];
    bool found = false;
    std::string catText, subcatText, genreText;
    DB_error err = DB_select(
        h, "SELECT INT4, TEXT1, TEXT2, TEXT3 FROM AUDIO_FILE WHERE FILE_ID = ?",
        [&] { return DB_bind_int_param(h, 1, &fileId); },
        [&] {
            DB_error e = DB_bind_int_column(h, 1, &supercat, &ind[0]);
            if (!e) {
                e = DB_bind_text_column(h, 2, cat, &ind[1]);
            }
            if (!e) {
                e = DB_bind_text_column(h, 3, subcat, &ind[2]);
            }
            return e ? e : DB_bind_text_column(h, 4, genre, &ind[3]);
        },
        [&](bool* stop) {
            found = true;
            catText = DB_column_text(cat, ind[1]);
            subcatText = DB_column_text(subcat, ind[2]);
            genreText = DB_column_text(genre, ind[3]);
            *stop = true;
            return DB_error();
        });
    if (!err && found) {
        err = DB_register_category(h, supercat, catText, subcatText, false);
    }
    if (!err && found) {
        err = DB_register_genre(h, genreText, false);
    }
    if (err) {
        return err;
    }
    // The id is bound once for the three deletes: they share the parameters.
    err = DB_reset_params(h);
    if (!err) {
        err = DB_bind_int_param(h, 1, &fileId);
    }
    for (const char* sql :
         {"DELETE FROM TERM WHERE FILE_ID = ?", "DELETE FROM SOUND WHERE FILE_ID = ?",
          "DELETE FROM AUDIO_FILE WHERE FILE_ID = ?"}) {
        if (!err) {
            err = DB_execute(h, sql);
        }
    }
    return err;
}

DB_error InsertFileRow(DB_handle* h, const DB_file& file) {
    SQLLEN textInd[12];
    SQLLEN signatureLength = DB_SIGNATURE_BYTES;
    return DB_run(
        h,
        "INSERT INTO AUDIO_FILE (FILE_NAME, FILE_SAMPLE_RATE, FILE_DURATION, FILE_BPM, "
        "FILE_KEY, FILE_SIGNATURE, INT0, INT1, INT2, INT3, INT4, INT5, INT6, INT7, INT8, INT9, "
        "TEXT0, TEXT1, TEXT2, TEXT3, TEXT4, TEXT5, TEXT6, TEXT7, TEXT8, TEXT9, INDEX_DATE) "
        "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
        [&]() -> DB_error {
            DB_error e = DB_bind_text_param(h, 1, file.fileName.c_str(), &textInd[0]);
            const int32_t* numbers[] = {&file.sampleRate, &file.duration, &file.bpm, &file.key};
            for (int i = 0; i < 4 && !e; ++i) {
                e = DB_bind_int_param(h, 2 + i, numbers[i]);
            }
            if (!e) {
                e = DB_bind_binary_param(h, 6, file.signature.data(), &signatureLength);
            }
            for (int i = 0; i < 10 && !e; ++i) {
                e = DB_bind_int_param(h, 7 + i, &file.ints[i]);
            }
            for (int i = 0; i < 10 && !e; ++i) {
                e = DB_bind_text_param(h, 17 + i, file.texts[i].c_str(), &textInd[1 + i]);
            }
            if (!e) {
                e = DB_bind_text_param(h, 27, file.indexDate.c_str(), &textInd[11]);
            }
            return e;
        });
}

DB_error InsertSoundRow(DB_handle* h, const DB_sound& sound) {
    SQLLEN signatureLength = DB_SIGNATURE_BYTES;
    SQLLEN dataLength = static_cast<SQLLEN>(sound.data.size());
    return DB_run(h, "INSERT INTO SOUND VALUES (?,?,?,?,?,?,?)", [&]() -> DB_error {
        const int32_t* numbers[] = {&sound.fileId, &sound.sampleRate, &sound.duration, &sound.bpm,
                                    &sound.key};
        DB_error e;
        for (int i = 0; i < 5 && !e; ++i) {
            e = DB_bind_int_param(h, 1 + i, numbers[i]);
        }
        if (!e) {
            e = DB_bind_binary_param(h, 6, sound.signature.data(), &signatureLength);
        }
        return e ? e : DB_bind_binary_param(h, 7, sound.data.data(), &dataLength);
    });
}

DB_error InsertWords(DB_handle* h, int32_t fileId, int field, const std::string& text) {
    int32_t textField = field;
    std::string stem;
    SQLLEN stemInd;
    int wordStart = -1;
    int wordEnd = -1;
    for (DB_next_word(text.c_str(), 0, &wordStart, &wordEnd, &stem); wordStart >= 0;
         DB_next_word(text.c_str(), wordEnd + 1, &wordStart, &wordEnd, &stem)) {
        DB_error err = DB_run(h, "INSERT INTO TERM VALUES (?,?,?)", [&]() -> DB_error {
            DB_error e = DB_bind_int_param(h, 1, &fileId);
            if (!e) {
                e = DB_bind_int_param(h, 2, &textField);
            }
            return e ? e : DB_bind_text_param(h, 3, stem.c_str(), &stemInd);
        });
        if (err) {
            return err;
        }
    }
    return std::nullopt;
}

DB_error IndexFile(DB_handle* h, DB_file_sounds* fs, int textFieldMask) {
    DB_file& file = *fs->file;
    DB_error err;
    if (file.fileId > 0) {
        err = RemoveFile(h, file.fileId);
    }
    if (!err) {
        err = InsertFileRow(h, file);
    }
    int32_t newId = -1;
    if (!err) {
        err = DB_lookup_in_transaction(h, file.fileName.c_str(), &newId, true);
    }
    if (!err && newId < 0) {
        err = std::string("unable to lookup new file id");
    }
    if (err) {
        return err;
    }
    file.fileId = newId;
    for (auto& sound : fs->sounds) {
        sound->fileId = newId;
        err = InsertSoundRow(h, *sound);
        if (err) {
            return err;
        }
    }
    for (int n = 0; n < 10; ++n) {
        if (textFieldMask == 0 || (textFieldMask & (1 << n)) != 0) {
            err = InsertWords(h, newId, n, file.texts[n]);
            if (err) {
                return err;
            }
        }
    }
    err = DB_register_category(h, file.ints[SearchCriteria::kClassField],
                               file.texts[SearchCriteria::kCategoryField],
                               file.texts[SearchCriteria::kSubCategoryField], true);
    return err ? err : DB_register_genre(h, file.texts[SearchCriteria::kGenreField], true);
}

} // namespace

DB_error DB_index(DB_handle* h, DB_file_sounds* fileSounds, int textFieldMask) {
    if (h == nullptr || fileSounds == nullptr || !fileSounds->file || fileSounds->sounds.empty() ||
        textFieldMask < 0 || textFieldMask >= 1024) {
        return DB_invalid_argument("DB_index");
    }
    for (const auto& sound : fileSounds->sounds) {
        if (!sound) {
            return DB_invalid_argument("DB_index");
        }
    }
    DB_set_access(h, false);
    DB_error err = DB_bump_change_counter(h);
    if (!err)
        err = IndexFile(h, fileSounds, textFieldMask);
    err = DB_finish(h, std::move(err));
    if (!err && h->signatures) {
        h->signatures->CountOwnWrite();
        h->signatures->FileIndexed(*fileSounds);
    }
    return err;
}

DB_error DB_unindex(DB_handle* h, int32_t fileId) {
    if (h == nullptr || fileId <= 0) {
        return DB_invalid_argument("DB_unindex");
    }
    DB_set_access(h, false);
    DB_error err = DB_bump_change_counter(h);
    if (!err)
        err = RemoveFile(h, fileId);
    err = DB_finish(h, std::move(err));
    if (!err && h->signatures) {
        h->signatures->CountOwnWrite();
        h->signatures->FileRemoved(fileId);
    }
    return err;
}

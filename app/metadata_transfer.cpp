#include "app/metadata_transfer.h"

#include "app/wait_cursor.h"

#include <QApplication>
#include <unordered_map>
#include <QCursor>

#include "app/app_util.h"
#include "app/ui_seams.h"
#include "audio/engine/replacing_file.h"
#include "collection/catalog_db.h"
#include "collection/db/metadata_file.h"
#include "collection/search_criteria.h"
#include "collection/sound_file.h"
#include "collection/sound_file_list.h"

namespace {

MetadataBlock BlockOf(const SoundFileObj& file) {
    MetadataBlock block;
    block.path = file.path;
    block.supercat = file.soundClass;
    block.category = file.category;
    block.subcategory = file.subcategory;
    block.genre = file.genre;
    block.description = file.description;
    block.notes = file.notes;
    block.copyright = file.copyright;
    block.link = file.link;
    block.key = file.key;
    block.loop = file.loop;
    block.tempo = file.bpm;
    return block;
}

bool MetadataDiffers(const SoundFileObj& stored, const DB_metadata_rec& read) {
    return stored.soundClass != read.supercat || stored.category != read.category ||
           stored.subcategory != read.subcategory || stored.description != read.description ||
           stored.genre != read.genre || stored.source != read.source ||
           stored.copyright != read.copyright || stored.notes != read.notes ||
           stored.link != read.link || stored.key != read.key || stored.bpm != read.tempo ||
           stored.loop != read.loop;
}

void TakeMetadata(SoundFileObj& file, const DB_metadata_rec& read) {
    file.soundClass = read.supercat;
    file.category = read.category;
    file.subcategory = read.subcategory;
    file.description = read.description;
    file.genre = read.genre;
    file.source = read.source;
    file.copyright = read.copyright;
    file.notes = read.notes;
    file.link = read.link;
    file.key = read.key;
    file.bpm = read.tempo;
    file.loop = read.loop;
}

} // namespace

bool ExportMetadataFile(const std::string& path, const std::function<bool()>& keepGoing,
                        MetadataExportCount& count, std::string& errorText) {
    count = {};
    ReplacingFile file;
    if (!file.Open(path)) {
        errorText = "could not open file " + path;
        return false;
    }
    std::ostream& out = file.Stream();
    out << kMetadataHeader;

    SearchCriteria criteria;
    criteria.intMin[SearchCriteria::kClassField] = 1; // every class: 1 Effect to 3 Other
    criteria.intMax[SearchCriteria::kClassField] = 3;
    criteria.ownPitchOnly = 1;
    criteria.maxResults = 0;
    int hits = 0;
    std::unique_ptr<DB_query_result> result =
        theCatalogDb ? theCatalogDb->RunQuery(criteria, hits) : nullptr;
    count.hits = hits;
    // A file cut short by a failed read would pass for a whole export and would already have
    // replaced the earlier one: it is dropped and the failure told (its reason has been shown).
    auto failed = [&] {
        count.unreadable = true;
        CatalogDbObj::FreeQueryResult(result);
        file.Discard();
        char text[160];
        std::snprintf(text, sizeof text,
                      "Export failed after %d of %d items in MyTambrel: the catalog could not "
                      "be read. ",
                      count.written, count.hits);
        errorText = text + path + " was left as it was.";
        return false;
    };
    if (!result) {
        return failed();
    }
    // Rows are read a batch at a time; the caller is still asked before each file.
    constexpr int kBatch = 500;
    std::vector<FetchedRow> rows;
    bool stopped = false;
    for (int first = 0; first < hits && !stopped; first += kBatch) {
        if (!theCatalogDb->FetchRows(*result, first, kBatch, rows)) {
            return failed();
        }
        for (const FetchedRow& row : rows) {
            if (keepGoing && !keepGoing()) {
                stopped = true;
                break;
            }
            if (WriteMetadataBlock(out, BlockOf(row.file))) {
                ++count.written;
            }
        }
    }
    CatalogDbObj::FreeQueryResult(result);
    if (!file.Commit()) {
        errorText = "could not write file " + path;
        return false;
    }
    return true;
}

namespace {

struct StoredEntry {
    SoundFileObj file;
    SoundVariantObj variant;
};

// Every catalogued file at its own pitch, by path (the newest entry of a path wins, as a
// look-up by path gives it). One batched read is far quicker than three look-ups a record
// once an import names more than a few hundred files.
bool ReadWholeCatalog(std::unordered_map<std::string, StoredEntry>& byPath) {
    SearchCriteria criteria;
    criteria.ownPitchOnly = 1;
    int hits = 0;
    std::unique_ptr<DB_query_result> result = theCatalogDb->RunQuery(criteria, hits);
    if (!result)
        return false;
    constexpr int kBatch = 2000;
    std::vector<FetchedRow> rows;
    for (int first = 0; first < hits; first += kBatch) {
        if (!theCatalogDb->FetchRows(*result, first, kBatch, rows))
            return false;
        for (FetchedRow& row : rows) {
            auto it = byPath.find(row.file.path);
            if (it == byPath.end() || it->second.file.fileId < row.file.fileId)
                byPath[row.file.path] = {std::move(row.file), std::move(row.variant)};
        }
    }
    return true;
}

} // namespace

bool BuildMetadataImportList(const std::string& path, SoundFileListObj& list,
                             std::string& errorText) {
    DB_metadata_list records;
    if (DB_error error = DB_read_metadata_file(path, records)) {
        errorText = *error;
        return false;
    }
    constexpr int kWholeCatalogFrom = 200;
    std::unordered_map<std::string, StoredEntry> stored;
    const bool whole = theCatalogDb != nullptr && records.count() >= kWholeCatalogFrom &&
                       ReadWholeCatalog(stored);
    for (const DB_metadata_rec* read = records.head(); read; read = read->next) {
        // Each record starts fresh: a path the catalog does not hold must not carry the
        // format or the sound of the file before it.
        SoundFileObj file;
        SoundVariantObj variant;
        file.path = read->fileName;
        bool found = false;
        if (whole) {
            auto it = stored.find(read->fileName);
            if (it != stored.end()) {
                file = it->second.file;
                variant = it->second.variant;
                found = true;
            }
        } else if (theCatalogDb && theCatalogDb->GetFileByPath(read->fileName, file)) {
            theCatalogDb->GetSoundOfFile(file.fileId, file.sampleRate, variant);
            found = true;
        }
        // Without the catalog every file would look new: the import stops here, the loss
        // told once.
        if (theCatalogDb && theCatalogDb->Unreachable()) {
            list.Clear();
            return false;
        }
        if (!found) {
            file = SoundFileObj();
            file.path = read->fileName;
        }
        const bool changed = found && MetadataDiffers(file, *read);
        TakeMetadata(file, *read);
        list.Add(file, variant, 0, 0, 1, changed ? 1 : 0);
    }
    return true;
}

void RunMetadataExport(QWidget* owner, const MetadataExportHooks& hooks) {
    std::string path;
    if (!AppUtil::AskSaveMetadataFile(owner, path)) {
        return;
    }
    MetadataExportCount count;
    std::string errorText;
    bool ok;
    {
        WaitCursor wait;
        if (hooks.beginBusy) {
            hooks.beginBusy();
        }
        ok = ExportMetadataFile(
            path,
            [&hooks] {
                if (hooks.pump) {
                    hooks.pump();
                }
                return !(hooks.stopRequested && hooks.stopRequested());
            },
            count, errorText);
        if (hooks.endBusy) {
            hooks.endBusy();
        }
    }
    if (!ok) {
        ShowMessageBox(owner, errorText, {}, MessageButtons::Ok,
                       count.unreadable ? MessageIcon::Stop : MessageIcon::Exclamation);
        return;
    }
    char text[128];
    std::snprintf(text, sizeof text, "Exported %d of %d items in MyTambrel", count.written,
                  count.hits);
    ShowMessageBox(owner, text, {}, MessageButtons::Ok, MessageIcon::Information);
}

bool RunMetadataImport(QWidget* owner, const std::string* path, SoundFileListObj& list) {
    std::string chosen;
    if (path == nullptr) {
        if (!AppUtil::AskOpenMetadataFile(owner, chosen)) {
            return false;
        }
    } else {
        chosen = *path;
    }
    std::string errorText;
    if (!BuildMetadataImportList(chosen, list, errorText)) {
        if (!errorText.empty())
            ShowMessageBox(owner, errorText, {}, MessageButtons::Ok, MessageIcon::Exclamation);
        return false;
    }
    if (list.Count() == 0) {
        ShowMessageBox(owner, "No new files found in " + chosen, {}, MessageButtons::Ok,
                       MessageIcon::Exclamation);
        return false;
    }
    return true;
}

#include "collection/catalog_db.h"

#include "audio/general_helpers.h"
#include "collection/audio_file_util.h"
#include "collection/catalog_message.h"
#include "collection/db/data_source.h"

#include <cmath>
#include <cstdlib>

CatalogDbObj* theCatalogDb = nullptr;

namespace {

// The longest path a catalog row keeps whole. A longer one would be cut and could then stand
// for another file that shares its first bytes, so it is never stored or looked up.
constexpr std::size_t kMaxPathBytes = 249;

bool ShowPathTooLong(const std::string& path) {
    const std::string text = "The path is too long to be stored in MyTambrel (at most " +
                             std::to_string(kMaxPathBytes) + " bytes):\n" + path;
    ShowCatalogMessage(text.c_str());
    return false;
}

} // namespace

int CatalogTextFieldMask(const DB_file& row) {
    int mask = 0;
    for (int n = 0; n < 10; ++n) {
        if (n != SearchCriteria::kLinkField && !row.texts[n].empty())
            mask |= 1 << n;
    }
    return mask;
}

CatalogDbObj::CatalogDbObj(const std::string& dataSource) {
    Connect(dataSource);
}

CatalogDbObj::~CatalogDbObj() {
    if (handle == nullptr)
        return;
    // A server that went away has been told of; closing its dead connection is no news.
    const DB_error error = DB_disconnect(handle);
    if (!lost_ && !(error && DB_is_connection_lost(*error)))
        ShowError(error);
}

void CatalogDbObj::Connect(const std::string& dataSource) {
    if (handle != nullptr) {
        ShowError(DB_disconnect(handle));
        handle = nullptr;
    }
    lost_ = false;
    told_ = false;
    dataSource_ = dataSource;
    DB_error error = DB_connect(dataSource.c_str(), "", "", &handle);
    if (!error)
        return;
    handle = nullptr;
    // One box that names the data source, its database and the driver's reason together.
    ShowCatalogMessage(DB_connect_failure_text(dataSource, *error).c_str());
    std::exit(255);
}

bool CatalogDbObj::ShowError(const DB_error& error) {
    if (!error)
        return true;
    ShowCatalogMessage(error->c_str());
    return false;
}

bool CatalogDbObj::Call(const std::function<DB_error(DB_handle*)>& call, bool writes) {
    if (handle == nullptr)
        return ShowError(DB_invalid_argument("a closed catalog"));
    const unsigned long action = CurrentCatalogUserAction();
    if (lost_) {
        if (told_ && toldAction_ == action)
            return false;
        // A new action: the server may be back.
        if (DB_error error = DB_reconnect(handle)) {
            ShowLost(action, *error);
            return false;
        }
        lost_ = false;
    }
    // A connection that died while the program waited (a server restarted meanwhile) fails
    // the first call of the next action. A read is simply read again on a new connection. A
    // write is not run again: the loss may have cut its commit, after which the server may
    // hold it already, and a second run would store it twice.
    for (int attempt = 0;; ++attempt) {
        DB_error error = call(handle);
        if (!error || !DB_is_connection_lost(*error))
            return ShowError(error);
        lost_ = true;
        if (attempt > 0 || DB_reconnect(handle)) {
            ShowLost(action, *error);
            return false;
        }
        lost_ = false;
        if (writes) {
            ShowLost(action, *error);
            return false;
        }
    }
}

void CatalogDbObj::ShowLost(unsigned long action, const std::string& reason) {
    if (told_ && toldAction_ == action)
        return;
    told_ = true;
    toldAction_ = action;
    std::string text = "The database server of MyTambrel cannot be reached (ODBC data source '";
    text += dataSource_;
    text += "'). What was under way has stopped, and its last step changed nothing in "
            "MyTambrel. Once the server is back, the next action connects again.\n\n";
    text += reason;
    ShowCatalogMessage(text.c_str());
}

int CatalogDbObj::Lookup(const std::string& path) {
    if (path.size() > kMaxPathBytes)
        return -1;
    int32_t id = -1;
    if (!Call([&](DB_handle* h) { return DB_lookup(h, path.c_str(), &id); }))
        return -1;
    return id;
}

bool CatalogDbObj::IsInCatalog(const std::string& path) {
    return Lookup(path) >= 0;
}

bool CatalogDbObj::GetFileById(int fileId, SoundFileObj& file) {
    // Stored ids are positive; anything else is simply not in the catalog.
    if (fileId <= 0)
        return false;
    std::unique_ptr<DB_file> row;
    if (!Call([&](DB_handle* h) { return DB_get_file(h, fileId, &row); }) || !row)
        return false;
    file.FromFileRow(*row);
    return true;
}

bool CatalogDbObj::GetFileByPath(const std::string& path, SoundFileObj& file) {
    return GetFileById(Lookup(path), file);
}

bool CatalogDbObj::GetSound(const std::string& path, int sampleRate, SoundVariantObj& variant) {
    return GetSoundOfFile(Lookup(path), sampleRate, variant);
}

bool CatalogDbObj::GetMetadata(int fileId, std::unique_ptr<DB_file_sounds>& out) {
    out.reset();
    return fileId > 0 && Call([&](DB_handle* h) { return DB_get_metadata(h, fileId, &out); });
}

bool CatalogDbObj::GetSoundOfFile(int id, int sampleRate, SoundVariantObj& variant) {
    if (id <= 0)
        return false;
    std::unique_ptr<DB_sound> row;
    if (!Call([&](DB_handle* h) { return DB_get_sound(h, id, sampleRate, &row); }) || !row)
        return false;
    variant.CopyFromRow(*row);
    return true;
}

int CatalogDbObj::GetSoundCount(const std::string& path) {
    const int id = Lookup(path);
    if (id <= 0)
        return 0;
    int count = 0;
    return Call([&](DB_handle* h) { return DB_get_sound_count(h, id, &count); }) ? count : 0;
}

bool CatalogDbObj::GetCounts(int& files, int& sounds) {
    return Call([&](DB_handle* h) { return DB_get_counts(h, &files, &sounds); });
}

bool CatalogDbObj::GetCategoryCounts(std::unique_ptr<DB_cats>& cats) {
    return Call([&](DB_handle* h) { return DB_get_cats(h, &cats); });
}

bool CatalogDbObj::GetGenres(DB_genre_list& genres) {
    return Call([&](DB_handle* h) { return DB_get_genres(h, &genres); });
}

bool CatalogDbObj::BuildShadowTables(int rebuild) {
    return Call([&](DB_handle* h) { return DB_build_shadow_tables(h, rebuild); }, true);
}

bool CatalogDbObj::RemoveFile(const std::string& path) {
    const int id = Lookup(path);
    if (id <= 0)
        return false;
    // A failed removal leaves the file catalogued, so callers must not count it as gone.
    return Call([&](DB_handle* h) { return DB_unindex(h, id); }, true);
}

bool CatalogDbObj::AddFile(SoundFileObj& file, const std::vector<SoundVariantObj>& variants) {
    if (file.path.size() > kMaxPathBytes)
        return ShowPathTooLong(file.path);
    file.indexDate = AudioFileUtil::CurrentTimestamp();
    DB_file_sounds rows;
    rows.file = std::make_unique<DB_file>();
    file.ToFileRow(*rows.file);
    for (const SoundVariantObj& variant : variants) {
        rows.sounds.push_back(std::make_unique<DB_sound>());
        variant.CopyTo(*rows.sounds.back());
    }
    // Without knowing whether the path is stored, storing could leave it in the catalog twice.
    int32_t id = -1;
    if (!Call([&](DB_handle* h) { return DB_lookup(h, rows.file->fileName.c_str(), &id); }))
        return false;
    rows.file->fileId = id > 0 ? id : 0;
    if (!Call([&](DB_handle* h) { return DB_index(h, &rows, CatalogTextFieldMask(*rows.file)); },
              true))
        return false;
    // The record now stands for the stored file: a record copied from another file (a Save As)
    // must not keep that file's id, or whatever acts by id acts on both.
    file.fileId = rows.file->fileId;
    return true;
}

bool CatalogDbObj::UpdateFile(SoundFileObj& file, const std::string* newPath) {
    if (newPath != nullptr && newPath->size() > kMaxPathBytes)
        return ShowPathTooLong(*newPath);
    file.indexDate = AudioFileUtil::CurrentTimestamp();
    auto row = std::make_unique<DB_file>();
    file.ToFileRow(*row);
    const int id = Lookup(file.path);
    if (id <= 0)
        return false;
    std::unique_ptr<DB_file_sounds> stored;
    if (!Call([&](DB_handle* h) { return DB_get_metadata(h, id, &stored); }) || !stored ||
        !stored->file)
        return false;
    row->fileId = stored->file->fileId;

    const int fileRate = stored->file->sampleRate;
    for (auto& sound : stored->sounds) {
        // A stored file without a rate gives its variants the record's key and tempo as they are.
        const double ratio = fileRate > 0 ? static_cast<double>(sound->sampleRate) / fileRate : 1.0;
        const int semitones = RatioToHalftones(ratio);
        sound->bpm = file.bpm < 0 ? -1 : static_cast<int>(std::llround(file.bpm * ratio));
        if (file.key >= 1 && file.key <= 12) {
            const int k = (file.key + semitones + 47) % 12;
            sound->key = (k < 0 ? k + 12 : k) + 1;
        } else {
            sound->key = 13;
        }
    }

    row->indexDate = AudioFileUtil::CurrentTimestamp();
    if (newPath != nullptr) {
        row->fileName = *newPath;
        // The path's words are searched: they follow the file to its new name.
        row->texts[SearchCriteria::kPathField] = *newPath;
    }
    stored->file = std::move(row);
    if (!Call(
            [&](DB_handle* h) {
                return DB_index(h, stored.get(), CatalogTextFieldMask(*stored->file));
            },
            true))
        return false;
    // Storing again gives the file a new id.
    file.fileId = stored->file->fileId;
    return true;
}

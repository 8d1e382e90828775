#include "collection/catalog_update_item.h"

#include "collection/audio_file_util.h"
#include "collection/catalog_db.h"

namespace {

std::string Trimmed(const std::string& text) {
    const char* const blanks = " \t\r\n\f\v";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

const char* const kUnknown = "<Unknown>";

} // namespace

CatalogUpdateItem::CatalogUpdateItem(const std::string& path) {
    if (theCatalogDb != nullptr && theCatalogDb->GetFileByPath(path, record)) {
        SetStateFromCatalog();
    } else {
        AudioFileUtil::ReadFileInfo(path, record);
        state = kNotInCatalog;
    }
    if (!record.errorText.empty())
        state = kError;
    allVariations = state == kWithVariants;
}

CatalogUpdateItem::CatalogUpdateItem(const SoundFileObj& file) : record(file) {
    SetStateFromCatalog();
    allVariations = state == kWithVariants;
}

namespace {

int StateOfSounds(int sounds) {
    return sounds <= 0   ? CatalogUpdateItem::kNotInCatalog
           : sounds == 1 ? CatalogUpdateItem::kInCatalog
                         : CatalogUpdateItem::kWithVariants;
}

} // namespace

void CatalogUpdateItem::SetStateFromCatalog() {
    state = StateOfSounds(theCatalogDb != nullptr ? theCatalogDb->GetSoundCount(record.path) : 0);
}

void CatalogUpdateItem::FollowStoredPitches() {
    // An unchanged pitch choice follows the stored sounds, as a new row's does.
    if (!(userColumns_ & (1u << kPitch)) && InCatalog())
        allVariations = state == kWithVariants;
}

std::string CatalogUpdateItem::GetColumnText(int column) const {
    switch (column) {
    case kFileName:
        return record.path;
    case kStatus:
        return state == kError ? record.errorText
               : InCatalog()   ? "In MyTambrel"
                               : "Not in MyTambrel";
    case kAction:
        return keep ? "ADD" : "REMOVE";
    case kPitch:
        return allVariations ? "All Variations" : "Normal Only";
    case kDescription:
        return record.description;
    case kClass:
        return record.FieldText(kFieldClass);
    case kCategory:
        return record.category;
    case kSubCategory:
        return record.subcategory;
    case kGenre:
        return record.genre;
    case kKey:
        return record.key == 13 ? kUnknown : KeyName(record.key);
    case kTempo:
        return record.bpm <= 0 ? kUnknown : record.FieldText(kFieldBpm);
    case kLoop:
        return record.loop == 1 ? "Yes" : "No";
    case kSource:
        return record.source;
    case kCopyright:
        return record.copyright;
    case kNotes:
        return record.notes;
    case kLink:
        return record.link;
    default:
        return {};
    }
}

void CatalogUpdateItem::SetColumnText(int column, const std::string& text) {
    const std::string before = GetColumnText(column);
    StoreColumnText(column, text);
    if (GetColumnText(column) != before)
        userColumns_ |= 1u << column;
}

namespace {

// The metadata columns, which an update stores and the catalog can change elsewhere.
constexpr int kMetadataColumns[] = {
    CatalogUpdateItem::kDescription, CatalogUpdateItem::kClass,     CatalogUpdateItem::kCategory,
    CatalogUpdateItem::kSubCategory, CatalogUpdateItem::kGenre,     CatalogUpdateItem::kKey,
    CatalogUpdateItem::kTempo,       CatalogUpdateItem::kLoop,      CatalogUpdateItem::kSource,
    CatalogUpdateItem::kCopyright,   CatalogUpdateItem::kNotes,     CatalogUpdateItem::kLink,
};

} // namespace

void CatalogUpdateItem::CopyColumn(int column, const SoundFileObj& from, SoundFileObj& to) {
    switch (column) {
    case kDescription:
        to.description = from.description;
        break;
    case kClass:
        to.soundClass = from.soundClass;
        break;
    case kCategory:
    case kSubCategory:
        // A sub-category means something only under its category: the two go together.
        to.category = from.category;
        to.subcategory = from.subcategory;
        break;
    case kGenre:
        to.genre = from.genre;
        break;
    case kKey:
        to.key = from.key;
        break;
    case kTempo:
        to.bpm = from.bpm;
        break;
    case kLoop:
        to.loop = from.loop;
        break;
    case kSource:
        to.source = from.source;
        break;
    case kCopyright:
        to.copyright = from.copyright;
        break;
    case kNotes:
        to.notes = from.notes;
        break;
    case kLink:
        to.link = from.link;
        break;
    default:
        break;
    }
}

bool CatalogUpdateItem::FollowCatalog(const SoundFileObj& stored, bool present) {
    if (!present) {
        if (!InCatalog())
            return false;
        state = kNotInCatalog;
        return true;
    }
    // The row's own update stored just this record: nothing to follow.
    if (InCatalog() && record.IsEqual(stored))
        return false;
    const int sounds = theCatalogDb != nullptr ? theCatalogDb->GetSoundCount(stored.path) : 1;
    SoundFileObj next = stored;
    next.errorText.clear();
    for (int column : kMetadataColumns)
        if (userColumns_ & (1u << column))
            CopyColumn(column, record, next);
    record = std::move(next);
    state = StateOfSounds(sounds);
    FollowStoredPitches();
    return true;
}

bool CatalogUpdateItem::TakeImported(const SoundFileObj& imported) {
    bool changed = false;
    for (int column : kMetadataColumns) {
        const std::string before = GetColumnText(column);
        CopyColumn(column, imported, record);
        if (GetColumnText(column) != before) {
            userColumns_ |= 1u << column;
            changed = true;
        }
    }
    const bool wasError = state == kError;
    SetStateFromCatalog();
    if (wasError && !record.errorText.empty() && !InCatalog())
        state = kError; // the file still cannot be read
    FollowStoredPitches();
    return changed;
}

void CatalogUpdateItem::StoreColumnText(int column, const std::string& text) {
    const std::string value = Trimmed(text);
    switch (column) {
    case kAction:
        keep = value == "ADD";
        break;
    case kPitch:
        allVariations = value == "All Variations";
        break;
    case kDescription:
        record.description = value;
        break;
    case kClass:
        record.SetFieldText(kFieldClass, value);
        break;
    case kCategory:
        record.category = value;
        break;
    case kSubCategory:
        record.subcategory = value;
        break;
    case kGenre:
        record.genre = value;
        break;
    case kKey:
        record.SetFieldText(kFieldKey, value);
        break;
    case kTempo:
        record.SetFieldText(kFieldBpm, value);
        break;
    case kLoop:
        record.SetFieldText(kFieldLoop, value);
        break;
    case kSource:
        record.source = value;
        break;
    case kCopyright:
        record.copyright = value;
        break;
    case kNotes:
        record.notes = value;
        break;
    case kLink:
        record.link = value;
        break;
    default:
        break;
    }
}

int CatalogUpdateItem::GetStatusImage() const {
    if (state == kError)
        return 3;
    if (InCatalog())
        return edited ? 2 : 1;
    return 0;
}

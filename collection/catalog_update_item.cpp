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

void CatalogUpdateItem::SetStateFromCatalog() {
    const int sounds = theCatalogDb != nullptr ? theCatalogDb->GetSoundCount(record.path) : 0;
    state = sounds <= 0 ? kNotInCatalog : sounds == 1 ? kInCatalog : kWithVariants;
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

#include "collection/sound_file_list.h"

#include "collection/text_compare.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace {

template <typename T> int Compare(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

std::string_view FileName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string_view(path)
                                      : std::string_view(path).substr(slash + 1);
}

// The variant's rate over the file's; a file without a known rate counts as ratio 0 so the
// order stays total (a NaN would break the sort).
double PitchRatio(const SoundFileListEntry& e) {
    return e.file.sampleRate > 0 ? static_cast<double>(e.variant.sampleRate) / e.file.sampleRate
                                 : 0.0;
}

} // namespace

int CompareSoundEntries(const SoundFileListEntry& a, const SoundFileListEntry& b, int column) {
    const SoundFileObj& fa = a.file;
    const SoundFileObj& fb = b.file;
    switch (column) {
    case 0:
        return Compare(a.score, b.score);
    case 1:
        return CompareNoCase(FileName(fa.path), FileName(fb.path));
    case 3:
        return Compare(PitchRatio(a), PitchRatio(b));
    case 4:
        return CompareNoCase(fa.description, fb.description);
    case 5:
        return Compare(fa.size, fb.size);
    case 6:
        return Compare(fa.channels, fb.channels);
    case 7:
        return Compare(fa.compression, fb.compression);
    case 8:
        return Compare(a.variant.sampleRate, b.variant.sampleRate);
    case 9:
        return Compare(a.variant.duration, b.variant.duration);
    case 10:
    case 11:
    case 12:
        if (int c = Compare(fa.soundClass, fb.soundClass))
            return c;
        if (int c = CompareNoCase(fa.category, fb.category))
            return c;
        return CompareNoCase(fa.subcategory, fb.subcategory);
    case 13:
        return CompareNoCase(fa.genre, fb.genre);
    case 14:
        return Compare(a.variant.key, b.variant.key);
    case 15:
        return Compare(a.variant.bpm, b.variant.bpm);
    case 16:
        return Compare(fa.loop, fb.loop);
    case 17:
        return CompareNoCase(fa.source, fb.source);
    case 18:
        return CompareNoCase(fa.copyright, fb.copyright);
    case 19:
        return CompareNoCase(fa.notes, fb.notes);
    case 20:
        return CompareNoCase(fa.link, fb.link);
    default:
        return 0;
    }
}

void SoundFileListObj::Add(const SoundFileObj& file, const SoundVariantObj& variant, int score,
                           int tag, int value1, int value2) {
    auto entry = std::make_unique<SoundFileListEntry>();
    entry->tag = tag;
    entry->file = file;
    entry->variant = variant;
    entry->score = score;
    entry->insertionNumber = Count() + 1;
    entry->value1 = value1;
    entry->value2 = value2;
    entries.push_back(std::move(entry));
}

bool SoundFileListObj::ContainsPath(const SoundFileObj& file) const {
    return std::any_of(entries.begin(), entries.end(),
                       [&](const auto& e) { return EqualNoCase(e->file.path, file.path); });
}

void SoundFileListObj::Clear() {
    entries.clear();
}

int SoundFileListObj::RemoveFile(const SoundFileObj& file) {
    int lowest = -1;
    for (int i = Count() - 1; i >= 0; --i) {
        if (entries[i]->file.fileId == file.fileId) {
            entries.erase(entries.begin() + i);
            lowest = i;
        }
    }
    return lowest;
}

namespace {

// The values of the sort columns of an entry, read once per sort: a number, and for the
// text columns the text lowered as CompareNoCase lowers it (byte order then gives its order).
struct ColumnKey {
    double number = 0;
    std::string text;
};
struct SortKey {
    ColumnKey primary;
    ColumnKey secondary;
    SoundFileListEntry* entry = nullptr;
};

int CompareKeys(const ColumnKey& a, const ColumnKey& b) {
    if (a.number != b.number)
        return a.number < b.number ? -1 : 1;
    const int c = a.text.compare(b.text);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

std::string Lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return out;
}

// False for a column this key does not know (the comparison then decides alone).
bool MakeKey(const SoundFileListEntry& e, int column, ColumnKey& key) {
    const SoundFileObj& f = e.file;
    switch (column) {
    case 0: key.number = e.score; return true;
    case 1: key.text = Lowered(FileName(f.path)); return true;
    case 3: key.number = PitchRatio(e); return true;
    case 4: key.text = Lowered(f.description); return true;
    case 5: key.number = f.size; return true;
    case 6: key.number = f.channels; return true;
    case 7: key.number = f.compression; return true;
    case 8: key.number = e.variant.sampleRate; return true;
    case 9: key.number = e.variant.duration; return true;
    case 10:
    case 11:
    case 12:
        // No text holds a NUL, so it orders a category before any longer one it begins.
        key.number = f.soundClass;
        key.text = Lowered(f.category) + '\0' + Lowered(f.subcategory);
        return true;
    case 13: key.text = Lowered(f.genre); return true;
    case 14: key.number = e.variant.key; return true;
    case 15: key.number = e.variant.bpm; return true;
    case 16: key.number = f.loop; return true;
    case 17: key.text = Lowered(f.source); return true;
    case 18: key.text = Lowered(f.copyright); return true;
    case 19: key.text = Lowered(f.notes); return true;
    case 20: key.text = Lowered(f.link); return true;
    default: return false;
    }
}

} // namespace

void SoundFileListObj::Sort(int primaryColumn, int secondaryColumn, bool descending) {
    // The columns' values are read into one array first: comparing entries scattered over
    // the heap is what makes a sort of a hundred thousand rows slow.
    std::vector<SortKey> keys(entries.size());
    bool primaryKeyed = true, secondaryKeyed = true;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        keys[i].entry = entries[i].get();
        if (primaryKeyed)
            primaryKeyed = MakeKey(*entries[i], primaryColumn, keys[i].primary);
        if (secondaryKeyed)
            secondaryKeyed = MakeKey(*entries[i], secondaryColumn, keys[i].secondary);
    }
    // The standard sort: a first-entry-pivot quicksort goes quadratic and recurses once per
    // entry on an already sorted list, which is what clicking a column twice gives.
    std::sort(keys.begin(), keys.end(), [&](const SortKey& a, const SortKey& b) {
        int c = primaryKeyed ? CompareKeys(a.primary, b.primary)
                             : CompareSoundEntries(*a.entry, *b.entry, primaryColumn);
        if (c == 0)
            c = secondaryKeyed ? CompareKeys(a.secondary, b.secondary)
                               : CompareSoundEntries(*a.entry, *b.entry, secondaryColumn);
        return descending ? c > 0 : c < 0;
    });
    // Put the owners in the sorted order: each entry is released once and taken back once.
    std::vector<std::unique_ptr<SoundFileListEntry>> owners;
    owners.reserve(entries.size());
    for (auto& owner : entries)
        owner.release();
    for (const SortKey& key : keys)
        owners.emplace_back(key.entry);
    for (std::size_t i = 0; i < owners.size(); ++i)
        entries[i] = std::move(owners[i]);
}

bool SoundFileListObj::UpdateByPath(const SoundFileObj& file) {
    for (auto& e : entries) {
        if (EqualNoCase(e->file.path, file.path)) {
            e->file = file;
            return true;
        }
    }
    return false;
}

#include "collection/sound_file_list.h"

#include "collection/text_compare.h"

#include <algorithm>
#include <string_view>

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

void SoundFileListObj::Sort(int primaryColumn, int secondaryColumn, bool descending) {
    // The standard sort: a first-entry-pivot quicksort goes quadratic and recurses once per
    // entry on an already sorted list, which is what clicking a column twice gives.
    std::sort(entries.begin(), entries.end(), [&](const auto& a, const auto& b) {
        int c = CompareSoundEntries(*a, *b, primaryColumn);
        if (c == 0)
            c = CompareSoundEntries(*a, *b, secondaryColumn);
        return descending ? c > 0 : c < 0;
    });
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

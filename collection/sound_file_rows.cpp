#include "collection/sound_file.h"

#include "collection/db/records.h"
#include "collection/text_cut.h"

#include <algorithm>
#include <cstring>

namespace {

// A text of a record goes into the catalog with at most this many bytes.
constexpr std::size_t kRowTextBytes = 249;
// The catalog's binary column of a waveform summary: 100 points of 5 bytes.
constexpr std::size_t kRowDataBytes = 500;

} // namespace

void SoundFileObj::ToFileRow(DB_file& row) const {
    row.fileId = fileId;
    std::memcpy(row.signature.data(), signature.bytes, sizeof signature.bytes);
    row.sampleRate = sampleRate;
    row.duration = duration;
    row.bpm = bpm;
    row.key = key;
    row.ints = {format, size, channels, compression, soundClass, loop, 0, 0, 0, 0};
    const std::string* const texts[8] = {&description, &category,  &subcategory, &genre,
                                         &source,      &copyright, &notes,       &link};
    for (int i = 0; i < 8; ++i)
        row.texts[i] = CutText(*texts[i], kRowTextBytes);
    row.fileName = CutText(path, kRowTextBytes);
    row.texts[8] = row.fileName;
    row.texts[9].clear();
    row.indexDate = CutText(indexDate, kRowTextBytes);
}

void SoundFileObj::FromFileRow(const DB_file& row) {
    fileId = row.fileId;
    std::memcpy(signature.bytes, row.signature.data(), sizeof signature.bytes);
    sampleRate = row.sampleRate;
    duration = row.duration;
    bpm = row.bpm;
    key = row.key;
    int* const ints[6] = {&format, &size, &channels, &compression, &soundClass, &loop};
    for (int i = 0; i < 6; ++i)
        *ints[i] = row.ints[i];
    std::string* const texts[8] = {&description, &category,  &subcategory, &genre,
                                   &source,      &copyright, &notes,       &link};
    for (int i = 0; i < 8; ++i)
        *texts[i] = row.texts[i];
    path = row.fileName;
    indexDate = row.indexDate;
}

void SoundVariantObj::CopyFromRow(const DB_sound& row) {
    fileId = row.fileId;
    sampleRate = row.sampleRate;
    duration = row.duration;
    bpm = row.bpm;
    key = row.key;
    std::memcpy(signature.bytes, row.signature.data(), sizeof signature.bytes);
    data.assign(row.data.begin(), row.data.end());
}

void SoundVariantObj::CopyTo(DB_sound& row) const {
    row.fileId = fileId;
    row.sampleRate = sampleRate;
    row.duration = duration;
    row.bpm = bpm;
    row.key = key;
    std::memcpy(row.signature.data(), signature.bytes, sizeof signature.bytes);
    // A summary from a remote reply can be of any length; the catalog keeps 100 points.
    const std::size_t n = std::min(data.size(), kRowDataBytes);
    row.data.assign(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(n));
}

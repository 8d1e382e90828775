#pragma once
// The program's own drag payload: a category of the category tree (kind 0) or the selected
// rows of a result list (kind 1). It carries ids and values only, never pointers, and is
// read back only in the process that wrote it.

#include <memory>
#include <optional>
#include <string>
#include <vector>

class QMimeData;

// One dragged result row: what a receiver needs without reaching back into the list.
struct SoundDragRow {
    int fileId = -1;       // the catalog's id of the sound file
    std::string path;      // the file's path
    int variantRate = 0;   // the pitch variant's sample rate
    int fileRate = 0;      // the file's own sample rate
    bool operator==(const SoundDragRow&) const = default;
};

class SoundDragBlock {
public:
    enum Kind { kCategory = 0, kRows = 1 };

    // The private MIME type the payload travels under.
    static const char* MimeType();
    // A number drawn once per process; a payload with another one is refused.
    static unsigned long long ProcessToken();

    static SoundDragBlock Category(int superCategory, const std::string& category,
                                   const std::string& subcategory);
    static SoundDragBlock Rows(std::vector<SoundDragRow> rows);

    // Writes the payload under MimeType() (other formats of the data stay as they are).
    void Fill(QMimeData& data) const;
    // A new QMimeData holding only this payload; the caller (or the QDrag) owns it.
    std::unique_ptr<QMimeData> ToMimeData() const;

    // True when the data offers the private MIME type (however it is filled).
    static bool Offers(const QMimeData* data);
    // The payload of the data, or nothing when the type is missing, the bytes are damaged,
    // the kind is unknown or the payload was written by another process.
    static std::optional<SoundDragBlock> FromMimeData(const QMimeData* data);
    // The same from raw payload bytes, for callers that already hold them.
    static std::optional<SoundDragBlock> Decode(const std::string& bytes);
    std::string Encode() const;

    int kind = kRows;
    // kind 0: the super-category (class) number and the category and sub-category names
    // (empty below the level dragged).
    int superCategory = 0;
    std::string category;
    std::string subcategory;
    // kind 1: the dragged rows, in row order.
    std::vector<SoundDragRow> rows;

    bool operator==(const SoundDragBlock&) const = default;
};

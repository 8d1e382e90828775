#pragma once

#include "collection/sound_file.h"

#include <deque>
#include <memory>

// One sound of a list: a record with one of its pitch variants and the caller's values.
struct SoundFileListEntry {
    int tag = 0;
    SoundFileObj file;
    SoundVariantObj variant;
    int score = 0;
    int insertionNumber = 0; // the list's size plus 1 when the entry was added
    int value1 = 0;
    int value2 = 0;
};

// An ordered list of sounds, sortable by any column of the result tables.
class SoundFileListObj {
public:
    SoundFileListObj() = default;
    SoundFileListObj(const SoundFileListObj&) = delete;
    SoundFileListObj& operator=(const SoundFileListObj&) = delete;
    virtual ~SoundFileListObj() { Clear(); }

    // Appends copies of the record and the variant.
    virtual void Add(const SoundFileObj& file, const SoundVariantObj& variant, int score, int tag,
                     int value1, int value2);
    // An entry with the record's path, ignoring case.
    virtual bool ContainsPath(const SoundFileObj& file) const;
    virtual void Clear();
    // Removes every entry with the record's file id; the lowest index removed, -1 for none.
    virtual int RemoveFile(const SoundFileObj& file);
    // Orders by the primary column, then the secondary one; descending reverses both.
    // Entries equal in both columns come out in no defined order.
    virtual void Sort(int primaryColumn, int secondaryColumn, bool descending);
    // Copies the record into the first entry with its path (ignoring case).
    virtual bool UpdateByPath(const SoundFileObj& file);

    int Count() const { return static_cast<int>(entries.size()); }
    SoundFileListEntry& Entry(int index) { return *entries.at(index); }
    const SoundFileListEntry& Entry(int index) const { return *entries.at(index); }

protected:
    std::deque<std::unique_ptr<SoundFileListEntry>> entries;
};

// Compares two entries by one result-table column: negative when a sorts first ascending.
int CompareSoundEntries(const SoundFileListEntry& a, const SoundFileListEntry& b, int column);

#pragma once

#include <string>

#include "collection/sound_file.h"

// One row of the "Manage MyTambrel" update table: a file, what the user wants done with it
// and where it stands in the catalog. The table, the indexer's notice handler and the
// folder scan use it on the user-interface thread only; an index run reads a copy.
struct CatalogUpdateItem {
    enum State {
        kNotInCatalog = 0,
        kInCatalog = 1,    // one SOUND row
        kWithVariants = 2, // several SOUND rows (pitch variants)
        kError = 3,        // the record's error text says what failed
    };
    enum Column {
        kFileName,
        kStatus,
        kAction,
        kPitch,
        kDescription,
        kClass,
        kCategory,
        kSubCategory,
        kGenre,
        kKey,
        kTempo,
        kLoop,
        kSource,
        kCopyright,
        kNotes,
        kLink,
        kColumnCount
    };

    CatalogUpdateItem() = default;
    // From the catalog when it holds the path, else from the file's header (no samples are
    // read).
    explicit CatalogUpdateItem(const std::string& path);
    // A copy of the record, with its state from the catalog's count of its sounds.
    explicit CatalogUpdateItem(const SoundFileObj& file);

    std::string GetColumnText(int column) const;
    // Stores an edited cell, trimmed of surrounding white space; columns without an editor
    // are left alone. A cell whose text changes becomes the user's (UserColumns).
    void SetColumnText(int column, const std::string& text);
    // The catalog changed the row's file elsewhere (an editor's save, a Remove, a category
    // renamed or moved): the row takes the stored record and state, except the cells the user
    // changed here. present false: the file left the catalog; the row keeps its texts. True
    // when the row changed.
    bool FollowCatalog(const SoundFileObj& stored, bool present);
    // Imported metadata over the row: its texts, and the file's state in the catalog now. The
    // cells the import changed become the user's; true when any did.
    bool TakeImported(const SoundFileObj& imported);
    // Bit n: the cell of column n was changed in the update table since the row was last
    // stored; those cells keep their texts when the catalog changes elsewhere.
    unsigned UserColumns() const { return userColumns_; }
    void ForgetUserColumns() { userColumns_ = 0; }
    // 0 not catalogued, 1 catalogued, 2 catalogued with unsaved edits, 3 error.
    int GetStatusImage() const;

    bool InCatalog() const { return state == kInCatalog || state == kWithVariants; }

    bool selected = false;
    bool edited = false;
    bool keep = true;           // "ADD"; false is "REMOVE"
    bool allVariations = false; // "All Variations"; false is "Normal Only"
    int state = kNotInCatalog;
    SoundFileObj record;

private:
    void SetStateFromCatalog();
    void FollowStoredPitches();
    void StoreColumnText(int column, const std::string& text);
    // Copies the texts of one metadata column from another record.
    static void CopyColumn(int column, const SoundFileObj& from, SoundFileObj& to);

    unsigned userColumns_ = 0;
};

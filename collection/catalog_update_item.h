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
    // are left alone.
    void SetColumnText(int column, const std::string& text);
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
};

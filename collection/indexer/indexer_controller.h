#pragma once

#include <memory>
#include <string>
#include <vector>

#include "collection/sound_file.h"

struct CatalogUpdateItem;

// The catalog edits of the application's controller, as an index run applies them on the
// user-interface thread. Each keeps the category counts and open result lists in step and
// returns false when the catalog could not be changed (the reason has been shown).
class IndexerController {
public:
    virtual ~IndexerController() = default;
    virtual bool AddCatalogFile(SoundFileObj& file,
                                const std::vector<SoundVariantObj>& variants) = 0;
    // True also when the catalog did not hold the path.
    virtual bool RemoveCatalogFile(const SoundFileObj& file) = 0;
    virtual bool UpdateCatalogFile(SoundFileObj& file, const std::string* newPath) = 0;
    // Brings the result lists up to date once a batch of edits is done.
    virtual void ApplyCatalogChanges() = 0;
};

// The owner of the update table's rows, as its index run reaches it on the user-interface
// thread.
class IndexerBoxLink {
public:
    virtual ~IndexerBoxLink() = default;
    virtual std::vector<std::unique_ptr<CatalogUpdateItem>>& Items() = 0;
    virtual IndexerController& Controller() = 0;
    virtual void ShowUpdateProgress(int row, int percent) = 0;
    virtual void OnRowDone(int row, const std::string& errorText) = 0;
    // The run's worker is about to end: no row is applied after this. Also after a stop,
    // which applies nothing more.
    virtual void OnRunEnded() {}
    // A row could not be written because the catalog's server cannot be reached (the user
    // has been told): the run should stop as if the user had stopped it.
    virtual void OnCatalogUnreachable() {}
};

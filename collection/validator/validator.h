#pragma once
// The validator: checks every file of MyTambrel against the disk and repairs the catalog.
// Missing files are looked for, ignored or removed; changed files are confirmed or indexed
// again. Runs on the user-interface thread; its dialog shows and asks through ValidatorView.

#include <string>
#include <vector>

#include "collection/indexer/indexer_controller.h"
#include "collection/sound_file.h"

// What the validator shows and asks.
class ValidatorView {
public:
    virtual ~ValidatorView() = default;
    virtual void ClearLines() = 0;
    // One result line, "%s: %s" with a path and a message.
    virtual void AddResultLine(const std::string& text) = 0;
    virtual void ShowCurrentFile(bool shown, const std::string& text) = 0;
    virtual void ShowCounter(bool shown, const std::string& text) = 0;
    virtual void ShowDatabaseBar(bool shown, int percent) = 0;
    virtual void ShowReindexBar(bool shown, int percent) = 0;
    virtual void SetEndState(const std::string& text) = 0;
    // Begin and Close enabled and Stop disabled while not running, and the reverse.
    virtual void SetRunning(bool running) = 0;
    // Dispatches up to ten pending events so that Stop can be pressed.
    virtual void Pump() = 0;
    // The "File Not Found" dialog opened with `action` selected. False for Stop; true for
    // Continue with the chosen action and the two fields.
    virtual bool AskMissingFile(const std::string& path, int& action, std::string& newLocation,
                                std::string& searchPath) = 0;
    // "Search for this missing file" failed: the location, a line feed and the message.
    virtual void ShowRelocateFailure(const std::string& location, const std::string& message) = 0;
    // The supported audio files under the folder, recursively, in scan order.
    virtual void ScanFolder(const std::string& folder, std::vector<std::string>& paths) = 0;
};

class Validator {
public:
    enum Action {
        kSearchThis = 0,
        kSearchAll = 1,
        kIgnoreThis = 2,
        kIgnoreAll = 3,
        kRemoveThis = 4,
        kRemoveAll = 5,
    };

    Validator(ValidatorView& view, IndexerController& controller)
        : view_(view), controller_(controller) {}

    // One run over every catalogued file (Begin Validating).
    void Run();
    // Ends the run after the current step.
    void RequestStop() { stopRequested_ = true; }
    bool IsRunning() const { return running_; }
    bool StopRequested() const { return stopRequested_; }
    int LastAction() const { return lastAction_; }
    // How often a search folder was scanned (each distinct folder once).
    int FolderScans() const { return folderScans_; }

    // The first supported file under the folder whose name equals the record's exactly;
    // empty when none does.
    std::string FindInSearchFolder(const SoundFileObj& record, const std::string& folder);
    // Moves the catalog entry to the candidate when it holds the same sound; the message
    // says why not.
    bool TryRelocate(SoundFileObj& record, const std::string& candidate, std::string& message);
    // The same byte size and an identical signature; the size is compared first, since
    // decoding is costly.
    bool ContentMatches(const SoundFileObj& record, const std::string& candidate);
    // Confirms a file changed on disk or indexes it again; the message for its result line.
    std::string RecatalogFile(SoundFileObj& record);

private:
    void HandleMissingFile(SoundFileObj& record);
    void AddLine(const std::string& path, const std::string& message);

    ValidatorView& view_;
    IndexerController& controller_;
    bool running_ = false;
    bool stopRequested_ = false;
    int lastAction_ = kSearchThis;
    std::string cachedFolder_;
    std::vector<std::string> cachedPaths_;
    int folderScans_ = 0;
    // The modes chosen for the rest of a run.
    bool removeAll_ = false;
    bool ignoreAll_ = false;
    bool searchAll_ = false;
    std::string searchFolder_;
    bool changedCatalog_ = false;
};

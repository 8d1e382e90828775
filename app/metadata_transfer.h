#pragma once
// Export and import of MyTambrel's metadata as a text file (.tmi). The controller runs them
// from its menu commands and from a file handed to the program.

#include <functional>
#include <string>

class QWidget;
class SoundFileListObj;

struct MetadataExportCount {
    int written = 0; // blocks written
    int hits = 0;    // files in MyTambrel
    bool unreadable = false; // the catalog could not be read: the export failed
};

// Writes every catalogued file's block to `path` through a temporary file beside it, which
// takes the target's place only once every write succeeded. `keepGoing` is asked before each
// file; false stops the export and keeps the blocks written so far. False with the text to
// show when the file could not be made or written, or when the catalog could not be read
// (`unreadable`); a failed export leaves the file that was there before as it was.
bool ExportMetadataFile(const std::string& path, const std::function<bool()>& keepGoing,
                        MetadataExportCount& count, std::string& errorText);

// Reads the file into one entry per record for the Manage window's update table: the stored
// record with the file's metadata over it where the catalog holds the path (second caller
// value 1 when the metadata differs), else a fresh record with that path and metadata.
// False with the reader's text when the file could not be read.
bool BuildMetadataImportList(const std::string& path, SoundFileListObj& list,
                             std::string& errorText);

// What an export needs of the main window while it runs: its clickable busy tip.
struct MetadataExportHooks {
    std::function<void()> beginBusy;     // shows "Performing search, click here to stop..."
    std::function<bool()> stopRequested; // the user clicked the tip
    std::function<void()> pump;          // dispatches the tip window's pending events
    std::function<void()> endBusy;       // clears the tip, then shows the result-row tips
};

// The whole Tools/Export: asks for the file, writes it, reports the count.
void RunMetadataExport(QWidget* owner, const MetadataExportHooks& hooks);

// The whole import up to the update list: asks for a file when `path` is null and reads it;
// reports a failure or an empty file. True when `list` has entries for the Manage window.
bool RunMetadataImport(QWidget* owner, const std::string* path, SoundFileListObj& list);

#pragma once

#include "app/controls/dialog_result.h"

#include <string>
#include <vector>

class QWidget;

// Browse flags a caller may pass; the folder browser always shows its status line.
enum BrowseFlags : unsigned { BIF_RETURNONLYFSDIRS = 0x1, BIF_STATUSTEXT = 0x4 };

// Lets the user pick a folder, starting at a given path. The browser runs through the
// installed UiSeams, so a test answers it.
class CFolderDlg {
public:
    // A null initial path is an empty one; the owner may be null. The flags change nothing
    // here: the browser always returns file-system folders and shows its status line.
    explicit CFolderDlg(const char* initialPath, unsigned flags = 0, QWidget* owner = nullptr);
    virtual ~CFolderDlg() = default;

    // IDOK when a folder with a file-system path was chosen, else IDCANCEL.
    virtual int DoModal();
    // The chosen folder; the initial path when nothing was chosen.
    const std::string& GetFolderPath() const { return chosenPath_; }

private:
    QWidget* owner_;
    std::string initialPath_;
    std::string chosenPath_;
};

// The folder as the browser's status line shows it: past 35 characters, its first 35
// followed by "...". Counts characters, not bytes, so a name is never cut mid-character.
std::string FolderStatusText(const std::string& path);

// The places the browser offers beside its tree: "/", the home folder, and the mounted
// volumes and network file systems.
std::vector<std::string> FolderBrowserPlaces();

// The real folder browser behind the seam: starts at folder (or its nearest existing
// parent, else the home folder) and shows the current choice in its status line. True with
// folder set to the choice; false, folder untouched, when cancelled.
bool RunFolderBrowser(QWidget* owner, const std::string& title, std::string& folder);

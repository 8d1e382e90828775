#pragma once

#include <string>

// What the "Manage MyTambrel" window asks of the application besides its box: the preview
// and the editor. The program installs the controller's adapter; without one, Play, Loop and
// opening a file do nothing. User-interface thread only.
class ManageHost {
public:
    virtual ~ManageHost() = default;
    // Plays the file once or in a loop; an empty path stops the preview.
    virtual void AuditionFile(const std::string& path, bool loop) = 0;
    // The file being previewed (empty when none) and whether it loops.
    virtual std::string AuditionPath() const = 0;
    virtual bool AuditionLooping() const = 0;
    // Opens the file in an editor window.
    virtual void OpenFile(const std::string& path) = 0;
};

ManageHost* CurrentManageHost();
// Returns the previous host; null removes it.
ManageHost* InstallManageHost(ManageHost* host);

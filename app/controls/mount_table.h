#pragma once

#include <string>
#include <string_view>
#include <vector>

// One mounted file system, as the kernel's mount table lists it.
struct MountEntry {
    std::string source;     // device or remote ("//server/share", "server:/path")
    std::string mountPoint; // absolute, no trailing slash except for "/"
    std::string type;       // file system type
};

// Parses mount table text (one "source mountpoint type options ..." line per mount, with
// octal escapes such as \040 for a blank). Malformed lines are skipped.
std::vector<MountEntry> ParseMountTable(std::string_view text);

// The mount table file read by ReadMountTable: "/proc/self/mounts" unless a test set its own.
void SetMountTablePath(const std::string& path);
std::vector<MountEntry> ReadMountTable();

// The mounted network file systems: cifs, smb3, nfs, nfs4, sshfs.
bool IsNetworkFileSystem(const std::string& type);
// The volumes a user browses: block devices and network file systems; a later mount on the
// same mount point hides the earlier one.
std::vector<MountEntry> BrowsableVolumes(const std::vector<MountEntry>& mounts);
// The server part of a network source: "//host/share" and "user@host:/path" give "host".
std::string NetworkServerOf(const std::string& source);

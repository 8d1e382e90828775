#pragma once

#include <QIcon>
#include <functional>
#include <string>
#include <vector>

// The small icons of files and folders, one process-wide list shared by the file tree and
// the file list. An icon keeps its index for the life of the list.
class SystemImageList {
public:
    // The icon of path (folder icons open or closed); -1 when path does not exist.
    int GetIconIndex(const std::string& path, bool open);
    // The folder icon, without looking at any path.
    int FolderIconIndex(bool open);
    QIcon Icon(int index) const;
    int Count() const { return static_cast<int>(icons_.size()); }

private:
    int IndexOf(const std::string& key, const std::function<QIcon()>& make);
    std::vector<std::string> keys_;
    std::vector<QIcon> icons_;
};
extern SystemImageList theSystemImageList;

// This computer's shared folders. Nothing enumerates them here, so the list is empty unless
// a provider is given; marks of shared items are then simply absent.
class NetworkShares {
public:
    struct Share {
        std::string path;
        int type; // 0 disk, 1 printer queue, others
    };
    void SetProvider(std::function<std::vector<Share>()> provider) {
        provider_ = std::move(provider);
    }
    void Refresh();
    // A disk or printer share whose path equals path; a trailing slash does not count.
    bool IsShared(const std::string& path) const;
    int Count() const { return static_cast<int>(shares_.size()); }

private:
    std::function<std::vector<Share>()> provider_;
    std::vector<Share> shares_;
};
extern NetworkShares theNetworkShares;

// One entry of a folder. Symbolic links count as what they point at; links that resolve to
// nothing (dangling or looping) are left out.
struct FoundEntry {
    std::string name;
    bool isDirectory = false;
    bool hidden = false; // a name starting with "."
};
// False when the folder cannot be read; "." and ".." are never listed.
bool ListFolder(const std::string& folder, std::vector<FoundEntry>& entries);

// File patterns with "*" and "?", ignoring case; "*.*" takes every name, an empty pattern
// none.
bool MatchesPattern(const std::string& name, const std::string& pattern);
// Split at ";"; an empty piece stays a pattern.
std::vector<std::string> SplitPatterns(const std::string& text);
// The files of entries that match any pattern, each once.
std::vector<std::string> FilesMatching(const std::vector<FoundEntry>& entries,
                                       const std::vector<std::string>& patterns,
                                       const std::function<bool(const FoundEntry&)>& include);
// Ignoring case; names equal but for case keep a fixed order.
void SortIgnoringCase(std::vector<std::string>& names);
bool EqualIgnoringCase(const std::string& a, const std::string& b);
// The path with one "/" at its end.
std::string WithSlash(const std::string& path);

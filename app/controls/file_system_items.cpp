#include "app/controls/file_system_items.h"

#include <QApplication>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QStyle>
#include <algorithm>
#include <dirent.h>
#include <fnmatch.h>
#include <memory>
#include <sys/stat.h>

SystemImageList theSystemImageList;
NetworkShares theNetworkShares;

int SystemImageList::IndexOf(const std::string& key, const std::function<QIcon()>& make) {
    auto it = std::find(keys_.begin(), keys_.end(), key);
    if (it != keys_.end())
        return static_cast<int>(it - keys_.begin());
    keys_.push_back(key);
    icons_.push_back(make());
    return static_cast<int>(icons_.size()) - 1;
}

int SystemImageList::GetIconIndex(const std::string& path, bool open) {
    QFileInfo info(QString::fromStdString(path));
    if (!info.exists())
        return -1;
    if (info.isDir())
        return FolderIconIndex(open);
    // One icon per extension: the provider answers by type, and asking it per file would
    // make a large folder slow.
    std::string key = "file." + info.suffix().toLower().toStdString();
    return IndexOf(key, [&] { return QFileIconProvider().icon(info); });
}

int SystemImageList::FolderIconIndex(bool open) {
    if (open)
        return IndexOf("folder-open",
                       [] { return QApplication::style()->standardIcon(QStyle::SP_DirOpenIcon); });
    return IndexOf("folder", [] { return QFileIconProvider().icon(QFileIconProvider::Folder); });
}

QIcon SystemImageList::Icon(int index) const {
    if (index < 0 || index >= Count())
        return {};
    return icons_[index];
}

void NetworkShares::Refresh() {
    shares_.clear();
    if (provider_)
        shares_ = provider_();
}

bool NetworkShares::IsShared(const std::string& path) const {
    std::string p = path;
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    for (const Share& s : shares_) {
        std::string q = s.path;
        while (q.size() > 1 && q.back() == '/')
            q.pop_back();
        if ((s.type == 0 || s.type == 1) && EqualIgnoringCase(p, q))
            return true;
    }
    return false;
}

bool ListFolder(const std::string& folder, std::vector<FoundEntry>& entries) {
    entries.clear();
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.empty() ? "." : folder.c_str()),
                                            closedir);
    if (!dir)
        return false;
    std::string base = WithSlash(folder);
    while (dirent* d = readdir(dir.get())) {
        std::string name = d->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat st;
        if (stat((base + name).c_str(), &st) != 0)
            continue;
        entries.push_back({name, S_ISDIR(st.st_mode), name[0] == '.'});
    }
    return true;
}

bool MatchesPattern(const std::string& name, const std::string& pattern) {
    if (pattern.empty())
        return false;
    if (pattern == "*.*" || pattern == "*")
        return true;
    return fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD | FNM_NOESCAPE) == 0;
}

std::vector<std::string> SplitPatterns(const std::string& text) {
    std::vector<std::string> patterns;
    size_t start = 0;
    for (;;) {
        size_t semi = text.find(';', start);
        patterns.push_back(text.substr(start, semi == std::string::npos ? semi : semi - start));
        if (semi == std::string::npos)
            break;
        start = semi + 1;
    }
    return patterns;
}

std::vector<std::string> FilesMatching(const std::vector<FoundEntry>& entries,
                                       const std::vector<std::string>& patterns,
                                       const std::function<bool(const FoundEntry&)>& include) {
    std::vector<std::string> files;
    for (const FoundEntry& e : entries) {
        if (e.isDirectory || !include(e))
            continue;
        if (std::any_of(patterns.begin(), patterns.end(),
                        [&](const std::string& p) { return MatchesPattern(e.name, p); }))
            files.push_back(e.name);
    }
    return files;
}

void SortIgnoringCase(std::vector<std::string>& names) {
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        int c = QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}

std::string WithSlash(const std::string& path) {
    if (!path.empty() && path.back() == '/')
        return path;
    return path + "/";
}

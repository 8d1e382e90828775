#include "app/controls/mount_table.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

std::string& MountTablePath() {
    static std::string path = "/proc/self/mounts";
    return path;
}

std::string Unescape(std::string_view field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            auto octal = [](char c) { return c >= '0' && c <= '7'; };
            if (octal(field[i + 1]) && octal(field[i + 2]) && octal(field[i + 3])) {
                out += static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) |
                                         (field[i + 3] - '0'));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

} // namespace

std::vector<MountEntry> ParseMountTable(std::string_view text) {
    std::vector<MountEntry> mounts;
    std::istringstream lines{std::string(text)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string source, point, type;
        if (!(fields >> source >> point >> type))
            continue;
        MountEntry e{Unescape(source), Unescape(point), Unescape(type)};
        if (e.mountPoint.empty() || e.mountPoint[0] != '/')
            continue;
        while (e.mountPoint.size() > 1 && e.mountPoint.back() == '/')
            e.mountPoint.pop_back();
        mounts.push_back(std::move(e));
    }
    return mounts;
}

void SetMountTablePath(const std::string& path) {
    MountTablePath() = path;
}

std::vector<MountEntry> ReadMountTable() {
    std::ifstream in(MountTablePath());
    std::ostringstream text;
    text << in.rdbuf();
    return ParseMountTable(text.str());
}

bool IsNetworkFileSystem(const std::string& type) {
    return type == "cifs" || type == "smb3" || type == "nfs" || type == "nfs4" ||
           type == "fuse.sshfs" || type == "sshfs";
}

std::vector<MountEntry> BrowsableVolumes(const std::vector<MountEntry>& mounts) {
    std::vector<MountEntry> volumes;
    for (const MountEntry& m : mounts) {
        bool wanted =
            m.mountPoint == "/" || m.source.rfind("/dev/", 0) == 0 || IsNetworkFileSystem(m.type);
        auto same = std::find_if(volumes.begin(), volumes.end(),
                                 [&](const MountEntry& v) { return v.mountPoint == m.mountPoint; });
        if (same != volumes.end())
            volumes.erase(same);
        if (wanted)
            volumes.push_back(m);
    }
    // "/" first, the others in the order of their mount points.
    std::stable_sort(volumes.begin(), volumes.end(), [](const MountEntry& a, const MountEntry& b) {
        return a.mountPoint < b.mountPoint;
    });
    return volumes;
}

std::string NetworkServerOf(const std::string& source) {
    std::string s = source;
    if (s.rfind("//", 0) == 0) {
        s = s.substr(2);
        return s.substr(0, s.find('/'));
    }
    size_t colon = s.find(':');
    if (colon != std::string::npos)
        s = s.substr(0, colon);
    size_t at = s.rfind('@');
    if (at != std::string::npos)
        s = s.substr(at + 1);
    return s;
}

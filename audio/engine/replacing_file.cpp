#include "audio/engine/replacing_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <random>

namespace {

constexpr int kBufferSize = 65536;
constexpr int kNameAttempts = 100;

// The file a path finally names: saving over a symbolic link replaces the file it points to,
// not the link.
std::string ResolvedTarget(const std::string& path) {
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved) != nullptr) {
        return resolved;
    }
    return path;
}

} // namespace

ReplacingFile::~ReplacingFile() {
    Discard();
}

bool ReplacingFile::Open(const std::string& path) {
    Discard();
    if (path.empty()) {
        return false;
    }
    target = ResolvedTarget(path);
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);

    struct stat existing {};
    const bool replacing = stat(target.c_str(), &existing) == 0;
    if (replacing && !S_ISREG(existing.st_mode)) {
        return false;
    }
    std::random_device seed;
    std::mt19937 random(seed());
    int fd = -1;
    for (int attempt = 0; attempt < kNameAttempts && fd < 0; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(random()));
        temporary = folder + "." + name + "." + suffix + ".tmp";
        // Created new, so no other file is ever written through this name; the mode is the
        // usual one for a new file, or the replaced file's own.
        fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            break;
        }
    }
    if (fd < 0) {
        temporary.clear();
        return false;
    }
    if (replacing) {
        fchmod(fd, existing.st_mode & 07777);
    }
    buffer = std::make_unique<__gnu_cxx::stdio_filebuf<char>>(
        fd, std::ios_base::out | std::ios_base::binary, kBufferSize);
    stream.rdbuf(buffer.get());
    stream.clear();
    return true;
}

bool ReplacingFile::Commit() {
    if (buffer == nullptr) {
        return false;
    }
    stream.flush();
    bool ok = stream.good() && fsync(buffer->fd()) == 0;
    stream.rdbuf(nullptr);
    ok = buffer->close() != nullptr && ok;
    buffer.reset();
    if (ok && std::rename(temporary.c_str(), target.c_str()) == 0) {
        temporary.clear();
        return true;
    }
    Discard();
    return false;
}

void ReplacingFile::Discard() {
    if (buffer != nullptr) {
        stream.rdbuf(nullptr);
        buffer->close();
        buffer.reset();
    }
    if (!temporary.empty()) {
        unlink(temporary.c_str());
        temporary.clear();
    }
}

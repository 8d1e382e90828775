#include "collection/remote/download_temp_name.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

std::string DownloadTempFileName(int format) {
    static const char* const kExtensions[] = {".wav", ".au", ".aiff", ".mp3"};
    const std::string extension = format >= 1 && format <= 4 ? kExtensions[format - 1] : "";
    std::error_code ec;
    std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
    if (ec)
        folder = "/tmp";
    std::string pattern = (folder / "vr_XXXXXX").string() + extension;
    const int fd = mkstemps(pattern.data(), static_cast<int>(extension.size()));
    if (fd < 0)
        return {};
    close(fd);
    return pattern;
}

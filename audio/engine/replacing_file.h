#pragma once

#include <ext/stdio_filebuf.h>

#include <memory>
#include <ostream>
#include <string>

// An output file that takes the place of its target only once it is complete. The bytes go
// to a temporary file beside the target, which Commit renames over it; a file that is never
// committed is removed. A failed save therefore leaves the target as it was, and a sound can
// be saved over the very file it is still being read from.
class ReplacingFile {
public:
    ReplacingFile() = default;
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;
    ~ReplacingFile();

    // Creates the temporary file for the target path; false when it cannot be created.
    bool Open(const std::string& path);
    // Binary output to the temporary file.
    std::ostream& Stream() { return stream; }
    // Writes everything out and renames the temporary file over the target; false (and the
    // temporary file removed) when any write failed.
    bool Commit();
    // Removes the temporary file; the target stays as it was.
    void Discard();

    const std::string& TargetPath() const { return target; }
    const std::string& TemporaryPath() const { return temporary; }

private:
    std::string target;
    std::string temporary;
    std::unique_ptr<__gnu_cxx::stdio_filebuf<char>> buffer;
    std::ostream stream{nullptr};
};

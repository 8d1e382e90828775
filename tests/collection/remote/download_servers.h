#pragma once
// One folder of files served by a loopback HTTP server and a loopback anonymous FTP server,
// shared by the download tests of a process.

#include <string>
#include <vector>

#include "python_server.h"

struct DownloadServers {
    std::string folder;
    // sound.wav: 20,000 bytes; big.wav: 200,000 bytes; page.html: an HTML page.
    std::vector<unsigned char> sound;
    std::vector<unsigned char> big;
    PythonServer* http = nullptr;
    PythonServer* ftp = nullptr;

    std::string HttpUrl(const std::string& path) const;
    std::string FtpUrl(const std::string& path) const;

    // Started on first use; stopped when the process ends.
    static DownloadServers& Get();
};

std::vector<unsigned char> ReadWholeFile(const std::string& path);
bool FileExists(const std::string& path);

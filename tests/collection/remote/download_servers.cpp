#include "download_servers.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

namespace {

std::vector<unsigned char> Pattern(std::size_t size, unsigned seed) {
    std::vector<unsigned char> bytes(size);
    unsigned x = seed;
    for (auto& b : bytes) {
        x = x * 1103515245u + 12345u;
        b = static_cast<unsigned char>(x >> 16);
    }
    return bytes;
}

void Write(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

struct Holder {
    DownloadServers servers;
    std::unique_ptr<PythonServer> http;
    std::unique_ptr<PythonServer> ftp;

    Holder() {
        char pattern[] = "/tmp/tambrel-download-test.XXXXXX";
        servers.folder = mkdtemp(pattern);
        servers.sound = Pattern(20000, 1);
        servers.big = Pattern(200000, 2);
        Write(servers.folder + "/sound.wav", servers.sound);
        Write(servers.folder + "/big.wav", servers.big);
        std::ofstream(servers.folder + "/page.html") << "<html><body>Not here</body></html>\n";
        http = std::make_unique<PythonServer>("http_server.py", servers.folder);
        ftp = std::make_unique<PythonServer>("ftp_server.py", servers.folder);
        servers.http = http.get();
        servers.ftp = ftp.get();
    }

    ~Holder() {
        http.reset();
        ftp.reset();
        std::error_code ec;
        std::filesystem::remove_all(servers.folder, ec);
    }
};

} // namespace

std::string DownloadServers::HttpUrl(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(http->Port()) + "/" + path;
}

std::string DownloadServers::FtpUrl(const std::string& path) const {
    return "ftp://127.0.0.1:" + std::to_string(ftp->Port()) + "/" + path;
}

DownloadServers& DownloadServers::Get() {
    static Holder holder;
    return holder.servers;
}

std::vector<unsigned char> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in),
                                      std::istreambuf_iterator<char>());
}

bool FileExists(const std::string& path) {
    return std::filesystem::exists(path);
}

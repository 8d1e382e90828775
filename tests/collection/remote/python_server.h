#pragma once
// A test server written in Python, run by Debian's own interpreter (which has pyftpdlib),
// on a free loopback port that it prints as its first line.

#include <string>
#include <sys/types.h>

class PythonServer {
public:
    // Runs the script of this folder with the argument; waits at most 10 s for the port.
    PythonServer(const std::string& script, const std::string& argument);
    ~PythonServer();
    PythonServer(const PythonServer&) = delete;
    PythonServer& operator=(const PythonServer&) = delete;

    // 0 when the server did not come up.
    int Port() const { return port_; }
    bool Alive() const;

private:
    pid_t pid_ = -1;
    int stdin_ = -1; // closed when the test ends, which ends the server
    int port_ = 0;
};

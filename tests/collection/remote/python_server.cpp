#include "python_server.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fcntl.h>

extern char** environ;

PythonServer::PythonServer(const std::string& script, const std::string& argument) {
    int out[2];
    int in[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return;
    if (pipe2(in, O_CLOEXEC) != 0) {
        close(out[0]);
        close(out[1]);
        return;
    }
    const std::string path = TAMBREL_SOURCE_DIR "/tests/collection/remote/" + script;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    // Nothing of the test's own (ctest's output pipes above all) may outlive the test here.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    char* argv[] = {const_cast<char*>("/usr/bin/python3"), const_cast<char*>(path.c_str()),
                    const_cast<char*>(argument.c_str()), nullptr};
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv, environ) != 0)
        pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(in[0]);
    stdin_ = in[1];
    std::string line;
    pollfd p{out[0], POLLIN, 0};
    while (pid_ > 0 && line.find('\n') == std::string::npos && poll(&p, 1, 10000) > 0) {
        char buffer[64];
        const ssize_t n = read(out[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        line.append(buffer, static_cast<std::size_t>(n));
    }
    close(out[0]);
    port_ = std::atoi(line.c_str());
}

PythonServer::~PythonServer() {
    if (stdin_ >= 0)
        close(stdin_);
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
}

bool PythonServer::Alive() const {
    return pid_ > 0 && port_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0;
}

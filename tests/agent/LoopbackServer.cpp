#include "tests/agent/LoopbackServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <stdexcept>

#include "tests/support/TestSupport.h"

extern char** environ;

namespace agenttest {

LoopbackServer::LoopbackServer(const std::string& docroot, const std::string& logFile) : logFile_(logFile) {
    ClearLog();
    const std::string python = testsupport::SystemPython();
    const std::string script = testsupport::SourceDir() + "/tests/agent/http_server.py";
    std::vector<std::string> args{python, script, docroot, logFile_};
    std::vector<char*> argp;
    for (auto& arg : args) argp.push_back(arg.data());
    argp.push_back(nullptr);

    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const int spawned = posix_spawn(&pid_, argp[0], &actions, nullptr, argp.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        close(out[0]);
        pid_ = -1;
        throw std::runtime_error("cannot start " + python);
    }
    std::string line;
    for (;;) {
        pollfd fd{out[0], POLLIN, 0};
        if (poll(&fd, 1, 10000) <= 0) break;
        char c = 0;
        if (read(out[0], &c, 1) != 1 || c == '\n') break;
        line += c;
    }
    close(out[0]);
    port_ = line.empty() ? 0 : std::stoi(line);
    if (port_ <= 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
        throw std::runtime_error("the test server did not tell its port");
    }
}

LoopbackServer::~LoopbackServer() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

std::string LoopbackServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/" + path;
}

std::vector<std::string> LoopbackServer::Log() const {
    std::vector<std::string> lines;
    std::ifstream in(logFile_);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<Request> LoopbackServer::Requests() const {
    std::vector<Request> requests;
    std::ifstream in(logFile_ + ".headers");
    bool inRequest = false;
    for (std::string line; std::getline(in, line);) {
        if (line.empty()) {
            inRequest = false;
        } else if (!inRequest) {
            requests.push_back(Request{line, {}});
            inRequest = true;
        } else if (const std::size_t colon = line.find(": "); colon != std::string::npos) {
            requests.back().headers[line.substr(0, colon)] = line.substr(colon + 2);
        }
    }
    return requests;
}

void LoopbackServer::ClearLog() const {
    testsupport::WriteFile(logFile_, "");
    testsupport::WriteFile(logFile_ + ".headers", "");
}

}  // namespace agenttest

#pragma once
// The agent tests' HTTP server (http_server.py) as a child process on a free port of 127.0.0.1,
// serving a scratch folder and logging every request it answers.

#include <sys/types.h>
#include <map>
#include <string>
#include <vector>

namespace agenttest {

struct Request {
    std::string line;                            // "METHOD /path"
    std::map<std::string, std::string> headers;  // names in lower case
};

class LoopbackServer {
public:
    // Starts the server on docroot; requests are logged to logFile. Throws when it does not start.
    LoopbackServer(const std::string& docroot, const std::string& logFile);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    int port() const { return port_; }
    // "http://127.0.0.1:<port>/" followed by path.
    std::string Url(const std::string& path = "") const;
    // The requests served so far, one "METHOD /path" a line.
    std::vector<std::string> Log() const;
    // The same requests with their headers.
    std::vector<Request> Requests() const;
    void ClearLog() const;

private:
    std::string logFile_;
    pid_t pid_ = -1;
    int port_ = 0;
};

}  // namespace agenttest

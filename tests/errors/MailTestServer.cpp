#include "tests/errors/MailTestServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace mailtest {

namespace {

using testsupport::FileExists;
using testsupport::ReadFile;

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

int BoundSocket(int& port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("cannot bind a socket on 127.0.0.1");
    port = ntohs(address.sin_port);
    return fd;
}

}  // namespace

SmtpsServer::SmtpsServer(ServerOptions options) {
    const std::string name = options.certificateName;
    const std::string altNames = name == "localhost" ? "DNS:localhost,IP:127.0.0.1" : "DNS:" + name;
    const auto cert = testsupport::RunProcess({"/usr/bin/openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                                               "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2", "-subj",
                                               "/CN=" + name, "-addext", "subjectAltName=" + altNames, "-keyout",
                                               scratch_ / "key.pem", "-out", caFile()});
    if (cert.exitCode != 0) throw std::runtime_error("openssl failed: " + cert.err);

    std::filesystem::create_directories(scratch_ / "out");
    std::vector<std::string> args{testsupport::SystemPython(),
                                  testsupport::SourceDir() + "/tests/errors/smtps_server.py",
                                  "--cert",
                                  caFile(),
                                  "--key",
                                  scratch_ / "key.pem",
                                  "--out",
                                  scratch_ / "out",
                                  "--users",
                                  options.users};
    if (!options.refuseRecipient.empty()) args.insert(args.end(), {"--refuse-rcpt", options.refuseRecipient});
    if (options.dropAfterData) args.push_back("--drop-after-data");
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string log = scratch_ / "server.log";
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    const int spawned = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) throw std::runtime_error("cannot start the SMTPS server");

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    const std::string portFile = scratch_ / "out/port";
    while (std::chrono::steady_clock::now() < deadline) {
        if (FileExists(portFile)) {
            port_ = std::stoi(ReadFile(portFile));
            return;
        }
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    throw std::runtime_error("the SMTPS server did not start: " + ReadFile(log));
}

SmtpsServer::~SmtpsServer() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    for (int i = 0; i < 250; ++i) {
        if (waitpid(pid_, &status, WNOHANG) == pid_) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, &status, 0);
}

std::vector<ReceivedMail> SmtpsServer::Received() const {
    std::vector<ReceivedMail> mails;
    for (int n = 1;; ++n) {
        char base[16];
        std::snprintf(base, sizeof base, "out/%03d", n);
        const std::string env = scratch_ / (std::string(base) + ".env");
        if (!FileExists(env)) break;
        ReceivedMail mail;
        for (const std::string& line : SplitLines(ReadFile(env))) {
            const auto blank = line.find(' ');
            const std::string key = line.substr(0, blank);
            const std::string value = blank == std::string::npos ? "" : line.substr(blank + 1);
            if (key == "user") mail.user = value;
            else if (key == "from") mail.from = value;
            else if (key == "to") mail.recipients.push_back(value);
        }
        mail.data = ReadFile(scratch_ / (std::string(base) + ".eml"));
        mails.push_back(std::move(mail));
    }
    return mails;
}

int SmtpsServer::Connections() const {
    return static_cast<int>(SplitLines(ReadFile(scratch_ / "out/connections")).size());
}

std::vector<std::string> SmtpsServer::RecipientsOffered() const { return SplitLines(ReadFile(scratch_ / "out/rcpts")); }

int ClosedPort() {
    int port = 0;
    close(BoundSocket(port));
    return port;
}

SilentListener::SilentListener() {
    fd_ = BoundSocket(port_);
    if (listen(fd_, 8) != 0) throw std::runtime_error("listen failed");
}

SilentListener::~SilentListener() {
    if (fd_ >= 0) close(fd_);
}

std::string ParsedMail::Header(const std::string& name) const {
    for (const auto& [key, value] : headers) {
        if (std::equal(key.begin(), key.end(), name.begin(), name.end(),
                       [](char a, char b) { return std::tolower(a) == std::tolower(b); }))
            return value;
    }
    return {};
}

ParsedMail ParseMail(const std::string& data) {
    ParsedMail mail;
    const auto end = data.find("\r\n\r\n");
    const std::string head = data.substr(0, end);
    mail.body = end == std::string::npos ? "" : data.substr(end + 4);
    std::size_t pos = 0;
    while (pos < head.size()) {
        auto next = head.find("\r\n", pos);
        if (next == std::string::npos) next = head.size();
        const std::string line = head.substr(pos, next - pos);
        pos = next + 2;
        if (!line.empty() && (line[0] == ' ' || line[0] == '\t') && !mail.headers.empty()) {
            mail.headers.back().second += line;  // folded: the line break goes, the blank stays
            continue;
        }
        const auto colon = line.find(':');
        std::string value = colon == std::string::npos ? "" : line.substr(colon + 1);
        if (!value.empty() && value[0] == ' ') value.erase(0, 1);
        mail.headers.emplace_back(line.substr(0, colon), value);
    }
    return mail;
}

std::string DecodeQuotedPrintable(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '=') {
            out += text[i];
            continue;
        }
        if (text.compare(i + 1, 2, "\r\n") == 0) {
            i += 2;
            continue;
        }
        out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
        i += 2;
    }
    return out;
}

}  // namespace mailtest

#include "agent/AgentFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <future>
#include <random>
#include <system_error>

#include "agent/Download.h"
#include "foundation/core/SystemFolders.h"
#include "platform/FileSystem.h"

namespace pellmark {

namespace {

constexpr std::size_t kRandomLength = 6;
// The largest body a download has by default, and its CR LF.
const std::size_t kFirstLineFileLimit = Limits{}.maxBodyBytes + 2;

bool HasControlCharacter(std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) return true;
    }
    return false;
}

std::string RandomCharacters() {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static std::mt19937 generator{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kAlphabet - 2);
    std::string text(kRandomLength, ' ');
    for (char& c : text) c = kAlphabet[pick(generator)];
    return text;
}

}  // namespace

std::string GetSpecialFolder(int index) {
    // The program's own lookup reads the registry folders anew at every call; only its TEMP
    // cache and its answer above index 9 differ from the agent's.
    if (index == 1) return kestrune::TempDirFromEnvironment();
    if (index < 0 || index > 9) return {};
    return kestrune::GetSpecialFolder(index);
}

bool CreateEmptyFlag(const std::string& path) {
    const std::string native = platform::NativePath(path);
    for (int attempt = 0; attempt < 3; ++attempt) {
        unlink(native.c_str());
        // O_EXCL never follows a link: a name planted between the unlink and here fails with EEXIST.
        const int fd = open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) return close(fd) == 0;
        if (errno != EEXIST) return false;
    }
    return false;
}

ResultFile::ResultFile(const std::string& path, std::string_view filePrefix, Temporary kind)
    : file_(path, kind, [tag = TemporaryTag(filePrefix)] { return tag + RandomCharacters(); }) {}

ResultFile::~ResultFile() { Discard(); }

bool ResultFile::Open() {
    Discard();
    completed_ = false;
    bytes_ = 0;
    file_.SetFlushAtCommit(true);
    return static_cast<bool>(file_.Open());
}

bool ResultFile::Append(std::string_view bytes) {
    if (file_.descriptor() < 0 || completed_ || !file_.Append(bytes)) return false;
    bytes_ += bytes.size();
    return true;
}

bool ResultFile::Complete() {
    if (completed_) return file_.descriptor() >= 0;
    if (!Append("\r\n")) {
        Discard();
        return false;
    }
    completed_ = true;
    if (bytes_ <= kUnflushedResultBytes) {
        file_.SetFlushAtCommit(false);
        return true;
    }
    // The data goes to disk while the agent goes on with its next download; Commit waits for it.
    const int fd = file_.descriptor();
    try {
        flush_ = std::async(std::launch::async, [fd] { return fdatasync(fd) == 0; });
    } catch (const std::system_error&) {
        // No thread to spare: the flush is made here.
        std::promise<bool> flushed;
        flushed.set_value(fdatasync(fd) == 0);
        flush_ = flushed.get_future();
    }
    return true;
}

bool ResultFile::Commit() {
    if (file_.descriptor() < 0 || !Complete()) return false;
    // A small result has no flush: the commit flushes nothing either.
    const bool flushing = flush_.valid();
    if (flushing && !flush_.get()) {
        Discard();
        return false;
    }
    return static_cast<bool>(file_.Commit(flushing));
}

void ResultFile::Discard() {
    if (flush_.valid()) flush_.wait();  // the file stays open until its flush has ended
    flush_ = {};
    file_.Discard();
}

bool WriteResultFile(const std::string& path, std::string_view filePrefix, std::string_view body) {
    ResultFile file(path, filePrefix);
    return file.Open() && file.Append(body) && file.Commit();
}

std::string TemporaryTag(std::string_view filePrefix) {
    // FNV-1a: a short, stable tag; two prefixes that share one only share their cleaning.
    std::uint32_t hash = 2166136261u;
    for (const char c : filePrefix) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619u;
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string tag = ".pm";
    for (int shift = 28; shift >= 0; shift -= 4) tag += kHex[(hash >> shift) & 0xF];
    return tag + ".";
}

void RemoveStaleTemporaries(const std::string& folder, std::string_view filePrefix, std::time_t maxAgeSeconds) {
    const std::string native = platform::NativePath(folder);
    const std::string base = native.empty() || native.back() == '/' ? native : native + "/";
    const std::string tag = TemporaryTag(filePrefix);
    const std::time_t oldest = std::time(nullptr) - maxAgeSeconds;
    for (const std::string& name : platform::ListDirectory(native)) {
        if (name.size() != tag.size() + kRandomLength || name.compare(0, tag.size(), tag) != 0) continue;
        const std::string path = base + name;
        struct stat st {};
        if (lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_mtime < oldest) unlink(path.c_str());
    }
}

void DeleteQuietly(const std::string& path) { platform::RemoveFile(path); }

std::string FirstLine(std::string_view text) { return std::string(text.substr(0, text.find_first_of("\r\n"))); }

std::string FirstLineOfFile(const std::string& path) {
    // Read as any file another program may have replaced: a pipe or a device in its place gives
    // nothing, and no more is read than the largest body the agent writes.
    const platform::RegularFileRead read = platform::ReadRegularFile(path, kFirstLineFileLimit);
    return read.status == platform::RegularFileRead::Status::Read ? FirstLine(read.bytes) : std::string();
}

bool IsSafeFilePrefix(std::string_view prefix) {
    return prefix.find_first_of("/\\") == std::string_view::npos && prefix.find("..") == std::string_view::npos &&
           !HasControlCharacter(prefix);
}

bool IsSafeProductFolder(std::string_view folder) {
    if (HasControlCharacter(folder)) return false;
    while (!folder.empty()) {
        const std::size_t separator = folder.find_first_of("/\\");
        const std::string_view name = folder.substr(0, separator);
        if (name == "." || name == "..") return false;
        folder = separator == std::string_view::npos ? std::string_view() : folder.substr(separator + 1);
    }
    return true;
}

}  // namespace pellmark

#include "foundation/core/FolderTree.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "foundation/core/Guard.h"
#include "foundation/core/Printable.h"
#include "foundation/core/Product.h"
#include "foundation/core/ProgramValues.h"
#include "platform/FileSystem.h"
#include "platform/FolderWalks.h"

namespace kestrune {

bool FolderRemovalFailed = false;

namespace {

FolderTreeEventHook eventHook = nullptr;

const ProgramValues folderTreeValues([] { FolderRemovalFailed = false; });

// The largest file that is copied: far beyond anything the program keeps in its folders.
constexpr std::size_t kCopyFileLimit = 64u * 1024u * 1024u;

std::string BaseName(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The shell's rule: a target that is an existing folder receives the source inside it.
// A folder is never copied into itself: the copy would go on until the path grew too long.
bool CopyInto(const std::string& source, const std::string& target, bool failIfExists) {
    const std::string from = platform::NativePath(source);
    std::string to = platform::NativePath(target);
    if (platform::IsDirectory(to)) to += "/" + BaseName(from);
    if (platform::IsDirectory(from)) {
        const std::string toParent = to.substr(0, to.find_last_of('/') == std::string::npos ? 0 : to.find_last_of('/'));
        char fromReal[PATH_MAX], parentReal[PATH_MAX];
        if (realpath(from.c_str(), fromReal) && realpath(toParent.empty() ? "." : toParent.c_str(), parentReal)) {
            const std::string inside = std::string(parentReal) + "/";
            if (inside.rfind(std::string(fromReal) + "/", 0) == 0) return false;
        }
    }
    return platform::CopyTreeEntry(from, to, failIfExists, kCopyFileLimit);
}

// Collapses "//" and "/./" and drops trailing separators; empty for a path that must not be
// deleted (empty, relative, with "..", or the root).
std::string DeletablePath(const std::string& folder) {
    const std::string native = platform::NativePath(folder);
    if (native.empty() || native.front() != '/') return {};
    std::string clean;
    std::size_t pos = 0;
    while (pos < native.size()) {
        const std::size_t next = std::min(native.find('/', pos), native.size());
        const std::string part = native.substr(pos, next - pos);
        pos = next + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") return {};
        clean += "/" + part;
    }
    return clean;
}

void ProcessPendingEvents() {
    if (eventHook) eventHook();
}

}  // namespace

FolderTreeEventHook SetFolderTreeEventHook(FolderTreeEventHook hook) {
    const FolderTreeEventHook previous = eventHook;
    eventHook = hook;
    return previous;
}

std::string WithTrailingSeparator(const std::string& folder) {
    if (folder.empty()) return folder;
    std::string result = folder;
    if (result.back() != '\\') result += '\\';
    auto separator = [](char c) { return c == '\\' || c == '/'; };
    if (result.size() >= 2 && separator(result[result.size() - 1]) && separator(result[result.size() - 2]))
        result.pop_back();
    return result;
}

bool CopyFileTo(const std::string& source, const std::string& destFolder, const std::string& fileName,
                bool failIfExists) {
    bool copied = false;
    Guard("UP.008-01", [&] {
        const std::string folder = WithTrailingSeparator(destFolder);
        if (!platform::CreateDirectories(folder)) throw std::runtime_error("cannot create the folder " + folder);
        const std::string target = folder + fileName;
        copied = CopyInto(source, target, failIfExists);
    });
    return copied;
}

bool ShellCopy(const std::string& source, const std::string& target) {
    bool copied = false;
    Guard("UP.008-02", [&] { copied = CopyInto(source, target, false); });
    return copied;
}

bool CopyDirectory(const std::string& fromFolder, const std::string& toFolder, bool failIfExists) {
    bool complete = false;
    Guard("UP.008-03", [&] {
        std::string to = WithTrailingSeparator(toFolder);
        if (!to.empty() && to.back() != '\\' && to.back() != '/') to += '\\';
        if (!platform::CreateDirectories(to)) throw std::runtime_error("cannot create the folder " + to);
        if (!platform::IsDirectory(fromFolder)) return;
        complete = true;
        for (const std::string& name : platform::ListDirectory(fromFolder)) {
            if (platform::IsWriteTemporaryName(name)) continue;  // as in platform::CopyTreeEntry
            const std::string entry = fromFolder + "\\" + name;
            const bool ok = platform::IsDirectory(entry) ? CopyFileTo(entry, to, "", failIfExists)
                                                         : CopyFileTo(entry, to, name, failIfExists);
            complete = ok && complete;
        }
    });
    return complete;
}

bool DeleteDirectory(const std::string& folder) {
    bool removed = false;
    Guard("UP.008-04", [&] {
        const std::string path = DeletablePath(folder);
        if (path.empty()) throw std::invalid_argument("refused to delete the folder \"" + folder + "\"");
        const platform::TreeRemoval failures = platform::RemoveTree(path, ProcessPendingEvents);
        if (failures.count == 0) {
            removed = true;
            return;
        }
        FolderRemovalFailed = true;
        std::string text = std::string(kProductName) + ": the folder \"" + Printable(path) +
                           "\" could not be removed: " + std::to_string(failures.count) + " entries stayed";
        for (const std::string& named : failures.named) text += "\n  " + Printable(named);
        if (failures.count > platform::kNamedRemovalFailures) text += "\n  ...";
        std::fprintf(stderr, "%s\n", text.c_str());
        throw std::runtime_error(text);
    });
    return removed;
}

}  // namespace kestrune

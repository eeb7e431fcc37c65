#include "errors/LogRead.h"

#include "platform/FileSystem.h"

namespace kestrune {

LogRead ReadLogFile(const std::string& path, std::size_t maxBytes, bool followLinks) {
    using Status = platform::RegularFileRead::Status;
    platform::RegularFileRead read =
        platform::ReadRegularFile(path, maxBytes, followLinks ? platform::Links::Follow : platform::Links::Refuse);
    LogRead result;
    switch (read.status) {
        case Status::Missing: result.status = LogRead::Status::Missing; break;
        case Status::Folder:
        case Status::NotAFile: result.status = LogRead::Status::NotAFile; break;
        case Status::Unreadable: result.status = LogRead::Status::Unreadable; break;
        case Status::Read: result.status = LogRead::Status::Read; break;
    }
    result.complete = read.complete;
    result.bytes = std::move(read.bytes);
    return result;
}

std::string WholeLinesOf(std::string text) {
    const std::size_t end = text.find_last_of("\r\n");
    if (end != std::string::npos) text.resize(end + 1);
    return text;
}

}  // namespace kestrune

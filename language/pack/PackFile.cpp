#include "language/pack/PackFile.h"

#include <cstring>

#include "language/pack/LanguagePack.h"
#include "platform/FileSystem.h"

namespace kestrune::langpack {

PackFile ReadPackFile(std::string_view path, std::string_view language) {
    using Status = platform::RegularFileRead::Status;
    PackFile pack;
    const platform::RegularFileRead read = platform::ReadRegularFile(path, kPackFileLimit);
    const std::string name(path);
    switch (read.status) {
        case Status::Missing:
        case Status::Folder: return pack;
        case Status::NotAFile:
            pack.status = PackFile::Status::Refused;
            pack.problem = "not a plain file: " + name;
            return pack;
        case Status::Unreadable:
            pack.status = PackFile::Status::Refused;
            pack.problem = "cannot read " + name + ": " + std::strerror(read.error);
            return pack;
        case Status::Read: break;
    }
    if (!read.complete) {
        pack.status = PackFile::Status::Refused;
        pack.problem = "larger than " + std::to_string(kPackFileLimit / (1024 * 1024)) + " MiB: " + name;
        return pack;
    }
    pack.status = PackFile::Status::Read;
    pack.lines = SplitLines(DecodePackText(read.bytes, LegacyCodePageOf(language)));
    return pack;
}

}  // namespace kestrune::langpack

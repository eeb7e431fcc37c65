#include "foundation/CounterFiles.h"

#include <charconv>
#include <optional>
#include <stdexcept>
#include <utility>

#include "foundation/URegInA.h"
#include "foundation/core/Guard.h"
#include "platform/AsciiText.h"
#include "platform/FileSystem.h"

namespace kestrune {
namespace {

constexpr const char* kHeaderAdd = "THIS IS SYSTEM FILE, DO NOT EDIT AND DO NOT DELETE IT!";
constexpr const char* kHeaderMove = "THIS IS A SYSTEM FILE, DO NOT EDIT AND DO NOT DELETE IT!";
constexpr std::size_t kCounterFileLimit = 4096;  // a header and a number

CounterDumpSink& DumpSink() {
    static CounterDumpSink sink;
    return sink;
}

// Line 2 of a counter file into text ("0" when the file cannot be read); its number when it is one.
std::optional<std::int64_t> ReadCounter(const std::string& path, std::string& text) {
    const auto bytes = platform::ReadRegularFileLimited(path, kCounterFileLimit);
    text = "0";
    if (bytes) {
        std::size_t start = 0;
        int line = 0;
        text.clear();
        for (std::size_t i = 0; i <= bytes->size(); ++i) {
            const bool end = i == bytes->size() || (*bytes)[i] == '\r' || (*bytes)[i] == '\n';
            if (!end) continue;
            if (line == 1) {
                text = bytes->substr(start, i - start);
                break;
            }
            ++line;
            if (i + 1 < bytes->size() && (*bytes)[i] == '\r' && (*bytes)[i + 1] == '\n') ++i;
            start = i + 1;
        }
    }
    const std::string_view digits = platform::AsciiTrimmed(text, platform::kLineBlanks);
    if (digits.empty()) return std::nullopt;
    const char* begin = digits.data();
    const char* stop = digits.data() + digits.size();
    if (*begin == '+') ++begin;
    std::int64_t number = 0;
    const auto [ptr, error] = std::from_chars(begin, stop, number);
    if (error != std::errc() || ptr != stop) return std::nullopt;
    return number;
}

void WriteCounter(const std::string& path, const char* header, std::int64_t value) {
    // A failure to write is ignored: the old count stays.
    [[maybe_unused]] const platform::IoResult ignored =
        platform::WriteFileAtomic(path, std::string(header) + "\r\n" + std::to_string(value) + "\r\n");
}

// Adds without overflowing: a counter at its limit stays there.
std::int64_t SaturatingAdd(std::int64_t a, std::int64_t b) {
    std::int64_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) return b > 0 ? INT64_MAX : INT64_MIN;
    return sum;
}

}  // namespace

CounterDumpSink SetCounterDumpSink(CounterDumpSink sink) { return std::exchange(DumpSink(), std::move(sink)); }

void UpdateCounterFile(const std::string& name, const std::string& text, bool deleteTmp, std::int64_t value, int mode) {
    std::string code = "URG.002-01";
    auto step = [&](const char* number) { code = std::string("URG.002-") + number; };
    std::string lastText = text;
    // Steps 05, 09, 12 and 15 have no work of their own: the step that follows each covers it.
    Guard(code, [&] {
        try {
            if (mode == 0) {
                step("01");
                const std::string folder = GetProgramPath(3, "");
                if (!platform::CreateDirectories(folder))
                    throw std::runtime_error("cannot create the folder " + folder);
                const std::string file = folder + "\\" + name + ".ini";
                step("02");
                if (platform::FileAgeReadable(file)) {
                    step("03");
                    const auto stored = ReadCounter(file, lastText);
                    step("04");
                    if (stored) value = SaturatingAdd(value, *stored);
                }
                step("06");
                WriteCounter(file, kHeaderAdd, value);
                if (deleteTmp) {
                    step("07");
                    const std::string tmp = folder + "\\TmpCnt.ini";
                    if (platform::FileAgeReadable(tmp)) platform::RemoveFile(tmp);
                }
            } else if (mode == 1) {
                step("08");
                const std::string folder = GetProgramPath(3, "");
                const std::string tmp = folder + "\\TmpCnt.ini";
                if (!platform::FileAgeReadable(tmp)) return;
                step("10");
                const auto moved = ReadCounter(tmp, lastText);
                step("11");
                if (moved) value = *moved;
                platform::RemoveFile(tmp);
                const std::string file = folder + "\\" + name + ".ini";
                if (platform::FileAgeReadable(file)) {
                    step("13");
                    const auto stored = ReadCounter(file, lastText);
                    step("14");
                    if (stored) value = SaturatingAdd(value, *stored);
                }
                step("16");
                WriteCounter(file, kHeaderMove, value);
            }
        } catch (...) {
            if (DumpSink())
                DumpSink()("\r\n" + name + "\r\n" + lastText + "\r\n" + std::to_string(value) + "\r\n" +
                           std::to_string(mode));
            throw;
        }
    });
}

// The work-time timer carries no location code of its own; UpdateCounterFile reports for it.
void AddRunningTime(std::uint32_t& lastTick, std::uint32_t now) {
    const auto elapsed = static_cast<std::int32_t>(now - lastTick);
    lastTick = now;
    UpdateCounterFile("TmpCnt", "0", false, elapsed, 0);
}

}  // namespace kestrune

#include "foundation/DueTest.h"

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <vector>

#include <QDate>
#include <QLocale>
#include <QTime>

#include "foundation/TextLines.h"
#include "foundation/URegInA.h"
#include "foundation/core/Guard.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"

namespace kestrune {
namespace {

constexpr std::size_t kLastCheckFileLimit = 4096;  // two short lines; anything larger is no last-check file

QDate TodayFromClock() {
    const std::tm now = platform::LocalTimeNow();
    return QDate(now.tm_year + 1900, now.tm_mon + 1, now.tm_mday);
}

QTime TimeFromClock() {
    const std::tm now = platform::LocalTimeNow();
    return QTime(now.tm_hour, now.tm_min, std::min(now.tm_sec, 59));
}

std::optional<QLocale>& LocaleForTesting() {
    static std::optional<QLocale> locale;
    return locale;
}

QLocale DateLocale() { return LocaleForTesting() ? *LocaleForTesting() : QLocale::system(); }

// The system's short date format with a four-digit year: a two-digit year would be read back a
// century early, and the check would be due at every start.
QString LastCheckDateFormat() {
    QString format = DateLocale().dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy"))) format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return format;
}

QDate ParseLastCheckDate(const std::string& line) {
    const QString text = QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size())).trimmed();
    if (text.isEmpty()) return {};
    const QLocale locale = DateLocale();
    const QString fourDigits = LastCheckDateFormat();
    QDate date = locale.toDate(text, fourDigits);
    if (date.isValid()) return date;
    // A file written with a two-digit year (an older program, or the format of another locale's
    // days): the year is this century's, whatever century the conversion would pick.
    QString twoDigits = fourDigits;
    twoDigits.replace(QLatin1String("yyyy"), QLatin1String("yy"));
    date = locale.toDate(text, twoDigits);
    if (!date.isValid()) return {};
    const int century = TodayFromClock().year() / 100 * 100;
    return date.addYears(century + date.year() % 100 - date.year());
}

QTime ParseLastCheckTime(const std::string& line) {
    const QString text = QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size())).trimmed();
    for (const char* format : {"H:m:s", "H.m.s", "H:m"}) {
        const QTime time = QTime::fromString(text, QLatin1String(format));
        if (time.isValid()) return time;
    }
    return {};
}

}  // namespace

int CheckIntervalDays(int intervalIndex) {
    int days = 5;
    Guard("UP.009-02", [&] {
        switch (intervalIndex) {
            case 0: days = 1; break;
            case 1: days = 3; break;
            case 2: days = 5; break;
            case 3: days = 10; break;
            case 4: days = 15; break;
            case 5: days = 20; break;
            case 6: days = 30; break;
            default: days = 5; break;
        }
    });
    return days;
}

void SetDateLocaleForTesting(const QLocale* locale) {
    if (locale) LocaleForTesting() = *locale;
    else LocaleForTesting().reset();
}

std::string LastCheckFilePath(const std::string& name) { return GetProgramPath(2, "") + name + "_LastCheck.ini"; }

bool IsCheckDue(const std::string& name, int intervalIndex) {
    bool due = false;
    std::string code = "UP.009-01.000";
    auto step = [&](const char* number) { code = std::string("UP.009-01.") + number; };
    Guard(code, [&] {
        step("000");
        const std::string path = LastCheckFilePath(name);
        if (!platform::FileAgeReadable(path)) {
            due = true;
            return;
        }
        bool tooLarge = false;
        const auto bytes = platform::ReadRegularFileLimited(path, kLastCheckFileLimit, &tooLarge);
        if (!bytes && !tooLarge) throw std::runtime_error("cannot read the last-check file " + path);
        const std::vector<std::string> lines = bytes ? TextFileLines(*bytes) : std::vector<std::string>{};

        step("010");
        const QDate today = TodayFromClock();
        const QDate last = lines.empty() ? QDate() : ParseLastCheckDate(lines[0]);
        // No date, or a date after today (the clock was set back, or the file is foreign): the check
        // counts as never made, or it could stay not due for months. The file goes; the check writes it
        // anew when it starts.
        if (!last.isValid() || last > today) {
            step("011");
            platform::RemoveFile(path);
            due = true;
            return;
        }
        const qint64 elapsed = last.daysTo(today);
        if (elapsed == 0) return;

        step("020");
        step("030");
        const int days = CheckIntervalDays(intervalIndex);
        if (elapsed > days) {
            due = true;
            return;
        }
        if (elapsed < days) return;

        // The due day: due from the full hour of the last start on. A start in the last minute of an
        // hour counts from the next hour; an unreadable time counts as a start at 23:59, due from 23:00.
        step(days >= 2 ? "050" : "060");
        const QTime lastTime = lines.size() > 1 ? ParseLastCheckTime(lines[1]) : QTime();
        int remaining = 0;
        if (lastTime.isValid()) {
            const int seconds = QTime(23, 59, 0).msecsSinceStartOfDay() / 1000 - lastTime.msecsSinceStartOfDay() / 1000;
            remaining = seconds > 0 ? seconds / 3600 : 0;
        }
        if (days < 2) step("070");
        const int sum = remaining + TimeFromClock().hour() + 1;
        due = sum >= 24;
    });
    return due;
}

bool WriteLastCheckFile(const std::string& name) {
    const std::string folder = GetProgramPath(2, "");
    platform::CreateDirectories(folder);
    const QLocale locale = DateLocale();
    const std::string text = locale.toString(TodayFromClock(), LastCheckDateFormat()).toStdString() + "\r\n" +
                             TimeFromClock().toString(QStringLiteral("HH:mm:ss")).toStdString() + "\r\n";
    return static_cast<bool>(platform::WriteFileAtomic(folder + name + "_LastCheck.ini", text));
}

std::string LastCheckDateText(const std::string& name) {
    std::string line;
    Guard("UP.009-01.000", [&] {
        const auto bytes = platform::ReadRegularFileLimited(LastCheckFilePath(name), kLastCheckFileLimit);
        if (!bytes) return;
        const std::vector<std::string> lines = TextFileLines(*bytes);
        if (!lines.empty()) line = lines[0];
    });
    return line;
}

}  // namespace kestrune

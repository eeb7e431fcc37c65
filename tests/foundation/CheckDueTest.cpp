// The due test of the periodic checks, on a table of stored times with a fixed clock.

#include <QLocale>
#include <ctime>

#include "foundation/DueTest.h"
#include "platform/Clock.h"
#include "tests/foundation/FoundationFixture.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace kestrune;

using testsupport::AsTm;
using testsupport::Moment;

class CheckDueTest : public FoundationFixture {
protected:
    void TearDown() override {
        SetDateLocaleForTesting(nullptr);
        platform::SetLocalTimeForTesting({});
        FoundationFixture::TearDown();
    }
    void SetClock(const Moment& m) {
        platform::SetLocalTimeForTesting([t = AsTm(m)] { return t; });
    }
    // The check "Prog_1.0" last started at the given moment, written as the check writes it.
    void StartedAt(const Moment& m, const std::string& name = "Prog_1.0") {
        SetClock(m);
        ASSERT_TRUE(WriteLastCheckFile(name));
    }
    std::string file(const std::string& name = "Prog_1.0") const {
        return programSettings() + "/" + name + "_LastCheck.ini";
    }
};

TEST_F(CheckDueTest, IntervalTable) {
    const int expected[] = {1, 3, 5, 10, 15, 20, 30};
    for (int index = 0; index < 7; ++index) EXPECT_EQ(CheckIntervalDays(index), expected[index]) << index;
    for (int index : {-1, 7, 100}) EXPECT_EQ(CheckIntervalDays(index), 5) << index;
}

TEST_F(CheckDueTest, StoredTimesAgainstTheClock) {
    struct Case {
        const char* what;
        Moment last;
        Moment now;
        int index;
        bool due;
    };
    const Case cases[] = {
        {"today, earlier", {2026, 3, 5, 8, 0, 0}, {2026, 3, 5, 23, 0, 0}, 0, false},
        {"today, a month's interval", {2026, 3, 5, 0, 0, 1}, {2026, 3, 5, 23, 59, 59}, 6, false},
        {"4 of 5 days", {2026, 3, 1, 14, 20, 0}, {2026, 3, 5, 23, 0, 0}, 2, false},
        {"6 of 5 days", {2026, 3, 1, 14, 20, 0}, {2026, 3, 7, 0, 0, 0}, 2, true},
        {"5 of 5 days, before the hour", {2026, 3, 1, 14, 20, 0}, {2026, 3, 6, 13, 59, 0}, 2, false},
        {"5 of 5 days, at the hour", {2026, 3, 1, 14, 20, 0}, {2026, 3, 6, 14, 0, 0}, 2, true},
        {"1 day, before the hour", {2026, 3, 4, 9, 15, 0}, {2026, 3, 5, 8, 59, 0}, 0, false},
        {"1 day, at the hour", {2026, 3, 4, 9, 15, 0}, {2026, 3, 5, 9, 0, 0}, 0, true},
        {"1 day, two days ago", {2026, 3, 3, 23, 0, 0}, {2026, 3, 5, 0, 0, 0}, 0, true},
        {"3 days at 10:30, 10:00", {2026, 3, 2, 10, 30, 0}, {2026, 3, 5, 10, 0, 0}, 1, true},
        {"3 days at 10:30, 09:59", {2026, 3, 2, 10, 30, 0}, {2026, 3, 5, 9, 59, 59}, 1, false},
        {"last minute of an hour: next hour", {2026, 3, 2, 10, 59, 30}, {2026, 3, 5, 10, 30, 0}, 1, false},
        {"last minute of an hour: due then", {2026, 3, 2, 10, 59, 30}, {2026, 3, 5, 11, 0, 0}, 1, true},
        {"23:59:30, 22:59", {2026, 3, 2, 23, 59, 30}, {2026, 3, 5, 22, 59, 0}, 1, false},
        {"23:59:30, 23:00", {2026, 3, 2, 23, 59, 30}, {2026, 3, 5, 23, 0, 0}, 1, true},
        {"index outside the table is 5 days", {2026, 3, 1, 12, 0, 0}, {2026, 3, 5, 23, 0, 0}, 7, false},
        {"index outside the table, 6 days", {2026, 3, 1, 12, 0, 0}, {2026, 3, 7, 0, 0, 0}, 7, true},
        {"40 days with 30", {2026, 1, 24, 12, 0, 0}, {2026, 3, 5, 0, 0, 0}, 6, true},
        {"across a year end", {2025, 12, 30, 12, 0, 0}, {2026, 1, 2, 12, 0, 0}, 1, true},
        {"across a leap day", {2028, 2, 27, 12, 0, 0}, {2028, 3, 1, 11, 0, 0}, 1, false},
    };
    for (const Case& c : cases) {
        StartedAt(c.last);
        SetClock(c.now);
        EXPECT_EQ(IsCheckDue("Prog_1.0", c.index), c.due) << c.what;
    }
    EXPECT_TRUE(errors.empty());
}

// A last-check file that holds no date, or a date ahead of today, counts as no check made: the
// check is due now and the file is gone, so it can never keep the check from coming due.
TEST_F(CheckDueTest, MissingGarbageAndFutureFilesAreDue) {
    SetClock({2026, 3, 5, 12, 0, 0});
    EXPECT_TRUE(IsCheckDue("Prog_1.0", 2)) << "no file";

    const char* contents[] = {
        "", "\r\n", "no date\r\n12:00:00\r\n", "99.99.9999\r\n", "\x01\xff\xfe\r\n", "12:00:00\r\n"};
    for (const char* content : contents) {
        testsupport::WriteFile(file(), content);
        EXPECT_TRUE(IsCheckDue("Prog_1.0", 2)) << content;
        EXPECT_FALSE(testsupport::FileExists(file())) << content;
    }

    StartedAt({2026, 3, 15, 12, 0, 0});  // ten days ahead: the clock was set back
    SetClock({2026, 3, 5, 12, 0, 0});
    EXPECT_TRUE(IsCheckDue("Prog_1.0", 6));
    EXPECT_FALSE(testsupport::FileExists(file()));

    testsupport::WriteFile(file(), std::string(100000, '1'));  // far too long for two lines
    EXPECT_TRUE(IsCheckDue("Prog_1.0", 2));
    EXPECT_TRUE(errors.empty());
}

// A broken time line never blocks the check: on the due day it counts as a start at 23:59.
TEST_F(CheckDueTest, UnreadableTimeOnTheDueDay) {
    for (int index : {0, 2}) {
        StartedAt({2026, 3, 1, 8, 0, 0});
        const std::string date = testsupport::ReadFile(file()).substr(0, testsupport::ReadFile(file()).find('\r'));
        testsupport::WriteFile(file(), date + "\r\nnot a time\r\n");
        const int days = CheckIntervalDays(index);
        SetClock({2026, 3, 1 + days, 22, 59, 0});
        EXPECT_FALSE(IsCheckDue("Prog_1.0", index)) << index;
        SetClock({2026, 3, 1 + days, 23, 0, 0});
        EXPECT_TRUE(IsCheckDue("Prog_1.0", index)) << index;
        SetClock({2026, 3, 2 + days, 0, 0, 0});
        EXPECT_TRUE(IsCheckDue("Prog_1.0", index)) << index;
    }
    EXPECT_TRUE(errors.empty());
}

// A file at the name that cannot be read (here a folder) is reported and answers not due.
TEST_F(CheckDueTest, UnreadableFileIsReported) {
    platform::CreateDirectories(file());
    SetClock({2026, 3, 5, 12, 0, 0});
    EXPECT_FALSE(IsCheckDue("Prog_1.0", 2));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "UP.009-01.000");
}

// A date written with a two-digit year (an older program, or the system's own short format) is
// read in this century in every locale; the C locale is the one a start without a locale gets.
TEST_F(CheckDueTest, TwoDigitYearsAreThisCentury) {
    struct Case {
        const char* locale;
        const char* date;  // as stored, three days before the clock
        const char* today;
    };
    const Case cases[] = {
        {"C", "7 Dec 26", "10 Dec 26"},    {"C", "07 Dec 26", "10 Dec 2026"}, {"en_US", "12/7/26", "12/10/26"},
        {"de_DE", "07.12.26", "10.12.26"}, {"ru_RU", "07.12.26", "10.12.26"}, {"uk_UA", "07.12.2026", "10.12.26"},
    };
    for (const Case& c : cases) {
        const QLocale locale(QString::fromLatin1(c.locale));
        SetDateLocaleForTesting(&locale);
        SetClock({2026, 12, 10, 12, 0, 0});
        testsupport::WriteFile(file(), std::string(c.date) + "\r\n12:00:00\r\n");
        EXPECT_FALSE(IsCheckDue("Prog_1.0", 2)) << c.locale << " " << c.date << ": 3 of 5 days";
        EXPECT_TRUE(testsupport::FileExists(file())) << c.locale << " " << c.date;
        SetClock({2027, 1, 17, 12, 0, 0});
        EXPECT_TRUE(IsCheckDue("Prog_1.0", 6)) << c.locale << " " << c.date << ": 41 of 30 days";
        testsupport::WriteFile(file(), std::string(c.today) + "\r\n08:00:00\r\n");
        SetClock({2026, 12, 10, 23, 0, 0});
        EXPECT_FALSE(IsCheckDue("Prog_1.0", 0)) << c.locale << " " << c.today << ": checked today";
        // What the check writes in this locale reads back as today.
        ASSERT_TRUE(WriteLastCheckFile("Prog_1.0"));
        EXPECT_FALSE(IsCheckDue("Prog_1.0", 0)) << c.locale << ": " << testsupport::ReadFile(file());
    }
    EXPECT_TRUE(errors.empty());
}

TEST_F(CheckDueTest, WrittenFileAndItsDateLine) {
    StartedAt({2026, 3, 5, 7, 8, 9}, "Messages");
    const std::string text = testsupport::ReadFile(file("Messages"));
    EXPECT_NE(text.find("\r\n07:08:09\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("2026"), std::string::npos) << "the year is written whole: " << text;
    EXPECT_EQ(LastCheckDateText("Messages"), text.substr(0, text.find('\r')));
    EXPECT_EQ(LastCheckDateText("Other"), "");
    StartedAt({2026, 3, 5, 7, 8, 9}, "");
    EXPECT_TRUE(testsupport::FileExists(programSettings() + "/_LastCheck.ini"));
}

}  // namespace

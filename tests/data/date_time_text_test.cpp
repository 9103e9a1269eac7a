#include "data/date_time_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

namespace {

// Days since 30 December 1899 by the well-known civil-from-days inverse (independent of the code
// under test): days since 1 March of year 0, shifted to the 1899 epoch.
double daysOf(int y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const std::int64_t sinceUnixEpoch = era * 146097 + doe - 719468;
    return static_cast<double>(sinceUnixEpoch + 25569);
}

double timeOf(int h, int m, int s = 0, int ms = 0) {
    return ((h * 60.0 + m) * 60.0 + s + ms / 1000.0) / 86400.0;
}

data::RegionalSettings italian() {
    data::RegionalSettings s;
    s.decimalSeparator = ',';
    s.dateSeparator = '/';
    s.shortDateFormat = "dd/MM/yy";
    s.timeSeparator = ':';
    s.timeAmString = "AM";
    s.timePmString = "PM";
    return s;
}

data::RegionalSettings isoOrder() {
    data::RegionalSettings s;
    s.dateSeparator = '-';
    s.shortDateFormat = "yyyy-MM-dd";
    return s;
}

constexpr int kYear = 2026;

struct Case {
    const char* text;
    std::optional<double> expected;  // nullopt: invalid
};

void check(const Case& c, const data::RegionalSettings& settings, int year = kYear) {
    SCOPED_TRACE(std::string("«") + c.text + "» in " + std::to_string(year) + " with format " +
                 settings.shortDateFormat);
    std::optional<double> v = data::parseDateTime(c.text, settings, year);
    ASSERT_EQ(v.has_value(), c.expected.has_value());
    if (v) {
        EXPECT_NEAR(*v, *c.expected, 1e-9);
    }
}

TEST(DateTimeText, DateOrderFollowsTheShortDateFormat) {
    struct Order {
        const char* format;
        double expected;  // «01/02/03» read in that order
    };
    const Order orders[] = {
        {"dd/MM/yy", daysOf(2003, 2, 1)},   {"d.M.yyyy", daysOf(2003, 2, 1)},
        {"M/d/yy", daysOf(2003, 1, 2)},     {"m/d/yy", daysOf(2003, 1, 2)},
        {"yyyy/MM/dd", daysOf(2001, 2, 3)}, {"gg ee/MM/dd", daysOf(2001, 2, 3)},  // E counts as Y
        {"", daysOf(2003, 1, 2)},           {"/-.", daysOf(2003, 1, 2)},  // no letter: month first
    };
    for (const Order& o : orders) {
        data::RegionalSettings s;
        s.shortDateFormat = o.format;
        check({"01/02/03", o.expected}, s);
    }
}

TEST(DateTimeText, ReadsDatesWithTheRegionalSeparator) {
    const Case cases[] = {
        {"31/12/99", daysOf(1999, 12, 31)},
        {"31/12/2020", daysOf(2020, 12, 31)},
        {"2020-12-31", std::nullopt},  // not the regional separator
        {" 15 / 03 / 2013", daysOf(2013, 3, 15)},
        {"15/03/2013 ", daysOf(2013, 3, 15)},
        {"15/03/2013/", daysOf(2013, 3, 15)},  // one trailing separator is allowed
        {"15/03/2013 / ", daysOf(2013, 3, 15)},
        {"15/03/2013//", std::nullopt},
        {"15/03", daysOf(kYear, 3, 15)},  // two numbers: the current year
        {"15/", std::nullopt},
        {"15", timeOf(15, 0)},  // no date: read as a time of day
        {"/03/2013", std::nullopt},
        {"15.03.2013", std::nullopt},
        {"31/12/2020x", std::nullopt},
    };
    for (const Case& c : cases) check(c, italian());
    check({"2013-03-15", daysOf(2013, 3, 15)}, isoOrder());
    check({"03/15", daysOf(kYear, 3, 15)}, data::RegionalSettings{});  // month first by default
}

TEST(DateTimeText, EachNumberIsReadWhileItStaysBelowOneThousand) {
    const Case cases[] = {
        {"0015/0003/2013", daysOf(2013, 3, 15)},  // leading zeros are read
        // «20134» is read as 2013; the 4 left over is then read as the hour.
        {"15/03/20134", daysOf(2013, 3, 15) + timeOf(4, 0)},
        {"15/03/99999", daysOf(9999, 3, 15) + timeOf(9, 0)},
        {"1000/03/2013", std::nullopt},  // no day 1000; as a time, «/03/2013» is left over
    };
    for (const Case& c : cases) check(c, italian());
}

TEST(DateTimeText, TwoDigitYearsFallInTheFiftyYearWindow) {
    const Case in2026[] = {
        {"01/01/75", daysOf(2075, 1, 1)},  // before the base 1976: next century
        {"01/01/76", daysOf(1976, 1, 1)},  // the base year itself
        {"01/01/99", daysOf(1999, 1, 1)},   {"01/01/00", daysOf(2000, 1, 1)},
        {"01/01/5", daysOf(2005, 1, 1)},   // one character counts too
        {"01/01/005", daysOf(5, 1, 1)},    // three characters: as written
        {"01/01/0075", daysOf(75, 1, 1)},  // four characters: as written
        {"01/01/1999", daysOf(1999, 1, 1)},
    };
    for (const Case& c : in2026) check(c, italian());
    // In 2000 the base is 1950: 49 is 2049 and 50 is 1950.
    check({"01/01/49", daysOf(2049, 1, 1)}, italian(), 2000);
    check({"01/01/50", daysOf(1950, 1, 1)}, italian(), 2000);
    // In 2049 the base is 1999: 98 is 2098, 99 is 1999.
    check({"01/01/98", daysOf(2098, 1, 1)}, italian(), 2049);
    check({"01/01/99", daysOf(1999, 1, 1)}, italian(), 2049);
    // Year first: the window applies to the first number's length.
    check({"99-12-31", daysOf(1999, 12, 31)}, isoOrder());
    check({"75-12-31", daysOf(2075, 12, 31)}, isoOrder());
}

TEST(DateTimeText, DatesMustExistInTheGregorianCalendar) {
    const Case cases[] = {
        {"31/01/2023", daysOf(2023, 1, 31)},
        {"32/01/2023", std::nullopt},
        {"28/02/2023", daysOf(2023, 2, 28)},
        {"29/02/2023", std::nullopt},
        {"29/02/2024", daysOf(2024, 2, 29)},
        {"30/02/2024", std::nullopt},
        {"29/02/1900", std::nullopt},
        {"29/02/2000", daysOf(2000, 2, 29)},
        {"30/04/2023", daysOf(2023, 4, 30)},
        {"31/04/2023", std::nullopt},
        {"31/12/9999", daysOf(9999, 12, 31)},
        {"01/01/0001", daysOf(1, 1, 1)},
        {"01/01/0000", std::nullopt},
        {"00/01/2020", std::nullopt},
        {"01/13/2020", std::nullopt},
        {"01/00/2020", std::nullopt},
        {"30/12/1899", 0.0},
        {"31/12/1899", 1.0},
        {"29/12/1899", -1.0},
        {"01/01/1900", 2.0},
    };
    for (const Case& c : cases) check(c, italian());
}

TEST(DateTimeText, TimesAfterTheDate) {
    const double day = daysOf(2013, 3, 15);
    const Case cases[] = {
        {"15/03/2013 10:30xyz", day + timeOf(10, 30)},  // text after a valid time is ignored
        {"15/03/2013 10:30", day + timeOf(10, 30)},
        {"15/03/2013 10", day + timeOf(10, 0)},
        {"15/03/2013 10:30:15", day + timeOf(10, 30, 15)},
        {"15/03/2013 10:30:15,250", day + timeOf(10, 30, 15, 250)},  // regional decimal comma
        {"15/03/2013 10:30:15,5", day + timeOf(10, 30, 15, 5)},      // a number, not a fraction
        {"15/03/2013 10:30:15.250", day + timeOf(10, 30, 15)},       // «.250» is ignored text
        {"15/03/2013 23:59:59,999", day + timeOf(23, 59, 59, 999)},
        {"15/03/2013 10:30:15,1000", std::nullopt},
        {"15/03/2013 24:00", std::nullopt},
        {"15/03/2013 23:60", std::nullopt},
        {"15/03/2013 23:59:60", std::nullopt},
        {"15/03/2013 10:", std::nullopt},
        {"15/03/2013 10:30:", std::nullopt},
        {"15/03/2013 x10:30", std::nullopt},
        {"15/03/2013/10:30", day + timeOf(10, 30)},
    };
    for (const Case& c : cases) check(c, italian());
}

TEST(DateTimeText, MorningAndAfternoonMarkers) {
    const double day = daysOf(2013, 3, 15);
    const Case cases[] = {
        {"15/03/2013 12:00 AM", day},  // 12 means 0
        {"15/03/2013 12:30 PM", day + timeOf(12, 30)},
        {"15/03/2013 1:00 PM", day + timeOf(13, 0)},
        {"15/03/2013 11:59 pm", day + timeOf(23, 59)},  // any case
        {"15/03/2013 PM 1:00", day + timeOf(13, 0)},    // before the hour
        {"15/03/2013 1:00pm", day + timeOf(13, 0)},
        {"15/03/2013 1 PM", day + timeOf(13, 0)},
        {"15/03/2013 0:30 AM", std::nullopt},  // with a marker the hour is 1 to 12
        {"15/03/2013 13:00 PM", std::nullopt},
        {"15/03/2013 PM 1:00 AM", day + timeOf(13, 0)},  // the second marker is ignored text
        {"1:00 PM", timeOf(13, 0)},
    };
    for (const Case& c : cases) check(c, italian());

    // The regional markers, compared regardless of case in the code page: Greek «π.μ.» / «μ.μ.».
    data::RegionalSettings greek = italian();
    greek.ansiCodePage = 1253;
    greek.timeAmString = "\xF0.\xEC.";                                  // π.μ.
    greek.timePmString = "\xEC.\xEC.";                                  // μ.μ.
    check({"15/03/2013 3:00 \xCC.\xCC.", day + timeOf(15, 0)}, greek);  // Μ.Μ.
    check({"15/03/2013 3:00 \xD0.\xCC.", day + timeOf(3, 0)}, greek);   // Π.Μ.
    check({"15/03/2013 3:00 PM", day + timeOf(15, 0)}, greek);          // English still works
}

TEST(DateTimeText, TimeAloneMustEndTheText) {
    const Case cases[] = {
        {"10:30", timeOf(10, 30)},   {" 10:30 ", std::nullopt},  // a blank after it: not the end
        {"10:30 xyz", std::nullopt}, {"10:30:15,5", timeOf(10, 30, 15, 5)},
        {"25:00", std::nullopt},     {"abc", std::nullopt},
        {" ", std::nullopt},         {"10:30 PM", timeOf(22, 30)},
    };
    for (const Case& c : cases) check(c, italian());
}

// A separator after two numbers ends the date when no third number can follow; blanks after a
// time alone leave it unended. Day-first and month-first orders, and "." as date separator.
TEST(DateTimeText, TrailingSeparatorAfterTwoNumbersAndBlanksAfterATimeAlone) {
    data::RegionalSettings german;
    german.decimalSeparator = ',';
    german.dateSeparator = '.';
    german.shortDateFormat = "dd.MM.yyyy";
    const data::RegionalSettings american;  // m/d/yy, am/pm
    struct Row {
        data::RegionalSettings settings;
        Case c;
    };
    const double oct18 = daysOf(kYear, 10, 18);
    const double feb11 = daysOf(kYear, 2, 11);
    const Row rows[] = {
        {italian(), {"18/10/", oct18}},
        {italian(), {"18/10 / ", oct18}},
        {italian(), {"18/10/ 11:24", oct18 + timeOf(11, 24)}},
        {italian(), {"18/10/11:24", oct18 + timeOf(11, 24)}},
        {italian(), {"18/10/ 11", daysOf(2011, 10, 18)}},        // a third number still wins
        {italian(), {"18/10/ 11:24x", oct18 + timeOf(11, 24)}},  // after a time: not examined
        {italian(), {"18/10//", std::nullopt}},
        {italian(), {"18/10/ x", std::nullopt}},
        {italian(), {"31/02/", std::nullopt}},
        {italian(), {"20   ", std::nullopt}},
        {italian(), {" 20", timeOf(20, 0)}},
        {german, {"11.02.", feb11}},
        {german, {"11.02. 11:24", feb11 + timeOf(11, 24)}},
        {german, {"0000:13  ", std::nullopt}},
        {german, {"0000:13", timeOf(0, 13)}},
        {american, {"10/18/", oct18}},
        {american, {"10/18/ 7 PM", oct18 + timeOf(19, 0)}},
        {american, {"PM 7 ", std::nullopt}},
        {american, {"PM 7", timeOf(19, 0)}},
        {american, {"7 pm ", std::nullopt}},
    };
    for (const Row& r : rows) check(r.c, r.settings);
}

TEST(DateTimeText, TimeBeforeTheEpochCountsForwardsFromMidnight) {
    check({"29/12/1899 06:00", -1.25}, italian());
    check({"01/01/1800 18:00", daysOf(1800, 1, 1) - 0.75}, italian());
    check({"31/12/1899 06:00", 1.25}, italian());
}

TEST(DateTimeText, FormatsInTheShortDateFormat) {
    data::RegionalSettings s = italian();
    EXPECT_EQ(data::formatDateTime(daysOf(2013, 3, 5), s), "05/03/13");
    s.shortDateFormat = "d/M/yyyy";
    s.dateSeparator = '.';
    EXPECT_EQ(data::formatDateTime(daysOf(2013, 3, 5), s), "5.3.2013");
    EXPECT_EQ(data::formatDateTime(daysOf(2013, 3, 5) + timeOf(10, 30, 15), s),
              "5.3.2013 10:30:15");
    EXPECT_EQ(data::formatDateTime(-1.25, s), "29.12.1899 06:00:00");
    EXPECT_EQ(data::formatDateTime(daysOf(2024, 2, 29), s), "29.2.2024");
}

}  // namespace

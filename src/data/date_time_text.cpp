#include "data/date_time_text.h"

#include <chrono>
#include <cmath>
#include <cstdint>

#include "data/code_page.h"
#include "mdb/value.h"

namespace data {

namespace {

enum class DateOrder { MonthDayYear, DayMonthYear, YearMonthDay };

constexpr int kCenturyWindow = 50;
constexpr std::int64_t kMillisecondsPerDay = 86'400'000;

DateOrder dateOrderOf(std::string_view format) {
    for (char c : format) {
        switch (c & 0xDF) {  // upper case, for letters
            case 'E':
            case 'Y':
                return DateOrder::YearMonthDay;
            case 'M':
                return DateOrder::MonthDayYear;
            case 'D':
                return DateOrder::DayMonthYear;
            default:
                break;
        }
    }
    return DateOrder::MonthDayYear;
}

std::optional<std::int64_t> encodeDate(int year, int month, int day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31)
        return std::nullopt;
    const std::chrono::year_month_day date = std::chrono::year{year} / month / day;
    if (!date.ok()) return std::nullopt;
    return mdb::dayNumber(date);
}

// Case-insensitive, as the markers are compared on Windows: simple case pairs of the scripts the
// supported code pages hold.
char16_t foldCase(char16_t c) {
    if ((c >= u'A' && c <= u'Z') || (c >= 0x00C0 && c <= 0x00DE && c != 0x00D7) ||
        (c >= 0x0391 && c <= 0x03AB && c != 0x03A2) || (c >= 0x0410 && c <= 0x042F)) {
        return static_cast<char16_t>(c + 0x20);
    }
    if (c >= 0x0400 && c <= 0x040F) return static_cast<char16_t>(c + 0x50);
    // Latin Extended-A pairs an upper-case letter with the next code: even upper case in
    // U+0100-U+0137 and U+014A-U+0177, odd upper case in U+0139-U+0148 and U+0179-U+017E.
    if (((c >= 0x0100 && c <= 0x0137) || (c >= 0x014A && c <= 0x0177)) && c % 2 == 0) {
        return static_cast<char16_t>(c + 1);
    }
    if (((c >= 0x0139 && c <= 0x0148) || (c >= 0x0179 && c <= 0x017E)) && c % 2 == 1) {
        return static_cast<char16_t>(c + 1);
    }
    return c;
}

class Scanner {
public:
    Scanner(std::string_view text, const RegionalSettings& settings)
        : text_(text), settings_(settings) {}

    bool atEnd() const { return pos_ >= text_.size(); }
    // True when the last character taken is the text's last one: the blanks the skips passed
    // over after it do not count.
    bool lastTakenEndsText() const { return takenEnd_ == text_.size(); }

    void skipBlanks() {
        while (pos_ < text_.size() && text_[pos_] == ' ') ++pos_;
    }

    // Skips blanks (even when it then fails), then takes `c` if it comes next.
    bool takeChar(char c) {
        skipBlanks();
        if (pos_ < text_.size() && text_[pos_] == c) {
            takenEnd_ = ++pos_;
            return true;
        }
        return false;
    }

    // Skips blanks, then reads digits while the value stays below 1000. Returns the value and
    // sets `length` to the number of characters read (leading zeros count).
    std::optional<int> takeNumber(int& length) {
        skipBlanks();
        size_t i = pos_;
        int value = 0;
        while (i < text_.size() && text_[i] >= '0' && text_[i] <= '9' && value < 1000) {
            value = value * 10 + (text_[i] - '0');
            ++i;
        }
        if (i == pos_) return std::nullopt;
        length = static_cast<int>(i - pos_);
        pos_ = takenEnd_ = i;
        return value;
    }

    std::optional<int> takeNumber() {
        int length = 0;
        return takeNumber(length);
    }

    // Skips blanks, then takes `symbol` if the text continues with it, regardless of case.
    bool takeSymbol(std::string_view symbol) {
        if (symbol.empty()) return false;
        skipBlanks();
        if (text_.size() - pos_ < symbol.size()) return false;
        const CodePage& page = CodePage::get(settings_.ansiCodePage);
        std::u16string a = page.toUtf16(symbol);
        std::u16string b = page.toUtf16(text_.substr(pos_, symbol.size()));
        for (size_t i = 0; i < a.size(); ++i) {
            if (foldCase(a[i]) != foldCase(b[i])) return false;
        }
        pos_ += symbol.size();
        takenEnd_ = pos_;
        return true;
    }

private:
    std::string_view text_;
    const RegionalSettings& settings_;
    size_t pos_ = 0;
    size_t takenEnd_ = 0;
};

// How a separator after the date's second number is read. "11.02." and "18/10/ 11:24" are a
// two-number date whose separator ends it; "18/10/11" is a three-number date.
enum class SecondSeparator { BeforeThirdNumber, EndsDate };

// How reading a date at the start of a text ended.
enum class DateScan { NoDate, NotInTheCalendar, Read };

std::optional<std::int64_t> scanDate(Scanner& s, const RegionalSettings& settings, int currentYear,
                                     SecondSeparator second, DateScan& outcome) {
    outcome = DateScan::NoDate;
    const char sep = settings.dateSeparator;
    int length1 = 0;
    int length3 = 0;
    std::optional<int> n1 = s.takeNumber(length1);
    if (!n1 || !s.takeChar(sep)) return std::nullopt;
    std::optional<int> n2 = s.takeNumber();
    if (!n2) return std::nullopt;

    DateOrder order = dateOrderOf(settings.shortDateFormat);
    int year = 0;
    int month = 0;
    int day = 0;
    if (second == SecondSeparator::BeforeThirdNumber && s.takeChar(sep)) {
        std::optional<int> n3 = s.takeNumber(length3);
        if (!n3) return std::nullopt;
        int yearLength = 0;
        switch (order) {
            case DateOrder::MonthDayYear:
                year = *n3, yearLength = length3, month = *n1, day = *n2;
                break;
            case DateOrder::DayMonthYear:
                year = *n3, yearLength = length3, month = *n2, day = *n1;
                break;
            case DateOrder::YearMonthDay:
                year = *n1, yearLength = length1, month = *n2, day = *n3;
                break;
        }
        if (yearLength <= 2) {
            int base = currentYear - kCenturyWindow;
            year += base / 100 * 100;
            if (year < base) year += 100;
        }
    } else {
        year = currentYear;
        if (order == DateOrder::DayMonthYear) {
            day = *n1, month = *n2;
        } else {
            month = *n1, day = *n2;
        }
    }
    s.takeChar(sep);
    s.skipBlanks();
    std::optional<std::int64_t> date = encodeDate(year, month, day);
    outcome = date ? DateScan::Read : DateScan::NotInTheCalendar;
    return date;
}

// The time of day as a fraction of a day, rounded to double as the stored value is.
std::optional<double> scanTime(Scanner& s, const RegionalSettings& settings) {
    auto takeMarker = [&](int& baseHour) {
        if (s.takeSymbol(settings.timeAmString) || s.takeSymbol("AM")) {
            baseHour = 0;
        } else if (s.takeSymbol(settings.timePmString) || s.takeSymbol("PM")) {
            baseHour = 12;
        }
    };
    int baseHour = -1;
    takeMarker(baseHour);
    std::optional<int> hour = s.takeNumber();
    if (!hour) return std::nullopt;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
    if (s.takeChar(settings.timeSeparator)) {
        std::optional<int> m = s.takeNumber();
        if (!m) return std::nullopt;
        minute = *m;
        if (s.takeChar(settings.timeSeparator)) {
            std::optional<int> sec = s.takeNumber();
            if (!sec) return std::nullopt;
            second = *sec;
            if (s.takeChar(settings.decimalSeparator)) {
                std::optional<int> ms = s.takeNumber();
                if (!ms) return std::nullopt;
                millisecond = *ms;
            }
        }
    }
    if (baseHour < 0) takeMarker(baseHour);
    int h = *hour;
    if (baseHour >= 0) {
        if (h == 0 || h > 12) return std::nullopt;
        if (h == 12) h = 0;
        h += baseHour;
    }
    s.skipBlanks();
    if (h >= 24 || minute >= 60 || second >= 60 || millisecond >= 1000) return std::nullopt;
    std::int64_t ms =
        ((static_cast<std::int64_t>(h) * 60 + minute) * 60 + second) * 1000 + millisecond;
    return static_cast<double>(static_cast<long double>(ms) / kMillisecondsPerDay);
}

// Blanks after the time do not end the text: « 20» is a time, «20 » is not.
std::optional<double> timeAlone(std::string_view text, const RegionalSettings& settings) {
    Scanner s(text, settings);
    std::optional<double> time = scanTime(s, settings);
    if (!time || !s.lastTakenEndsText()) return std::nullopt;
    return time;
}

struct DateReading {
    DateScan date = DateScan::NoDate;
    std::optional<double> value;  // empty when the date was not read or what follows it is bad
};

DateReading dateAndTime(std::string_view text, const RegionalSettings& settings, int currentYear,
                        SecondSeparator second) {
    Scanner s(text, settings);
    DateReading reading;
    std::optional<std::int64_t> date = scanDate(s, settings, currentYear, second, reading.date);
    if (!date) return reading;
    if (s.atEnd()) {
        reading.value = static_cast<double>(*date);
        return reading;
    }
    std::optional<double> time = scanTime(s, settings);
    if (!time) return reading;
    long double d = static_cast<long double>(*date);
    long double t = *time;
    reading.value = static_cast<double>(*date >= 0 ? d + t : d - t);
    return reading;
}

void appendNumber(std::string& out, std::int64_t value, int width) {
    std::string digits = std::to_string(value);
    if (static_cast<int>(digits.size()) < width) {
        out.append(static_cast<size_t>(width) - digits.size(), '0');
    }
    out += digits;
}

struct CivilDate {
    int year;
    int month;
    int day;
};

// Years 1 to 9999 only.
std::optional<CivilDate> decodeDate(std::int64_t days) {
    if (days < mdb::dayNumber(std::chrono::year{1} / 1 / 1)) return std::nullopt;
    const std::chrono::year_month_day date = mdb::calendarDate(days);
    if (static_cast<int>(date.year()) > 9999) return std::nullopt;
    return CivilDate{static_cast<int>(date.year()),
                     static_cast<int>(static_cast<unsigned>(date.month())),
                     static_cast<int>(static_cast<unsigned>(date.day()))};
}

}  // namespace

std::optional<double> parseDateTime(std::string_view text, const RegionalSettings& settings,
                                    int currentYear) {
    // A third number is read when one follows. Only when none follows, or when what comes after
    // the three-number date is no time, does the separator after the second number end the
    // date; so no text readable before changes, and a date that does not exist («01/01/0000»)
    // is not read as another one.
    DateReading withThird =
        dateAndTime(text, settings, currentYear, SecondSeparator::BeforeThirdNumber);
    if (withThird.value) return withThird.value;
    if (withThird.date != DateScan::NotInTheCalendar) {
        DateReading twoNumbers =
            dateAndTime(text, settings, currentYear, SecondSeparator::EndsDate);
        if (twoNumbers.value) return twoNumbers.value;
        if (twoNumbers.date == DateScan::Read) return std::nullopt;
    }
    if (withThird.date == DateScan::Read) return std::nullopt;
    return timeAlone(text, settings);
}

std::string formatDateTime(double value, const RegionalSettings& settings) {
    if (!std::isfinite(value) || std::fabs(value) > 3e6) return {};
    double whole = std::trunc(value);
    auto days = static_cast<std::int64_t>(whole);
    std::int64_t ms = std::llround(std::fabs(value - whole) * kMillisecondsPerDay);
    if (ms >= kMillisecondsPerDay) {
        ms = 0;
        days += value >= 0 ? 1 : -1;
    }
    std::optional<CivilDate> date = decodeDate(days);
    if (!date) return {};

    std::string out;
    std::string_view f = settings.shortDateFormat;
    auto letter = [](char ch) {
        char upper = static_cast<char>(ch & 0xDF);
        return upper == 'D' || upper == 'M' || upper == 'Y' ? upper : ch;
    };
    for (size_t i = 0; i < f.size();) {
        char c = letter(f[i]);
        size_t run = 1;
        while (i + run < f.size() && letter(f[i + run]) == c) ++run;
        if (c == 'D') {
            appendNumber(out, date->day, run >= 2 ? 2 : 1);
        } else if (c == 'M') {
            appendNumber(out, date->month, run >= 2 ? 2 : 1);
        } else if (c == 'Y') {
            if (run <= 2) {
                appendNumber(out, date->year % 100, 2);
            } else {
                appendNumber(out, date->year, 4);
            }
        } else {
            for (size_t k = 0; k < run; ++k) out += f[i] == '/' ? settings.dateSeparator : f[i];
        }
        i += run;
    }
    if (ms != 0) {
        std::int64_t seconds = ms / 1000;
        out += ' ';
        appendNumber(out, seconds / 3600, 2);
        out += settings.timeSeparator;
        appendNumber(out, seconds / 60 % 60, 2);
        out += settings.timeSeparator;
        appendNumber(out, seconds % 60, 2);
    }
    return out;
}

}  // namespace data

#include "rules/expression_date.h"

#include <array>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <vector>

#include "format/name_compare.h"
#include "platform/local_time.h"

namespace mdb {
namespace {

constexpr int kSecondsPerDay = 86400;
// Pieces of a date literal: numbers (with their digit count), words and separators.
struct Piece {
    enum Kind { Number, Word, Separator } kind;
    int number = 0;
    int digits = 0;
    std::string text;  // a word, folded to lower case; a separator character
};

std::optional<std::vector<Piece>> split(std::string_view text) {
    std::vector<Piece> pieces;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == ' ') {
            ++i;
        } else if (std::isdigit(c)) {
            Piece p{Piece::Number, 0, 0, {}};
            while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
                if (p.digits < 6) p.number = p.number * 10 + (text[i] - '0');
                ++p.digits;
                ++i;
            }
            if (p.digits > 4) return std::nullopt;
            pieces.push_back(p);
        } else if (std::isalpha(c)) {
            Piece p{Piece::Word, 0, 0, {}};
            while (i < text.size() && std::isalpha(static_cast<unsigned char>(text[i])))
                p.text += text[i++];
            p.text = foldCase(p.text);
            pieces.push_back(p);
        } else if (c == '/' || c == '-' || c == ',' || c == ':' || c == '.') {
            pieces.push_back(Piece{Piece::Separator, 0, 0, std::string(1, text[i++])});
        } else {
            return std::nullopt;
        }
    }
    return pieces;
}

std::optional<int> monthNamed(const std::string& word) {
    static constexpr std::array<const char*, 12> kMonths = {
        "january", "february", "march",     "april",   "may",      "june",
        "july",    "august",   "september", "october", "november", "december"};
    if (word.size() < 3) return std::nullopt;
    for (std::size_t m = 0; m < kMonths.size(); ++m)
        if (std::string_view(kMonths[m]).starts_with(word)) return static_cast<int>(m + 1);
    return std::nullopt;
}

int fullYear(const Piece& p) {
    if (p.digits > 2) return p.number;
    return p.number < 30 ? 2000 + p.number : 1900 + p.number;
}

class DateReader {
public:
    explicit DateReader(std::vector<Piece> pieces) : p_(std::move(pieces)) {}

    std::optional<DateTime> read() {
        int y = 1899, m = 12, d = 30;
        if (!startsTime()) {
            if (!readDate(y, m, d)) return std::nullopt;
        }
        int seconds = 0;
        if (at_ < p_.size() && !readTime(seconds)) return std::nullopt;
        if (at_ != p_.size()) return std::nullopt;
        return makeDate(y, m, d, seconds);
    }

private:
    bool isNumber(std::size_t i) const { return i < p_.size() && p_[i].kind == Piece::Number; }
    bool isWord(std::size_t i) const { return i < p_.size() && p_[i].kind == Piece::Word; }
    bool isSeparator(std::size_t i, char c) const {
        return i < p_.size() && p_[i].kind == Piece::Separator && p_[i].text[0] == c;
    }
    bool isAmPm(std::size_t i) const {
        return isWord(i) && (p_[i].text == "am" || p_[i].text == "pm");
    }
    bool startsTime() const {
        return isNumber(at_) && (isSeparator(at_ + 1, ':') || isAmPm(at_ + 1));
    }

    bool readDate(int& y, int& m, int& d) {
        const std::size_t i = at_;
        // m/d/y, m-d-y, y-m-d, y/m/d
        for (char sep : {'/', '-'}) {
            if (isNumber(i) && isSeparator(i + 1, sep) && isNumber(i + 2) &&
                isSeparator(i + 3, sep) && isNumber(i + 4)) {
                if (p_[i].digits > 2) {
                    y = p_[i].number, m = p_[i + 2].number, d = p_[i + 4].number;
                } else {
                    m = p_[i].number, d = p_[i + 2].number, y = fullYear(p_[i + 4]);
                }
                at_ = i + 5;
                return true;
            }
        }
        // d-mmm-yyyy, d mmm yyyy
        if (isNumber(i) && isWord(i + 2) && isNumber(i + 4) && isSeparator(i + 1, '-') &&
            isSeparator(i + 3, '-')) {
            return named(p_[i + 2], p_[i], p_[i + 4], i + 5, y, m, d);
        }
        if (isNumber(i) && isWord(i + 1) && isNumber(i + 2))
            return named(p_[i + 1], p_[i], p_[i + 2], i + 3, y, m, d);
        // mmm d, yyyy and mmm d yyyy
        if (isWord(i) && isNumber(i + 1)) {
            const std::size_t yearAt = isSeparator(i + 2, ',') ? i + 3 : i + 2;
            if (isNumber(yearAt)) return named(p_[i], p_[i + 1], p_[yearAt], yearAt + 1, y, m, d);
        }
        return false;
    }

    bool named(const Piece& month, const Piece& day, const Piece& year, std::size_t next, int& y,
               int& m, int& d) {
        const std::optional<int> number = monthNamed(month.text);
        if (!number) return false;
        m = *number, d = day.number, y = fullYear(year);
        at_ = next;
        return true;
    }

    bool readTime(int& seconds) {
        if (!isNumber(at_)) return false;
        int h = p_[at_++].number, n = 0, s = 0;
        if (isSeparator(at_, ':') && isNumber(at_ + 1)) {
            n = p_[at_ + 1].number;
            at_ += 2;
            if (isSeparator(at_, ':') && isNumber(at_ + 1)) {
                s = p_[at_ + 1].number;
                at_ += 2;
            }
        }
        if (isAmPm(at_)) {
            if (h < 1 || h > 12) return false;
            h = (h % 12) + (p_[at_].text == "pm" ? 12 : 0);
            ++at_;
        }
        if (h > 23 || n > 59 || s > 59) return false;
        seconds = h * 3600 + n * 60 + s;
        return true;
    }

    std::vector<Piece> p_;
    std::size_t at_ = 0;
};

}  // namespace

double linearDays(DateTime date) {
    if (date.days >= 0) return date.days;
    const double whole = std::ceil(date.days);  // -1.25 -> -1
    return whole + (whole - date.days);         // -1 + 0.25
}

DateTime fromLinearDays(double days) {
    if (days >= 0) return DateTime{days};
    const double whole = std::floor(days);  // -0.75 -> -1
    if (whole == days) return DateTime{days};
    return DateTime{whole - (days - whole)};  // -1 - 0.25
}

std::optional<DateTime> makeDate(int year, int month, int day, int secondsOfDay) {
    if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31 ||
        !(std::chrono::year{year} / month / day).ok() || secondsOfDay < 0 ||
        secondsOfDay >= kSecondsPerDay)
        return std::nullopt;
    const std::int64_t n = dayNumber(std::chrono::year{year} / month / day);
    return fromLinearDays(static_cast<double>(n) + secondsOfDay / double(kSecondsPerDay));
}

std::optional<DateTime> parseDateLiteral(std::string_view text) {
    std::optional<std::vector<Piece>> pieces = split(text);
    if (!pieces || pieces->empty()) return std::nullopt;
    return DateReader(std::move(*pieces)).read();
}

std::string dateText(DateTime date) {
    const CivilTime t = toCivilTime(date);
    char buf[64];
    const bool hasDate = !(t.year == 1899 && t.month == 12 && t.day == 30);
    const bool hasTime = t.hour != 0 || t.minute != 0 || t.second != 0;
    std::string out;
    if (hasDate || !hasTime) {
        std::snprintf(buf, sizeof buf, "%d/%d/%d", t.month, t.day, t.year);
        out = buf;
    }
    if (hasTime) {
        std::snprintf(buf, sizeof buf, "%s%d:%02d:%02d", out.empty() ? "" : " ", t.hour, t.minute,
                      t.second);
        out += buf;
    }
    return out;
}

DateTime localNow() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    const std::tm local = platform::localTime(now);
    const int seconds = local.tm_hour * 3600 + local.tm_min * 60 + std::min(local.tm_sec, 59);
    return makeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, seconds)
        .value_or(DateTime{});
}

}  // namespace mdb

#include "csv_value.h"

#include <charconv>
#include <cstdio>
#include <ctime>

namespace tool {
namespace {

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

template <class Float>
std::string shortest(Float f) {
    char buf[64];
    const auto result = std::to_chars(buf, buf + sizeof buf, f);
    return std::string(buf, result.ptr);
}

std::string binaryText(const mdb::Binary& bytes, BinaryStyle style) {
    if (style == BinaryStyle::Raw) return std::string(bytes.begin(), bytes.end());
    std::string out;
    char buf[3];
    for (std::uint8_t b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X", b);
        out += buf;
    }
    return out;
}

}  // namespace

std::string formatDate(mdb::DateTime date, const std::string& format) {
    const mdb::CivilTime c = mdb::toCivilTime(date);
    std::tm tm{};
    tm.tm_year = c.year - 1900;
    tm.tm_mon = c.month - 1;
    tm.tm_mday = c.day;
    tm.tm_hour = c.hour;
    tm.tm_min = c.minute;
    tm.tm_sec = c.second;
    char buf[256];
    const std::size_t n = std::strftime(buf, sizeof buf, format.c_str(), &tm);
    return std::string(buf, n);
}

std::string formatCurrency(mdb::Currency value) {
    const bool negative = value.units < 0;
    // Work in unsigned so that the most negative amount has a magnitude too.
    const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(value.units)
                                             : static_cast<std::uint64_t>(value.units);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%s%llu.%04llu", negative ? "-" : "",
                  static_cast<unsigned long long>(magnitude / 10000),
                  static_cast<unsigned long long>(magnitude % 10000));
    return buf;
}

std::string csvValue(const mdb::Value& value, const ExportOptions& options) {
    struct Visitor {
        const ExportOptions& options;
        std::string operator()(std::monostate) const { return ""; }
        std::string operator()(bool b) const { return b ? "1" : "0"; }
        std::string operator()(std::uint8_t v) const { return std::to_string(v); }
        std::string operator()(std::int16_t v) const { return std::to_string(v); }
        std::string operator()(std::int32_t v) const { return std::to_string(v); }
        std::string operator()(mdb::Currency v) const { return formatCurrency(v); }
        std::string operator()(float v) const { return shortest(v); }
        std::string operator()(double v) const { return shortest(v); }
        std::string operator()(mdb::DateTime v) const {
            return quoted(formatDate(v, options.dateFormat));
        }
        std::string operator()(const std::string& v) const { return quoted(v); }
        std::string operator()(const mdb::Binary& v) const {
            return quoted(binaryText(v, options.binary));
        }
        std::string operator()(const mdb::Guid& v) const { return quoted(v.toString()); }
        std::string operator()(const mdb::Decimal& v) const { return v.toString(); }
    };
    return std::visit(Visitor{options}, value);
}

}  // namespace tool

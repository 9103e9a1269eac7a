#include "data/float_text.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace data {

static_assert(LDBL_MANT_DIG == 64, "float fields are computed in x87 extended precision");

namespace {

// Exponent digits stop being read once the exponent reaches this value; a digit left over makes
// the text invalid.
constexpr int kExponentLimit = 500;

// Powers of ten beyond this scale any value out of the extended range (or to zero).
constexpr std::int64_t kPowerLimit = 5120;

// 10^e for e < 5120 is taken as 10^(e & 31) * 10^(32 * ((e >> 5) & 15)) * 10^(512 * (e >> 9)),
// each factor applied in turn, so at most three roundings.
constexpr long double kPowersLow[32] = {1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,  1e7L,
                                        1e8L,  1e9L,  1e10L, 1e11L, 1e12L, 1e13L, 1e14L, 1e15L,
                                        1e16L, 1e17L, 1e18L, 1e19L, 1e20L, 1e21L, 1e22L, 1e23L,
                                        1e24L, 1e25L, 1e26L, 1e27L, 1e28L, 1e29L, 1e30L, 1e31L};
constexpr long double kPowersMid[16] = {1e0L,   1e32L,  1e64L,  1e96L,  1e128L, 1e160L,
                                        1e192L, 1e224L, 1e256L, 1e288L, 1e320L, 1e352L,
                                        1e384L, 1e416L, 1e448L, 1e480L};
constexpr long double kPowersHigh[10] = {1e0L,    1e512L,  1e1024L, 1e1536L, 1e2048L,
                                         1e2560L, 1e3072L, 1e3584L, 1e4096L, 1e4608L};

long double scaleByPowerOfTen(long double value, std::int64_t exponent) {
    if (exponent == 0) return value;
    bool divide = exponent < 0;
    std::int64_t e = divide ? -exponent : exponent;
    if (e >= kPowerLimit) {
        return divide ? value * 0.0L : value * HUGE_VALL;
    }
    const long double factors[3] = {kPowersLow[e & 31], kPowersMid[(e >> 5) & 15],
                                    kPowersHigh[e >> 9]};
    for (long double f : factors) {
        if (f == 1.0L) continue;
        value = divide ? value / f : value * f;
    }
    return value;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Reads digits into the accumulator (times ten plus the digit, in extended precision).
size_t readDigits(std::string_view text, size_t pos, long double& value, std::int64_t& count) {
    while (pos < text.size() && isDigit(text[pos])) {
        value = value * 10.0L + static_cast<long double>(text[pos] - '0');
        ++count;
        ++pos;
    }
    return pos;
}

// The smallest magnitude that rounds to infinity as a double: halfway between DBL_MAX and 2^1024.
const long double kDoubleOverflow = std::ldexp(1.0L, 1024) - std::ldexp(1.0L, 970);

}  // namespace

FloatReading parseFloat(std::string_view text, char decimalSeparator) {
    size_t pos = 0;
    while (pos < text.size() && text[pos] == ' ') ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    const size_t numberStart = pos;

    long double value = 0.0L;
    std::int64_t integerDigits = 0;
    std::int64_t fractionDigits = 0;
    pos = readDigits(text, pos, value, integerDigits);
    if (pos < text.size() && text[pos] == decimalSeparator) {
        pos = readDigits(text, pos + 1, value, fractionDigits);
    }
    if (pos == numberStart) return {};

    std::int64_t exponent = 0;
    if (pos < text.size() && (text[pos] == 'E' || text[pos] == 'e')) {
        ++pos;
        bool negativeExponent = false;
        if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
            negativeExponent = text[pos] == '-';
            ++pos;
        }
        while (pos < text.size() && isDigit(text[pos]) && exponent < kExponentLimit) {
            exponent = exponent * 10 + (text[pos] - '0');
            ++pos;
        }
        if (negativeExponent) exponent = -exponent;
    }
    while (pos < text.size() && text[pos] == ' ') ++pos;
    if (pos != text.size()) return {};

    value = scaleByPowerOfTen(value, exponent - fractionDigits);
    if (!std::isfinite(value)) return {};
    if (negative) value = -value;
    if (std::fabs(value) >= kDoubleOverflow) return {FloatReading::Status::Overflow, 0.0};
    return {FloatReading::Status::Ok, static_cast<double>(value)};
}

std::string formatFloat(double value, char decimalSeparator) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    if (value == 0.0) return "0";

    // 15 significant digits in scientific form, e.g. "-1.23450000000000e+03".
    char buffer[64];
    std::to_chars_result r =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
    std::string_view s(buffer, static_cast<size_t>(r.ptr - buffer));
    std::string sign;
    if (s.front() == '-') {
        sign = "-";
        s.remove_prefix(1);
    }
    size_t ePos = s.find('e');
    int exponent = std::atoi(std::string(s.substr(ePos + 1)).c_str());
    std::string digits;
    for (char c : s.substr(0, ePos)) {
        if (c != '.') digits += c;
    }
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    std::string out = sign;
    if (exponent < -4 || exponent >= 15) {
        out += digits[0];
        if (digits.size() > 1) {
            out += decimalSeparator;
            out += digits.substr(1);
        }
        out += 'E';
        out += std::to_string(exponent);
    } else if (exponent < 0) {
        out += '0';
        out += decimalSeparator;
        out += std::string(static_cast<size_t>(-exponent - 1), '0');
        out += digits;
    } else {
        auto intLen = static_cast<size_t>(exponent + 1);
        if (digits.size() <= intLen) {
            out += digits + std::string(intLen - digits.size(), '0');
        } else {
            out += digits.substr(0, intLen);
            out += decimalSeparator;
            out += digits.substr(intLen);
        }
    }
    return out;
}

}  // namespace data

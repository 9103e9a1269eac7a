#include "row/value_encoding.h"

#include <bit>
#include <cfloat>
#include <cmath>
#include <limits>
#include <optional>
#include <stdexcept>

#include "format/code_page_text.h"
#include "format/jet_text.h"
#include "mdb/error.h"

namespace mdb {
namespace {

constexpr std::size_t kMinCompressedTextLength = 3;  // below that FF FE costs more than it saves

// 'Table.column', as messages name a field.
std::string quoted(std::string_view table, const Column& c) {
    return "'" + std::string(table) + "." + c.name + "'";
}

std::string kindOf(const Value& v) {
    switch (v.index()) {
        case 1:
            return "a Yes/No value";
        case 2:
        case 3:
        case 4:
        case 5:
        case 6:
        case 7:
            return "a number";
        case 8:
            return "a date";
        case 9:
            return "text";
        case 10:
            return "binary data";
        case 11:
            return "a GUID";
        case 12:
            return "a decimal number";
        default:
            return "nothing";
    }
}

[[noreturn]] void mismatch(const Column& c, const Value& v, std::string_view table) {
    throw Error(Error::Kind::Refused, "Data type mismatch: field " + quoted(table, c) + " (" +
                                          typeName(c.type) + ") cannot hold " + kindOf(v));
}

[[noreturn]] void overflow(const Column& c, std::string_view table) {
    throw Error(Error::Kind::Refused, "Numeric field overflow: the value does not fit field " +
                                          quoted(table, c) + " (" + typeName(c.type) + ")");
}

// The value as a whole number, when it is one.
std::optional<std::int64_t> asInteger(const Value& v) {
    if (const auto* b = std::get_if<std::uint8_t>(&v)) return *b;
    if (const auto* i = std::get_if<std::int16_t>(&v)) return *i;
    if (const auto* l = std::get_if<std::int32_t>(&v)) return *l;
    if (const auto* d = std::get_if<double>(&v)) {
        if (std::isfinite(*d) && std::trunc(*d) == *d && std::fabs(*d) < 9.2e18)
            return static_cast<std::int64_t>(*d);
    }
    if (const auto* f = std::get_if<float>(&v)) {
        if (std::isfinite(*f) && std::trunc(*f) == *f && std::fabs(*f) < 9.2e18f)
            return static_cast<std::int64_t>(*f);
    }
    return std::nullopt;
}

// The value as a floating-point number, when it is any kind of number.
std::optional<double> asReal(const Value& v) {
    if (const auto* d = std::get_if<double>(&v)) return *d;
    if (const auto* f = std::get_if<float>(&v)) return *f;
    if (const auto* c = std::get_if<Currency>(&v)) return static_cast<double>(c->units) / 10000.0;
    if (auto i = asInteger(v)) return static_cast<double>(*i);
    return std::nullopt;
}

void put(Binary& out, std::uint64_t v, std::size_t bytes) {
    for (std::size_t i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void appendInteger(Binary& out, const Column& c, const Value& v, std::string_view table,
                   std::int64_t lo, std::int64_t hi, std::size_t bytes) {
    const std::optional<std::int64_t> i = asInteger(v);
    if (!i) {
        if (asReal(v)) overflow(c, table);  // a fraction where a whole number belongs
        mismatch(c, v, table);
    }
    if (*i < lo || *i > hi) overflow(c, table);
    put(out, static_cast<std::uint64_t>(*i), bytes);
}

void appendCurrency(Binary& out, const Column& c, const Value& v, std::string_view table) {
    std::int64_t units = 0;
    if (const auto* cur = std::get_if<Currency>(&v)) {
        units = cur->units;
    } else if (auto i = asInteger(v); i && std::llabs(*i) <= 922337203685477) {
        units = *i * 10000;
    } else if (auto d = asReal(v)) {
        const double scaled = std::round(*d * 10000.0);
        if (!std::isfinite(scaled) || std::fabs(scaled) >= 9.2e18) overflow(c, table);
        units = static_cast<std::int64_t>(scaled);
    } else {
        mismatch(c, v, table);
    }
    put(out, static_cast<std::uint64_t>(units), 8);
}

void appendReal(Binary& out, const Column& c, const Value& v, std::string_view table) {
    const std::optional<double> d = asReal(v);
    if (!d) mismatch(c, v, table);
    if (c.type == ColumnType::Single) {
        if (std::isfinite(*d) && std::fabs(*d) > FLT_MAX) overflow(c, table);
        put(out, std::bit_cast<std::uint32_t>(static_cast<float>(*d)), 4);
    } else {
        put(out, std::bit_cast<std::uint64_t>(*d), 8);
    }
}

void appendDate(Binary& out, const Column& c, const Value& v, std::string_view table) {
    double days = 0;
    if (const auto* t = std::get_if<DateTime>(&v))
        days = t->days;
    else if (const auto* d = std::get_if<double>(&v))
        days = *d;
    else
        mismatch(c, v, table);
    put(out, std::bit_cast<std::uint64_t>(days), 8);
}

// Multiplies the 128-bit magnitude (most significant word first) by 10; false on overflow.
bool timesTen(std::array<std::uint32_t, 4>& words) {
    std::uint64_t carry = 0;
    for (std::size_t i = words.size(); i-- > 0;) {
        const std::uint64_t v = static_cast<std::uint64_t>(words[i]) * 10 + carry;
        words[i] = static_cast<std::uint32_t>(v);
        carry = v >> 32;
    }
    return carry == 0;
}

// Divides by 10; returns the remainder.
std::uint32_t divideByTen(std::array<std::uint32_t, 4>& words) {
    std::uint64_t remainder = 0;
    for (std::uint32_t& w : words) {
        const std::uint64_t cur = (remainder << 32) | w;
        w = static_cast<std::uint32_t>(cur / 10);
        remainder = cur % 10;
    }
    return static_cast<std::uint32_t>(remainder);
}

std::size_t digitCount(std::array<std::uint32_t, 4> words) {
    std::size_t digits = 0;
    while (words[0] | words[1] | words[2] | words[3]) {
        divideByTen(words);
        ++digits;
    }
    return digits;
}

void appendNumeric(Binary& out, const Column& c, const Value& v, std::string_view table) {
    Decimal d;
    if (const auto* dec = std::get_if<Decimal>(&v)) {
        d = *dec;
    } else if (auto i = asInteger(v)) {
        d.negative = *i < 0;
        const std::uint64_t m =
            d.negative ? 0 - static_cast<std::uint64_t>(*i) : static_cast<std::uint64_t>(*i);
        d.magnitude = {0, 0, static_cast<std::uint32_t>(m >> 32), static_cast<std::uint32_t>(m)};
    } else {
        mismatch(c, v, table);
    }
    // Bring the value to the column's scale; digits dropped must be zeros.
    for (; d.scale < c.scale; ++d.scale)
        if (!timesTen(d.magnitude)) overflow(c, table);
    for (; d.scale > c.scale; --d.scale)
        if (divideByTen(d.magnitude) != 0) overflow(c, table);
    if (c.precision > 0 && digitCount(d.magnitude) > c.precision) overflow(c, table);
    out.push_back(static_cast<std::uint8_t>(d.negative ? 0x80 : 0x00));
    for (std::uint32_t w : d.magnitude) put(out, w, 4);
}

int hexDigit(char ch) {
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
    return -1;
}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (braces optional) to the stored bytes.
std::optional<Guid> parseGuid(std::string_view text) {
    if (text.size() == 38 && text.front() == '{' && text.back() == '}') text = text.substr(1, 36);
    if (text.size() != 36) return std::nullopt;
    std::array<std::uint8_t, 16> plain{};
    std::size_t n = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (text[i] != '-') return std::nullopt;
            continue;
        }
        const int hi = hexDigit(text[i]), lo = hexDigit(text[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        plain[n++] = static_cast<std::uint8_t>(hi * 16 + lo);
        ++i;
    }
    // The first three groups are stored little-endian.
    Guid g;
    const std::size_t order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    for (std::size_t i = 0; i < 16; ++i) g.bytes[i] = plain[order[i]];
    return g;
}

void appendGuid(Binary& out, const Column& c, const Value& v, std::string_view table) {
    std::optional<Guid> g;
    if (const auto* guid = std::get_if<Guid>(&v)) g = *guid;
    if (const auto* text = std::get_if<std::string>(&v)) g = parseGuid(*text);
    if (!g) mismatch(c, v, table);
    out.insert(out.end(), g->bytes.begin(), g->bytes.end());
}

// Access 97 text: one byte per character in the column's code page, its length in characters.
void appendEightBitText(Binary& out, const Column& c, const std::string& text,
                        std::string_view table) {
    const std::size_t start = out.size();
    const std::size_t characters = appendCodePageText(out, text, c.codePage);
    if (c.type == ColumnType::Text) {
        const std::size_t maxChars = c.length > 0 ? std::size_t{c.length} : 255u;
        if (characters > maxChars) throw Error(Error::Kind::Refused, tooLongMessage(table, c.name));
        if (c.isFixed()) out.resize(start + maxChars, ' ');
    } else if (characters > kMaxLongValueBytes) {
        throw Error(Error::Kind::Refused, tooLongMessage(table, c.name));
    }
}

void appendText(Binary& out, const Column& c, const Value& v, std::string_view table) {
    const auto* text = std::get_if<std::string>(&v);
    if (text == nullptr) mismatch(c, v, table);
    if (c.codePage != 0) return appendEightBitText(out, c, *text, table);
    const Utf16Shape shape = utf16Shape(*text);
    if (c.type == ColumnType::Text) {
        // Text(n) has length 2n; a definition without a length is read as Text(255).
        const std::size_t maxChars = c.length >= 2 ? c.length / 2u : 255u;
        if (shape.units > maxChars)
            throw Error(Error::Kind::Refused, tooLongMessage(table, c.name));
        if (c.isFixed()) {
            // A fixed-length text is padded with blanks and never compressed.
            appendUtf16(out, *text);
            for (std::size_t i = shape.units; i < maxChars; ++i)
                out.insert(out.end(), {0x20, 0x00});
            return;
        }
    } else if (2 * shape.units > kMaxLongValueBytes) {
        throw Error(Error::Kind::Refused, tooLongMessage(table, c.name));
    }
    if (c.compressesUnicode() && shape.singleBytes && shape.units >= kMinCompressedTextLength &&
        shape.units <= kMaxCompressedTextLength) {
        if (shape.ascii) {  // most texts: no need to look at them again
            out.insert(out.end(), {0xFF, 0xFE});
            out.insert(out.end(), text->begin(), text->end());
        } else {
            appendCompressedText(out, *text);
        }
    } else
        appendUtf16(out, *text);
}

void appendBinary(Binary& out, const Column& c, const Value& v, std::string_view table) {
    const auto* bytes = std::get_if<Binary>(&v);
    if (bytes == nullptr) mismatch(c, v, table);
    const std::size_t limit = isLongValue(c.type) ? kMaxLongValueBytes
                              : c.length > 0      ? std::size_t{c.length}
                                                  : 255u;
    if (bytes->size() > limit) throw Error(Error::Kind::Refused, tooLongMessage(table, c.name));
    const std::size_t start = out.size();
    out.insert(out.end(), bytes->begin(), bytes->end());
    if (!isLongValue(c.type) && c.isFixed()) out.resize(start + limit, 0);
}

}  // namespace

std::string tooLongMessage(std::string_view table, std::string_view column) {
    return "The field '" + std::string(table) + "." + std::string(column) + "'" +
           " is too small to accept the amount of data you attempted to add. Try inserting or "
           "pasting less data";
}

Binary encodeColumnValue(const Column& column, const Value& value, std::string_view table) {
    Binary out;
    appendColumnValue(out, column, value, table);
    return out;
}

void appendColumnValue(Binary& out, const Column& column, const Value& value,
                       std::string_view table) {
    if (isNull(value)) throw std::invalid_argument("encodeColumnValue: a null value");
    switch (column.type) {
        case ColumnType::Byte:
            return appendInteger(out, column, value, table, 0, 255, 1);
        case ColumnType::Integer:
            return appendInteger(out, column, value, table,
                                 std::numeric_limits<std::int16_t>::min(),
                                 std::numeric_limits<std::int16_t>::max(), 2);
        case ColumnType::Long:
            return appendInteger(out, column, value, table,
                                 std::numeric_limits<std::int32_t>::min(),
                                 std::numeric_limits<std::int32_t>::max(), 4);
        case ColumnType::Currency:
            return appendCurrency(out, column, value, table);
        case ColumnType::Single:
        case ColumnType::Double:
            return appendReal(out, column, value, table);
        case ColumnType::DateTime:
            return appendDate(out, column, value, table);
        case ColumnType::Numeric:
            return appendNumeric(out, column, value, table);
        case ColumnType::Guid:
            return appendGuid(out, column, value, table);
        case ColumnType::Text:
        case ColumnType::Memo:
            return appendText(out, column, value, table);
        case ColumnType::Boolean:
            mismatch(column, value, table);
        default:
            return appendBinary(out, column, value, table);
    }
}

}  // namespace mdb

#include "data/column_value.h"

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "mdb/utf8.h"

namespace data {
namespace {

using mdb::appendUtf8;

bool isHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool isLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

}  // namespace

void utf8Into(std::u16string_view text, std::string& out) {
    // Most of a roll is ASCII: one byte per unit, written straight into place.
    out.resize(text.size());
    const char16_t* in = text.data();
    char* to = out.data();  // not out[i]: a char store could alias the string's own pointer
    std::size_t i = 0;
    for (; i + 4 <= text.size(); i += 4) {
        std::uint64_t units;  // four at a time while all four are ASCII
        std::memcpy(&units, in + i, sizeof units);
        if ((units & 0xFF80FF80FF80FF80ULL) != 0) break;
        const std::uint64_t bytes = (units & 0xFF) | ((units >> 8) & 0xFF00) |
                                    ((units >> 16) & 0xFF0000) | ((units >> 24) & 0xFF000000);
        const std::uint32_t four = static_cast<std::uint32_t>(bytes);
        std::memcpy(to + i, &four, sizeof four);
    }
    for (; i < text.size() && in[i] < 0x80; ++i) to[i] = static_cast<char>(in[i]);
    if (i == text.size()) return;
    out.resize(i);
    out.reserve(i + (text.size() - i) * 3);
    for (; i < text.size(); ++i) {
        const char16_t u = text[i];
        if (u < 0x80) {
            out += static_cast<char>(u);
        } else if (isHighSurrogate(u) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
            const char16_t low = text[++i];
            appendUtf8(out, 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) +
                                (static_cast<char32_t>(low) - 0xDC00));
        } else if (isHighSurrogate(u) || isLowSurrogate(u)) {
            appendUtf8(out, 0xFFFD);
        } else {
            appendUtf8(out, u);
        }
    }
}

std::string utf8Of(std::u16string_view text) {
    std::string out;
    utf8Into(text, out);
    return out;
}

mdb::Value columnValueOf(const FieldValue& value) {
    mdb::Value out;
    storeColumnValue(value, out);
    return out;
}

void storeColumnValue(const FieldValue& value, mdb::Value& out) {
    // Each kind is assigned straight into `out`, which usually holds the same kind from the row
    // before: no temporary value, and a text keeps its buffer.
    std::visit(
        [&out](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::u16string>) {
                if (auto* buffer = std::get_if<std::string>(&out)) {
                    utf8Into(v, *buffer);
                } else {
                    out = utf8Of(v);
                }
            } else if constexpr (std::is_same_v<T, DateTime>) {
                out = mdb::DateTime{v.days};
            } else {
                out = v;  // null, std::int32_t, double
            }
        },
        value);
}

}  // namespace data

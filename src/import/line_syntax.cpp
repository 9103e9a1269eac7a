#include "import/line_syntax.h"

#include <cstdint>
#include <cstring>

#include "import/byte_search.h"

namespace importer {

namespace {

// Marks the bytes of an 8-byte word that the normalisation must look at: '=', ';' and 0.
std::uint64_t specialBytes(std::uint64_t w) {
    return bytes::equalBytes(w, '=') | bytes::equalBytes(w, ';') | bytes::zeroBytes(w);
}

// Normalises what follows `from`, as if it were a line of its own.
void normaliseFrom(std::string& line, size_t from) {
    char* s = line.data();
    const size_t n = line.size();
    size_t in = from;   // next byte to read
    size_t out = from;  // next byte to write; never after `in`
    while (in < n) {
        // Runs of ordinary bytes are copied eight at a time (little-endian: the lowest mark is
        // the first special byte).
        while (in + 8 <= n) {
            std::uint64_t w = bytes::load(s + in);
            std::uint64_t marks = specialBytes(w);
            size_t k = marks == 0 ? 8 : bytes::firstMarked(marks);
            if (out == in || in - out >= 8) {
                // Writing the whole word cannot reach an unread byte: it either rewrites the same
                // bytes or ends before `in`.
                std::memcpy(s + out, &w, 8);
            } else {
                for (size_t j = 0; j < k; ++j) s[out + j] = s[in + j];
            }
            in += k;
            out += k;
            if (k < 8) break;
        }
        if (in >= n) break;
        const char c = s[in];
        if (c == '\0') break;  // the searches stop here; the rest stays as it is
        if (c == '=' && in + 1 < n && s[in + 1] == '"') {
            in += 2;  // «="» removed
            continue;
        }
        // «";» in the text left by the first step. Occurrences cannot overlap, and the last byte
        // written is always the last byte of that text, so looking back one byte finds them.
        if (c == ';' && out > from && s[out - 1] == '"') {
            s[out - 1] = ';';
            ++in;
            // The next column's «="» usually follows at once: remove it here, as the next turn
            // of the loop would.
            if (in + 1 < n && s[in] == '=' && s[in + 1] == '"') in += 2;
            continue;
        }
        s[out++] = c;
        ++in;
    }
    if (out != in) {
        if (in < n) std::memmove(s + out, s + in, n - in);  // the part after a byte 0
        line.resize(n - (in - out));
    }
}

}  // namespace

void normaliseLine(std::string& line) { normaliseFrom(line, 0); }

std::string_view EstraiCampo(std::string_view& line) {
    const size_t p = bytes::find(line, ';');
    if (p == line.size()) return {};
    std::string_view field = line.substr(0, p);
    line.remove_prefix(p + 1);
    return field;
}

ColumnCutter::ColumnCutter(std::string& line) : line_(line) {}

std::string_view ColumnCutter::next() {
    if (!normalised_) {
        if (const std::optional<std::string_view> column = nextUsualColumn()) return *column;
        // From here on the line is cut the long way. Normalising only the rest gives what
        // normalising the whole line would there: the columns cut so far end in ";", which
        // neither step joins with what follows.
        normaliseFrom(line_, at_);
        rest_ = std::string_view(line_).substr(at_);
        normalised_ = true;
    }
    return EstraiCampo(rest_);
}

// A column in the usual form is «="value";» with no "=", ";" or byte 0 in the value: both
// steps of the normalisation only remove its frame, so the value is the column.
std::optional<std::string_view> ColumnCutter::nextUsualColumn() {
    const std::string_view s(line_);
    const size_t p = at_;
    if (s.size() - p < 4 || s[p] != '=' || s[p + 1] != '"') return std::nullopt;
    const size_t q = p + 2 + bytes::findAny(s.substr(p + 2), ';', '=', '\0');
    if (q == s.size() || s[q] != ';' || q == p + 2 || s[q - 1] != '"') return std::nullopt;
    at_ = q + 1;
    return s.substr(p + 2, q - 1 - (p + 2));
}

std::string removePoints(std::string_view field) {
    std::string result(field.size(), '\0');
    char* out = result.data();
    size_t o = 0;
    size_t i = 0;
    for (; i < field.size() && field[i] != '\0'; ++i) {
        out[o] = field[i];
        o += field[i] != '.';  // written always, kept unless it is a point
    }
    // From a byte 0 on, the text stays as it is.
    for (; i < field.size(); ++i) out[o++] = field[i];
    result.resize(o);
    return result;
}

}  // namespace importer

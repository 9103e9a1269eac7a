#include "import/line_syntax.h"

#include <algorithm>
#include <cstring>

namespace importer {

namespace {

// The part of `text` that the text searches see: up to the first byte 0.
size_t searchableLength(std::string_view text) {
    const void* zero = std::memchr(text.data(), '\0', text.size());
    return zero ? static_cast<size_t>(static_cast<const char*>(zero) - text.data()) : text.size();
}

}  // namespace

void normaliseLine(std::string& line) {
    const size_t limit = searchableLength(line);
    char* s = line.data();
    size_t out = 0;
    for (size_t in = 0; in < limit; ++in) {
        const char c = s[in];
        if (c == '=' && in + 1 < limit && s[in + 1] == '"') {
            ++in;  // «="» removed
            continue;
        }
        // «";» in the text left by the first step. Occurrences cannot overlap, and the last byte
        // written is always the last byte of that text, so looking back one byte finds them.
        if (c == ';' && out > 0 && s[out - 1] == '"') {
            s[out - 1] = ';';
            continue;
        }
        s[out++] = c;
    }
    if (out != limit) {
        std::memmove(s + out, s + limit, line.size() - limit);
        line.resize(line.size() - (limit - out));
    }
}

std::string_view EstraiCampo(std::string_view& line) {
    const size_t p = line.find(';');
    if (p == std::string_view::npos) return {};
    std::string_view field = line.substr(0, p);
    line.remove_prefix(p + 1);
    return field;
}

std::string removePoints(std::string_view field) {
    const size_t limit = searchableLength(field);
    std::string result;
    result.reserve(field.size());
    for (size_t i = 0; i < limit; ++i) {
        if (field[i] != '.') result += field[i];
    }
    result.append(field.substr(limit));
    return result;
}

}  // namespace importer

// input_fuzz.cpp: libFuzzer target for everything an input file's bytes go through: the line
// reader (on an in-memory file, with a small block size so lines cross blocks), normalisation, the
// splitter, point removal and every field conversion, read back as text.
//
// Besides crashes and sanitizer findings it checks the reader and the normalisation against
// slow, obviously-correct models of their rules, and a few round trips.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "data/code_page.h"
#include "data/current_year.h"
#include "data/date_time_text.h"
#include "data/field.h"
#include "data/float_text.h"
#include "data/integer_text.h"
#include "data/regional_settings.h"
#include "data/user_error.h"
#include "import/input_file_error.h"
#include "import/line_syntax.h"
#include "import/text_file_reader.h"

namespace {

void require(bool condition) {
    if (!condition) __builtin_trap();
}

// The line rules, byte by byte: lines as the import reads them (first line, then read until the
// end test, which comes after each read).
std::vector<std::string> modelLines(std::string_view bytes) {
    size_t pos = 0;
    auto atEnd = [&] { return pos >= bytes.size() || bytes[pos] == 26; };
    auto readLine = [&] {
        std::string line;
        if (atEnd()) return line;
        bool skipping = false;
        while (pos < bytes.size()) {
            char c = bytes[pos++];
            if (c == '\n') break;
            if (c == 26) skipping = true;
            if (skipping || c == '\r') continue;
            line += c;
        }
        return line;
    };
    std::vector<std::string> lines{readLine()};
    do {
        lines.push_back(readLine());
    } while (!atEnd());
    return lines;
}

// Replace-all of `from` by `to`, scanning left to right and stopping at the first byte 0.
std::string modelReplace(const std::string& s, std::string_view from, std::string_view to) {
    size_t limit = s.find('\0');
    if (limit == std::string::npos) limit = s.size();
    std::string out;
    size_t i = 0;
    while (i < limit) {
        if (i + from.size() <= limit && std::string_view(s).substr(i, from.size()) == from) {
            out += to;
            i += from.size();
        } else {
            out += s[i++];
        }
    }
    return out + s.substr(limit);
}

std::vector<std::string> readWithReader(std::string_view bytes, size_t blockSize) {
    int fd = memfd_create("input", 0);
    require(fd >= 0);
    require(write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()));
    importer::TextFileReader reader(blockSize);
    reader.bind("/proc/self/fd/" + std::to_string(fd));
    reader.open();
    require(reader.size() == static_cast<std::int64_t>(bytes.size()));
    std::vector<std::string> lines(1);
    reader.readLine(lines[0]);
    std::string line;
    do {
        reader.readLine(line);
        lines.push_back(line);
    } while (!reader.atEnd());
    reader.close();
    close(fd);
    return lines;
}

data::RegionalSettings settingsFrom(std::uint8_t a, std::uint8_t b) {
    static const char kSeparators[] = {'.', ',', '/', ':', '-', ' ', 'e', '\0'};
    static const char* const kFormats[] = {"m/d/yy", "dd/MM/yy", "yyyy-MM-dd", "", "gg ee"};
    data::RegionalSettings s;
    s.decimalSeparator = kSeparators[a & 7];
    s.dateSeparator = kSeparators[(a >> 3) & 7];
    s.timeSeparator = kSeparators[b & 7];
    s.shortDateFormat = kFormats[(b >> 3) % 5];
    s.ansiCodePage = 1250 + (a >> 6) * 2 + ((b >> 6) & 1);  // 1250..1257
    if ((b >> 7) != 0) {
        s.timeAmString = "";
        s.timePmString = "\xEC.\xEC.";
    }
    return s;
}

void convertColumn(std::string_view text) {
    data::Field integer("id doc", data::FieldKind::Integer);
    data::Field real("imponibile", data::FieldKind::Float);
    data::Field date("data doc", data::FieldKind::DateTime);
    data::Field wide("categoria", data::FieldKind::WideText, 180);
    for (data::Field* f : {&integer, &real, &date, &wide}) {
        try {
            f->assignText(text);
        } catch (const data::UserError&) {
            require(f->isNull());
        }
        (void)f->readText();
    }
    // Round trips that must hold.
    if (std::optional<std::int32_t> v = data::parseInteger(text)) {
        require(data::parseInteger(std::to_string(*v)) == v);
    }
    if (text.size() <= 180) require(wide.readText() == text);
    if (!date.isNull()) {
        double days = std::get<data::DateTime>(date.value()).days;
        require(days > -700000.0 && days < 3000000.0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    if (size < 3) return 0;
    data::setCurrentYearSource([] { return 2026; });
    data::setCurrentRegionalSettings(settingsFrom(data[0], data[1]));
    const size_t blockSize = 1 + data[2] % 16;
    std::string_view bytes(reinterpret_cast<const char*>(data) + 3, size - 3);

    std::vector<std::string> lines = readWithReader(bytes, blockSize);
    require(lines == modelLines(bytes));

    for (std::string& line : lines) {
        std::string cut = line;
        importer::ColumnCutter cutter(cut);
        std::vector<std::string> columns;
        for (int column = 1; column <= 60; ++column) columns.emplace_back(cutter.next());

        std::string expected = modelReplace(modelReplace(line, "=\"", ""), "\";", ";");
        importer::normaliseLine(line);
        require(line == expected);

        std::string_view buffer = line;
        for (int column = 1; column <= 60; ++column) {
            const size_t before = buffer.size();
            std::string_view field = importer::EstraiCampo(buffer);
            require(field == columns[column - 1]);
            require(buffer.size() == before || buffer.size() + field.size() + 1 == before);
            std::string text = column % 2 == 0 ? importer::removePoints(field) : std::string(field);
            require(text == modelReplace(std::string(field), ".", "") || column % 2 != 0);
            convertColumn(text);
        }
    }
    return 0;
}

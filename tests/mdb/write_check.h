// write_check.h: checks for tests that write to copies of the fixtures: what the engine reads
// back, and what mdbtools (mdb-export, mdb-count) reads from the same file.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "data/scratch_dir.h"
#include "mdb/database.h"
#include "mdb/fixture_paths.h"

namespace write_check {

using Rows = std::map<mdb::RowPosition, std::vector<mdb::Value>>;

// A writable copy of a fixture in its own temporary folder.
class DiskCopy {
public:
    explicit DiskCopy(const char* fixture) : path_(dir_ / fixture) {
        std::filesystem::copy_file(fixtures::mdb(fixture), path_);
        std::filesystem::permissions(
            path_, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    }
    const std::string& path() const { return path_; }
    std::uintmax_t size() const { return std::filesystem::file_size(path_); }
    std::vector<char> bytes() const {
        std::ifstream in(path_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

private:
    testing_support::ScratchDir dir_;
    std::string path_;
};

// Every live row of the table, read by a database opened afresh.
inline Rows readRows(const std::string& path, const std::string& table) {
    auto db = mdb::Database::open(path, mdb::OpenMode::ReadOnly);
    Rows rows;
    mdb::Table::Cursor cursor = db->table(table).scan();
    while (cursor.next()) rows[cursor.position()] = cursor.values();
    return rows;
}

inline std::string shellQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Standard output of a command, or nullopt when it fails.
inline std::optional<std::string> run(const std::string& command) {
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) return std::nullopt;
    std::string out;
    std::array<char, 65536> buf{};
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) out.append(buf.data(), n);
    if (::pclose(pipe) != 0) return std::nullopt;
    return out;
}

inline bool haveMdbtools() { return run("which mdb-export").has_value(); }

using Record = std::vector<std::string>;

inline std::vector<Record> parseCsv(const std::string& text) {
    std::vector<Record> records;
    Record record;
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c != '"') {
                field += c;
            } else if (i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else {
                quoted = false;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            record.push_back(std::move(field));
            field.clear();
        } else if (c == '\n') {
            record.push_back(std::move(field));
            field.clear();
            records.push_back(std::move(record));
            record.clear();
        } else {
            field += c;
        }
    }
    return records;
}

// Access 97 text: a byte the code page leaves undefined reads as the C1 control of that value;
// mdbtools prints '?'. Our U+0080..U+009F (UTF-8 C2 80..C2 9F) as '?'.
inline void questionMarksForC1Controls(std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        const auto c = static_cast<unsigned char>(field[i]);
        const auto next = i + 1 < field.size() ? static_cast<unsigned char>(field[i + 1]) : 0;
        if (c == 0xC2 && next >= 0x80 && next <= 0x9F) {
            out += '?';
            ++i;
        } else {
            out += field[i];
        }
    }
    field = out;
}

// mdb-export's records of the table against our exporter's (sorted: both read storage order,
// but mdbtools reads moved rows where their bytes are). Doubles are printed differently by the
// two (%.16g against the shortest exact text) and compare as numbers.
inline void expectMdbExportAgrees(const std::string& path, const std::string& table,
                                  std::size_t expectedRows) {
    const std::string args = " " + shellQuote(path) + " " + shellQuote(table);
    const std::string tool = std::string(BRELVANO_BINARY_DIR) + "/tools/brelvano-db";
    const std::optional<std::string> ours = run(tool + " export" + args);
    const std::optional<std::string> theirs = run("mdb-export -T '%Y-%m-%d %H:%M:%S'" + args);
    ASSERT_TRUE(ours && theirs) << "an export failed";
    std::vector<Record> a = parseCsv(*ours), b = parseCsv(*theirs);
    ASSERT_EQ(b.size(), expectedRows + 1) << "mdb-export's record count";
    ASSERT_EQ(a.size(), b.size());
    EXPECT_EQ(a[0], b[0]);
    auto db = mdb::Database::open(path, mdb::OpenMode::ReadOnly);
    const auto& columns = db->table(table).columns();
    // Floating-point fields to 7 (Single) or 15 (Double) significant digits in both, before
    // sorting, so that the two sorts agree (the tests' values have no more digits).
    for (auto* records : {&a, &b})
        for (std::size_t r = 1; r < records->size(); ++r)
            for (std::size_t f = 0; f < (*records)[r].size() && f < columns.size(); ++f) {
                std::string& field = (*records)[r][f];
                const mdb::ColumnType type = columns[f].type;
                // mdbtools 1.0.0 prints a GUID's last two groups without the dash between them.
                if (type == mdb::ColumnType::Guid) std::erase(field, '-');
                if (columns[f].codePage != 0 && records == &a) questionMarksForC1Controls(field);
                // mdbtools 1.0.0 prints every date before its day 0 (1899-12-30) as this.
                if (type == mdb::ColumnType::DateTime && records == &a && !field.empty() &&
                    field < "1899-12-30")
                    field = "1900-01-00 00:00:00";
                if (field.empty() ||
                    (type != mdb::ColumnType::Double && type != mdb::ColumnType::Single))
                    continue;
                char buf[40];
                std::snprintf(buf, sizeof buf, type == mdb::ColumnType::Double ? "%.15g" : "%.7g",
                              std::strtod(field.c_str(), nullptr));
                field = buf;
            }
    std::sort(a.begin() + 1, a.end());
    std::sort(b.begin() + 1, b.end());
    int mismatches = 0;
    for (std::size_t r = 1; r < a.size() && mismatches < 5; ++r) {
        ASSERT_EQ(a[r].size(), b[r].size());
        for (std::size_t f = 0; f < a[r].size(); ++f) {
            const bool same = a[r][f] == b[r][f];
            if (!same) {
                ADD_FAILURE() << "record " << r << " column " << columns[f].name << ": ours '"
                              << a[r][f] << "', mdb-export '" << b[r][f] << "'";
                ++mismatches;
            }
        }
    }
    const std::optional<std::string> count = run("mdb-count" + args);
    ASSERT_TRUE(count);
    EXPECT_EQ(std::stoul(*count), expectedRows) << "mdb-count reads the definition's row count";
}

}  // namespace write_check

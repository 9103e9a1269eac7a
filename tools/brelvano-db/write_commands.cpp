// The commands that change a database: insert one row, empty a table.
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "commands.h"
#include "mdb/database.h"
#include "mdb/error.h"
#include "mdb/value.h"

namespace tool {
namespace {

[[noreturn]] void badValue(const std::string& column, const std::string& text,
                           const std::string& expected) {
    throw mdb::Error(mdb::Error::Kind::Refused,
                     "Cannot read '" + text + "' for field '" + column + "': expected " + expected);
}

// Days since 1899-12-30 of "YYYY-MM-DD" with an optional " HH:MM[:SS]".
std::optional<double> parseDate(const std::string& text) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    const int n = std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s);
    if (n != 3 && n != 5 && n != 6) return std::nullopt;
    if (y < -32767 || y > 32767 || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 ||
        s > 59)
        return std::nullopt;
    // A day past the month's end counts on into the next month, as <chrono> does.
    const std::int64_t days = mdb::dayNumber(std::chrono::year{y} / mo / d);
    const double time = (h * 3600 + mi * 60 + s) / 86400.0;
    // Access keeps the time of day as an unsigned fraction, also before 1899-12-30.
    return days >= 0 ? static_cast<double>(days) + time : static_cast<double>(days) - time;
}

mdb::Value parseValue(const mdb::Column& column, const std::string& text) {
    using mdb::ColumnType;
    char* end = nullptr;
    switch (column.type) {
        case ColumnType::Boolean:
            if (text == "1" || text == "yes" || text == "true" || text == "Yes" || text == "True")
                return true;
            if (text == "0" || text == "no" || text == "false" || text == "No" || text == "False")
                return false;
            badValue(column.name, text, "yes or no");
        case ColumnType::Byte:
        case ColumnType::Integer:
        case ColumnType::Long: {
            const long long v = std::strtoll(text.c_str(), &end, 10);
            if (text.empty() || *end != '\0' || v < INT32_MIN || v > INT32_MAX)
                badValue(column.name, text, "a whole number");
            return static_cast<std::int32_t>(v);
        }
        case ColumnType::Currency:
        case ColumnType::Single:
        case ColumnType::Double:
        case ColumnType::Numeric: {
            const double v = std::strtod(text.c_str(), &end);
            if (text.empty() || *end != '\0' || !std::isfinite(v))
                badValue(column.name, text, "a number (with a point for decimals)");
            if (column.type == ColumnType::Numeric && std::trunc(v) == v)
                return static_cast<std::int32_t>(v);
            return v;
        }
        case ColumnType::DateTime:
            if (auto days = parseDate(text)) return mdb::DateTime{*days};
            badValue(column.name, text, "a date as YYYY-MM-DD [HH:MM[:SS]]");
        case ColumnType::Text:
        case ColumnType::Memo:
        case ColumnType::Guid:
            return text;
        default: {
            // Binary and OLE: hexadecimal digits.
            mdb::Binary bytes;
            if (text.size() % 2 != 0) badValue(column.name, text, "hexadecimal bytes");
            for (std::size_t i = 0; i < text.size(); i += 2) {
                const std::string pair = text.substr(i, 2);
                const long b = std::strtol(pair.c_str(), &end, 16);
                if (*end != '\0') badValue(column.name, text, "hexadecimal bytes");
                bytes.push_back(static_cast<std::uint8_t>(b));
            }
            return bytes;
        }
    }
}

}  // namespace

void insertRow(const std::string& file, const std::string& tableName,
               const std::vector<std::string>& arguments, std::ostream& out) {
    auto db = mdb::Database::open(file, mdb::OpenMode::ReadWrite);
    mdb::Table& table = db->table(tableName);
    std::vector<mdb::Value> values(table.columns().size());
    std::vector<bool> assigned(values.size(), false);  // the others get their default values
    const auto columnNamed = [&](const std::string& name) {
        const std::optional<std::size_t> column = table.findColumn(name);
        if (!column)
            throw mdb::Error(mdb::Error::Kind::NotFound,
                             "Field '" + name + "' not found in table '" + table.name() + "'");
        return *column;
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--null") {
            // A null, not the default: what a copied row held when its column was empty.
            if (++i == arguments.size())
                throw mdb::Error(mdb::Error::Kind::Refused,
                                 "Cannot read '--null': expected a column name after it");
            const std::size_t column = columnNamed(arguments[i]);
            values[column] = std::monostate{};
            assigned[column] = true;
            continue;
        }
        const std::size_t equals = argument.find('=');
        if (equals == std::string::npos)
            throw mdb::Error(mdb::Error::Kind::Refused,
                             "Cannot read '" + argument + "': expected column=value");
        const std::size_t column = columnNamed(argument.substr(0, equals));
        values[column] = parseValue(table.columns()[column], argument.substr(equals + 1));
        assigned[column] = true;
    }
    const mdb::RowPosition at = table.insert(std::move(values), assigned);
    db->sync();
    out << "1 row inserted at " << mdb::describe(at) << '\n';
}

void deleteAll(const std::string& file, const std::string& tableName, std::ostream& out) {
    auto db = mdb::Database::open(file, mdb::OpenMode::ReadWrite);
    const std::uint32_t rows = db->table(tableName).removeAll();
    db->sync();
    out << rows << (rows == 1 ? " row" : " rows") << " deleted\n";
}

}  // namespace tool

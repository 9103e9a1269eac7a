// connection_string.h: the text that tells the connection which database to open.
//
// Form: entries "key=value" separated by ";". Keys are compared without regard to case and
// trimmed of blanks; the last entry of a key wins. A value is either plain (runs to the next ";",
// trimmed of blanks) or quoted: wrapped in double or single quotes, the enclosing quote doubled
// inside, so that it may hold ";", quotes and leading or trailing blanks.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace data {

// The name of the only provider the connection knows.
inline constexpr std::string_view kJetProvider = "Microsoft.Jet.OLEDB.4.0";

// The connection string for a database path as typed:
//   Provider=Microsoft.Jet.OLEDB.4.0;Password="";Data Source=<path>;Persist Security Info=True
// The path goes in as it is unless it could change the string's meaning (see quoteValue).
std::string connectionStringFor(const std::string& databasePath);

// `value` unchanged, or quoted when it holds ";", a quote or leading or trailing blanks: in double
// quotes, or in single quotes when it holds a double quote (the enclosing quote doubled inside).
std::string quoteValue(const std::string& value);

class ConnectionString {
public:
    // Throws UserError (msg::kBadConnectionString) on an entry without "=" or an open quote.
    static ConnectionString parse(const std::string& text);

    // The value of `key` (case-insensitive), or nullopt when no entry names it.
    std::optional<std::string> value(std::string_view key) const;

private:
    std::vector<std::pair<std::string, std::string>> entries_;
};

}  // namespace data

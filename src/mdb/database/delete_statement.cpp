#include "mdb/delete_statement.h"

#include <cctype>
#include <string>

#include "format/name_compare.h"
#include "mdb/error.h"

namespace mdb {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Takes a keyword and the blanks after it off the front of `s`; false when it is not there.
bool takeKeyword(std::string_view& s, std::string_view keyword) {
    if (s.size() <= keyword.size() || !sameName(s.substr(0, keyword.size()), keyword) ||
        !isBlank(s[keyword.size()]))
        return false;
    s = trim(s.substr(keyword.size()));
    return true;
}

// The table a "delete from" names, or an empty view when the rest is not one name.
std::string_view tableName(std::string_view rest) {
    if (!rest.empty() && rest.back() == ';') rest = trim(rest.substr(0, rest.size() - 1));
    if (rest.size() >= 2 && rest.front() == '[' && rest.back() == ']') {
        rest = rest.substr(1, rest.size() - 2);
        return rest.find_first_of("[]") == std::string_view::npos ? rest : std::string_view();
    }
    for (char c : rest)
        if (isBlank(c) || c == '[' || c == ']' || c == ';' || c == ',') return {};
    return rest;
}

}  // namespace

std::uint32_t executeStatement(Database& database, std::string_view text) {
    std::string_view s = trim(text);
    std::string_view table;
    if (takeKeyword(s, "delete") && takeKeyword(s, "from")) table = tableName(s);
    if (table.empty())
        throw Error(Error::Kind::Unsupported, "Statement not supported: '" +
                                                  std::string(trim(text)) +
                                                  "' (only \"delete from <table>\" is understood)");
    const std::uint32_t deleted = database.table(table).removeAll();
    // A statement is a commit of its own, in a batch too: a crash after it keeps the deletion.
    database.sync();
    return deleted;
}

}  // namespace mdb

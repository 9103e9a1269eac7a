#include "data/connection_string.h"

#include <algorithm>
#include <cctype>

#include "data/messages.h"
#include "data/user_error.h"

namespace data {
namespace {

bool isBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

std::string trimmed(std::string_view text) {
    const auto* first = std::find_if_not(text.begin(), text.end(), isBlank);
    const auto* last = std::find_if_not(text.rbegin(), text.rend(), isBlank).base();
    return first < last ? std::string(first, last) : std::string();
}

bool sameKey(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

[[noreturn]] void malformed() { throw UserError(msg::kBadConnectionString); }

// Reads one entry starting at `pos`, leaves `pos` after its ";" (or at the end).
class EntryReader {
public:
    explicit EntryReader(std::string_view text) : text_(text) {}

    bool atEnd() const { return pos_ >= text_.size(); }

    // Returns false for an empty entry (";;" or blanks only), which is skipped.
    bool next(std::string& key, std::string& value) {
        const auto eq = text_.find('=', pos_);
        const auto semi = text_.find(';', pos_);
        if (eq == std::string_view::npos || (semi != std::string_view::npos && semi < eq)) {
            const auto end = semi == std::string_view::npos ? text_.size() : semi;
            if (!trimmed(text_.substr(pos_, end - pos_)).empty()) malformed();
            pos_ = end + 1;
            return false;
        }
        key = trimmed(text_.substr(pos_, eq - pos_));
        if (key.empty()) malformed();
        pos_ = eq + 1;
        value = readValue();
        return true;
    }

private:
    std::string readValue() {
        while (pos_ < text_.size() && isBlank(text_[pos_])) ++pos_;
        if (pos_ < text_.size() && (text_[pos_] == '"' || text_[pos_] == '\'')) return quoted();
        const auto semi = text_.find(';', pos_);
        const auto end = semi == std::string_view::npos ? text_.size() : semi;
        std::string value = trimmed(text_.substr(pos_, end - pos_));
        pos_ = end + 1;
        return value;
    }

    std::string quoted() {
        const char quote = text_[pos_++];
        std::string value;
        for (;;) {
            if (pos_ >= text_.size()) malformed();
            const char c = text_[pos_++];
            if (c != quote) {
                value += c;
            } else if (pos_ < text_.size() && text_[pos_] == quote) {
                value += quote;
                ++pos_;
            } else {
                break;
            }
        }
        while (pos_ < text_.size() && isBlank(text_[pos_])) ++pos_;
        if (pos_ < text_.size() && text_[pos_] != ';') malformed();
        ++pos_;
        return value;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

}  // namespace

std::string quoteValue(const std::string& value) {
    const bool needsQuotes = value.find_first_of(";\"'") != std::string::npos ||
                             (!value.empty() && (isBlank(value.front()) || isBlank(value.back())));
    if (!needsQuotes) return value;
    const char quote = value.find('"') != std::string::npos ? '\'' : '"';
    std::string result(1, quote);
    for (char c : value) {
        if (c == quote) result += quote;
        result += c;
    }
    return result + quote;
}

std::string connectionStringFor(const std::string& databasePath) {
    return "Provider=" + std::string(kJetProvider) +
           ";Password=\"\";Data Source=" + quoteValue(databasePath) + ";Persist Security Info=True";
}

ConnectionString ConnectionString::parse(const std::string& text) {
    ConnectionString result;
    EntryReader reader(text);
    std::string key, value;
    while (!reader.atEnd()) {
        if (reader.next(key, value)) result.entries_.emplace_back(key, value);
    }
    return result;
}

std::optional<std::string> ConnectionString::value(std::string_view key) const {
    const auto found = std::find_if(entries_.rbegin(), entries_.rend(),
                                    [&](const auto& entry) { return sameKey(entry.first, key); });
    if (found == entries_.rend()) return std::nullopt;
    return found->second;
}

}  // namespace data

#include "rules/expression_lexer.h"

#include <cctype>
#include <charconv>

#include "mdb/error.h"
#include "rules/expression_date.h"

namespace mdb {
namespace {

[[noreturn]] void fail(const std::string& what, std::size_t offset) {
    throw Error(Error::Kind::Unsupported, what + " at character " + std::to_string(offset + 1));
}

bool isNameStart(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; }
bool isNamePart(unsigned char c) { return isNameStart(c) || std::isdigit(c); }
bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

class Lexer {
public:
    explicit Lexer(std::string_view text) : s_(text) {}

    std::vector<Token> run() {
        std::vector<Token> tokens;
        for (;;) {
            while (at_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[at_]))) ++at_;
            if (at_ == s_.size()) break;
            tokens.push_back(next());
        }
        Token end;
        end.offset = s_.size();
        tokens.push_back(end);
        return tokens;
    }

private:
    Token next() {
        Token t;
        t.offset = at_;
        const char c = s_[at_];
        const auto u = static_cast<unsigned char>(c);
        if (isDigit(c) || (c == '.' && at_ + 1 < s_.size() && isDigit(s_[at_ + 1]))) {
            readNumber(t);
        } else if (c == '"' || c == '\'') {
            readText(t, c);
        } else if (c == '#') {
            readDate(t);
        } else if (c == '[') {
            readBracketName(t);
        } else if (isNameStart(u)) {
            t.kind = Token::Kind::Name;
            while (at_ < s_.size() && isNamePart(static_cast<unsigned char>(s_[at_])))
                t.text += s_[at_++];
        } else {
            readSymbol(t);
        }
        return t;
    }

    void readNumber(Token& t) {
        const std::size_t start = at_;
        while (at_ < s_.size() && isDigit(s_[at_])) ++at_;
        if (at_ < s_.size() && s_[at_] == '.') {
            ++at_;
            while (at_ < s_.size() && isDigit(s_[at_])) ++at_;
        }
        if (at_ < s_.size() && (s_[at_] == 'E' || s_[at_] == 'e')) {
            std::size_t e = at_ + 1;
            if (e < s_.size() && (s_[e] == '+' || s_[e] == '-')) ++e;
            if (e < s_.size() && isDigit(s_[e])) {
                at_ = e;
                while (at_ < s_.size() && isDigit(s_[at_])) ++at_;
            }
        }
        if (at_ < s_.size() && isNameStart(static_cast<unsigned char>(s_[at_])))
            fail("a number runs into a name", start);
        t.kind = Token::Kind::Number;
        auto [ptr, ec] = std::from_chars(s_.data() + start, s_.data() + at_, t.number);
        if (ec != std::errc() || ptr != s_.data() + at_) fail("a number out of range", start);
    }

    void readText(Token& t, char quote) {
        const std::size_t start = at_++;
        t.kind = Token::Kind::Text;
        for (;;) {
            if (at_ >= s_.size()) fail("a text without its closing quote", start);
            if (s_[at_] == quote) {
                if (at_ + 1 < s_.size() && s_[at_ + 1] == quote) {
                    t.text += quote;
                    at_ += 2;
                    continue;
                }
                ++at_;
                return;
            }
            t.text += s_[at_++];
        }
    }

    void readDate(Token& t) {
        const std::size_t start = at_++;
        const std::size_t close = s_.find('#', at_);
        if (close == std::string_view::npos) fail("a date without its closing #", start);
        const std::string_view inside = s_.substr(at_, close - at_);
        std::optional<DateTime> date = parseDateLiteral(inside);
        if (!date)
            fail("the date #" + std::string(inside) + "# is not one this program reads", start);
        t.kind = Token::Kind::Date;
        t.date = *date;
        at_ = close + 1;
    }

    void readBracketName(Token& t) {
        const std::size_t start = at_++;
        const std::size_t close = s_.find(']', at_);
        if (close == std::string_view::npos) fail("a name without its closing ]", start);
        t.kind = Token::Kind::BracketName;
        t.text = std::string(s_.substr(at_, close - at_));
        at_ = close + 1;
    }

    void readSymbol(Token& t) {
        static constexpr std::string_view kTwo[] = {"<>", "<=", ">="};
        for (std::string_view two : kTwo) {
            if (s_.substr(at_, 2) == two) {
                t.kind = Token::Kind::Symbol;
                t.text = two;
                at_ += 2;
                return;
            }
        }
        static constexpr std::string_view kOne = "(),=<>+-*/&\\^.!";
        if (kOne.find(s_[at_]) == std::string_view::npos)
            fail(std::string("the character '") + s_[at_] + "'", at_);
        t.kind = Token::Kind::Symbol;
        t.text = std::string(1, s_[at_++]);
    }

    std::string_view s_;
    std::size_t at_ = 0;
};

}  // namespace

std::vector<Token> tokenizeExpression(std::string_view expression) {
    return Lexer(expression).run();
}

}  // namespace mdb

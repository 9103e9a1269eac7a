#include "rules/expression_parser.h"

#include <array>

#include "format/name_compare.h"
#include "mdb/error.h"
#include "rules/expression_lexer.h"

namespace mdb {
namespace {

using Kind = ExprNode::Kind;
using Op = ExprNode::Op;

constexpr std::array<std::string_view, 19> kKeywords = {
    "And", "Or", "Not", "Between", "In",  "Like", "Is",  "Null", "True", "False",
    "Yes", "No", "On",  "Off",     "Xor", "Eqv",  "Imp", "Mod",  "As"};

bool isKeyword(std::string_view name) {
    for (std::string_view k : kKeywords)
        if (sameName(k, name)) return true;
    return false;
}

ExprNode literal(ExprValue v) {
    ExprNode n;
    n.kind = Kind::Literal;
    n.value = std::move(v);
    return n;
}

ExprNode node(Kind kind, std::vector<ExprNode> operands, Op op = Op::Equal) {
    ExprNode n;
    n.kind = kind;
    n.op = op;
    n.operands = std::move(operands);
    return n;
}

class Parser {
public:
    Parser(std::string_view text, ExpressionUse use, const ExpressionScope& scope)
        : tokens_(tokenizeExpression(text)), use_(use), scope_(scope) {}

    ExprNode run() {
        if (use_ == ExpressionUse::DefaultValue && isSymbol("=")) ++at_;
        if (peek().kind == Token::Kind::End) fail("an empty expression");
        ExprNode root = parseOr();
        if (peek().kind != Token::Kind::End) fail("'" + describe(peek()) + "' was not expected");
        if (use_ == ExpressionUse::ColumnRule) bareValuesCompareWithSelf(root);
        return root;
    }

private:
    const Token& peek(std::size_t ahead = 0) const {
        return tokens_[std::min(at_ + ahead, tokens_.size() - 1)];
    }
    bool isSymbol(std::string_view s, std::size_t ahead = 0) const {
        const Token& t = peek(ahead);
        return t.kind == Token::Kind::Symbol && t.text == s;
    }
    bool isWord(std::string_view w, std::size_t ahead = 0) const {
        const Token& t = peek(ahead);
        return t.kind == Token::Kind::Name && sameName(t.text, w);
    }
    bool accept(std::string_view word) {
        if (!isWord(word)) return false;
        ++at_;
        return true;
    }
    void expectSymbol(std::string_view s) {
        if (!isSymbol(s))
            fail("'" + std::string(s) + "' expected before '" + describe(peek()) + "'");
        ++at_;
    }
    static std::string describe(const Token& t) {
        switch (t.kind) {
            case Token::Kind::End:
                return "the end";
            case Token::Kind::Number:
                return textOf(t.number);
            case Token::Kind::Date:
                return "#" + textOf(t.date) + "#";
            case Token::Kind::BracketName:
                return "[" + t.text + "]";
            default:
                return t.text;
        }
    }
    [[noreturn]] void fail(const std::string& what) const {
        const std::size_t at = peek().offset + 1;
        throw Error(
            Error::Kind::Unsupported,
            what + (peek().kind == Token::Kind::End ? std::string()
                                                    : " (character " + std::to_string(at) + ")"));
    }

    ExprNode parseOr() {
        ExprNode left = parseAnd();
        for (;;) {
            if (accept("Or")) {
                left = node(Kind::Or, {std::move(left), parseAnd()});
            } else if (isWord("Xor") || isWord("Eqv") || isWord("Imp")) {
                fail("the operator " + peek().text + " is not supported");
            } else {
                return left;
            }
        }
    }

    ExprNode parseAnd() {
        ExprNode left = parseNot();
        while (accept("And")) left = node(Kind::And, {std::move(left), parseNot()});
        return left;
    }

    ExprNode parseNot() {
        // "Not Like", "Not Between" and "Not In" with the left side left out belong to the
        // comparison; any other Not negates what follows.
        if (isWord("Not") && !(startsImplicitComparison(1) && impliedLeftAllowed())) {
            ++at_;
            return node(Kind::Not, {parseNot()});
        }
        return parseComparison();
    }

    bool impliedLeftAllowed() const { return use_ == ExpressionUse::ColumnRule; }

    // Whether the tokens from `ahead` on compare something not written with a value.
    bool startsImplicitComparison(std::size_t ahead) const {
        static constexpr std::array<std::string_view, 6> kOps = {"=", "<>", "<", ">", "<=", ">="};
        for (std::string_view op : kOps)
            if (isSymbol(op, ahead)) return true;
        if (isWord("Like", ahead) || isWord("Between", ahead) || isWord("In", ahead) ||
            isWord("Is", ahead))
            return true;
        return isWord("Not", ahead) && (isWord("Like", ahead + 1) || isWord("Between", ahead + 1) ||
                                        isWord("In", ahead + 1));
    }

    ExprNode self() const {
        ExprNode n;
        n.kind = Kind::Column;
        n.column = scope_.self;
        n.name = scope_.columns.at(scope_.self);
        return n;
    }

    ExprNode parseComparison() {
        ExprNode left =
            (impliedLeftAllowed() && startsImplicitComparison(0)) ? self() : parseConcat();
        for (;;) {
            if (std::optional<Op> op = comparisonOperator()) {
                ++at_;
                left = node(Kind::Compare, {std::move(left), parseConcat()}, *op);
                continue;
            }
            const bool negated =
                isWord("Not") && (isWord("Like", 1) || isWord("Between", 1) || isWord("In", 1));
            if (negated) ++at_;
            if (accept("Like")) {
                left = node(Kind::Like, {std::move(left), parseConcat()});
            } else if (accept("Between")) {
                ExprNode low = parseConcat();
                if (!accept("And")) fail("And expected after Between's first value");
                left = node(Kind::Between, {std::move(left), std::move(low), parseConcat()});
            } else if (accept("In")) {
                left = parseInList(std::move(left));
            } else if (accept("Is")) {
                const bool isNot = accept("Not");
                if (!accept("Null")) fail("Null expected after Is");
                left = node(Kind::IsNull, {std::move(left)});
                left.negated = isNot;
                continue;
            } else {
                return left;
            }
            left.negated = negated;
        }
    }

    std::optional<Op> comparisonOperator() const {
        const Token& t = peek();
        if (t.kind != Token::Kind::Symbol) return std::nullopt;
        if (t.text == "=") return Op::Equal;
        if (t.text == "<>") return Op::NotEqual;
        if (t.text == "<") return Op::Less;
        if (t.text == ">") return Op::Greater;
        if (t.text == "<=") return Op::LessOrEqual;
        if (t.text == ">=") return Op::GreaterOrEqual;
        return std::nullopt;
    }

    ExprNode parseInList(ExprNode left) {
        expectSymbol("(");
        std::vector<ExprNode> operands;
        operands.push_back(std::move(left));
        do {
            operands.push_back(parseConcat());
        } while (isSymbol(",") && (++at_, true));
        expectSymbol(")");
        return node(Kind::In, std::move(operands));
    }

    ExprNode parseConcat() {
        ExprNode left = parseAdditive();
        while (isSymbol("&")) {
            ++at_;
            left = node(Kind::Concat, {std::move(left), parseAdditive()});
        }
        return left;
    }

    ExprNode parseAdditive() {
        ExprNode left = parseMultiplicative();
        while (isSymbol("+") || isSymbol("-")) {
            const Op op = isSymbol("+") ? Op::Add : Op::Subtract;
            ++at_;
            left = node(Kind::Arithmetic, {std::move(left), parseMultiplicative()}, op);
        }
        return left;
    }

    ExprNode parseMultiplicative() {
        ExprNode left = parseUnary();
        for (;;) {
            if (isSymbol("*") || isSymbol("/")) {
                const Op op = isSymbol("*") ? Op::Multiply : Op::Divide;
                ++at_;
                left = node(Kind::Arithmetic, {std::move(left), parseUnary()}, op);
            } else if (isSymbol("\\") || isSymbol("^") || isWord("Mod")) {
                fail("the operator " + peek().text + " is not supported");
            } else {
                return left;
            }
        }
    }

    ExprNode parseUnary() {
        if (isSymbol("-")) {
            ++at_;
            return node(Kind::Negate, {parseUnary()});
        }
        if (isSymbol("+")) {
            ++at_;
            return parseUnary();
        }
        return parsePrimary();
    }

    ExprNode parsePrimary() {
        const Token t = peek();
        switch (t.kind) {
            case Token::Kind::Number:
                ++at_;
                return literal(t.number);
            case Token::Kind::Text:
                ++at_;
                return literal(t.text);
            case Token::Kind::Date:
                ++at_;
                return literal(t.date);
            case Token::Kind::BracketName:
                ++at_;
                return columnNamed(t.text);
            case Token::Kind::Name:
                return parseName();
            case Token::Kind::Symbol:
                if (t.text == "(") {
                    ++at_;
                    ExprNode inner = parseOr();
                    expectSymbol(")");
                    return inner;
                }
                break;
            case Token::Kind::End:
                break;
        }
        fail("a value expected before '" + describe(t) + "'");
    }

    ExprNode parseName() {
        const Token t = peek();
        if (isWord("True") || isWord("Yes") || isWord("On")) return ++at_, literal(true);
        if (isWord("False") || isWord("No") || isWord("Off")) return ++at_, literal(false);
        if (isWord("Null")) return ++at_, literal(std::monostate{});
        if (isKeyword(t.text)) fail("'" + t.text + "' was not expected");
        if (isSymbol("(", 1)) return parseCall(t.text);
        ++at_;
        return columnNamed(t.text);
    }

    ExprNode parseCall(const std::string& name) {
        const ExprFunction* f = findFunction(name);
        if (!f) fail("the function " + name + " is not supported");
        at_ += 2;  // the name and (
        ExprNode call;
        call.kind = Kind::Call;
        call.name = name;
        call.function = f;
        if (!isSymbol(")")) {
            do {
                call.operands.push_back(parseOr());
            } while (isSymbol(",") && (++at_, true));
        }
        expectSymbol(")");
        if (call.operands.size() < f->minArguments || call.operands.size() > f->maxArguments)
            fail("the function " + name + " takes " + arity(*f) + ", not " +
                 std::to_string(call.operands.size()));
        return call;
    }

    static std::string arity(const ExprFunction& f) {
        std::string n = std::to_string(f.minArguments);
        if (f.maxArguments != f.minArguments) n += " or " + std::to_string(f.maxArguments);
        return n + (f.maxArguments == 1 ? " argument" : " arguments");
    }

    ExprNode columnNamed(const std::string& name) {
        if (isSymbol(".") || isSymbol("!"))
            fail("the reference " + name + peek().text + "... names another object");
        if (use_ == ExpressionUse::DefaultValue)
            throw Error(Error::Kind::Unsupported, "a default value cannot use the name " + name);
        for (std::size_t i = 0; i < scope_.columns.size(); ++i) {
            if (sameName(scope_.columns[i], name)) {
                ExprNode n;
                n.kind = Kind::Column;
                n.column = i;
                n.name = name;
                return n;
            }
        }
        throw Error(Error::Kind::Unsupported, "the table has no field named " + name);
    }

    // In a column's rule a bare value among the rule's And, Or and Not compares with the
    // column: "'M' Or 'F'" is [c] = 'M' Or [c] = 'F', and "Not Null" is [c] Is Not Null.
    void bareValuesCompareWithSelf(ExprNode& n) const {
        switch (n.kind) {
            case Kind::And:
            case Kind::Or:
            case Kind::Not:
                for (ExprNode& operand : n.operands) bareValuesCompareWithSelf(operand);
                return;
            case Kind::Literal:
                if (isNull(n.value)) {
                    n = node(Kind::IsNull, {self()});
                } else if (!std::holds_alternative<bool>(n.value)) {
                    n = node(Kind::Compare, {self(), std::move(n)}, Op::Equal);
                }
                return;
            default:
                return;
        }
    }

    std::vector<Token> tokens_;
    std::size_t at_ = 0;
    ExpressionUse use_;
    const ExpressionScope& scope_;
};

}  // namespace

ExprNode parseExpression(std::string_view text, ExpressionUse use, const ExpressionScope& scope) {
    return Parser(text, use, scope).run();
}

}  // namespace mdb

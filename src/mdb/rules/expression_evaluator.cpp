#include "rules/expression_evaluator.h"

#include <cmath>

#include "mdb/error.h"
#include "rules/expression_date.h"
#include "rules/like_pattern.h"

namespace mdb {
namespace {

using Kind = ExprNode::Kind;
using Op = ExprNode::Op;

[[noreturn]] void mismatch(const std::string& what) {
    throw Error(Error::Kind::Unsupported, "Data type mismatch: " + what);
}

class Evaluator {
public:
    explicit Evaluator(const EvaluationInput& in) : in_(in) {}

    ExprValue eval(const ExprNode& n) const {
        switch (n.kind) {
            case Kind::Literal:
                return n.value;
            case Kind::Column:
                if (n.column >= in_.row.size())
                    throw Error(Error::Kind::Unsupported, "no value for the field " + n.name);
                return expressionValue(in_.row[n.column]);
            case Kind::Call:
                return call(n);
            case Kind::Negate:
                return negate(eval(n.operands[0]));
            case Kind::Not:
                return logicalNot(eval(n.operands[0]));
            case Kind::And:
                return logical(n, false);
            case Kind::Or:
                return logical(n, true);
            case Kind::Arithmetic:
                return arithmetic(n.op, eval(n.operands[0]), eval(n.operands[1]));
            case Kind::Concat:
                return concat(eval(n.operands[0]), eval(n.operands[1]));
            case Kind::Compare:
                return compare(n.op, eval(n.operands[0]), eval(n.operands[1]));
            case Kind::Like:
                return negatedIf(n.negated, like(eval(n.operands[0]), eval(n.operands[1])));
            case Kind::Between:
                return negatedIf(n.negated, between(n));
            case Kind::In:
                return negatedIf(n.negated, in(n));
            case Kind::IsNull:
                return isNull(eval(n.operands[0])) != n.negated;
        }
        return std::monostate{};
    }

private:
    ExprValue call(const ExprNode& n) const {
        std::vector<ExprValue> args;
        args.reserve(n.operands.size());
        for (const ExprNode& a : n.operands) args.push_back(eval(a));
        return n.function->call(args, in_.now);
    }

    static ExprValue negatedIf(bool negated, ExprValue v) {
        return negated ? logicalNot(std::move(v)) : v;
    }

    static double number(const ExprValue& v, const char* what) {
        std::optional<double> n = numberOf(v);
        if (!n) mismatch(std::string(what) + " needs a number, not '" + textOf(v) + "'");
        return *n;
    }

    static ExprValue negate(const ExprValue& v) {
        if (isNull(v)) return std::monostate{};
        if (const auto* d = std::get_if<DateTime>(&v)) return fromLinearDays(-linearDays(*d));
        return -number(v, "-");
    }

    // Not of Yes/No is logical; Not of a number flips its bits, as in Access (Not 0 is -1).
    static ExprValue logicalNot(const ExprValue& v) {
        if (isNull(v)) return std::monostate{};
        if (const auto* b = std::get_if<bool>(&v)) return !*b;
        return static_cast<double>(~static_cast<std::int64_t>(std::llround(number(v, "Not"))));
    }

    // Three-valued And (isOr false) and Or. Both sides are evaluated, as Access does; a
    // Yes/No result is given unless a side is a number, which makes the operation bitwise.
    ExprValue logical(const ExprNode& n, bool isOr) const {
        const ExprValue a = eval(n.operands[0]);
        const ExprValue b = eval(n.operands[1]);
        const bool numeric = std::holds_alternative<double>(a) || std::holds_alternative<double>(b);
        if (numeric && !isNull(a) && !isNull(b)) {
            const auto x = static_cast<std::int64_t>(std::llround(number(a, isOr ? "Or" : "And")));
            const auto y = static_cast<std::int64_t>(std::llround(number(b, isOr ? "Or" : "And")));
            return static_cast<double>(isOr ? (x | y) : (x & y));
        }
        const std::optional<bool> ta = truthOf(a);
        const std::optional<bool> tb = truthOf(b);
        // The side that decides alone: False for And, True for Or.
        if ((ta && *ta == isOr) || (tb && *tb == isOr)) return isOr;
        if (!ta || !tb) return std::monostate{};
        return !isOr;
    }

    static ExprValue arithmetic(Op op, const ExprValue& a, const ExprValue& b) {
        if (isNull(a) || isNull(b)) return std::monostate{};
        const auto* ta = std::get_if<std::string>(&a);
        const auto* tb = std::get_if<std::string>(&b);
        if (op == Op::Add && ta && tb) return *ta + *tb;  // + joins two texts
        const bool dateA = std::holds_alternative<DateTime>(a);
        const bool dateB = std::holds_alternative<DateTime>(b);
        const double x = number(a, "arithmetic");
        const double y = number(b, "arithmetic");
        switch (op) {
            case Op::Add:
                return dateA || dateB ? ExprValue(fromLinearDays(x + y)) : ExprValue(x + y);
            case Op::Subtract:
                // A date minus a number is a date; a date minus a date is a number of days.
                return dateA && !dateB ? ExprValue(fromLinearDays(x - y)) : ExprValue(x - y);
            case Op::Multiply:
                return x * y;
            case Op::Divide:
                if (y == 0) throw Error(Error::Kind::Unsupported, "Division by zero");
                return x / y;
            default:
                return std::monostate{};
        }
    }

    static ExprValue concat(const ExprValue& a, const ExprValue& b) {
        if (isNull(a) && isNull(b)) return std::monostate{};
        return textOf(a) + textOf(b);
    }

    static ExprValue compare(Op op, const ExprValue& a, const ExprValue& b) {
        const std::optional<int> c = compareValues(a, b);
        if (!c) return std::monostate{};
        switch (op) {
            case Op::Equal:
                return *c == 0;
            case Op::NotEqual:
                return *c != 0;
            case Op::Less:
                return *c < 0;
            case Op::Greater:
                return *c > 0;
            case Op::LessOrEqual:
                return *c <= 0;
            case Op::GreaterOrEqual:
                return *c >= 0;
            default:
                return std::monostate{};
        }
    }

    static ExprValue like(const ExprValue& value, const ExprValue& pattern) {
        if (isNull(value) || isNull(pattern)) return std::monostate{};
        return likeMatches(textOf(value), textOf(pattern));
    }

    // Jet accepts the bounds in either order: Between 10 And 1 is Between 1 And 10.
    ExprValue between(const ExprNode& n) const {
        const ExprValue v = eval(n.operands[0]);
        const ExprValue a = eval(n.operands[1]);
        const ExprValue b = eval(n.operands[2]);
        const std::optional<int> order = compareValues(a, b);
        const bool swap = order && *order > 0;
        const std::optional<int> low = compareValues(v, swap ? b : a);
        const std::optional<int> high = compareValues(v, swap ? a : b);
        if ((low && *low < 0) || (high && *high > 0)) return false;
        if (!low || !high) return std::monostate{};
        return true;
    }

    ExprValue in(const ExprNode& n) const {
        const ExprValue v = eval(n.operands[0]);
        bool sawNull = isNull(v);
        for (std::size_t i = 1; i < n.operands.size(); ++i) {
            const std::optional<int> c = compareValues(v, eval(n.operands[i]));
            if (c && *c == 0) return true;
            if (!c) sawNull = true;
        }
        if (sawNull) return std::monostate{};
        return false;
    }

    const EvaluationInput& in_;
};

}  // namespace

ExprValue evaluate(const ExprNode& expression, const EvaluationInput& input) {
    return Evaluator(input).eval(expression);
}

}  // namespace mdb

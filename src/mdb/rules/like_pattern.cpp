#include "rules/like_pattern.h"

#include <string>
#include <vector>

#include "format/name_compare.h"
#include "mdb/error.h"

namespace mdb {
namespace {

// UTF-8 to code points; a byte that starts no valid sequence stands for itself.
std::u32string codePoints(std::string_view s) {
    std::u32string out;
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t n = c < 0x80         ? 1
                              : (c >> 5) == 6  ? 2
                              : (c >> 4) == 14 ? 3
                              : (c >> 3) == 30 ? 4
                                               : 0;
        bool valid = n > 0 && i + n <= s.size();
        for (std::size_t k = 1; valid && k < n; ++k)
            valid = (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
        if (!valid) {
            out += c;
            ++i;
            continue;
        }
        char32_t cp = n == 1 ? c : c & (0x7F >> n);
        for (std::size_t k = 1; k < n; ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        out += cp;
        i += n;
    }
    return out;
}

// One position of a pattern: a literal character, ?, #, or a bracketed set.
struct Element {
    enum Kind { Literal, AnyOne, Digit, Set, AnyRun };
    explicit Element(Kind k, char32_t ch = 0) : kind(k), c(ch) {}
    Kind kind;
    char32_t c;
    bool negated = false;
    std::vector<std::pair<char32_t, char32_t>> ranges;

    bool matches(char32_t x) const {
        switch (kind) {
            case Literal:
                return x == c;
            case AnyOne:
                return true;
            case Digit:
                return x >= U'0' && x <= U'9';
            case Set: {
                bool in = false;
                for (auto [lo, hi] : ranges) in = in || (x >= lo && x <= hi);
                return in != negated;
            }
            case AnyRun:
                break;
        }
        return false;
    }
};

std::vector<Element> compile(const std::u32string& p) {
    std::vector<Element> out;
    for (std::size_t i = 0; i < p.size(); ++i) {
        const char32_t c = p[i];
        if (c == U'*') {
            if (out.empty() || out.back().kind != Element::AnyRun)
                out.push_back(Element(Element::AnyRun));
        } else if (c == U'?') {
            out.push_back(Element(Element::AnyOne));
        } else if (c == U'#') {
            out.push_back(Element(Element::Digit));
        } else if (c == U'[') {
            const std::size_t close = p.find(U']', i + 1);
            if (close == std::u32string::npos)
                throw Error(Error::Kind::Unsupported, "Invalid pattern string");
            Element set(Element::Set);
            std::size_t k = i + 1;
            if (k < close && p[k] == U'!' && close > k + 1) {
                set.negated = true;
                ++k;
            }
            for (; k < close; ++k) {
                if (k + 2 < close && p[k + 1] == U'-') {
                    set.ranges.emplace_back(p[k], p[k + 2]);
                    k += 2;
                } else {
                    set.ranges.emplace_back(p[k], p[k]);
                }
            }
            out.push_back(set);
            i = close;
        } else {
            out.push_back(Element(Element::Literal, c));
        }
    }
    return out;
}

}  // namespace

bool likeMatches(std::string_view text, std::string_view pattern) {
    const std::u32string t = codePoints(foldCase(text));
    const std::vector<Element> p = compile(codePoints(foldCase(pattern)));
    // Greedy matching that returns to the last * on a mismatch: linear in practice and never
    // exponential, whatever the pattern.
    std::size_t ti = 0, pi = 0;
    std::size_t starP = std::string::npos, starT = 0;
    while (ti < t.size()) {
        if (pi < p.size() && p[pi].kind == Element::AnyRun) {
            starP = pi++;
            starT = ti;
        } else if (pi < p.size() && p[pi].matches(t[ti])) {
            ++pi;
            ++ti;
        } else if (starP != std::string::npos) {
            pi = starP + 1;
            ti = ++starT;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi].kind == Element::AnyRun) ++pi;
    return pi == p.size();
}

}  // namespace mdb

#include "rules/like_pattern.h"

#include <gtest/gtest.h>

#include "mdb/error.h"

namespace {

TEST(LikePattern, MatchesAccessWildcards) {
    struct Case {
        const char* text;
        const char* pattern;
        bool matches;
    };
    const Case cases[] = {
        {"Abc", "A*", true},     // * after a prefix
        {"abc", "A*", true},     // letters ignore case
        {"bAc", "A*", false},    // the prefix must start the text
        {"", "*", true},         // * matches nothing too
        {"", "?", false},        // ? needs one character
        {"ab", "a?", true},      //
        {"abc", "a?", false},    // the whole text must match
        {"a1", "a#", true},      // # is a digit
        {"aX", "a#", false},     //
        {"b", "[abc]", true},    // a set
        {"d", "[abc]", false},   //
        {"q", "[a-z]", true},    // a range
        {"Q", "[a-z]", true},    // ranges ignore case like the rest
        {"5", "[!a-z]", true},   // a negated range
        {"q", "[!a-z]", false},  //
        {"*", "[*]", true},      // a wildcard in brackets is itself
        {"x", "[*]", false},     //
        {"a#b", "a[#]b", true},  //
        {"[", "[[]", true},      // an open bracket in brackets
        {"a]", "a]", true},      // a close bracket outside brackets is itself
        {"!", "[!]", true},      // [!] is the character !
        {"è", "?", true},        // one character, two bytes
        {"ÈLAN", "èlan", true},  // case folding beyond ASCII
        {"mississippi", "*iss*ppi", true},
        {"mississippi", "*iss*ppx", false},
        {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*a*a*c", false},  // no blow-up
        {"abcabc", "*abc", true},  // the * must give back what the tail needs
        {"ab", "a**b", true},      // runs of * are one
        {"RSSMRA80A01H501U", "[A-Z][A-Z][A-Z][A-Z][A-Z][A-Z]##[A-Z]##[A-Z]###[A-Z]", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " Like " + c.pattern);
        EXPECT_EQ(mdb::likeMatches(c.text, c.pattern), c.matches);
    }
}

TEST(LikePattern, AnUnclosedBracketIsAnInvalidPattern) {
    EXPECT_THROW(mdb::likeMatches("a", "[a"), mdb::Error);
    EXPECT_THROW(mdb::likeMatches("a", "a*[!"), mdb::Error);
}

}  // namespace

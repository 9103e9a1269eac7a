#include "data/integer_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>

namespace {

struct Case {
    const char* text;
    std::optional<std::int32_t> expected;  // nullopt: invalid
};

void check(const Case& c) {
    SCOPED_TRACE(std::string("«") + c.text + "»");
    EXPECT_EQ(data::parseInteger(c.text), c.expected);
}

TEST(IntegerText, SkipsLeadingBlanksButNothingAfterTheNumber) {
    const Case cases[] = {
        {"42", 42},
        {" 42", 42},
        {"   -5", -5},
        {"42 ", std::nullopt},
        {"4 2", std::nullopt},
        {"\t42", std::nullopt},  // only character 32 is a blank
        {" ", std::nullopt},
        {"   ", std::nullopt},
    };
    for (const Case& c : cases) check(c);
}

TEST(IntegerText, SignMustTouchTheNumber) {
    const Case cases[] = {
        {"+42", 42},           {"-42", -42},          {"-0", 0},
        {"+", std::nullopt},   {"-", std::nullopt},   {"- 5", std::nullopt},
        {"+-5", std::nullopt}, {"--5", std::nullopt}, {"5-", std::nullopt},
    };
    for (const Case& c : cases) check(c);
}

TEST(IntegerText, DecimalRangeIsExactlyThirtyTwoBits) {
    const Case cases[] = {
        {"2147483647", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"4294967295", std::nullopt},
        {"4294967296", std::nullopt},  // would wrap to 0 in 32 bits
        {"99999999999999999999", std::nullopt},
        {"0000000000002147483647", INT32_MAX},  // leading zeros do not count against the range
        {"007", 7},
    };
    for (const Case& c : cases) check(c);
}

TEST(IntegerText, RejectsEverythingThatIsNotAWholeNumber) {
    const Case cases[] = {
        {"12.5", std::nullopt}, {"1.024", std::nullopt}, {"1e3", std::nullopt},
        {"0a", std::nullopt},   {"abc", std::nullopt},   {"1_000", std::nullopt},
        {"١٢", std::nullopt},  // digits of other scripts are not digits here
    };
    for (const Case& c : cases) check(c);
}

TEST(IntegerText, HexadecimalPrefixesAndDigits) {
    const Case cases[] = {
        {"$1F", 31},
        {"$1f", 31},
        {"x1F", 31},
        {"X1f", 31},
        {"0x1F", 31},
        {"0X1F", 31},
        {" $10", 16},
        {"-$1F", -31},
        {"+0x10", 16},
        {"$0", 0},
        {"$00000000", 0},
        {"$", std::nullopt},
        {"0x", std::nullopt},
        {"-$", std::nullopt},  // prefix alone
        {"x", std::nullopt},
        {"$1G", std::nullopt},
        {"$ 1", std::nullopt},
        {"$1F ", std::nullopt},
        {"00x1", std::nullopt},  // "0x" only right after the sign
        {"$$1", std::nullopt},
    };
    for (const Case& c : cases) check(c);
}

TEST(IntegerText, HexadecimalWrapsIntoTheSignedRange) {
    const Case cases[] = {
        {"$7FFFFFFF", INT32_MAX},
        {"$80000000", INT32_MIN},
        {"$FFFFFFFF", -1},
        {"$FFFFFFFE", -2},
        {"-$FFFFFFFF", 1},
        {"-$80000000", INT32_MIN},
        {"-$7FFFFFFF", -INT32_MAX},
        {"$12345678", 0x12345678},
        {"$123456789", std::nullopt},  // nine digits
        {"$000000001", std::nullopt},  // nine digits, even though the value is small
    };
    for (const Case& c : cases) check(c);
}

}  // namespace

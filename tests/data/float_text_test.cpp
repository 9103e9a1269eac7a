#include "data/float_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

using Status = data::FloatReading::Status;

struct Case {
    const char* text;
    Status status;
    double value;  // checked when status is Ok
};

void check(const Case& c, char separator) {
    SCOPED_TRACE(std::string("«") + c.text + "» with separator «" + separator + "»");
    data::FloatReading r = data::parseFloat(c.text, separator);
    EXPECT_EQ(r.status, c.status);
    if (c.status == Status::Ok && r.status == Status::Ok) {
        EXPECT_EQ(r.value, c.value);
    }
}

TEST(FloatText, ReadsWithThePointAsSeparator) {
    const Case cases[] = {
        {"1234.56", Status::Ok, 1234.56}, {" 1.5", Status::Ok, 1.5},    {"1.5  ", Status::Ok, 1.5},
        {"+2", Status::Ok, 2.0},          {"-2.25", Status::Ok, -2.25}, {".5", Status::Ok, 0.5},
        {"5.", Status::Ok, 5.0},          {"007.50", Status::Ok, 7.5},  {"0", Status::Ok, 0.0},
        {"1,5", Status::Invalid, 0},  // the comma is not this locale's separator
        {"1.234,56", Status::Invalid, 0},
    };
    for (const Case& c : cases) check(c, '.');
}

TEST(FloatText, ReadsWithTheCommaAsSeparator) {
    const Case cases[] = {
        {"1234,56", Status::Ok, 1234.56},
        {"1.234,56", Status::Invalid, 0},  // no thousands separator, ever
        {"1234.56", Status::Invalid, 0},
        {",5", Status::Ok, 0.5},
        {"-0,75", Status::Ok, -0.75},
        {"1,5E2", Status::Ok, 150.0},
    };
    for (const Case& c : cases) check(c, ',');
}

TEST(FloatText, LoneSeparatorIsZeroButLoneSignIsInvalid) {
    const Case comma[] = {
        {",", Status::Ok, 0.0},    {" , ", Status::Ok, 0.0},   {"-,", Status::Ok, 0.0},
        {"+", Status::Invalid, 0}, {"-", Status::Invalid, 0},  {" ", Status::Invalid, 0},
        {"", Status::Invalid, 0},  {",,", Status::Invalid, 0}, {"E5", Status::Invalid, 0},
        {",E5", Status::Ok, 0.0},
    };
    for (const Case& c : comma) check(c, ',');
    data::FloatReading negativeZero = data::parseFloat("-,", ',');
    EXPECT_TRUE(std::signbit(negativeZero.value));
}

TEST(FloatText, RejectsMalformedText) {
    const Case cases[] = {
        {"1 2", Status::Invalid, 0},   {"\t1", Status::Invalid, 0},  {"1\t", Status::Invalid, 0},
        {"1..2", Status::Invalid, 0},  {"++1", Status::Invalid, 0},  {"- 1", Status::Invalid, 0},
        {"1e1.5", Status::Invalid, 0}, {"0x10", Status::Invalid, 0}, {"1 e5", Status::Invalid, 0},
        {"1e5x", Status::Invalid, 0},  {"abc", Status::Invalid, 0},  {"1e+-5", Status::Invalid, 0},
        {"inf", Status::Invalid, 0},   {"nan", Status::Invalid, 0},
    };
    for (const Case& c : cases) check(c, '.');
}

TEST(FloatText, ExponentForms) {
    const Case cases[] = {
        {"1e3", Status::Ok, 1000.0},  {"1E+3", Status::Ok, 1000.0}, {"1e-3", Status::Ok, 0.001},
        {"2.5e2", Status::Ok, 250.0}, {"1e", Status::Ok, 1.0},  // no digits: exponent 0
        {"1e+", Status::Ok, 1.0},     {"1e-", Status::Ok, 1.0},     {"1e0003", Status::Ok, 1000.0},
        {"1e3 ", Status::Ok, 1000.0},
    };
    for (const Case& c : cases) check(c, '.');
}

TEST(FloatText, ExponentsNearFiveHundredAndTheOverflowDistinction) {
    const Case cases[] = {
        {"1e308", Status::Ok, 1e308},
        {"1.7976931348623157e308", Status::Ok, 1.7976931348623157e308},
        {"1.8e308", Status::Overflow, 0},
        {"-1e309", Status::Overflow, 0},
        {"1e499", Status::Overflow, 0},   // extended holds it, double does not
        {"1e500", Status::Overflow, 0},   // reading stops at 500, nothing left over
        {"1e0500", Status::Overflow, 0},  // leading zero: still stops at 500
        {"1e5000", Status::Invalid, 0},   // a digit left over after 500
        {"1e-5000", Status::Invalid, 0},
        {"1e4999", Status::Invalid, 0},   // 499 is below 500, so 4999 is read: beyond extended
        {"1e4933", Status::Invalid, 0},   // just beyond the extended range (1.19e4932)
        {"1e4932", Status::Overflow, 0},  // just inside it
        {"0e4999", Status::Ok, 0.0},
        {"1e-500", Status::Ok, 0.0},  // underflows quietly to zero
        {"1e-320", Status::Ok, 1e-320},
        {"100000000000000000000e-500", Status::Ok, 0.0},  // 1e-480: below the double range
    };
    for (const Case& c : cases) check(c, '.');
}

TEST(FloatText, DigitsBeyondTheExtendedRangeAreInvalid) {
    std::string huge = "1" + std::string(5000, '0');
    EXPECT_EQ(data::parseFloat(huge, '.').status, Status::Invalid);
    // The same digits scaled back into range still overflow while being read.
    EXPECT_EQ(data::parseFloat(huge + "e-4990", '.').status, Status::Invalid);
    // Many zeros after the separator scale a small value to zero.
    std::string tiny = "0." + std::string(6000, '0') + "1";
    data::FloatReading r = data::parseFloat(tiny, '.');
    EXPECT_EQ(r.status, Status::Ok);
    EXPECT_EQ(r.value, 0.0);
}

TEST(FloatText, RoundsThroughExtendedPrecision) {
    // 7443661770976 / 10^6 rounded to 64 bits and then to 53 gives the double just below the
    // nearest one (7443661.7709760005); a direct conversion to double would give the latter.
    data::FloatReading r = data::parseFloat("7443661.770976", '.');
    ASSERT_EQ(r.status, Status::Ok);
    EXPECT_EQ(r.value, 0x1.c65337157abb8p+22);
    EXPECT_NE(r.value, 7443661.770976);
    // Long digit strings keep extended accuracy while accumulating.
    EXPECT_EQ(data::parseFloat("123456789012345678901234567890", '.').value, 1.2345678901234568e29);
    EXPECT_EQ(data::parseFloat("0.1", '.').value, 0.1);
}

TEST(FloatText, FormatsLikeTheGeneralFifteenDigitForm) {
    struct Out {
        double value;
        char separator;
        const char* text;
    };
    const Out cases[] = {
        {1234.5, ',', "1234,5"},
        {1234.5, '.', "1234.5"},
        {0.0001, ',', "0,0001"},
        {1e-5, ',', "1E-5"},
        {1.5e-7, '.', "1.5E-7"},
        {1e15, '.', "1E15"},
        {123456789012345.0, '.', "123456789012345"},
        {-2.5e20, ',', "-2,5E20"},
        {0.1 + 0.2, ',', "0,3"},
        {100.0, '.', "100"},
        {0.0, '.', "0"},
        {-7.0, '.', "-7"},
        {1234.56, ',', "1234,56"},
    };
    for (const Out& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(data::formatFloat(c.value, c.separator), c.text);
    }
}

}  // namespace

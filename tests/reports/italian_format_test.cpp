#include "reports/italian_format.h"

#include <gtest/gtest.h>

#include <limits>

using reports::Date;
using reports::formatAmount;
using reports::formatCount;
using reports::formatDate;

TEST(ItalianFormat, AmountsHaveThousandsPointsAndDecimalComma) {
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {0, "0,00"},
        {0.5, "0,50"},
        {999.99, "999,99"},
        {1000, "1.000,00"},  // first point
        {1234.5, "1.234,50"},
        {999999.996, "1.000.000,00"},  // rounding carries into a new group
        {999999.995, "999.999,99"},    // really 999999.99499999...: rounds down
        {123456789.1, "123.456.789,10"},
        {-1234.5, "-1.234,50"},
        {-0.004, "0,00"},  // rounds to zero: no sign
        {-0.0, "0,00"},
        {0.125, "0,12"},  // exactly halfway in binary: printf's even rounding
        {2.675, "2,67"},  // really 2.67499999...
        {1e20, "100.000.000.000.000.000.000,00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(formatAmount(c.value), c.text);
    }
    EXPECT_EQ(formatAmount(std::numeric_limits<double>::quiet_NaN()), "nan");
    EXPECT_EQ(formatAmount(-std::numeric_limits<double>::infinity()), "-inf");
}

TEST(ItalianFormat, CountsGroupThousands) {
    struct Case {
        std::int64_t value;
        const char* text;
    };
    const Case cases[] = {{0, "0"},
                          {7, "7"},
                          {999, "999"},
                          {1000, "1.000"},
                          {200000, "200.000"},
                          {1000000, "1.000.000"},
                          {-1000, "-1.000"},
                          {-12, "-12"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(formatCount(c.value), c.text);
    }
}

TEST(ItalianFormat, DatesAreDayMonthYearWithLeadingZeros) {
    EXPECT_EQ(formatDate(Date{2024, 3, 5}), "05/03/2024");
    EXPECT_EQ(formatDate(Date{1999, 12, 31}), "31/12/1999");
    EXPECT_EQ(formatDate(Date{987, 1, 1}), "01/01/0987");
}

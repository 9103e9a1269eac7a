#include "rules/expression_date.h"

#include <gtest/gtest.h>

namespace {

TEST(ExpressionDate, ReadsTheLiteralFormsAccessStores) {
    struct Case {
        const char* text;
        std::optional<mdb::CivilTime> expected;
    };
    using T = mdb::CivilTime;
    const Case cases[] = {
        {"1/31/2020", T{2020, 1, 31}},      // US order
        {"12/1/99", T{1999, 12, 1}},        // two-digit year >= 30: 19xx
        {"1/1/29", T{2029, 1, 1}},          // < 30: 20xx
        {"2020-02-29", T{2020, 2, 29}},     // ISO, leap day
        {"2020/3/4", T{2020, 3, 4}},        //
        {"1-Jan-2000", T{2000, 1, 1}},      // month names
        {"15 March 2013", T{2013, 3, 15}},  //
        {"Dec 25, 2021", T{2021, 12, 25}},  //
        {"1/2/2003 10:30", T{2003, 1, 2, 10, 30, 0}},
        {"1/2/2003 10:30:15 PM", T{2003, 1, 2, 22, 30, 15}},
        {"12:00 AM", T{1899, 12, 30, 0, 0, 0}},  // a time alone
        {"13:45:01", T{1899, 12, 30, 13, 45, 1}},
        {"1/1/1800", T{1800, 1, 1}},       // before 1899-12-30: negative days
        {"2021-02-29", std::nullopt},      // no such day
        {"13/1/2020", std::nullopt},       // month 13 (US order)
        {"25:00", std::nullopt},           //
        {"13:00 PM", std::nullopt},        //
        {"Smarch 1, 2020", std::nullopt},  //
        {"1/2", std::nullopt},             // a year is needed
        {"1/2/2003 x", std::nullopt},      // nothing may follow
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<mdb::DateTime> d = mdb::parseDateLiteral(c.text);
        ASSERT_EQ(d.has_value(), c.expected.has_value());
        if (d) {
            EXPECT_EQ(mdb::toCivilTime(*d), *c.expected);
        }
    }
}

TEST(ExpressionDate, LinearDaysOrderTimesBefore1900) {
    // Stored -1.25 is 1899-12-29 06:00; 18:00 that day is stored -1.75 but is later.
    EXPECT_DOUBLE_EQ(mdb::linearDays(mdb::DateTime{-1.25}), -0.75);
    EXPECT_LT(mdb::linearDays(mdb::DateTime{-1.25}), mdb::linearDays(mdb::DateTime{-1.75}));
    for (double stored : {-1.25, -1.75, -2.0, 0.0, 0.5, 43000.25}) {
        SCOPED_TRACE(stored);
        EXPECT_DOUBLE_EQ(mdb::fromLinearDays(mdb::linearDays(mdb::DateTime{stored})).days, stored);
    }
    const auto d = mdb::makeDate(1899, 12, 29, 6 * 3600);
    ASSERT_TRUE(d);
    EXPECT_DOUBLE_EQ(d->days, -1.25);
    EXPECT_DOUBLE_EQ(mdb::makeDate(2000, 1, 1)->days, 36526);
}

TEST(ExpressionDate, WritesDatesInUsOrder) {
    EXPECT_EQ(mdb::dateText(*mdb::makeDate(2020, 1, 31)), "1/31/2020");
    EXPECT_EQ(mdb::dateText(*mdb::makeDate(2020, 1, 31, 3661)), "1/31/2020 1:01:01");
    EXPECT_EQ(mdb::dateText(mdb::DateTime{0.5}), "12:00:00");
}

}  // namespace

#include "data/field.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/current_year.h"
#include "data/regional_settings.h"
#include "data/user_error.h"

namespace {

using testing::StrEq;
using testing::ThrowsMessage;

// Each test runs with known settings and year, and leaves the defaults behind.
class FieldTest : public testing::Test {
protected:
    void SetUp() override {
        data::setCurrentRegionalSettings(data::RegionalSettings{});
        data::setCurrentYearSource([] { return 2026; });
    }
    void TearDown() override {
        data::setCurrentRegionalSettings(data::RegionalSettings{});
        data::setCurrentYearSource({});
    }
    static void useItalianSettings() {
        data::RegionalSettings s;
        s.decimalSeparator = ',';
        s.shortDateFormat = "dd/MM/yy";
        data::setCurrentRegionalSettings(s);
    }
};

TEST_F(FieldTest, EmptyTextStoresNullExceptInTextFields) {
    data::Field integer("id doc", data::FieldKind::Integer);
    data::Field real("interessi", data::FieldKind::Float);
    data::Field date("data doc", data::FieldKind::DateTime);
    data::Field text("contribuente", data::FieldKind::WideText, 255);
    for (data::Field* f : {&integer, &real, &date, &text}) {
        f->assignText("1");
        f->assignText("");
    }
    EXPECT_TRUE(integer.isNull());
    EXPECT_TRUE(real.isNull());
    EXPECT_TRUE(date.isNull());
    EXPECT_FALSE(text.isNull());
    EXPECT_EQ(text.value(), data::FieldValue(std::u16string()));
    EXPECT_EQ(integer.readText(), "");
}

TEST_F(FieldTest, StoresTheValueOfItsKind) {
    useItalianSettings();
    data::Field integer("id doc", data::FieldKind::Integer);
    integer.assignText(" 42");
    EXPECT_EQ(integer.value(), data::FieldValue(std::int32_t{42}));
    integer.assignText("$1F");
    EXPECT_EQ(integer.value(), data::FieldValue(std::int32_t{31}));

    data::Field real("tassa_tariffa", data::FieldKind::Float);
    real.assignText("1234,5");
    EXPECT_EQ(real.value(), data::FieldValue(1234.5));
    real.assignText(",");
    EXPECT_EQ(real.value(), data::FieldValue(0.0));

    data::Field date("data doc", data::FieldKind::DateTime);
    date.assignText("31/12/99");
    EXPECT_EQ(date.value(), data::FieldValue(data::DateTime{36525.0}));  // 31 Dec 1999
    date.assignText("15/03/2013 10:30xyz");
    EXPECT_DOUBLE_EQ(std::get<data::DateTime>(date.value()).days, 41348.4375);
}

TEST_F(FieldTest, InvalidTextRaisesTheExactMessageAndKeepsTheOldValue) {
    useItalianSettings();
    data::Field integer("id doc", data::FieldKind::Integer);
    integer.assignText("7");
    EXPECT_THAT([&] { integer.assignText("12.5"); },
                ThrowsMessage<data::UserError>(
                    StrEq("'12.5' is not a valid integer value for field 'id doc'")));
    EXPECT_THAT([&] { integer.assignText("42 "); },
                ThrowsMessage<data::UserError>(
                    StrEq("'42 ' is not a valid integer value for field 'id doc'")));
    EXPECT_EQ(integer.value(), data::FieldValue(std::int32_t{7}));

    data::Field real("totale importo", data::FieldKind::Float);
    EXPECT_THAT([&] { real.assignText("1.234,56"); },
                ThrowsMessage<data::UserError>(StrEq(
                    "'1.234,56' is not a valid floating point value for field 'totale importo'")));
    EXPECT_THAT([&] { real.assignText("1e5000"); },
                ThrowsMessage<data::UserError>(StrEq(
                    "'1e5000' is not a valid floating point value for field 'totale importo'")));
    EXPECT_THAT([&] { real.assignText("1e400"); },
                ThrowsMessage<data::UserError>(StrEq("Floating point overflow")));
    EXPECT_TRUE(real.isNull());

    data::Field date("data doc", data::FieldKind::DateTime);
    EXPECT_THAT([&] { date.assignText("2020-12-31"); },
                ThrowsMessage<data::UserError>(StrEq("'2020-12-31' is not a valid date and time")));
}

TEST_F(FieldTest, TextIsCutToTheFieldSizeInUtf16Units) {
    data::Field text("contribuente", data::FieldKind::WideText, 255);
    std::string long300;
    for (int i = 0; i < 300; ++i) long300 += static_cast<char>('a' + i % 26);
    text.assignText(long300);
    EXPECT_EQ(text.readText(), long300.substr(0, 255));

    data::Field small("um quantita", data::FieldKind::WideText, 5);
    small.assignText("\xE0\xE8\xEC\xF2\xF9\x80x");  // àèìòù€x: one unit each
    EXPECT_EQ(small.value(), data::FieldValue(std::u16string(u"àèìòù")));
    small.assignText(" ab  ");  // blanks are kept
    EXPECT_EQ(small.readText(), " ab  ");
}

TEST_F(FieldTest, TextUsesTheCurrentCodePage) {
    data::Field text("des", data::FieldKind::WideText, 100);
    text.assignText("\xC0\xC1");
    EXPECT_EQ(text.value(), data::FieldValue(std::u16string(u"ÀÁ")));
    data::RegionalSettings russian;
    russian.ansiCodePage = 1251;
    data::setCurrentRegionalSettings(russian);
    text.assignText("\xC0\xC1");
    EXPECT_EQ(text.value(), data::FieldValue(std::u16string(u"АБ")));
    EXPECT_EQ(text.readText(), "\xC0\xC1");
}

TEST_F(FieldTest, ReadsNumbersAndDatesBackWithTheRegionalSettings) {
    useItalianSettings();
    data::Field integer("id doc", data::FieldKind::Integer);
    integer.assignText("-$80000000");
    EXPECT_EQ(integer.readText(), "-2147483648");
    data::Field real("imponibile", data::FieldKind::Float);
    real.assignText("2345,6");
    EXPECT_EQ(real.readText(), "2345,6");
    data::Field date("data doc", data::FieldKind::DateTime);
    date.assignText("31/12/2020");
    EXPECT_EQ(date.readText(), "31/12/20");
}

TEST_F(FieldTest, StoreHookSeesEveryAssignmentButNotAFailedOne) {
    data::Field integer("id doc", data::FieldKind::Integer);
    std::vector<std::string> seen;
    integer.setStoreHook([&](const data::Field& f) { seen.push_back(f.name()); });
    integer.assignText("1");
    integer.assignText("");
    EXPECT_THROW(integer.assignText("x"), data::UserError);
    EXPECT_EQ(seen.size(), 2u);

    // A dataset that is not appending refuses the assignment through the hook.
    integer.setStoreHook([](const data::Field&) { throw data::UserError("not appending"); });
    EXPECT_THROW(integer.assignText("5"), data::UserError);
    EXPECT_TRUE(integer.isNull());
}

TEST_F(FieldTest, AutoIncrementFieldsCannotBeAssigned) {
    data::Field id("ID", data::FieldKind::AutoIncrement);
    EXPECT_THAT([&] { id.assignText("1"); },
                ThrowsMessage<data::UserError>(StrEq("Field 'ID' cannot be modified")));
    id.setValue(std::int32_t{12});
    EXPECT_EQ(id.readText(), "12");
}

TEST_F(FieldTest, SetValueChecksTheKindAndCutsText) {
    data::Field text("periodo", data::FieldKind::WideText, 1);
    text.setValue(std::u16string(u"ab"));
    EXPECT_EQ(text.value(), data::FieldValue(std::u16string(u"a")));
    EXPECT_THROW(text.setValue(1.5), std::invalid_argument);
    EXPECT_THROW(data::Field("x", data::FieldKind::WideText, 0), std::invalid_argument);
}

TEST_F(FieldTest, TwoDigitYearsFollowTheInjectedClock) {
    useItalianSettings();
    data::Field date("data doc", data::FieldKind::DateTime);
    date.assignText("01/01/76");
    EXPECT_EQ(date.readText(), "01/01/76");
    EXPECT_EQ(std::get<data::DateTime>(date.value()).days, 27760.0);  // 1 January 1976
    data::setCurrentYearSource([] { return 2027; });
    date.assignText("01/01/76");
    EXPECT_EQ(std::get<data::DateTime>(date.value()).days, 64285.0);  // 1 January 2076
}

}  // namespace

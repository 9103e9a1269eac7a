// Qt calls setlocale(LC_ALL, "") at start-up, after which the C library's number parsing and
// formatting follow the user's locale. The conversions must not.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <optional>
#include <string>

#include "data/date_time_text.h"
#include "data/field.h"
#include "data/float_text.h"
#include "data/integer_text.h"
#include "data/regional_settings.h"

namespace {

class DecimalCommaLocale : public testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"it_IT.UTF-8", "it_IT.utf8", "de_DE.UTF-8", "de_DE.utf8"}) {
            if (std::setlocale(LC_ALL, name) != nullptr) return;
        }
        GTEST_SKIP() << "no decimal-comma locale (it_IT or de_DE) is installed; generate one "
                        "with localedef -i it_IT -f UTF-8 it_IT.UTF-8";
    }
    void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

TEST_F(DecimalCommaLocale, ConversionsIgnoreTheCLibraryLocale) {
    // The locale is really in force: the C library now reads a comma as the decimal point.
    ASSERT_EQ(std::strtod("1,5", nullptr), 1.5);

    EXPECT_EQ(data::parseFloat("1234.56", '.').value, 1234.56);
    EXPECT_EQ(data::parseFloat("1234,56", '.').status, data::FloatReading::Status::Invalid);
    EXPECT_EQ(data::parseFloat("1234,56", ',').value, 1234.56);
    EXPECT_EQ(data::formatFloat(1234.5, '.'), "1234.5");
    EXPECT_EQ(data::formatFloat(1.5e-7, '.'), "1.5E-7");
    EXPECT_EQ(data::parseInteger("1234"), 1234);

    data::RegionalSettings s;
    std::optional<double> date = data::parseDateTime("12/31/2020 10:30:15.5", s, 2026);
    ASSERT_TRUE(date.has_value());
    EXPECT_NEAR(*date, 44196.0 + (10 * 3600 + 30 * 60 + 15 + 0.005) / 86400.0, 1e-9);

    data::Field real("imponibile", data::FieldKind::Float);
    real.assignText("2.5");
    EXPECT_EQ(real.readText(), "2.5");
}

}  // namespace

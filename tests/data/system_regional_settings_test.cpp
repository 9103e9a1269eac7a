#include "data/qt/system_regional_settings.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QLocale>
#include <cstdlib>
#include <stdexcept>

#include "data/regional_settings.h"

namespace {

TEST(RegionalSettings, DefaultsAreTheValuesForALocaleThatSuppliesNone) {
    const data::RegionalSettings d;
    EXPECT_EQ(d.decimalSeparator, '.');
    EXPECT_EQ(d.dateSeparator, '/');
    EXPECT_EQ(d.shortDateFormat, "m/d/yy");
    EXPECT_EQ(d.timeSeparator, ':');
    EXPECT_EQ(d.timeAmString, "am");
    EXPECT_EQ(d.timePmString, "pm");
    EXPECT_EQ(d.ansiCodePage, 1252);
}

TEST(RegionalSettings, RefusesACodePageTheConversionsCannotUse) {
    data::RegionalSettings s;
    s.ansiCodePage = 65001;
    EXPECT_THROW(data::setCurrentRegionalSettings(s), std::invalid_argument);
    EXPECT_EQ(data::currentRegionalSettings().ansiCodePage, 1252);
}

TEST(SystemRegionalSettings, ItalianAndGermanLocales) {
    data::RegionalSettings it = data::regionalSettingsFor(QLocale("it_IT"));
    EXPECT_EQ(it.decimalSeparator, ',');
    EXPECT_EQ(it.dateSeparator, '/');
    EXPECT_EQ(it.shortDateFormat, "dd/MM/yy");
    EXPECT_EQ(it.timeSeparator, ':');
    EXPECT_EQ(it.timeAmString, "AM");
    EXPECT_EQ(it.ansiCodePage, 1252);

    data::RegionalSettings de = data::regionalSettingsFor(QLocale("de_DE"));
    EXPECT_EQ(de.decimalSeparator, ',');
    EXPECT_EQ(de.dateSeparator, '.');
    EXPECT_EQ(de.ansiCodePage, 1252);

    data::RegionalSettings fi = data::regionalSettingsFor(QLocale("fi_FI"));
    EXPECT_EQ(fi.timeSeparator, '.');  // «H.mm»

    data::RegionalSettings us = data::regionalSettingsFor(QLocale("en_US"));
    EXPECT_EQ(us.decimalSeparator, '.');
    EXPECT_EQ(us.shortDateFormat, "M/d/yy");
}

TEST(SystemRegionalSettings, TheCLocaleSuppliesNothing) {
    EXPECT_EQ(data::regionalSettingsFor(QLocale::c()), data::RegionalSettings{});
}

TEST(SystemRegionalSettings, AnsiCodePageFollowsLanguageAndScript) {
    struct Case {
        const char* locale;
        int codePage;
    };
    const Case cases[] = {
        {"it_IT", 1252},      {"fr_FR", 1252},      {"es_ES", 1252},      {"pl_PL", 1250},
        {"cs_CZ", 1250},      {"hu_HU", 1250},      {"ru_RU", 1251},      {"uk_UA", 1251},
        {"bg_BG", 1251},      {"el_GR", 1253},      {"tr_TR", 1254},      {"he_IL", 1255},
        {"ar_EG", 1256},      {"fa_IR", 1256},      {"lt_LT", 1257},      {"lv_LV", 1257},
        {"et_EE", 1257},      {"vi_VN", 1258},      {"sr_Latn_RS", 1250}, {"sr_Cyrl_RS", 1251},
        {"az_Latn_AZ", 1254}, {"uz_Cyrl_UZ", 1251}, {"ja_JP", 1252},  // no code page among ours
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.locale);
        EXPECT_EQ(data::ansiCodePageFor(QLocale(c.locale)), c.codePage);
    }
}

TEST(SystemRegionalSettings, MarkersAndSeparatorsAreConvertedToTheCodePage) {
    data::RegionalSettings el = data::regionalSettingsFor(QLocale("el_GR"));
    EXPECT_EQ(el.ansiCodePage, 1253);
    EXPECT_EQ(el.timeAmString, "\xF0.\xEC.");  // π.μ. in 1253
    // Arabic formats carry right-to-left marks before the separator, and its decimal separator
    // U+066B is not in 1256: the separators are then "/" and the default ".".
    data::RegionalSettings ar = data::regionalSettingsFor(QLocale("ar_EG"));
    EXPECT_EQ(ar.dateSeparator, '/');
    EXPECT_EQ(ar.decimalSeparator, '.');
}

// QLocale::system() reads the locale variables once per process, so each case runs in a fresh
// child process (the "threadsafe" death-test style re-executes the test program).
void expectSystemSettings(const char* lcAll, char decimal, char dateSeparator) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            qputenv("LC_ALL", lcAll);
            data::loadSystemRegionalSettings();
            const data::RegionalSettings& s = data::currentRegionalSettings();
            std::exit(s.decimalSeparator == decimal && s.dateSeparator == dateSeparator ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST(SystemRegionalSettings, ReadsTheLocaleVariables) {
    expectSystemSettings("it_IT.UTF-8", ',', '/');
    expectSystemSettings("de_DE.UTF-8", ',', '.');
    expectSystemSettings("C", '.', '/');
    expectSystemSettings("POSIX", '.', '/');
}

}  // namespace

#include "data/qt/system_regional_settings.h"

#include <optional>

#include "data/code_page.h"

namespace data {

namespace {

struct LanguageCodePage {
    QLocale::Language language;
    int codePage;
};

// Windows' default ANSI code page per language. Languages that Windows writes in more than one
// script are decided by the script below; everything not listed uses 1252.
constexpr LanguageCodePage kLanguageCodePages[] = {
    // Central European
    {QLocale::Albanian, 1250},
    {QLocale::Croatian, 1250},
    {QLocale::Czech, 1250},
    {QLocale::Hungarian, 1250},
    {QLocale::Polish, 1250},
    {QLocale::Romanian, 1250},
    {QLocale::Slovak, 1250},
    {QLocale::Slovenian, 1250},
    {QLocale::Turkmen, 1250},
    // Cyrillic
    {QLocale::Russian, 1251},
    {QLocale::Ukrainian, 1251},
    {QLocale::Belarusian, 1251},
    {QLocale::Bulgarian, 1251},
    {QLocale::Macedonian, 1251},
    {QLocale::Kazakh, 1251},
    {QLocale::Kyrgyz, 1251},
    {QLocale::Mongolian, 1251},
    {QLocale::Tatar, 1251},
    {QLocale::Bashkir, 1251},
    {QLocale::Sakha, 1251},
    {QLocale::Tajik, 1251},
    // Greek
    {QLocale::Greek, 1253},
    // Turkish
    {QLocale::Turkish, 1254},
    // Hebrew
    {QLocale::Hebrew, 1255},
    {QLocale::Yiddish, 1255},
    // Arabic script
    {QLocale::Arabic, 1256},
    {QLocale::Persian, 1256},
    {QLocale::Urdu, 1256},
    {QLocale::Uyghur, 1256},
    {QLocale::Pashto, 1256},
    {QLocale::Sindhi, 1256},
    // Baltic
    {QLocale::Estonian, 1257},
    {QLocale::Latvian, 1257},
    {QLocale::Lithuanian, 1257},
    // Vietnamese
    {QLocale::Vietnamese, 1258},
};

// Languages whose code page follows the script: Cyrillic gives 1251, Latin the value here.
std::optional<int> byScript(const QLocale& locale) {
    int latin = 0;
    switch (locale.language()) {
        case QLocale::Serbian:
        case QLocale::Bosnian:
            latin = 1250;
            break;
        case QLocale::Azerbaijani:
        case QLocale::Uzbek:
            latin = 1254;
            break;
        default:
            return std::nullopt;
    }
    if (locale.script() == QLocale::CyrillicScript) return 1251;
    if (locale.script() == QLocale::ArabicScript) return 1256;
    return latin;
}

// `c` as one byte of the code page, or nullopt when the code page lacks it.
std::optional<char> toCodePageChar(char16_t c, const CodePage& page) {
    std::string converted = page.fromUtf16(std::u16string_view(&c, 1));
    if (converted == "?" && c != u'?') return std::nullopt;
    return converted.front();
}

// The first character that is not an ASCII letter, skipping invisible format characters such as
// the right-to-left marks Arabic and Hebrew formats carry.
std::optional<char> firstNonLetter(const QString& format, const CodePage& page) {
    for (QChar c : format) {
        char16_t u = c.unicode();
        bool letter = (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z');
        if (letter || c.category() == QChar::Other_Format) continue;
        return toCodePageChar(u, page);
    }
    return std::nullopt;
}

std::string toCodePage(const QString& text, const CodePage& page) {
    return page.fromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                              static_cast<size_t>(text.size())));
}

}  // namespace

int ansiCodePageFor(const QLocale& locale) {
    if (std::optional<int> cp = byScript(locale)) return *cp;
    for (const LanguageCodePage& entry : kLanguageCodePages) {
        if (entry.language == locale.language()) return entry.codePage;
    }
    return 1252;
}

RegionalSettings regionalSettingsFor(const QLocale& locale) {
    RegionalSettings settings;
    if (locale.language() == QLocale::C) return settings;

    settings.ansiCodePage = ansiCodePageFor(locale);
    const CodePage& page = CodePage::get(settings.ansiCodePage);

    // A separator the code page cannot hold keeps the default.
    const QString decimal = locale.decimalPoint();
    if (!decimal.isEmpty()) {
        if (std::optional<char> sep = toCodePageChar(decimal.front().unicode(), page)) {
            settings.decimalSeparator = *sep;
        }
    }

    const QString dateFormat = locale.dateFormat(QLocale::ShortFormat);
    if (!dateFormat.isEmpty()) settings.shortDateFormat = toCodePage(dateFormat, page);
    if (std::optional<char> sep = firstNonLetter(dateFormat, page)) settings.dateSeparator = *sep;

    const QString timeFormat = locale.timeFormat(QLocale::ShortFormat);
    if (std::optional<char> sep = firstNonLetter(timeFormat, page)) settings.timeSeparator = *sep;

    // A locale may give no markers (it then keeps the empty text, as Windows would).
    settings.timeAmString = toCodePage(locale.amText(), page);
    settings.timePmString = toCodePage(locale.pmText(), page);
    return settings;
}

void loadSystemRegionalSettings() {
    setCurrentRegionalSettings(regionalSettingsFor(QLocale::system()));
}

}  // namespace data

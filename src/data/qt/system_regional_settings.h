// system_regional_settings.h: fills the regional settings from Qt's view of the platform locale.
//
// QLocale::system() reads LC_ALL, LC_NUMERIC, LC_TIME and LANG and carries its own locale data,
// so LC_ALL=de_DE.UTF-8 works without the system locale being installed. The C/POSIX locale (or no
// locale variable at all) supplies no settings: then the defaults of RegionalSettings apply.
#pragma once

#include <QLocale>

#include "data/regional_settings.h"

namespace data {

// The settings `locale` gives: decimal point; short date format and its first non-letter as the
// date separator; the first non-letter of the short time format as the time separator; the AM/PM
// texts; the Windows ANSI code page of the locale's language and script.
RegionalSettings regionalSettingsFor(const QLocale& locale);

// The Windows ANSI code page of the locale's language (1252 for western European languages and
// for languages Windows gives no code page among 1250 to 1258).
int ansiCodePageFor(const QLocale& locale);

// regionalSettingsFor(QLocale::system()), made current. Called at start-up and whenever Qt
// announces a locale change.
void loadSystemRegionalSettings();

}  // namespace data

// Texts measured from their characters' advances come out as Qt measures them whole, kerned
// pairs and characters beyond Latin-1 included.
#include "reports/text_width.h"

#include <gtest/gtest.h>

#include <QFont>

#include "reports/page_writer.h"
#include "reports/report_support.h"

TEST(TextWidth, MeasuresAsQtDoes) {
    testing_support::ensureGuiApplication();
    for (const bool bold : {false, true}) {
        QFont font = reports::reportFont();
        font.setBold(bold);
        const QFontMetricsF metrics(font);
        reports::TextWidth width(metrics);
        for (const char* text : {"1.234,56", "-0,03", "120 mq", "AVA To Wa LT yo", "office fit",
                                 "NICOLÒ", "Ωμέγα 12", "", " ", "a\tb 1\t2", "co\u00ADop"}) {
            SCOPED_TRACE(text);
            const QString s = QString::fromUtf8(text);
            // Twice: the second time from what the first has learnt.
            EXPECT_EQ(width(s), metrics.horizontalAdvance(s));
            EXPECT_EQ(width(s), metrics.horizontalAdvance(s));
        }
    }
}

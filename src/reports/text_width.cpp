#include "reports/text_width.h"

#include <cmath>

namespace reports {

TextWidth::TextWidth(const QFontMetricsF& metrics)
    : metrics_(metrics), pairs_(256 * 256, Pair::Unknown) {
    advances_.fill(-1);
}

double TextWidth::operator()(const QString& text) {
    double sum = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= advances_.size() || (i > 0 && !plain(text[i - 1].unicode(), c)))
            return metrics_.horizontalAdvance(text);
        sum += advance(c);
    }
    return sum;
}

double TextWidth::advance(char16_t c) {
    double& known = advances_[c];
    if (known < 0) known = metrics_.horizontalAdvance(QString(QChar(c)));
    return known;
}

bool TextWidth::plain(char16_t first, char16_t second) {
    Pair& known = pairs_[first * 256u + second];
    if (known == Pair::Unknown) {
        const QChar pair[] = {QChar(first), QChar(second)};
        const double together = metrics_.horizontalAdvance(QString(pair, 2));
        // Qt adds advances in 1/64 pixel: equal sums are equal exactly.
        known = together == advance(first) + advance(second) ? Pair::Plain : Pair::Shaped;
    }
    return known == Pair::Plain;
}

}  // namespace reports

// text_width.h: the width of a line of text, measured quickly and as Qt measures it.
//
// A long report places hundreds of thousands of texts aligned right, nearly all of them a few
// digits and letters, and Qt's measuring (shaping the text each time) was most of the cost of
// painting them. Here a text in Latin-1 is measured by adding up its characters' advances, each
// character measured once. Kerning or a ligature changes the width of a pair of characters: each
// pair is checked once against Qt's width of the pair, and a text holding a pair that differs
// (or a character beyond Latin-1) is measured by Qt as a whole.
#pragma once

#include <QFontMetricsF>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

namespace reports {

class TextWidth {
public:
    explicit TextWidth(const QFontMetricsF& metrics);
    double operator()(const QString& text);

private:
    enum class Pair : std::uint8_t { Unknown, Plain, Shaped };
    double advance(char16_t c);
    bool plain(char16_t first, char16_t second);

    QFontMetricsF metrics_;
    std::array<double, 256> advances_;  // by character, negative until measured
    std::vector<Pair> pairs_;           // by first character * 256 + second
};

}  // namespace reports

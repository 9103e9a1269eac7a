// bar_chart.h: a horizontal bar chart drawn into an image.
//
// One row per bar: its label on the left (cut short with "..." when too long), the bar measured
// from the zero line, and the value's text beside the bar's end. Charts drawn for the same
// `scale` line up, so a long chart can be split over several images.
#pragma once

#include <QImage>
#include <QString>
#include <span>

namespace reports {

struct Bar {
    QString label;
    double value = 0;
    QString valueText;
};

struct ChartScale {
    double low = 0;   // at most 0
    double high = 0;  // at least 0
};
ChartScale scaleFor(std::span<const Bar> bars);

// An image `width` pixels wide, `rowHeight` pixels per bar, at `dotsPerInch` (which sets the
// size of the lettering).
QImage drawBarChart(std::span<const Bar> bars, ChartScale scale, int width, int rowHeight,
                    int dotsPerInch);

}  // namespace reports

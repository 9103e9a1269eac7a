#include "reports/bar_chart.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "reports/page_writer.h"

namespace reports {
namespace {

const QColor kPositive(70, 110, 170);
const QColor kNegative(190, 70, 60);

}  // namespace

ChartScale scaleFor(std::span<const Bar> bars) {
    ChartScale s;
    for (const Bar& b : bars) {
        if (!std::isfinite(b.value)) continue;
        s.low = std::min(s.low, b.value);
        s.high = std::max(s.high, b.value);
    }
    return s;
}

QImage drawBarChart(std::span<const Bar> bars, ChartScale scale, int width, int rowHeight,
                    int dotsPerInch) {
    QImage image(width, std::max(1, rowHeight * static_cast<int>(bars.size())),
                 QImage::Format_RGB32);
    const int dotsPerMetre = static_cast<int>(std::lround(dotsPerInch / 0.0254));
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    image.fill(Qt::white);

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(reportFont());
    const QFontMetricsF metrics(painter.font(), &image);

    // Columns: labels 38%, a gap, the bars, and room for the widest value text on the right.
    double valueWidth = 0;
    for (const Bar& b : bars)
        valueWidth = std::max(valueWidth, metrics.horizontalAdvance(b.valueText));
    const double gap = metrics.horizontalAdvance(QStringLiteral("  "));
    const double labelWidth = width * 0.38;
    const double barsLeft = labelWidth + gap;
    const double barsWidth = std::max(1.0, width - barsLeft - 2 * gap - valueWidth);
    const double span = scale.high - scale.low;
    auto x = [&](double v) {
        return span > 0 ? barsLeft + (v - scale.low) / span * barsWidth : barsLeft;
    };

    for (std::size_t i = 0; i < bars.size(); ++i) {
        const Bar& b = bars[i];
        const double top = static_cast<double>(i) * rowHeight;
        painter.setPen(Qt::black);
        painter.drawText(QRectF(0, top, labelWidth, rowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                         metrics.elidedText(b.label, Qt::ElideRight, labelWidth));
        const double value = std::isfinite(b.value) ? b.value : 0;
        const double from = x(0), to = x(value);
        const QRectF bar(std::min(from, to), top + rowHeight * 0.2, std::abs(to - from),
                         rowHeight * 0.6);
        painter.fillRect(bar, value < 0 ? kNegative : kPositive);
        painter.drawText(QRectF(std::max(from, to) + gap, top, valueWidth + gap, rowHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, b.valueText);
    }
    painter.setPen(QPen(Qt::black, std::max(1.0, dotsPerInch / 150.0)));
    painter.drawLine(QPointF(x(0), 0), QPointF(x(0), image.height()));
    return image;
}

}  // namespace reports

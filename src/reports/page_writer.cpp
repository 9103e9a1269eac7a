#include "reports/page_writer.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QPen>

#include "reports/report_texts.h"

namespace reports {
namespace {

constexpr double kHeaderMm = 9;  // header line, rule and the gap under it
constexpr double kReportPointSize = 8;

double millimetres(const QPaintDevice& device, double mm) {
    return mm * device.logicalDpiY() / 25.4;
}

}  // namespace

QFont reportFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(kReportPointSize);
    // Shaping would join "fi" and "ff" into ligatures, which a PDF reader then copies and searches
    // as single odd characters. The reports hold only Latin text, which needs no shaping.
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

double pageBodyTop(const QPaintDevice& device) { return millimetres(device, kHeaderMm); }

QSizeF pageBodySize(const QPaintDevice& device) {
    return QSizeF(device.width(), device.height() - pageBodyTop(device));
}

QSizeF pageBodySizeMm(const QPaintDevice& device) {
    return pageBodySize(device) * 25.4 / device.logicalDpiY();
}

void prepareBody(QTextDocument& body, QPaintDevice& device) {
    body.setDefaultFont(reportFont());
    body.setDocumentMargin(0);
    // Font sizes in points become the device's pixels only when the layout measures on it.
    body.documentLayout()->setPaintDevice(&device);
    body.setPageSize(pageBodySize(device));
}

void paintBodyPage(QPainter& painter, const QPaintDevice& device, QTextDocument& body, int page) {
    // The document is one long strip of pages; show the page-th slice of it under the header.
    const QSizeF size = body.pageSize();
    const QRectF view(0, page * size.height(), size.width(), size.height());
    painter.save();
    painter.translate(0, pageBodyTop(device) - view.top());
    painter.setClipRect(view, Qt::IntersectClip);
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = view;
    context.palette.setColor(QPalette::Text, Qt::black);
    body.documentLayout()->draw(&painter, context);
    painter.restore();
}

void paintPageHeader(QPainter& painter, const QPaintDevice& device, const PageHeading& heading,
                     int pageNumber) {
    painter.save();
    painter.setFont(reportFont());
    painter.setPen(Qt::black);
    const double lineHeight = QFontMetricsF(painter.font(), &device).height();
    const QRectF line(0, 0, device.width(), lineHeight);
    const QString left = heading.databaseName + QStringLiteral("  -  ") + heading.reportName;
    const QString right = heading.date.toString(QStringLiteral("dd/MM/yyyy")) +
                          QStringLiteral("    ") + QString::fromStdString(msg::kPageNumber) +
                          QString::number(pageNumber);
    painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, left);
    painter.drawText(line, Qt::AlignRight | Qt::AlignVCenter, right);
    const double ruleY = lineHeight + millimetres(device, 1);
    painter.setPen(QPen(Qt::black, millimetres(device, 0.2)));
    painter.drawLine(QPointF(0, ruleY), QPointF(device.width(), ruleY));
    painter.restore();
}

}  // namespace reports

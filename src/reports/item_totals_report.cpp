#include "reports/item_totals_report.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>
#include <algorithm>
#include <vector>

#include "reports/bar_chart.h"
#include "reports/html.h"
#include "reports/italian_format.h"
#include "reports/report_texts.h"

namespace reports {
namespace {

constexpr int kChartDotsPerInch = 200;
constexpr double kChartRowMm = 6;
constexpr double kChartHeadroomMm = 20;  // the chart's title, above the first image

QString q(const std::string& s) { return html::text(s); }

QString count(std::size_t n) { return q(formatCount(static_cast<std::int64_t>(n))); }

int pixels(double mm, int dotsPerInch) { return static_cast<int>(mm * dotsPerInch / 25.4); }

}  // namespace

QString ItemTotalsReport::tableHtml() const {
    QString out = QStringLiteral("<h2>%1</h2>").arg(q(msg::kItemTotalsTitle));
    if (totals_.groups.empty())
        return out + QStringLiteral("<p>%1</p>").arg(q(msg::kItemTotalsEmpty));
    const QString left = QStringLiteral("left"), right = QStringLiteral("right");
    out += html::tableStart(
        {q(msg::kCategory), q(msg::kItemType), q(msg::kLineCount), q(msg::kTaxable)},
        {left, left, right, right});
    for (const ItemTotal& g : totals_.groups)
        out += QStringLiteral(
                   "<tr><td>%1</td><td>%2</td><td align=\"right\">%3</td>"
                   "<td align=\"right\">%4</td></tr>")
                   .arg(q(g.category), q(g.type), count(g.lines), q(formatAmount(g.taxable)));
    out += QStringLiteral(
               "<tr><td><b>%1</b></td><td></td><td align=\"right\"><b>%2</b></td>"
               "<td align=\"right\"><b>%3</b></td></tr></table>")
               .arg(q(msg::kGrandTotal), count(totals_.lines), q(formatAmount(totals_.taxable)));
    return out;
}

// Appends the chart's title and images. Each image holds as many bars as fit on one page under
// a title, so the layout can always place it whole.
void ItemTotalsReport::addChart(QTextDocument& document, QSizeF body) const {
    std::vector<Bar> bars;
    for (const ItemTotal& g : totals_.groups) {
        QString label = QString::fromUtf8(g.category.c_str());
        if (!g.type.empty()) {
            if (!label.isEmpty()) label += QStringLiteral(" / ");
            label += QString::fromUtf8(g.type.c_str());
        }
        bars.push_back({label, g.taxable, QString::fromStdString(formatAmount(g.taxable))});
    }
    const ChartScale scale = scaleFor(bars);

    // Images are drawn at kChartDotsPerInch; the layout measures them in pixels of 96 per inch
    // and scales them to the device itself.
    const double bodyWidthMm = body.width();
    const double bodyHeightMm = body.height();
    const std::size_t barsPerImage = std::max<std::size_t>(
        1, static_cast<std::size_t>((bodyHeightMm - kChartHeadroomMm) / kChartRowMm));
    const int imageWidth = pixels(bodyWidthMm, kChartDotsPerInch);
    const int rowHeight = pixels(kChartRowMm, kChartDotsPerInch);

    QTextCursor cursor(&document);
    cursor.movePosition(QTextCursor::End);
    cursor.insertHtml(QStringLiteral("<h3>%1</h3>").arg(q(msg::kChartTitle)));
    for (std::size_t first = 0, part = 0; first < bars.size(); first += barsPerImage, ++part) {
        const std::size_t n = std::min(barsPerImage, bars.size() - first);
        const QImage image = drawBarChart(std::span<const Bar>(bars).subspan(first, n), scale,
                                          imageWidth, rowHeight, kChartDotsPerInch);
        const QUrl name(QStringLiteral("chart:%1").arg(part));
        document.addResource(QTextDocument::ImageResource, name, image);
        QTextImageFormat format;
        format.setName(name.toString());
        format.setWidth(bodyWidthMm / 25.4 * 96);
        format.setHeight(static_cast<double>(n) * kChartRowMm / 25.4 * 96);
        cursor.insertBlock();
        cursor.insertImage(format);
    }
}

namespace {

// The table and chart, laid out at once: they fill a page or a few.
class LaidOutTotals : public LaidOutReport {
public:
    LaidOutTotals(QPaintDevice& device, PageHeading heading)
        : device_(device), heading_(std::move(heading)) {}
    QTextDocument& body() { return body_; }
    int pageCount() const override { return body_.pageCount(); }
    void paintPage(QPainter& painter, int page) override {
        paintPageHeader(painter, device_, heading_, page + 1);
        paintBodyPage(painter, device_, body_, page);
    }

private:
    QPaintDevice& device_;
    PageHeading heading_;
    QTextDocument body_;
};

}  // namespace

std::unique_ptr<LaidOutReport> ItemTotalsReport::layOut(QPagedPaintDevice& device) const {
    auto pages = std::make_unique<LaidOutTotals>(device, heading());
    QTextDocument& document = pages->body();
    document.setHtml(tableHtml());
    prepareBody(document, device);
    if (!totals_.groups.empty()) addChart(document, pageBodySizeMm(device));
    return pages;
}

}  // namespace reports

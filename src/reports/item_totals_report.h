// item_totals_report.h: "2_QTotaleVoci", the detail lines per category and item type.
//
// A table with the number of lines and the sum of "imponibile" for each category and item type,
// a grand total, and a bar chart of the sums (split over as many images as the pages need).
#pragma once

#include <QString>

#include "reports/item_totals.h"
#include "reports/report.h"

namespace reports {

class ItemTotalsReport : public Report {
public:
    ItemTotalsReport(ItemTotals totals, PageHeading heading)
        : Report(std::move(heading)), totals_(std::move(totals)) {}
    std::unique_ptr<LaidOutReport> layOut(QPagedPaintDevice& device) const override;

    // The table's HTML, without the chart.
    QString tableHtml() const;

private:
    void addChart(QTextDocument& document, QSizeF bodyMm) const;
    ItemTotals totals_;
};

}  // namespace reports

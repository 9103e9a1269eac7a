// roll_report.h: "1_Ruolo", the roll document by document.
//
// After a title with the counts, each document of `Testate` in "id doc" order: its number and
// date, the taxpayer with residence, birth data, tax code and VAT number, every amount that is
// not null, the total due, and then its lines of `DettaglioVoci` (same "id doc") in columns:
// category, description, item type, quantity with its unit, price, period and taxable amount.
#pragma once

#include "reports/report.h"
#include "reports/roll.h"

namespace reports {

class RollReport : public Report {
public:
    RollReport(Roll roll, PageHeading heading)
        : Report(std::move(heading)), roll_(std::move(roll)) {}
    std::unique_ptr<LaidOutReport> layOut(QPagedPaintDevice& device) const override;
    // Written directly rather than through Qt's PDF writer: many times faster on a long roll.
    int writePdf(const QString& path, const QString& creator,
                 const ProgressListener& progress) const override;

private:
    class Pages;
    // A roll opened in steps is read as far as each layout step needs, however the report is
    // painted: reading it changes nothing that is shown.
    mutable Roll roll_;
};

}  // namespace reports

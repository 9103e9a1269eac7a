// report.h: the program's two reports, "1_Ruolo" and "2_QTotaleVoci".
//
// The office's database stores two reports under these names, made for the desktop database
// application, which does not exist on this platform. These are reports of this program's own
// design under the same names: the roll, document by document with its detail lines, and the
// totals of the detail lines per category and item type with a bar chart.
//
// A report is built in one go (open the database, read, close it) and then holds its rows
// itself, so it can be painted as often as a print preview asks without the database. For a
// preview the roll can instead be opened: read in steps as its layout goes on, the database
// staying open until every row is read, so that its first page shows without waiting for the
// rest. To be painted a report is first laid out for a device; then each page can be painted on
// its own.
#pragma once

#include <QDate>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QString>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "reports/page_writer.h"
#include "reports/roll_source.h"

namespace reports {

enum class ReportKind { Roll, ItemTotals };

// "1_Ruolo" for the roll, "2_QTotaleVoci" for the totals.
const std::string& reportName(ReportKind kind);
std::optional<ReportKind> reportNamed(std::string_view name);

// A report laid out for one device: its pages, each of which can be painted on its own. A long
// report is laid out a step at a time, so that its first pages can be shown at once: pageCount()
// counts the pages found so far, all of them once complete().
class LaidOutReport {
public:
    virtual ~LaidOutReport() = default;
    virtual int pageCount() const = 0;
    virtual bool complete() const { return true; }
    // Finds where a few more pages start; returns complete().
    virtual bool layOutMore() { return true; }
    void layOutAll() {
        while (!layOutMore()) {
        }
    }
    // Paints page `page` (from 0), header and body, in the coordinates of the device the report
    // was laid out for.
    virtual void paintPage(QPainter& painter, int page) = 0;
    // Of documentCount() documents, those shown in full by the end of page `page` (a report
    // without documents has none).
    virtual std::size_t documentsDone(int /*page*/) const { return 0; }
    virtual std::size_t documentCount() const { return 0; }
};

// Told after each page printed.
struct PrintProgress {
    int pagesDone = 0, pageCount = 0;
    std::size_t documentsDone = 0, documentCount = 0;
};
using ProgressListener = std::function<void(const PrintProgress&)>;

class Report {
public:
    virtual ~Report() = default;
    const PageHeading& heading() const { return heading_; }
    // Lays the report out for `device`, whose page layout is already set (see setPageLayout),
    // as far as its first pages at least. The report must outlive what this returns.
    virtual std::unique_ptr<LaidOutReport> layOut(QPagedPaintDevice& device) const = 0;
    // Paints every page on `device`, whose page layout is already set; `deviceName` names it in
    // the error raised when it cannot be painted on. Returns the pages painted.
    int print(QPagedPaintDevice& device, const QString& deviceName,
              const ProgressListener& progress = {}) const;
    // Writes the report as a PDF file at `path` naming `creator` as its maker; returns the pages
    // written. Throws data::UserError when the file cannot be written.
    virtual int writePdf(const QString& path, const QString& creator,
                         const ProgressListener& progress) const;

protected:
    explicit Report(PageHeading heading) : heading_(std::move(heading)) {}

private:
    PageHeading heading_;
};

// Opens the database at `databasePath` read-only, with a connection of its own, reads what the
// report shows and closes the database before returning. Throws data::UserError naming a missing
// table or column, mdb::Error when the file cannot be opened or read.
std::unique_ptr<Report> buildReport(ReportKind kind, const std::string& databasePath,
                                    QDate date = QDate::currentDate());
// The same from any source of rows; `heading` is what each page's header shows.
std::unique_ptr<Report> buildReport(ReportKind kind, RollSource& source, PageHeading heading);
// As buildReport, but "1_Ruolo" reads only the rows' "id doc" here, and the rest as it is laid
// out: then laying it out throws what reading throws (data::UserError, mdb::Error), and a step
// that failed tries again from where it stopped.
std::unique_ptr<Report> openReport(ReportKind kind, const std::string& databasePath,
                                   QDate date = QDate::currentDate());
std::unique_ptr<Report> openReport(ReportKind kind, std::unique_ptr<RowByRowSource> source,
                                   PageHeading heading);

// A4 portrait with 15 mm margins.
void setPageLayout(QPagedPaintDevice& device);
// Writes `report` as a PDF file at `path`; returns the pages written.
int writePdf(const Report& report, const QString& path, const ProgressListener& progress = {});

}  // namespace reports

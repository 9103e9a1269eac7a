#include "reports/report.h"

#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>

#include "data/messages.h"
#include "data/user_error.h"
#include "mdb/database.h"
#include "reports/database_roll_source.h"
#include "reports/item_totals_report.h"
#include "reports/report_texts.h"
#include "reports/roll_report.h"

namespace reports {

const std::string& reportName(ReportKind kind) {
    return kind == ReportKind::Roll ? msg::kRollReportName : msg::kItemTotalsReportName;
}

std::optional<ReportKind> reportNamed(std::string_view name) {
    for (const ReportKind kind : {ReportKind::Roll, ReportKind::ItemTotals})
        if (name == reportName(kind)) return kind;
    return std::nullopt;
}

std::unique_ptr<Report> buildReport(ReportKind kind, RollSource& source, PageHeading heading) {
    if (kind == ReportKind::Roll)
        return std::make_unique<RollReport>(Roll::load(source), std::move(heading));
    return std::make_unique<ItemTotalsReport>(ItemTotals::load(source), std::move(heading));
}

std::unique_ptr<Report> openReport(ReportKind kind, std::unique_ptr<RowByRowSource> source,
                                   PageHeading heading) {
    if (kind == ReportKind::Roll)
        return std::make_unique<RollReport>(Roll::open(std::move(source)), std::move(heading));
    return buildReport(kind, *source, std::move(heading));
}

namespace {

PageHeading headingOf(ReportKind kind, const std::string& databasePath, QDate date) {
    return {QFileInfo(QFile::decodeName(QByteArray::fromStdString(databasePath))).fileName(),
            QString::fromStdString(reportName(kind)), date};
}

}  // namespace

std::unique_ptr<Report> buildReport(ReportKind kind, const std::string& databasePath, QDate date) {
    // The database is open only while the rows are read: the report holds them afterwards.
    const std::unique_ptr<mdb::Database> database =
        mdb::Database::open(databasePath, mdb::OpenMode::ReadOnly);
    DatabaseRollSource source(*database);
    return buildReport(kind, source, headingOf(kind, databasePath, date));
}

std::unique_ptr<Report> openReport(ReportKind kind, const std::string& databasePath, QDate date) {
    auto source = std::make_unique<DatabaseRollSource>(
        mdb::Database::open(databasePath, mdb::OpenMode::ReadOnly));
    return openReport(kind, std::move(source), headingOf(kind, databasePath, date));
}

void setPageLayout(QPagedPaintDevice& device) {
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
}

int Report::print(QPagedPaintDevice& device, const QString& deviceName,
                  const ProgressListener& progress) const {
    QPainter painter;
    if (!painter.begin(&device))
        throw data::UserError(msg::cannotPrintTo(deviceName.toStdString()));
    const std::unique_ptr<LaidOutReport> pages = layOut(device);
    pages->layOutAll();
    const int count = pages->pageCount();
    for (int page = 0; page < count; ++page) {
        if (page > 0) device.newPage();
        pages->paintPage(painter, page);
        if (progress)
            progress({page + 1, count, pages->documentsDone(page), pages->documentCount()});
    }
    painter.end();
    return count;
}

int Report::writePdf(const QString& path, const QString& creator,
                     const ProgressListener& progress) const {
    QPdfWriter writer(path);
    writer.setTitle(heading().reportName);
    writer.setCreator(creator);
    setPageLayout(writer);
    return print(writer, path, progress);
}

int writePdf(const Report& report, const QString& path, const ProgressListener& progress) {
    return report.writePdf(path, QString::fromStdString(msg::kWindowCaption), progress);
}

}  // namespace reports

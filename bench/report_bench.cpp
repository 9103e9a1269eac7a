// report_bench: builds and renders the two reports from a large synthetic roll held in memory,
// and prints the time of each step and the peak memory.
//
//   report_bench [--documents N] [--items-per-document K] [--pdf-dir DIR] [--build-only 1]
//                [--database FILE]
//
// The rows come from memory, not from a database file: this measures grouping, layout and PDF
// writing. Defaults: 200000 documents with 5 lines each (a million lines). With --database
// they are read from a roll database instead: first opened as the window's preview opens it
// (read in steps as it is laid out), then built at once as the PDF command builds it.
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "reports/report.h"
#include "reports/roll_source.h"

namespace {

struct Options {
    long documents = 200000;
    int itemsPerDocument = 5;
    QString pdfDir = QDir::tempPath();
    bool buildOnly = false;  // no PDF: the memory of the built reports alone
    std::string database;    // read from this file instead of made up
};

const char* const kCategories[] = {"Domestica", "Non domestica - uffici", "Non domestica - negozi",
                                   "Box e autorimesse", "Aree scoperte operative"};
const char* const kTypes[] = {"Quota fissa", "Quota variabile", "Tributo provinciale",
                              "Riduzione compostaggio"};

// Rows made up on the fly, so the source itself holds nothing.
class SyntheticRoll : public reports::RollSource {
public:
    explicit SyntheticRoll(const Options& o) : o_(o) {}
    void readDocuments(const std::function<void(reports::DocumentRow&&)>& take) override {
        for (long i = 0; i < o_.documents; ++i) {
            reports::DocumentRow d;
            d.idDoc = static_cast<std::int32_t>(i + 1);
            d.number = static_cast<std::int32_t>(i + 1);
            d.date =
                reports::Date{2024, 1 + static_cast<int>(i % 12), 1 + static_cast<int>(i % 28)};
            d.taxpayer = "CONTRIBUENTE DI PROVA NUMERO " + std::to_string(i);
            d.residence = "VIA GIUSEPPE GARIBALDI " + std::to_string(i % 300) + " - 40100 BOLOGNA";
            d.birthDate = "12/05/1961";
            d.birthPlace = "CASALECCHIO DI RENO";
            d.birthProvince = "BO";
            d.taxCode = "CNTPRV61E12B880" + std::to_string(i % 10);
            d.amount(reports::Amount::Tariff) = 120.5 + i % 100;
            d.amount(reports::Amount::ProvincialSurcharge) = 6.03;
            d.amount(reports::Amount::Rounding) = -0.03;
            d.totalDue = 126.5 + i % 100;
            take(std::move(d));
        }
    }
    void readItems(const std::function<void(reports::ItemRow&&)>& take) override {
        for (long i = 0; i < o_.documents; ++i) {
            for (int k = 0; k < o_.itemsPerDocument; ++k) {
                reports::ItemRow r;
                r.idDoc = static_cast<std::int32_t>(i + 1);
                r.category = kCategories[(i + k) % 5];
                r.description = "Tariffa rifiuti anno 2024";
                r.type = kTypes[k % 4];
                r.quantity = std::to_string(50 + i % 200);
                r.unit = "mq";
                r.price = "1,2345";
                r.start = "01/01/2024";
                r.end = "31/12/2024";
                r.taxable = 20.0 + k;
                take(std::move(r));
            }
        }
    }

private:
    Options o_;
};

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

long peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// What a preview waits for before its first page: the first step of the layout, then that page
// painted; then the rest of the layout, which the preview does in the background. `start` is
// when the report was asked for.
void measurePreview(reports::ReportKind kind, const reports::Report& report, const Options& o,
                    std::chrono::steady_clock::time_point start) {
    const auto layoutStart = std::chrono::steady_clock::now();
    QPdfWriter probe(QDir(o.pdfDir).filePath(QStringLiteral("probe.pdf")));
    reports::setPageLayout(probe);
    const auto pages = report.layOut(probe);
    QImage image(794, 1123, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setDotsPerMeterX(static_cast<int>(probe.logicalDpiX() / 0.0254));
    image.setDotsPerMeterY(static_cast<int>(probe.logicalDpiY() / 0.0254));
    QPainter painter(&image);
    painter.scale(794.0 / probe.width(), 794.0 / probe.width());
    pages->paintPage(painter, 0);
    std::printf(
        "%s: first page painted in %.3f s, %.3f s after asking (%d pages laid out so far)\n",
        reports::reportName(kind).c_str(), seconds(layoutStart), seconds(start),
        pages->pageCount());
    const auto restStart = std::chrono::steady_clock::now();
    pages->layOutAll();
    std::printf(
        "%s: the rest laid out in %.2f s, %d pages; preview complete %.2f s after asking, "
        "peak %ld MB\n",
        reports::reportName(kind).c_str(), seconds(restStart), pages->pageCount(), seconds(start),
        peakMegabytes());
    std::fflush(stdout);
}

void measure(reports::ReportKind kind, const Options& o) {
    if (!o.database.empty() && !o.buildOnly) {
        // As the window's preview does: the roll opened, read as it is laid out.
        const auto start = std::chrono::steady_clock::now();
        const auto report = reports::openReport(kind, o.database);
        std::printf("%s: opened for a preview in %.3f s\n", reports::reportName(kind).c_str(),
                    seconds(start));
        measurePreview(kind, *report, o, start);
    }
    SyntheticRoll source(o);
    const auto start = std::chrono::steady_clock::now();
    const auto report =
        o.database.empty()
            ? reports::buildReport(
                  kind, source,
                  {QStringLiteral("bench.mdb"), QString::fromStdString(reports::reportName(kind)),
                   QDate::currentDate()})
            : reports::buildReport(kind, o.database);
    const double built = seconds(start);
    std::printf("%s: built in %.1f s, peak %ld MB\n", reports::reportName(kind).c_str(), built,
                peakMegabytes());
    std::fflush(stdout);
    if (o.buildOnly) return;
    if (o.database.empty()) measurePreview(kind, *report, o, start);
    const auto paintStart = std::chrono::steady_clock::now();
    const QString pdf = QDir(o.pdfDir).filePath(QString::fromStdString(reports::reportName(kind)) +
                                                QStringLiteral(".pdf"));
    const int pages = reports::writePdf(*report, pdf);
    QFile::remove(QDir(o.pdfDir).filePath(QStringLiteral("probe.pdf")));
    std::printf("%s: %d pages written to %s in %.1f s, peak %ld MB\n",
                reports::reportName(kind).c_str(), pages, pdf.toLocal8Bit().constData(),
                seconds(paintStart), peakMegabytes());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--documents") == 0)
            o.documents = std::atol(argv[i + 1]);
        else if (std::strcmp(argv[i], "--items-per-document") == 0)
            o.itemsPerDocument = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--build-only") == 0)
            o.buildOnly = std::atoi(argv[i + 1]) != 0;
        else if (std::strcmp(argv[i], "--database") == 0)
            o.database = argv[i + 1];
        else if (std::strcmp(argv[i], "--pdf-dir") == 0)
            o.pdfDir = QString::fromLocal8Bit(argv[i + 1]);
        else {
            std::fprintf(
                stderr,
                "usage: report_bench [--documents N] [--items-per-document K] [--pdf-dir DIR] "
                "[--build-only 1] [--database FILE]\n");
            return 2;
        }
    }
    if (std::getenv("DISPLAY") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    try {
        measure(reports::ReportKind::ItemTotals, o);
        measure(reports::ReportKind::Roll, o);
    } catch (const std::exception& e) {  // a database that cannot be read, a PDF not written
        std::fprintf(stderr, "report_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}

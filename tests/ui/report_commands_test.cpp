// The two hidden report commands: what they show, and where their failures go.
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QtTest>

#include "reports/report.h"
#include "ui/report_preview.h"
#include "ui/window_harness.h"

using testing_support::Window;

namespace {

// Records the reports the window would preview, instead of running the modal dialog.
class RecordingPreview : public ui::ReportPreview {
public:
    QStringList shown;  // report names
    void show(const reports::Report& report, ui::MessageBoxes&) override {
        shown << report.heading().reportName;
    }
};

// One document with one line, from memory.
class OneDocument : public reports::RollSource {
public:
    void readDocuments(const std::function<void(reports::DocumentRow&&)>& take) override {
        reports::DocumentRow d;
        d.idDoc = 1;
        d.taxpayer = "VERDI GIUSEPPE";
        d.totalDue = 42;
        take(std::move(d));
    }
    void readItems(const std::function<void(reports::ItemRow&&)>& take) override {
        reports::ItemRow i;
        i.idDoc = 1;
        i.category = "Rifiuti";
        i.taxable = 42;
        take(std::move(i));
    }
};

// `n` documents of one line each; read one at a time, document `damaged` (from 0) cannot be read.
class ManyDocuments : public reports::RowByRowSource {
public:
    explicit ManyDocuments(int n, int damaged = -1) : n_(n), damaged_(damaged) {}
    void readDocuments(const std::function<void(reports::DocumentRow&&)>& take) override {
        for (int i = 0; i < n_; ++i) take(document(static_cast<std::size_t>(i)));
    }
    void readItems(const std::function<void(reports::ItemRow&&)>& take) override {
        for (int i = 0; i < n_; ++i) take(item(static_cast<std::size_t>(i)));
    }
    Ids documentIds() override { return ids(); }
    Ids itemIds() override { return ids(); }
    reports::DocumentRow document(std::size_t row) override {
        if (static_cast<int>(row) == damaged_) throw std::runtime_error("pagina danneggiata");
        reports::DocumentRow d;
        d.idDoc = static_cast<int>(row) + 1;
        d.taxpayer = "CONTRIBUENTE " + std::to_string(row + 1);
        return d;
    }
    reports::ItemRow item(std::size_t row) override {
        reports::ItemRow item;
        item.idDoc = static_cast<int>(row) + 1;
        item.category = "Rifiuti";
        return item;
    }

private:
    Ids ids() const {
        Ids out;
        for (int i = 1; i <= n_; ++i) out.push_back(i);
        return out;
    }
    int n_, damaged_;
};

// The first row from the top, above a quarter of the sheet, with something painted across its
// middle: the header's rule. -1 when there is none.
int ruleRow(const QImage& page) {
    for (int y = 0; y < page.height() / 4; ++y)
        if (qGray(page.pixel(page.width() / 2, y)) < 250) return y;
    return -1;
}

}  // namespace

class ReportCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void buttonsStayHidden() {
        Window w;
        QVERIFY(!w.get("BitBtn3")->isVisibleTo(&w.form));
        QVERIFY(!w.get("BitBtn5")->isVisibleTo(&w.form));
    }

    void missingTablesGoToTheErrorDisplay_data() {
        QTest::addColumn<QString>("button");
        QTest::newRow("1_Ruolo") << QStringLiteral("BitBtn3");
        QTest::newRow("2_QTotaleVoci") << QStringLiteral("BitBtn5");
    }
    void missingTablesGoToTheErrorDisplay() {
        QFETCH(QString, button);
        const QString database = testing_support::fixture("empty.mdb");
        if (!QFile::exists(database)) QSKIP("no fixtures");
        Window w;
        auto* preview = new RecordingPreview;
        w.form.setReportPreview(std::unique_ptr<ui::ReportPreview>(preview));
        w.edit(3)->setText(database);
        w.get(qPrintable(button))->setEnabled(true);
        w.click(qPrintable(button));
        QCOMPARE(w.boxes->shown.size(), std::size_t{1});
        QCOMPARE(w.boxes->shown[0].kind, QStringLiteral("error"));
        QCOMPARE(w.boxes->shown[0].text,
                 QStringLiteral("La banca dati non contiene la tabella Testate"));
        QVERIFY(preview->shown.isEmpty());
    }

    void aDatabaseThatCannotBeOpenedGoesToTheErrorDisplay() {
        QTemporaryDir dir;
        Window w;
        auto* preview = new RecordingPreview;
        w.form.setReportPreview(std::unique_ptr<ui::ReportPreview>(preview));
        w.edit(3)->setText(dir.filePath(QStringLiteral("assente.mdb")));
        w.get("BitBtn5")->setEnabled(true);
        w.click("BitBtn5");
        QCOMPARE(w.boxes->shown.size(), std::size_t{1});
        QCOMPARE(w.boxes->shown[0].kind, QStringLiteral("error"));
        QVERIFY(w.boxes->shown[0].text.contains(QStringLiteral("assente.mdb")));
        QVERIFY(preview->shown.isEmpty());
    }

    // The dialog is set up for A4, prints the report and paints any page on its own.
    void previewDialogPaintsTheReportOnA4() {
        OneDocument source;
        const auto report = reports::buildReport(
            reports::ReportKind::Roll, source,
            {QStringLiteral("ruolo.mdb"), QStringLiteral("1_Ruolo"), QDate(2024, 3, 5)});
        testing_support::RecordingBoxes boxes;
        QPrinter printer;
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("anteprima.pdf"));
        printer.setOutputFileName(pdf);
        const auto dialog = ui::makePreviewDialog(*report, printer, boxes, nullptr);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("1_Ruolo"));
        QCOMPARE(printer.pageLayout().pageSize().id(), QPageSize::A4);
        dialog->print(printer);
        QVERIFY(boxes.shown.empty());
        QVERIFY(QFileInfo(pdf).size() > 0);
        // The preview paints a page on its own: the header's rule crosses the top of the sheet.
        QCOMPARE(dialog->pageCount(), 1);
        const QImage page = dialog->pageImage(0, 400);
        QCOMPARE(page.width(), 400);
        QVERIFY(ruleRow(page) > 0);
    }

    // A long roll's preview opens on its first pages and lays out the others in the background,
    // its count growing, until it holds every page of the report.
    void previewOfALongRollShowsItsFirstPageBeforeTheLayoutEnds() {
        ManyDocuments source(3000);
        const auto report = reports::buildReport(
            reports::ReportKind::Roll, source,
            {QStringLiteral("ruolo.mdb"), QStringLiteral("1_Ruolo"), QDate(2024, 3, 5)});
        testing_support::RecordingBoxes boxes;
        QPrinter printer;
        const auto dialog = ui::makePreviewDialog(*report, printer, boxes, nullptr);
        QVERIFY(!dialog->layoutComplete());
        const int firstCount = dialog->pageCount();
        QVERIFY(firstCount >= 1);
        QVERIFY(ruleRow(dialog->pageImage(0, 400)) > 0);
        QLabel* count = dialog->findChild<QLabel*>();
        QCOMPARE(count->text(), QStringLiteral("%1 pagine...").arg(firstCount));

        QTRY_VERIFY_WITH_TIMEOUT(dialog->layoutComplete(), 120000);
        QPrinter whole;
        reports::setPageLayout(whole);
        const auto all = report->layOut(whole);
        all->layOutAll();
        QVERIFY(dialog->pageCount() > firstCount);
        QCOMPARE(dialog->pageCount(), all->pageCount());
        QCOMPARE(count->text(), QStringLiteral("%1 pagine").arg(all->pageCount()));
        QVERIFY(ruleRow(dialog->pageImage(dialog->pageCount() - 1, 400)) > 0);
    }

    // A roll read as it is laid out: a page that cannot be read in a later step is reported once,
    // and the preview closes rather than show part of the report as if it were all.
    void aReadErrorInALaterStepGoesToTheErrorDisplay() {
        const auto report = reports::openReport(
            reports::ReportKind::Roll, std::make_unique<ManyDocuments>(3000, 2500),
            {QStringLiteral("ruolo.mdb"), QStringLiteral("1_Ruolo"), QDate(2024, 3, 5)});
        testing_support::RecordingBoxes boxes;
        QPrinter printer;
        const auto dialog = ui::makePreviewDialog(*report, printer, boxes, nullptr);
        dialog->show();
        QVERIFY(dialog->pageCount() >= 1);
        QVERIFY(boxes.shown.empty());
        QTRY_VERIFY_WITH_TIMEOUT(!boxes.shown.empty(), 120000);
        QCOMPARE(boxes.shown[0].kind, QStringLiteral("error"));
        QCOMPARE(boxes.shown[0].text, QStringLiteral("pagina danneggiata"));
        QVERIFY(!dialog->layoutComplete());
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->result(), int{QDialog::Rejected});
        QTest::qWait(100);
        QCOMPARE(boxes.shown.size(), std::size_t{1});
    }

    // A printer that cannot be painted on is reported, not thrown through Qt.
    void aPrinterThatRefusesGoesToTheErrorDisplay() {
        OneDocument source;
        const auto report = reports::buildReport(
            reports::ReportKind::ItemTotals, source,
            {QStringLiteral("ruolo.mdb"), QStringLiteral("2_QTotaleVoci"), QDate(2024, 3, 5)});
        testing_support::RecordingBoxes boxes;
        QPrinter printer;
        printer.setOutputFileName(QStringLiteral("/no/such/folder/out.pdf"));
        const auto dialog = ui::makePreviewDialog(*report, printer, boxes, nullptr);
        dialog->print(printer);
        QCOMPARE(boxes.shown.size(), std::size_t{1});
        QCOMPARE(boxes.shown[0].text,
                 QStringLiteral("Impossibile stampare su /no/such/folder/out.pdf"));
    }
};

QTEST_MAIN(ReportCommandsTest)
#include "report_commands_test.moc"

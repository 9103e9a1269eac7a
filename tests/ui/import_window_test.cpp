// The window's "Importa": Connetti, then Importa on a roll database, the question, the activity
// line and the bar, through the window's own controls and scripted message boxes.
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QLocale>
#include <QtTest>

#include "data/qt/system_regional_settings.h"
#include "data/regional_settings.h"
#include "data/roll_tables.h"
#include "mdb/database.h"
#include "ui/progress_bar.h"
#include "ui/window_harness.h"

using testing_support::Window;

namespace {

// «="a";="b";...» in the export's form, `count` columns, values from `set` (1-based).
QByteArray exportLine(const QMap<int, QByteArray>& set, int count) {
    QByteArray line;
    for (int c = 1; c <= count; ++c) line += "=\"" + set.value(c) + "\";";
    return line + "\r\n";
}

std::size_t rowCount(const QString& database, const char* table) {
    auto db = mdb::Database::open(database.toStdString(), mdb::OpenMode::ReadOnly);
    return db->table(table).rowPositions().size();
}

}  // namespace

class ImportWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        QVERIFY(dir_.isValid());
        // Italian regional settings, as Qt's own locale data gives them.
        data::setCurrentRegionalSettings(data::regionalSettingsFor(QLocale(QLocale::Italian)));
        QByteArray headers = "titolo\r\n", details = "titolo\r\n";
        for (int doc = 1; doc <= 3; ++doc) {
            const QByteArray id = QByteArray::number(doc);
            headers += exportLine(
                {{1, id}, {3, "31/12/2020"}, {17, "Citt\xE0 di Forl\xEC"}, {44, "1.234,50"}}, 60);
            details += exportLine({{1, id}, {6, "Abitazioni"}, {10, "mq"}, {16, "2.345,60"}}, 17);
        }
        header_ = testing_support::writeFile(dir_, "testate.csv", headers);
        detail_ = testing_support::writeFile(dir_, "dettagli.csv", details);
        database_ = dir_.filePath("ruolo.mdb");
        QFile::remove(database_);
        data::createRollDatabase(database_.toStdString());
    }
    void cleanup() { data::setCurrentRegionalSettings(data::RegionalSettings{}); }

    void connettiImportaAndTheQuestion() {
        Window w;
        w.edit(1)->setText(header_);
        w.edit(2)->setText(detail_);
        w.edit(3)->setText(database_);
        w.click("BitBtn1");
        QVERIFY(w.get<QPushButton>("BitBtn2")->isEnabled());

        // Both tables empty: no question.
        w.click("BitBtn2");
        QCOMPARE(w.boxes->shown.size(), std::size_t{1});
        QCOMPARE(w.boxes->shown[0].kind, QStringLiteral("information"));
        QCOMPARE(w.boxes->shown[0].text, QStringLiteral("Operazione terminata"));
        QCOMPARE(w.get<QLabel>("LAttivita")->text(),
                 QStringLiteral("Inserimento dati nella tabella Dettaglio Voci"));
        QCOMPARE(rowCount(database_, "Testate"), std::size_t{3});
        QCOMPARE(rowCount(database_, "DettaglioVoci"), std::size_t{3});

        // Yes: replaced.
        w.boxes->shown.clear();
        w.boxes->answers = {true};
        w.click("BitBtn2");
        QCOMPARE(w.boxes->shown.size(), std::size_t{2});
        QCOMPARE(w.boxes->shown[0].kind, QStringLiteral("confirm"));
        QCOMPARE(w.boxes->shown[0].text,
                 QStringLiteral("Le tabelle contengono dei dati, li elimino? "));
        QCOMPARE(w.boxes->shown[1].text, QStringLiteral("Operazione terminata"));
        QCOMPARE(rowCount(database_, "Testate"), std::size_t{3});

        // No: the activity line and the bar are cleared, nothing else is shown.
        w.boxes->shown.clear();
        w.boxes->answers = {false};
        w.get<ui::ProgressBar>("PB")->setPosition(50);
        w.click("BitBtn2");
        QCOMPARE(w.boxes->shown.size(), std::size_t{1});
        QCOMPARE(w.boxes->shown[0].kind, QStringLiteral("confirm"));
        QCOMPARE(w.get<QLabel>("LAttivita")->text(), QString());
        QCOMPARE(w.get<ui::ProgressBar>("PB")->position(), 0);
        QCOMPARE(rowCount(database_, "Testate"), std::size_t{3});
    }

    void anUnreadableFileIsShownByTheErrorDisplay() {
        Window w;
        testing_support::writeFile(dir_, "testate.csv",
                                   "titolo\r\n" + exportLine({{3, "2020-12-31"}}, 60));
        w.edit(1)->setText(header_);
        w.edit(2)->setText(detail_);
        w.edit(3)->setText(database_);
        w.click("BitBtn1");
        w.click("BitBtn2");
        QCOMPARE(w.boxes->shown.size(), std::size_t{1});
        QCOMPARE(w.boxes->shown[0].kind, QStringLiteral("error"));
        QCOMPARE(w.boxes->shown[0].text,
                 QStringLiteral("'2020-12-31' is not a valid date and time"));
    }

    void aLocaleChangeReadsTheRegionalSettingsAgain() {
        Window w;
        data::RegionalSettings odd;
        odd.decimalSeparator = '#';
        data::setCurrentRegionalSettings(odd);
        QEvent change(QEvent::LocaleChange);
        QCoreApplication::sendEvent(&w.form, &change);
        QVERIFY(data::currentRegionalSettings() == data::regionalSettingsFor(QLocale::system()));
    }

private:
    QTemporaryDir dir_;
    QString header_, detail_, database_;
};

QTEST_MAIN(ImportWindowTest)
#include "import_window_test.moc"

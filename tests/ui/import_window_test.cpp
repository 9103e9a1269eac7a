// The window's "Importa": Connetti, then Importa on a roll database, the question, the activity
// line and the bar, through the window's own controls and scripted message boxes.
#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QTimer>
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
    // A long run: the window is drawn while it works (the bar's painted pixels move between grabs
    // of the screen), a click on Fine and a Space on Importa are dropped, and a close request
    // waits until the final message has been shown.
    void aLongRunKeepsTheWindowDrawnTakesNoInputAndHoldsAClose() {
        QByteArray headers = "titolo\r\n", details = "titolo\r\n";
        for (int doc = 1; doc <= 300; ++doc) {
            const QByteArray id = QByteArray::number(doc);
            headers += exportLine({{1, id}, {17, "Citt\xE0 di Forl\xEC"}, {44, "1.234,50"}}, 60);
            details += exportLine({{1, id}, {6, "Abitazioni"}, {10, "mq"}}, 17);
        }
        testing_support::writeFile(dir_, "testate.csv", headers);
        testing_support::writeFile(dir_, "dettagli.csv", details);
        Window w;
        w.form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.form));
        w.edit(1)->setText(header_);
        w.edit(2)->setText(detail_);
        w.edit(3)->setText(database_);
        w.click("BitBtn1");
        w.form.setAfterEachImportLine([] { QThread::usleep(1000); });

        auto* importa = w.get<QPushButton>("BitBtn2");
        auto* fine = w.get<QPushButton>("BitBtn4");
        int importaPressed = 0, finePressed = 0;
        connect(importa, &QPushButton::clicked, [&] { ++importaPressed; });
        connect(fine, &QPushButton::clicked, [&] { ++finePressed; });
        bool visibleAtFinalMessage = false;
        w.boxes->onShow = [&](const auto&) { visibleAtFinalMessage = w.form.isVisible(); };

        const QRect bar = w.get("PB")->geometry();
        QList<QImage> barImages;
        QSet<QString> activities;
        bool inputSent = false, closeHeld = false;
        QTimer duringRun;
        duringRun.setInterval(5);
        connect(&duringRun, &QTimer::timeout, [&] {
            const QImage image =
                w.form.screen()
                    ->grabWindow(w.form.winId(), bar.x(), bar.y(), bar.width(), bar.height())
                    .toImage();
            if (!barImages.contains(image)) barImages << image;
            activities << w.get<QLabel>("LAttivita")->text();
            if (barImages.size() < 2) return;
            if (!inputSent) {
                QTest::mouseClick(fine, Qt::LeftButton);
                QTest::keyClick(importa, Qt::Key_Space);
                inputSent = true;
            } else if (!closeHeld) {
                QCloseEvent request;  // as the window manager asks
                QCoreApplication::sendEvent(w.form.windowHandle(), &request);
                closeHeld = !request.isAccepted() && w.form.isVisible();
            }
        });
        duringRun.start();
        w.click("BitBtn2");
        duringRun.stop();

        QVERIFY2(barImages.size() >= 2, "the bar was never drawn twice during the run");
        QVERIFY(activities.contains(QStringLiteral("Controllo dei file")));
        QVERIFY(inputSent);
        QVERIFY(closeHeld);
        QCOMPARE(importaPressed, 1);
        QCOMPARE(finePressed, 0);
        QCOMPARE(w.boxes->shown.size(), std::size_t{1});
        QCOMPARE(w.boxes->shown[0].text, QStringLiteral("Operazione terminata"));
        QVERIFY(visibleAtFinalMessage);
        QVERIFY(!w.form.isVisible());  // closed once the run was over
        QCoreApplication::processEvents();
        QCOMPARE(finePressed, 0);
        QCOMPARE(rowCount(database_, "Testate"), std::size_t{300});
    }

    void cleanup() { data::setCurrentRegionalSettings(data::RegionalSettings{}); }

    // On a new roll database, and on an office's Access 97 file given the roll's tables.
    void connettiImportaAndTheQuestion_data() {
        QTest::addColumn<bool>("access97");
        QTest::newRow("Jet 4") << false;
        QTest::newRow("Access 97") << true;
    }

    void connettiImportaAndTheQuestion() {
        QFETCH(bool, access97);
        if (access97) {
            database_ = dir_.filePath("ufficio97.mdb");
            QFile::remove(database_);
            if (!QFile::copy(testing_support::fixture("testV1997.mdb"), database_))
                QSKIP("no fixtures");
            QFile::setPermissions(database_, QFile::ReadOwner | QFile::WriteOwner);
            data::addRollTables(database_.toStdString());
        }
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
        {
            auto db = mdb::Database::open(database_.toStdString(), mdb::OpenMode::ReadOnly);
            QCOMPARE(QString::fromStdString(db->info().formatName),
                     access97 ? QStringLiteral("Jet 3 (Access 97)")
                              : QStringLiteral("Jet 4 (Access 2000-2003)"));
            const mdb::Table& testate = db->table("Testate");
            mdb::Table::Cursor rows = testate.scan();
            QVERIFY(rows.next());
            QCOMPARE(std::get<std::string>(rows.value(*testate.findColumn("contribuente"))),
                     std::string("Citt\u00e0 di Forl\u00ec"));
        }

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

    // A file that cannot be a roll is refused before the question, and the box names a field text
    // with its code page's letters and its unseen bytes visible.
    void aWrongFileOrAnUnreadableTextIsShownWhole() {
        const auto bytesOf = [](const QString& path) {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        Window w;
        w.edit(1)->setText(header_);
        w.edit(2)->setText(detail_);
        w.edit(3)->setText(database_);
        w.click("BitBtn1");
        w.click("BitBtn2");
        QCOMPARE(rowCount(database_, "DettaglioVoci"), std::size_t{3});
        const QByteArray before = bytesOf(database_);

        testing_support::writeFile(dir_, "dettagli.csv", QByteArray(1024, '\0'));
        w.boxes->shown.clear();
        w.boxes->answers = {true};
        w.click("BitBtn2");
        QCOMPARE(w.boxes->shown.size(), std::size_t{1});
        QCOMPARE(w.boxes->shown[0].kind, QStringLiteral("error"));
        QCOMPARE(w.boxes->shown[0].text, "Il file " + detail_ + " non contiene righe di dati");

        testing_support::writeFile(dir_, "testate.csv",
                                   "titolo\r\n" + exportLine({{1, QByteArray("7\x80\0", 3)}}, 60));
        w.boxes->shown.clear();
        w.click("BitBtn2");
        QCOMPARE(w.boxes->shown.size(), std::size_t{1});
        QCOMPARE(
            w.boxes->shown[0].text,
            QString::fromUtf8("'7\u20ac\u2400\"' is not a valid integer value for field 'id doc'"));
        QCOMPARE(bytesOf(database_), before);
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

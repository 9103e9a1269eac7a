// The three browse buttons and the file-open dialog they share.
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QtTest>

#include "ui/open_dialog.h"
#include "ui/window_harness.h"

using testing_support::KeepCurrentDir;
using testing_support::Window;

namespace {

const QStringList kTextFilters = {"File csv (*.[cC][sS][vV])", "Tutti i files (*)"};
const QStringList kDatabaseFilters = {"File Acces (*.[mM][dD][bB])", "Tutti i files (*)"};

// The names the dialog lists in `folder` with the filter at `index` selected, once it lists as
// many as `expected` holds (or after a time-out).
QStringList listedNames(QFileDialog& dialog, const QString& folder, int index,
                        const QStringList& expected) {
    dialog.selectNameFilter(dialog.nameFilters().at(index));
    auto* model = dialog.findChild<QFileSystemModel*>();
    if (model == nullptr) return {"no model"};
    const QModelIndex root = model->index(folder);
    (void)QTest::qWaitFor([&] { return model->rowCount(root) == expected.size(); }, 5000);
    QStringList names;
    for (int row = 0; row < model->rowCount(root); ++row)
        names << model->index(row, 0, root).data().toString();
    names.sort();
    return names;
}

}  // namespace

class FileSelectionTest : public QObject {
    Q_OBJECT
private slots:
    void filtersTranslateToQtPatterns() {
        QCOMPARE(ui::qtNameFilters("File csv|*.csv|Tutti i files|*.*"), kTextFilters);
        QCOMPARE(ui::qtNameFilters("File Acces|*.mdb|Tutti i files|*.*"), kDatabaseFilters);
        QCOMPARE(ui::qtNameFilters("Testo|*.txt;*.c1|Dangling"),
                 QStringList({"Testo (*.[tT][xX][tT] *.[cC]1)"}));
        QCOMPARE(ui::qtNameFilters(""), QStringList());
    }

    void realDialogIsSetUpAsRequested() {
        QTemporaryDir dir;
        QFileDialog dialog;
        ui::prepareFileDialog(dialog, {dir.path(), kTextFilters, 1, QString()});
        QVERIFY(dialog.testOption(QFileDialog::DontUseNativeDialog));
        QVERIFY(dialog.testOption(QFileDialog::HideNameFilterDetails));
        QCOMPARE(dialog.acceptMode(), QFileDialog::AcceptOpen);
        QCOMPARE(dialog.fileMode(), QFileDialog::AnyFile);  // a typed name need not exist
        QVERIFY(dialog.isSizeGripEnabled());
        QCOMPARE(dialog.nameFilters(), kTextFilters);
        QCOMPARE(ui::selectedFilterIndex(dialog), 1);
        QCOMPARE(dialog.directory().absolutePath(), dir.path());
        auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
        QVERIFY(types != nullptr);
        QCOMPARE(types->count(), 2);
        QCOMPARE(types->itemText(0), QStringLiteral("File csv"));  // exactly the display names
        QCOMPARE(types->itemText(1), QStringLiteral("Tutti i files"));
        ui::prepareFileDialog(dialog, {dir.path(), kDatabaseFilters, 0, QString()});
        QCOMPARE(types->itemText(0), QStringLiteral("File Acces"));
        QCOMPARE(ui::selectedFilterIndex(dialog), 0);
        types->setCurrentIndex(1);  // as the user picks the second entry
        QCOMPARE(ui::selectedFilterIndex(dialog), 1);
    }

    void realDialogMatchesWithoutRegardToCase() {
        QTemporaryDir dir;
        for (const char* name : {"a.csv", "B.CSV", "c.Csv", "d.txt", "noext", "e.mdb", "F.MDB"})
            testing_support::writeFile(dir, name);
        QFileDialog dialog;
        ui::prepareFileDialog(dialog, {dir.path(), kTextFilters, 0, QString()});
        dialog.show();
        const QStringList csv = {"B.CSV", "a.csv", "c.Csv"};
        QCOMPARE(listedNames(dialog, dir.path(), 0, csv), csv);
        const QStringList all = {"B.CSV", "F.MDB", "a.csv", "c.Csv", "d.txt", "e.mdb", "noext"};
        QCOMPARE(listedNames(dialog, dir.path(), 1, all), all);  // dotless names too
        ui::prepareFileDialog(dialog, {dir.path(), kDatabaseFilters, 0, QString()});
        const QStringList mdb = {"F.MDB", "e.mdb"};
        QCOMPARE(listedNames(dialog, dir.path(), 0, mdb), mdb);
    }

    void browseButtonsFillTheirBoxesAndShareTheDialogState() {
        KeepCurrentDir keep;
        QTemporaryDir dir;
        QVERIFY(QDir().mkpath(dir.filePath("rolls")));
        Window w;
        const QString start = QDir::currentPath();
        const QString header = dir.filePath("rolls/testate.csv");
        const QString detail = dir.filePath("dettagli.txt");
        const QString database = dir.filePath("ruolo.mdb");
        w.dialog.pick(header);
        w.dialog.pick(detail, 1);  // chosen with "Tutti i files"
        w.dialog.pick(database, 1);
        w.click("SpeedButton1");
        w.click("SpeedButton2");
        w.click("SpeedButton3");
        QCOMPARE(w.edit(1)->text(), header);
        QCOMPARE(w.edit(2)->text(), detail);
        QCOMPARE(w.edit(3)->text(), database);
        QVERIFY(w.boxes->shown.empty());

        const auto& r = w.dialog.requests;
        QCOMPARE(r.size(), std::size_t{3});
        // First use: the current directory, the first filter, no remembered file.
        QCOMPARE(r[0].directory, start);
        QCOMPARE(r[0].nameFilters, kTextFilters);
        QCOMPARE(r[0].filterIndex, 0);
        QVERIFY(r[0].fileName.isEmpty());
        // Each pick moves the current directory to the chosen file's folder, and the dialog
        // offers the last chosen file again.
        QCOMPARE(r[1].directory, dir.filePath("rolls"));
        QCOMPARE(r[1].fileName, header);
        QCOMPARE(r[1].filterIndex, 0);
        QCOMPARE(r[2].directory, dir.path());
        QCOMPARE(r[2].fileName, detail);
        QCOMPARE(r[2].nameFilters, kDatabaseFilters);
        QCOMPARE(r[2].filterIndex, 1);  // "Tutti i files" stays selected across buttons
        QCOMPARE(QDir::currentPath(), dir.path());
    }

    void cancelShowsOperazioneAbortitaAndChangesNothing() {
        KeepCurrentDir keep;
        QTemporaryDir dir;
        Window w;
        const QString chosen = dir.filePath("testate.csv");
        w.dialog.pick(chosen, 1);
        w.click("SpeedButton1");
        for (int n = 1; n <= 3; ++n) w.edit(n)->setText(QStringLiteral("typed %1").arg(n));
        const QString folder = QDir::currentPath();
        for (const char* button : {"SpeedButton1", "SpeedButton2", "SpeedButton3"}) {
            w.boxes->shown.clear();
            w.dialog.cancel();
            w.click(button);
            QCOMPARE(w.boxes->shown.size(), std::size_t{1});
            QCOMPARE(w.boxes->shown[0].kind, QStringLiteral("information"));
            QCOMPARE(w.boxes->shown[0].text, QStringLiteral("Operazione abortita"));
        }
        for (int n = 1; n <= 3; ++n) QCOMPARE(w.edit(n)->text(), QStringLiteral("typed %1").arg(n));
        QCOMPARE(QDir::currentPath(), folder);
        w.dialog.pick(chosen);
        w.click("SpeedButton3");
        QCOMPARE(w.dialog.requests.back().fileName, chosen);  // still the last confirmed pick
        QCOMPARE(w.dialog.requests.back().filterIndex, 1);
    }

    void disabledBoxesStillReceiveThePath() {
        QTemporaryDir dir;
        Window w;
        w.edit(1)->setText(testing_support::writeFile(dir, "h.csv"));
        w.edit(2)->setText(testing_support::writeFile(dir, "d.csv"));
        w.click("BitBtn1");
        QVERIFY(!w.edit(1)->isEnabled());
        KeepCurrentDir keep;
        const QString other = testing_support::writeFile(dir, "other.csv");
        w.dialog.pick(other);
        w.click("SpeedButton1");
        QCOMPARE(w.edit(1)->text(), other);
        QVERIFY(!w.edit(1)->isEnabled());
    }

    // A name typed into the dialog need not exist; Connetti then reports it as not found.
    // Relative paths typed afterwards resolve from the folder of the pick.
    void aTypedNameThatDoesNotExistIsTakenAsItIs() {
        KeepCurrentDir keep;
        QTemporaryDir dir;
        testing_support::writeFile(dir, "d.csv");
        Window w;
        const QString typed = dir.filePath("nuovo.csv");
        w.dialog.pick(typed);
        w.click("SpeedButton1");
        QCOMPARE(w.edit(1)->text(), typed);
        w.edit(2)->setText(QStringLiteral("d.csv"));
        w.click("BitBtn1");
        QCOMPARE(w.get<QLabel>("Label3")->text(), QStringLiteral("NON TROVATO"));
        testing_support::writeFile(dir, "nuovo.csv");
        w.click("BitBtn1");
        QCOMPARE(w.get<QLabel>("Label3")->text(), QStringLiteral("TROVATO"));
    }
};

QTEST_MAIN(FileSelectionTest)
#include "file_selection_test.moc"

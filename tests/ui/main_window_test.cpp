// The main window: its controls as placed at start, the status display, Connetti, Importa, Fine.
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <algorithm>

#include "ui/label.h"
#include "ui/progress_bar.h"
#include "ui/window_harness.h"

using testing_support::Window;

namespace {

const QColor kGreen(0, 128, 0);
const QColor kRed(255, 0, 0);

QColor textColour(QWidget* w) { return w->palette().color(QPalette::WindowText); }

// Pixels between two rectangles along the axis on which they are apart (0 when they touch,
// negative when they overlap).
int gapBetween(const QRect& a, const QRect& b) {
    const int across = std::max(b.left() - (a.right() + 1), a.left() - (b.right() + 1));
    const int down = std::max(b.top() - (a.bottom() + 1), a.top() - (b.bottom() + 1));
    return std::max(across, down);
}

// Records enabling and colour changes of the status display's controls, in order, with the
// status labels' texts at that moment.
class EffectRecorder : public QObject {
public:
    explicit EffectRecorder(Window& window) : window_(window) {
        for (const char* name : {"BitBtn1", "BitBtn2", "BitBtn3", "BitBtn5", "Label2", "Label3",
                                 "Edit1", "Edit2", "Edit3"}) {
            window.get(name)->installEventFilter(this);
        }
    }
    QStringList effects;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QString labels = window_.get<QLabel>("Label3")->text() + QLatin1Char('/') +
                               window_.get<QLabel>("Label2")->text();
        if (event->type() == QEvent::EnabledChange)
            effects << watched->objectName() + QStringLiteral(" enabled ") + labels;
        if (event->type() == QEvent::PaletteChange)
            effects << watched->objectName() + QStringLiteral(" colour ") + labels;
        return false;
    }

private:
    Window& window_;
};

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        QVERIFY(dir_.isValid());
        header_ = testing_support::writeFile(dir_, "testate.csv");
        detail_ = testing_support::writeFile(dir_, "dettagli.csv");
    }

    void windowFrame() {
        Window w;
        QCOMPARE(w.form.windowTitle(), QStringLiteral("Brelvano"));
        QCOMPARE(w.form.size(), QSize(524, 449));
        QCOMPARE(w.form.pos(), QPoint(354, 196));
        QCOMPARE(w.form.font().family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(w.form.font().pixelSize(), 11);
        QCOMPARE(QFontInfo(w.form.font()).pixelSize(), 11);  // whatever font stands in
        QVERIFY(!w.form.font().bold());
    }

    void initialControls_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("visible");
        auto row = [](const char* name, QRect r, const char* text, bool enabled = true,
                      bool visible = true) {
            QTest::newRow(name) << QString(name) << r << QString::fromUtf8(text) << enabled
                                << visible;
        };
        row("Bevel1", {112, 177, 225, 160}, "");
        row("Label1", {128, 184, 42, 13}, "File testo");
        row("Label2", {230, 208, 100, 13}, "NON CONNESSO");
        row("Label3", {230, 184, 91, 13}, "NON TROVATO");
        row("Label4", {128, 208, 91, 13}, "Banca Dati Access");
        row("LAttivita", {8, 343, 3, 13}, "-");
        row("Label5", {8, 8, 76, 13}, "File delle testate");
        row("Label6", {8, 48, 70, 13}, "File dei dettagli");
        row("SpeedButton1", {416, 24, 23, 22}, "");
        row("SpeedButton2", {416, 64, 23, 22}, "");
        row("Label7", {8, 96, 61, 13}, "File ACCESS");
        row("SpeedButton3", {416, 112, 23, 22}, "");
        row("BitBtn1", {128, 224, 193, 33}, "Connetti !!!");
        row("BitBtn2", {128, 264, 193, 33}, "Importa", false);
        row("BitBtn3", {384, 152, 193, 33}, "Stampa Detaglio Ruolo ", false, false);
        row("BitBtn4", {256, 304, 65, 25}, "Fine");
        row("PB", {0, 431, 524, 18}, "");
        row("Edit1", {8, 24, 401, 21}, "");
        row("Edit2", {8, 64, 401, 21}, "");
        row("Edit3", {8, 112, 401, 21}, "");
        row("BitBtn5", {384, 192, 193, 33}, "Stampa Riepilogo Ruolo", false, false);
    }

    void initialControls() {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QFETCH(QString, text);
        QFETCH(bool, enabled);
        QFETCH(bool, visible);
        Window w;
        w.form.show();
        QWidget* control = w.get(qPrintable(name));
        QCOMPARE(control->isEnabled(), enabled);
        QCOMPARE(control->isVisible(), visible);
        if (auto* label = qobject_cast<ui::Label*>(control)) {
            QCOMPARE(label->text(), text);
            QCOMPARE(label->designedWidth(), geometry.width());
            QCOMPARE(label->pos(), geometry.topLeft());
            QCOMPARE(label->height(), geometry.height());
            // With a stand-in font a label may be wider than designed, never too narrow for its
            // text; the activity line is exactly as wide as its text.
            const int textWidth = label->fontMetrics().horizontalAdvance(text);
            QVERIFY2(label->width() >= textWidth, qPrintable(name));
            if (name == QLatin1String("LAttivita")) {
                QCOMPARE(label->width(), textWidth);
            } else {
                QVERIFY(label->width() >= geometry.width());
            }
            QCOMPARE(label->alignment(), Qt::AlignLeft | Qt::AlignTop);
            return;
        }
        QCOMPARE(control->geometry(), geometry);
        if (auto* edit = qobject_cast<QLineEdit*>(control)) QCOMPARE(edit->text(), text);
        if (auto* button = qobject_cast<QPushButton*>(control)) QCOMPARE(button->text(), text);
        if (auto* speed = qobject_cast<QToolButton*>(control)) {
            QVERIFY(speed->text().isEmpty());
            QVERIFY(speed->icon().isNull());
            QVERIFY(!speed->autoRaise());  // a raised face
            QCOMPARE(speed->focusPolicy(), Qt::NoFocus);
        }
        if (auto* bevel = qobject_cast<QFrame*>(control); bevel && name == "Bevel1") {
            QCOMPARE(bevel->frameShape(), QFrame::Box);
            QCOMPARE(bevel->frameShadow(), QFrame::Sunken);
        }
    }

    void controlKinds() {
        Window w;
        for (const char* name :
             {"Label1", "Label2", "Label3", "Label4", "Label5", "Label6", "Label7", "LAttivita"})
            QVERIFY2(qobject_cast<ui::Label*>(w.get(name)), name);
        for (const char* name : {"BitBtn1", "BitBtn2", "BitBtn3", "BitBtn4", "BitBtn5"})
            QVERIFY2(qobject_cast<QPushButton*>(w.get(name)), name);
        for (const char* name : {"SpeedButton1", "SpeedButton2", "SpeedButton3"})
            QVERIFY2(qobject_cast<QToolButton*>(w.get(name)), name);
        for (const char* name : {"Edit1", "Edit2", "Edit3"})
            QVERIFY2(qobject_cast<QLineEdit*>(w.get(name)), name);
        QVERIFY(qobject_cast<ui::ProgressBar*>(w.get("PB")));
        // Creation order is stacking order: the bevel lies under the labels and buttons.
        QCOMPARE(w.form.children().indexOf(w.get("Bevel1")), 0);
    }

    void statusLabelsStartBoldGreen() {
        Window w;
        for (const char* name : {"Label2", "Label3"}) {
            QVERIFY2(w.get(name)->font().bold(), name);
            QCOMPARE(textColour(w.get(name)), kGreen);
        }
        const QColor plain = w.form.palette().color(QPalette::WindowText);
        for (const char* name : {"Label1", "Label4", "Label5", "Label6", "Label7", "LAttivita"}) {
            QVERIFY2(!w.get(name)->font().bold(), name);
            QCOMPARE(textColour(w.get(name)), plain);
        }
    }

    // No text is cut off, drawn over a neighbour or run up against it, whatever font stands in
    // for MS Sans Serif: every two controls stay at least 3 pixels apart (as designed, the
    // closest are 3 apart), in every state of the status labels.
    void visibleControlsKeepTheirDistance() {
        Window w;
        w.form.show();
        const auto controls = w.form.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
        const auto checkGaps = [&] {
            for (QWidget* a : controls) {
                for (QWidget* b : controls) {
                    if (a == b || !a->isVisible() || !b->isVisible()) continue;
                    if (a->objectName() == "Bevel1" || b->objectName() == "Bevel1") continue;
                    QVERIFY2(gapBetween(a->geometry(), b->geometry()) >= 3,
                             qPrintable(a->objectName() + " is too close to " + b->objectName()));
                }
            }
        };
        checkGaps();
        w.edit(1)->setText(header_);
        w.edit(2)->setText(detail_);
        w.click("BitBtn1");  // "TROVATO"
        checkGaps();
    }

    void tabOrderAndFocus() {
        Window w;
        QStringList chain;
        const QStringList named = {"BitBtn1", "BitBtn2", "BitBtn3", "BitBtn4", "PB",
                                   "Edit1",   "Edit2",   "Edit3",   "BitBtn5"};
        QWidget* widget = w.get("BitBtn1");
        do {
            if (named.contains(widget->objectName())) chain << widget->objectName();
            widget = widget->nextInFocusChain();
        } while (widget != w.get("BitBtn1"));
        QCOMPARE(chain, named);

        w.form.show();
        w.form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w.form));
        QCOMPARE(QApplication::focusWidget(), w.get("BitBtn1"));
        // Tab skips the disabled and hidden buttons, the bar and the browse buttons.
        QStringList visited;
        for (int i = 0; i < 5; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(visited, QStringList({"BitBtn4", "Edit1", "Edit2", "Edit3", "BitBtn1"}));
        QTest::mouseClick(w.get("SpeedButton1"), Qt::LeftButton);  // the scripted dialog cancels
        QCOMPARE(QApplication::focusWidget(), w.get("BitBtn1"));
    }

    // With the keyboard: Space on Connetti moves the focus on to Importa (not to Fine, where a
    // second Space would end the program); Esc does nothing; Enter presses the focused button.
    void keyboardConnettiFocusesImportaAndEnterPresses() {
        Window w;
        w.form.show();
        w.form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w.form));
        w.edit(1)->setText(header_);
        w.edit(2)->setText(detail_);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QCOMPARE(w.get<QLabel>("Label3")->text(), QStringLiteral("TROVATO"));
        QCOMPARE(QApplication::focusWidget(), w.get("BitBtn2"));

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(w.form.isVisible());
        QVERIFY(w.boxes->shown.empty());

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);  // Importa, without a DM
        QCOMPARE(w.boxes->shown.size(), std::size_t{1});
        QCOMPARE(w.boxes->shown[0].kind, QStringLiteral("error"));

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), w.get("BitBtn4"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
        QVERIFY(!w.form.isVisible());
    }

    void progressBarStartsEmptyAndFollowsTheBottomEdge() {
        Window w;
        auto* pb = w.get<ui::ProgressBar>("PB");
        QCOMPARE(pb->position(), 0);
        QCOMPARE(pb->maximum(), 100);
        QCOMPARE(pb->focusPolicy(), Qt::NoFocus);
        w.form.show();
        w.form.resize(700, 500);
        QCOMPARE(pb->geometry(), QRect(0, 482, 700, 18));
        QCOMPARE(w.get("BitBtn1")->geometry(), QRect(128, 224, 193, 33));  // the rest stays
        QCOMPARE(w.get("Edit3")->geometry(), QRect(8, 112, 401, 21));
    }

    // After a miss (labels red) every effect of trovato is visible, in order.
    void trovatoEffectsInOrder() {
        Window w;
        w.edit(1)->setText(dir_.filePath("not yet.csv"));
        w.edit(2)->setText(detail_);
        w.click("BitBtn1");
        EffectRecorder recorder(w);
        w.edit(1)->setText(header_);
        w.click("BitBtn1");
        const QStringList expected = {"BitBtn1 enabled NON TROVATO/NON TROVATO",
                                      "BitBtn2 enabled NON TROVATO/NON TROVATO",
                                      "BitBtn3 enabled NON TROVATO/NON TROVATO",
                                      "BitBtn5 enabled NON TROVATO/NON TROVATO",
                                      "Label3 colour TROVATO/TROVATO",
                                      "Label2 colour TROVATO/TROVATO",
                                      "Edit1 enabled TROVATO/TROVATO",
                                      "Edit2 enabled TROVATO/TROVATO",
                                      "Edit3 enabled TROVATO/TROVATO"};
        QCOMPARE(recorder.effects, expected);
        for (const char* name : {"Label2", "Label3"}) QCOMPARE(textColour(w.get(name)), kGreen);
        QVERIFY(!w.get("BitBtn1")->isEnabled());
        QVERIFY(w.get("BitBtn2")->isEnabled());
        QVERIFY(w.get("BitBtn3")->isEnabled() && w.get("BitBtn3")->isHidden());
        QVERIFY(w.get("BitBtn5")->isEnabled() && w.get("BitBtn5")->isHidden());
        QVERIFY(w.get("BitBtn4")->isEnabled());
        for (const char* name : {"SpeedButton1", "SpeedButton2", "SpeedButton3"})
            QVERIFY(w.get(name)->isEnabled());
        QVERIFY(w.boxes->shown.empty());
    }

    // From the start the labels are green already: only their text changes.
    void trovatoFromTheStart() {
        Window w;
        EffectRecorder recorder(w);
        w.edit(1)->setText(header_);
        w.edit(2)->setText(detail_);
        w.click("BitBtn1");
        QCOMPARE(recorder.effects.size(), 7);
        QCOMPARE(recorder.effects.first(),
                 QStringLiteral("BitBtn1 enabled NON TROVATO/NON CONNESSO"));
        QCOMPARE(recorder.effects.last(), QStringLiteral("Edit3 enabled TROVATO/TROVATO"));
        for (const char* name : {"Label2", "Label3"}) QCOMPARE(textColour(w.get(name)), kGreen);
    }

    void nonTrovatoEffectsInOrder() {
        Window w;
        EffectRecorder recorder(w);
        w.edit(1)->setText(dir_.filePath("missing.csv"));
        w.edit(2)->setText(detail_);
        w.click("BitBtn1");
        // Connetti and Importa already have the state; only the colours change.
        QCOMPARE(recorder.effects, QStringList({"Label3 colour NON TROVATO/NON TROVATO",
                                                "Label2 colour NON TROVATO/NON TROVATO"}));
        for (const char* name : {"Label2", "Label3"}) QCOMPARE(textColour(w.get(name)), kRed);
        QVERIFY(w.get("BitBtn1")->isEnabled());
        QVERIFY(!w.get("BitBtn2")->isEnabled());
        for (int n = 1; n <= 3; ++n) QVERIFY(w.edit(n)->isEnabled());
    }

    // Connetti found the files, then a file vanished and Importa switched the display back: the
    // boxes stay disabled and only Connetti comes back.
    void nonTrovatoLeavesDisabledBoxesDisabled() {
        Window w;
        const QString vanishing = testing_support::writeFile(dir_, "vanishing.csv");
        w.edit(1)->setText(vanishing);
        w.edit(2)->setText(detail_);
        w.click("BitBtn1");
        QCOMPARE(w.get<QLabel>("Label3")->text(), QStringLiteral("TROVATO"));
        QVERIFY(QFile::remove(vanishing));
        EffectRecorder recorder(w);
        w.click("BitBtn2");
        QCOMPARE(recorder.effects,
                 QStringList({"BitBtn1 enabled TROVATO/TROVATO", "BitBtn2 enabled TROVATO/TROVATO",
                              "BitBtn3 enabled TROVATO/TROVATO", "BitBtn5 enabled TROVATO/TROVATO",
                              "Label3 colour NON TROVATO/NON TROVATO",
                              "Label2 colour NON TROVATO/NON TROVATO"}));
        for (int n = 1; n <= 3; ++n) QVERIFY(!w.edit(n)->isEnabled());
        QVERIFY(w.get("BitBtn1")->isEnabled());
        QVERIFY(w.boxes->shown.empty());  // no message
    }

    void connectWithAValidDatabase() {
        Window w;
        const QString database = testing_support::databaseCopy(dir_);
        if (database.isEmpty()) QSKIP("no fixtures");
        w.edit(1)->setText(header_);
        w.edit(2)->setText(detail_);
        w.edit(3)->setText(database);
        w.click("BitBtn1");
        QCOMPARE(w.get<QLabel>("Label2")->text(), QStringLiteral("TROVATO"));
        QVERIFY(w.boxes->shown.empty());
        QCOMPARE(w.modules.size(), std::size_t{1});
        QVERIFY(DM == &w.modules[0]);
        QCOMPARE(QString::fromStdString(DM->name()), QStringLiteral("DM"));
        QVERIFY(DM->Con.connected());
    }

    void connectWithHeaderMissingStillConnects() {
        Window w;
        const QString database = testing_support::databaseCopy(dir_);
        if (database.isEmpty()) QSKIP("no fixtures");
        w.edit(1)->setText(QString());
        w.edit(2)->setText(detail_);
        w.edit(3)->setText(database);
        w.click("BitBtn1");
        QCOMPARE(w.get<QLabel>("Label3")->text(), QStringLiteral("NON TROVATO"));
        QCOMPARE(textColour(w.get("Label3")), kRed);
        QVERIFY(!w.get("BitBtn2")->isEnabled());
        QVERIFY(DM != nullptr && DM->Con.connected());
    }

    void threeConnectsMakeDmDm1Dm2() {
        Window w;
        const QString database = testing_support::databaseCopy(dir_);
        if (database.isEmpty()) QSKIP("no fixtures");
        w.edit(1)->setText(dir_.filePath("missing.csv"));
        w.edit(2)->setText(detail_);
        w.edit(3)->setText(database);
        for (int i = 0; i < 3; ++i) w.click("BitBtn1");
        QCOMPARE(w.modules.size(), std::size_t{3});
        const char* names[] = {"DM", "DM_1", "DM_2"};
        for (std::size_t i = 0; i < 3; ++i) {
            QCOMPARE(QString::fromStdString(w.modules[i].name()), QString(names[i]));
            QVERIFY(w.modules[i].Con.connected());
        }
        QVERIFY(DM == &w.modules[2]);
        QVERIFY(w.boxes->shown.empty());
    }

    void connectWithoutADatabaseFileCreatesNoModule() {
        for (const QString& database : {QString(), dir_.filePath("missing.mdb"), dir_.path()}) {
            Window w;
            w.edit(1)->setText(header_);
            w.edit(2)->setText(detail_);
            w.edit(3)->setText(database);
            w.click("BitBtn1");
            QCOMPARE(w.get<QLabel>("Label3")->text(), QStringLiteral("TROVATO"));
            QVERIFY(w.get("BitBtn2")->isEnabled());
            QVERIFY(!w.get("BitBtn1")->isEnabled());
            QCOMPARE(w.modules.size(), std::size_t{0});
            QVERIFY(DM == nullptr);
            QVERIFY(w.boxes->shown.empty());
        }
    }

    void connectToAFileThatIsNoDatabase() {
        Window w;
        const QString notes = testing_support::writeFile(dir_, "notes.mdb", QByteArray(600, 'n'));
        w.edit(1)->setText(header_);
        w.edit(2)->setText(detail_);
        w.edit(3)->setText(notes);
        w.click("BitBtn1");
        QCOMPARE(w.boxes->shown.size(), std::size_t{1});
        QCOMPARE(w.boxes->shown[0].kind, QStringLiteral("error"));
        const QString message = w.boxes->shown[0].text;
        QVERIFY(!message.isEmpty() && !message.endsWith('.') && !message.endsWith(' '));
        QVERIFY(DM == &w.modules[0]);
        QVERIFY(!DM->Con.connected());
        // The display keeps what the file tests set, and the window goes on working.
        QCOMPARE(w.get<QLabel>("Label3")->text(), QStringLiteral("TROVATO"));
        w.click("BitBtn4");
        QVERIFY(!w.form.isVisible());
    }

    void pathsReachTheFileSystemAsTheirOwnBytes() {
        Window w;
        w.edit(1)->setText(testing_support::writeFile(dir_, QStringLiteral("città è.csv")));
        w.edit(2)->setText(testing_support::writeFile(dir_, QStringLiteral("Ω dettagli.csv")));
        w.click("BitBtn1");
        QCOMPARE(w.get<QLabel>("Label3")->text(), QStringLiteral("TROVATO"));
    }

    void importWithAMissingFileShowsNonTrovato() {
        Window w;
        w.edit(1)->setText(header_);
        w.edit(2)->setText(detail_);
        w.click("BitBtn1");
        QVERIFY(QFile::remove(detail_));
        w.click("BitBtn2");
        QCOMPARE(w.get<QLabel>("Label2")->text(), QStringLiteral("NON TROVATO"));
        QVERIFY(w.boxes->shown.empty());
    }

    void importWithoutADataModuleSaysSo() {
        Window w;
        w.edit(1)->setText(header_);
        w.edit(2)->setText(detail_);
        w.click("BitBtn1");
        w.click("BitBtn2");
        QCOMPARE(w.boxes->shown.size(), std::size_t{1});
        QCOMPARE(w.boxes->shown[0].kind, QStringLiteral("error"));
        QCOMPARE(w.boxes->shown[0].text,
                 QStringLiteral("Nessuna banca dati connessa: il file della banca dati non "
                                "esiste. Riavviare il programma indicando un file .mdb esistente"));
    }

    // A database without the roll's tables: the run stops when it opens the first dataset.
    void importOnADatabaseWithoutTheRollTablesReportsTheMissingTable() {
        Window w;
        const QString database = testing_support::databaseCopy(dir_);
        if (database.isEmpty()) QSKIP("no fixtures");
        w.edit(1)->setText(header_);
        w.edit(2)->setText(detail_);
        w.edit(3)->setText(database);
        w.click("BitBtn1");
        w.click("BitBtn2");
        QCOMPARE(w.boxes->shown.size(), std::size_t{1});
        QCOMPARE(w.boxes->shown[0].kind, QStringLiteral("error"));
        QCOMPARE(w.boxes->shown[0].text,
                 QStringLiteral("The Microsoft Jet database engine cannot find the input table or "
                                "query 'Testate'.  Make sure it exists and that its name is "
                                "spelled correctly"));
    }

    // The browse button still changes the locked database box after Connetti.
    void importRefusesADatabaseOtherThanTheConnectedOne() {
        Window w;
        const QString database = testing_support::databaseCopy(dir_);
        const QString other = testing_support::databaseCopy(dir_, "altro.mdb");
        if (database.isEmpty()) QSKIP("no fixtures");
        w.edit(1)->setText(header_);
        w.edit(2)->setText(detail_);
        w.edit(3)->setText(database);
        w.click("BitBtn1");
        w.dialog.pick(other);
        w.click("SpeedButton3");
        QCOMPARE(w.edit(3)->text(), other);
        w.click("BitBtn2");
        QCOMPARE(w.boxes->shown.size(), std::size_t{1});
        QCOMPARE(w.boxes->shown[0].text,
                 QStringLiteral("La banca dati indicata non è quella connessa: riavviare il "
                                "programma per usare il nuovo file"));
        // Browsing back to the connected file, by another spelling, is the same database.
        w.dialog.pick(QDir(dir_.path()).filePath(QStringLiteral("./ruolo.mdb")));
        w.click("SpeedButton3");
        w.click("BitBtn2");
        QCOMPARE(w.boxes->shown.size(), std::size_t{2});
        QVERIFY(w.boxes->shown[1].text.startsWith(QStringLiteral("The Microsoft Jet")));
    }

    // As in the program: the event loop runs until "Fine" closes the last window.
    void fineClosesTheWindowAndEndsTheProgram() {
        Window w;
        w.form.show();
        QTimer::singleShot(0, &w.form, [&] { w.click("BitBtn4"); });
        QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(99); });
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(!w.form.isVisible());
    }

private:
    QTemporaryDir dir_;
    QString header_, detail_;
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"

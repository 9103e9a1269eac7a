// The message boxes as built for the screen, and the guard every handler runs in.
#include "ui/message_boxes.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

#include "data/user_error.h"
#include "mdb/error.h"
#include "ui/handler_guard.h"
#include "ui/window_harness.h"

namespace {

QStringList buttonTexts(const QMessageBox& box) {
    QStringList texts;
    for (QAbstractButton* b : box.buttons()) texts << b->text();
    texts.sort();
    return texts;
}

void checkCentredOnScreen(QWidget& box) {
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    const QPoint screenCentre = box.screen()->availableGeometry().center();
    const QPoint boxCentre = box.frameGeometry().center();
    QVERIFY2((screenCentre - boxCentre).manhattanLength() <= 2,
             qPrintable(QStringLiteral("box centre %1,%2").arg(boxCentre.x()).arg(boxCentre.y())));
}

}  // namespace

class MessageBoxesTest : public QObject {
    Q_OBJECT
private slots:
    void titleComesFromTheExecutableName() {
        QCOMPARE(ui::applicationTitle(), QStringLiteral("message_boxes_test"));
    }

    void informationBox() {
        auto box = ui::makeInformationBox(QStringLiteral("Operazione abortita"));
        QCOMPARE(box->windowTitle(), ui::applicationTitle());
        QCOMPARE(box->icon(), QMessageBox::NoIcon);
        QCOMPARE(box->text(), QStringLiteral("Operazione abortita"));
        QCOMPARE(buttonTexts(*box), QStringList({"OK"}));
        checkCentredOnScreen(*box);
    }

    void confirmationBox() {
        auto box = ui::makeConfirmationBox(QStringLiteral("Li elimino? "));
        QCOMPARE(box->windowTitle(), QStringLiteral("Confirm"));
        QCOMPARE(box->icon(), QMessageBox::Question);
        QCOMPARE(box->text(), QStringLiteral("Li elimino? "));
        QCOMPARE(buttonTexts(*box), QStringList({"&No", "&Yes"}));
        QCOMPARE(box->defaultButton(), box->button(QMessageBox::Yes));
        QCOMPARE(box->escapeButton(), box->button(QMessageBox::No));
        checkCentredOnScreen(*box);
        QTest::keyClick(box.get(), Qt::Key_Escape);
        QCOMPARE(box->clickedButton(), box->button(QMessageBox::No));
        auto again = ui::makeConfirmationBox(QStringLiteral("Li elimino? "));
        again->show();
        QVERIFY(QTest::qWaitForWindowExposed(again.get()));
        QTest::keyClick(again.get(), Qt::Key_Return);
        QCOMPARE(again->clickedButton(), again->button(QMessageBox::Yes));
    }

    void errorBoxAddsTheFinalPoint() {
        struct Case {
            QString message, shown;
        };
        const Case cases[] = {{"File not found", "File not found."},
                              {"Fatto!", "Fatto!"},
                              {"già.", "già."},
                              {"", ""}};
        for (const Case& c : cases) {
            auto box = ui::makeErrorBox(c.message);
            QCOMPARE(box->text(), c.shown);
            QCOMPARE(box->icon(), QMessageBox::Critical);
            QCOMPARE(box->windowTitle(), ui::applicationTitle());
            QCOMPARE(buttonTexts(*box), QStringList({"OK"}));
        }
        auto box = ui::makeErrorBox(QStringLiteral("<b>not markup</b>"));
        QCOMPARE(box->textFormat(), Qt::PlainText);
        checkCentredOnScreen(*box);
    }

    void guardShowsEveryExceptionAndLetsNoneOut() {
        testing_support::RecordingBoxes boxes;
        ui::runGuarded(boxes, [] { throw data::UserError("Campo non valido"); });
        ui::runGuarded(boxes, [] {
            throw mdb::Error(mdb::Error::Kind::Corrupt, "Unrecognized database format. ");
        });
        ui::runGuarded(boxes, [] { throw std::runtime_error("plain"); });
        ui::runGuarded(boxes, [] { throw 42; });
        bool ran = false;
        ui::runGuarded(boxes, [&] { ran = true; });
        QVERIFY(ran);
        QCOMPARE(boxes.shown.size(), std::size_t{4});
        QCOMPARE(boxes.shown[0].text, QStringLiteral("Campo non valido"));
        QCOMPARE(boxes.shown[1].text, QStringLiteral("Unrecognized database format"));
        QCOMPARE(boxes.shown[2].text, QStringLiteral("plain"));
        QCOMPARE(boxes.shown[3].text, QStringLiteral("Unknown error"));
        for (const auto& s : boxes.shown) QCOMPARE(s.kind, QStringLiteral("error"));
    }

    void aFailingErrorDisplayDoesNotThrowEither() {
        struct Broken : testing_support::RecordingBoxes {
            void error(const QString&) override { throw std::bad_alloc(); }
        } boxes;
        ui::runGuarded(boxes, [] { throw data::UserError("x"); });  // reaching here is the test
        QVERIFY(boxes.shown.empty());
    }
};

QTEST_MAIN(MessageBoxesTest)
#include "message_boxes_test.moc"

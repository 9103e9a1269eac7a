#include "ui/message_boxes.h"

#include <QCoreApplication>
#include <QFile>
#include <QPushButton>

#include "data/application_title.h"
#include "data/error_text.h"
#include "ui/screen_centre.h"

namespace ui {
namespace {

std::unique_ptr<QMessageBox> makeBox(QMessageBox::Icon icon, const QString& caption,
                                     const QString& text) {
    // No parent: the boxes belong to the application, and exec() makes them application-modal.
    auto box = std::make_unique<ScreenCentred<QMessageBox>>();
    box->setIcon(icon);
    box->setWindowTitle(caption);
    box->setText(text);
    box->setTextFormat(Qt::PlainText);
    return box;
}

}  // namespace

QString applicationTitle() {
    const QByteArray path = QFile::encodeName(QCoreApplication::applicationFilePath());
    return QString::fromStdString(data::applicationTitle(path.toStdString()));
}

std::unique_ptr<QMessageBox> makeInformationBox(const QString& text) {
    auto box = makeBox(QMessageBox::NoIcon, applicationTitle(), text);
    box->setStandardButtons(QMessageBox::Ok);
    return box;
}

std::unique_ptr<QMessageBox> makeConfirmationBox(const QString& text) {
    auto box = makeBox(QMessageBox::Question, QStringLiteral("Confirm"), text);
    box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box->setDefaultButton(QMessageBox::Yes);
    box->setEscapeButton(QMessageBox::No);
    return box;
}

std::unique_ptr<QMessageBox> makeErrorBox(const QString& message) {
    const std::string text = data::withFinalPoint(message.toStdString());
    auto box = makeBox(QMessageBox::Critical, applicationTitle(), QString::fromStdString(text));
    box->setStandardButtons(QMessageBox::Ok);
    return box;
}

void ScreenMessageBoxes::information(const QString& text) { makeInformationBox(text)->exec(); }

bool ScreenMessageBoxes::confirm(const QString& text) {
    return makeConfirmationBox(text)->exec() == QMessageBox::Yes;
}

void ScreenMessageBoxes::error(const QString& message) { makeErrorBox(message)->exec(); }

}  // namespace ui

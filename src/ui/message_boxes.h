// message_boxes.h: the program's three kinds of message box, behind one small interface.
//
// The window talks to MessageBoxes only, so tests can record what would be shown instead of
// running a modal loop. ScreenMessageBoxes shows the real boxes, modal and centred on the screen,
// captioned with the application title (application_title.h).
#pragma once

#include <QMessageBox>
#include <QString>
#include <memory>

namespace ui {

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Information: no icon, one "OK" button ("Operazione abortita", "Operazione terminata").
    virtual void information(const QString& text) = 0;
    // Question captioned "Confirm" with "&Yes" (the default) and "&No" (also Esc). True = Yes.
    virtual bool confirm(const QString& text) = 0;
    // The general error display: stop icon, one "OK" button. `message` is the error's own text;
    // the display appends the final point itself (error_text.h).
    virtual void error(const QString& message) = 0;
};

class ScreenMessageBoxes : public MessageBoxes {
public:
    void information(const QString& text) override;
    bool confirm(const QString& text) override;
    void error(const QString& message) override;
};

// The boxes ScreenMessageBoxes runs, built but not shown, so their set-up can be checked. Each
// centres itself on the screen when shown.
std::unique_ptr<QMessageBox> makeInformationBox(const QString& text);
std::unique_ptr<QMessageBox> makeConfirmationBox(const QString& text);
std::unique_ptr<QMessageBox> makeErrorBox(const QString& message);

// The caption of the information and error boxes: derived from this executable's file name.
QString applicationTitle();

}  // namespace ui
